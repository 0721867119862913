#pragma once
// What the type of one system checks, as the check evaluation and the margin of a channel set
// read it: per check kind the switch, the protection width, and the width the check compares
// with.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "engine/TcIMFrequencyBuffer.h"
#include "model/CSystemType.h"

namespace kova {

struct KindTable {
  static constexpr int32_t kKinds = 10;

  std::array<bool, kKinds> on{};
  std::array<float, kKinds> protection{};  // the type's width of each kind
  // The width adjusted by 2 kHz (narrowed by 0.002 MHz when positive, widened otherwise, so a
  // width of 0 still catches products within 2 kHz): a product hits when it lies within it.
  std::array<float, kKinds> width{};
  double reachAll = -1.0;  // largest |width| over the switched-on kinds; < 0 when none
  double reachIM = -1.0;   // the same over the intermodulation kinds 4, 5 and 9

  explicit KindTable(const CSystemType& type) {
    for (int32_t k = 0; k < kKinds; ++k) {
      on[k] = type.GbCheckFlag(k);
      protection[k] = type.GfBandwidth(k);
      const double w = protection[k];
      width[k] = static_cast<float>(w > 0 ? w - 0.002 : w + 0.002);
      if (!on[k]) continue;
      const double reach = std::fabs(static_cast<double>(width[k]));
      reachAll = std::max(reachAll, reach);
      if (k == kCheck2TxIM3 || k == kCheck3TxIM3 || k == kCheck2TxIM5) reachIM = std::max(reachIM, reach);
    }
  }

  // The kilohertz bins lo ... hi whose intermodulation products can hit a channel at f: a
  // product's bin is within half a kilohertz (plus its narrowing) of its frequency. False when
  // there are none (no intermodulation kind on, or f not a number).
  bool IMBins(float f, int32_t& lo, int32_t& hi) const {
    if (std::isnan(f) || reachAll < 0 || reachIM < 0) return false;
    const double fd = f;
    const double slack = 1e-6 * (std::fabs(fd) + reachIM);
    double kLo = std::floor((fd - reachIM - slack) * 1000.0) - 2.0;
    double kHi = std::ceil((fd + reachIM + slack) * 1000.0) + 2.0;
    if (!(kLo >= 0.0)) kLo = 0.0;
    if (!(kHi <= TcIMFrequencyBuffer::kMaxBin)) kHi = TcIMFrequencyBuffer::kMaxBin;
    if (!(kLo <= kHi)) return false;
    lo = static_cast<int32_t>(kLo);
    hi = static_cast<int32_t>(kHi);
    return true;
  }
};

}  // namespace kova
