#pragma once
// Keeping the frequency search away from what a venue scan found on the air: the scan's noise
// floor, the frequency ranges above a threshold, and those ranges cut out of a search spectrum.

#include <vector>

#include "model/CSpectrum.h"
#include "model/CSystemType.h"

namespace kova {

// One measured point of a scan: frequency in MHz, level in dBm.
struct ScanPoint {
  double mhz = 0.0;
  double dbm = 0.0;
};

// A closed frequency range in MHz.
struct FreqRange {
  double lo = 0.0;
  double hi = 0.0;
  bool operator==(const FreqRange&) const = default;
};

// Default distance of the threshold above the noise floor, in dB.
inline constexpr double kDefaultAboveFloor = 10.0;

// The median level of the points (the mean of the two middle levels for an even count); 0 for
// no points.
double ScanNoiseFloor(const std::vector<ScanPoint>& points);

// The ranges occupied by signals above `thresholdDbm` (strictly above: a level at the threshold
// is free). `points` are ascending by frequency. Each run of neighbouring points above the
// threshold becomes one range from its first to its last point, widened on each side by half
// the scan's point spacing (a level stands for the bin around its frequency) and by
// `halfWidth` (half the occupied width of the system's channels, since a signal at the edge of
// the run still spreads that far); overlapping or touching ranges are merged. Edges are rounded
// to whole hertz. Ascending.
std::vector<FreqRange> ScanExclusions(const std::vector<ScanPoint>& points, double thresholdDbm, double halfWidth);

// Half the width a channel of the type occupies, in MHz to whole hertz: its "Spectrum" width,
// or, for a type that gives that width as 0 (channels as points), its "Spacing" width, the
// room it keeps between two of its own channels. Without this a channel could be placed right
// beside a carrier the scan found.
double ScanHalfWidth(const CSystemType& type);

// A copy of `spectrum` with the ranges cut out: a band that a range crosses keeps the parts on
// either side (with the band's step), a band inside a range goes. Parts that would shrink to a
// single frequency are dropped, as such a band would name one wanted frequency. The new band
// edges are rounded away from the ranges, so single precision never lets a range back in.
SpectrumRef CutSpectrum(const CSpectrum& spectrum, const std::vector<FreqRange>& ranges);

}  // namespace kova
