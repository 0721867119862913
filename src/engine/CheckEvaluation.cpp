// The evaluation of the compatibility check: every channel against its system's search
// spectrum, then every channel against the interfering products of the project.
//
// Each channel is reported with the first product in buffer order that falls within its
// protection width. Rather than testing every channel against every product, the products are
// looked up around each channel's frequency: intermodulation products through the kilohertz
// bins of the buffer (each bin keeps the first product of each of the three intermodulation
// types, since each type is tested with its own switch and width), the few other products
// through a list sorted by frequency. Among the hits the lowest buffer position wins,
// which is the product a walk through the buffer would have met first. During a drag the
// intermodulation products come from the tracker that follows the moving channel: it is asked
// per kilohertz the same way, and its products follow those of the single channels in its
// generation order (the tracker keeps the first product of each kilohertz, which is the first of
// its type while only one intermodulation type is on). So does the table of first products of
// each type (IMFirstTable.h) that stands in for the intermodulation products of many channels.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "engine/CheckKinds.h"
#include "engine/IMFirstTable.h"
#include "engine/IMGeneration.h"
#include "engine/TcCheckHandler.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "engine/TcProductTracker.h"
#include "model/CProject.h"
#include "tools/Tools.h"
#include "tools/VectorState.h"

namespace kova {

namespace {

const char* const kOverlapped = "   overlapped by   ";

// Whether a product of check kind k at p counts against a channel at f (single precision).
inline bool HitsAt(float p, int32_t k, float f, const KindTable& t) {
  if (!t.on[k] || p == 0.0f) return false;
  const float w = t.width[k];
  const float lo = p - w;
  const float hi = p + w;
  return lo <= f && f <= hi;
}

// Whether `product` counts against channel m of system s at frequency f (single precision).
inline bool Hits(const TcIMFrequency& product, float f, int32_t m, int32_t s, const KindTable& t) {
  const int32_t k = product.GGetBWDType();
  if (k == kCheckSpacing && product.GlMicNr(0) == m && product.GlSysNr(0) == s) return false;  // its own frequency
  return HitsAt(product.GfFreq(), k, f, t);
}

// The products of a check in up to two parts, numbered on from one part to the next: the
// products of single channels and the intermodulation products may come as one buffer or as two,
// or the intermodulation products from a tracker or a table of first products (numbered after the
// buffer by generation order).
class ProductIndex {
 public:
  ProductIndex(const TcIMFrequencyBuffer& first, const TcIMFrequencyBuffer* second,
               const TcProductTracker* tracked = nullptr, const IMFirstTable* table = nullptr)
      : tracked_(tracked), table_(table) {
    AddPart(first);
    if (second) AddPart(*second);
    trackedFrom_ = parts_.back().offset + parts_.back().buffer->GCount();
    std::sort(sorted_.begin(), sorted_.end(), [](const Entry& a, const Entry& b) {
      return a.p < b.p || (a.p == b.p && a.pos < b.pos);
    });
  }

  TcIMFrequency Item(int64_t pos) const {
    if (pos >= trackedFrom_) {
      const int32_t bin = trackedBin_[static_cast<size_t>(pos - trackedFrom_)] / 4;
      const int32_t type = trackedBin_[static_cast<size_t>(pos - trackedFrom_)] % 4;
      if (table_) return table_->ItemOfType(bin, type);
      uint64_t key = 0;
      IMFirst first{};
      tracked_->FirstAt(bin, first, key);
      return tracked_->ItemOf(first);
    }
    const Part& part = pos >= parts_[0].offset + parts_[0].buffer->GCount() ? parts_[1] : parts_[0];
    return part.buffer->Items()[static_cast<size_t>(pos - part.offset)];
  }

  // The intermodulation types switched on in the project: the tracker keeps only the first
  // product of each kilohertz, which is the first of its type while only one type is on.
  void SetKinds(IMKinds kinds) { kinds_ = kinds; }
  // Whether the last FirstHit could not be answered from the tracker alone: a kilohertz whose
  // first product missed the channel may hold a product of another type that hits it.
  bool Uncertain() const { return uncertain_; }

  // Position of the first product that hits channel m of system s at f; -1 for none.
  int64_t FirstHit(float f, int32_t m, int32_t s, const KindTable& t) const {
    uncertain_ = false;
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

    if (int32_t kLo = 0, kHi = 0; t.IMBins(f, kLo, kHi)) {
      for (const Part& part : parts_) {
        if (!part.useBins) continue;
        const std::vector<TcIMFrequency>& items = part.buffer->Items();
        for (int32_t bin = kLo; bin <= kHi; ++bin)
          for (int32_t type = 0; type < 3; ++type) {
            const int32_t pos = part.buffer->GlBinItem(bin, type);
            if (pos >= 0 && pos + part.offset < best && Hits(items[static_cast<size_t>(pos)], f, m, s, t))
              best = pos + part.offset;
          }
      }
      if ((tracked_ || table_) && best == std::numeric_limits<int64_t>::max()) {
        // The tracker's or the table's products come after the buffers' products, among
        // themselves in generation order; the first hit's kilohertz is noted so that Item finds
        // it again.
        int32_t hitBin = -1, hitType = 0;
        uint64_t bestKey = std::numeric_limits<uint64_t>::max();
        for (int32_t bin = kLo; bin <= kHi; ++bin)
          for (int32_t of = 0; of < 3; ++of) {
            uint64_t key = 0;
            float p = 0.0f;
            int32_t type = of;
            if (!LaterAt(bin, of, key, p, type)) continue;
            if (key < bestKey && HitsAt(p, TL_IMCheckKind(type), f, t)) {
              bestKey = key;
              hitBin = bin;
              hitType = type;
            } else if (tracked_ && key < bestKey && OtherTypeCouldHit(bin, type, f, t)) {
              uncertain_ = true;  // a later product of another type there may hit
            }
          }
        if (hitBin >= 0) {
          trackedBin_.push_back(hitBin * 4 + hitType);
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

  bool OtherTypeCouldHit(int32_t bin, int32_t type, float f, const KindTable& t) const {
    const bool on[3] = {kinds_.im3, kinds_.im5, kinds_.im3x3};
    for (int32_t other = 0; other < 3; ++other) {
      const int32_t k = TL_IMCheckKind(other);
      // A product of the kilohertz lies within half a kilohertz of it (and its rounding).
      if (other != type && on[other] && t.on[k] &&
          std::fabs(static_cast<double>(f) * 1000.0 - bin) <= std::fabs(static_cast<double>(t.width[k])) * 1000.0 + 0.6)
        return true;
    }
    return false;
  }

  // The first product of type `of` on kilohertz `bin` from the table, or the first product of the
  // kilohertz from the tracker (asked once, for `of` 0); false for none.
  bool LaterAt(int32_t bin, int32_t of, uint64_t& key, float& p, int32_t& type) const {
    if (table_) {
      key = table_->KeyOfType(bin, of, p);
      type = of;
      return key != IMFirstTable::kNone;
    }
    if (of != 0) return false;
    IMFirst first{};
    if (!tracked_->FirstAt(bin, first, key)) return false;
    p = first.f;
    type = first.type;
    return true;
  }

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
  const IMFirstTable* table_ = nullptr;
  int64_t trackedFrom_ = 0;                  // the place of the first tracked product
  mutable std::vector<int32_t> trackedBin_;  // kilohertz * 4 + type of each later hit reported
  IMKinds kinds_;
  mutable bool uncertain_ = false;
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
// indexOf(s). A channel that index cannot answer alone (Uncertain) is asked of exact(s).
template <class IndexOf, class Exact>
void CheckProducts(const CProject& project, TcCheckHandler& handler, IndexOf&& indexOf, Exact&& exact) {
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const ProductIndex* index = &indexOf(s);
    const KindTable table(*project.GcSystem(s)->GcSystemType());
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m) {
      const CMicInstance& mic = *mics.GcItem(m);
      const ProductIndex* asked = index;
      int64_t pos = index->FirstHit(mic.GfGetFreq(), m, s, table);
      if (index->Uncertain()) {
        asked = &exact(s);
        pos = asked->FirstHit(mic.GfGetFreq(), m, s, table);
      }
      if (pos < 0) continue;
      const TcIMFrequency product = asked->Item(pos);
      const std::string text = handler.GbNeedsText() ? project.SystemPrefix(s) + mic.GsGetDescription(5) +
                                                           kOverlapped + project.GetProductDescription(product)
                                                     : std::string();
      if (std::vector<CheckConflict>* out = handler.GxConflicts()) out->push_back(CheckConflict::HitBy(s, m, product));
      if (handler.GIsAbortAfterCheck(text)) return;
    }
  }
}

// The kilohertz that the check looks at for intermodulation products near the channels of the
// systems in `slotMask`.
std::vector<BinWindow> IMWindowsOf(const CProject& project, uint32_t slotMask) {
  std::vector<BinWindow> windows;
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    if (!((slotMask >> s) & 1u)) continue;
    const KindTable table(*project.GcSystem(s)->GcSystemType());
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m)
      if (BinWindow w{}; table.IMBins(mics.GcItem(m)->GfGetFreq(), w.lo, w.hi)) windows.push_back(w);
  }
  return windows;
}

// The kilohertz on which the check may need the first product of another type than the
// kilohertz's first product (in `table`), per type: where that first product does not hit a
// member's channel near it, and a product of the other type, which the channel's type checks,
// could hit it from that kilohertz. Elsewhere the first product decides (it comes first in
// generation order, and it hits).
void OtherTypesNeeded(const CProject& project, uint32_t members, const IMFirstTable& table, IMKinds kinds,
                      std::vector<int32_t> (&needed)[3]) {
  const bool on[3] = {kinds.im3, kinds.im5, kinds.im3x3};
  if (on[0] + on[1] + on[2] < 2) return;
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    if (!((members >> s) & 1u)) continue;
    const KindTable t(*project.GcSystem(s)->GcSystemType());
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m) {
      const float f = mics.GcItem(m)->GfGetFreq();
      int32_t kLo = 0, kHi = 0;
      if (!t.IMBins(f, kLo, kHi)) continue;
      const double at = static_cast<double>(f) * 1000.0;
      for (int32_t bin = kLo; bin <= kHi; ++bin) {
        float p = 0.0f;
        int32_t type = 0;
        if (table.KeyAt(bin, p, type) == IMFirstTable::kNone || HitsAt(p, TL_IMCheckKind(type), f, t)) continue;
        for (int32_t other = 0; other < 3; ++other) {
          const int32_t k = TL_IMCheckKind(other);
          // A product of the kilohertz lies within half a kilohertz of it (and its rounding).
          if (other != type && on[other] && t.on[k] &&
              std::fabs(at - bin) <= std::fabs(static_cast<double>(t.width[k])) * 1000.0 + 0.6)
            needed[other].push_back(bin);
        }
      }
    }
  }
  for (std::vector<int32_t>& bins : needed) {
    std::sort(bins.begin(), bins.end());
    bins.erase(std::unique(bins.begin(), bins.end()), bins.end());
  }
}

// What the channels of one group of systems (`members`) are checked against: the products of the
// single channels of the systems in `reach`, then the intermodulation products of the members,
// as a buffer or, for many channels, as a table of the first products near the members' channels.
class GroupProducts {
 public:
  GroupProducts(const CProject& project, uint32_t reach, uint32_t members) {
    project.GAddChannelProducts(channels_, reach);
    std::vector<IMSource> all = IMSourcesOf(project, members);
    const IMKinds kinds = IMKindsOf(project);
    const std::vector<BinWindow> windows = IMWindowsOf(project, members);
    if (windows.empty()) {
      // None of the members checks intermodulation products.
      index_ = std::make_unique<ProductIndex>(channels_, nullptr);
    } else if (IMFirstTable::Pays(all, kinds, windows)) {
      table_ = std::make_unique<IMFirstTable>(std::move(all), kinds, windows);
      std::vector<int32_t> needed[3];
      OtherTypesNeeded(project, members, *table_, kinds, needed);
      table_->AddTypes(kinds, needed);
      index_ = std::make_unique<ProductIndex>(channels_, nullptr, nullptr, table_.get());
    } else {
      im_ = TL_IMProductsOf(project, members, IMTally::kFirsts);
      index_ = std::make_unique<ProductIndex>(channels_, im_.get());
    }
  }
  GroupProducts(const GroupProducts&) = delete;
  GroupProducts& operator=(const GroupProducts&) = delete;

  const ProductIndex& Index() const { return *index_; }

 private:
  TcIMFrequencyBuffer channels_;
  std::shared_ptr<TcIMFrequencyBuffer> im_;
  std::unique_ptr<IMFirstTable> table_;
  std::unique_ptr<ProductIndex> index_;
};

// The check of a project whose systems stand in several groups of zones: each group's channels
// against the products of the single channels that reach it (its own and those of near groups)
// and then the intermodulation products of its own transmitters.
void CheckZoned(const CProject& project, TcCheckHandler& handler, const ZoneLayout& zones) {
  if (CheckSpectra(project, handler)) return;
  std::vector<std::unique_ptr<GroupProducts>> groups;
  for (size_t g = 0; g < static_cast<size_t>(zones.groups); ++g)
    groups.push_back(std::make_unique<GroupProducts>(project, zones.reach[g], zones.members[g]));
  const auto groupOf = [&](int32_t s) -> const ProductIndex& {
    return groups[static_cast<size_t>(zones.groupOf[static_cast<size_t>(s)])]->Index();
  };
  CheckProducts(project, handler, groupOf, groupOf);
}

}  // namespace

void CProject::RunChecks(TcCheckHandler& handler) const {
  ClearUpperVectorState();
  if (const ZoneLayout zones = GZoneLayout(); !zones.Single()) {
    CheckZoned(*this, handler, zones);
    return;
  }
  if (CheckSpectra(*this, handler)) return;
  const GroupProducts products(*this, ~0u, ~0u);
  const auto all = [&products](int32_t) -> const ProductIndex& { return products.Index(); };
  CheckProducts(*this, handler, all, all);
}

void CProject::RunChecks(TcCheckHandler& handler, TcProductTracker& imProducts) const {
  ClearUpperVectorState();
  // The tracker follows the products of one group; several groups are checked in full.
  if (const ZoneLayout zones = GZoneLayout(); !zones.Single()) {
    CheckZoned(*this, handler, zones);
    return;
  }
  if (CheckSpectra(*this, handler)) return;
  imProducts.Update(*this);
  TcIMFrequencyBuffer channels;
  GAddChannelProducts(channels);
  ProductIndex index(channels, nullptr, &imProducts);
  index.SetKinds(IMKindsOf(*this));
  // The tracker keeps the first product of each kilohertz. With more than one intermodulation
  // type on, a channel next to a kilohertz whose first product misses it, but whose later
  // product of another type may not, is checked against the products found in full.
  std::unique_ptr<GroupProducts> full;
  CheckProducts(
      *this, handler, [&index](int32_t) -> const ProductIndex& { return index; },
      [&](int32_t) -> const ProductIndex& {
        if (!full) full = std::make_unique<GroupProducts>(*this, ~0u, ~0u);
        return full->Index();
      });
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
