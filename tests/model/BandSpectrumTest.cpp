#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/CBand.h"
#include "model/CSpectrum.h"
#include "tools/BinaryFile.h"

using namespace kova;

static CBand Band(float lo, float hi, float step) {
  CBand b;
  b.GDefine(lo, hi, step);
  return b;
}

TEST(Band, GridIndexAndPoints) {
  CBand b = Band(470.0f, 470.2f, 0.025f);
  EXPECT_EQ(b.GlPoints(), 9);
  EXPECT_EQ(b.GlGetFreqIndex(470.0f), 1);
  EXPECT_EQ(b.GlGetFreqIndex(470.2f), 9);
  EXPECT_EQ(b.GlGetFreqIndex(469.999f), -1);
  EXPECT_EQ(b.GlGetFreqIndex(470.201f), -1);
  EXPECT_FLOAT_EQ(b.GfGetFreq(9), 470.2f);
  EXPECT_FLOAT_EQ(b.GfGetFreq(0), 470.0f - 0.025f);

  CBand unit = Band(100.0f, 110.0f, 1.0f);
  EXPECT_EQ(unit.GlGetFreqIndex(102.5f), 3);  // 2.5 rounds to 2
  EXPECT_EQ(unit.GlGetFreqIndex(103.5f), 5);  // 3.5 rounds to 4
  EXPECT_EQ(Band(100.0f, 102.5f, 1.0f).GlPoints(), 4);  // 3.5 -> 4: last point above the edge
  EXPECT_EQ(Band(100.0f, 101.5f, 1.0f).GlPoints(), 2);  // 2.5 -> 2
}

TEST(Band, NonPositiveStepHasOnePoint) {
  for (float step : {0.0f, -0.025f, std::numeric_limits<float>::quiet_NaN()}) {
    CBand b = Band(500.0f, 510.0f, step);
    EXPECT_EQ(b.GlPoints(), 1);
    EXPECT_EQ(b.GlGetFreqIndex(505.0f), 1);
    EXPECT_EQ(b.GlGetFreqIndex(520.0f), -1);
  }
  // Huge grids do not overflow into undefined conversions.
  EXPECT_EQ(Band(0.0f, 1000.0f, 1e-30f).GlPoints(), std::numeric_limits<int32_t>::max());
  CBand inf = Band(0.0f, std::numeric_limits<float>::infinity(), 1.0f);
  EXPECT_EQ(inf.GlPoints(), std::numeric_limits<int32_t>::max());
}

TEST(Band, TextAndCopy) {
  CBand b = Band(470.0f, 790.0f, 0.025f);
  EXPECT_EQ(b.GsGetFromToString(0), "470.000 - 790.000");
  EXPECT_EQ(b.GsGetFromToString(1), "470.000 - 790.000 (0.025)");
  auto c = b.GGetCopy();
  c->GSetLo(1.0f);
  EXPECT_EQ(b.GfLo(), 470.0f);
  EXPECT_TRUE(c->GbDefined());
}

static CSpectrum Spectrum(std::initializer_list<std::array<float, 3>> bands) {
  CSpectrum s;
  s.GDefine();
  for (auto& b : bands) s.GAddBand(b[0], b[1], b[2]);
  return s;
}

TEST(Spectrum, ChannelFitNeedsOneBand) {
  CSpectrum s = Spectrum({{470, 478, 0.025f}, {478, 486, 0.025f}});
  EXPECT_FALSE(s.GIsFreqAvailable(478.0f, 0.2f));
  EXPECT_TRUE(s.GIsFreqAvailable(477.0f, 0.2f));
  EXPECT_TRUE(s.GIsFreqAvailable(470.0f, 0.0f));
  EXPECT_FALSE(s.GIsFreqAvailable(470.0f, 0.1f));
  EXPECT_FALSE(Spectrum({}).GIsFreqAvailable(500.0f, 0.0f));
}

TEST(Spectrum, IndexArithmeticAcrossBands) {
  CSpectrum s = Spectrum({{100, 101, 1}, {200, 201, 1}});
  EXPECT_EQ(s.GlFreqs(), 4);
  EXPECT_EQ(s.GlGetFreqIndexNext(150.5f), 3);
  EXPECT_EQ(s.GlGetFreqIndexNext(150.4f), 2);
  EXPECT_EQ(s.GlGetFreqIndexNext(500.0f), 4);
  EXPECT_EQ(s.GlGetFreqIndexNext(50.0f), 1);
  EXPECT_EQ(s.GlGetFreqIndexNext(200.5f), 4);
  EXPECT_EQ(s.GlGetFreqIndexNext(100.5f), 2);
  EXPECT_EQ(s.GlGetFreqIndex(150.0f), 0);
  EXPECT_EQ(s.GlGetFreqIndex(201.0f), 4);
  EXPECT_FLOAT_EQ(s.GfGetFreq(3), 200.0f);
  EXPECT_FLOAT_EQ(s.GfGetFreq(5), 0.0f);
  EXPECT_FLOAT_EQ(s.GfGetFreq(0), 99.0f);
  EXPECT_FLOAT_EQ(s.GfGetFreqNext(180.0f), 200.0f);
  EXPECT_FLOAT_EQ(Spectrum({}).GfGetFreq(1), 0.0f);
  EXPECT_EQ(Spectrum({}).GlFreqs(), 0);
}

TEST(Spectrum, NearestPointOnFineGridMatchesIndexArithmetic) {
  CSpectrum s = Spectrum({{470, 478, 0.025f}, {500, 500.5f, 0.1f}});
  for (float f = 469.0f; f < 502.0f; f += 0.0137f) {
    int32_t n = s.GlFreqIndexMax(), expected = n;
    if (f < s.GfGetFreq(1)) expected = 1;
    else if (f <= s.GfGetFreq(n)) {
      for (int32_t i = 1; i < n; ++i)
        if (f < static_cast<float>((static_cast<double>(s.GfGetFreq(i)) + s.GfGetFreq(i + 1)) / 2.0)) {
          expected = i;
          break;
        }
    }
    ASSERT_EQ(s.GlGetFreqIndexNext(f), expected) << f;
  }
}

TEST(Spectrum, MinMax) {
  CSpectrum empty = Spectrum({});
  EXPECT_EQ(empty.GfGetFreqMin(), 1000000.0f);
  EXPECT_EQ(empty.GfGetFreqMax(), 0.0f);
  CSpectrum s = Spectrum({{630, 662, 1}, {518, 550, 1}});
  EXPECT_EQ(s.GfGetFreqMin(), 518.0f);
  EXPECT_EQ(s.GfGetFreqMax(), 662.0f);
}

static std::vector<std::array<float, 3>> Bands(const CSpectrum& s) {
  std::vector<std::array<float, 3>> out;
  for (int32_t i = 1; i <= s.GlBands(); ++i) {
    auto b = s.GxGetBand(i);
    out.push_back({b->GfLo(), b->GfHi(), b->GfSteps()});
  }
  return out;
}

TEST(Spectrum, Invert) {
  using V = std::vector<std::array<float, 3>>;
  CSpectrum a = Spectrum({{800, 862, 1}, {470, 790, 1}});
  a.GInvertSpectrum(0, 1000);
  EXPECT_EQ(Bands(a), (V{{0, 470, 470}, {790, 800, 10}, {862, 1000, 138}}));
  CSpectrum e = Spectrum({});
  e.GInvertSpectrum(0, 1000);
  EXPECT_EQ(Bands(e), (V{{0, 1000, 1000}}));
  CSpectrum full = Spectrum({{0, 1000, 1}});
  full.GInvertSpectrum(0, 1000);
  EXPECT_EQ(full.GlBands(), 0);
  CSpectrum overlap = Spectrum({{100, 300, 1}, {200, 250, 1}});
  overlap.GInvertSpectrum(0, 1000);
  EXPECT_EQ(Bands(overlap), (V{{0, 100, 100}, {300, 1000, 700}}));
  CSpectrum above = Spectrum({{100, 200, 1}, {1200, 1300, 1}});
  above.GInvertSpectrum(0, 1000);
  EXPECT_EQ(Bands(above), (V{{0, 100, 100}, {200, 1000, 800}}));
}

TEST(Spectrum, SortIsStableBothWays) {
  using V = std::vector<std::array<float, 3>>;
  CSpectrum s = Spectrum({{500, 510, 1}, {400, 410, 1}, {500, 520, 2}, {450, 460, 1}});
  s.GSortBands(false);
  EXPECT_EQ(Bands(s), (V{{400, 410, 1}, {450, 460, 1}, {500, 510, 1}, {500, 520, 2}}));
  s.GSortBands(true);
  EXPECT_EQ(Bands(s), (V{{500, 510, 1}, {500, 520, 2}, {450, 460, 1}, {400, 410, 1}}));
}

TEST(Spectrum, DeleteAndReferences) {
  CSpectrum s = Spectrum({{1, 2, 1}, {3, 4, 1}, {5, 6, 1}});
  EXPECT_THROW(s.GxGetBand(0), std::out_of_range);
  EXPECT_THROW(s.GxGetBand(4), std::out_of_range);
  s.GxGetBand(2)->GSetHi(4.5f);  // a reference changes the stored band
  EXPECT_EQ(s.GxGetBand(2)->GfHi(), 4.5f);
  EXPECT_EQ(s.GDelBand(9), 2);  // beyond the count: removes the last
  EXPECT_EQ(s.GxGetBand(2)->GfLo(), 3.0f);
  EXPECT_EQ(s.GDelBand(1), 1);
  EXPECT_EQ(s.GxGetBand(1)->GfLo(), 3.0f);
  EXPECT_EQ(s.GDelBand(1), 0);
  EXPECT_EQ(s.GDelBand(1), 0);  // empty: nothing happens
}

TEST(Spectrum, CopyIsDeep) {
  CSpectrum s = Spectrum({{1, 2, 1}});
  auto c = s.GGetCopy();
  c->GxGetBand(1)->GSetLo(0.5f);
  c->GAddBand(7, 8, 1);
  EXPECT_EQ(s.GxGetBand(1)->GfLo(), 1.0f);
  EXPECT_EQ(s.GlBands(), 1);
  EXPECT_TRUE(c->GbDefined());
}

TEST(Spectrum, RecordRoundTripAndTruncation) {
  CSpectrum s = Spectrum({{518, 550, 0.025f}, {630, 662, 0.025f}});
  BinaryWriter w;
  s.GWriteToFile(w);
  ASSERT_EQ(w.Bytes().size(), 8u + 2 * 16);
  BinaryReader r(w.Bytes());
  CSpectrum back;
  ASSERT_EQ(back.GReadFromFile(r), 0);
  EXPECT_EQ(Bands(back), Bands(s));
  for (size_t n = 0; n < w.Bytes().size(); ++n) {
    BinaryReader cut(std::vector<char>(w.Bytes().begin(), w.Bytes().begin() + n));
    CSpectrum t;
    EXPECT_EQ(t.GReadFromFile(cut), -1) << n;
  }
  BinaryWriter huge;
  huge.WriteInt32(0);
  huge.WriteInt32(0x7fffffff);
  BinaryReader hr(huge.Bytes());
  CSpectrum untouched = Spectrum({{1, 2, 1}});
  EXPECT_EQ(untouched.GReadFromFile(hr), -1);
  EXPECT_EQ(untouched.GlBands(), 1);
}

TEST(CountrySpectrum, LabelAndSpectrum) {
  CCountrySpectrum c;
  c.GDefine("Germany");
  EXPECT_EQ(c.GsGetLabel(), "Germany");
  c.GxSpectrum()->GAddBand(174, 181, 1);
  EXPECT_EQ(c.GxSpectrum()->GlBands(), 1);
  c.GsSetLabel("USA");
  EXPECT_EQ(c.GsGetLabel(), "USA");
}
