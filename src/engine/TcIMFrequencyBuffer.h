#pragma once
// The list of interfering products of one evaluation, numbered from 0, together with the
// kilohertz bins that count how many intermodulation products fall on each kilohertz from 0 to
// 1000 MHz. Of the intermodulation products on one kilohertz only the first is kept as an item;
// the others only raise the bin. The products a check compares with (GAddKindFirst) keep the
// first product of each intermodulation type (2Tx IM(3), 2Tx IM(5), 3Tx IM(3)) per kilohertz
// instead, since each type is tested with its own switch and protection width.
//
// The 1,000,001 bins are not allocated per buffer: a buffer takes a zeroed bin array from a
// process-wide pool on its first counted product and, when it goes, clears exactly the bins it
// touched and hands the array back; its item list goes back to the pool the same way. Creating
// and dropping a buffer with few products therefore costs nothing in proportion to the bin
// range, which the subset and frequency searches rely on (they build thousands of buffers).

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/TcIMFrequency.h"

namespace kova {

class TcIMFrequencyBuffer {
 public:
  static constexpr int32_t kMaxBin = 1000000;  // kilohertz index of 1000 MHz

  TcIMFrequencyBuffer() = default;
  ~TcIMFrequencyBuffer();
  TcIMFrequencyBuffer(const TcIMFrequencyBuffer&) = delete;
  TcIMFrequencyBuffer& operator=(const TcIMFrequencyBuffer&) = delete;
  TcIMFrequencyBuffer(TcIMFrequencyBuffer&& other) noexcept;
  TcIMFrequencyBuffer& operator=(TcIMFrequencyBuffer&& other) noexcept;

  // Appends a new product (count 1) with these sources in indices 0, 1, 2.
  // Throws std::overflow_error for a type or sub-type outside 0..255.
  void GAdd(double dFreq, int32_t eIMType, int32_t lIMSubType, int32_t lMicNr1, int32_t lSysNr1, int32_t lMicNr2,
            int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3);
  // Intermodulation types (0..2): the bin of dFreq in kilohertz (ties to even, from the double
  // value) is raised, and the product is appended only when it is the first on that kilohertz.
  // Other types are appended with GAdd. Throws std::out_of_range for a bin outside 0..1000000.
  inline void GAddItemCountedIM(double dFreq, int32_t eIMType, int32_t lIMSubType, int32_t lMicNr1, int32_t lSysNr1,
                                int32_t lMicNr2, int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3);
  // Product iIndex (0-based); throws std::out_of_range outside 0..GCount()-1.
  const TcIMFrequency& GcItem(int32_t iIndex) const;
  void GcItem(int32_t iIndex, const TcIMFrequency& CNew_);
  int32_t GCount() const { return static_cast<int32_t>(items_.size()); }
  // Counted products on kilohertz lKHz (0..1000000); throws std::out_of_range outside.
  int32_t GGetBin(int32_t lKHz) const;
  int32_t GGetBinMax() const { return binMax_; }
  // The same products in the same order, with empty bins.
  std::shared_ptr<TcIMFrequencyBuffer> GGetCopy() const;
  // Appends a copy of that product.
  void GAddItem(const TcIMFrequency& CNew_);
  // Merges intermodulation products of exactly equal frequency into the first of them.
  void GReduceIM();

  // GAddItemCountedIM for an intermodulation product whose kilohertz index (KHzIndex of dFreq)
  // the caller has already computed.
  inline void GAddCountedAtBin(int32_t bin, double dFreq, int32_t eIMType, int32_t lIMSubType, int32_t lMicNr1,
                               int32_t lSysNr1, int32_t lMicNr2, int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3);
  // `lCount` intermodulation products counted elsewhere on kilohertz `bin`, the first of them with
  // these values: appended as an item when the bin is still empty, and the bin raised by lCount.
  inline void GAddCountedRun(int32_t bin, int32_t lCount, double dFreq, int32_t eIMType, int32_t lIMSubType,
                             int32_t lMicNr1, int32_t lSysNr1, int32_t lMicNr2, int32_t lSysNr2, int32_t lMicNr3,
                             int32_t lSysNr3);
  // The first intermodulation product of its type on kilohertz `bin`, with `lCount` products
  // counted there: appended as an item when the bin holds no product of that type yet, and the
  // bin raised by lCount. A buffer built so keeps per kilohertz the first product of each type.
  inline void GAddKindFirst(int32_t bin, int32_t lCount, double dFreq, int32_t eIMType, int32_t lIMSubType,
                            int32_t lMicNr1, int32_t lSysNr1, int32_t lMicNr2, int32_t lSysNr2, int32_t lMicNr3,
                            int32_t lSysNr3);

  // Kilohertz index of a frequency: dFreq * 1000 rounded to the nearest whole number, ties to
  // even (the same result as TL_RoundLong).
  static inline int32_t KHzIndex(double dFreq);

  // Position of the intermodulation product kept for kilohertz lKHz, -1 when there is none.
  // Only meaningful while GbBinItemsValid() holds: every intermodulation item was added through
  // GAddItemCountedIM and no item has been replaced or merged since.
  int32_t GlBinItem(int32_t lKHz) const {
    if (lKHz < 0 || lKHz > kMaxBin) BinOutOfRange();
    if (!bins_) return -1;
    int32_t first = 0;  // position + 1
    for (const int32_t at : bins_[lKHz].item)
      if (at > 0 && (first == 0 || at < first)) first = at;
    return first - 1;
  }
  // The same for the product of intermodulation type `type` (0 ... 2) kept for kilohertz lKHz.
  int32_t GlBinItem(int32_t lKHz, int32_t type) const {
    if (lKHz < 0 || lKHz > kMaxBin) BinOutOfRange();
    return bins_ ? bins_[lKHz].item[type] - 1 : -1;
  }
  bool GbBinItemsValid() const { return binItemsValid_; }
  // The kilohertz on which product iIndex was counted. The bin is taken from the frequency before
  // it is narrowed to single precision, so it can lie one kilohertz beside KHzIndex of the stored
  // value; for products that are not in a bin (or once GbBinItemsValid() no longer holds) this
  // is KHzIndex of the stored frequency.
  int32_t GlItemKHz(int32_t iIndex) const;
  const std::vector<TcIMFrequency>& Items() const { return items_; }

  struct BinCell {
    int32_t count;    // counted products on this kilohertz
    int32_t item[3];  // per intermodulation type: position + 1 of the product kept for it, 0 = none
  };

 private:
  void Append(double dFreq, int32_t eIMType, int32_t lIMSubType, int32_t lMicNr1, int32_t lSysNr1, int32_t lMicNr2,
              int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3);
  void AcquireBins();
  void ReleaseBins() noexcept;
  void AcquireItems();
  void ReleaseItems() noexcept;
  [[noreturn]] static void BinOutOfRange();

  std::vector<TcIMFrequency> items_;
  BinCell* bins_ = nullptr;        // pooled array of kMaxBin + 1 cells, or none yet
  std::vector<int32_t> touched_;   // bins raised from 0, to be cleared on release
  int32_t binMax_ = 0;
  bool binItemsValid_ = true;
};

inline int32_t TcIMFrequencyBuffer::KHzIndex(double dFreq) {
  double x = dFreq * 1000.0;
  if (x >= 0.0 && x < 4503599627370496.0) {
    // Adding and removing 2^52 leaves the nearest whole number, ties to even, in the default
    // rounding mode (the same as std::nearbyint, without the library call).
    constexpr double kShift = 4503599627370496.0;
    double r = (x + kShift) - kShift;
    return r > 2147483647.0 ? 2147483647 : static_cast<int32_t>(r);
  }
  if (std::isnan(x)) return 0;
  double r = std::nearbyint(x);
  if (r >= 2147483647.0) return 2147483647;
  if (r <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int32_t>(r);
}

inline void TcIMFrequencyBuffer::GAddItemCountedIM(double dFreq, int32_t eIMType, int32_t lIMSubType,
                                                   int32_t lMicNr1, int32_t lSysNr1, int32_t lMicNr2,
                                                   int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3) {
  if (!TL_IsCountedIM(eIMType)) {
    GAdd(dFreq, eIMType, lIMSubType, lMicNr1, lSysNr1, lMicNr2, lSysNr2, lMicNr3, lSysNr3);
    return;
  }
  GAddCountedAtBin(KHzIndex(dFreq), dFreq, eIMType, lIMSubType, lMicNr1, lSysNr1, lMicNr2, lSysNr2, lMicNr3, lSysNr3);
}

inline void TcIMFrequencyBuffer::GAddCountedAtBin(int32_t bin, double dFreq, int32_t eIMType, int32_t lIMSubType,
                                                  int32_t lMicNr1, int32_t lSysNr1, int32_t lMicNr2, int32_t lSysNr2,
                                                  int32_t lMicNr3, int32_t lSysNr3) {
  GAddCountedRun(bin, 1, dFreq, eIMType, lIMSubType, lMicNr1, lSysNr1, lMicNr2, lSysNr2, lMicNr3, lSysNr3);
}

// Adds product counts without wrapping: a kilohertz that thousands of channels on one frequency
// pile billions of products on stays at the largest count instead of turning negative.
inline int32_t IMCountSum(int32_t a, int32_t b) {
  int32_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? INT32_MAX : sum;
}

inline void TcIMFrequencyBuffer::GAddCountedRun(int32_t bin, int32_t lCount, double dFreq, int32_t eIMType,
                                                int32_t lIMSubType, int32_t lMicNr1, int32_t lSysNr1, int32_t lMicNr2,
                                                int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3) {
  if (bin < 0 || bin > kMaxBin) BinOutOfRange();
  if (!bins_) AcquireBins();
  BinCell& cell = bins_[bin];
  if (cell.count < 1 && (cell.item[0] | cell.item[1] | cell.item[2]) == 0) {
    Append(dFreq, eIMType, lIMSubType, lMicNr1, lSysNr1, lMicNr2, lSysNr2, lMicNr3, lSysNr3);
    touched_.push_back(bin);
    cell.count = lCount;
    cell.item[eIMType] = GCount();
  } else {
    cell.count = IMCountSum(cell.count, lCount);
  }
  if (cell.count > binMax_) binMax_ = cell.count;
}

inline void TcIMFrequencyBuffer::GAddKindFirst(int32_t bin, int32_t lCount, double dFreq, int32_t eIMType,
                                               int32_t lIMSubType, int32_t lMicNr1, int32_t lSysNr1, int32_t lMicNr2,
                                               int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3) {
  if (bin < 0 || bin > kMaxBin) BinOutOfRange();
  if (!bins_) AcquireBins();
  BinCell& cell = bins_[bin];
  const bool fresh = cell.count < 1 && (cell.item[0] | cell.item[1] | cell.item[2]) == 0;
  if (cell.item[eIMType] == 0) {
    Append(dFreq, eIMType, lIMSubType, lMicNr1, lSysNr1, lMicNr2, lSysNr2, lMicNr3, lSysNr3);
    cell.item[eIMType] = GCount();
  }
  if (fresh) touched_.push_back(bin);
  cell.count = IMCountSum(cell.count, lCount);
  if (cell.count > binMax_) binMax_ = cell.count;
}

}  // namespace kova
