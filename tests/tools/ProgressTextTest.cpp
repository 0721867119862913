#include <gtest/gtest.h>

#include <limits>

#include "tools/ProgressText.h"

using namespace kova;

TEST(BusyTimeText, UnitsAndSecondUnit) {
  struct {
    int32_t s;
    const char* text;
    int32_t unit;
  } cases[] = {
      {0, " 0sec", 0},
      {59, " 59sec", 59},
      {60, " 1min 0sec", 0},
      {125, " 2min 5sec", 5},
      {3599, " 59min 59sec", 59},
      {3600, " 1h 0min", 0},
      {3725, " 1h 2min", 2},
      {86399, " 23h 59min", 59},
      {86400, " 1d 0h", 0},
      {90000, " 1d 1h", 1},
      {5 * 86400 + 23 * 3600, " 5d 23h", 23},
      {7 * 86400, " > 5d", 0},
      {7 * 86400 + 4 * 3600, " > 5d", 4},
      {-1, " > 5d", 0},
      {std::numeric_limits<int32_t>::max(), " > 5d", 3},
  };
  for (const auto& c : cases) {
    int32_t unit = -99;
    EXPECT_EQ(BusyTimeText(c.s, &unit), c.text) << c.s;
    EXPECT_EQ(unit, c.unit) << c.s;
  }
}

TEST(BusyRemaining, RoundsHalfToEvenAndCapsAtLong) {
  EXPECT_EQ(BusyRemainingSeconds(0.25, 30), 90);
  EXPECT_EQ(BusyRemainingSeconds(0.5, 2.5), 2);   // 2.5 -> 2
  EXPECT_EQ(BusyRemainingSeconds(0.5, 3.5), 4);   // 3.5 -> 4
  EXPECT_EQ(BusyRemainingSeconds(0.5, 0), 0);
  EXPECT_EQ(BusyRemainingSeconds(1e-9, 10), -1);  // 1e10 s does not fit a Long
  EXPECT_EQ(BusyRemainingSeconds(0.5, 2147483647.0), 2147483647);
  EXPECT_EQ(BusyRemainingSeconds(0.5, 2147483648.0), -1);
}

TEST(BusyRateFormat, DecimalsGrowAsTheRateFalls) {
  struct {
    double fraction, elapsed;
    const char* format;
  } cases[] = {
      {0.5, 0, "##0.000"},       {0.5, -1, "##0.000"},       {0.5, 10, "##0"},
      {0.01, 1, "##0.0"},        {0.25, 30, "##0.0"},        {0.01, 10, "##0.00"},
      {0.01, 100, "##0.000"},    {0.01, 1000, "##0.0000"},   {0.01, 10000, "##0.00000"},
      {0.01, 0.999, "##0"},
      // Exactly on a boundary the coarser format is not taken (strictly greater).
      {0.01, 1, "##0.0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BusyRateFormat(c.fraction, c.elapsed), c.format) << c.fraction << " after " << c.elapsed;
}

TEST(BusyLines, ProgressAndFinish) {
  int32_t unit = -1;
  EXPECT_EQ(BusyProgressLine(0.25, 30, &unit), "Done 25.0%, still 1min 30sec");
  EXPECT_EQ(unit, 30);
  EXPECT_EQ(BusyProgressLine(0.5, 10), "Done 50%, still 10sec");
  EXPECT_EQ(BusyProgressLine(0.001, 5), "Done 0.10%, still 1h 23min");
  EXPECT_EQ(BusyProgressLine(1e-9, 10), "Done 0.00000%, still > 5d");
  EXPECT_EQ(BusyProgressLine(0.5, 0), "Done 50.000%, still 0sec");
  EXPECT_EQ(BusyFinishLine(1.0, 125), "Done 100.000%, total 2min 5sec");
  EXPECT_EQ(BusyFinishLine(1.0, 0), "Done 100.000%, total 0sec");
  EXPECT_EQ(BusyFinishLine(0.0625, 3725), "Done 6.250%, total 1h 2min");
}

TEST(BusyClock, RedrawsAtMostEveryThreeTenths) {
  BusyClock c;
  c.Start(1000.0f);
  float elapsed = -1;
  EXPECT_FALSE(c.Tick(1000.0f, elapsed));
  EXPECT_FALSE(c.Tick(1000.25f, elapsed));
  EXPECT_EQ(c.LastTime, 1000.0f);
  EXPECT_TRUE(c.Tick(1000.5f, elapsed));
  EXPECT_EQ(elapsed, 0.5f);
  EXPECT_EQ(c.LastTime, 1000.5f);
  EXPECT_FALSE(c.Tick(1000.75f, elapsed));
  EXPECT_TRUE(c.Tick(1030.0f, elapsed));
  EXPECT_EQ(elapsed, 30.0f);
}

TEST(BusyClock, MidnightMovesTheStartBackOneDay) {
  BusyClock c;
  c.Start(86390.0f);
  float elapsed = 0;
  ASSERT_TRUE(c.Tick(86399.0f, elapsed));
  EXPECT_EQ(elapsed, 9.0f);
  ASSERT_TRUE(c.Tick(5.0f, elapsed));  // 00:00:05 of the next day
  EXPECT_EQ(c.StartTime, -10.0f);
  EXPECT_EQ(elapsed, 15.0f);
  ASSERT_TRUE(c.Tick(20.0f, elapsed));
  EXPECT_EQ(elapsed, 30.0f);  // moved only once

  BusyClock f;
  f.Start(86000.0f);
  EXPECT_EQ(f.FinishSeconds(86399.5f), 400);  // 399.5 -> 400 (half to even)
  BusyClock g;
  g.Start(86000.0f);
  EXPECT_EQ(g.FinishSeconds(100.0f), 500);
}

TEST(BusyClock, PauseDoesNotCount) {
  BusyClock c;
  c.Start(1000.0f);
  c.Break(1010.0f);
  EXPECT_FALSE(c.rest_var);
  c.Restart(1070.4f);  // 60.4 s pause -> 60 whole seconds
  EXPECT_TRUE(c.rest_var);
  EXPECT_EQ(c.StartTime, 1060.0f);
  EXPECT_EQ(c.LastTime, 1060.0f);

  // A pause over midnight.
  BusyClock m;
  m.Start(86000.0f);
  m.Break(86300.0f);
  m.Restart(100.0f);  // 200 s later, next day
  EXPECT_EQ(m.StartTime, 86200.0f);
  BusyClock w;
  w.Start(86300.0f);
  w.Break(86310.0f);
  w.Restart(200.0f);  // 290 s pause; start wraps past midnight
  EXPECT_EQ(w.StartTime, 190.0f);
}
