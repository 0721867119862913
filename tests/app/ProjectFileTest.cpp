#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>

#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"

namespace kova {
namespace {

using test::Bytes;
using test::ReadFile;
using test::Str;
using test::TempDir;
using test::WriteFile;

class ProjectFileTest : public ::testing::Test {
 protected:
  void SetUp() override { test::InitApp(app, dir.Dir()); }

  // Loads `name` from the temp directory; the result and whether the project was replaced.
  int16_t Load(const std::string& name, bool* loaded = nullptr) { return MN_LoadProject(app, dir.Dir(), name, loaded); }
  // The first line of each message (the second names the file and the reason).
  std::vector<std::string> FirstLines() const {
    std::vector<std::string> texts = port.messageTexts();
    for (std::string& t : texts) t = t.substr(0, t.find('\n'));
    return texts;
  }

  TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
};

// The header bytes every project file starts with.
const std::string kHeader("KOVA11\x01\x00\x14\x00pr\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x1f\x00\x00\x00", 30);

TEST_F(ProjectFileTest, RoundTripIsByteIdentical) {
  for (bool two : {false, true}) {
    SCOPED_TRACE(two ? "two systems" : "one system");
    ProjectRef p = test::SampleProject(app, two);
    ASSERT_TRUE(MN_SaveProject(*p, dir.Dir(), "a.kova"));
    std::string first = ReadFile(dir.File("a.kova"));
    EXPECT_EQ(first.substr(0, 30), kHeader);

    bool loaded = false;
    ASSERT_EQ(Load("a.kova", &loaded), 0);
    ASSERT_TRUE(loaded);
    ASSERT_NE(app.project, p);
    EXPECT_EQ(app.project->GbSecondSystem(), two);
    EXPECT_EQ(app.project->GlCurr(), 0);
    const CMicCollection& mics = *app.project->GcSystem(0)->GcMics();
    ASSERT_EQ(mics.GCount(), 3);
    EXPECT_EQ(mics.GcItem(3)->GsGetLabel(), "Vocal \xC3\xA9");
    EXPECT_EQ(mics.GcItem(3)->GfGetFreq(), 640.025f);
    EXPECT_EQ(mics.GcItem(2)->GsGetLabel(), "");

    ASSERT_TRUE(MN_SaveProject(*app.project, dir.Dir(), "b.kova"));
    EXPECT_EQ(ReadFile(dir.File("b.kova")), first);
    EXPECT_TRUE(port.messages.empty());
  }
}

TEST_F(ProjectFileTest, SavedBytesFollowTheRecordLayout) {
  // A one-system project written by hand, record by record, must equal what the program writes.
  test::rec::Type t;
  auto type = std::make_shared<CSystemType>();
  type->GDefine(t.label, t.fileName, t.descr, t.bw, t.flags, t.im2, t.im3, t.lo, t.lo2, t.step);
  type->GxSpectrum()->GAddBand(518, 550, 0.025f);
  app.systems = {type};
  auto p = std::make_shared<CProject>();
  MN_InitProject(app, *p);
  p->GcSystem(0)->GcMics()->GAddMic("Mic1", "x", 520.5f, 65535, 511, 0, 0);

  BinaryWriter w;
  test::rec::Header(w, "KOVA11", "pr", 0);
  w.WriteInt32(0);  // project version
  w.WriteInt32(1);  // one system
  test::rec::SystemInstance(w, t, {{520.5f, 65535, "Mic1", 511}});
  test::rec::Spectrum(w, {{10, 1000, 0.025f}});
  EXPECT_EQ(Str(MN_ProjectFileBytes(*p)), Str(w.Bytes()));
}

TEST_F(ProjectFileTest, OneSystemLeavesSecondSlotAtDefaults) {
  ProjectRef p = test::SampleProject(app, true);
  p->GbSecondSystem(false);  // slot 1 holds data but is switched off: it is not written
  ASSERT_TRUE(MN_SaveProject(*p, dir.Dir(), "one.kova"));
  ASSERT_EQ(Load("one.kova"), 0);
  const CProject& q = *app.project;
  EXPECT_FALSE(q.GbSecondSystem());
  EXPECT_EQ(q.GcSystem(1)->GcSystemType()->GsGetLabel(), "Meridian");
  EXPECT_EQ(q.GcSystem(1)->GcMics()->GCount(), 0);
  ASSERT_EQ(q.GcSpectrumOf(1)->GlBands(), 1);
  EXPECT_EQ(q.GcSpectrumOf(1)->GxGetBand(1)->GfLo(), 10.0f);
  EXPECT_EQ(q.GcSpectrumOf(1)->GxGetBand(1)->GfHi(), 1000.0f);
  EXPECT_EQ(q.GcSpectrumOf(1)->GxGetBand(1)->GfSteps(), 0.025f);
  EXPECT_NE(q.GcSpectrumOf(0), q.GcSpectrumOf(1));
}

TEST_F(ProjectFileTest, SavingOverALargerFileLeavesNoStaleBytes) {
  ASSERT_TRUE(MN_SaveProject(*test::SampleProject(app, true), dir.Dir(), "p.kova"));
  auto small = std::make_shared<CProject>();
  MN_InitProject(app, *small);
  ASSERT_TRUE(MN_SaveProject(*small, dir.Dir(), "p.kova"));
  EXPECT_EQ(ReadFile(dir.File("p.kova")), Str(MN_ProjectFileBytes(*small)));
  ASSERT_EQ(Load("p.kova"), 0);
  EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GCount(), 0);
}

TEST_F(ProjectFileTest, TrailingBytesAreIgnored) {
  std::string bytes = Str(MN_ProjectFileBytes(*test::SampleProject(app, false)));
  WriteFile(dir.File("t.kova"), bytes + "garbage after the last record");
  bool loaded = false;
  EXPECT_EQ(Load("t.kova", &loaded), 0);
  EXPECT_TRUE(loaded);
}

// Zones go into a block after the project record, which reads back exactly; cut anywhere inside
// (also inside its tag) the file is damaged; a project back in its one default zone has no block.
TEST_F(ProjectFileTest, ZoneBlockRoundTripsAndIsReadStrictly) {
  ProjectRef p = test::SampleProject(app, true);
  const std::string plain = Str(MN_ProjectFileBytes(*p));
  p->GSetSystemZone(1, 3);
  p->GxZones().GsName(3, "Stage B");
  p->GxZones().GeRelation(1, 3, kZoneApart);
  p->GxZones().GeRelation(2, 3, kZoneTogether);
  const std::string zoned = Str(MN_ProjectFileBytes(*p));
  ASSERT_EQ(zoned.substr(0, plain.size()), plain);
  ASSERT_EQ(zoned.substr(plain.size(), 8), "KOVAZONE");
  WriteFile(dir.File("z.kova"), zoned + "later bytes");
  ASSERT_EQ(Load("z.kova"), 0);
  EXPECT_EQ(app.project->GcZones(), p->GcZones());
  EXPECT_EQ(app.project->GcSystem(1)->GlZone(), 3);
  EXPECT_EQ(Str(MN_ProjectFileBytes(*app.project)), zoned);
  for (size_t n = plain.size() + 1; n < zoned.size(); ++n) {
    WriteFile(dir.File("cut.kova"), zoned.substr(0, n));
    bool loaded = true;
    Load("cut.kova", &loaded);
    ASSERT_FALSE(loaded) << n;
  }
  // Out-of-range values: the length, the zone count, a system's zone, a relation.
  for (size_t at : {plain.size() + 8, plain.size() + 16, zoned.size() - 4 * 4, zoned.size() - 4}) {
    std::string bad = zoned;
    bad[at] = '\x7f';
    WriteFile(dir.File("bad.kova"), bad);
    bool loaded = true;
    Load("bad.kova", &loaded);
    EXPECT_FALSE(loaded) << at;
  }
  p->GSetSystemZone(1, 1);
  p->GxZones().GlCount(1);
  EXPECT_EQ(Str(MN_ProjectFileBytes(*p)), plain);
}

// The channels to add go into a block of their own, only when a system asks other than the
// default; they read back with and without zones, and a count out of range damages the file.
TEST_F(ProjectFileTest, AddCountBlockRoundTripsAndIsWrittenOnlyWhenNeeded) {
  ProjectRef p = test::SampleProject(app, true);
  const std::string plain = Str(MN_ProjectFileBytes(*p));
  p->GcSystem(0)->GlAddCount(8);
  p->GcSystem(1)->GlAddCount(6);
  for (const bool zoned : {false, true}) {
    if (zoned) p->GSetSystemZone(1, 2);
    const std::string bytes = Str(MN_ProjectFileBytes(*p));
    ASSERT_EQ(bytes.substr(bytes.size() - 28, 8), "KOVAADDS");
    WriteFile(dir.File("a.kova"), bytes);
    ASSERT_EQ(Load("a.kova"), 0);
    EXPECT_EQ(app.project->GcSystem(0)->GlAddCount() * 100 + app.project->GcSystem(1)->GlAddCount(), 806);
    EXPECT_EQ(app.project->GcSystem(1)->GlZone(), zoned ? 2 : 1);
    EXPECT_EQ(Str(MN_ProjectFileBytes(*app.project)), bytes);
    WriteFile(dir.File("bad.kova"), bytes.substr(0, bytes.size() - 4) + std::string("\x65\0\0\0", 4));
    bool loaded = true;
    Load("bad.kova", &loaded);
    EXPECT_FALSE(loaded);
  }
  p->GSetSystemZone(1, 1);
  p->GxZones().GlCount(1);
  for (int32_t s : {0, 1}) p->GcSystem(s)->GlAddCount(kDefaultAddCount);
  EXPECT_EQ(Str(MN_ProjectFileBytes(*p)), plain);
}

TEST(ProjectFileName, ExtensionRule) {
  const std::pair<const char*, const char*> cases[] = {
      {"show.kova", "show.kova"}, {"show.KoVa", "show.KoVa"}, {"show.$$$", "show.$$$"},
      {"show.txt", "show.kova"},  {"show", "show.kova"},      {"show.", "show.kova"},
      {"a.b.zel", "a.b.kova"},    {"kova", "kova.kova"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(MN_ProjectFileName(in), out) << in;
}

TEST_F(ProjectFileTest, SaveAppliesTheExtensionRuleAndJoinsThePath) {
  ProjectRef p = test::SampleProject(app, false);
  // The directory is trimmed and gets its separator.
  ASSERT_TRUE(MN_SaveProject(*p, "  " + dir.Path().string() + "  ", "show.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir.File("show.kova")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("show.txt")));
  // Nothing but the target is left in the directory (the temporary file was renamed).
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST_F(ProjectFileTest, SaveErrorIsReportedAndKeepsTheOldFile) {
  ProjectRef p = test::SampleProject(app, false);
  EXPECT_FALSE(MN_SaveProject(*p, dir.File("missing"), "x.kova"));
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text,
            "An Error Occured During MN_SaveProject: 76 Path not found\n" + dir.File("missing/x.kova") + ": no such folder");
  EXPECT_EQ(port.messages[0].title, "KOVA");

  // A target that cannot be replaced (a directory of that name) stays as it was.
  std::filesystem::create_directory(dir.File("busy.kova"));
  EXPECT_FALSE(MN_SaveProject(*p, dir.Dir(), "busy.kova"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("busy.kova")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST_F(ProjectFileTest, UnrecognisedHeadersAreRejected) {
  const std::string good = Str(MN_ProjectFileBytes(*test::SampleProject(app, false)));
  auto patch16 = [&](size_t at, int16_t v) {
    std::string s = good;
    std::memcpy(&s[at], &v, 2);
    return s;
  };
  auto patch32 = [&](size_t at, int32_t v) {
    std::string s = good;
    std::memcpy(&s[at], &v, 4);
    return s;
  };
  const std::pair<const char*, std::string> cases[] = {
      {"magic", "KOVA12" + good.substr(6)},
      {"magic case", "kova11" + good.substr(6)},
      {"kind", good.substr(0, 10) + "sd" + good.substr(12)},
      {"offset 6", patch16(6, 2)},
      {"offset 8", patch16(8, 21)},
      {"offset 12", patch16(12, 1)},
      {"offset 14", patch32(14, 1)},
      {"offset 18", patch32(18, 0)},
      {"offset 22", patch32(22, 1)},
      {"offset 26", patch32(26, 30)},
      {"old magic, version 0", "ZELTA1" + good.substr(6)},
      {"old magic, version 3", "ZELTA1" + patch16(12, 3).substr(6)},
      {"old magic, kind sd", [&] {
         std::string s = patch16(12, 2);
         return s.replace(0, 6, "ZELTA1").replace(10, 2, "sd");
       }()},
      {"short", good.substr(0, 29)},
      {"empty", ""},
  };
  ProjectRef before = app.project;
  for (const auto& [what, bytes] : cases) {
    WriteFile(dir.File("h.kova"), bytes);
    bool loaded = true;
    EXPECT_EQ(Load("h.kova", &loaded), 1) << what;
    EXPECT_FALSE(loaded) << what;
  }
  EXPECT_EQ(Load("no such file.kova"), 1);
  EXPECT_EQ(app.project, before);
  EXPECT_TRUE(port.messages.empty());  // the File menu reports a bad header, not the loader
}

TEST_F(ProjectFileTest, BadProjectRecordKeepsTheCurrentProject) {
  // Project version, then system count.
  const std::pair<int32_t, int32_t> cases[] = {{1, 1}, {-1, 1}, {0, 0}, {0, 3}, {0, 17}, {0, -1}, {0, 2147483647}};
  ProjectRef before = app.project;
  for (const auto& [version, count] : cases) {
    BinaryWriter w;
    test::rec::Header(w, "KOVA11", "pr", 0);
    w.WriteInt32(version);
    w.WriteInt32(count);
    test::rec::SystemInstance(w, {}, {});
    test::rec::Spectrum(w, {});
    WriteFile(dir.File("r.kova"), Str(w.Bytes()));
    port.messages.clear();
    bool loaded = true;
    EXPECT_EQ(Load("r.kova", &loaded), 0) << version << " " << count;
    EXPECT_FALSE(loaded);
    ASSERT_EQ(FirstLines(), std::vector<std::string>{"Error during load!"});
  }
  EXPECT_EQ(app.project, before);
}

TEST_F(ProjectFileTest, EveryTruncationFailsWithoutTouchingTheProject) {
  for (bool two : {false, true}) {
    const std::string good = Str(MN_ProjectFileBytes(*test::SampleProject(app, two)));
    ProjectRef before = app.project;
    const std::string beforeBytes = Str(MN_ProjectFileBytes(*before));
    for (size_t n = 0; n < good.size(); ++n) {
      WriteFile(dir.File("cut.kova"), good.substr(0, n));
      port.messages.clear();
      bool loaded = true;
      int16_t r = Load("cut.kova", &loaded);
      ASSERT_FALSE(loaded) << n;
      if (n < 30) {
        ASSERT_EQ(r, 1) << n;
        ASSERT_TRUE(port.messages.empty()) << n;
      } else {
        ASSERT_EQ(r, 0) << n;
        ASSERT_EQ(port.messageTexts(),
                  std::vector<std::string>{"Error during load!\n" + dir.File("cut.kova") + ": damaged or truncated project"})
            << n;
      }
    }
    EXPECT_EQ(app.project, before);
    EXPECT_EQ(Str(MN_ProjectFileBytes(*app.project)), beforeBytes);
  }
}

TEST_F(ProjectFileTest, HugeAndNegativeCountsAndLengthsFail) {
  // Each case breaks one count or string length of an otherwise valid file.
  struct Case {
    const char* what;
    int32_t tuningBands = 1, channels = 1, searchBands = 1, labelLength = 4;
  };
  const Case cases[] = {
      {"tuning bands max", 2147483647}, {"tuning bands negative", -1},
      {"channels max", 1, 2147483647},  {"channels negative", 1, -2},
      {"search bands max", 1, 1, 2147483647}, {"search bands negative", 1, 1, -2147483647 - 1},
      {"label max", 1, 1, 1, 2147483647}, {"label negative", 1, 1, 1, -4},
  };
  for (const Case& c : cases) {
    BinaryWriter w;
    test::rec::Header(w, "KOVA11", "pr", 0);
    w.WriteInt32(0);
    w.WriteInt32(1);
    w.WriteInt32(0);  // system instance
    test::rec::Type t;
    t.bands.clear();
    test::rec::SystemType(w, t);  // ends with an empty tuning spectrum: patch its count
    std::vector<char> bytes = w.Bytes();
    std::memcpy(&bytes[bytes.size() - 4], &c.tuningBands, 4);
    BinaryWriter rest;
    rest.WriteInt32(0);  // band record
    rest.WriteFloat(518);
    rest.WriteFloat(550);
    rest.WriteFloat(0.025f);
    rest.WriteInt32(0);  // channel list
    rest.WriteInt32(c.channels);
    rest.WriteInt32(0);  // channel
    rest.WriteFloat(518.2f);
    rest.WriteInt32(0);
    rest.WriteInt32(c.labelLength);
    rest.WriteFixed("Mic1");
    rest.WriteInt32(0);
    rest.WriteInt32(0);  // search spectrum
    rest.WriteInt32(c.searchBands);
    rest.WriteInt32(0);  // its band
    rest.WriteFloat(10);
    rest.WriteFloat(1000);
    rest.WriteFloat(0.025f);
    bytes.insert(bytes.end(), rest.Bytes().begin(), rest.Bytes().end());
    WriteFile(dir.File("c.kova"), Str(bytes));

    port.messages.clear();
    bool loaded = true;
    EXPECT_EQ(Load("c.kova", &loaded), 0) << c.what;
    EXPECT_FALSE(loaded) << c.what;
    EXPECT_EQ(FirstLines(), std::vector<std::string>{"Error during load!"}) << c.what;
  }
  // The unpatched layout itself loads.
  BinaryWriter ok;
  test::rec::Header(ok, "KOVA11", "pr", 0);
  ok.WriteInt32(0);
  ok.WriteInt32(1);
  test::rec::SystemInstance(ok, {}, {{518.2f, 0, "Mic1", 0}});
  test::rec::Spectrum(ok, {{10, 1000, 0.025f}});
  WriteFile(dir.File("ok.kova"), Str(ok.Bytes()));
  bool loaded = false;
  EXPECT_EQ(Load("ok.kova", &loaded), 0);
  EXPECT_TRUE(loaded);
}

TEST_F(ProjectFileTest, ImpossibleFrequenciesAndTooManyChannelsAreBadFiles) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* what;
    float channel = 518.2f;
    test::rec::Band search{10, 1000, 0.025f}, tuning{518, 550, 0.025f};
    size_t channels = 1;  // per system, of two
    bool loads = false;
  };
  const Case cases[] = {
      {"valid limits", 0.0f, {0, 1000, 1000}, {0, 1000, 0.025f}, 1, true},
      {"channel above 1000 MHz", 8480.0f},
      {"negative channel", -463.95f},
      {"channel not a number", nan},
      {"search band up to infinity", 518.2f, {10, inf, 0.025f}},
      {"tuning band below 0", 518.2f, {10, 1000, 0.025f}, {-5, 550, 0.025f}},
      {"tuning step huge", 518.2f, {10, 1000, 0.025f}, {518, 550, 8.9e21f}},
      {"10,000 channels", 518.2f, {10, 1000, 0.025f}, {518, 550, 0.025f}, 5000, true},
      {"10,002 channels", 518.2f, {10, 1000, 0.025f}, {518, 550, 0.025f}, 5001},
  };
  for (const Case& c : cases) {
    BinaryWriter w;
    test::rec::Header(w, "KOVA11", "pr", 0);
    w.WriteInt32(0);
    w.WriteInt32(2);
    test::rec::Type type;
    type.bands = {c.tuning};
    for (int s = 0; s < 2; ++s) {
      test::rec::SystemInstance(w, type, std::vector<test::rec::Mic>(c.channels, {c.channel, 0, "M", 0}));
      test::rec::Spectrum(w, {c.search});
    }
    WriteFile(dir.File("c.kova"), Str(w.Bytes()));
    port.messages.clear();
    bool loaded = !c.loads;
    EXPECT_EQ(Load("c.kova", &loaded), 0) << c.what;
    EXPECT_EQ(loaded, c.loads) << c.what;
    const std::string message = "Error during load!\n" + dir.File("c.kova") + ": " +
                                (c.channels > 5000 ? "more than 10,000 channels (a project holds at most 10,000)"
                                                   : "damaged or truncated project");
    EXPECT_EQ(port.messageTexts(), std::vector<std::string>(c.loads ? 0 : 1, message)) << c.what;
  }
}

TEST_F(ProjectFileTest, OldFormatVersion1KeepsTheDefaultSearchSpectrum) {
  test::rec::Type t;
  t.version = 1;  // no search step: the flags follow the second LO
  t.flags = 16 + 2;
  WriteFile(dir.File("old.zel"), Str(test::rec::OldProject(1, t, {{520.0f, 255, "A", 7}, {530.5f, 0, "B", 0}}, {})));
  bool loaded = false;
  ASSERT_EQ(Load("old.zel", &loaded), 0);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(port.messageTexts(),
            std::vector<std::string>{
                "Old project file without search spectrum - existing spectrum will not be replaced."});
  const CProject& p = *app.project;
  EXPECT_FALSE(p.GbSecondSystem());
  const CSystemType& type = *p.GcSystem(0)->GcSystemType();
  EXPECT_EQ(type.GsGetLabel(), "Hand Made");
  EXPECT_EQ(type.GsGetFileName(), "Hand");
  EXPECT_EQ(type.GfGetSearchStep(), 0.025f);
  EXPECT_EQ(type.GlGetFlags(), 18);  // version 1: no upgrade of the fifth-order flag
  ASSERT_EQ(p.GcSystem(0)->GcMics()->GCount(), 2);
  EXPECT_EQ(p.GcSystem(0)->GcMics()->GcItem(2)->GfGetFreq(), 530.5f);
  ASSERT_EQ(p.GcSpectrumOf(0)->GlBands(), 1);
  EXPECT_EQ(p.GcSpectrumOf(0)->GxGetBand(1)->GfLo(), 10.0f);
  EXPECT_EQ(p.GcSpectrumOf(0)->GxGetBand(1)->GfHi(), 1000.0f);
  EXPECT_EQ(p.GcSpectrumOf(0)->GxGetBand(1)->GfSteps(), 0.025f);
}

TEST_F(ProjectFileTest, OldFormatVersion2ReadsTheSearchSpectrumAndUpgradesVersion0Types) {
  const std::pair<int32_t, int32_t> flagCases[] = {{16, 16 + 512}, {512, 0}, {511, 1023}};
  for (const auto& [flags, expected] : flagCases) {
    test::rec::Type t;
    t.version = 0;
    t.flags = flags;
    t.bw[4] = 0.07f;
    t.bw[9] = 0.5f;
    WriteFile(dir.File("old2.zel"),
              Str(test::rec::OldProject(2, t, {{600.0f, 0, "X", 0}}, {{500, 510, 0.025f}, {600, 610, 0.1f}})));
    port.messages.clear();
    ASSERT_EQ(Load("old2.zel"), 0);
    EXPECT_TRUE(port.messages.empty());
    const CSystemType& type = *app.project->GcSystem(0)->GcSystemType();
    EXPECT_EQ(type.GlGetFlags(), expected) << flags;
    EXPECT_EQ(type.GfBandwidth(9), 0.07f);
    EXPECT_EQ(type.GfGetSearchStep(), 0.025f);
    const CSpectrum& search = *app.project->GcSpectrumOf(0);
    ASSERT_EQ(search.GlBands(), 2);
    EXPECT_EQ(search.GxGetBand(2)->GfLo(), 600.0f);
    EXPECT_EQ(search.GxGetBand(2)->GfSteps(), 0.1f);
  }
}

TEST_F(ProjectFileTest, DamagedOldFileGivesBothMessagesResult) {
  ProjectRef before = app.project;
  test::rec::Type t;
  std::vector<char> v2 = test::rec::OldProject(2, t, {{600.0f, 0, "X", 0}}, {{500, 510, 0.025f}});
  const std::pair<const char*, std::vector<char>> cases[] = {
      {"search spectrum cut", std::vector<char>(v2.begin(), v2.end() - 1)},
      {"system cut", std::vector<char>(v2.begin(), v2.begin() + 40)},
      {"type version 3", [&] {
         test::rec::Type bad;
         bad.version = 3;
         return test::rec::OldProject(1, bad, {}, {});
       }()},
  };
  for (const auto& [what, bytes] : cases) {
    WriteFile(dir.File("bad.zel"), Str(bytes));
    port.messages.clear();
    bool loaded = true;
    EXPECT_EQ(Load("bad.zel", &loaded), 1) << what;
    EXPECT_FALSE(loaded);
    EXPECT_EQ(FirstLines(), std::vector<std::string>{"Error during load!"}) << what;
  }
  EXPECT_EQ(app.project, before);
}

}  // namespace
}  // namespace kova
