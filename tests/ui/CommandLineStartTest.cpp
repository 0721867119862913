#include <gtest/gtest.h>

#include <QGroupBox>
#include <QMessageBox>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/Commands.h"
#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "support/TestSupport.h"
#include "ui/Container_Form.h"
#include "ui/DesktopIdentity.h"
#include "ui/DesktopShell.h"
#include "ui/KOVA_Form.h"
#include "ui/Main_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;
using kova::test::ModalScript;

namespace {

// The desktop program's start-up as `kova FILE` runs it: the port, the start-up sequence on a
// temporary application directory, the frame with the main window, then the file of the
// command line.
struct StartFixture : ::testing::Test {
  test::TempDir dir;
  AppState app;
  test::TestQtPort port;
  PortScope scope{port};
  Container_Form frame;
  ProjectRef startProject;

  void SetUp() override {
    app.appDir = dir.Dir();
    MN_StartUp(app);
    startProject = app.project;
    MN_ConnectFrame(frame, app);
    MN_InstallFrameHooks(port, frame, app);
    frame.show();
    MN_CreateMainWindow(frame, app, port);
  }
  // Opens `path` as the command line would, answering the windows that appear with `answers`
  // (every answer must be used, and no other window may appear).
  bool Open(const std::string& path, std::vector<ModalScript::Action> answers) {
    const size_t expected = answers.size();
    answers.push_back(test::Unexpected());
    ModalScript script(std::move(answers));
    const bool opened = MN_OpenFromCommandLine(app, path);
    EXPECT_EQ(script.Done(), expected);
    return opened;
  }
  QString ChannelTitle() {
    QMdiSubWindow* sub = frame.MdiArea()->subWindowList().value(0);
    EXPECT_NE(sub, nullptr);
    return sub ? Child<QGroupBox>(sub->widget(), "MicSel_Frame")->title() : QString();
  }
};

TEST_F(StartFixture, AProjectFileOnTheCommandLineIsOpenedInsteadOfTheNewProject) {
  ASSERT_TRUE(MN_SaveProject(*test::SampleProject(app, false), dir.Dir(), "show.kova"));
  EXPECT_EQ(ChannelTitle(), "Select Channels (0/0)");
  // True tells the start-up that a project is there, so it shows no start wizard.
  ASSERT_TRUE(Open(dir.File("show.kova"), {}));
  EXPECT_NE(app.project, startProject);
  EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GCount(), 3);
  EXPECT_EQ(ChannelTitle(), "Select Channels (3/3)");  // the main window shows it
  EXPECT_EQ(app.projectDir, dir.Dir());
  EXPECT_EQ(app.projectFile, "show.kova");
  EXPECT_TRUE(app.bSaveTarget);
  EXPECT_FALSE(app.flags.projectModified);
}

TEST_F(StartFixture, AnUnreadableFileIsReportedAndTheNewProjectStays) {
  test::WriteFile(dir.File("broken.kova"), std::string(100, 'x'));
  QString message;
  EXPECT_FALSE(Open(dir.File("broken.kova"), {test::Press(QMessageBox::Ok, &message)}));
  EXPECT_EQ(message, "Cannot read file: old or bad file format!");
  EXPECT_EQ(app.project, startProject);
  EXPECT_EQ(ChannelTitle(), "Select Channels (0/0)");
  EXPECT_TRUE(app.projectFile.empty());
  EXPECT_FALSE(app.bSaveTarget);
}

TEST(DesktopIdentityTest, TheProgramIconIsTheLogoInEveryThemeSize) {
  const QIcon icon = MN_ProgramIcon();
  const QList<QSize> sizes = icon.availableSizes();
  for (int size : {16, 32, 48, 256}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
  EXPECT_EQ(icon.pixmap(64).toImage(), VersionResource_Logo(64).toImage());
}

}  // namespace
