#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "search/ScanExclusions.h"

using namespace kova;

namespace {

// Points one MHz apart from `first` on, all at -100 dBm except the given (frequency, level).
std::vector<ScanPoint> Scan(double first, int count, std::initializer_list<ScanPoint> peaks) {
  std::vector<ScanPoint> points;
  for (int i = 0; i < count; ++i) points.push_back({first + i, -100.0});
  for (const ScanPoint& p : peaks)
    for (ScanPoint& q : points)
      if (q.mhz == p.mhz) q.dbm = p.dbm;
  return points;
}

struct Band {
  float lo, hi, step;
  bool operator==(const Band&) const = default;
};

std::vector<Band> Bands(const CSpectrum& s) {
  std::vector<Band> out;
  for (int32_t i = 1; i <= s.GlBands(); ++i) {
    const CBand& b = *s.GxGetBand(i);
    out.push_back({b.GfLo(), b.GfHi(), b.GfSteps()});
  }
  return out;
}

CSpectrum Spectrum(const std::vector<Band>& bands) {
  CSpectrum s;
  s.GDefine();
  for (const Band& b : bands) s.GAddBand(b.lo, b.hi, b.step);
  return s;
}

}  // namespace

TEST(ScanNoiseFloor, IsTheMedianLevel) {
  EXPECT_EQ(ScanNoiseFloor({}), 0.0);
  EXPECT_EQ(ScanNoiseFloor({{1, -90}, {2, -40}, {3, -100}}), -90.0);
  EXPECT_EQ(ScanNoiseFloor({{1, -90}, {2, -40}, {3, -100}, {4, -80}}), -85.0);
}

TEST(ScanExclusions, RunsAboveTheThresholdWidenedAndMerged) {
  struct Case {
    const char* name;
    std::vector<ScanPoint> points;
    double threshold, halfWidth;
    std::vector<FreqRange> expected;
  };
  const std::vector<Case> cases = {
      // One point stands for its bin (half the spacing each side), plus half the channel width.
      {"single point", Scan(100, 11, {{105, -50}}), -90, 0.1, {{104.4, 105.6}}},
      {"run of points is one range", Scan(100, 11, {{104, -50}, {105, -60}, {106, -70}}), -90, 0.1, {{103.4, 106.6}}},
      {"separate carriers stay apart", Scan(100, 11, {{103, -50}, {106, -50}}), -90, 0.1,
       {{102.4, 103.6}, {105.4, 106.6}}},
      {"overlapping widened ranges merge", Scan(100, 11, {{103, -50}, {105, -50}}), -90, 0.6, {{101.9, 106.1}}},
      {"a level at the threshold is free", Scan(100, 11, {{105, -90}}), -90, 0.1, {}},
      {"carrier at the first point of the scan", Scan(100, 5, {{100, -50}}), -90, 0.0, {{99.5, 100.5}}},
      // A gap between two sweep ranges does not widen the range across the gap.
      {"point after a gap", {{100, -100}, {101, -100}, {102, -100}, {200, -50}, {201, -100}}, -90, 0.0,
       {{199.5, 200.5}}},
  };
  for (const Case& c : cases) {
    const std::vector<FreqRange> got = ScanExclusions(c.points, c.threshold, c.halfWidth);
    ASSERT_EQ(got.size(), c.expected.size()) << c.name;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_NEAR(got[i].lo, c.expected[i].lo, 1e-9) << c.name;
      EXPECT_NEAR(got[i].hi, c.expected[i].hi, 1e-9) << c.name;
    }
  }
}

TEST(CutSpectrum, RangesLeaveTheRestOfEachBandWithItsStep) {
  struct Case {
    const char* name;
    std::vector<Band> bands;
    std::vector<FreqRange> ranges;
    std::vector<Band> expected;
  };
  const std::vector<Case> cases = {
      {"band split", {{470, 500, 0.025f}}, {{480, 482}}, {{470, 480, 0.025f}, {482, 500, 0.025f}}},
      {"two cuts in one band", {{470, 500, 0.1f}}, {{475, 476}, {490, 491}},
       {{470, 475, 0.1f}, {476, 490, 0.1f}, {491, 500, 0.1f}}},
      {"range over a whole band", {{470, 480, 0.025f}, {500, 510, 0.05f}}, {{469, 481}}, {{500, 510, 0.05f}}},
      {"range over the lower edge", {{470, 480, 0.025f}}, {{460, 472}}, {{472, 480, 0.025f}}},
      {"range over the upper edge", {{470, 480, 0.025f}}, {{478, 490}}, {{470, 478, 0.025f}}},
      // A part shrunk to nothing must not turn into a single-frequency band.
      {"range from the band's edge", {{470, 480, 0.025f}}, {{470, 475}}, {{475, 480, 0.025f}}},
      {"range outside", {{470, 480, 0.025f}}, {{490, 491}}, {{470, 480, 0.025f}}},
      {"single frequency inside a range goes", {{475, 475, 0.025f}, {485, 485, 0.025f}}, {{474, 476}},
       {{485, 485, 0.025f}}},
      {"unsorted ranges", {{470, 500, 0.025f}}, {{490, 491}, {480, 481}},
       {{470, 480, 0.025f}, {481, 490, 0.025f}, {491, 500, 0.025f}}},
  };
  for (const Case& c : cases) {
    const CSpectrum spectrum = Spectrum(c.bands);
    EXPECT_EQ(Bands(*CutSpectrum(spectrum, c.ranges)), c.expected) << c.name;
  }
}

TEST(CutSpectrum, SinglePrecisionEdgesNeverReachIntoARange) {
  const CSpectrum spectrum = Spectrum({{470, 500, 0.025f}});
  const FreqRange range{480.00002, 481.99998};  // both nearer a single-precision value inside
  const std::vector<Band> got = Bands(*CutSpectrum(spectrum, {range}));
  ASSERT_EQ(got.size(), 2u);
  EXPECT_LE(static_cast<double>(got[0].hi), range.lo);
  EXPECT_GE(static_cast<double>(got[1].lo), range.hi);
}

TEST(ScanHalfWidth, SpectrumWidthElseSpacingWidth) {
  struct Case {
    float spectrum, spacing;
    double expected;
  };
  for (const Case& c : {Case{0.2f, 0.4f, 0.1}, Case{0.0f, 0.4f, 0.2}, Case{0.0f, 0.0f, 0.0}, Case{-1.0f, 0.3f, 0.15}}) {
    CSystemType type;
    type.GfBandwidth(kCheckSpectrum, c.spectrum);
    type.GfBandwidth(kCheckSpacing, c.spacing);
    EXPECT_EQ(ScanHalfWidth(type), c.expected) << c.spectrum << " " << c.spacing;
  }
}
