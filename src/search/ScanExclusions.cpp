#include "search/ScanExclusions.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kova {

namespace {

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  const size_t mid = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid), values.end());
  const double upper = values[mid];
  if (values.size() % 2 == 1) return upper;
  const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid));
  return (lower + upper) / 2.0;
}

// The nearest single-precision values at or below / at or above x.
float FloatAtOrBelow(double x) {
  float f = static_cast<float>(x);
  if (static_cast<double>(f) > x) f = std::nextafter(f, -std::numeric_limits<float>::infinity());
  return f;
}
float FloatAtOrAbove(double x) {
  float f = static_cast<float>(x);
  if (static_cast<double>(f) < x) f = std::nextafter(f, std::numeric_limits<float>::infinity());
  return f;
}

// Range edges are kept to whole hertz, so that sums like 480 - 0.025 - 0.1 give the edge a user
// reads (479.875) and not a value a rounding error below it.
double ToWholeHertz(double mhz) { return std::round(mhz * 1e6) / 1e6; }

}  // namespace

double ScanNoiseFloor(const std::vector<ScanPoint>& points) {
  std::vector<double> levels;
  levels.reserve(points.size());
  for (const ScanPoint& p : points) levels.push_back(p.dbm);
  return Median(std::move(levels));
}

std::vector<FreqRange> ScanExclusions(const std::vector<ScanPoint>& points, double thresholdDbm, double halfWidth) {
  std::vector<FreqRange> ranges;
  if (points.empty()) return ranges;

  // The scan's resolution: the usual distance of neighbouring points. A point next to a gap in
  // the scan (between two sweeps that do not meet) still stands for this much only.
  std::vector<double> gaps;
  gaps.reserve(points.size());
  for (size_t i = 1; i < points.size(); ++i) gaps.push_back(points[i].mhz - points[i - 1].mhz);
  const double resolution = Median(std::move(gaps));
  const double widen = std::max(0.0, halfWidth);

  for (size_t i = 0; i < points.size();) {
    if (!(points[i].dbm > thresholdDbm)) {
      ++i;
      continue;
    }
    size_t last = i;
    while (last + 1 < points.size() && points[last + 1].dbm > thresholdDbm) ++last;
    const double before = i > 0 ? std::min(resolution, points[i].mhz - points[i - 1].mhz) : resolution;
    const double after =
        last + 1 < points.size() ? std::min(resolution, points[last + 1].mhz - points[last].mhz) : resolution;
    FreqRange r{ToWholeHertz(points[i].mhz - before / 2.0 - widen),
                ToWholeHertz(points[last].mhz + after / 2.0 + widen)};
    if (!ranges.empty() && r.lo <= ranges.back().hi)
      ranges.back().hi = std::max(ranges.back().hi, r.hi);
    else
      ranges.push_back(r);
    i = last + 1;
  }
  return ranges;
}

double ScanHalfWidth(const CSystemType& type) {
  double width = type.GfBandwidth(kCheckSpectrum);
  if (!(width > 0.0)) width = type.GfBandwidth(kCheckSpacing);
  if (!(width > 0.0)) return 0.0;
  return ToWholeHertz(width / 2.0);
}

SpectrumRef CutSpectrum(const CSpectrum& spectrum, const std::vector<FreqRange>& ranges) {
  std::vector<FreqRange> sorted = ranges;
  std::sort(sorted.begin(), sorted.end(), [](const FreqRange& a, const FreqRange& b) { return a.lo < b.lo; });

  auto result = std::make_shared<CSpectrum>();
  result->GDefine();
  for (int32_t b = 1; b <= spectrum.GlBands(); ++b) {
    const CBand& band = *spectrum.GxGetBand(b);
    const float lo = band.GfLo(), hi = band.GfHi(), step = band.GfSteps();
    if (!(lo < hi)) {
      // A single wanted frequency (or a band without extent) stays unless a range holds it.
      const bool excluded = std::any_of(sorted.begin(), sorted.end(),
                                        [&](const FreqRange& r) { return lo >= r.lo && lo <= r.hi; });
      if (!excluded) result->GxAddBand(band.GGetCopy());
      continue;
    }
    float from = lo;
    bool open = true;  // `from` starts a part that is not cut yet
    for (const FreqRange& r : sorted) {
      if (r.hi < from || r.lo > hi) continue;
      if (r.lo > from) {
        const float to = FloatAtOrBelow(r.lo);
        if (from < to) result->GAddBand(from, to, step);
      }
      if (r.hi >= hi) {
        open = false;
        break;
      }
      from = std::max(from, FloatAtOrAbove(r.hi));
    }
    if (open && from < hi) result->GAddBand(from, hi, step);
  }
  return result;
}

}  // namespace kova
