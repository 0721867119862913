// Undo and redo in the frame: every kind of change the desktop records, taken back and made again.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QUndoStack>
#include <filesystem>

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
#include "ui/ProjectHistory.h"
#include "ui/UiTestSupport.h"

namespace kova {
namespace {

struct UndoTest : ::testing::Test {
  test::TempDir dir;
  AppState app;
  test::TestQtPort port;
  PortScope scope{port};
  Container_Form frame;
  Main_Form* editor = nullptr;
  Display_Form* display = nullptr;

  void SetUp() override {
    app.appDir = dir.Dir();
    test::InitDisplayProject(app);
    MN_ConnectFrame(frame, app);
    MN_InstallFrameHooks(port, frame, app);
    editor = MN_CreateMainWindow(frame, app, port);
    editor->askValue = [](const std::string&, std::string& value) { return !(value = "2").empty(); };
    frame.show();
    (display = MN_CreateDisplay(frame, app))->show();
    display->PrepareTVStationPbx(true);
  }
  QUndoStack& Stack() { return *frame.findChild<ProjectHistory*>()->Stack(); }
  std::vector<char> Bytes() const { return MN_ProjectFileBytes(*app.project); }
  void Run(const char* item) { frame.Action(QLatin1String(item))->trigger(); }
  void Press(QWidget* parent, const char* name) { test::Child<QPushButton>(parent, name)->click(); }
  // Types `text` into a cell; with `commit` Enter ends the edit.
  QLineEdit* Type(FlexGrid& grid, int row, int col, const char* text, bool commit = true) {
    grid.Select(row, col);
    grid.EditCell();
    auto* box = grid.Table()->viewport()->findChild<QLineEdit*>();
    box->selectAll(), QTest::keyClicks(box, text);
    if (commit) QTest::keyClick(box, Qt::Key_Return);
    for (int i = 0; commit && i < 3; ++i) QCoreApplication::processEvents();
    return box;
  }
  QWidget* Pbx() { return test::Child<QWidget>(display, "TVStation_Pbx"); }
  void Mouse(QEvent::Type type, double f, Qt::MouseButtons buttons) {
    const QPointF pos(display->PixelOf(f), 20);
    QMouseEvent e(type, pos, Pbx()->mapToGlobal(pos), Qt::RightButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(Pbx(), &e);
  }
};

TEST_F(UndoTest, EveryKindOfChangeIsTakenBackAndMadeAgain) {
  using Do = std::function<void(UndoTest&)>;
  const Do none = [](UndoTest&) {};
  const struct {
    const char* step;
    Do prepare, change;  // prepare may replace the project: the history starts after it
  } cases[] = {
      {"Edit channel", none, [](UndoTest& t) { t.Type(t.editor->SetupGrid(), 1, 1, "505"); }},
      {"Remove 2 channels", none, [](UndoTest& t) { t.editor->SetupGrid().Select(1, 1, 2, 2), t.Press(t.editor, "SetupRem_Cbt"); }},
      {"Shift 1 channel", none, [](UndoTest& t) { t.editor->SetupGrid().Select(2, 1), t.Press(t.editor, "Shift_Cbt"); }},
      {"Sort channels", none, [](UndoTest& t) { t.Press(t.editor, "MicSort_Cbt"); }},
      {"Edit search spectrum", none, [](UndoTest& t) { t.Type(t.editor->SpectrumGrid(), 1, 2, "550"); }},
      {"Choose search spectrum of every system", none,
       [](UndoTest& t) {  // all but the local stations, for both systems: one step
         test::WhenModal([](QWidget* dialog) {
           test::Child<QComboBox>(dialog, "Country_Cbx")->setCurrentIndex(2);  // USA/Canada UHF 14-36
           QTest::keyClicks(test::Child<QLineEdit>(dialog, "Occupied_Tbx"), "20, 27");
           test::Child<QPushButton>(dialog, "AllExcept_Cbt")->click();
         });
         t.Press(t.editor, "SpectrumSelect_Cbt_0");
         for (int32_t s : {0, 1}) EXPECT_EQ(t.app.project->GcSpectrumOf(s)->GlBands(), 3);
       }},
      {"Change search step", none,  // typed key by key: one step
       [](UndoTest& t) {
         auto* box = test::Child<QLineEdit>(t.editor, "SearchStep_Tbx");
         box->selectAll(), QTest::keyClicks(box, "0.25");
       }},
      {"Change system type", [](UndoTest& t) { MN_InstallDefaultSystems(t.app); },
       [](UndoTest& t) {
         test::ModalScript script({test::Press(QMessageBox::Yes)});
         t.editor->showSystemDesigner = [](int32_t) { return 1; }, t.Press(t.editor, "SelectSystem_Cbt_0");
       }},
      {"Move channel", [](UndoTest& t) { t.app.highlighted = 2; },
       [](UndoTest& t) {  // a drag over several grid points is one step
         for (double f : {510.0, 515.0, 520.0}) t.Mouse(f == 510 ? QEvent::MouseButtonPress : QEvent::MouseMove, f, Qt::RightButton);
         t.Mouse(QEvent::MouseButtonRelease, 520, Qt::NoButton);
       }},
      {"Move channel", [](UndoTest& t) { t.app.highlighted = 1; }, [](UndoTest& t) { QTest::keyClick(t.Pbx(), Qt::Key_Right); }},
      {"Use proposal", [](UndoTest& t) { test::InitThreePoints(t.app, true), GenerateProposals(t.app, 1, 5, 2, 0, kShowProposals, kSearchSystematic); },
       [](UndoTest& t) { t.frame.findChild<QPushButton*>(QStringLiteral("Use_Cbt"))->click(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    test::InitDisplayProject(app);
    app.highlighted = 0;
    c.prepare(*this);
    MN_RefreshViews(2);
    frame.findChild<ProjectHistory*>()->Reset();
    const std::vector<char> before = Bytes();
    c.change(*this);
    const std::vector<char> after = Bytes();
    ASSERT_NE(after, before);
    ASSERT_EQ(Stack().count(), 1);
    EXPECT_EQ(frame.Action(QStringLiteral("Edit_Undo"))->text(), QStringLiteral("&Undo ") + c.step);
    Run("Edit_Undo");
    EXPECT_EQ(Bytes(), before);
    Run("Edit_Redo");
    EXPECT_EQ(Bytes(), after);
    EXPECT_EQ(Stack().count(), 1);  // undo and redo record nothing
  }
}

TEST_F(UndoTest, TheSavedStateAndTheKeysOfTheFrameAndOfAnOpenCellEditor) {
  test::ModalScript script({test::ChooseFile(dir.File("show.kova")), test::Press(QMessageBox::No)});
  Run("File_SaveAs");
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame, test::kStateWaitMs));
  Press(editor, "MicSort_Cbt");
  // Undo in a cell editor with typing drops the typing and ends the edit; without typing it
  // ends the edit and undoes the last change.
  QLineEdit* box = Type(editor->SetupGrid(), 1, 2, "xyz", false);
  QTest::keySequence(box, QKeySequence::Undo);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !editor->SetupGrid().Editing(); }, test::kStateWaitMs));
  EXPECT_EQ(editor->SetupGrid().TextMatrix(1, 2), QStringLiteral("B"));
  EXPECT_EQ(Stack().index(), 1);
  editor->SetupGrid().EditCell();
  QTableWidget* table = editor->SetupGrid().Table();
  box = qobject_cast<QLineEdit*>(table->indexWidget(table->currentIndex()));
  ASSERT_NE(box, nullptr);
  QTest::keySequence(box, QKeySequence::Undo);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Stack().index() == 0; }, test::kStateWaitMs));
  EXPECT_FALSE(editor->SetupGrid().Editing());
  EXPECT_FALSE(app.flags.projectModified);  // back at the saved state
  QTest::keyClick(editor->SetupGrid().Table(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(app.flags.projectModified);
  Run("File_New");
  EXPECT_EQ(script.Done(), 2u);
  EXPECT_FALSE(frame.Action(QStringLiteral("Edit_Undo"))->isEnabled());
}

TEST_F(UndoTest, CopyCutPasteAndSelectAllActOnTheChannelTable) {
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame, test::kStateWaitMs));
  QTableWidget* table = editor->SetupGrid().Table();
  table->setFocus();
  QClipboard* clipboard = QApplication::clipboard();
  {
    test::ModalScript nothingAsked({test::Unexpected()});
    editor->SetupGrid().Select(1, 1, 2, 2);
    QTest::keySequence(table, QKeySequence::Copy);
    EXPECT_EQ(clipboard->text(), QStringLiteral("500.000\tA\n510.000\tB\n"));
    EXPECT_FALSE(std::filesystem::exists(app.CheckDir()));  // no check ran
    QTest::keySequence(table, QKeySequence::SelectAll);
    EXPECT_EQ(table->selectedItems().size(), table->rowCount() * table->columnCount());
    EXPECT_EQ(nothingAsked.Done(), 0u);
  }

  // Paste adds what holds a frequency in one step and names the rest.
  clipboard->setText(QStringLiteral("Frq. [MHz]\tLabel\n580.000\tIEM 4\nabc\n590\n"));
  QString message;
  {
    test::ModalScript script({test::Press(QMessageBox::Ok, &message)});
    QTest::keySequence(table, QKeySequence::Paste);
    EXPECT_EQ(script.Done(), 1u);
  }
  EXPECT_NE(message.indexOf(QStringLiteral("line 3 (abc)")), -1) << message.toStdString();
  const CMicCollection& mics = *app.project->GcSystem(0)->GcMics();
  ASSERT_EQ(mics.GCount(), 4);
  EXPECT_EQ(mics.GcItem(3)->GsGetLabel() + "@" + MN_FormatFreq(mics.GcItem(4)->GfGetFreq()), "IEM 4@590.000");
  EXPECT_EQ(frame.Action(QStringLiteral("Edit_Undo"))->text(), QStringLiteral("&Undo Paste 2 channels"));
  Run("Edit_Undo");
  EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GCount(), 2);

  // Cut copies and removes.
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame, test::kStateWaitMs));
  table->setFocus();
  editor->SetupGrid().Select(2, 1);
  QTest::keySequence(table, QKeySequence::Cut);
  EXPECT_EQ(clipboard->text(), QStringLiteral("510.000\tB\n"));
  EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GCount(), 1);
  EXPECT_EQ(frame.Action(QStringLiteral("Edit_Undo"))->text(), QStringLiteral("&Undo Cut 1 channel"));
}

}  // namespace
}  // namespace kova
