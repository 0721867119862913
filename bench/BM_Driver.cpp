#include <benchmark/benchmark.h>

#include <memory>

#include "app/AppState.h"
#include "app/Generate.h"
#include "tools/DefaultPort.h"

using namespace kova;

// The Generate command on an empty "Meridian" project whose search spectrum is the type's whole
// tuning range: 300 random runs adding 20 channels each, keeping 10 proposals. The progress box
// never aborts; the random numbers come from a fixed seed.
static void BM_RandomRuns(benchmark::State& state) {
  AppState app;
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  CProject& project = *app.project;
  project.GcSpectrum(project.GcCurrSystem()->GcSystemType()->GxSpectrum()->GGetCopy());
  DefaultPort port(1);
  PortScope scope(port);
  int64_t proposals = 0;
  for (auto _ : state) {
    GenerateOutcome out = GenerateProposals(app, 300, 10, 20, 0, kShowProposals, kSearchRandom);
    proposals += out.proposals ? out.proposals->GlCount() : 0;
    app.proposals = std::make_shared<CReportCollection>();
  }
  state.counters["proposals"] = benchmark::Counter(static_cast<double>(proposals), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RandomRuns)->Unit(benchmark::kMillisecond);
