// The evaluation of the compatibility check: every channel against its system's search
// spectrum, then every channel against the interfering products of the project.
//
// Each channel is reported with the first product in buffer order that falls within its
// protection width. Rather than testing every channel against every product, the products are
// looked up around each channel's frequency: intermodulation products through the kilohertz
// bins of the buffer (each bin keeps exactly one such product, the first), the few other
// products through a list sorted by frequency. Among the hits the lowest buffer position wins,
// which is the product a walk through the buffer would have met first.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/CheckKinds.h"
#include "engine/TcCheckHandler.h"
#include "engine/TcIMFrequencyBuffer.h"
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

class ProductIndex {
 public:
  explicit ProductIndex(const TcIMFrequencyBuffer& buffer) : buffer_(buffer), useBins_(buffer.GbBinItemsValid()) {
    const std::vector<TcIMFrequency>& items = buffer.Items();
    for (size_t i = 0; i < items.size(); ++i) {
      const TcIMFrequency& item = items[i];
      if (useBins_ && TL_IsCountedIM(item.GeIMType())) continue;  // found through the bins
      const float p = item.GfFreq();
      if (p == 0.0f || std::isnan(p)) continue;  // such a product never counts
      sorted_.push_back({p, static_cast<int32_t>(i)});
    }
    std::sort(sorted_.begin(), sorted_.end(), [](const Entry& a, const Entry& b) {
      return a.p < b.p || (a.p == b.p && a.pos < b.pos);
    });
  }

  // Buffer position of the first product that hits channel m of system s at f; -1 for none.
  int32_t FirstHit(float f, int32_t m, int32_t s, const KindTable& t) const {
    if (std::isnan(f) || t.reachAll < 0) return -1;
    const std::vector<TcIMFrequency>& items = buffer_.Items();
    int32_t best = std::numeric_limits<int32_t>::max();
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
      if (it->pos < best && Hits(items[static_cast<size_t>(it->pos)], f, m, s, t)) best = it->pos;

    if (useBins_ && t.reachIM >= 0) {
      // A product's bin is within half a kilohertz (plus its narrowing) of its frequency.
      const double imSlack = 1e-6 * (std::fabs(fd) + t.reachIM);
      double kLo = std::floor((fd - t.reachIM - imSlack) * 1000.0) - 2.0;
      double kHi = std::ceil((fd + t.reachIM + imSlack) * 1000.0) + 2.0;
      if (!(kLo >= 0.0)) kLo = 0.0;
      if (!(kHi <= TcIMFrequencyBuffer::kMaxBin)) kHi = TcIMFrequencyBuffer::kMaxBin;
      if (kLo <= kHi) {
        for (int32_t bin = static_cast<int32_t>(kLo), end = static_cast<int32_t>(kHi); bin <= end; ++bin) {
          const int32_t pos = buffer_.GlBinItem(bin);
          if (pos >= 0 && pos < best && Hits(items[static_cast<size_t>(pos)], f, m, s, t)) best = pos;
        }
      }
    }
    return best == std::numeric_limits<int32_t>::max() ? -1 : best;
  }

 private:
  struct Entry {
    float p;
    int32_t pos;
  };
  const TcIMFrequencyBuffer& buffer_;
  const bool useBins_;
  std::vector<Entry> sorted_;
};

}  // namespace

void CProject::RunChecks(TcCheckHandler& handler) const {
  const int32_t systems = GlSystems();

  // Every channel must fit into its system's search spectrum with its whole occupied width.
  for (int32_t s = 0; s < systems; ++s) {
    const CSystemType& type = *systems_[s]->GcSystemType();
    if (!type.GbCheckFlag(kCheckSpectrum)) continue;
    const float w = type.GfBandwidth(kCheckSpectrum);
    const CSpectrum& spectrum = *spectra_[s];
    const CMicCollection& mics = *systems_[s]->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m) {
      const CMicInstance& mic = *mics.GcItem(m);
      if (spectrum.GIsFreqAvailable(mic.GfGetFreq(), w)) continue;
      const std::string text =
          handler.GbNeedsText() ? SystemPrefix(s) + mic.GsGetDescription(5) + kOverlapped + "Spectrum Forbidden Range"
                                : std::string();
      if (std::vector<CheckConflict>* out = handler.GxConflicts()) out->push_back(CheckConflict::OutsideSpectrum(s, m));
      if (handler.GIsAbortAfterCheck(text)) return;
    }
  }

  // Every channel against the products its own system's type checks.
  std::shared_ptr<TcIMFrequencyBuffer> buffer = GGetBadBuffer(false);
  const ProductIndex index(*buffer);
  for (int32_t s = 0; s < systems; ++s) {
    const KindTable table(*systems_[s]->GcSystemType());
    const CMicCollection& mics = *systems_[s]->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m) {
      const CMicInstance& mic = *mics.GcItem(m);
      const int32_t pos = index.FirstHit(mic.GfGetFreq(), m, s, table);
      if (pos < 0) continue;
      const std::string text = handler.GbNeedsText() ? SystemPrefix(s) + mic.GsGetDescription(5) + kOverlapped +
                                                           GetProductDescription(buffer->GcItem(pos))
                                                     : std::string();
      if (std::vector<CheckConflict>* out = handler.GxConflicts())
        out->push_back(CheckConflict::HitBy(s, m, buffer->GcItem(pos)));
      if (handler.GIsAbortAfterCheck(text)) return;
    }
  }
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
