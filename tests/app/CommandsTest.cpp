#include <gtest/gtest.h>

#include <filesystem>

#include "app/Commands.h"
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

const std::string kAsk = "Save the current Project?";

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::InitApp(app, dir.Dir()); }

  // Marks the current project as edited.
  void Edit() {
    app.project->GcCurrSystem()->GcMics()->GAddMic("Edit", "", 600.0f, 0, 0, 0, 0);
    TL_SetChanged(app.flags, true, false, false, false);
  }
  void SetTarget(const std::string& name) {
    app.bSaveTarget = true;
    app.projectDir = dir.Dir();
    app.projectFile = name;
    app.projectPath = dir.File(MN_ProjectFileName(name));
  }
  std::string Bytes(const CProject& p) { return Str(MN_ProjectFileBytes(p)); }

  TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
};

TEST_F(CommandsTest, NewAsksOnlyWhenModified) {
  ProjectRef first = app.project;
  app.highlighted = 2;
  SetTarget("keep.kova");
  ASSERT_TRUE(MN_FileNew(app));
  EXPECT_TRUE(port.messages.empty());
  EXPECT_NE(app.project, first);
  EXPECT_EQ(app.highlighted, 0);
  EXPECT_FALSE(app.bSaveTarget);
  EXPECT_EQ(app.projectFile, "keep.kova");  // directory and file name are kept
  EXPECT_TRUE(app.flags.productsStale);
  EXPECT_EQ(port.refreshes, std::vector<int>{2});
}

TEST_F(CommandsTest, NewWithChangesFollowsTheAnswer) {
  // Cancel: nothing happens.
  Edit();
  ProjectRef edited = app.project;
  port.answers = {kCancel};
  EXPECT_FALSE(MN_FileNew(app));
  EXPECT_EQ(app.project, edited);
  EXPECT_TRUE(app.flags.projectModified);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, kAsk);
  EXPECT_EQ(port.messages[0].kind, MsgKind::YesNoCancel);
  EXPECT_EQ(port.messages[0].title, "KOVA");

  // No: replaced without saving.
  SetTarget("target.kova");
  port.answers = {kNo};
  EXPECT_TRUE(MN_FileNew(app));
  EXPECT_NE(app.project, edited);
  EXPECT_FALSE(fs::exists(dir.File("target.kova")));
  EXPECT_FALSE(app.flags.projectModified);

  // Yes with a save target: saved there first.
  SetTarget("target.kova");
  Edit();
  edited = app.project;
  port.answers = {kYes};
  EXPECT_TRUE(MN_FileNew(app));
  EXPECT_EQ(ReadFile(dir.File("target.kova")), Bytes(*edited));
  EXPECT_NE(app.project, edited);

  // Yes without a save target: the Save As dialog; cancelling it stops New.
  Edit();
  port.answers = {kYes};
  port.fileDialogs.clear();
  EXPECT_FALSE(MN_FileNew(app));
  ASSERT_EQ(port.fileDialogs.size(), 1u);
  EXPECT_EQ(port.fileDialogs[0].title, "Save Project As");
}

TEST_F(CommandsTest, OpenLoadsAndTakesOverTheFile) {
  ProjectRef saved = test::SampleProject(app, true);
  ASSERT_TRUE(MN_SaveProject(*saved, dir.Dir(), "show.KOVA"));
  app.highlighted = 3;
  port.fileAnswers = {dir.File("show.KOVA")};
  ASSERT_TRUE(MN_FileOpen(app));
  ASSERT_EQ(port.fileDialogs.size(), 1u);
  const FileDialogRequest& req = port.fileDialogs[0];
  EXPECT_FALSE(req.save);
  EXPECT_EQ(req.title, "Open Project");
  EXPECT_EQ(req.filter, "KOVA Project (*.kova;*.zel)|*.kova;*.zel|All files (*.*)|*.*");
  EXPECT_EQ(req.initialPath, dir.Dir() + "*.kova;*.zel");  // the application directory at first
  EXPECT_EQ(Bytes(*app.project), Bytes(*saved));
  EXPECT_EQ(app.projectDir, dir.Dir());
  EXPECT_EQ(app.projectFile, "show.KOVA");
  EXPECT_TRUE(app.bSaveTarget);
  EXPECT_FALSE(app.flags.projectModified);
  EXPECT_EQ(app.highlighted, 0);
  EXPECT_EQ(port.refreshes, std::vector<int>{2});

  // The next dialog starts at that file.
  port.fileAnswers = {std::nullopt};
  EXPECT_FALSE(MN_FileOpen(app));
  EXPECT_EQ(port.fileDialogs.back().initialPath, dir.File("show.KOVA"));
}

TEST_F(CommandsTest, OpenAsksToSaveFirst) {
  Edit();
  ProjectRef edited = app.project;
  port.answers = {kCancel};
  EXPECT_FALSE(MN_FileOpen(app));
  EXPECT_TRUE(port.fileDialogs.empty());
  EXPECT_EQ(app.project, edited);
  EXPECT_EQ(port.messageTexts(), std::vector<std::string>{kAsk});
}

TEST_F(CommandsTest, OpeningAnOldFileKeepsTheSaveTargetFlag) {
  WriteFile(dir.File("old.zel"), Str(test::rec::OldProject(1, {}, {{520, 0, "A", 0}}, {})));
  for (bool target : {false, true}) {
    app.bSaveTarget = target;
    port.fileAnswers = {dir.File("old.zel")};
    ASSERT_TRUE(MN_FileOpen(app));
    EXPECT_EQ(app.bSaveTarget, target);
    EXPECT_EQ(app.projectFile, "old.zel");
  }
  // Without a target, Save asks for one.
  app.bSaveTarget = false;
  port.fileAnswers = {std::nullopt};
  port.fileDialogs.clear();
  EXPECT_FALSE(MN_FileSave(app));
  ASSERT_EQ(port.fileDialogs.size(), 1u);
  EXPECT_TRUE(port.fileDialogs[0].save);
  EXPECT_EQ(port.fileDialogs[0].initialPath, dir.File("old.zel"));
}

TEST_F(CommandsTest, FailedOpenKeepsEverything) {
  // A saved, then edited project with a save target.
  SetTarget("mine.kova");
  ASSERT_TRUE(MN_FileSave(app));
  Edit();
  app.highlighted = 1;
  ProjectRef mine = app.project;
  const std::string mineBytes = Bytes(*mine);

  std::string good = Bytes(*test::SampleProject(app, false));
  const std::pair<const char*, std::string> cases[] = {
      {"bad.kova", "not a project at all, not even close"},   // bad header
      {"cut.kova", good.substr(0, good.size() - 2)},          // damaged record
      {"cut.zel", Str(test::rec::OldProject(2, {}, {}, {})).substr(0, 50)},
  };
  const std::vector<std::string> expectedMessages[] = {
      {"Cannot read file: old or bad file format!"},
      {"Error during load!"},
      {"Error during load!", "Cannot read file: old or bad file format!"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& [name, bytes] = cases[i];
    WriteFile(dir.File(name), bytes);
    port.messages.clear();
    port.answers = {kNo};  // do not save the edits first
    port.fileAnswers = {dir.File(name)};
    EXPECT_FALSE(MN_FileOpen(app)) << name;
    std::vector<std::string> texts = port.messageTexts();
    texts.erase(texts.begin());  // the save question
    for (std::string& t : texts) t = t.substr(0, t.find('\n'));  // the file and the reason follow
    EXPECT_EQ(texts, expectedMessages[i]) << name;
    EXPECT_EQ(app.project, mine) << name;
    EXPECT_EQ(app.projectFile, "mine.kova") << name;
    EXPECT_EQ(app.projectDir, dir.Dir()) << name;
    EXPECT_TRUE(app.bSaveTarget) << name;
    EXPECT_TRUE(app.flags.projectModified) << name;
    EXPECT_EQ(app.highlighted, 1) << name;
  }
  // A later Save writes to the project's own file, never over the file that failed.
  ASSERT_TRUE(MN_FileSave(app));
  EXPECT_EQ(ReadFile(dir.File("mine.kova")), mineBytes);
  EXPECT_EQ(ReadFile(dir.File("bad.kova")), cases[0].second);
  EXPECT_EQ(ReadFile(dir.File("cut.kova")), cases[1].second);
}

TEST_F(CommandsTest, SaveToAKnownTargetClearsTheModifiedFlag) {
  SetTarget("s.txt");  // saved under the .kova name
  Edit();
  ASSERT_TRUE(MN_FileSave(app));
  EXPECT_TRUE(port.fileDialogs.empty());
  EXPECT_EQ(ReadFile(dir.File("s.kova")), Bytes(*app.project));
  EXPECT_FALSE(app.flags.projectModified);

  // A failed write leaves the flag set.
  app.projectDir = dir.File("gone");
  Edit();
  EXPECT_FALSE(MN_FileSave(app));
  EXPECT_TRUE(app.flags.projectModified);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text.rfind("An Error Occured During MN_SaveProject: ", 0), 0u);
}

TEST_F(CommandsTest, SaveAs) {
  Edit();
  port.fileAnswers = {std::nullopt};
  EXPECT_FALSE(MN_FileSaveAs(app));
  EXPECT_TRUE(app.flags.projectModified);
  EXPECT_FALSE(app.bSaveTarget);
  const FileDialogRequest& req = port.fileDialogs.back();
  EXPECT_TRUE(req.save);
  EXPECT_EQ(req.title, "Save Project As");
  EXPECT_EQ(req.filter, "KOVA Project (*.kova)|*.kova|All files (*.*)|*.*");
  EXPECT_EQ(req.initialPath, dir.Dir() + "Project1.kova");

  fs::create_directory(dir.File("sub"));
  port.fileAnswers = {dir.File("sub/new.kova")};
  ASSERT_TRUE(MN_FileSaveAs(app));
  EXPECT_TRUE(app.bSaveTarget);
  EXPECT_FALSE(app.flags.projectModified);
  EXPECT_EQ(app.projectDir, dir.File("sub") + "/");
  EXPECT_EQ(app.projectFile, "new.kova");
  EXPECT_EQ(ReadFile(dir.File("sub/new.kova")), Bytes(*app.project));
}

TEST_F(CommandsTest, SaveAsPresetWritesTheCurrentSystemsChannels) {
  app.project->GcSystem(0)->GcMics()->GAddMic("A", "", 518.025f, 0, 0, 0, 0);
  app.project->GbSecondSystem(true);
  app.project->GlCurr(1);
  app.project->GcCurrSystem()->GcMics()->GAddMic("B", "", 790.0f, 0, 0, 0, 0);
  port.fileAnswers = {dir.File("Presets/b.spg")};
  ASSERT_TRUE(MN_FileSavePreset(app));
  const FileDialogRequest& req = port.fileDialogs.back();
  EXPECT_EQ(req.title, "Save Channels As Preset");
  EXPECT_EQ(req.filter, "KOVA Preset File (*.spg)|*.spg|All files (*.*)|*.*");
  EXPECT_EQ(req.initialPath, dir.Dir() + "Presets/*.spg");
  EXPECT_EQ(ReadFile(dir.File("Presets/b.spg")), "KOVA Preset File\r\n790.000\r\n");
}

TEST_F(CommandsTest, ExitAndClose) {
  EXPECT_TRUE(MN_FileExit(app));
  EXPECT_TRUE(MN_QueryClose(app, true));
  EXPECT_TRUE(port.messages.empty());

  Edit();
  // Closing for any other reason than the user's close control asks nothing.
  EXPECT_TRUE(MN_QueryClose(app, false));
  EXPECT_TRUE(port.messages.empty());

  const std::pair<int, bool> answers[] = {{kCancel, false}, {kNo, true}};
  for (const auto& [answer, goesOn] : answers) {
    port.answers = {answer};
    EXPECT_EQ(MN_FileExit(app), goesOn);
    port.answers = {answer};
    EXPECT_EQ(MN_QueryClose(app, true), goesOn);
  }
  SetTarget("exit.kova");
  port.answers = {kYes};
  EXPECT_TRUE(MN_FileExit(app));
  EXPECT_TRUE(fs::exists(dir.File("exit.kova")));
  EXPECT_FALSE(app.flags.projectModified);
}

}  // namespace
}  // namespace kova
