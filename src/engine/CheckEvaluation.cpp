// The evaluation of the compatibility check: every channel against its system's search
// spectrum, then every channel against the interfering products of the project.
//
// Each channel is reported with the first product in buffer order that falls within its
// protection width. Rather than testing every channel against every product, the products are
// looked up around each channel's frequency: intermodulation products through the kilohertz
// bins of the buffer (each bin keeps exactly one such product, the first), the few other
// products through a list sorted by frequency. Among the hits the lowest buffer position wins,
// which is the product a walk through the buffer would have met first. During a drag the
// intermodulation products come from the tracker that follows the moving channel: it is asked
// per kilohertz the same way, and its products follow those of the single channels in its
// generation order.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/CheckKinds.h"
#include "engine/IMGeneration.h"
#include "engine/TcCheckHandler.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "engine/TcProductTracker.h"
#include "model/CProject.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char* const kOverlapped = "   overlapped by   ";

// Whether `product` counts against channel m of system s at frequency f (single precision).
inline bool Hits(const TcIMFrequency& product, float f, int32_t m, int32_t s, const KindTable& t) {
  const int32_t k = product.GGetBWDType();
  if (!t.on[k]) return false;
  if (k == kCheckSpacing && product.GlMicNr(0) == m && product.GlSysNr(0) == s) return false;  // its own frequency
  const float p = product.GfFreq();
  if (p == 0.0f) return false;
  const float w = t.width[k];
  const float lo = p - w;
  const float hi = p + w;
  return lo <= f && f <= hi;
}

// The products of a check in up to two parts, numbered on from one part to the next: the
// products of single channels and the intermodulation products may come as one buffer or as two,
// or the intermodulation products from a tracker (numbered after the buffer by generation order).
class ProductIndex {
 public:
  ProductIndex(const TcIMFrequencyBuffer& first, const TcIMFrequencyBuffer* second,
               const TcProductTracker* tracked = nullptr)
      : tracked_(tracked) {
    AddPart(first);
    if (second) AddPart(*second);
    trackedFrom_ = parts_.back().offset + parts_.back().buffer->GCount();
    std::sort(sorted_.begin(), sorted_.end(), [](const Entry& a, const Entry& b) {
      return a.p < b.p || (a.p == b.p && a.pos < b.pos);
    });
  }

  TcIMFrequency Item(int64_t pos) const {
    if (pos >= trackedFrom_) {
      uint64_t key = 0;
      return tracked_->ItemOf(*tracked_->FirstAt(trackedBin_[static_cast<size_t>(pos - trackedFrom_)], key));
    }
    const Part& part = pos >= parts_[0].offset + parts_[0].buffer->GCount() ? parts_[1] : parts_[0];
    return part.buffer->Items()[static_cast<size_t>(pos - part.offset)];
  }

  // Position of the first product that hits channel m of system s at f; -1 for none.
  int64_t FirstHit(float f, int32_t m, int32_t s, const KindTable& t) const {
    if (std::isnan(f) || t.reachAll < 0) return -1;
    int64_t best = std::numeric_limits<int64_t>::max();
    const double fd = f;

    // A hit lies within the reach plus the rounding of the single-precision limits.
    const double slack = 1e-3 + 1e-6 * (std::fabs(fd) + t.reachAll);
    double qLo = fd - t.reachAll - slack;
    double qHi = fd + t.reachAll + slack;
    if (std::isnan(qLo)) qLo = -std::numeric_limits<double>::infinity();
    if (std::isnan(qHi)) qHi = std::numeric_limits<double>::infinity();
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), qLo,
                               [](const Entry& e, double v) { return static_cast<double>(e.p) < v; });
    for (; it != sorted_.end() && static_cast<double>(it->p) <= qHi; ++it)
      if (it->pos < best && Hits(Item(it->pos), f, m, s, t)) best = it->pos;

    if (t.reachIM >= 0) {
      // A product's bin is within half a kilohertz (plus its narrowing) of its frequency.
      const double imSlack = 1e-6 * (std::fabs(fd) + t.reachIM);
      double kLo = std::floor((fd - t.reachIM - imSlack) * 1000.0) - 2.0;
      double kHi = std::ceil((fd + t.reachIM + imSlack) * 1000.0) + 2.0;
      if (!(kLo >= 0.0)) kLo = 0.0;
      if (!(kHi <= TcIMFrequencyBuffer::kMaxBin)) kHi = TcIMFrequencyBuffer::kMaxBin;
      for (size_t k = 0; k < parts_.size() && kLo <= kHi; ++k) {
        const Part& part = parts_[k];
        if (!part.useBins) continue;
        const std::vector<TcIMFrequency>& items = part.buffer->Items();
        for (int32_t bin = static_cast<int32_t>(kLo), end = static_cast<int32_t>(kHi); bin <= end; ++bin) {
          const int32_t pos = part.buffer->GlBinItem(bin);
          if (pos >= 0 && pos + part.offset < best && Hits(items[static_cast<size_t>(pos)], f, m, s, t))
            best = pos + part.offset;
        }
      }
      if (tracked_ && kLo <= kHi && best == std::numeric_limits<int64_t>::max()) {
        // The tracked products come after the buffers' products, among themselves in generation
        // order; the first hit's kilohertz is noted so that Item finds it again.
        int32_t hitBin = -1;
        uint64_t bestKey = std::numeric_limits<uint64_t>::max();
        for (int32_t bin = static_cast<int32_t>(kLo), end = static_cast<int32_t>(kHi); bin <= end; ++bin) {
          uint64_t key = 0;
          const IMFirst* p = tracked_->FirstAt(bin, key);
          if (p && key < bestKey && Hits(tracked_->ItemOf(*p), f, m, s, t)) {
            bestKey = key;
            hitBin = bin;
          }
        }
        if (hitBin >= 0) {
          trackedBin_.push_back(hitBin);
          best = trackedFrom_ + static_cast<int64_t>(trackedBin_.size()) - 1;
        }
      }
    }
    return best == std::numeric_limits<int64_t>::max() ? -1 : best;
  }

 private:
  struct Entry {
    float p;
    int32_t pos;
  };
  struct Part {
    const TcIMFrequencyBuffer* buffer = nullptr;
    int32_t offset = 0;    // position of its first product
    bool useBins = false;  // its intermodulation products are found through its bins
  };

  void AddPart(const TcIMFrequencyBuffer& buffer) {
    Part part{&buffer, parts_.empty() ? 0 : parts_.back().offset + parts_.back().buffer->GCount(),
              buffer.GbBinItemsValid()};
    const std::vector<TcIMFrequency>& items = buffer.Items();
    for (size_t i = 0; i < items.size(); ++i) {
      const TcIMFrequency& item = items[i];
      if (part.useBins && TL_IsCountedIM(item.GeIMType())) continue;  // found through the bins
      const float p = item.GfFreq();
      if (p == 0.0f || std::isnan(p)) continue;  // such a product never counts
      sorted_.push_back({p, part.offset + static_cast<int32_t>(i)});
    }
    parts_.push_back(part);
  }

  std::vector<Part> parts_;
  std::vector<Entry> sorted_;
  const TcProductTracker* tracked_ = nullptr;
  int64_t trackedFrom_ = 0;                  // the place of the first tracked product
  mutable std::vector<int32_t> trackedBin_;  // the kilohertz of each tracked hit reported
};

// Every channel must fit into its system's search spectrum with its whole occupied width. True
// when the check must stop.
bool CheckSpectra(const CProject& project, TcCheckHandler& handler) {
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const CSystemType& type = *project.GcSystem(s)->GcSystemType();
    if (!type.GbCheckFlag(kCheckSpectrum)) continue;
    const float w = type.GfBandwidth(kCheckSpectrum);
    const CSpectrum& spectrum = *project.GcSpectrumOf(s);
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m) {
      const CMicInstance& mic = *mics.GcItem(m);
      if (spectrum.GIsFreqAvailable(mic.GfGetFreq(), w)) continue;
      const std::string text = handler.GbNeedsText() ? project.SystemPrefix(s) + mic.GsGetDescription(5) +
                                                           kOverlapped + "Spectrum Forbidden Range"
                                                     : std::string();
      if (std::vector<CheckConflict>* out = handler.GxConflicts()) out->push_back(CheckConflict::OutsideSpectrum(s, m));
      if (handler.GIsAbortAfterCheck(text)) return true;
    }
  }
  return false;
}

// Every channel against the products its own system's type checks, those of system s in
// indexOf(s).
template <class IndexOf>
void CheckProducts(const CProject& project, TcCheckHandler& handler, IndexOf&& indexOf) {
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const ProductIndex& index = indexOf(s);
    const KindTable table(*project.GcSystem(s)->GcSystemType());
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m) {
      const CMicInstance& mic = *mics.GcItem(m);
      const int64_t pos = index.FirstHit(mic.GfGetFreq(), m, s, table);
      if (pos < 0) continue;
      const TcIMFrequency product = index.Item(pos);
      const std::string text = handler.GbNeedsText() ? project.SystemPrefix(s) + mic.GsGetDescription(5) +
                                                           kOverlapped + project.GetProductDescription(product)
                                                     : std::string();
      if (std::vector<CheckConflict>* out = handler.GxConflicts()) out->push_back(CheckConflict::HitBy(s, m, product));
      if (handler.GIsAbortAfterCheck(text)) return;
    }
  }
}

// The check of a project whose systems stand in several groups of zones: each group's channels
// against the products of the single channels that reach it (its own and those of near groups)
// and then the intermodulation products of its own transmitters.
void CheckZoned(const CProject& project, TcCheckHandler& handler, const ZoneLayout& zones) {
  if (CheckSpectra(project, handler)) return;
  const size_t groups = static_cast<size_t>(zones.groups);
  std::vector<TcIMFrequencyBuffer> channels(groups);
  std::vector<std::shared_ptr<TcIMFrequencyBuffer>> im(groups);
  std::vector<ProductIndex> index;
  index.reserve(groups);
  for (size_t g = 0; g < groups; ++g) {
    project.GAddChannelProducts(channels[g], zones.reach[g]);
    im[g] = TL_IMProductsOf(project, zones.members[g], IMTally::kFirsts);
    index.emplace_back(channels[g], im[g].get());
  }
  CheckProducts(project, handler,
                [&](int32_t s) -> const ProductIndex& { return index[static_cast<size_t>(zones.groupOf[static_cast<size_t>(s)])]; });
}

}  // namespace

void CProject::RunChecks(TcCheckHandler& handler) const {
  if (const ZoneLayout zones = GZoneLayout(); !zones.Single()) {
    CheckZoned(*this, handler, zones);
    return;
  }
  if (CheckSpectra(*this, handler)) return;
  const std::shared_ptr<TcIMFrequencyBuffer> buffer = GGetCheckProducts();
  const ProductIndex index(*buffer, nullptr);
  CheckProducts(*this, handler, [&index](int32_t) -> const ProductIndex& { return index; });
}

void CProject::RunChecks(TcCheckHandler& handler, TcProductTracker& imProducts) const {
  // The tracker follows the products of one group; several groups are checked in full.
  if (const ZoneLayout zones = GZoneLayout(); !zones.Single()) {
    CheckZoned(*this, handler, zones);
    return;
  }
  if (CheckSpectra(*this, handler)) return;
  imProducts.Update(*this);
  TcIMFrequencyBuffer channels;
  GAddChannelProducts(channels);
  const ProductIndex index(channels, nullptr, &imProducts);
  CheckProducts(*this, handler, [&index](int32_t) -> const ProductIndex& { return index; });
}

std::string CProject::GetProductDescription(const TcIMFrequency& product) const {
  auto source = [this, &product](int32_t i) {
    return GcSystem(product.GlSysNr(i))->GcMics()->GcItem(product.GlMicNr(i))->GsGetDescription(5);
  };
  const std::string label = product.GetIMTypeLabel();
  const std::string freq = MN_FormatFreq(product.GdFreq());
  const int32_t type = product.GeIMType();
  if (type == kIM2Tx3 || type == kIM2Tx5) return label + freq + "   created by   " + source(0) + " and " + source(1);
  if (type == kIM3Tx3)
    return label + freq + "   created by   " + source(0) + " and " + source(1) + " and " + source(2);
  if (type >= kIMLocalOsc && type <= kIMChannel)
    return SystemPrefix(product.GlSysNr(0)) + source(0) + " " + label + " at " + freq;
  return label + freq;
}

}  // namespace kova
