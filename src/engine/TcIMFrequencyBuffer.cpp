#include "engine/TcIMFrequencyBuffer.h"

#include <cstdlib>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>

namespace kova {

namespace {

// Storage waiting for the next buffer: zeroed bin arrays with their (empty) touched lists, and
// empty item lists that keep their capacity. Reusing them spares every new buffer the fresh
// memory (and the page faults) of its growing lists. A few of each are kept (the display, the
// check and a search may each hold a buffer at the same time); the rest go back to the system.
struct StoragePool {
  std::mutex mutex;
  std::vector<std::pair<TcIMFrequencyBuffer::BinCell*, std::vector<int32_t>>> bins;
  std::vector<std::vector<TcIMFrequency>> items;
};

constexpr size_t kPoolKeep = 4;
constexpr size_t kPoolMaxItems = size_t{1} << 18;  // larger item lists are not kept
constexpr size_t kBinCells = static_cast<size_t>(TcIMFrequencyBuffer::kMaxBin) + 1;

// Never destroyed: a buffer held in a static object may give its storage back after main ends.
StoragePool& Pool() {
  static StoragePool* pool = new StoragePool;
  return *pool;
}

bool IsIMKind(int32_t kind) { return kind == 4 || kind == 5 || kind == 9; }

}  // namespace

TcIMFrequencyBuffer::~TcIMFrequencyBuffer() {
  ReleaseBins();
  ReleaseItems();
}

TcIMFrequencyBuffer::TcIMFrequencyBuffer(TcIMFrequencyBuffer&& other) noexcept
    : items_(std::move(other.items_)),
      bins_(std::exchange(other.bins_, nullptr)),
      touched_(std::move(other.touched_)),
      binMax_(std::exchange(other.binMax_, 0)),
      binItemsValid_(std::exchange(other.binItemsValid_, true)) {
  other.items_.clear();
  other.touched_.clear();
}

TcIMFrequencyBuffer& TcIMFrequencyBuffer::operator=(TcIMFrequencyBuffer&& other) noexcept {
  if (this != &other) {
    ReleaseBins();
    ReleaseItems();
    items_ = std::move(other.items_);
    bins_ = std::exchange(other.bins_, nullptr);
    touched_ = std::move(other.touched_);
    binMax_ = std::exchange(other.binMax_, 0);
    binItemsValid_ = std::exchange(other.binItemsValid_, true);
    other.items_.clear();
    other.touched_.clear();
  }
  return *this;
}

void TcIMFrequencyBuffer::AcquireBins() {
  StoragePool& pool = Pool();
  {
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (!pool.bins.empty()) {
      bins_ = pool.bins.back().first;
      touched_.swap(pool.bins.back().second);
      pool.bins.pop_back();
      return;
    }
  }
  // calloc hands out fresh zero pages for an array of this size without writing them.
  bins_ = static_cast<BinCell*>(std::calloc(kBinCells, sizeof(BinCell)));
  if (!bins_) throw std::bad_alloc();
}

void TcIMFrequencyBuffer::ReleaseBins() noexcept {
  if (!bins_) return;
  for (int32_t bin : touched_) bins_[bin] = BinCell{0, {0, 0, 0}};
  touched_.clear();
  BinCell* bins = std::exchange(bins_, nullptr);
  StoragePool& pool = Pool();
  try {
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (pool.bins.size() < kPoolKeep) {
      pool.bins.emplace_back(bins, std::move(touched_));
      touched_ = std::vector<int32_t>();
      return;
    }
  } catch (...) {
    // Keeping the storage is only an optimisation.
  }
  std::free(bins);
}

void TcIMFrequencyBuffer::AcquireItems() {
  StoragePool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  if (pool.items.empty()) return;
  items_.swap(pool.items.back());
  pool.items.pop_back();
}

void TcIMFrequencyBuffer::ReleaseItems() noexcept {
  if (items_.capacity() == 0 || items_.capacity() > kPoolMaxItems) return;
  items_.clear();
  StoragePool& pool = Pool();
  try {
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (pool.items.size() < kPoolKeep) {
      pool.items.push_back(std::move(items_));
      items_ = std::vector<TcIMFrequency>();
    }
  } catch (...) {
    // Keeping the storage is only an optimisation.
  }
}

void TcIMFrequencyBuffer::BinOutOfRange() { throw std::out_of_range("Subscript out of range"); }

void TcIMFrequencyBuffer::Append(double dFreq, int32_t eIMType, int32_t lIMSubType, int32_t lMicNr1, int32_t lSysNr1,
                                 int32_t lMicNr2, int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3) {
  if (eIMType < 0 || eIMType > 255 || lIMSubType < 0 || lIMSubType > 255) throw std::overflow_error("Overflow");
  if (items_.capacity() == 0) AcquireItems();
  items_.emplace_back().Set(dFreq, static_cast<uint8_t>(eIMType), static_cast<uint8_t>(lIMSubType), lMicNr1, lSysNr1,
                            lMicNr2, lSysNr2, lMicNr3, lSysNr3);
}

void TcIMFrequencyBuffer::GAdd(double dFreq, int32_t eIMType, int32_t lIMSubType, int32_t lMicNr1, int32_t lSysNr1,
                               int32_t lMicNr2, int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3) {
  Append(dFreq, eIMType, lIMSubType, lMicNr1, lSysNr1, lMicNr2, lSysNr2, lMicNr3, lSysNr3);
  if (TL_IsCountedIM(eIMType)) binItemsValid_ = false;  // an intermodulation item without its bin
}

const TcIMFrequency& TcIMFrequencyBuffer::GcItem(int32_t iIndex) const {
  if (iIndex < 0 || iIndex >= GCount()) throw std::out_of_range("Subscript out of range");
  return items_[static_cast<size_t>(iIndex)];
}

void TcIMFrequencyBuffer::GcItem(int32_t iIndex, const TcIMFrequency& CNew_) {
  if (iIndex < 0 || iIndex >= GCount()) throw std::out_of_range("Subscript out of range");
  items_[static_cast<size_t>(iIndex)] = CNew_;
  binItemsValid_ = false;
}

int32_t TcIMFrequencyBuffer::GGetBin(int32_t lKHz) const {
  if (lKHz < 0 || lKHz > kMaxBin) throw std::out_of_range("Subscript out of range");
  return bins_ ? bins_[lKHz].count : 0;
}

int32_t TcIMFrequencyBuffer::GlItemKHz(int32_t iIndex) const {
  const TcIMFrequency& item = GcItem(iIndex);
  const int32_t khz = KHzIndex(item.GdFreq());
  if (bins_ && binItemsValid_ && TL_IsCountedIM(item.GeIMType())) {
    for (int32_t bin : {khz, khz - 1, khz + 1})
      if (bin >= 0 && bin <= kMaxBin)
        for (const int32_t at : bins_[bin].item)
          if (at == iIndex + 1) return bin;
  }
  return khz;
}

std::shared_ptr<TcIMFrequencyBuffer> TcIMFrequencyBuffer::GGetCopy() const {
  auto copy = std::make_shared<TcIMFrequencyBuffer>();
  copy->AcquireItems();
  copy->items_.assign(items_.begin(), items_.end());
  for (const TcIMFrequency& item : items_)
    if (TL_IsCountedIM(item.GeIMType())) copy->binItemsValid_ = false;
  return copy;
}

void TcIMFrequencyBuffer::GAddItem(const TcIMFrequency& CNew_) {
  if (items_.capacity() == 0) AcquireItems();
  items_.push_back(CNew_);
  if (TL_IsCountedIM(CNew_.GeIMType())) binItemsValid_ = false;
}

void TcIMFrequencyBuffer::GReduceIM() {
  binItemsValid_ = false;
  size_t i = 0;
  while (i < items_.size()) {
    TcIMFrequency& item = items_[i];
    if (!IsIMKind(item.GGetBWDType())) {
      ++i;
      continue;
    }
    if (item.GlCountIM() > 0) {
      for (size_t j = i + 1; j < items_.size(); ++j) {
        TcIMFrequency& later = items_[j];
        if (IsIMKind(later.GGetBWDType()) && later.GlCountIM() > 0 && later.GfFreq() == item.GfFreq()) {
          item.GlCountIM(item.GlCountIM() + 1);
          later.GlCountIM(0);
        }
      }
      ++i;
      continue;
    }
    // A merged-away entry takes the place of the next live one, which is examined again here.
    size_t next = i + 1;
    while (next < items_.size() && items_[next].GlCountIM() <= 0) ++next;
    if (next == items_.size()) {
      items_.resize(i);
      break;
    }
    items_[i] = items_[next];
    items_[next].GlCountIM(0);
  }
}

}  // namespace kova
