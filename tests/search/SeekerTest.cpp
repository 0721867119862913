#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "search/Seeker_Module.h"
#include "tools/ScriptedPort.h"
#include "tools/Tools.h"

using namespace kova;

namespace {

// 1-based list from plain values.
std::vector<double> L(const std::vector<double>& values) {
  std::vector<double> r{0.0};
  r.insert(r.end(), values.begin(), values.end());
  return r;
}

// Grid points 500.0, 500.1, ... as a 1-based candidate list.
std::vector<double> Grid(int points) {
  std::vector<double> r{0.0};
  for (int k = 0; k < points; ++k) r.push_back(500.0 + 0.1 * k);
  return r;
}

std::vector<double> Live(const std::vector<double>& list, int32_t count) {
  return {list.begin() + 1, list.begin() + 1 + count};
}

// Check parameters with every check off except the given (kind, width) pairs.
TCheckParams P(std::initializer_list<std::pair<int, double>> on, double lo = 0, double lo2 = 0) {
  TCheckParams p;
  p.fill(-1.0);
  p[0] = 0;
  for (auto [k, w] : on) p[k] = w;
  p[10] = lo;
  p[11] = lo2;
  return p;
}

// The same check parameters for the searched system and its sides, no fixed channels.
void Prepare(Seeker_Module& s, const TCheckParams& p) {
  s.SetContext({}, p, 0);
  s.SetChosenSide(p);
  s.SetCandidateSide(p);
}

}  // namespace

// ---- RemoveRange ----

TEST(RemoveRange, WidthRulesAndListPositions) {
  const std::vector<double> base = {499.7, 499.701, 499.9, 500.0, 500.299, 500.3, 500.5};
  struct Case {
    double centre, width;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {500.0, 0.3, {499.7, 500.3, 500.5}},                                // inside; exactly d away survives
      {499.7, 0.25, {500.0, 500.299, 500.3, 500.5}},                      // head
      {500.5, 0.3, {499.7, 499.701, 499.9, 500.0}},                       // tail
      {500.1, 0.05, base},                                                // inside a gap
      {501.5, 0.3, base},                                                 // beyond the tail
      {498.0, 0.3, base},                                                 // before the head
      {500.1, 1.0, {}},                                                   // all
      {500.0005, 0.0, {499.7, 499.701, 499.9, 500.299, 500.3, 500.5}},   // width 0: within 0.001
      {500.0015, 0.0, base},
      {500.0, -1.0, base},                                                // check off
      {500.0, 0.0009, base},  // narrower than the 0.001 margin: empty range
  };
  for (const auto& c : cases) {
    auto list = L(base);
    list.push_back(123.0);  // beyond the count: never looked at
    int32_t count = static_cast<int32_t>(base.size());
    Seeker_Module::RemoveRange(list, count, c.centre, c.width);
    EXPECT_EQ(Live(list, count), c.expected) << c.centre << " " << c.width;
  }
  std::vector<double> empty{0.0};
  int32_t zero = 0;
  Seeker_Module::RemoveRange(empty, zero, 0.0, 5.0);
  EXPECT_EQ(zero, 0);
}

// ---- EliminateCandidates, stage by stage ----
// Each case names the ranges (centre, width) the stages must remove. Around every range the test
// places one candidate just inside (removed) and one just outside (kept); widths of different
// checks and sides differ by at least 0.01 MHz, so a width taken from the wrong slot or side shows.

namespace {

struct Sys {
  std::vector<double> freqs;
  TCheckParams params;
};

struct StageCase {
  const char* name;
  TCheckParams chosenSide, candidateSide;
  std::vector<Sys> context;
  std::vector<double> chosen;                      // last = frequency just added (always removed)
  std::vector<std::pair<double, double>> ranges;   // must be removed
  std::vector<double> kept;                        // further candidates that must survive
};

std::vector<StageCase> StageCases() {
  return {
      {"S1 larger spacing of both sides", P({{1, 0.1}}), P({{1, 0.3}}), {}, {500}, {{500, 0.3}}, {}},
      {"S1 spacing from the chosen side", P({{1, 0.3}}), P({{1, 0.1}}), {}, {500}, {{500, 0.3}}, {}},
      {"S1 spacing off removes only f", P({}), P({}), {}, {500}, {}, {499.998, 500.002}},
      {"S2 and S3 receiver products",
       P({{2, 0.03}, {6, 0.05}, {7, 0.07}, {3, 0.09}, {8, 0.11}}, 6, 9),
       P({{2, 0.02}, {6, 0.04}, {7, 0.06}, {3, 0.08}, {8, 0.10}}, 3, 4.5),
       {},
       {500},
       {{506, 0.02}, {509, 0.04}, {508, 0.06}, {512, 0.08}, {518, 0.10},      // chosen offsets
        {497, 0.03}, {495.5, 0.05}, {496, 0.07}, {494, 0.09}, {491, 0.11}},   // candidate offsets
       {}},
      {"S4 2Tx IM(3) with chosen", P({{4, 0.06}}), P({{4, 0.1}}), {}, {500, 501},
       {{499, 0.1}, {502, 0.1}, {500.5, 0.03}}, {}},
      // A product landing on the chosen frequency or a fixed channel takes that one's wider width.
      {"S5 2Tx IM(3) with fixed channels", P({{4, 0.5}}), P({{4, 0.06}}),
       {{{490}, P({{4, 0.2}})}, {{515}, P({{4, 0.04}})}}, {500},
       {{480, 0.5}, {510, 0.2}, {495, 0.25}, {485, 0.06}, {530, 0.5}, {507.5, 0.25}}, {}},
      {"S6 2Tx IM(5) with chosen", P({{9, 0.12}}), P({{9, 0.1}}), {}, {500, 501},
       {{498, 0.1}, {503, 0.1}, {500 + 1.0 / 3, 0.04}, {500 + 2.0 / 3, 0.04}, {501.5, 0.06}, {499.5, 0.06}}, {}},
      {"S7 2Tx IM(5) with fixed channels", P({{9, 0.9}}), P({{9, 0.07}}), {{{490}, P({{9, 0.3}})}}, {500},
       {{470, 0.07}, {520, 0.07}, {490 + 10.0 / 3, 0.3}, {490 + 20.0 / 3, 0.1}, {505, 0.15}, {485, 0.45}}, {}},
      // Pairs: (500,490) (500,497) (490,497) (490,520) (497,520) width 0.08, (500,520) width 0.06.
      // No entry pairs with itself, but x + f - a lands on a at x = 2a - f: 497, 477, 491, 537.
      {"S8 3Tx IM(3) pairs of chosen and fixed", P({{5, 0.04}}), P({{5, 0.02}}),
       {{{490, 497}, P({{5, 0.08}})}, {{520}, P({{5, 0.06}})}}, {500, 503},
       {{487, 0.08}, {513, 0.08}, {493, 0.08}, {494, 0.08}, {506, 0.08}, {500, 0.08},
        {517, 0.06}, {483, 0.06}, {523, 0.06}, {484, 0.08}, {496, 0.08}, {510, 0.08},
        {507, 0.08}, {473, 0.08}, {533, 0.08}, {514, 0.08}, {480, 0.08}, {526, 0.08},
        {497, 0.04}, {477, 0.08}, {491, 0.08}, {537, 0.06}}, {}},
      {"S8 3Tx IM(3) pairs of chosen", P({{5, 0.04}}), P({{5, 0.02}}), {}, {500, 501.5, 503},
       {{498.5, 0.04}, {504.5, 0.04}, {501.5, 0.04}, {497, 0.04}, {500, 0.04}}, {}},
      {"S8 chosen side's width is the largest", P({{5, 0.1}}), P({{5, 0.04}}),
       {{{490, 497}, P({{5, 0.02}})}}, {503}, {{484, 0.1}, {496, 0.1}, {510, 0.1}}, {}},
  };
}

}  // namespace

TEST(EliminateCandidates, EachStageRemovesItsRanges) {
  for (const auto& c : StageCases()) {
    ScriptedPort port;
    Seeker_Module s(port);
    for (size_t j = 0; j < c.context.size(); ++j)
      s.SetContext(L(c.context[j].freqs), c.context[j].params, static_cast<int32_t>(j));
    s.SetChosenSide(c.chosenSide);
    s.SetCandidateSide(c.candidateSide);

    std::vector<double> all = {c.chosen.back()};
    std::vector<double> expected = c.kept;
    for (auto [centre, width] : c.ranges) {
      all.push_back(centre - width + 0.004);
      all.push_back(centre + width + 0.002);
      expected.push_back(centre + width + 0.002);
    }
    all.insert(all.end(), c.kept.begin(), c.kept.end());
    std::sort(all.begin(), all.end());
    std::sort(expected.begin(), expected.end());

    auto list = L(all);
    int32_t count = static_cast<int32_t>(all.size());
    s.EliminateCandidates(list, count, L(c.chosen));
    EXPECT_EQ(Live(list, count), expected) << c.name;
  }
}

TEST(SearchContext, SetContextKeepsLowerEntriesAndMakesRecords) {
  ScriptedPort port;
  Seeker_Module s(port);
  TCheckParams p = P({{1, 0.3}, {4, 0.1}}, 10.7, 21.4);
  s.SetContext(L({500}), p, 0);
  s.SetContext(L({510, 520}), p, 1);
  ASSERT_EQ(s.ContextList().size(), 2u);
  EXPECT_EQ(s.ContextList()[0].Freqs, L({500}));
  EXPECT_EQ(s.ContextList()[1].Widths[1], 0.3);
  EXPECT_EQ(s.ContextList()[1].Widths[2], -1.0);
  EXPECT_EQ(s.ContextList()[1].Widths[10], 0.0);
  EXPECT_EQ(s.ContextList()[1].LOFreq2, 21.4);
  s.SetContext({}, p, 0);  // a fresh list: system 1 is dropped
  ASSERT_EQ(s.ContextList().size(), 1u);
  EXPECT_EQ(s.ContextList()[0].Freqs, L({}));
}

// ---- Systematic search ----

TEST(SystematicSearch, KeepsTheMaximalSetsInSearchOrder) {
  // Four grid points, only 2Tx IM(3) at width 0 and Spacing off on both sides: a set must not
  // hold three points in arithmetic progression. The maximal sets, met in ascending order, are
  // {0,1,3}, {0,2,3} and {1,2}; {0,3} can still take 1 and is not kept.
  ScriptedPort port;
  Seeker_Module s(port);
  Prepare(s, P({{4, 0.0}}));
  std::vector<std::vector<double>> sets;
  s.RunSearch(Grid(4), 0, 10, sets);
  const std::vector<double> g = Grid(4);
  const std::vector<std::vector<double>> expected = {L({g[1], g[2], g[4]}), L({g[1], g[3], g[4]}), L({g[2], g[3]})};
  EXPECT_EQ(sets, expected);
  EXPECT_EQ(port.busyCalls.front().text, "Checking");
  EXPECT_EQ(port.busyCalls.front().fraction, 0.0);
  EXPECT_EQ(port.busyCalls.back().fraction, 1.0);

  // With room for two sets the third, smaller one finds no smaller set to replace.
  s.RunSearch(Grid(4), 0, 2, sets);
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[1].size(), 4u);
}

TEST(SystematicSearch, KeepsExactlyTheMaximalCompatibleSets) {
  // 13 grid points 0.1 MHz apart; spacing 0.15 (neighbours conflict), 2Tx IM(3) and 3Tx IM(3) at
  // width 0. On the grid a set is compatible when no two points are neighbours, no three are in
  // arithmetic progression and no four distinct ones have w + x = y + z. The search must keep
  // exactly the subsets that are compatible and cannot take any further point.
  const int N = 13;
  auto compatible = [](const std::vector<int>& v) {
    const size_t m = v.size();
    for (size_t i = 0; i < m; ++i)
      for (size_t j = i + 1; j < m; ++j) {
        if (std::abs(v[i] - v[j]) <= 1) return false;
        for (size_t k = 0; k < m; ++k) {
          if (k != i && k != j && v[i] + v[j] == 2 * v[k]) return false;
          for (size_t l = k + 1; l < m; ++l)
            if (k != i && k != j && l != i && l != j && v[i] + v[j] == v[k] + v[l]) return false;
        }
      }
    return true;
  };
  std::set<std::vector<int>> maximal;
  for (int mask = 1; mask < (1 << N); ++mask) {
    std::vector<int> v;
    for (int k = 0; k < N; ++k)
      if (mask & (1 << k)) v.push_back(k);
    if (!compatible(v)) continue;
    bool extendable = false;
    for (int k = 0; k < N && !extendable; ++k) {
      if (mask & (1 << k)) continue;
      auto w = v;
      w.push_back(k);
      std::sort(w.begin(), w.end());
      extendable = compatible(w);
    }
    if (!extendable) maximal.insert(v);
  }

  ScriptedPort port;
  Seeker_Module s(port);
  Prepare(s, P({{1, 0.15}, {4, 0.0}, {5, 0.0}}));
  std::vector<std::vector<double>> sets;
  s.RunSearch(Grid(N), 0, 100000, sets);
  std::set<std::vector<int>> found;
  for (const auto& set : sets) {
    EXPECT_EQ(set[0], 0.0);
    std::vector<int> v;
    for (size_t i = 1; i < set.size(); ++i) v.push_back(static_cast<int>(std::lround((set[i] - 500.0) * 10)));
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    found.insert(v);
  }
  EXPECT_EQ(found.size(), sets.size());  // every set once
  EXPECT_EQ(found, maximal);
}

TEST(SystematicSearch, AbortReturnsTheSetsKeptSoFar) {
  const TCheckParams p = P({{1, 0.15}, {4, 0.0}, {5, 0.0}});
  std::vector<std::vector<double>> all;
  {
    ScriptedPort port;
    Seeker_Module s(port);
    Prepare(s, p);
    s.RunSearch(Grid(16), 0, 100000, all);
  }
  ScriptedPort port;
  port.abortAtBusyCall = 40;
  Seeker_Module s(port);
  Prepare(s, p);
  std::vector<std::vector<double>> sets;
  s.RunSearch(Grid(16), 0, 100000, sets);
  ASSERT_LT(sets.size(), all.size());
  ASSERT_GT(sets.size(), 0u);
  for (size_t k = 0; k < sets.size(); ++k) EXPECT_EQ(sets[k], all[k]);
  EXPECT_TRUE(s.SearchProgress().bAbort);
  EXPECT_EQ(port.busyCalls.back().text, "Checking");
  EXPECT_EQ(port.busyCalls.back().fraction, 1.0);
  // Every update after the refused one is refused as well; the search stopped at once.
  EXPECT_LT(port.busyCalls.size(), 60u);
}

// ---- Random search ----

TEST(RandomSearch, PicksFromTheWholeListAndNeverTwice) {
  // All checks off: only the chosen frequency itself leaves the list, so every pick is a new
  // frequency and the picks follow k = round(u * (n - 1) + 1) on the shrinking list.
  const uint32_t seed = 4711;
  ScriptedPort port(seed);
  Seeker_Module s(port);
  Prepare(s, P({}));
  std::vector<std::vector<double>> sets;
  s.RunSearch(Grid(8), 8, 1, sets);
  ASSERT_EQ(sets.size(), 1u);
  ASSERT_EQ(sets[0].size(), 9u);

  std::mt19937 rng(seed);
  const std::vector<double> grid = Grid(8);
  std::vector<double> left(grid.begin() + 1, grid.end());
  std::vector<double> expected{0.0};
  while (!left.empty()) {
    const int32_t n = static_cast<int32_t>(left.size());
    const int32_t k = TL_RoundLong(TL_Uniform01(rng) * (n - 1) + 1);
    expected.push_back(left[k - 1]);
    left.erase(left.begin() + (k - 1));
  }
  EXPECT_EQ(sets[0], expected);
  EXPECT_TRUE(port.busyCalls.empty());
}

TEST(RandomSearch, StopsAtTheTargetOrWhenNothingIsLeft) {
  struct Case {
    std::vector<double> candidates;
    int32_t target;
    size_t entries;
  };
  const Case cases[] = {
      {{500.0, 500.1, 500.2, 500.3}, 1, 1},
      {{500.0, 500.1, 500.2, 500.3}, 3, 3},
      {{500.0, 500.3, 500.6}, 5, 3},  // only three compatible frequencies
      {{500.0}, 2, 1},
  };
  for (uint32_t seed : {1u, 2u}) {
    for (const auto& c : cases) {
      ScriptedPort port(seed);
      Seeker_Module s(port);
      Prepare(s, P({{1, 0.05}}));
      std::vector<std::vector<double>> sets;
      s.RunSearch(L(c.candidates), c.target, 1, sets);
      ASSERT_EQ(sets.size(), 1u);
      EXPECT_EQ(sets[0].size(), c.entries + 1) << c.target;
      std::set<double> distinct(sets[0].begin() + 1, sets[0].end());
      EXPECT_EQ(distinct.size(), c.entries);
    }
  }
}

// ---- Kept sets ----

TEST(KeepResultSet, FillsThenReplacesTheFirstSmallerSet) {
  ScriptedPort port;
  Seeker_Module s(port);
  s.ResetResultSets(2);
  s.KeepResultSet(L({1, 2, 3}));
  s.KeepResultSet(L({4, 5}));
  EXPECT_EQ(s.ResultSets(), (std::vector<std::vector<double>>{L({1, 2, 3}), L({4, 5})}));
  s.KeepResultSet(L({6, 7, 8, 9}));
  EXPECT_EQ(s.ResultSets(), (std::vector<std::vector<double>>{L({6, 7, 8, 9}), L({4, 5})}));
  s.KeepResultSet(L({1, 1}));  // equal size to the smallest: dropped
  EXPECT_EQ(s.ResultSets()[1], L({4, 5}));
  s.ResetResultSets(0);
  s.KeepResultSet(L({1}));
  EXPECT_TRUE(s.ResultSets().empty());
}

// ---- Progress ----

TEST(SearchProgress, EstimateAcrossLevels) {
  EXPECT_EQ(Seeker_Module::ProgressCurve(-3, 4), 0.0);
  EXPECT_DOUBLE_EQ(Seeker_Module::ProgressCurve(4, 4), 0.9999);

  ScriptedPort port;
  Seeker_Module s(port);
  auto PC = Seeker_Module::ProgressCurve;
  EXPECT_TRUE(s.ReportSearchProgress(0, 4, 4, 0));
  EXPECT_TRUE(s.ReportSearchProgress(1, 1, 4, 0));  // estimate 0: no update
  EXPECT_TRUE(s.ReportSearchProgress(2, 1, 5, 0));
  ASSERT_EQ(port.busyCalls.size(), 1u);

  s.ReportSearchProgress(1, 2, 4, 3);
  s.ReportSearchProgress(2, 3, 5, 3);
  const double w = PC(2, 4) - PC(1, 4);
  ASSERT_EQ(port.busyCalls.size(), 3u);
  EXPECT_EQ(port.busyCalls[1].text, "Checking (3)");
  EXPECT_DOUBLE_EQ(port.busyCalls[1].fraction, 0.9);
  EXPECT_DOUBLE_EQ(port.busyCalls[2].fraction, 0.9 + w * PC(2, 5));
  EXPECT_DOUBLE_EQ(s.SearchProgress().dWeight, w);

  // A new position at level 1 changes what level 2 stands for.
  s.ReportSearchProgress(1, 3, 4, 12);
  s.ReportSearchProgress(2, 2, 5, 12);
  EXPECT_EQ(port.busyCalls.back().text, "Checking (12)");
  EXPECT_DOUBLE_EQ(port.busyCalls.back().fraction, PC(2, 4) + (PC(3, 4) - PC(2, 4)) * PC(1, 5));

  // A tiny positive estimate is shown as 1e-7.
  s.ReportSearchProgress(1, 2, 2147483647, 0);
  EXPECT_EQ(port.busyCalls.back().fraction, 1e-7);

  // Levels beyond 100 make no update; -1 ends the task.
  const size_t before = port.busyCalls.size();
  EXPECT_TRUE(s.ReportSearchProgress(101, 5, 10, 0));
  EXPECT_TRUE(s.ReportSearchProgress(150, 5, 10, 0));
  EXPECT_EQ(port.busyCalls.size(), before);
  s.ReportSearchProgress(-1, 0, 4, 0);
  EXPECT_EQ(port.busyCalls.back().fraction, 1.0);
}

TEST(SearchProgress, AbortIsStickyUntilTheNextSearchStarts) {
  ScriptedPort port;
  port.abortAtBusyCall = 2;
  Seeker_Module s(port);
  EXPECT_TRUE(s.ReportSearchProgress(0, 4, 4, 0));
  EXPECT_FALSE(s.ReportSearchProgress(1, 2, 4, 0));
  EXPECT_FALSE(s.ReportSearchProgress(1, 1, 4, 0));    // no update, still aborted
  EXPECT_FALSE(s.ReportSearchProgress(101, 1, 4, 0));  // deep levels see the earlier abort
  port.abortAtBusyCall = 0;
  EXPECT_TRUE(s.ReportSearchProgress(0, 4, 4, 0));
  EXPECT_TRUE(s.ReportSearchProgress(1, 2, 4, 0));
}
