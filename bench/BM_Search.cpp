#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "search/Seeker_Module.h"
#include "tools/DefaultPort.h"

using namespace kova;

namespace {

// Every check off except those given (kind -> width).
TCheckParams Params(std::initializer_list<std::pair<int, double>> on, double lo = 0, double lo2 = 0) {
  TCheckParams p;
  p.fill(-1.0);
  p[0] = 0;
  for (auto [k, w] : on) p[k] = w;
  p[10] = lo;
  p[11] = lo2;
  return p;
}

}  // namespace

// One elimination step on a wide candidate list: 4,000 grid points (470.000 ... 569.975 MHz in
// 25 kHz steps), 20 fixed channels and 10 chosen frequencies, with the widths of a typical type
// (spacing 0.4, 2Tx IM(3), 3Tx IM(3) and 2Tx IM(5) at 0.1). Each iteration restores the list
// first, as a search node does with its copy.
static void BM_Eliminate(benchmark::State& state) {
  DefaultPort port(1);
  Seeker_Module seeker(port);
  const TCheckParams params = Params({{1, 0.4}, {4, 0.1}, {5, 0.1}, {9, 0.1}}, 10.7, 21.4);

  std::vector<double> fixed{0.0};
  for (int k = 0; k < 20; ++k) fixed.push_back(472.3 + 4.85 * k);
  seeker.SetContext(fixed, params, 0);
  seeker.SetChosenSide(params);
  seeker.SetCandidateSide(params);

  std::vector<double> chosen{0.0};
  for (int k = 0; k < 10; ++k) chosen.push_back(474.1 + 9.35 * k);

  std::vector<double> candidates{0.0};
  for (int k = 0; k < 4000; ++k) candidates.push_back(470.0 + 0.025 * k);
  const int32_t n = 4000;

  std::vector<double> list = candidates;
  int32_t left = 0;
  for (auto _ : state) {
    std::copy(candidates.begin(), candidates.end(), list.begin());
    int32_t count = n;
    seeker.EliminateCandidates(list, count, chosen);
    left = count;
    benchmark::DoNotOptimize(list.data());
    benchmark::ClobberMemory();
  }
  state.counters["left"] = left;
}
BENCHMARK(BM_Eliminate);

// Maximum Search keeping one set, with the search state and the node count reported.
void RunMaximumSearch(benchmark::State& state, const TCheckParams& params, const std::vector<double>& candidates) {
  DefaultPort port(1);  // the progress box always lets the search go on
  Seeker_Module seeker(port);
  seeker.SetContext({}, params, 0);
  seeker.SetChosenSide(params);
  seeker.SetCandidateSide(params);

  std::vector<std::vector<double>> sets;
  const int64_t before = seeker.NodeCount();
  for (auto _ : state) {
    seeker.RunSearch(candidates, 0, 1, sets);
    benchmark::DoNotOptimize(sets.data());
  }
  const double nodes = static_cast<double>(seeker.NodeCount() - before);
  state.counters["nodes"] = benchmark::Counter(nodes, benchmark::Counter::kAvgIterations);
  size_t largest = 0;
  for (const auto& set : sets) largest = std::max(largest, set.size() - 1);
  state.counters["largest"] = static_cast<double>(largest);
}

// L + 1 grid points 25 kHz apart with Spacing, 2Tx IM(3) and 3Tx IM(3) on at width 0: the
// compatible sets are the rulers with distinct differences, so the search proves the largest
// ruler of length L (8 marks for 34, 9 for 44, 10 for 55, 11 for 72, 12 for 85).
static void BM_Systematic(benchmark::State& state) {
  std::vector<double> candidates{0.0};
  for (int k = 0; k <= state.range(0); ++k) candidates.push_back(470.0 + 0.025 * k);
  RunMaximumSearch(state, Params({{1, 0.0}, {4, 0.0}, {5, 0.0}}), candidates);
}
BENCHMARK(BM_Systematic)->Arg(34)->Arg(44)->Arg(55)->Arg(72)->Arg(85)->Unit(benchmark::kMillisecond);

// One empty system on a TV channel of 6 or 8 MHz from 470 MHz, 25 kHz grid, spacing 0.4 MHz,
// 2Tx and 3Tx IM(3) at 0.05 MHz.
static void BM_SystematicVenue(benchmark::State& state) {
  std::vector<double> candidates{0.0};
  for (int k = 0; k <= state.range(0) * 40; ++k) candidates.push_back(470.0 + 0.025 * k);
  RunMaximumSearch(state, Params({{1, 0.4}, {4, 0.05}, {5, 0.05}}), candidates);
}
BENCHMARK(BM_SystematicVenue)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);

// One random run of up to 10 channels beside N channels already present in four systems
// (random kilohertz over 470 ... 500 MHz), with spacing 0.4 and 2Tx and 3Tx IM(3) at width 0.
// The 2,000 candidates (25 kHz grid over 600 ... 960 MHz) lie beyond the reach of the products
// of two present channels with a third one, so every step of the run meets all N channels and
// their pairs, and each added channel clears only the candidates near it. With a second
// argument of 1 every run starts on a new search module, so it pays for the present channels'
// pairs as well (the first run of a search).
static void BM_AddChannels(benchmark::State& state) {
  DefaultPort port(1);
  const TCheckParams params = Params({{1, 0.4}, {4, 0.0}, {5, 0.0}});
  const int n = static_cast<int>(state.range(0));
  uint64_t r = 12345;
  auto next = [&r] { return (r = r * 6364136223846793005ULL + 1442695040888963407ULL) >> 33; };
  std::vector<std::vector<double>> fixed(4, std::vector<double>{0.0});
  for (int k = 0; k < n; ++k) fixed[k % 4].push_back(470.0 + 0.001 * static_cast<double>(next() % 30000));
  std::vector<double> candidates{0.0};
  for (int k = 0; k < 14400 && candidates.size() <= 2000; ++k)
    if (next() % 7 == 0) candidates.push_back(600.0 + 0.025 * k);

  std::unique_ptr<Seeker_Module> seeker;
  std::vector<std::vector<double>> sets;
  size_t added = 0;
  for (auto _ : state) {
    if (state.range(1) == 1 || !seeker) {
      seeker = std::make_unique<Seeker_Module>(port);
      for (int j = 0; j < 4; ++j) seeker->SetContext(fixed[static_cast<size_t>(j)], params, j);
      seeker->SetChosenSide(params);
      seeker->SetCandidateSide(params);
    }
    seeker->RunSearch(candidates, 10, 1, sets);
    added = sets.empty() ? 0 : sets[0].size() - 1;
    benchmark::DoNotOptimize(sets.data());
  }
  state.counters["added"] = static_cast<double>(added);
}
BENCHMARK(BM_AddChannels)->ArgsProduct({{100, 300, 1000}, {0, 1}})->Unit(benchmark::kMillisecond);
