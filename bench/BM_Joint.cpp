#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "search/JointSearch.h"
#include "tools/DefaultPort.h"

using namespace kova;

namespace {

// Spacing, 2Tx and 3Tx IM(3) at the given widths, every other check off.
TCheckParams Params(double spacing, double im) {
  TCheckParams p;
  p.fill(-1.0);
  p[0] = 0;
  p[1] = spacing;
  p[4] = im;
  p[5] = im;
  p[10] = 0;
  p[11] = 0;
  return p;
}

// Grid points lo .. hi in steps of `step` (single precision), outside the ranges `gaps`.
std::vector<double> Grid(double lo, double hi, double step, std::vector<std::pair<double, double>> gaps = {}) {
  std::vector<double> candidates{0.0};
  for (int32_t k = 0; lo + step * k <= hi + 1e-9; ++k) {
    const double f = static_cast<float>(lo + step * k);
    if (std::none_of(gaps.begin(), gaps.end(), [f](auto g) { return g.first <= f && f <= g.second; }))
      candidates.push_back(f);
  }
  return candidates;
}

// Three groups in 470-608 MHz with 2Tx and 3Tx IM(3) at 0.05 MHz: spacing 0.3 on 25 kHz over
// 470-608, 0.4 on 25 kHz over 500-608, 0.6 on 50 kHz over 470-560; each asked `each` channels.
std::vector<JointSystemInput> ThreeGroups(int32_t each) {
  return {{Params(0.3, 0.05), {}, Grid(470, 608, 0.025), each},
          {Params(0.4, 0.05), {}, Grid(500, 608, 0.025), each},
          {Params(0.6, 0.05), {}, Grid(470, 560, 0.05), each}};
}

// Four kinds in 606-698 MHz with two television channels kept free (622-630, 670-678):
// handheld microphones, in-ear monitors, instrument packs and talkback, asked 10/8/6/4.
std::vector<JointSystemInput> FourKinds() {
  const std::vector<std::pair<double, double>> tv{{622, 630}, {670, 678}};
  return {{Params(0.3, 0.05), {}, Grid(606, 663, 0.025, tv), 10},
          {Params(0.4, 0.2), {}, Grid(606, 698, 0.025, tv), 8},
          {Params(0.3, 0.075), {}, Grid(630, 698, 0.025, tv), 6},
          {Params(0.35, 0.1), {}, Grid(650, 698, 0.05, tv), 4}};
}

// The joint search with a fixed amount of work (`seconds` of budget at 20 rounds a second), a
// new seed per repetition; reports the channels placed and the smallest share of a request met.
void RunJoint(benchmark::State& state, const std::vector<JointSystemInput>& systems, double seconds) {
  static uint32_t seed = 0;
  DefaultPort port(++seed);
  OptimiseSettings settings;
  settings.rounds = OptimiseRoundsFor(seconds);
  settings.threads = 2;
  JointSummary summary;
  for (auto _ : state) {
    auto plans = JointOptimise(systems, 1, settings, port, summary);
    benchmark::DoNotOptimize(plans.data());
  }
  double fill = 1;
  for (size_t t = 0; t < summary.found.size(); ++t)
    if (summary.wanted[t] > 0) fill = std::min(fill, static_cast<double>(summary.found[t]) / summary.wanted[t]);
  state.counters["channels"] = summary.total;
  state.counters["leastFill"] = fill;
  state.counters["bound"] = summary.totalBound;
  state.counters["toBest_s"] = summary.secondsToBest;
}

}  // namespace

// Argument: the budget in tenths of a second.
static void BM_JointThreeGroups12(benchmark::State& state) { RunJoint(state, ThreeGroups(12), state.range(0) / 10.0); }
BENCHMARK(BM_JointThreeGroups12)->Arg(12)->Arg(50)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

static void BM_JointThreeGroups20(benchmark::State& state) { RunJoint(state, ThreeGroups(20), state.range(0) / 10.0); }
BENCHMARK(BM_JointThreeGroups20)->Arg(12)->Arg(50)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

static void BM_JointFourKinds(benchmark::State& state) { RunJoint(state, FourKinds(), state.range(0) / 10.0); }
BENCHMARK(BM_JointFourKinds)->Arg(12)->Arg(50)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
