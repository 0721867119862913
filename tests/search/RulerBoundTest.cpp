// The ruler bound caps the Maximum Search: it must never fall below a set that exists.

#include <gtest/gtest.h>

#include <vector>

#include "search/RulerBound.h"

using namespace kova;

namespace {

struct Known {
  RulerRule rule;
  int32_t marks;
  int32_t length;  // the shortest ruler with that many marks under the rule
};

// Golomb rulers (least gap 1, distances merely different) up to 11 marks, and the 6 and 8 MHz TV
// channels on a 25 kHz grid with 0.4 MHz spacing and 0.05 MHz third-order protection (least gap
// 16 steps, distances more than 1 step apart): 10 channels in 240 steps, 12 in 320.
const Known kKnown[] = {
    {{1, 0}, 2, 1},   {{1, 0}, 3, 3},   {{1, 0}, 4, 6},   {{1, 0}, 5, 11},  {{1, 0}, 6, 17},   {{1, 0}, 7, 25},
    {{1, 0}, 8, 34},  {{1, 0}, 9, 44},  {{1, 0}, 10, 55}, {{1, 0}, 11, 72}, {{16, 1}, 10, 216}, {{16, 1}, 12, 286},
};

}  // namespace

TEST(RulerBound, NeverBelowAKnownOptimumAndExactWhereSearched) {
  const RulerTable golomb = ComputeRulerTable({1, 0}, 72);
  const RulerTable tv = ComputeRulerTable({16, 1}, 320, {.nodesPerLength = int64_t{1} << 24, .threads = 2, .keepGoing = {}});
  for (const Known& k : kKnown) {
    SCOPED_TRACE(testing::Message() << k.marks << " marks, least gap " << k.rule.minGap);
    EXPECT_GE(RulerGapMaxMarks(k.length, k.rule), k.marks);
    EXPECT_LE(RulerGapMinLength(k.marks, k.rule), k.length);
    const RulerTable& exact = k.rule.minGap == 1 ? golomb : tv;
    ASSERT_GE(exact.exactUpTo, k.length);
    EXPECT_EQ(exact.MaxMarks(k.length), k.marks);
    EXPECT_EQ(exact.MaxMarks(k.length - 1), k.marks - 1);
    // Stopped early, the estimates that fill the table must still allow the optimum, at every
    // length up to the longest searched band.
    RulerTableOptions rough;
    rough.nodesPerLength = 3;
    const RulerTable estimated = ComputeRulerTable(k.rule, 320, rough);
    for (int32_t L = k.length; L <= 320; ++L) ASSERT_GE(estimated.MaxMarks(L), k.marks) << "length " << L;
  }
  // The TV channels themselves (6 and 8 MHz): the bound is the optimum.
  EXPECT_EQ(tv.MaxMarks(240), 10);
  EXPECT_EQ(tv.MaxMarks(320), 12);
}

TEST(RulerBound, RuleOnlyWhereTheChecksKeepDistancesApart) {
  struct Case {
    double spacing, twoTx, threeTx;
    int32_t minGap, tol;  // tol -1: no rule
  };
  // Grid of 25 kHz, frequencies off it by up to 0.00003 MHz (single precision near 500 MHz).
  const Case cases[] = {
      {0.4, 0.05, 0.05, 16, 1}, {0.0, 0.0, 0.0, 1, 0},     {0.4, 0.05, -1, 0, -1},  {0.4, -1, 0.05, 0, -1},
      {0.4, 0.0005, 0.05, 0, -1}, {0.1, 0.3, 0.3, 4, 3},   {0.025, 0.2, 0.2, 1, 0}, {0.401, 0.051, 0.1, 16, 1},
  };
  for (const Case& c : cases) {
    const auto rule = RulerRuleFor(0.025, 0.00003, c.spacing, c.twoTx, c.threeTx);
    SCOPED_TRACE(testing::Message() << c.spacing << " " << c.twoTx << " " << c.threeTx);
    ASSERT_EQ(rule.has_value(), c.tol >= 0);
    if (rule) {
      EXPECT_EQ(rule->minGap, c.minGap);
      EXPECT_EQ(rule->tol, c.tol);
    }
  }
  // A grid fits single-precision points with gaps; a point off the grid leaves none.
  std::vector<double> f{470.0f, 470.025f, 470.1f, 476.0f};
  const auto fit = FitGrid(f.data(), 4);
  ASSERT_TRUE(fit.has_value());
  EXPECT_EQ(fit->pos, (std::vector<int32_t>{0, 1, 4, 240}));
  f[2] = 470.11f;
  EXPECT_FALSE(FitGrid(f.data(), 4).has_value());
}
