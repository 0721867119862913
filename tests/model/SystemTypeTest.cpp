#include <gtest/gtest.h>

#include "model/CSystemType.h"
#include "app/AppState.h"
#include "tools/BinaryFile.h"

using namespace kova;

static std::array<float, 11> Widths(float w) {
  std::array<float, 11> a;
  a.fill(w);
  return a;
}

static TypeRef MakeType(int32_t flags, float width = 0.1f) {
  auto t = std::make_shared<CSystemType>();
  t->GDefine("T", "t-file", "descr", Widths(width), flags, 20, 20, -110.6f, 10.8f, 0.1f);
  t->GxSpectrum()->GAddBand(518, 550, 0.025f);
  return t;
}

TEST(SystemType, OnlyFiveKindsHaveSwitches) {
  auto t = MakeType(1023);
  for (int k = 0; k <= 10; ++k) {
    bool known = k == 0 || k == 1 || k == 4 || k == 5 || k == 9;
    EXPECT_EQ(t->GbCheckFlag(k), known) << k;
  }
  t->GlSetFlags(0);
  t->GbCheckFlag(2, true);  // no switch: flag word unchanged
  EXPECT_EQ(t->GlGetFlags(), 0);
  t->GbCheckFlag(9, true);
  t->GbCheckFlag(1, true);
  EXPECT_EQ(t->GlGetFlags(), 512 + 2);
  t->GbCheckFlag(9, false);
  EXPECT_EQ(t->GlGetFlags(), 2);
  auto d = MakeType(511);
  EXPECT_TRUE(d->GbCheckFlag(0) && d->GbCheckFlag(1) && d->GbCheckFlag(4) && d->GbCheckFlag(5));
  EXPECT_FALSE(d->GbCheckFlag(9));
}

TEST(SystemType, CheckParams) {
  TCheckParams p = MakeType(511, 0.1f)->GGetCheckParams();
  EXPECT_EQ(p[0], 0.0);
  for (int k : {1, 4, 5}) EXPECT_EQ(p[k], static_cast<double>(0.1f)) << k;
  for (int k : {2, 3, 6, 7, 8, 9}) EXPECT_EQ(p[k], -1.0) << k;
  EXPECT_EQ(p[10], static_cast<double>(-110.6f));
  EXPECT_EQ(p[11], static_cast<double>(10.8f));
  TCheckParams all = MakeType(1023, 0.2f)->GGetCheckParams();
  EXPECT_EQ(all[9], static_cast<double>(0.2f));
  EXPECT_EQ(all[2], -1.0);
}

TEST(SystemType, BandwidthRangeAndLabels) {
  auto t = MakeType(0);
  EXPECT_THROW(t->GfBandwidth(11), std::out_of_range);
  EXPECT_THROW(t->GfBandwidth(-1, 1.0f), std::out_of_range);
  t->GfBandwidth(10, 3.0f);
  EXPECT_EQ(t->GfBandwidth(10), 3.0f);
  EXPECT_EQ(MN_GetCheckLabel(6), "Ref. Image 1/2");
  EXPECT_EQ(MN_GetCheckLabel(10), "");
  EXPECT_EQ(TL_GetCheckLabel(9), "2Tx IM(5)");
  EXPECT_EQ(TL_GetCheckLabel(2), "");
}

TEST(SystemType, CopyIsDeep) {
  auto t = MakeType(511);
  auto c = t->GGetCopy();
  c->GxSpectrum()->GxGetBand(1)->GSetLo(1.0f);
  c->GsSetLabel("X");
  c->GfBandwidth(1, 9.0f);
  EXPECT_EQ(t->GxSpectrum()->GxGetBand(1)->GfLo(), 518.0f);
  EXPECT_EQ(t->GsGetLabel(), "T");
  EXPECT_EQ(t->GfBandwidth(1), 0.1f);
  EXPECT_EQ(c->GsGetFileName(), "t-file");
  EXPECT_EQ(c->GfGetSearchStep(), 0.1f);
}

// A hand-built type record of an older version.
static std::vector<char> OldTypeRecord(int32_t version, int32_t flags) {
  BinaryWriter w;
  w.WriteInt32(version);
  TL_WriteString(w, "file");
  TL_WriteString(w, "label");
  TL_WriteString(w, "descr");
  for (int k = 0; k <= 10; ++k) w.WriteFloat(k == 4 ? 0.075f : 0.5f);
  w.WriteFloat(20);
  w.WriteFloat(21);
  w.WriteFloat(-65.75f);
  w.WriteFloat(10.7f);
  if (version == 2) w.WriteFloat(0.2f);
  w.WriteInt32(flags);
  CSpectrum s;
  s.GDefine();
  s.GAddBand(450, 960, 0.025f);
  s.GWriteToFile(w);
  return w.Bytes();
}

TEST(SystemType, RecordVersions) {
  struct {
    int32_t version, flags, expectFlags;
    float expectW9, expectStep;
  } cases[] = {{0, 16, 16 + 512, 0.075f, 0.025f},
               {0, 512, 0, 0.075f, 0.025f},
               {1, 16, 16, 0.5f, 0.025f},
               {2, 16, 16, 0.5f, 0.2f}};
  for (const auto& c : cases) {
    BinaryReader r(OldTypeRecord(c.version, c.flags));
    CSystemType t;
    ASSERT_EQ(t.GReadFromFile(r), 0) << c.version;
    EXPECT_EQ(t.GlGetFlags(), c.expectFlags) << c.version;
    EXPECT_EQ(t.GfBandwidth(9), c.expectW9) << c.version;
    EXPECT_EQ(t.GfGetSearchStep(), c.expectStep) << c.version;
    EXPECT_EQ(t.GsGetFileName(), "file");
    EXPECT_EQ(t.GsGetLabel(), "label");
    EXPECT_EQ(t.GfGetLOFreq(), -65.75f);
    EXPECT_EQ(t.GxSpectrum()->GlBands(), 1);
    EXPECT_EQ(r.Remaining(), 0u);
  }
  BinaryWriter bad;
  bad.WriteInt32(3);
  BinaryReader br(bad.Bytes());
  CSystemType t;
  EXPECT_EQ(t.GReadFromFile(br), -1);
}

TEST(SystemType, RoundTripAndEveryTruncation) {
  auto t = MakeType(1023, 0.3f);
  t->GfBandwidth(10, 7.0f);
  BinaryWriter w;
  t->GWriteToFile(w);
  BinaryReader r(w.Bytes());
  CSystemType back;
  ASSERT_EQ(back.GReadFromFile(r), 0);
  BinaryWriter again;
  back.GWriteToFile(again);
  EXPECT_EQ(again.Bytes(), w.Bytes());
  for (size_t n = 0; n < w.Bytes().size(); ++n) {
    BinaryReader cut(std::vector<char>(w.Bytes().begin(), w.Bytes().begin() + n));
    CSystemType x;
    EXPECT_EQ(x.GReadFromFile(cut), -1) << n;
  }
}

TEST(DefaultSystems, TableSpotValues) {
  AppState app;
  MN_InstallDefaultSystems(app);
  ASSERT_EQ(app.systems.size(), 7u);
  struct {
    const char* label;
    float lo, lo2, step, spacing, lo_w, im;
    int bands;
    float firstLo, lastHi;
  } rows[] = {
      {"Meridian", -110.6f, 10.8f, 0.1f, 0.4f, 0.0f, 0.1f, 5, 518, 870},
      {"Kestrel Standard", 241, 10.7f, 0.1f, 0.4f, 0.1f, 0.1f, 5, 518, 866},
      {"Kestrel Professional", 241, 10.7f, 0.05f, 0.4f, 0.1f, 0.05f, 5, 518, 866},
      {"Osprey Series", -65.75f, 10.7f, 0.075f, 0.3f, 0.0f, 0.075f, 1, 450, 960},
      {"Condor Series", -71, 10.7f, 0.05f, 0.3f, 0.0f, 0.05f, 1, 450, 960},
      {"Swift Monitor", -110.6f, 10.8f, 0.2f, 0.4f, 0.0f, 0.2f, 5, 518, 870},
      {"Heron Monitor", 243, 10.7f, 0.2f, 0.4f, 0.0f, 0.2f, 1, 450, 960},
  };
  for (size_t i = 0; i < 7; ++i) {
    const CSystemType& t = *app.systems[i];
    const auto& r = rows[i];
    EXPECT_EQ(t.GsGetLabel(), r.label);
    EXPECT_EQ(t.GsGetFileName(), r.label);
    EXPECT_EQ(t.GfGetLOFreq(), r.lo) << r.label;
    EXPECT_EQ(t.GfGetLOFreq2(), r.lo2) << r.label;
    EXPECT_EQ(t.GfGetSearchStep(), r.step) << r.label;
    EXPECT_EQ(t.GfBandwidth(0), 0.0f);
    EXPECT_EQ(t.GfBandwidth(1), r.spacing);
    for (int k : {2, 3, 6, 7, 8}) EXPECT_EQ(t.GfBandwidth(k), r.lo_w) << r.label << k;
    for (int k : {4, 5, 9}) EXPECT_EQ(t.GfBandwidth(k), r.im) << r.label << k;
    EXPECT_EQ(t.GfBandwidth(10), 0.0f);
    EXPECT_EQ(t.GlGetFlags(), 511);
    EXPECT_FALSE(t.GbCheckFlag(9));
    EXPECT_EQ(t.GfGetIM2Threshold(), 20.0f);
    EXPECT_EQ(t.GxSpectrum()->GlBands(), r.bands);
    EXPECT_EQ(t.GxSpectrum()->GxGetBand(1)->GfLo(), r.firstLo);
    EXPECT_EQ(t.GxSpectrum()->GxGetBand(r.bands)->GfHi(), r.lastHi);
    EXPECT_EQ(t.GxSpectrum()->GxGetBand(1)->GfSteps(), 0.025f);
  }
  EXPECT_EQ(app.systems[0]->GsGetDescription(), "R1, R2, R3, R4");
  EXPECT_EQ(app.systems[1]->GxSpectrum()->GxGetBand(2)->GfLo(), 626.0f);
  EXPECT_EQ(app.systems[6]->GsGetDescription(), "In-Ear System");
}

TEST(CountryTables, GermanyAndUsa) {
  AppState app;
  MN_BuildCountryTables(app);
  MN_BuildCountryTables(app);
  ASSERT_EQ(app.countries.size(), 9u);  // the two historic tables, then today's seven
  const CSpectrum& de = *app.countries[0]->GxSpectrum();
  const CSpectrum& us = *app.countries[1]->GxSpectrum();
  EXPECT_EQ(app.countries[0]->GsGetLabel(), "Germany");
  EXPECT_EQ(app.countries[1]->GsGetLabel(), "USA");
  EXPECT_EQ(de.GlBands(), 57);
  EXPECT_EQ(us.GlBands(), 56);
  EXPECT_EQ(de.GxGetBand(1)->GsGetFromToString(1), "174.000 - 181.000 (1.000)");
  EXPECT_EQ(de.GxGetBand(8)->GsGetFromToString(0), "223.000 - 230.000");
  EXPECT_EQ(de.GxGetBand(9)->GsGetFromToString(0), "470.000 - 478.000");
  EXPECT_EQ(de.GxGetBand(57)->GsGetFromToString(0), "854.000 - 862.000");
  EXPECT_EQ(us.GxGetBand(56)->GsGetFromToString(0), "800.000 - 806.000");
}
