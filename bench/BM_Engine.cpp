#include <benchmark/benchmark.h>

#include <cstdint>
#include <set>

#include "engine/TcCheckHandler.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "app/AppState.h"

using namespace kova;

namespace {

// One system of a type tuning 450-960 MHz with every check kind on (2Tx IM(5) included) and
// N channels on distinct grid points, spread irregularly over the band.
AppState MakeProject(int32_t n) {
  AppState app;
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  TypeRef type;
  for (const TypeRef& t : app.systems)
    if (t->GxSpectrum()->GfGetFreqMin() == 450.0f) type = t->GGetCopy();
  type->GlSetFlags(511 | 512);
  app.project->GcCurrSystem()->GcSystemType(type);
  CMicCollection& mics = *app.project->GcCurrSystem()->GcMics();
  std::set<int32_t> used;
  uint32_t seed = 12345;
  const int32_t points = 510 * 40;  // grid points of 0.025 MHz in 450-960
  while (static_cast<int32_t>(used.size()) < n) {
    seed = seed * 1664525u + 1013904223u;
    int32_t point = static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(points));
    if (!used.insert(point).second) continue;
    mics.GAddMic("Mic" + std::to_string(used.size()), type->GsGetLabel(), 450.0f + 0.025f * static_cast<float>(point),
                 0xFFFF, type->GlGetFlags(), 0, 0);
  }
  return app;
}

}  // namespace

// Generation of every interfering product of the project.
static void BM_Products(benchmark::State& state) {
  AppState app = MakeProject(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    auto buffer = app.project->GGetBadBuffer(false);
    benchmark::DoNotOptimize(buffer->GCount());
  }
}
BENCHMARK(BM_Products)->Arg(10)->Arg(40)->Arg(100)->Unit(benchmark::kMicrosecond);

// The whole evaluation of a full check without log: spectrum phase, products, every channel
// against the products.
static void BM_Check(benchmark::State& state) {
  AppState app = MakeProject(static_cast<int32_t>(state.range(0)));
  TcCheckHandler handler;
  for (auto _ : state) {
    handler.GInit(nullptr, false, false, true);
    app.project->RunChecks(handler);
    benchmark::DoNotOptimize(handler.GbIncompatible());
  }
}
BENCHMARK(BM_Check)->Arg(10)->Arg(40)->Arg(100)->Unit(benchmark::kMicrosecond);
