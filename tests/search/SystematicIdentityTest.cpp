// The systematic search skips branches that cannot change the kept sets. These tests hold it
// against a plain walk of the whole tree (every node, the candidate list copied and eliminated
// per child, every maximal set offered to the store): the kept sets and their order must match.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "search/Seeker_Module.h"
#include "tools/ScriptedPort.h"

using namespace kova;

namespace {

using Set = std::vector<double>;

// The whole tree, depth first, choosing in ascending order; every maximal set goes to `keep`.
template <class Keep>
void WalkAll(const Seeker_Module& s, const std::vector<double>& p, int32_t n, Set& q, Keep& keep) {
  const size_t a = q.size() - 1;
  if (n < 1 || !(p[static_cast<size_t>(n)] > q[a])) return;
  for (int32_t i = 1; i <= n; ++i) {
    if (!(p[static_cast<size_t>(i)] > q[a])) continue;
    q.resize(a + 2);
    q[a + 1] = p[static_cast<size_t>(i)];
    std::vector<double> copy(p.begin(), p.begin() + n + 1);
    int32_t cnt = n;
    s.EliminateCandidates(copy, cnt, q);
    if (cnt <= 0) keep(q);
    else WalkAll(s, copy, cnt, q, keep);
  }
}

// What the unpruned search keeps with room for `lKeep` sets (the store rule written out again).
std::vector<Set> Reference(const Seeker_Module& s, const std::vector<double>& candidates, int32_t lKeep) {
  std::vector<Set> store;
  auto keep = [&](const Set& q) {
    if (static_cast<int32_t>(store.size()) < lKeep) {
      store.push_back(q);
      return;
    }
    for (Set& held : store)
      if (held.size() < q.size()) {
        held = q;
        return;
      }
  };
  Set q{0.0};
  WalkAll(s, candidates, static_cast<int32_t>(candidates.size()) - 1, q, keep);
  return store;
}

// A random case: candidate grid, check widths and offsets of both sides, fixed channels of one
// or two systems.
struct RandomCase {
  std::vector<double> candidates{0.0};
  TCheckParams chosen{}, candidate{};
  std::vector<std::vector<double>> fixed;  // per system, 1-based
  std::vector<TCheckParams> fixedParams;
};

TCheckParams RandomParams(std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  TCheckParams p;
  p.fill(-1.0);
  p[0] = 0;
  // Spacing and the intermodulation kinds are on most of the time, the receiver kinds rarely.
  const double onChance[10] = {0, 0.8, 0.15, 0.15, 0.8, 0.8, 0.1, 0.1, 0.1, 0.4};
  for (int k = 1; k <= 9; ++k)
    if (u(rng) < onChance[k]) p[k] = u(rng) < 0.3 ? 0.0 : 0.01 + 0.3 * u(rng);
  p[10] = u(rng) < 0.5 ? 0.0 : (u(rng) < 0.5 ? -1.0 : 1.0) * (0.5 + 2.0 * u(rng));
  p[11] = u(rng) < 0.7 ? 0.0 : 3.0 * u(rng);
  return p;
}

RandomCase MakeCase(std::mt19937& rng, int systems) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  RandomCase c;
  const int points = 10 + static_cast<int>(rng() % 22);
  const double step = u(rng) < 0.5 ? 0.025 : 0.1;
  for (int k = 0; k < points; ++k)
    if (u(rng) < 0.85) c.candidates.push_back(600.0 + step * k);
  if (c.candidates.size() < 2) c.candidates.push_back(600.0);
  c.candidate = RandomParams(rng);
  c.chosen = u(rng) < 0.6 ? c.candidate : RandomParams(rng);
  const double span = step * points;
  for (int s = 0; s < systems; ++s) {
    std::vector<double> f{0.0};
    const int m = static_cast<int>(rng() % 4);
    for (int k = 0; k < m; ++k) f.push_back(600.0 - span + 3.0 * span * u(rng));
    c.fixed.push_back(f);
    c.fixedParams.push_back(RandomParams(rng));
  }
  return c;
}

void Prepare(Seeker_Module& s, const RandomCase& c) {
  for (size_t j = 0; j < c.fixed.size(); ++j) s.SetContext(c.fixed[j], c.fixedParams[j], static_cast<int32_t>(j));
  s.SetChosenSide(c.chosen);
  s.SetCandidateSide(c.candidate);
}

}  // namespace

// Runs 40 random cases (one and two systems, keeping 1, 3 and 10 sets) against the whole tree;
// `ruler` turns spacing and both third-order kinds on for both sides, so that the ruler bound
// applies. Returns how many runs kept a set and how many used the ruler bound.
std::pair<int, int> CompareWithTheWholeTree(uint32_t seed, bool ruler) {
  std::mt19937 rng(seed);
  int kept = 0, rulers = 0;
  for (int round = 0; round < 40; ++round) {
    RandomCase c = MakeCase(rng, 1 + round % 2);
    if (ruler) {
      for (TCheckParams* p : {&c.chosen, &c.candidate})
        for (int k : {1, 4, 5}) (*p)[k] = std::max((*p)[k], 0.1 * static_cast<double>(rng() % 4));
    }
    for (int32_t keep : {1, 3, 10}) {
      ScriptedPort port;
      Seeker_Module s(port);
      Prepare(s, c);
      const std::vector<Set> expected = Reference(s, c.candidates, keep);
      std::vector<Set> sets;
      s.RunSearch(c.candidates, 0, keep, sets);
      EXPECT_EQ(sets, expected) << "round " << round << ", keep " << keep;

      // The progress box only moves forward and is closed at the end.
      for (size_t k = 1; k + 1 < port.busyCalls.size(); ++k)
        EXPECT_GE(port.busyCalls[k].fraction, port.busyCalls[k - 1].fraction) << "round " << round;
      EXPECT_EQ(port.busyCalls.back().fraction, 1.0);
      kept += sets.empty() ? 0 : 1;
      rulers += s.RulerBoundUsed() ? 1 : 0;
    }
  }
  return {kept, rulers};
}

TEST(SystematicIdentity, SameSetsInTheSameOrderAsTheWholeTree) {
  EXPECT_GT(CompareWithTheWholeTree(20240611, false).first, 60);  // the cases are not trivially empty
  const auto [kept, rulers] = CompareWithTheWholeTree(777, true);
  EXPECT_GT(kept, 60);
  EXPECT_GT(rulers, 60);
}

// Spacing, 2Tx IM(3) and 3Tx IM(3) at width 0 on 0.1 MHz steps: the compatible sets are the
// rulers with distinct differences.
void PrepareRulers(Seeker_Module& s, std::vector<double>& grid, int points) {
  TCheckParams p;
  p.fill(-1.0);
  p[0] = 0;
  p[1] = p[4] = p[5] = 0.0;
  p[10] = p[11] = 0;
  grid.assign(1, 0.0);
  for (int k = 0; k < points; ++k) grid.push_back(500.0 + 0.1 * k);
  s.SetContext({}, p, 0);
  s.SetChosenSide(p);
  s.SetCandidateSide(p);
}

TEST(SystematicIdentity, KeepsNothingWithoutRoomAndFindsTheLargestRuler) {
  // Over 18 points (length 17) the largest ruler has 6 marks; the first one met is kept.
  ScriptedPort port;
  Seeker_Module s(port);
  std::vector<double> grid;
  PrepareRulers(s, grid, 18);
  std::vector<Set> sets;
  s.RunSearch(grid, 0, 1, sets);
  ASSERT_EQ(sets, Reference(s, grid, 1));
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].size(), 7u);

  s.RunSearch(grid, 0, 0, sets);
  EXPECT_TRUE(sets.empty());
}

TEST(SystematicIdentity, AbortKeepsTheSetsFoundSoFar) {
  std::set<Set> maximal;
  {
    ScriptedPort port;
    Seeker_Module s(port);
    std::vector<double> grid;
    PrepareRulers(s, grid, 26);
    for (const Set& set : Reference(s, grid, 1 << 30)) maximal.insert(set);
  }
  for (int abortAt : {3, 6, 12}) {
    ScriptedPort port;
    port.abortAtBusyCall = abortAt;
    Seeker_Module s(port);
    std::vector<double> grid;
    PrepareRulers(s, grid, 26);
    std::vector<Set> sets;
    s.RunSearch(grid, 0, 3, sets);
    EXPECT_TRUE(s.SearchProgress().bAbort);
    EXPECT_LE(sets.size(), 3u);
    for (const Set& set : sets) EXPECT_TRUE(maximal.count(set)) << "abort at " << abortAt;
    EXPECT_EQ(port.busyCalls.back().fraction, 1.0);
    EXPECT_LT(port.busyCalls.size(), static_cast<size_t>(abortAt) + 20);  // one more per level unwinding
  }
}
