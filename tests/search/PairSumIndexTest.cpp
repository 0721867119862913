// The 3-transmitter elimination asks an index of pair sums per candidate where the pairs
// outnumber the candidates. Both tests hold it against walking every pair on random channel sets
// (25 kHz grid, 12.5 kHz grid, anywhere): the index alone as a search grows and goes back, and
// the whole elimination along random search paths, whose ranges EmitRanges hands over by walking.

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

double Freq(std::mt19937_64& rng, int grid) {
  const double v = std::uniform_real_distribution<double>(470.0, 490.0)(rng);
  return grid == 2 ? v : 470.0 + (grid ? 0.0125 : 0.025) * std::round((v - 470.0) / (grid ? 0.0125 : 0.025));
}

double Width(std::mt19937_64& rng) {
  static const double kWidths[] = {-1.0, 0.0, 0.0005, 0.001, 0.0125, 0.05, 0.1, 0.3};
  return kWidths[rng() % std::size(kWidths)];
}

// Marks the entries of the ascending list x that a range covers.
struct Marks final : Seeker_Module::RangeSink {
  explicit Marks(std::vector<double> live) : x(std::move(live)), hit(x.size(), false) {}
  void Cover(double lo, double hi) override {
    for (auto i = std::lower_bound(x.begin(), x.end(), lo); i != x.end() && *i <= hi; ++i) hit[i - x.begin()] = true;
  }
  std::vector<double> x;
  std::vector<bool> hit;
};

}  // namespace

TEST(PairSumIndex, AnswersAsTheWalkOfEveryPair) {
  std::mt19937_64 rng(37);
  PairSumIndex index;
  for (int c = 0; c < 60; ++c) {
    const int grid = c % 3;
    const size_t fixed = rng() % 40;
    const double widths[2] = {Width(rng), Width(rng)};
    std::vector<PairSumIndex::Source> src;
    for (size_t k = 0; k < fixed; ++k) src.push_back({Freq(rng, grid), widths[k % 2]});
    for (int step = 0; step < 12; ++step) {
      if (step % 5 == 4 && src.size() > fixed) src.resize(fixed + rng() % (src.size() - fixed));  // going back
      else src.push_back({Freq(rng, grid), -std::numeric_limits<double>::infinity()});
      ASSERT_TRUE(index.Sync(src.data(), src.size(), fixed));
      const double f = Freq(rng, grid), base = Width(rng);
      // Probes anywhere, and on and next to the products of some pairs.
      std::vector<double> xs;
      for (int k = 0; k < 30; ++k) xs.push_back(Freq(rng, grid));
      for (size_t i = 0; i + 1 < src.size() && i < 30; i += 3)
        for (double d : {-0.3, -0.1, -0.001, 0.0, 0.0005, 0.001, 0.05, 0.299}) xs.push_back(src[i].f + src[i + 1].f - f + d);
      for (double x : xs) {
        bool walk = false;
        for (size_t i = 0; i < src.size(); ++i)
          for (size_t j = i + 1; j < src.size(); ++j) {
            const double a = src[i].f, b = src[j].f, w = std::max({base, src[i].width, src[j].width});
            for (double centre : {b + a - f, a - b + f, b - a + f}) {
              double lo, hi;
              walk = walk || (ProtectedRange(centre, w, lo, hi) && lo <= x && x <= hi);
            }
          }
        ASSERT_EQ(index.Covers(x, f, base), walk) << "case " << c << " step " << step << " x " << x;
      }
    }
  }
}

TEST(PairSumIndex, EliminationKeepsWhatTheRangesLeave) {
  std::mt19937_64 rng(3737);
  ScriptedPort port;
  for (int c = 0; c < 300; ++c) {
    const int grid = c % 3;
    Seeker_Module s(port);
    auto params = [&] {
      TCheckParams p;
      p.fill(-1.0);
      p[0] = 0;
      for (int k : {1, 4, 9}) p[k] = rng() % 2 ? Width(rng) : -1.0;
      p[5] = rng() % 10 ? Width(rng) : std::nan("");
      p[10] = rng() % 2 ? 10.7 : 0.0;
      return p;
    };
    // One to four systems with up to 24 or (every fourth case) 119 channels each.
    for (int j = 0, systems = 1 + static_cast<int>(rng() % 4); j < systems; ++j) {
      std::vector<double> fixed{0.0};
      for (int k = static_cast<int>(rng() % (c % 4 == 0 ? 120 : 25)); k > 0; --k) fixed.push_back(Freq(rng, grid));
      s.SetContext(fixed, params(), j);
    }
    s.SetChosenSide(params());
    s.SetCandidateSide(params());
    std::vector<double> candidates{0.0};
    const bool dense = rng() % 2;
    for (int k = 0; k < 800; ++k)
      if (dense || rng() % 10 == 0) candidates.push_back(470.0 + 0.025 * k + (grid == 2 ? 0.0031 : 0.0));

    for (int path = 0; path < 3; ++path) {
      std::vector<double> list = candidates, chosen{0.0};
      int32_t count = static_cast<int32_t>(list.size()) - 1;
      while (count > 0 && chosen.size() < 12) {
        Marks ranges({list.begin() + 1, list.begin() + 1 + count});
        chosen.push_back(ranges.x[rng() % ranges.x.size()]);
        s.EliminateCandidates(list, count, chosen);
        s.EmitRanges(chosen, ranges);
        std::vector<double> expected;
        for (size_t i = 0; i < ranges.x.size(); ++i)
          if (!ranges.hit[i]) expected.push_back(ranges.x[i]);
        ASSERT_EQ(std::vector<double>(list.begin() + 1, list.begin() + 1 + count), expected)
            << "case " << c << " path " << path << " step " << chosen.size() - 1;
      }
    }
  }
}
