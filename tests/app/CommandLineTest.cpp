#include <gtest/gtest.h>

#include <filesystem>

#include "app/CommandLine.h"
#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using Action = DesktopArgs::Action;
using test::Str;

TEST(DesktopArgsTest, ReadsTheFileAndTheInformationOptions) {
  const struct {
    std::vector<std::string> args;
    Action action;
    std::string project;
    std::string error;
    bool editor = false;
  } cases[] = {
      {{}, Action::kRun, "", ""},
      {{"show.kova"}, Action::kRun, "show.kova", ""},
      {{"--help"}, Action::kHelp, "", ""},
      {{"-v"}, Action::kVersion, "", ""},
      // Information wins over anything else, even over arguments the toolkit has not yet taken.
      {{"-platform", "offscreen", "a.kova", "--version"}, Action::kVersion, "", ""},
      {{"--bogus", "-h"}, Action::kHelp, "", ""},
      {{"--bogus", "a.kova"}, Action::kError, "", "unknown option '--bogus'"},
      {{"a.kova", "b.kova"}, Action::kError, "", "only one project file can be opened"},
      // After "--" everything is a file name; a lone dash is one too.
      {{"--", "--help"}, Action::kRun, "--help", ""},
      {{"--", "-x.kova"}, Action::kRun, "-x.kova", ""},
      {{"-"}, Action::kRun, "-", ""},
      {{"a.kova", "--editor"}, Action::kRun, "a.kova", "", true},
      {{"--", "--editor"}, Action::kRun, "--editor", ""},
  };
  for (const auto& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    const DesktopArgs r = MN_ParseDesktopArgs(c.args);
    EXPECT_EQ(r.action, c.action) << joined;
    EXPECT_EQ(r.project, c.project) << joined;
    EXPECT_EQ(r.error, c.error) << joined;
    EXPECT_EQ(r.editor, c.editor) << joined;
  }
}

class OpenFromCommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::InitApp(app, dir.Dir());
    fresh = app.project;
    saved = test::SampleProject(app, true);
    fs::create_directories(dir.Path() / "shows" / "tour");
    ASSERT_TRUE(MN_SaveProject(*saved, dir.Dir() + "shows/tour", "Show.KOVA"));
    test::WriteFile(dir.File("shows/old.zel"), Str(test::rec::OldProject(2, {}, {{520, 0, "A", 0}}, {})));
    test::WriteFile(dir.File("shows/bad.kova"), "no project here");
  }
  std::string Bytes(const CProject& p) { return Str(MN_ProjectFileBytes(p)); }

  test::TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
  ProjectRef fresh;
  ProjectRef saved;
};

TEST_F(OpenFromCommandLineTest, LoadsTheFileAsOpenDoesFromAnyFormOfPath) {
  const fs::path before = fs::current_path();
  fs::current_path(dir.Path());
  // Relative paths are taken from the working directory (as the system names it).
  const std::string here = fs::current_path().string() + "/";
  const std::string shows = dir.Dir() + "shows/";
  const struct {
    std::string path;
    std::string projectDir;
    std::string projectFile;
    bool saveTarget;
  } cases[] = {
      {shows + "tour/Show.KOVA", shows + "tour/", "Show.KOVA", true},
      {"shows/tour/Show.KOVA", here + "shows/tour/", "Show.KOVA", true},
      {"./shows/../shows/tour/./Show.KOVA", here + "shows/tour/", "Show.KOVA", true},
      // The predecessor's files are opened but never become the target of Save.
      {"shows/old.zel", here + "shows/", "old.zel", false},
  };
  for (const auto& c : cases) {
    app = AppState{};  // as at start-up
    test::InitApp(app, dir.Dir());
    app.highlighted = 2;
    port.refreshes.clear();
    EXPECT_TRUE(MN_OpenFromCommandLine(app, c.path)) << c.path;
    EXPECT_TRUE(port.messages.empty()) << c.path;
    EXPECT_EQ(app.projectDir, c.projectDir) << c.path;
    EXPECT_EQ(app.projectFile, c.projectFile) << c.path;
    EXPECT_EQ(app.bSaveTarget, c.saveTarget) << c.path;
    EXPECT_FALSE(app.flags.projectModified) << c.path;
    EXPECT_TRUE(app.flags.productsStale) << c.path;
    EXPECT_EQ(app.highlighted, 0) << c.path;
    EXPECT_EQ(port.refreshes, std::vector<int>{2}) << c.path;
  }
  fs::current_path(before);
  EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GCount(), 1);  // the old file's one channel

  // The loaded project is the file's, and Save writes it back to the same place.
  test::InitApp(app, dir.Dir());
  ASSERT_TRUE(MN_OpenFromCommandLine(app, shows + "tour/Show.KOVA"));
  EXPECT_EQ(Bytes(*app.project), Bytes(*saved));
}

TEST_F(OpenFromCommandLineTest, AFileThatCannotBeReadLeavesTheNewProject) {
  const struct {
    std::string path;
    std::vector<std::string> messages;
  } cases[] = {
      {"shows/bad.kova", {"Cannot read file: old or bad file format!"}},
      {"shows/missing.kova", {"Cannot read file: old or bad file format!"}},
      {"shows/", {"Cannot read file: old or bad file format!"}},  // a folder
      {"", {}},                                                   // nothing named
  };
  for (const auto& c : cases) {
    port.messages.clear();
    const std::string path = c.path.empty() ? "" : dir.Dir() + c.path;
    EXPECT_FALSE(MN_OpenFromCommandLine(app, path)) << c.path;
    EXPECT_EQ(port.messageTexts(), c.messages) << c.path;
    EXPECT_EQ(app.project, fresh) << c.path;
    EXPECT_TRUE(app.projectDir.empty()) << c.path;
    EXPECT_TRUE(app.projectFile.empty()) << c.path;
    EXPECT_FALSE(app.bSaveTarget) << c.path;
  }
}

}  // namespace
}  // namespace kova
