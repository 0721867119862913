// What a check finds is marked in the channel table and the display and listed in its window.
#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

#include "display/DisplayTestSupport.h"
#include "support/TestSupport.h"
#include "ui/CheckResults_Form.h"
#include "ui/Container_Form.h"
#include "ui/DesktopShell.h"
#include "ui/Display_Form.h"
#include "ui/FlexGrid.h"
#include "ui/Main_Form.h"
#include "ui/PictureBoxWidget.h"
#include "ui/UiTestSupport.h"

using namespace kova;

TEST(CheckResults, MarksAndListAfterFullAndSilentChecks) {
  test::TempDir dir;
  AppState app;
  app.appDir = dir.Dir();
  test::TestQtPort port;
  PortScope scope{port};
  // IM(3) products within 1.5 MHz count: 499 (B, IEM 2) hits A, 520 (A, B) hits IEM 2; IEM 3
  // lies outside the search spectrum.
  test::InitDisplayProject(app);
  for (int32_t s : {0, 1}) app.project->GcSystem(s)->GcSystemType()->GfBandwidth(4, 1.5f);
  app.project->GcSystem(1)->GcMics()->GAddMic("IEM 2", "Grid1", 521.0f, test::kYellow, 0, 0, 0);
  app.project->GcSystem(1)->GcMics()->GAddMic("IEM 3", "Grid1", 605.0f, test::kYellow, 0, 0, 0);
  Container_Form frame;
  MN_ConnectFrame(frame, app);
  MN_InstallFrameHooks(port, frame, app);
  frame.show();
  Main_Form* editor = MN_CreateMainWindow(frame, app, port);
  frame.Action(QStringLiteral("View_Graphics"))->trigger();
  auto* display = frame.findChild<Display_Form*>();
  const auto productRed = [&] {  // the product at 499 MHz
    const int y = test::Child<PictureBoxWidget>(display, "TVStation_Pbx")->Box().PixelY(1.15);
    return display->Picture().pixelColor(display->PixelOf(499), y) == TL_DisplayConflictColor();
  };
  EXPECT_FALSE(productRed());
  {
    test::ModalScript script({test::Press(QMessageBox::Cancel)});  // do not view the log
    frame.Action(QStringLiteral("Calc_Check"))->trigger();
  }
  FlexGrid& grid = editor->SetupGrid();
  const auto tip = [&](int row) { return grid.Table()->item(row - 1, 0)->toolTip().toStdString(); };
  EXPECT_EQ(tip(1) + "|" + tip(2), "2Tx IM(3) of 510.000 (#1 B), 521.000 (#2 IEM 2) at 499.000|");
  EXPECT_NE(grid.CellBackColor(1, 1), 0xFFFFFF);
  EXPECT_TRUE(productRed());

  // One row per problem line of the log, in its order until a column is sorted.
  auto* results = frame.findChild<CheckResults_Form*>();
  ASSERT_NE(results, nullptr);
  QTableWidget* table = results->Table();
  std::string log = test::ReadFile(std::filesystem::directory_iterator(app.CheckDir())->path().string());
  log = log.substr(log.find("Check results\r\n\r\n") + 17);
  const std::vector<std::string> lines = test::SplitCrLf(log.substr(0, log.find("\r\n\r\n")));
  ASSERT_EQ(table->rowCount(), static_cast<int>(lines.size()));
  const auto cell = [&](int r, int c) { return table->item(r, c)->text().toStdString(); };
  for (size_t r = 0; r < lines.size(); ++r) {
    const int i = static_cast<int>(r);
    EXPECT_EQ(lines[r].rfind("[ #" + cell(i, 0) + "]  " + cell(i, 2) + " MHz " + cell(i, 1) + "   overlapped by", 0), 0u);
    EXPECT_NE(lines[r].find(cell(i, 5)), std::string::npos) << lines[r];
  }
  EXPECT_EQ(cell(0, 3) + " " + cell(0, 4), "Spectrum outside the search spectrum");
  EXPECT_EQ(cell(2, 4) + " " + cell(2, 6), "500.000 (#1 A), 510.000 (#1 B) 1000");
  table->sortItems(CheckResults_Form::kFreq, Qt::DescendingOrder);
  EXPECT_EQ(cell(0, 1) + cell(1, 1) + cell(2, 1), "IEM 3IEM 2A");
  // A double click on IEM 2 makes system 2 current and highlights it in the table.
  const QPoint at = table->visualItemRect(table->item(1, 1)).center();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);  // the widget double click comes alone
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(app.project->GlCurr(), 1);
  EXPECT_EQ(app.highlighted, 2);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(tip(2) + "|" + tip(3), "2Tx IM(3) of 500.000 (#1 A), 510.000 (#1 B) at 520.000|Spectrum: outside the search spectrum");

  // A change (Sort: IEM 3, IEM, IEM 2) takes every mark; the silent check marks every channel
  // hit again, also behind one outside the search spectrum. The results window no longer
  // describes the project and says so until it checks again.
  test::Child<QPushButton>(editor, "MicSort_Cbt")->click();
  EXPECT_EQ(tip(2) + "|" + tip(3), "|");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !editor->SilentCheckBusy(); }, test::kStateWaitMs));
  EXPECT_EQ(tip(1) + "|" + tip(2) + "|" + tip(3),
            "Spectrum: outside the search spectrum||2Tx IM(3) of 500.000 (#1 A), 510.000 (#1 B) at 520.000");
  EXPECT_EQ(editor->StatusLight(), 3);
  EXPECT_TRUE(QTest::qWaitFor([&] { return results->IsStale(); }, test::kStateWaitMs));
  EXPECT_FALSE(table->isEnabled());
  auto* again = test::Child<QPushButton>(results, "CheckAgain_Cbt");
  ASSERT_TRUE(again->isVisible());
  {
    test::ModalScript script({test::Press(QMessageBox::Cancel)});
    again->click();
  }
  EXPECT_FALSE(results->IsStale());
  EXPECT_TRUE(table->isEnabled());
  EXPECT_FALSE(again->isVisible());
}
