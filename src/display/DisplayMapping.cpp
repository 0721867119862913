#include "display/DisplayMapping.h"

#include <algorithm>
#include <cmath>

#include "tools/Tools.h"

namespace kova {

namespace {
double Hold(double f) { return TL_Clamp(f, DisplayMapping::kMinFreq, DisplayMapping::kMaxFreq); }
}  // namespace

void DisplayMapping::SetLower(double f) { lower_ = Hold(f); }
void DisplayMapping::SetUpper(double f) { upper_ = Hold(f); }
void DisplayMapping::SetLimits(double lower, double upper) {
  SetLower(lower);
  SetUpper(upper);
}

double DisplayMapping::ZoomLower(double lo) { return Hold(static_cast<double>(TL_RoundLong(lo) / 10) * 10.0 - 10.0); }
double DisplayMapping::ZoomUpper(double hi) { return Hold(static_cast<double>(TL_RoundLong(hi) / 10) * 10.0 + 10.0); }

void DisplayMapping::ZoomTo(double lo, double hi) {
  lower_ = ZoomLower(lo);
  upper_ = ZoomUpper(hi);
}

int32_t DisplayMapping::ScrollValue() const {
  return TL_RoundLong((lower_ + upper_) * 0.5 / kMaxFreq * kScrollMax);
}

bool DisplayMapping::ScrollTo(int32_t value, int32_t barMin, int32_t barMax) {
  if (barMax <= barMin) return false;
  const double span = Span();
  const double centre = static_cast<double>(value) / (barMax - barMin) * kMaxFreq;
  if (centre + span / 2 > kMaxFreq || centre - span / 2 < kMinFreq) return false;
  SetLimits(centre - span / 2, centre + span / 2);
  return true;
}

bool DisplayMapping::ZoomAround(double f, double factor) {
  if (!(factor > 0) || !std::isfinite(f)) return false;
  double lo = f - (f - lower_) * factor;
  double hi = f + (upper_ - f) * factor;
  if (hi - lo < 1.0) return false;
  lo = Hold(lo);
  hi = Hold(hi);
  if (lo == lower_ && hi == upper_) return false;
  lower_ = lo;
  upper_ = hi;
  return true;
}

double DisplayMapping::XOf(double f, int32_t width) const {
  const double span = Span();
  return span > 0 ? (f - lower_) / span * width : 0.0;
}

double DisplayMapping::FreqAt(double x, int32_t width) const {
  return width > 0 ? lower_ + x / width * Span() : lower_;
}

double DisplayMapping::YOf(double y, int32_t height) { return (y - kScaleTop) / kScaleHeight * height; }

int32_t DisplayMapping::TickStep(double textWidth) {
  int32_t s = 10 * static_cast<int32_t>(std::floor(0.4 * textWidth));
  s = std::min(s, 200);
  if (s < 10) {
    const double quarter = std::floor(4 * textWidth);
    s = quarter < 2 ? 1 : (quarter < 4 ? 2 : 5);
  }
  return s;
}

int32_t DisplayMapping::FirstTick(double lower, int32_t step) {
  return static_cast<int32_t>(std::floor(lower / step)) * step;
}

double DisplayMapping::ProductTop(int32_t n) { return 1.2 + 0.057 * std::log2(static_cast<double>(n)); }

}  // namespace kova
