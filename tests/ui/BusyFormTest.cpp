#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "tools/ScriptedPort.h"
#include "ui/BusyForm.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;

namespace {

// A box driven by a scripted clock, with another window that the box must disable.
struct BusyFixture : ::testing::Test {
  ScriptedPort port;
  BusyForm form{&port};
  QWidget other;

  void SetUp() override {
    other.setObjectName("OtherWindow");
    other.show();
  }
  bool Busy(double fraction, double at, int32_t flags = 0, const std::string& text = "Search ") {
    port.clock = at;
    return form.BUSY(text, fraction, flags);
  }
  QString Done() const { return Child<QLabel>(const_cast<BusyForm*>(&form), "DoneLabel")->text(); }
};

}  // namespace

TEST_F(BusyFixture, ControlsAreNamedAndCaptioned) {
  EXPECT_EQ(form.windowTitle(), "BUSY...");
  EXPECT_EQ(Child<QPushButton>(&form, "Abort_Cbt")->text(), "Abort ( ESC )");
  EXPECT_EQ(Child<QCheckBox>(&form, "CheckBell")->text(), "Bell");
  EXPECT_EQ(Child<QCheckBox>(&form, "Top_Chk")->text(), "Top");
  EXPECT_NE(Child<QLabel>(&form, "Bell_Img"), nullptr);
  EXPECT_NE(Child<BusyPicture>(&form, "BusyBox"), nullptr);
  EXPECT_EQ(Done(), "Done 0.0%, still 1h 5m");
}

TEST_F(BusyFixture, ShowAtOnceStartsVisibleAndDisablesOtherWindows) {
  double fraction = 0;
  port.clock = 1000;
  EXPECT_TRUE(form.BUSY("Search ", fraction, BusyForm::kShowAtOnce));
  EXPECT_DOUBLE_EQ(fraction, 1.0 / 60.0);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.windowTitle(), "Search BUSY... ");
  EXPECT_EQ(Done(), "Done 1.667%, still 0sec");
  EXPECT_FALSE(other.isEnabled());
  EXPECT_TRUE(form.isEnabled());

  fraction = 1;
  EXPECT_TRUE(Busy(1.0, 1125));
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(other.isEnabled());
  EXPECT_EQ(Done(), "Done 100.000%, total 2min 5sec");
  EXPECT_EQ(form.Picture()->BarColor().name(), "#0000ff");
}

TEST_F(BusyFixture, HiddenUntilTheThresholdsAreMetThenRedrawnAtMostEveryThreeTenths) {
  ASSERT_TRUE(Busy(0, 1000));
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(other.isEnabled());  // disabled from the start, visible or not
  struct {
    double at, fraction;
    bool visible;
    const char* line;
    double bar;  // the fraction the bar shows
  } steps[] = {
      {1000.5, 0.5, false, "Done 50%, still 0sec", 0.5},          // before one second has passed
      {1061.0, 0.5, false, "Done 50.0%, still 1min 1sec", 0.5},   // second unit 1 < 2
      {1062.0, 0.5, true, "Done 50.0%, still 1min 2sec", 0.5},
      {1062.1, 0.6, true, "Done 50.0%, still 1min 2sec", 0.5},    // too soon: the last step stays
      {1062.2, 0.6, true, "Done 50.0%, still 1min 2sec", 0.5},
      {1062.4, 0.6, true, "Done 60.0%, still 42sec", 0.6},
  };
  for (const auto& s : steps) {
    EXPECT_TRUE(Busy(s.fraction, s.at));
    EXPECT_EQ(form.isVisible(), s.visible) << s.at;
    EXPECT_EQ(Done(), s.line) << s.at;
    EXPECT_EQ(form.Picture()->Line(), s.line) << s.at;
    EXPECT_EQ(form.Picture()->Fraction(), s.bar) << s.at;
    EXPECT_EQ(form.Picture()->BarColor().name(), "#ffff00");
    EXPECT_EQ(form.Picture()->TextColor().name(), "#000080");
  }
}

TEST_F(BusyFixture, EscapeAborts) {
  double fraction = 0;
  port.clock = 1000;
  ASSERT_TRUE(form.BUSY("Run ", fraction, BusyForm::kShowAtOnce));
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_TRUE(form.AbortRequested());
  EXPECT_FALSE(Busy(0.5, 1001));
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.IsActive());
  EXPECT_TRUE(other.isEnabled());
  // A new task starts without the old abort request.
  EXPECT_TRUE(Busy(0, 2000));
  EXPECT_FALSE(form.AbortRequested());
  EXPECT_TRUE(Busy(0.5, 2001));
}

TEST_F(BusyFixture, AbortButtonAbortsEvenWithFocusElsewhere) {
  double fraction = 0;
  ASSERT_TRUE(form.BUSY("Run ", fraction, BusyForm::kShowAtOnce));
  auto* top = Child<QCheckBox>(&form, "Top_Chk");
  top->setFocus();
  QTest::keyClick(top, Qt::Key_Escape);  // reaches the box through the focused check box
  EXPECT_FALSE(Busy(0.5, port.clock + 1));

  fraction = 0;
  ASSERT_TRUE(form.BUSY("Run ", fraction, BusyForm::kShowAtOnce));
  QTest::mouseClick(Child<QPushButton>(&form, "Abort_Cbt"), Qt::LeftButton);
  EXPECT_FALSE(Busy(0.5, port.clock + 1));
}

TEST_F(BusyFixture, CloseButtonHidesWithoutAborting) {
  double fraction = 0;
  port.clock = 1000;
  ASSERT_TRUE(form.BUSY("Run ", fraction, BusyForm::kShowAtOnce));
  ASSERT_TRUE(form.isVisible());
  EXPECT_FALSE(form.close());  // the close is refused, the box only hides
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.AbortRequested());
  EXPECT_FALSE(form.IsActive());
  EXPECT_TRUE(other.isEnabled());
  // The next progress call sets the task up again with a new start time.
  EXPECT_TRUE(Busy(0.5, 1500));
  EXPECT_TRUE(form.IsActive());
  EXPECT_EQ(form.Clock().StartTime, 1500.0f);
  EXPECT_FALSE(other.isEnabled());
  form.abortbusy();
}

TEST_F(BusyFixture, BellKeepsTheFinishedBoxUpUntilUnticked) {
  auto* bell = Child<QCheckBox>(&form, "CheckBell");
  QTest::mouseClick(Child<QLabel>(&form, "Bell_Img"), Qt::LeftButton);  // the image ticks the bell
  ASSERT_TRUE(bell->isChecked());
  ASSERT_TRUE(Busy(0, 1000));
  port.clockStep = 0.25;  // every reading of the clock advances it by a quarter second
  // Hide the box whenever it is up and note the scripted time: the bell loop must show it
  // again after each 3 s wait, until the bell is unticked.
  std::vector<double> shownAt;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!form.isVisible()) return;
    shownAt.push_back(port.clock);
    form.hide();
    if (shownAt.size() == 3) bell->click();
  });
  watch.start(1);
  EXPECT_TRUE(Busy(1.0, 1010));
  ASSERT_EQ(shownAt.size(), 3u);
  for (size_t i = 1; i < shownAt.size(); ++i) EXPECT_GE(shownAt[i] - shownAt[i - 1], 3.0);
  EXPECT_FALSE(bell->isChecked());
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(other.isEnabled());
}

TEST_F(BusyFixture, AbortEndsTheBellWait) {
  Child<QCheckBox>(&form, "CheckBell")->setChecked(true);
  ASSERT_TRUE(Busy(0, 1000));
  QTimer::singleShot(20, &form, [this] { QTest::keyClick(&form, Qt::Key_Escape); });
  EXPECT_TRUE(Busy(1.0, 1010));  // the finish call reports success even after an abort
  EXPECT_FALSE(form.isVisible());
}

