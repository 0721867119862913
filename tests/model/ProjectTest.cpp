#include <gtest/gtest.h>

#include <cstdlib>

#include "model/CProject.h"
#include "app/AppState.h"
#include "support/TestSupport.h"
#include "tools/BinaryFile.h"
#include "tools/TextFile.h"

using namespace kova;

namespace {

struct Fixture {
  AppState app;
  Fixture() {
    MN_InstallDefaultSystems(app);
    MN_NewProject(app);
  }
  CMicCollection& Mics(int s) { return *app.project->GcSystem(s)->GcMics(); }
  void Add(int s, float f, const std::string& label) { Mics(s).GAddMic(label, "T", f, 0, 0, 0, 0); }
};

std::vector<float> Freqs(const CMicCollection& m) {
  std::vector<float> out;
  for (int32_t i = 1; i <= m.GCount(); ++i) out.push_back(m.GcItem(i)->GfGetFreq());
  return out;
}

std::vector<std::string> Labels(const CMicCollection& m) {
  std::vector<std::string> out;
  for (int32_t i = 1; i <= m.GCount(); ++i) out.push_back(m.GcItem(i)->GsGetLabel());
  return out;
}

}  // namespace

TEST(Channels, Descriptions) {
  CMicInstance m;
  m.GDefine("Mic1", "Meridian", 518.2f, 0, 0, 3, 4);
  EXPECT_EQ(m.GsGetDescription(5), " 518.200 MHz Mic1");
  EXPECT_EQ(m.GsGetDescription(7), " 518.200 MHz (Meridian) Mic1");
  EXPECT_EQ(m.GsGetDescription(0), "");
  EXPECT_EQ(m.GsGetDescription(4), " Mic1");
  auto c = m.GGetCopy();
  EXPECT_EQ(c->GlIMOrder2(), 0);
  EXPECT_EQ(c->GsGetType(), "Meridian");
}

TEST(Channels, NextFreeLabel) {
  struct {
    std::vector<std::string> labels;
    const char* prefix;
    const char* expected;
  } cases[] = {
      {{}, "Mic", "Mic1"},
      {{"  Mic7  "}, "Mic", "Mic8"},
      {{"Mic"}, "Mic", "Mic1"},
      {{"12", "Mic5"}, "", "13"},
      {{"Mic9"}, "mic", "mic1"},
      {{"Mic1", "Mic3", "Vocal"}, "Mic", "Mic4"},
      {{"Mic2.5"}, "Mic", "Mic3"},   // 2.5 rounds to 2 (ties to even)
      {{"Mic3.5"}, "Mic", "Mic5"},   // 3.5 rounds to 4
      {{"Mic4", "Mic2"}, "Mic", "Mic5"},
  };
  for (const auto& c : cases) {
    CMicCollection m;
    m.GDefine();
    for (const auto& l : c.labels) m.GAddMic(l, "", 500, 0, 0, 0, 0);
    EXPECT_EQ(m.GsNextFree(c.prefix), c.expected) << c.prefix;
  }
}

TEST(Channels, ExchangeSortKeepsEqualFrequenciesApart) {
  CMicCollection m;
  m.GDefine();
  for (auto [f, l] : std::vector<std::pair<float, const char*>>{{520, "a"}, {510, "b"}, {530, "c"}}) m.GAddMic(l, "", f, 0, 0, 0, 0);
  m.GSortMics(false);
  EXPECT_EQ(Freqs(m), (std::vector<float>{510, 520, 530}));
  m.GSortMics(true);
  EXPECT_EQ(Freqs(m), (std::vector<float>{530, 520, 510}));

  // The exchange sort is not stable: equal frequencies follow the exchanges.
  CMicCollection e;
  e.GDefine();
  for (auto [f, l] : std::vector<std::pair<float, const char*>>{{500, "A"}, {500, "B"}, {400, "C"}}) e.GAddMic(l, "", f, 0, 0, 0, 0);
  e.GSortMics(false);
  EXPECT_EQ(Labels(e), (std::vector<std::string>{"C", "B", "A"}));
}

TEST(Channels, DuplicateDeleteAndCopy) {
  CMicCollection m;
  m.GDefine();
  m.GsSetLabel("Stage");
  EXPECT_EQ(m.GDelMic(1), 0);  // empty: nothing happens
  auto empty = m.GGetCopy();
  EXPECT_EQ(empty->GsGetLabel(), "Stage");
  EXPECT_EQ(empty->GCount(), 0);
  m.GAddMic("a", "", 500, 1, 0, 0, 0);
  m.GAddMic("b", "", 510, 2, 0, 7, 8);
  m.GAddMic("c", "", 520, 3, 0, 0, 0);
  EXPECT_EQ(m.GDuplicateMic(2), 4);
  EXPECT_EQ(m.GcItem(4)->GsGetLabel(), "b");
  EXPECT_EQ(m.GcItem(4)->GfGetFreq(), 510.0f);
  EXPECT_EQ(m.GcItem(4)->GlGetColor(), 2);
  EXPECT_EQ(m.GcItem(4)->GlIMOrder2(), 0);
  EXPECT_THROW(m.GcItem(5), std::out_of_range);
  EXPECT_THROW(m.GcItem(0), std::out_of_range);
  EXPECT_EQ(m.GDelMic(9), 3);  // beyond the count: the last one
  EXPECT_EQ(m.GDelMic(1), 2);
  EXPECT_EQ(Labels(m), (std::vector<std::string>{"b", "c"}));
  auto copy = m.GGetCopy();
  copy->GcItem(1)->GfSetFreq(1.0f);
  EXPECT_EQ(m.GcItem(1)->GfGetFreq(), 510.0f);
}

TEST(SystemInstance, TypeAssignmentSnapsToGrid) {
  auto type = std::make_shared<CSystemType>();
  type->GDefine("G", "G", "", {}, 511, 20, 20, 0, 0, 0.1f);
  type->GxSpectrum()->GAddBand(470, 480, 0.025f);
  CSystemInstance s;
  s.GDefine(type);
  s.GcMics()->GAddMic("a", "", 470.010f, 0, 0, 0, 0);
  s.GcMics()->GAddMic("b", "", 479.990f, 0, 0, 0, 0);
  s.GcMics()->GAddMic("c", "", 400.0f, 0, 0, 0, 0);
  s.GcSystemType(type);
  EXPECT_EQ(Freqs(*s.GcMics()), (std::vector<float>{470.0f, 480.0f, 470.0f}));
}

TEST(SystemInstance, EqualFrequencies) {
  auto make = [](std::vector<float> fs) {
    CSystemInstance s;
    s.GDefine(std::make_shared<CSystemType>());
    for (float f : fs) s.GcMics()->GAddMic("", "", f, 0, 0, 0, 0);
    return s;
  };
  EXPECT_FALSE(make({500, 510}).GHasEqualFreqs(make({510, 500})));
  EXPECT_FALSE(make({500}).GHasEqualFreqs(make({500, 510})));
  EXPECT_TRUE(make({}).GHasEqualFreqs(make({})));
  EXPECT_TRUE(make({500, 510}).GHasEqualFreqs(make({500, 510})));
}

TEST(Project, NewProjectDefaults) {
  Fixture f;
  CProject& p = *f.app.project;
  EXPECT_EQ(p.GlCurr(), 0);
  EXPECT_FALSE(p.GbSecondSystem());
  for (int s = 0; s <= 1; ++s) {
    EXPECT_EQ(p.GcSystem(s)->GcSystemType()->GsGetLabel(), "Meridian");
    EXPECT_NE(p.GcSystem(s)->GcSystemType(), f.app.systems[0]);  // a copy
    EXPECT_EQ(p.GcSystem(s)->GcMics()->GCount(), 0);
    const CSpectrum& sp = *p.GcSpectrumOf(s);
    ASSERT_EQ(sp.GlBands(), 1);
    EXPECT_EQ(sp.GxGetBand(1)->GsGetFromToString(1), "10.000 - 1000.000 (0.025)");
  }
  EXPECT_NE(p.GcSpectrumOf(0), p.GcSpectrumOf(1));
  EXPECT_NE(p.GcSystem(0)->GcSystemType(), p.GcSystem(1)->GcSystemType());
  p.GcSpectrumOf(0)->GAddBand(1, 2, 1);
  EXPECT_EQ(p.GcSpectrumOf(1)->GlBands(), 1);
  EXPECT_THROW(p.GcSystem(2), std::out_of_range);
  EXPECT_THROW(p.GlCurr(-1), std::out_of_range);
  EXPECT_EQ(f.app.countries.size(), 9u);
  EXPECT_EQ(f.app.proposals->GlCount(), 0);
}

TEST(Project, AppendChannel) {
  Fixture f;
  CSystemInstance& s = *f.app.project->GcCurrSystem();
  MN_AppendChannel(s);
  const CMicInstance& m = *s.GcMics()->GcItem(1);
  EXPECT_EQ(m.GsGetLabel(), "Mic1");
  EXPECT_EQ(m.GfGetFreq(), 518.0f);
  EXPECT_EQ(m.GsGetType(), "Meridian");
  EXPECT_EQ(m.GlGetColor(), 65535);
  EXPECT_EQ(m.GlGetFlags(), 511);
  m.GsGetLabel();
  s.GcMics()->GcItem(1)->GfSetFreq(530.0f);
  MN_AppendChannel(s);
  EXPECT_EQ(s.GcMics()->GCount(), 2);
  EXPECT_EQ(s.GcMics()->GcItem(2)->GfGetFreq(), 530.0f);
  EXPECT_EQ(s.GcMics()->GcItem(2)->GsGetLabel(), "Mic1");
}

TEST(Project, OverallNumberingAndGating) {
  Fixture f;
  CProject& p = *f.app.project;
  for (float x : {520.0f, 510.0f, 530.0f}) f.Add(0, x, "s0");
  for (float x : {640.0f, 450.0f}) f.Add(1, x, "s1");
  EXPECT_EQ(p.GlGetOverallMics(), 3);
  EXPECT_EQ(p.GlSystems(), 1);
  p.GcSystem(1)->GcSystemType()->GbCheckFlag(9, true);
  EXPECT_FALSE(p.IsCheckActive(9));  // system 1 is off
  p.GbSecondSystem(true);
  EXPECT_TRUE(p.IsCheckActive(9));
  EXPECT_EQ(p.GlGetOverallMics(), 5);
  auto all = p.GetAllMics();
  EXPECT_EQ(Freqs(*all), (std::vector<float>{520, 510, 530, 640, 450}));
  EXPECT_EQ(all->GcItem(4)->GsGetLabel(), "s1");  // overall 4 = system 1's channel 1
  float lo = 1000000, hi = 0;
  p.GGetOverallMinMax(lo, hi);
  EXPECT_EQ(lo, 450.0f);
  EXPECT_EQ(hi, 640.0f);
  p.GSortAllMics();
  EXPECT_EQ(Freqs(f.Mics(0)), (std::vector<float>{510, 520, 530}));
  EXPECT_EQ(Freqs(f.Mics(1)), (std::vector<float>{450, 640}));
  EXPECT_EQ(p.SystemPrefix(1), "[ #2] ");
}

TEST(Project, MinMaxWithoutChannelsUnchanged) {
  Fixture f;
  float lo = 1000000, hi = 0;
  f.app.project->GGetOverallMinMax(lo, hi);
  EXPECT_EQ(lo, 1000000.0f);
  EXPECT_EQ(hi, 0.0f);
}

TEST(Project, DeepCopySharesNothing) {
  Fixture f;
  f.Add(0, 520, "a");
  f.Add(1, 600, "b");
  CProject& p = *f.app.project;
  p.GbSecondSystem(true);
  p.GlCurr(1);
  auto c = p.GGetCopy();
  EXPECT_EQ(c->GlCurr(), 1);
  EXPECT_TRUE(c->GbSecondSystem());
  for (int s = 0; s <= 1; ++s) {
    EXPECT_NE(c->GcSystem(s), p.GcSystem(s));
    EXPECT_NE(c->GcSystem(s)->GcSystemType(), p.GcSystem(s)->GcSystemType());
    EXPECT_NE(c->GcSystem(s)->GcSystemType()->GxSpectrum(), p.GcSystem(s)->GcSystemType()->GxSpectrum());
    EXPECT_NE(c->GcSpectrumOf(s), p.GcSpectrumOf(s));
    EXPECT_NE(c->GcSystem(s)->GcMics()->GcItem(1), p.GcSystem(s)->GcMics()->GcItem(1));
  }
  c->GcSystem(0)->GcMics()->GcItem(1)->GfSetFreq(1.0f);
  c->GcSystem(0)->GcSystemType()->GfBandwidth(1, 5.0f);
  EXPECT_EQ(f.Mics(0).GcItem(1)->GfGetFreq(), 520.0f);
  EXPECT_EQ(p.GcSystem(0)->GcSystemType()->GfBandwidth(1), 0.4f);
}

TEST(Project, RecordRoundTripAndEveryTruncation) {
  for (bool second : {false, true}) {
    Fixture f;
    f.Add(0, 518.2f, "Mic1");
    f.Add(0, 530.0f, "");
    f.Add(1, 640.0f, "B\xC3\xA9");
    f.Mics(0).GcItem(1)->GlSetColor(12345);
    f.Mics(0).GcItem(1)->GlSetFlags(77);
    f.app.project->GbSecondSystem(second);
    f.app.project->GcSpectrumOf(0)->GAddBand(600, 610, 0.1f);
    BinaryWriter w;
    f.app.project->GWriteToFile(w);

    CProject back;
    MN_InitProject(f.app, back);
    BinaryReader r(w.Bytes());
    ASSERT_EQ(back.GReadFromFile(r), 0);
    EXPECT_EQ(back.GbSecondSystem(), second);
    EXPECT_EQ(back.GlCurr(), 0);
    BinaryWriter again;
    back.GWriteToFile(again);
    EXPECT_EQ(again.Bytes(), w.Bytes());
    const CMicInstance& m = *back.GcSystem(0)->GcMics()->GcItem(1);
    EXPECT_EQ(m.GlGetColor(), 12345);
    EXPECT_EQ(m.GlGetFlags(), 77);
    EXPECT_EQ(m.GsGetType(), "");  // the type text is not stored
    if (!second) {
      EXPECT_EQ(back.GcSystem(1)->GcMics()->GCount(), 0);  // slot 2 keeps the defaults
    }

    for (size_t n = 0; n < w.Bytes().size(); ++n) {
      CProject t;
      MN_InitProject(f.app, t);
      BinaryReader cut(std::vector<char>(w.Bytes().begin(), w.Bytes().begin() + n));
      ASSERT_EQ(t.GReadFromFile(cut), -1) << n;
    }
  }
}

TEST(Project, RejectsBadCountsWithoutAllocating) {
  for (int32_t systems : {0, 3, -1}) {
    BinaryWriter w;
    w.WriteInt32(0);
    w.WriteInt32(systems);
    CProject p;
    BinaryReader r(w.Bytes());
    EXPECT_EQ(p.GReadFromFile(r), -1) << systems;
  }
  for (int32_t count : {0x7fffffff, -5}) {
    BinaryWriter w;
    w.WriteInt32(0);
    w.WriteInt32(count);
    CMicCollection m;
    BinaryReader r(w.Bytes());
    EXPECT_EQ(m.GReadFromFile(r), -1) << count;
    EXPECT_EQ(m.GCount(), 0);
  }
  BinaryWriter neg;
  neg.WriteInt32(0);
  neg.WriteFloat(500);
  neg.WriteInt32(0);
  neg.WriteInt32(-3);  // negative label length
  neg.WriteInt32(0);
  CMicInstance mic;
  BinaryReader nr(neg.Bytes());
  EXPECT_EQ(mic.GReadFromFile(nr), -1);
}

TEST(Project, FindCurrentSystemType) {
  Fixture f;
  EXPECT_EQ(MN_FindCurrentSystemType(f.app), 1);
  f.app.project->GcCurrSystem()->GcSystemType(f.app.systems[4]->GGetCopy());
  EXPECT_EQ(MN_FindCurrentSystemType(f.app), 5);
  f.app.project->GcCurrSystem()->GcSystemType()->GsSetLabel("Unknown");
  EXPECT_EQ(MN_FindCurrentSystemType(f.app), 1);
}

TEST(Description, SingleSystemProposal) {
  Fixture f;
  f.Add(0, 518.2f, "Mic1");
  f.Add(0, 530.0f, "Mic2");
  StringSink out;
  f.app.project->GExport(out, 3);
  EXPECT_EQ(test::SplitCrLf(out.Text()),
            (std::vector<std::string>{"------------------ System Proposal #3 ---------------------------------------",
                                      "Compatible Channels: 2", "", "System: Meridian", "", "Channel configuration: 2",
                                      " 518.200 MHz Mic1", " 530.000 MHz Mic2", ""}));
  StringSink none;
  f.app.project->GExport(none, 0);
  EXPECT_EQ(test::SplitCrLf(none.Text())[0], "Compatible Channels: 2");
}

TEST(Description, TwoSystemsAndEmptyList) {
  Fixture f;
  f.Add(0, 518.2f, "Mic1");
  f.app.project->GbSecondSystem(true);
  f.app.project->GcSystem(1)->GcSystemType(f.app.systems[3]->GGetCopy());
  StringSink out;
  f.app.project->GExport(out, 1);
  EXPECT_EQ(test::SplitCrLf(out.Text()),
            (std::vector<std::string>{
                "------------------ Dual-System Proposal #1 ---------------------------------------",
                "Overall Compatible Channels: 1", "", "System #1", "Compatible Channels: 1", "", "System: Meridian", "",
                "Channel configuration: 1", " 518.200 MHz Mic1", "", "", "System #2", "Compatible Channels: 0", "",
                "System: Osprey Series", "", "Channel configuration: 0", ""}));
}

TEST(Description, ExpertBlock) {
  Fixture f;
  f.app.project->GcCurrSystem()->GcSystemType()->GbCheckFlag(9, true);
  setenv("KOVA_USER_LEVEL", "2", 1);
  StringSink out;
  f.app.project->GcCurrSystem()->GExport(out);
  unsetenv("KOVA_USER_LEVEL");
  EXPECT_EQ(test::SplitCrLf(out.Text()),
            (std::vector<std::string>{"System: Meridian", "Checked For: ",
                                      " Spectrum                : On\t  0.000", " Spacing                 : On\t  0.400",
                                      " 2Tx IM(3)               : On\t  0.100", " 2Tx IM(5)               : On\t  0.100",
                                      " 3Tx IM(3)               : On\t  0.100", "", "Channel configuration: 0", ""}));
}
