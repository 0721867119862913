#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include <sys/stat.h>

#include "app/Commands.h"
#include "app/ProgramSettings.h"
#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::Str;
using test::TempDir;
using test::WriteFile;

std::set<std::string> FilesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

std::vector<float> Freqs(const CMicCollection& mics) {
  std::vector<float> f;
  for (int32_t i = 1; i <= mics.GCount(); ++i) f.push_back(mics.GcItem(i)->GfGetFreq());
  return f;
}

class PresetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.appDir = dir.Dir();
    fs::create_directory(dir.File("Presets"));
  }
  void Preset(const std::string& name, const std::string& text) { WriteFile(dir.File("Presets/" + name), text); }

  TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
};

TEST_F(PresetTest, SaveWritesTitleAndFormattedFrequencies) {
  CMicCollection mics;
  mics.GDefine();
  for (float f : {518.025f, 630.5f, 790.0f}) mics.GAddMic("x", "", f, 0, 0, 0, 0);
  ASSERT_TRUE(MN_SavePresets(mics, dir.Dir() + "Presets", "stage.spg"));
  EXPECT_EQ(ReadFile(dir.File("Presets/stage.spg")), "KOVA Preset File\r\n518.025\r\n630.500\r\n790.000\r\n");

  // Read back: the title line is not a channel.
  ASSERT_EQ(MN_LoadPresets(app), 0);
  ASSERT_EQ(app.presets.size(), 1u);
  EXPECT_EQ(app.presets[0]->GsGetLabel(), "stage.spg");
  EXPECT_EQ(Freqs(*app.presets[0]), (std::vector<float>{518.025f, 630.5f, 790.0f}));
}

TEST_F(PresetTest, LinesFollowTheReadingRules) {
  Preset("a.spg",
         "KOVA Preset File\r\n518,025\r\n1200\r\n-5\r\nnot a number\r\n1000\r\n  630.5 MHz\r\nKOVA Preset File\r\n");
  ASSERT_EQ(MN_LoadPresets(app), 0);
  ASSERT_EQ(app.presets.size(), 1u);
  const CMicCollection& p = *app.presets[0];
  // Out-of-range lines are skipped; a line without a number (also a later title line) is 0 MHz.
  EXPECT_EQ(Freqs(p), (std::vector<float>{518.025f, 0.0f, 1000.0f, 630.5f, 0.0f}));
  for (int32_t i = 1; i <= p.GCount(); ++i) {
    const CMicInstance& m = *p.GcItem(i);
    EXPECT_EQ(m.GsGetLabel(), std::to_string(i));
    EXPECT_EQ(m.GsGetType(), "");
    EXPECT_EQ(m.GlGetColor(), 0);
    EXPECT_EQ(m.GlGetFlags(), 0);
  }
}

TEST_F(PresetTest, OnlyAnExactTitleOnTheFirstLineIsSkipped) {
  const std::pair<const char*, std::vector<float>> cases[] = {
      {"KOVA Preset File\n500\n", {500.0f}},                  // LF line ends
      {"KOVA PRESET FILE\r\n500\r\n", {0.0f, 500.0f}},        // not exactly the title
      {" KOVA Preset File\r\n500\r\n", {0.0f, 500.0f}},
      {"500\r\nKOVA Preset File\r\n", {500.0f, 0.0f}},        // frequencies only, title later
      {"510\r\n520", {510.0f, 520.0f}},                       // no final line end
  };
  for (const auto& [text, expected] : cases) {
    fs::remove_all(dir.File("Presets"));
    fs::create_directory(dir.File("Presets"));
    Preset("p.spg", text);
    ASSERT_EQ(MN_LoadPresets(app), 0) << text;
    ASSERT_EQ(app.presets.size(), 1u) << text;
    EXPECT_EQ(Freqs(*app.presets[0]), expected) << text;
  }
}

TEST_F(PresetTest, ListingRulesAndResults) {
  // No directory, an empty directory: 1.
  AppState other;
  other.appDir = dir.Dir() + "nowhere/";
  EXPECT_EQ(MN_LoadPresets(other), 1);
  EXPECT_EQ(MN_LoadPresets(app), 1);

  // A file with only rejected lines counts as seen but gives no preset; files are taken in name
  // order; the extension matches in any case; other files are ignored.
  Preset("empty.spg", "KOVA Preset File\r\n2000\r\n");
  EXPECT_EQ(MN_LoadPresets(app), 0);
  EXPECT_TRUE(app.presets.empty());
  Preset("b.spg", "500\r\n");
  Preset("A.SPG", "600\r\n");
  Preset("c.txt", "700\r\n");
  fs::create_directory(dir.File("Presets/dir.spg"));
  ASSERT_EQ(MN_LoadPresets(app), 0);
  ASSERT_EQ(app.presets.size(), 2u);
  EXPECT_EQ(app.presets[0]->GsGetLabel(), "A.SPG");
  EXPECT_EQ(app.presets[1]->GsGetLabel(), "b.spg");
  MN_ClearPresets(app);
  EXPECT_TRUE(app.presets.empty());
}

TEST_F(PresetTest, SaveErrorIsReported) {
  CMicCollection mics;
  mics.GDefine();
  EXPECT_FALSE(MN_SavePresets(mics, dir.Dir() + "missing", "x.spg"));
  EXPECT_EQ(port.messageTexts(), std::vector<std::string>{"An Error Occured During MN_SavePresets: 76 Path not found\n" +
                                                          dir.Dir() + "missing/x.spg: no such folder"});
}

class SystemDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.appDir = dir.Dir();
    MN_InstallDefaultSystems(app);
  }
  fs::path DataDir() const { return dir.Path() / "SystemData"; }

  TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
};

TEST_F(SystemDataTest, SaveAndLoadTheBuiltInTypes) {
  ASSERT_TRUE(MN_SaveSystemData(app));
  std::set<std::string> expected;
  for (const TypeRef& t : app.systems) expected.insert(t->GsGetLabel() + ".wsd");
  EXPECT_EQ(FilesIn(DataDir()), expected);

  const std::string bytes = ReadFile((DataDir() / "Meridian.wsd").string());
  EXPECT_EQ(bytes.substr(0, 30),
            std::string("ZELTA1\x01\x00\x14\x00sd\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x1f\x00\x00\x00", 30));
  EXPECT_EQ(bytes, Str(MN_SystemDataBytes(*app.systems[0])));

  AppState loaded;
  loaded.appDir = dir.Dir();
  ASSERT_EQ(MN_LoadSystemData(loaded), 0);
  ASSERT_EQ(loaded.systems.size(), 7u);
  // Name order: C, H, K (Professional before Standard), M, O, S.
  std::vector<std::string> labels;
  for (const TypeRef& t : loaded.systems) labels.push_back(t->GsGetLabel());
  EXPECT_EQ(labels, (std::vector<std::string>{"Condor Series", "Heron Monitor", "Kestrel Professional",
                                              "Kestrel Standard", "Meridian", "Osprey Series", "Swift Monitor"}));
  for (const TypeRef& t : loaded.systems) {
    auto same = std::find_if(app.systems.begin(), app.systems.end(),
                             [&](const TypeRef& o) { return o->GsGetLabel() == t->GsGetLabel(); });
    ASSERT_NE(same, app.systems.end());
    EXPECT_EQ(Str(MN_SystemDataBytes(*t)), Str(MN_SystemDataBytes(**same))) << t->GsGetLabel();
  }
}

TEST_F(SystemDataTest, SaveSortsTheTuningBands) {
  app.systems.resize(1);
  CSpectrum& s = *app.systems[0]->GxSpectrum();
  s.GDefine();
  s.GAddBand(700, 710, 0.025f);
  s.GAddBand(500, 510, 0.025f);
  s.GAddBand(600, 610, 0.025f);
  ASSERT_TRUE(MN_SaveSystemData(app));
  EXPECT_EQ(s.GxGetBand(1)->GfLo(), 500.0f);
  EXPECT_EQ(s.GxGetBand(3)->GfLo(), 700.0f);
  AppState loaded;
  loaded.appDir = dir.Dir();
  ASSERT_EQ(MN_LoadSystemData(loaded), 0);
  EXPECT_EQ(loaded.systems[0]->GxSpectrum()->GxGetBand(2)->GfLo(), 600.0f);
}

TEST_F(SystemDataTest, StaleFilesAreRemovedWithoutRegardToCase) {
  fs::create_directory(DataDir());
  for (const char* name : {"Old.wsd", "meridian.wsd", "OSPREY SERIES.WSD", "X.WSD", "notes.txt"})
    WriteFile((DataDir() / name).string(), "x");
  app.systems[6]->GsSetFileName("Heron New");  // renamed type: the old file must go
  WriteFile((DataDir() / "Heron Monitor.wsd").string(), "x");
  ASSERT_TRUE(MN_SaveSystemData(app));
  EXPECT_EQ(FilesIn(DataDir()),
            (std::set<std::string>{"Condor Series.wsd", "Heron New.wsd", "Kestrel Professional.wsd",
                                   "Kestrel Standard.wsd", "Meridian.wsd", "Osprey Series.wsd", "Swift Monitor.wsd",
                                   // same names as types apart from letter case: kept
                                   "meridian.wsd", "OSPREY SERIES.WSD", "notes.txt"}));
}

TEST_F(SystemDataTest, FileNamesStayInsideTheDirectory) {
  app.systems.resize(1);
  app.systems[0]->GsSetFileName("../up\\and/away");
  ASSERT_TRUE(MN_SaveSystemData(app));
  EXPECT_EQ(FilesIn(DataDir()), std::set<std::string>{"..-up-and-away.wsd"});
  EXPECT_EQ(FilesIn(dir.Path()), std::set<std::string>{"SystemData"});
}

TEST_F(SystemDataTest, LoadResults) {
  std::vector<TypeRef> before = app.systems;
  // No directory, or no "*.wsd" file: 1 and the list is left as it was.
  EXPECT_EQ(MN_LoadSystemData(app), 1);
  fs::create_directory(DataDir());
  WriteFile((DataDir() / "readme.txt").string(), "x");
  EXPECT_EQ(MN_LoadSystemData(app), 1);
  // Only damaged files: 1 as well.
  WriteFile((DataDir() / "short.wsd").string(), "ZELTA1");
  EXPECT_EQ(MN_LoadSystemData(app), 1);
  EXPECT_EQ(app.systems, before);

  // The header is not examined; a damaged file is skipped, the others load.
  BinaryWriter w;
  test::rec::Header(w, "OTHER!", "xx", 7);
  test::rec::Type t;
  t.version = 1;
  test::rec::SystemType(w, t);
  WriteFile((DataDir() / "foreign.WSD").string(), Str(w.Bytes()));
  std::string cut = Str(MN_SystemDataBytes(*before[0]));
  WriteFile((DataDir() / "cut.wsd").string(), cut.substr(0, cut.size() - 3));
  BinaryWriter far;  // a tuning band beyond 1000 MHz is damage as well
  test::rec::Header(far, "ZELTA1", "sd", 0);
  t.bands = {{518, 1e9f, 0.025f}};
  test::rec::SystemType(far, t);
  WriteFile((DataDir() / "far.wsd").string(), Str(far.Bytes()));
  ASSERT_EQ(MN_LoadSystemData(app), 0);
  ASSERT_EQ(app.systems.size(), 1u);
  EXPECT_EQ(app.systems[0]->GsGetLabel(), "Hand Made");
}

TEST_F(SystemDataTest, SaveErrorKeepsEveryFile) {
  fs::create_directory(DataDir());
  WriteFile((DataDir() / "Old.wsd").string(), "x");
  fs::create_directory(DataDir() / "Meridian.wsd");  // cannot be replaced by a file
  EXPECT_FALSE(MN_SaveSystemData(app));
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text.rfind("An Error Occured During MN_SaveSystemData: ", 0), 0u);
  EXPECT_TRUE(fs::exists(DataDir() / "Old.wsd"));
}

TEST(StartUp, EmptyDirectoryInstallsTheBuiltInTypesAndWritesNothing) {
  TempDir dir;
  AppState app;
  app.appDir = dir.Dir();
  app.presets.push_back(std::make_shared<CMicCollection>());
  MN_StartUp(app);
  ASSERT_EQ(app.systems.size(), 7u);
  EXPECT_EQ(app.systems[0]->GsGetLabel(), "Meridian");
  EXPECT_TRUE(app.presets.empty());
  EXPECT_TRUE(FilesIn(dir.Path()).empty());
  const CProject& p = *app.project;
  EXPECT_FALSE(p.GbSecondSystem());
  EXPECT_EQ(p.GlCurr(), 0);
  for (int32_t s = 0; s <= 1; ++s) {
    EXPECT_EQ(p.GcSystem(s)->GcSystemType()->GsGetLabel(), "Meridian");
    EXPECT_NE(p.GcSystem(s)->GcSystemType(), app.systems[0]);  // a copy
    EXPECT_EQ(p.GcSpectrumOf(s)->GlBands(), 1);
  }
  EXPECT_EQ(app.countries.size(), 9u);
  EXPECT_FALSE(app.flags.projectModified);
}

TEST(StartUp, ReadsSystemDataAndPresets) {
  TempDir dir;
  AppState app;
  app.appDir = dir.Dir();
  MN_InstallDefaultSystems(app);
  app.systems = {app.systems[4], app.systems[1]};  // Condor Series, Kestrel Standard
  ASSERT_TRUE(MN_SaveSystemData(app));
  fs::create_directory(dir.File("Presets"));
  WriteFile(dir.File("Presets/live.spg"), "KOVA Preset File\r\n500.000\r\n");

  AppState fresh;
  fresh.appDir = dir.Dir();
  MN_StartUp(fresh);
  ASSERT_EQ(fresh.systems.size(), 2u);
  EXPECT_EQ(fresh.systems[0]->GsGetLabel(), "Condor Series");
  EXPECT_EQ(fresh.project->GcSystem(0)->GcSystemType()->GsGetLabel(), "Condor Series");
  ASSERT_EQ(fresh.presets.size(), 1u);
  EXPECT_EQ(fresh.presets[0]->GCount(), 1);
}

TEST(ProgramSettings, DamagedOrSpecialFilesGiveTheDefaults) {
  TempDir dir;
  const QString file = QString::fromStdString(dir.File("kova.ini"));
  WriteFile(dir.File("kova.ini"), "[Program]\nuserLevel=2\n[Windows]\nMain_Form=@Rect(10 20 800 600)\nTiny=@Rect(0 0 9 9)\n");
  ProgramSettings s = MN_ReadProgramSettings(file);
  EXPECT_EQ(s.userLevel, 2);
  EXPECT_EQ(s.places, (std::map<QString, QRect>{{QStringLiteral("Main_Form"), QRect(10, 20, 800, 600)}}));
  WriteFile(dir.File("kova.ini"), "[Program]\nuserLevel=77\n");
  EXPECT_EQ(MN_ReadProgramSettings(file).userLevel, 0);
  // A pipe in place of the file would hold up the start for ever: it is neither read nor written.
  fs::remove(dir.File("kova.ini"));
  ASSERT_EQ(mkfifo(dir.File("kova.ini").c_str(), 0600), 0);
  EXPECT_FALSE(MN_SettingsFileUsable(file));
  EXPECT_EQ(MN_ReadProgramSettings(file).userLevel, 0);
}

}  // namespace
}  // namespace kova
