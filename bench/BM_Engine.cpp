#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstddef>
#include <set>
#include <vector>

#include "engine/IMFirstTable.h"
#include "engine/TcCheckHandler.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "app/AppState.h"

using namespace kova;

namespace {

// Two systems (or `systems`) of a type tuning 450-960 MHz with every check kind on (2Tx IM(5)
// included) and N channels shared evenly among them on distinct points of the 25 kHz grid over
// 470-862 MHz, spread irregularly.
AppState MakeProject(int32_t n, int32_t systems = 2) {
  AppState app;
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  TypeRef type;
  for (const TypeRef& t : app.systems)
    if (t->GxSpectrum()->GfGetFreqMin() == 450.0f) type = t->GGetCopy();
  type->GlSetFlags(511 | 512);
  app.project->GbSecondSystem(true);
  while (app.project->GlSystems() < systems)
    app.project->GAddSystem(app.project->GcSystem(0)->GGetCopy(), app.project->GcSpectrumOf(0)->GGetCopy());
  std::set<int32_t> used;
  uint32_t seed = 12345;
  const int32_t points = 392 * 40;  // grid points of 0.025 MHz in 470-862
  for (int32_t slot = 0; slot < systems; ++slot) {
    app.project->GcSystem(slot)->GcSystemType(type);
    CMicCollection& mics = *app.project->GcSystem(slot)->GcMics();
    const int32_t want = n * (slot + 1) / systems - n * slot / systems;
    while (mics.GCount() < want) {
      seed = seed * 1664525u + 1013904223u;
      int32_t point = static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(points));
      if (!used.insert(point).second) continue;
      mics.GAddMic("Mic" + std::to_string(used.size()), type->GsGetLabel(), 470.0f + 0.025f * static_cast<float>(point),
                   0xFFFF, type->GlGetFlags(), 0, 0);
    }
  }
  return app;
}

// `systems` systems of the same type as above and N channels shared evenly among them, at random
// distinct points of a 5 kHz grid over 470-960 MHz: the scale of a festival or a multi-venue event.
AppState MakeWideProject(int32_t n, int32_t systems = 8) {
  AppState app = MakeProject(0, systems);
  std::set<int32_t> used;
  uint32_t seed = 777;
  const int32_t points = 490 * 200;  // grid points of 0.005 MHz in 470-960
  for (int32_t slot = 0; slot < systems; ++slot) {
    CMicCollection& mics = *app.project->GcSystem(slot)->GcMics();
    const CSystemType& type = *app.project->GcSystem(slot)->GcSystemType();
    const int32_t want = n * (slot + 1) / systems - n * slot / systems;
    while (mics.GCount() < want) {
      seed = seed * 1664525u + 1013904223u;
      const int32_t point = static_cast<int32_t>((seed >> 4) % static_cast<uint32_t>(points));
      if (!used.insert(point).second) continue;
      mics.GAddMic("Mic" + std::to_string(used.size()), type.GsGetLabel(), 470.0f + 0.005f * static_cast<float>(point),
                   0xFFFF, type.GlGetFlags(), 0, 0);
    }
  }
  return app;
}

// The benchmark's iterations: a full check of `project` without log.
void FullChecks(benchmark::State& state, const CProject& project) {
  TcCheckHandler handler;
  for (auto _ : state) {
    handler.GInit(nullptr, false, false, true);
    project.RunChecks(handler);
    benchmark::DoNotOptimize(handler.GbIncompatible());
  }
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
BENCHMARK(BM_Products)->Arg(100)->Arg(600)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The intermodulation products the display draws (each kilohertz's first product and count), at
// the scale of large events.
static void BM_ProductsWide(benchmark::State& state) {
  AppState app = MakeWideProject(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    auto buffer = app.project->GGetBadBuffer(true);
    benchmark::DoNotOptimize(buffer->GCount());
  }
}
BENCHMARK(BM_ProductsWide)->Arg(1600)->Arg(3200)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The whole evaluation of a full check without log: spectrum phase, products, every channel
// against the products.
static void BM_Check(benchmark::State& state) {
  AppState app = MakeProject(static_cast<int32_t>(state.range(0)));
  FullChecks(state, *app.project);
}
BENCHMARK(BM_Check)->Arg(100)->Arg(600)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The full check at the scale of large events: eight systems over 470-960 MHz.
static void BM_CheckWide(benchmark::State& state) {
  AppState app = MakeWideProject(static_cast<int32_t>(state.range(0)));
  FullChecks(state, *app.project);
}
BENCHMARK(BM_CheckWide)->Arg(600)->Arg(1600)->Arg(3200)->Arg(10000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The same checks with every product generated in full, as small projects are checked: the
// measure of what the first products per kilohertz save.
static void BM_CheckFullGeneration(benchmark::State& state) {
  AppState app = state.range(1) ? MakeWideProject(static_cast<int32_t>(state.range(0)))
                                : MakeProject(static_cast<int32_t>(state.range(0)));
  const size_t minChannels = IMFirstTable::MinChannels();
  IMFirstTable::MinChannels(SIZE_MAX);
  FullChecks(state, *app.project);
  IMFirstTable::MinChannels(minChannels);
}
BENCHMARK(BM_CheckFullGeneration)->Args({600, 0})->Args({600, 1})->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The same check of sixteen systems of 40 channels each.
static void BM_Check16x40(benchmark::State& state) {
  AppState app = MakeProject(640, 16);
  FullChecks(state, *app.project);
}
BENCHMARK(BM_Check16x40)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The same sixteen systems on four stages near each other (four systems each): products form
// per stage, spacing is kept across.
static void BM_Check16x40Zoned(benchmark::State& state) {
  AppState app = MakeProject(640, 16);
  for (int32_t s = 0; s < 16; ++s) app.project->GSetSystemZone(s, 1 + s / 4);
  FullChecks(state, *app.project);
}
BENCHMARK(BM_Check16x40Zoned)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The silent check behind the status light after an edit of the channel table: a copy of the
// project (the check runs on it in the background) checked up to the first problem.
static void BM_SilentCheck(benchmark::State& state) {
  AppState app = MakeProject(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    const ProjectRef copy = app.project->GGetCopy();
    TcCheckHandler handler;
    handler.GInit(nullptr, false, false, false);
    copy->RunChecks(handler);
    benchmark::DoNotOptimize(handler.GbIncompatible());
  }
}
BENCHMARK(BM_SilentCheck)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The floor of the generation: the same 3Tx IM(3) products of the channels in the same order,
// each only counted into a kilohertz bin (no window test, no items, one core). The products of
// channels in 470-862 MHz lie within 78-1254 MHz, so the bins reach to 2000 MHz.
static void BM_BinsFloor(benchmark::State& state) {
  AppState app = MakeProject(static_cast<int32_t>(state.range(0)));
  std::vector<double> f;
  for (int32_t slot = 0; slot < 2; ++slot) {
    const CMicCollection& mics = *app.project->GcSystem(slot)->GcMics();
    for (int32_t j = 1; j <= mics.GCount(); ++j) f.push_back(mics.GcItem(j)->GfGetFreq());
  }
  std::vector<int32_t> bins(2000001);
  const size_t n = f.size();
  for (auto _ : state) {
    for (size_t a = 0; a < n; ++a)
      for (size_t b = a + 1; b < n; ++b)
        for (size_t c = b + 1; c < n; ++c) {
          ++bins[static_cast<size_t>(TcIMFrequencyBuffer::KHzIndex(f[a] + f[b] - f[c]))];
          ++bins[static_cast<size_t>(TcIMFrequencyBuffer::KHzIndex(f[c] + (f[a] - f[b])))];
          ++bins[static_cast<size_t>(TcIMFrequencyBuffer::KHzIndex(f[c] + (f[b] - f[a])))];
        }
    benchmark::DoNotOptimize(bins.data());
  }
}
BENCHMARK(BM_BinsFloor)->Arg(600)->Unit(benchmark::kMillisecond);
