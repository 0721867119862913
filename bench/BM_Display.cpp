#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdint>
#include <set>
#include <vector>

#include "app/AppState.h"
#include "app/Check.h"
#include "app/CheckConflicts.h"
#include "display/PictureBox.h"
#include "display/SpectrumPicture.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "engine/TcProductTracker.h"

using namespace kova;

namespace {

// Text needs a GUI application; the offscreen platform serves without a display. It is kept to
// the end of the process (destroying it among the static objects at exit crashes).
void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "kova_bench";
  static char* argv[] = {name, nullptr};
  new QGuiApplication(argc, argv);
}

// Two systems of the 450-960 MHz type with every check kind on, n channels in all (half each),
// on distinct grid points spread irregularly over the band.
AppState MakeTwoSystemProject(int32_t n) {
  AppState app;
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  TypeRef type;
  for (const TypeRef& t : app.systems)
    if (t->GxSpectrum()->GfGetFreqMin() == 450.0f) type = t->GGetCopy();
  type->GlSetFlags(511 | 512);
  app.project->GbSecondSystem(true);
  std::set<int32_t> used;
  uint32_t seed = 4711;
  const int32_t points = 510 * 40;
  for (int32_t slot = 0; slot < 2; ++slot) {
    app.project->GcSystem(slot)->GcSystemType(type);
    CMicCollection& mics = *app.project->GcSystem(slot)->GcMics();
    while (mics.GCount() < (slot == 0 ? n / 2 : n - n / 2)) {
      seed = seed * 1664525u + 1013904223u;
      const int32_t point = static_cast<int32_t>((seed >> 8) % static_cast<uint32_t>(points));
      if (!used.insert(point).second) continue;
      mics.GAddMic("Mic" + std::to_string(mics.GCount() + 1), type->GsGetLabel(),
                   450.0f + 0.025f * static_cast<float>(point), 0x00FF00 + 0x40 * slot, type->GlGetFlags(), 0, 0);
    }
  }
  app.highlighted = 1;
  return app;
}

}  // namespace

// The engine part of one drag move of the display: the pointer's frequency snapped to the
// tuning grid, the channel moved, the silent check and the products the next drawing shows
// (the same ones: the display reads what the check's tracker keeps).
static void BM_DragStep(benchmark::State& state) {
  AppState app = MakeTwoSystemProject(static_cast<int32_t>(state.range(0)));
  const SpectrumRef tuning = app.project->GcCurrSystem()->GcSystemType()->GxSpectrum();
  const MicRef mic = app.project->GcCurrSystem()->GcMics()->GcItem(app.highlighted);
  app.productTracker->Prepare(*app.project, app.project->GlCurr(), app.highlighted);  // the drag starts
  double x = 600.013;
  for (auto _ : state) {
    x = x < 700 ? x + 0.337 : 600.013;
    mic->GfSetFreq(tuning->GfGetFreq(tuning->GlGetFreqIndexNext(static_cast<float>(x))));
    benchmark::DoNotOptimize(MN_RunCheck(app, false, false, true, nullptr));
    app.productTracker->Update(*app.project);
    benchmark::DoNotOptimize(app.productTracker->Lines().data());
  }
}
BENCHMARK(BM_DragStep)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);

// The start of a drag: the products without the channel taken, and the lists that make its
// moves cheap.
static void BM_DragStart(benchmark::State& state) {
  AppState app = MakeTwoSystemProject(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    TcProductTracker tracker;
    tracker.Prepare(*app.project, app.project->GlCurr(), app.highlighted);
    benchmark::DoNotOptimize(tracker.Count());
  }
}
BENCHMARK(BM_DragStart)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// One full drawing of the display into a 1600 x 600 image, zoomed to the data, with the
// products already computed (what each redraw during a drag costs on top of the engine part).
static void BM_DrawDisplay(benchmark::State& state) {
  EnsureGuiApplication();
  AppState app = MakeTwoSystemProject(static_cast<int32_t>(state.range(0)));
  PictureBox pbx(1600, 600);
  SpectrumView view;
  bool stale = true;
  const SpectrumInput in{*app.project, 0, app.highlighted, kZoomSearchSpectrum | kZoomUsedChannels, stale};
  PrepareTVStationPbx(pbx, view, in, true);
  for (auto _ : state) {
    PrepareTVStationPbx(pbx, view, in, false);
    benchmark::DoNotOptimize(pbx.Image().constBits());
  }
}
BENCHMARK(BM_DrawDisplay)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

// A whole drag move as the display runs it: the pointer snapped to the grid, the channel moved,
// the silent check, the products brought up to date and read, the picture redrawn at
// 1600 x 600 with the marks of the check.
static void BM_DragMove(benchmark::State& state) {
  EnsureGuiApplication();
  AppState app = MakeTwoSystemProject(static_cast<int32_t>(state.range(0)));
  const SpectrumRef tuning = app.project->GcCurrSystem()->GcSystemType()->GxSpectrum();
  const MicRef mic = app.project->GcCurrSystem()->GcMics()->GcItem(app.highlighted);
  PictureBox pbx(1600, 600);
  SpectrumView view;
  app.flags.productsStale = true;
  const SpectrumInput first{*app.project, 0, app.highlighted, kZoomSearchSpectrum | kZoomUsedChannels,
                            app.flags.productsStale, nullptr, nullptr, app.productTracker.get()};
  PrepareTVStationPbx(pbx, view, first, true);
  app.productTracker->Prepare(*app.project, app.project->GlCurr(), app.highlighted);  // the drag starts
  double x = 600.013;
  for (auto _ : state) {
    x = x < 700 ? x + 0.337 : 600.013;
    mic->GfSetFreq(tuning->GfGetFreq(tuning->GlGetFreqIndexNext(static_cast<float>(x))));
    TL_SetChanged(app.flags, true, false, false, false);
    benchmark::DoNotOptimize(MN_RunCheck(app, false, false, true, nullptr));
    const std::vector<CheckConflict>& conflicts = MN_Conflicts(app);
    const SpectrumInput in{*app.project, 0, app.highlighted, kZoomSearchSpectrum | kZoomUsedChannels,
                           app.flags.productsStale, nullptr, conflicts.empty() ? nullptr : &conflicts,
                           app.productTracker.get()};
    PrepareTVStationPbx(pbx, view, in, false);
    benchmark::DoNotOptimize(pbx.Image().constBits());
  }
}
BENCHMARK(BM_DragMove)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond);
