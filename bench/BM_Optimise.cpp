#include <benchmark/benchmark.h>

#include <vector>

#include "search/Optimiser.h"
#include "search/Seeker_Module.h"
#include "tools/DefaultPort.h"

using namespace kova;

namespace {

// Every check off except those given (kind -> width).
TCheckParams OptimiseParams(std::initializer_list<std::pair<int, double>> on) {
  TCheckParams p;
  p.fill(-1.0);
  p[0] = 0;
  for (auto [k, w] : on) p[k] = w;
  p[10] = 0;
  p[11] = 0;
  return p;
}

std::vector<double> Grid(double lo, int32_t points) {
  std::vector<double> candidates{0.0};
  for (int32_t k = 0; k < points; ++k) candidates.push_back(static_cast<float>(lo + 0.025 * k));
  return candidates;
}

// The optimising search on one empty system with both cores and a time budget; reports the
// channels found and when the best set was first seen (channels = the request where it is met).
void RunOptimise(benchmark::State& state, const TCheckParams& params, const std::vector<double>& candidates,
                 int32_t channels, double seconds, uint32_t seed = 1) {
  DefaultPort port(seed);
  Seeker_Module seeker(port);
  seeker.SetContext({}, params, 0);
  seeker.SetChosenSide(params);
  seeker.SetCandidateSide(params);
  OptimiseSettings settings;
  settings.seconds = seconds;
  settings.threads = 2;
  OptimiseSummary summary;
  for (auto _ : state) {
    auto sets = OptimiseChannels(seeker, candidates, channels, 1, settings, port, summary);
    benchmark::DoNotOptimize(sets.data());
  }
  state.counters["channels"] = summary.best;
  state.counters["toBest_s"] = summary.secondsToBest;
  state.counters["bound"] = summary.upperBound;
  state.counters["rounds"] = static_cast<double>(summary.rounds);
}

}  // namespace

// 470-608 MHz in 25 kHz steps, spacing 0.4 MHz, 2Tx and 3Tx IM(3) at 0.05 MHz (argument 1: 2Tx
// IM(5) at 0.05 as well), 1.2 s.
static void BM_OptimiseUhf(benchmark::State& state) {
  const TCheckParams params = state.range(0) ? OptimiseParams({{1, 0.4}, {4, 0.05}, {5, 0.05}, {9, 0.05}})
                                             : OptimiseParams({{1, 0.4}, {4, 0.05}, {5, 0.05}});
  RunOptimise(state, params, Grid(470.0, 5521), 100, 1.2);
}
BENCHMARK(BM_OptimiseUhf)->Arg(0)->Arg(1)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);

// The third-order case above with the work of 1.2 s and of 5 s (argument: tenths of a second), a
// new seed per repetition.
static void BM_OptimiseUhfBudget(benchmark::State& state) {
  static uint32_t seed = 0;
  const TCheckParams params = OptimiseParams({{1, 0.4}, {4, 0.05}, {5, 0.05}});
  DefaultPort port(++seed);
  Seeker_Module seeker(port);
  seeker.SetContext({}, params, 0);
  seeker.SetChosenSide(params);
  seeker.SetCandidateSide(params);
  OptimiseSettings settings;
  settings.rounds = OptimiseRoundsFor(state.range(0) / 10.0);
  OptimiseSummary summary;
  for (auto _ : state) benchmark::DoNotOptimize(OptimiseChannels(seeker, Grid(470.0, 5521), 100, 1, settings, port, summary));
  state.counters["channels"] = summary.best;
  state.counters["bound"] = summary.upperBound;
}
BENCHMARK(BM_OptimiseUhfBudget)->Arg(12)->Arg(50)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

// The third-order case above with 10 s.
static void BM_OptimiseUhfLong(benchmark::State& state) {
  RunOptimise(state, OptimiseParams({{1, 0.4}, {4, 0.05}, {5, 0.05}}), Grid(470.0, 5521), 100, 10.0);
}
BENCHMARK(BM_OptimiseUhfLong)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

// 470-862 MHz at the third-order settings above, 5 s.
static void BM_OptimiseWideBand(benchmark::State& state) {
  RunOptimise(state, OptimiseParams({{1, 0.4}, {4, 0.05}, {5, 0.05}}), Grid(470.0, 15681), 100, 5.0);
}
BENCHMARK(BM_OptimiseWideBand)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

// L + 1 grid points with only spacing, 2Tx and 3Tx IM(3) at width 0 (rulers with distinct
// differences): asks for the largest ruler (8 marks for 34 ... 12 for 85), 1 s at most.
static void BM_OptimiseRuler(benchmark::State& state) {
  const int32_t length = static_cast<int32_t>(state.range(0));
  const int32_t marks = length == 34 ? 8 : length == 44 ? 9 : length == 55 ? 10 : length == 72 ? 11 : 12;
  RunOptimise(state, OptimiseParams({{1, 0.0}, {4, 0.0}, {5, 0.0}}), Grid(470.0, length + 1), marks, 1.0);
}
BENCHMARK(BM_OptimiseRuler)->Arg(34)->Arg(44)->Arg(55)->Arg(72)->Arg(85)->Iterations(1)->Repetitions(5)->Unit(
    benchmark::kMillisecond);

// A TV channel of 6 or 8 MHz from 470 MHz at the third-order settings: asks for the largest set
// (10 and 12 channels), 1 s at most.
static void BM_OptimiseVenue(benchmark::State& state) {
  const int32_t mhz = static_cast<int32_t>(state.range(0));
  RunOptimise(state, OptimiseParams({{1, 0.4}, {4, 0.05}, {5, 0.05}}), Grid(470.0, mhz * 40 + 1), mhz == 6 ? 10 : 12,
              1.0);
}
BENCHMARK(BM_OptimiseVenue)->Arg(6)->Arg(8)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);

// The 12-mark ruler as above with a new seed for each repetition (1, 2, ...).
static void BM_OptimiseRulerSeeds(benchmark::State& state) {
  static uint32_t seed = 0;
  const auto length = static_cast<int32_t>(state.range(0));
  RunOptimise(state, OptimiseParams({{1, 0.0}, {4, 0.0}, {5, 0.0}}), Grid(470.0, length + 1), 12, 1.0, ++seed);
}
BENCHMARK(BM_OptimiseRulerSeeds)->Arg(85)->Iterations(1)->Repetitions(5)->Unit(benchmark::kMillisecond);
