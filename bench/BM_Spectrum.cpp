#include <benchmark/benchmark.h>

#include "model/CSpectrum.h"

using namespace kova;

// Snapping a typed frequency to the nearest grid point of a five-band tuning range.
static void BM_SnapToGrid(benchmark::State& state) {
  CSpectrum s;
  s.GDefine();
  for (float lo : {518.0f, 630.0f, 740.0f, 790.0f, 838.0f}) s.GAddBand(lo, lo + 32.0f, 0.025f);
  float f = 518.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.GfGetFreqNext(f));
    f += 7.3f;
    if (f > 880.0f) f = 510.0f;
  }
}
BENCHMARK(BM_SnapToGrid);
