#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <cmath>

#include "app/AppState.h"
#include "display/DisplayTestSupport.h"
#include "support/TestSupport.h"
#include "ui/Container_Form.h"
#include "ui/DesktopShell.h"
#include "ui/Display_Form.h"
#include "ui/PictureBoxWidget.h"
#include "ui/FlexGrid.h"
#include "ui/Main_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;
using kova::test::ModalScript;

namespace {

// The frame with its commands and the display opened from the View menu, on the test project
// zoomed to 460 ... 610 MHz.
struct DisplayFormTest : ::testing::Test {
  test::TempDir dir;
  AppState app;
  test::TestQtPort port;
  PortScope scope{port};
  Container_Form frame;
  Display_Form* display = nullptr;
  PictureBoxWidget* pbx = nullptr;

  void SetUp() override {
    app.appDir = dir.Dir();
    test::InitDisplayProject(app);
    MN_ConnectFrame(frame, app);
    MN_InstallFrameHooks(port, frame, app);
    frame.show();
    frame.Action(QStringLiteral("View_Graphics"))->trigger();
    display = frame.findChild<Display_Form*>();
    ASSERT_NE(display, nullptr);
    ASSERT_TRUE(display->isVisible());
    pbx = Child<PictureBoxWidget>(display, "TVStation_Pbx");
    ASSERT_NE(pbx, nullptr);
    display->PrepareTVStationPbx(true);
    ASSERT_DOUBLE_EQ(display->Mapping().Lower(), 460);
    ASSERT_DOUBLE_EQ(display->Mapping().Upper(), 610);
  }

  QPoint At(double f) const { return {display->PixelOf(f), pbx->height() / 2}; }
  void Send(QEvent::Type type, double f, Qt::MouseButton button, Qt::MouseButtons buttons) {
    const QPointF pos = At(f);
    QMouseEvent e(type, pos, pbx->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(pbx, &e);
  }
  void Click(double f) {
    Send(QEvent::MouseButtonPress, f, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, f, Qt::LeftButton, Qt::NoButton);
  }
  // Presses the right button at `from`, moves through `path` and lets go.
  void RightDrag(double from, std::initializer_list<double> path) {
    Send(QEvent::MouseButtonPress, from, Qt::RightButton, Qt::RightButton);
    double last = from;
    for (double f : path) Send(QEvent::MouseMove, last = f, Qt::NoButton, Qt::RightButton);
    Send(QEvent::MouseButtonRelease, last, Qt::RightButton, Qt::NoButton);
  }
  float Freq(int32_t slot, int32_t i) const { return app.project->GcSystem(slot)->GcMics()->GcItem(i)->GfGetFreq(); }
};

TEST_F(DisplayFormTest, LeftClickHighlightsAndStepsThroughStackedChannels) {
  app.project->GcSystem(0)->GcMics()->GAddMic("C", "Grid1", 500.6f, test::kRed, 0, 0, 0);
  Click(500);
  EXPECT_EQ(app.highlighted, 1);
  // The highlighted channel's grid is drawn.
  EXPECT_EQ(display->Picture().pixelColor(display->PixelOf(480), pbx->Box().PixelY(1.05)), QColor(255, 0, 0));
  Click(500);
  EXPECT_EQ(app.highlighted, 3);
  Click(500);
  EXPECT_EQ(app.highlighted, 1);
  Click(540);  // nothing there
  EXPECT_EQ(app.highlighted, 0);
  Click(560);  // the other system's channel is not the current system's
  EXPECT_EQ(app.highlighted, 0);
  EXPECT_FALSE(app.flags.projectModified);
}

TEST_F(DisplayFormTest, RightDragMovesOnlyTheHighlightedChannelOntoGridPoints) {
  RightDrag(500, {520});  // nothing highlighted: nothing moves
  EXPECT_EQ(Freq(0, 1), 500.0f);
  EXPECT_FALSE(app.flags.projectModified);

  Click(510);
  ASSERT_EQ(app.highlighted, 2);
  RightDrag(510, {523.4, 531.7, 700});
  EXPECT_EQ(Freq(0, 1), 500.0f);
  EXPECT_EQ(Freq(1, 1), 560.0f);
  EXPECT_EQ(Freq(0, 2), 610.0f);  // the end of the tuning range
  EXPECT_TRUE(app.flags.projectModified);

  RightDrag(610, {523.4});
  EXPECT_EQ(Freq(0, 2), 523.0f);  // a grid point, not the pointer's frequency
  // The picture was redrawn on the move: the channel's colour at its new place.
  EXPECT_EQ(display->Picture().pixelColor(display->PixelOf(523), pbx->Box().PixelY(0.3)), QColor(0, 255, 0));
}

TEST_F(DisplayFormTest, ChannelTableFollowsADragAndAStep) {
  Main_Form* editor = MN_CreateMainWindow(frame, app, port);
  Click(510);
  RightDrag(510, {523.4});
  EXPECT_EQ(editor->SetupGrid().TextMatrix(2, 1), "523.000");
  QTest::keyClick(pbx, Qt::Key_Right);
  EXPECT_EQ(editor->SetupGrid().TextMatrix(2, 1), "524.000");
}

TEST_F(DisplayFormTest, ArrowKeysStepAndWheelZoomsAroundPointer) {
  Click(500);
  QTest::keyClick(pbx, Qt::Key_Right);
  QTest::keyClick(pbx, Qt::Key_Right);
  QTest::keyClick(pbx, Qt::Key_Left);
  EXPECT_EQ(Freq(0, 1), 501.0f);
  EXPECT_TRUE(app.flags.projectModified);

  const QPoint pos = At(520);
  const double before = display->FreqAt(pos.x());
  QWheelEvent wheel(pos, pbx->mapToGlobal(pos), {}, {0, 240}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(pbx, &wheel);
  EXPECT_NEAR(display->Mapping().Span(), 150 * 0.64, 1e-9);
  EXPECT_NEAR(display->FreqAt(pos.x()), before, 1e-9);
  EXPECT_EQ(Child<QLineEdit>(display, "MinFreq_Tbx")->text().toStdString(),
            MN_FormatFreq(display->Mapping().Lower()));
}

TEST_F(DisplayFormTest, LimitBoxesAndAskForLimits) {
  auto* minBox = Child<QLineEdit>(display, "MinFreq_Tbx");
  auto* maxBox = Child<QLineEdit>(display, "MaxFreq_Tbx");
  maxBox->setText(QStringLiteral("1200"));
  emit maxBox->editingFinished();
  minBox->setText(QStringLiteral("0"));
  emit minBox->editingFinished();
  EXPECT_EQ(maxBox->text(), QStringLiteral("1000.000"));

  QString question;
  {
    ModalScript script({test::Press(QMessageBox::Cancel, &question)});
    EXPECT_FALSE(display->AskForLimits());
    EXPECT_EQ(script.Done(), 1u);
  }
  EXPECT_EQ(question.toStdString(),
            "The limits of the spectrum display are still at 0Hz and 1000MHz. Do you want KOVA to zoom in "
            "automatically?");
  {
    ModalScript script({test::Press(QMessageBox::Yes)});
    EXPECT_TRUE(display->AskForLimits());
  }
  EXPECT_EQ(minBox->text(), QStringLiteral("460.000"));
  {
    ModalScript script({test::Unexpected()});
    EXPECT_TRUE(display->AskForLimits());  // other limits: no question
    EXPECT_EQ(script.Done(), 0u);
  }
  // A lower limit above the upper one zooms to the data.
  minBox->setText(QStringLiteral("700"));
  emit minBox->editingFinished();
  EXPECT_DOUBLE_EQ(display->Mapping().Lower(), 460);
}

}  // namespace
