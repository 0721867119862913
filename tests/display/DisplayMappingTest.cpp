#include <gtest/gtest.h>

#include "display/DisplayMapping.h"

namespace kova {
namespace {

TEST(DisplayMappingTest, ZoomToDataRoundsToTensWithMarginHeldInRange) {
  struct Case {
    double lo, hi, lower, upper;
  } cases[] = {
      {470.6, 861.2, 460, 870},  // rounded, cut to tens, 10 MHz beyond
      {0, 1000, 0, 1000},        // the margins are held at the ends (empty project)
      {3.0, 995.0, 0, 1000},
      {518.2, 518.2, 500, 520},  // a single channel
  };
  for (const Case& c : cases) {
    DisplayMapping m;
    m.ZoomTo(c.lo, c.hi);
    EXPECT_DOUBLE_EQ(m.Lower(), c.lower) << c.lo;
    EXPECT_DOUBLE_EQ(m.Upper(), c.upper) << c.hi;
  }
}

TEST(DisplayMappingTest, FullViewWhenRangeUnderOneMegahertzOrReversed) {
  DisplayMapping m;
  EXPECT_TRUE(m.NeedsFullView());  // both limits 0 when the window opens
  m.SetLimits(500, 500.9);
  EXPECT_TRUE(m.NeedsFullView());
  m.SetLimits(600, 500);  // a lower limit typed above the upper one
  EXPECT_TRUE(m.NeedsFullView());
  m.SetLimits(500, 501);
  EXPECT_FALSE(m.NeedsFullView());
  m.SetLimits(-5, 1200);
  EXPECT_DOUBLE_EQ(m.Lower(), 0);
  EXPECT_DOUBLE_EQ(m.Upper(), 1000);
}

TEST(DisplayMappingTest, TickStepFollowsTextWidth) {
  struct Case {
    double textWidth;
    int32_t step;
  } cases[] = {
      {0.1, 1},  {0.49, 1}, {0.5, 2},   {0.99, 2},  {1.0, 5},    {2.49, 5},
      {2.5, 10}, {5.0, 20}, {12.6, 50}, {60.0, 200}, {1000.0, 200},
  };
  for (const Case& c : cases) EXPECT_EQ(DisplayMapping::TickStep(c.textWidth), c.step) << c.textWidth;
  EXPECT_EQ(DisplayMapping::FirstTick(463.7, 20), 460);
  EXPECT_EQ(DisplayMapping::FirstTick(0, 5), 0);
}

TEST(DisplayMappingTest, ScrollMovesCentreButNeverPastTheEnds) {
  DisplayMapping m;
  m.SetLimits(460, 560);
  EXPECT_EQ(m.ScrollValue(), 5100);
  EXPECT_TRUE(m.ScrollTo(6000));
  EXPECT_DOUBLE_EQ(m.Lower(), 550);
  EXPECT_DOUBLE_EQ(m.Upper(), 650);
  // Centres that would put the range past 1000 or below 0 leave the limits alone.
  EXPECT_FALSE(m.ScrollTo(9600));
  EXPECT_FALSE(m.ScrollTo(400));
  EXPECT_DOUBLE_EQ(m.Lower(), 550);
  EXPECT_DOUBLE_EQ(m.Upper(), 650);
  EXPECT_TRUE(m.ScrollTo(9500));
  EXPECT_DOUBLE_EQ(m.Upper(), 1000);
}

TEST(DisplayMappingTest, WheelZoomKeepsFrequencyUnderPointer) {
  DisplayMapping m;
  m.SetLimits(400, 600);
  const int32_t width = 1000;
  const double x = 300;  // pixel of 460 MHz
  const double f = m.FreqAt(x, width);
  EXPECT_DOUBLE_EQ(f, 460);
  EXPECT_TRUE(m.ZoomAround(f, 0.5));
  EXPECT_NEAR(m.FreqAt(x, width), 460, 1e-9);
  EXPECT_NEAR(m.Span(), 100, 1e-9);
  // Zooming out at the edge is held within 0 ... 1000; a span under 1 MHz is refused.
  EXPECT_TRUE(m.ZoomAround(f, 100));
  EXPECT_DOUBLE_EQ(m.Lower(), 0);
  EXPECT_DOUBLE_EQ(m.Upper(), 1000);
  EXPECT_FALSE(m.ZoomAround(f, 100));
  m.SetLimits(500, 502);
  EXPECT_FALSE(m.ZoomAround(501, 0.4));
}

TEST(DisplayMappingTest, PixelsAndProductHeights) {
  DisplayMapping m;
  m.SetLimits(460, 870);
  EXPECT_DOUBLE_EQ(m.XOf(460, 820), 0);
  EXPECT_DOUBLE_EQ(m.XOf(665, 820), 410);
  EXPECT_DOUBLE_EQ(DisplayMapping::YOf(1.65, 390), 0);
  EXPECT_DOUBLE_EQ(DisplayMapping::YOf(-0.3, 390), 390);
  EXPECT_DOUBLE_EQ(DisplayMapping::ProductTop(1), 1.2);
  EXPECT_NEAR(DisplayMapping::ProductTop(8), 1.2 + 0.171, 1e-12);
}

}  // namespace
}  // namespace kova
