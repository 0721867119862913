// Every search finds only sets that the check accepts, also where a type's intermodulation widths
// exceed its spacing, so that a product can land on one of its own source channels.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "app/Generate.h"
#include "engine/TcCheckHandler.h"
#include "search/DriverTestSupport.h"
#include "search/Optimiser.h"
#include "tools/ScriptedPort.h"
#include "tools/TextFile.h"

using namespace kova;
using namespace kova::test;

namespace {

std::string CheckLog(const CProject& project) {
  StringSink log;
  TcCheckHandler handler;
  handler.GInit(&log, false, false, true);
  project.RunChecks(handler);
  return log.Text();
}

// 1 to 3 systems on grids of 25 to 125 kHz, each kind of intermodulation switched on at random
// with a width below or above the spacing, searched in a few megahertz with some channels present.
void RandomProject(AppState& app, std::mt19937& rng, int32_t systems) {
  auto pick = [&](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };
  std::vector<TypeRef> types;
  for (int32_t s = 0; s < systems; ++s) {
    const float spacing = 0.1f * static_cast<float>(2 + pick(3));
    auto width = [&] { return 0.025f * static_cast<float>(pick(static_cast<int32_t>(spacing * 80) + 1)); };
    const int32_t flags = kFlagSpectrum | kFlagSpacing | (pick(4) ? kFlagIM3 : 0) | (pick(4) ? 32 : 0) |
                          (pick(3) ? 0 : 512);
    types.push_back(MakeType(470.0f, 480.0f, 0.025f * static_cast<float>(1 + pick(5)),
                             {{0, 0.1f}, {1, spacing}, {4, width()}, {5, width()}, {9, width()}}, flags,
                             "T" + std::to_string(s)));
  }
  InitAppWith(app, types);
  CProject& project = *app.project;
  project.GbSecondSystem(systems > 1);
  while (project.GlSystems() < systems)
    project.GAddSystem(project.GcSystem(0)->GGetCopy(), project.GcSpectrumOf(0)->GGetCopy());
  const float lo = 470.0f + 0.5f * static_cast<float>(pick(8));
  for (int32_t s = 0; s < systems; ++s) {
    project.GcSystem(s)->GcSystemType(types[static_cast<size_t>(s)]);
    SetSearchSpectrum(project, s, {{lo, lo + 1.5f + static_cast<float>(pick(3))}});
    for (int32_t k = pick(4) / 2; k > 0; --k) AddChannel(project, s, lo + 0.025f * static_cast<float>(pick(120)), "F");
  }
}

}  // namespace

// Random, systematic and optimising searches on a few hundred projects: each proposal passes the
// check, and no search found a larger set that the check then turned down.
TEST(SearchCheckAgreement, EveryProposalPassesTheCheck) {
  std::mt19937 rng(43);
  int32_t proposals = 0, searched = 0;
  for (int32_t round = 0; round < 360; ++round) {
    const int32_t mode = std::array{kSearchRandom, kSearchSystematic, kSearchOptimise}[round % 3];
    AppState app;
    RandomProject(app, rng, mode == kSearchSystematic ? 1 : 1 + static_cast<int32_t>(rng() % 3));
    if (!CheckLog(*app.project).empty()) continue;  // only compatible starting points
    ++searched;
    ScriptedPort port(static_cast<uint32_t>(round + 1));
    PortScope scope(port);
    OptimiseSettings budget;
    budget.rounds = 1;
    const std::vector<int32_t> wanted(static_cast<size_t>(app.project->GlSystems()), 12);
    const GenerateOutcome out = GenerateProposals(app, 8, 5, wanted, kShowProposals, mode, budget);
    if (!out.proposals) continue;
    int32_t most = 0;
    for (int32_t i = 1; i <= out.proposals->GlCount(); ++i) {
      const CProject& p = *out.proposals->GxGetProject(i);
      EXPECT_EQ(CheckLog(p), "") << "round " << round << " proposal " << i;
      most = std::max(most, p.GlGetOverallMics() - app.project->GlGetOverallMics());
      ++proposals;
    }
    EXPECT_EQ(most, out.mostNew) << "round " << round;  // nothing larger was found and turned down
  }
  EXPECT_GT(searched, 200);
  EXPECT_GT(proposals, 400);
}

// Spacing 0.2 MHz with third-order widths of 0.3 MHz over 470..608 MHz: the optimising search
// places at least 19 channels that pass the check.
TEST(SearchCheckAgreement, WidthsAboveTheSpacing) {
  AppState app;
  InitAppWith(app, {MakeType(470.0f, 608.0f, 0.025f, {{0, 0.1f}, {1, 0.2f}, {4, 0.3f}, {5, 0.3f}},
                             kFlagSpectrum | kFlagSpacing | kFlagIM3 | 32)});
  SetSearchSpectrum(*app.project, 0, {{470.0f, 608.0f}});
  ScriptedPort port(1);
  PortScope scope(port);
  OptimiseSettings budget;
  budget.rounds = 24;
  const GenerateOutcome out = GenerateProposals(app, 1, 1, 40, 0, kShowProposals, kSearchOptimise, budget);
  ASSERT_TRUE(out.proposals && out.proposals->GlCount() >= 1);
  const CProject& best = *out.proposals->GxGetProject(1);
  EXPECT_EQ(CheckLog(best), "");
  EXPECT_GE(best.GlGetOverallMics(), 19);
}
