// The 3-transmitter elimination asks an index of pair sums per candidate where there are many
// pairs and few candidates. These tests hold it against walking every pair and every range, on
// random channel sets: the index alone, and the whole elimination along random search paths
// (whose every range EmitRanges hands over by walking).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "search/PairSumIndex.h"
#include "search/Seeker_Module.h"
#include "tools/ScriptedPort.h"

using namespace kova;

namespace {

constexpr double kOff = -std::numeric_limits<double>::infinity();

// A frequency in 470 ... 490 MHz on a 25 kHz grid, a 12.5 kHz grid or anywhere.
double RandomFreq(std::mt19937_64& rng, int grid) {
  std::uniform_real_distribution<double> u(470.0, 490.0);
  const double v = u(rng);
  if (grid == 0) return 470.0 + 0.025 * std::round((v - 470.0) / 0.025);
  if (grid == 1) return 470.0 + 0.0125 * std::round((v - 470.0) / 0.0125);
  return v;
}

double RandomWidth(std::mt19937_64& rng) {
  static const double kWidths[] = {-1.0, 0.0, 0.0005, 0.001, 0.0125, 0.05, 0.1, 0.3};
  return kWidths[rng() % std::size(kWidths)];
}

// Whether a range of a pair of `sources` with f covers x, walking every pair.
bool CoveredByWalk(const std::vector<PairSumIndex::Source>& sources, double x, double f, double base) {
  for (size_t i = 0; i < sources.size(); ++i)
    for (size_t j = i + 1; j < sources.size(); ++j) {
      const double a = sources[i].f, b = sources[j].f;
      double w = base;
      if (sources[i].width > w) w = sources[i].width;
      if (sources[j].width > w) w = sources[j].width;
      for (double centre : {b + a - f, a - b + f, b - a + f}) {
        double lo, hi;
        if (ProtectedRange(centre, w, lo, hi) && lo <= x && x <= hi) return true;
      }
    }
  return false;
}

class CoverCollector final : public Seeker_Module::RangeSink {
 public:
  explicit CoverCollector(const std::vector<double>& live) : x(live), hit(live.size(), false) {}
  void Cover(double lo, double hi) override {
    for (auto i = std::lower_bound(x.begin(), x.end(), lo); i != x.end() && *i <= hi; ++i) hit[i - x.begin()] = true;
  }
  std::vector<double> x;
  std::vector<bool> hit;
};

}  // namespace

// The index grows, goes back and changes its fixed block as a search does; after each change
// every probe must get the walk's answer (probes on the products themselves and next to them).
TEST(PairSumIndex, AnswersAsTheWalkOfEveryPair) {
  std::mt19937_64 rng(37);
  PairSumIndex index;
  int probes = 0;
  for (int c = 0; c < 60; ++c) {
    const int grid = c % 3;
    std::vector<PairSumIndex::Source> sources;
    const int fixed = static_cast<int>(rng() % 40);
    const double fixedWidth[2] = {RandomWidth(rng), RandomWidth(rng)};
    for (int k = 0; k < fixed; ++k) sources.push_back({RandomFreq(rng, grid), fixedWidth[k % 2]});
    for (int step = 0; step < 12; ++step) {
      if (step % 5 == 4 && sources.size() > static_cast<size_t>(fixed))
        sources.resize(fixed + rng() % (sources.size() - fixed));  // the search goes back
      else
        sources.push_back({RandomFreq(rng, grid), kOff});
      ASSERT_TRUE(index.Sync(sources.data(), sources.size(), static_cast<size_t>(fixed)));
      const double f = RandomFreq(rng, grid);
      const double base = RandomWidth(rng);
      std::vector<double> xs;
      for (int k = 0; k < 30; ++k) xs.push_back(RandomFreq(rng, grid));
      for (size_t i = 0; i + 1 < sources.size() && xs.size() < 60; i += 3) {
        const double s = sources[i].f + sources[i + 1].f - f;
        for (double d : {-0.3, -0.1, -0.001, 0.0, 0.0005, 0.001, 0.05, 0.299}) xs.push_back(s + d);
      }
      for (double x : xs) {
        ASSERT_EQ(index.Covers(x, f, base), CoveredByWalk(sources, x, f, base))
            << "case " << c << " step " << step << " x " << x << " f " << f << " base " << base;
        ++probes;
      }
    }
  }
  EXPECT_GT(probes, 30000);
}

// Random search paths over several systems with fixed channels, dense and sparse grids: after
// each added frequency the survivors are exactly the candidates outside every range.
TEST(PairSumIndex, EliminationKeepsWhatTheRangesLeave) {
  std::mt19937_64 rng(3737);
  ScriptedPort port;
  int compared = 0;
  for (int c = 0; c < 300; ++c) {
    const int grid = c % 3;
    Seeker_Module s(port);
    auto params = [&] {
      TCheckParams p;
      p.fill(-1.0);
      p[0] = 0;
      for (int k : {1, 4, 9}) p[k] = rng() % 2 ? RandomWidth(rng) : -1.0;
      p[5] = RandomWidth(rng);
      p[10] = rng() % 2 ? 10.7 : 0.0;
      return p;
    };
    const int systems = 1 + static_cast<int>(rng() % 4);
    for (int j = 0; j < systems; ++j) {
      std::vector<double> fixed{0.0};
      const int m = static_cast<int>(rng() % (c % 4 == 0 ? 120 : 25));
      for (int k = 0; k < m; ++k) fixed.push_back(RandomFreq(rng, grid));
      s.SetContext(fixed, params(), j);
    }
    s.SetChosenSide(params());
    s.SetCandidateSide(params());

    std::vector<double> candidates{0.0};
    const bool dense = rng() % 2;
    for (int k = 0; k < 800; ++k)
      if (dense || rng() % 10 == 0) candidates.push_back(470.0 + 0.025 * k + (grid == 2 ? 0.0031 : 0.0));

    for (int path = 0; path < 3; ++path) {
      std::vector<double> list = candidates;
      int32_t count = static_cast<int32_t>(list.size()) - 1;
      std::vector<double> chosen{0.0};
      while (count > 0 && chosen.size() < 12) {
        std::vector<double> before(list.begin() + 1, list.begin() + 1 + count);
        chosen.push_back(before[rng() % before.size()]);
        s.EliminateCandidates(list, count, chosen);
        CoverCollector ranges(before);
        s.EmitRanges(chosen, ranges);
        std::vector<double> expected;
        for (size_t i = 0; i < before.size(); ++i)
          if (!ranges.hit[i]) expected.push_back(before[i]);
        ASSERT_EQ(std::vector<double>(list.begin() + 1, list.begin() + 1 + count), expected)
            << "case " << c << " path " << path << " step " << chosen.size() - 1;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 1000);
}
