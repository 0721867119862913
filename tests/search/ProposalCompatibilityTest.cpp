// Every proposal the search makes passes the compatibility check, also where a type's
// intermodulation widths exceed its spacing, so that a product can land on its own source.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "engine/TcCheckHandler.h"
#include "search/DriverTestSupport.h"
#include "app/Generate.h"
#include "tools/ScriptedPort.h"
#include "tools/TextFile.h"

using namespace kova;
using namespace kova::test;

namespace {

// The problems the check reports, one log line each; empty when compatible.
std::string CheckLog(const CProject& project) {
  StringSink log;
  TcCheckHandler handler;
  handler.GInit(&log, false, false, true);
  project.RunChecks(handler);
  return log.Text();
}

// The built-in types (system 1 on a different one), compatible channels already present, search
// spectra 518..searchHi, optionally with 2Tx IM(5) switched on.
void Check(bool twoSystems, bool im5, int32_t mode, int32_t runs, float searchHi, uint32_t seed,
           size_t secondType = 1) {
  SCOPED_TRACE((twoSystems ? "two systems" : "one system") + std::string(im5 ? ", IM(5)" : "") + ", mode " +
               std::to_string(mode) + ", seed " + std::to_string(seed));
  AppState app;
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  CProject& project = *app.project;
  project.GbSecondSystem(twoSystems);
  project.GlCurr(1);
  project.GcCurrSystem()->GDefine(app.systems[secondType]->GGetCopy());
  project.GlCurr(0);
  for (int32_t s : {0, 1}) {
    project.GcSystem(s)->GcSystemType()->GbCheckFlag(kCheck2TxIM5, im5);
    SetSearchSpectrum(project, s, {{518, searchHi}});
  }
  AddChannel(project, 0, 518.0f, "Mic1");
  AddChannel(project, 0, 521.0f, "Mic2");
  AddChannel(project, 1, 519.3f, "IEM1");
  ASSERT_EQ(CheckLog(project), "");

  ScriptedPort port(seed);
  PortScope scope(port);
  GenerateOutcome out = GenerateProposals(app, runs, 10, 12, 8, kShowProposals, mode);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  int32_t added = 0;
  for (int32_t i = 1; i <= out.proposals->GlCount(); ++i) {
    const CProject& p = *out.proposals->GxGetProject(i);
    EXPECT_EQ(CheckLog(p), "") << "proposal " << i;
    added = std::max(added, p.GlGetOverallMics() - project.GlGetOverallMics());
  }
  EXPECT_GE(added, 3);  // channels were added: an unchanged project would pass trivially
}

// 1 to 3 systems on 25 to 125 kHz grids, random kinds with widths below or above the spacing.
void RandomProject(AppState& app, std::mt19937& rng, int32_t systems) {
  auto pick = [&](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };
  std::vector<TypeRef> types;
  for (int32_t s = 0; s < systems; ++s) {
    const float spacing = 0.1f * static_cast<float>(2 + pick(3));
    auto width = [&] { return 0.025f * static_cast<float>(pick(static_cast<int32_t>(spacing * 80) + 1)); };
    const int32_t flags = 1 | 2 | (pick(4) ? 16 : 0) | (pick(4) ? 32 : 0) | (pick(3) ? 0 : 512);
    types.push_back(MakeType(470.0f, 480.0f, 0.025f * static_cast<float>(1 + pick(5)),
                             {{0, 0.1f}, {1, spacing}, {4, width()}, {5, width()}, {9, width()}}, flags, "T"));
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

TEST(ProposalCompatibility, RandomSearch) {
  for (bool twoSystems : {false, true})
    for (bool im5 : {false, true})
      for (uint32_t seed : {1u, 2u, 3u}) Check(twoSystems, im5, kSearchRandom, 20, 545.0f, seed);
}

TEST(ProposalCompatibility, SystematicSearch) {
  for (bool twoSystems : {false, true})
    for (bool im5 : {false, true}) Check(twoSystems, im5, kSearchSystematic, 1, 522.0f, 1);
}

// Meridian protects with 0.1 MHz, Osprey with 0.075 MHz: products landing on the other system's
// channels are then not fully covered by the pruning, and the runs must be checked.
TEST(ProposalCompatibility, TwoSystemsWithDifferentWidths) {
  for (uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u}) Check(true, false, kSearchRandom, 30, 560.0f, seed, 3);
}

// Random, systematic and optimising searches on a few hundred projects: each proposal passes the
// check, and no search found a larger set that the check then turned down.
TEST(ProposalCompatibility, WidthsAboveAndBelowTheSpacing) {
  std::mt19937 rng(43);
  int32_t proposals = 0, searched = 0;
  for (int32_t round = 0; round < 360; ++round) {
    const int32_t mode = std::array{kSearchRandom, kSearchSystematic, kSearchOptimise}[round % 3];
    AppState app;
    RandomProject(app, rng, mode == kSearchSystematic ? 1 : 1 + static_cast<int32_t>(rng() % 3));
    if (!CheckLog(*app.project).empty() || !++searched) continue;  // only compatible starting points
    ScriptedPort port(static_cast<uint32_t>(round + 1));
    PortScope scope(port);
    const std::vector<int32_t> wanted(static_cast<size_t>(app.project->GlSystems()), 12);
    const GenerateOutcome out = GenerateProposals(app, 8, 5, wanted, kShowProposals, mode, OptimiseSettings{3.0, 1});
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
  EXPECT_TRUE(searched > 200 && proposals > 400) << searched << " " << proposals;
}
