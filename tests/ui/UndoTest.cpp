// Undo and redo in the frame: every kind of change the desktop records, taken back and made again.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QUndoStack>
#include <functional>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/Generate.h"
#include "display/DisplayTestSupport.h"
#include "files/ProjectFile.h"
#include "search/DriverTestSupport.h"
#include "support/TestSupport.h"
#include "ui/Container_Form.h"
#include "ui/DesktopShell.h"
#include "ui/Display_Form.h"
#include "ui/FlexGrid.h"
#include "ui/Main_Form.h"
#include "ui/PictureBoxWidget.h"
#include "ui/ProjectHistory.h"
#include "ui/Report_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;
using kova::test::ModalScript;

namespace {

struct UndoTest : ::testing::Test {
  test::TempDir dir;
  AppState app;
  test::TestQtPort port;
  PortScope scope{port};
  Container_Form frame;
  Main_Form* editor = nullptr;
  Display_Form* display = nullptr;
  ProjectHistory* history = nullptr;

  void SetUp() override {
    app.appDir = dir.Dir();
    test::InitDisplayProject(app);
    MN_ConnectFrame(frame, app);
    MN_InstallFrameHooks(port, frame, app);
    frame.show();
    editor = MN_CreateMainWindow(frame, app, port);
    editor->askValue = [](const std::string&, std::string& value) {
      value = "2";
      return true;
    };
    frame.Action(QStringLiteral("View_Graphics"))->trigger();
    display = frame.findChild<Display_Form*>();
    display->PrepareTVStationPbx(true);
    history = frame.findChild<ProjectHistory*>();
    ASSERT_NE(history, nullptr);
    history->Reset();
  }
  QUndoStack& Stack() const { return *history->Stack(); }
  std::vector<char> Bytes() const { return MN_ProjectFileBytes(*app.project); }
  void Run(const char* item) { frame.Action(QLatin1String(item))->trigger(); }
  void Type(FlexGrid& grid, int row, int col, const QString& text) {
    grid.Select(row, col);
    grid.EditCell();
    auto* box = grid.Table()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(box, nullptr);
    box->setText(text);
    QTest::keyClick(box, Qt::Key_Return);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  void Mouse(QEvent::Type type, double f, Qt::MouseButton button, Qt::MouseButtons buttons) {
    auto* pbx = Child<PictureBoxWidget>(display, "TVStation_Pbx");
    const QPointF pos(display->PixelOf(f), pbx->height() / 2);
    QMouseEvent e(type, pos, pbx->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(pbx, &e);
  }
  void Press(const char* name) { Child<QPushButton>(editor, name)->click(); }
};

TEST_F(UndoTest, EveryKindOfChangeIsTakenBackAndMadeAgain) {
  struct Case {
    const char* step;
    std::function<void(UndoTest&)> prepare;  // may replace the project; the history starts after it
    std::function<void(UndoTest&)> change;
  };
  const Case cases[] = {
      {"Edit channel", nullptr, [](UndoTest& t) { t.Type(t.editor->SetupGrid(), 1, 1, "505"); }},
      {"Remove 2 channels", nullptr,
       [](UndoTest& t) {
         t.editor->SetupGrid().Select(1, 1, 2, 2);
         t.Press("SetupRem_Cbt");
       }},
      {"Shift 1 channel", nullptr,
       [](UndoTest& t) {
         t.editor->SetupGrid().Select(2, 1, 2, 2);
         t.Press("Shift_Cbt");
       }},
      {"Sort channels", nullptr, [](UndoTest& t) { t.Press("MicSort_Cbt"); }},
      {"Edit search spectrum", nullptr, [](UndoTest& t) { t.Type(t.editor->SpectrumGrid(), 1, 2, "550"); }},
      {"Change system type",
       [](UndoTest& t) { MN_InstallDefaultSystems(t.app); },
       [](UndoTest& t) {
         t.editor->showSystemDesigner = [](int32_t) { return 1; };
         ModalScript script({test::Press(QMessageBox::Yes)});
         t.Press("SelectSystem_Cbt_0");
         EXPECT_EQ(script.Done(), 1u);
       }},
      {"Change search step", nullptr,
       [](UndoTest& t) {  // typed key by key: one step
         auto* box = Child<QLineEdit>(t.editor, "SearchStep_Tbx");
         box->selectAll();
         QTest::keyClicks(box, "0.25");
       }},
      {"Move channel", nullptr,
       [](UndoTest& t) {  // a drag over several grid points is one step
         t.Mouse(QEvent::MouseButtonPress, 510, Qt::LeftButton, Qt::LeftButton);
         t.Mouse(QEvent::MouseButtonRelease, 510, Qt::LeftButton, Qt::NoButton);
         t.Mouse(QEvent::MouseButtonPress, 510, Qt::RightButton, Qt::RightButton);
         for (double f : {515.0, 520.0, 530.0}) t.Mouse(QEvent::MouseMove, f, Qt::NoButton, Qt::RightButton);
         t.Mouse(QEvent::MouseButtonRelease, 530, Qt::RightButton, Qt::NoButton);
       }},
      {"Move channel",
       [](UndoTest& t) { t.app.highlighted = 1; },
       [](UndoTest& t) { QTest::keyClick(Child<PictureBoxWidget>(t.display, "TVStation_Pbx"), Qt::Key_Right); }},
      {"Use proposal",
       [](UndoTest& t) {
         test::InitThreePoints(t.app, true);
         GenerateProposals(t.app, 1, 5, 2, 0, kShowProposals, kSearchSystematic);
       },
       [](UndoTest& t) {
         Report_Form* window = nullptr;
         for (QMdiSubWindow* sub : t.frame.MdiArea()->subWindowList())
           if (auto* form = qobject_cast<Report_Form*>(sub->widget())) window = form;
         ASSERT_NE(window, nullptr);
         Child<QListWidget>(window, "ReportAll_Lbx")->setCurrentRow(1);
         Child<QPushButton>(window, "Use_Cbt")->click();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    test::InitDisplayProject(app);
    app.highlighted = 0;
    if (c.prepare) c.prepare(*this);
    MN_RefreshViews(2);
    history->Reset();
    const std::vector<char> before = Bytes();
    c.change(*this);
    const std::vector<char> after = Bytes();
    ASSERT_NE(after, before);
    ASSERT_EQ(Stack().count(), 1);
    EXPECT_EQ(frame.Action(QStringLiteral("Edit_Undo"))->text(), QStringLiteral("&Undo ") + c.step);
    const ProjectRef changed = app.project;
    Run("Edit_Undo");
    EXPECT_EQ(Bytes(), before);
    EXPECT_NE(app.project, changed);
    EXPECT_FALSE(frame.Action(QStringLiteral("Edit_Undo"))->isEnabled());
    Run("Edit_Redo");
    EXPECT_EQ(Bytes(), after);
    EXPECT_EQ(Stack().count(), 1);  // undo and redo record nothing
    // The channel table shows the restored channels.
    EXPECT_EQ(editor->SetupGrid().Rows(), app.project->GcCurrSystem()->GcMics()->GCount() + 2);
  }
}

TEST_F(UndoTest, UndoBackToTheSavedProjectClearsTheModifiedFlagAndNewClearsTheSteps) {
  {
    ModalScript script({test::ChooseFile(dir.File("show.kova"))});
    Run("File_SaveAs");
  }
  ASSERT_FALSE(app.flags.projectModified);
  Press("MicSort_Cbt");
  EXPECT_TRUE(app.flags.projectModified);
  Run("Edit_Undo");
  EXPECT_FALSE(app.flags.projectModified);
  Run("Edit_Redo");
  EXPECT_TRUE(app.flags.projectModified);
  {
    ModalScript script({test::Press(QMessageBox::No)});
    Run("File_New");
  }
  EXPECT_EQ(Stack().count(), 0);
  EXPECT_FALSE(frame.Action(QStringLiteral("Edit_Undo"))->isEnabled());
}

TEST_F(UndoTest, ControlZInAnOpenCellEditorUndoesTheTypingNotTheProject) {
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
  Press("MicSort_Cbt");
  ASSERT_EQ(Stack().index(), 1);
  FlexGrid& grid = editor->SetupGrid();
  grid.Select(1, 2);
  grid.EditCell();
  auto* box = grid.Table()->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(box, nullptr);
  const QString label = box->text();
  box->setFocus();
  QTest::keyClicks(box, "xyz");
  QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(box->text(), label);
  EXPECT_EQ(Stack().index(), 1);
  // Outside the editor the same key undoes the step, Ctrl+Y makes it again.
  QTest::keyClick(box, Qt::Key_Escape);
  QTest::keyClick(grid.Table(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Stack().index(), 0);
  QTest::keyClick(grid.Table(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Stack().index(), 1);
}

}  // namespace
