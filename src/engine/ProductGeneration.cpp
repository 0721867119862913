// Generation of the interfering products of a project: the channel frequencies themselves (for
// the spacing test), the receiver-specific frequencies of every channel, and the intermodulation
// products of every pair and triple of channels across both systems.

#include <vector>

#include "engine/TcIMFrequencyBuffer.h"
#include "model/CProject.h"

namespace kova {

namespace {

// Products outside 0..1000 MHz (the range of the kilohertz bins) are dropped.
inline bool InWindow(double f) { return f >= 0.0 && f <= 1000.0; }

struct Source {
  double f;     // channel frequency, widened from single precision
  int32_t mic;  // position in its own system's list (1-based)
  int32_t sys;  // system slot
};

// An intermodulation product waiting to be counted: frequency, kilohertz index, type, sub-type
// and the overall positions of its second and third source (-1 for none).
struct Pending {
  double f;
  int32_t bin;
  uint8_t type;
  uint8_t sub;
  int32_t b;
  int32_t c;
};

inline void Queue(std::vector<Pending>& pending, double f, uint8_t type, uint8_t sub, int32_t b, int32_t c) {
  if (InWindow(f)) pending.push_back({f, TcIMFrequencyBuffer::KHzIndex(f), type, sub, b, c});
}

}  // namespace

std::shared_ptr<TcIMFrequencyBuffer> CProject::GGetBadBuffer(bool bIMOnly) const {
  auto buffer = std::make_shared<TcIMFrequencyBuffer>();
  TcIMFrequencyBuffer& out = *buffer;
  const int32_t systems = GlSystems();

  // Single-channel products, per system and channel in list order, row by row.
  if (!bIMOnly) {
    const bool spacing = IsCheckActive(kCheckSpacing);
    const bool lo = IsCheckActive(kCheckLocalOscillator);
    const bool image = IsCheckActive(kCheckReferenceImage);
    const bool imageHalf = IsCheckActive(kCheckRefImageHalf);
    const bool imageThird = IsCheckActive(kCheckRefImageThird);
    const bool image2 = IsCheckActive(kCheck2ndRefImage);
    const double third = 1.0 / 3.0 + 1.0;
    for (int32_t s = 0; s < systems; ++s) {
      const CSystemType& type = *systems_[s]->GcSystemType();
      const double fLo = type.GfGetLOFreq();
      const double fLO2 = type.GfGetLOFreq2();
      const CMicCollection& mics = *systems_[s]->GcMics();
      for (int32_t j = 1; j <= mics.GCount(); ++j) {
        const double f = mics.GcItem(j)->GfGetFreq();
        auto add = [&](bool active, double freq, int32_t type) {
          if (active && InWindow(freq)) out.GAdd(freq, type, 0, j, s, 0, 0, 0, 0);
        };
        add(spacing, f, kIMChannel);
        add(lo, f + 1.0 * fLo, kIMLocalOsc);
        add(image, f + 2.0 * fLo, kIMRefImage);
        add(imageHalf, f + 1.5 * fLo, kIMRefImageHalf);
        add(imageThird, f + third * fLo, kIMRefImageThird);
        add(image2, f + 2.0 * fLO2, kIM2ndRefImage);
      }
    }
  }

  // Intermodulation products of all pairs and triples of the overall channels.
  const bool im3 = IsCheckActive(kCheck2TxIM3);
  const bool im5 = IsCheckActive(kCheck2TxIM5);
  const bool im3x3 = IsCheckActive(kCheck3TxIM3);
  if (!im3 && !im5 && !im3x3) return buffer;

  // The overall channels, system 0 first, read in place rather than copied.
  std::vector<Source> all;
  all.reserve(static_cast<size_t>(GlGetOverallMics()));
  for (int32_t s = 0; s < systems; ++s) {
    const CMicCollection& mics = *systems_[s]->GcMics();
    for (int32_t j = 1; j <= mics.GCount(); ++j) all.push_back({mics.GcItem(j)->GfGetFreq(), j, s});
  }

  // The products of each first channel are listed in generation order with their kilohertz
  // index, then counted into the buffer with the bins of the products a few steps ahead already
  // requested from memory: the bins are spread over megabytes, and waiting for each of them in
  // turn would dominate the generation.
  const size_t n = all.size();
  thread_local std::vector<Pending> pending;  // kept between calls: no fresh memory per call
  for (size_t a = 0; a < n; ++a) {
    pending.clear();
    const double f1 = all[a].f;
    for (size_t b = a + 1; b < n; ++b) {
      const double f2 = all[b].f;
      const int32_t ib = static_cast<int32_t>(b);
      if (im3) {
        Queue(pending, 2.0 * f1 - f2, kIM2Tx3, 1, ib, -1);
        Queue(pending, 2.0 * f2 - f1, kIM2Tx3, 2, ib, -1);
      }
      if (im5) {
        Queue(pending, 3.0 * f1 - 2.0 * f2, kIM2Tx5, 1, ib, -1);
        Queue(pending, 3.0 * f2 - 2.0 * f1, kIM2Tx5, 2, ib, -1);
      }
      if (im3x3) {
        for (size_t c = b + 1; c < n; ++c) {
          const double f3 = all[c].f;
          const int32_t ic = static_cast<int32_t>(c);
          Queue(pending, f1 + f2 - f3, kIM3Tx3, 1, ib, ic);
          Queue(pending, f3 + (f1 - f2), kIM3Tx3, 2, ib, ic);
          Queue(pending, f3 + (f2 - f1), kIM3Tx3, 3, ib, ic);
        }
      }
    }
    constexpr size_t kAhead = 12;
    const size_t count = pending.size();
    for (size_t i = 0; i < count && i < kAhead; ++i) out.PrefetchBin(pending[i].bin);
    const Source& sa = all[a];
    for (size_t i = 0; i < count; ++i) {
      if (i + kAhead < count) out.PrefetchBin(pending[i + kAhead].bin);
      const Pending& p = pending[i];
      const Source& sb = all[static_cast<size_t>(p.b)];
      const int32_t micC = p.c >= 0 ? all[static_cast<size_t>(p.c)].mic : 0;
      const int32_t sysC = p.c >= 0 ? all[static_cast<size_t>(p.c)].sys : 0;
      out.GAddCountedAtBin(p.bin, p.f, p.type, p.sub, sa.mic, sa.sys, sb.mic, sb.sys, micC, sysC);
    }
  }
  return buffer;
}

}  // namespace kova
