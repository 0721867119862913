#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "app/SystemCommands.h"
#include "engine/TcCheckHandler.h"
#include "search/DriverTestSupport.h"
#include "search/GenerateDriver.h"
#include "search/SearchPreparation.h"
#include "tools/ScriptedPort.h"

using namespace kova;
using namespace kova::test;

namespace {

constexpr int32_t kAllIM3 = kFlagSpectrum | kFlagSpacing | kFlagIM3 | 32;

bool PassesCheck(const CProject& project) {
  TcCheckHandler handler;
  handler.GInit(nullptr, false, false, false);
  project.RunChecks(handler);
  return !handler.GbIncompatible();
}

// Every plan of the small grids, system by system, pruned by the full check: true when one
// gives every system its count.
bool CompletePlanExists(CProject& project, const std::vector<int32_t>& wanted) {
  std::vector<std::vector<double>> grids;
  for (int32_t s = 0; s < project.GlSystems(); ++s)
    grids.push_back(BuildCandidateGrid(*project.GcSystem(s), *project.GcSpectrumOf(s)));
  std::function<bool(int32_t, size_t, int32_t)> place = [&](int32_t s, size_t from, int32_t left) {
    if (left == 0) return s + 1 == project.GlSystems() || place(s + 1, 1, wanted[static_cast<size_t>(s + 1)]);
    CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (size_t i = from; i < grids[static_cast<size_t>(s)].size(); ++i) {
      mics.GAddMic("B", "Test", static_cast<float>(grids[static_cast<size_t>(s)][i]), 0, 0, 0, 0);
      const bool done = PassesCheck(project) && place(s, i + 1, left - 1);
      mics.GDelMic(mics.GCount());
      if (done) return true;
    }
    return false;
  };
  return place(0, 1, wanted[0]);
}

}  // namespace

// Small random projects of two or three systems with their own spacing, third-order widths and
// grids on one stretch of band, some with a channel already present: whenever some plan gives
// every system its count, the joint search finds one, and every proposal passes the check.
TEST(JointSearch, ReachesEveryCountWheneverAPlanExists) {
  std::mt19937 rng(2024);
  auto pick = [&rng](std::initializer_list<float> values) {
    return *(values.begin() + std::uniform_int_distribution<size_t>(0, values.size() - 1)(rng));
  };
  int32_t complete = 0;
  for (int32_t instance = 0; instance < 24; ++instance) {
    SCOPED_TRACE(instance);
    AppState app;
    const int32_t systems = 2 + instance % 2;
    std::vector<TypeRef> types;
    for (int32_t s = 0; s < systems; ++s) {
      const float lo = pick({500.0f, 500.1f, 500.2f}), span = pick({0.5f, 0.7f});
      types.push_back(MakeType(lo, lo + span, pick({0.05f, 0.1f}),
                               {{1, pick({0.08f, 0.12f, 0.2f})}, {4, pick({0.02f, 0.04f})}, {5, pick({0.02f, 0.03f})}},
                               kAllIM3));
    }
    InitAppWith(app, types);
    for (int32_t s = 1; s < systems; ++s) MN_AddSystem(app, *types[static_cast<size_t>(s)]);
    std::vector<int32_t> wanted;
    for (int32_t s = 0; s < systems; ++s) {
      SetSearchSpectrum(*app.project, s, {{499.0f, 502.0f}});
      wanted.push_back(1 + static_cast<int32_t>(rng() % 3));
    }
    if (instance % 3 == 0) AddChannel(*app.project, 0, 500.45f, "Fixed");
    ASSERT_TRUE(PassesCheck(*app.project));

    ScriptedPort port(instance + 1);
    OptimiseSettings settings;
    settings.rounds = 1;
    const GenerateOutcome out = RunGenerateSearch(*app.project, 1, 3, wanted, kSearchOptimise, port, settings);
    ASSERT_TRUE(out.joint.has_value());
    for (int32_t i = 1; out.proposals && i <= out.proposals->GlCount(); ++i)
      EXPECT_TRUE(PassesCheck(*out.proposals->GxGetProject(i))) << "proposal " << i;
    if (!CompletePlanExists(*app.project, wanted)) continue;
    ++complete;
    ASSERT_EQ(out.status, GenerateStatus::kProposals);
    EXPECT_TRUE(out.joint->complete);
    const CProject& best = *out.proposals->GxGetProject(1);
    for (int32_t s = 0; s < systems; ++s)
      EXPECT_EQ(best.GcSystem(s)->GcMics()->GCount() - app.project->GcSystem(s)->GcMics()->GCount(),
                wanted[static_cast<size_t>(s)]);
  }
  EXPECT_GE(complete, 8);  // the table holds enough instances that can be completed
}

// Three groups in 470-608 MHz: 0.3 MHz spacing on 25 kHz over the whole band, 0.4 on 25 kHz
// above 500, 0.6 on 50 kHz below 560, all with 2Tx and 3Tx IM(3) at 0.05. Filled one after the
// other the first group packs the bottom, the third group's only range; searched together all
// get 12, and asked 20 each none is starved. A seed repeats its plan.
TEST(JointSearch, ThreeGroupsEachGetTheirShare) {
  auto params = [](double spacing) {
    TCheckParams p;
    p.fill(-1.0);
    p[0] = 0;
    p[1] = spacing;
    p[4] = p[5] = 0.05;
    p[10] = p[11] = 0;
    return p;
  };
  auto grid = [](double lo, double hi, double step) {
    std::vector<double> g{0.0};
    for (int32_t k = 0; lo + step * k <= hi + 1e-9; ++k) g.push_back(static_cast<float>(lo + step * k));
    return g;
  };
  for (const int32_t each : {12, 20}) {
    SCOPED_TRACE(each);
    const std::vector<JointSystemInput> groups{{params(0.3), {}, grid(470, 608, 0.025), each},
                                               {params(0.4), {}, grid(500, 608, 0.025), each},
                                               {params(0.6), {}, grid(470, 560, 0.05), each}};
    OptimiseSettings settings;
    settings.rounds = 2;
    std::vector<JointPlan> runs[2];
    JointSummary summary;
    for (auto& plans : runs) {
      ScriptedPort port(7);
      plans = JointOptimise(groups, 1, settings, port, summary);
      ASSERT_EQ(plans.size(), 1u);
    }
    EXPECT_EQ(runs[0], runs[1]);
    for (const auto& channels : runs[0][0]) {
      EXPECT_GE(channels.size(), 12u);
    }
    if (each == 12) {
      EXPECT_TRUE(summary.complete && summary.optimal);
    }
    EXPECT_LE(summary.total, summary.totalBound);
  }
}

// Six grid points 0.3 MHz apart shared by systems keeping 0.25 MHz: six channels in all. Asked 2
// and 10, the small request gets 1 and the large 5 (half each), not 0 and 6; asked 3, 3 and 12,
// a third each.
TEST(JointSearch, SmallestShareFirstThenTheMostChannels) {
  TCheckParams p;
  p.fill(-1.0);
  p[0] = p[10] = p[11] = 0;
  p[1] = 0.25;
  const std::vector<double> grid{0.0, 500.0, 500.3, 500.6, 500.9, 501.2, 501.5};
  const struct {
    std::vector<int32_t> wanted, found;
  } cases[] = {{{2, 10}, {1, 5}}, {{3, 3, 12}, {1, 1, 4}}, {{1, 4}, {1, 4}}};
  for (const auto& c : cases) {
    std::vector<JointSystemInput> systems;
    for (int32_t w : c.wanted) systems.push_back({p, {}, grid, w});
    OptimiseSettings settings;
    settings.rounds = 1;
    ScriptedPort port(3);
    JointSummary summary;
    JointOptimise(systems, 1, settings, port, summary);
    EXPECT_EQ(summary.found, c.found) << ::testing::PrintToString(c.wanted);
  }
}

// Three groups asked 30 each, ten built-in systems over 470-694 MHz asking 20 or 15: proposal 1 is
// the plan described, no later one beats it by the rule, and no system is left at 0.
TEST(JointSearch, ProposalOneIsTheBestPlanAndTheOneDescribed) {
  const int32_t all = kFlagSpectrum | kFlagSpacing | kFlagIM3 | 32;
  AppState groups, ten;
  InitAppWith(groups, {MakeType(470, 608, 0.025f, {{1, 0.3f}, {4, 0.05f}, {5, 0.05f}}, all),
                       MakeType(500, 608, 0.025f, {{1, 0.4f}, {4, 0.05f}, {5, 0.05f}}, all),
                       MakeType(470, 560, 0.05f, {{1, 0.6f}, {4, 0.05f}, {5, 0.05f}}, all)});
  for (int32_t s = 1; s < 3; ++s) MN_AddSystem(groups, *groups.systems[static_cast<size_t>(s)]);
  MN_InstallDefaultSystems(ten);
  MN_NewProject(ten);
  for (int32_t s = 1; s < 10; ++s) MN_AddSystem(ten, *ten.systems[static_cast<size_t>(s % 7)]);
  const std::pair<AppState*, std::vector<int32_t>> cases[] = {{&groups, {30, 30, 30}},
                                                              {&ten, {20, 20, 20, 20, 15, 20, 15, 15, 20, 20}}};
  for (const auto& [app, wanted] : cases) {
    const auto n = wanted.size();
    for (size_t s = 0; s < n; ++s) SetSearchSpectrum(*app->project, int32_t(s), {{470.0f, n == 3 ? 608.0f : 694.0f}});
    auto rank = [&](const CProject& p) {  // the shares, smallest first, then the channels in all
      std::vector<double> key;
      for (size_t s = 0; s < n; ++s)
        key.push_back(std::min(wanted[s], p.GcSystem(int32_t(s))->GcMics()->GCount()) / double(wanted[s]));
      std::sort(key.begin(), key.end());
      key.push_back(p.GlGetOverallMics());
      return key;
    };
    for (int32_t seed = 1; seed <= 2; ++seed) {
      ScriptedPort port(seed);
      OptimiseSettings settings;
      settings.rounds = 1;
      const GenerateOutcome out = RunGenerateSearch(*app->project, 1, 5, wanted, kSearchOptimise, port, settings);
      ASSERT_EQ(out.status, GenerateStatus::kProposals);
      const CProject& first = *out.proposals->GxGetProject(1);
      for (size_t s = 0; s < n; ++s) {
        EXPECT_EQ(out.joint->found[s], first.GcSystem(int32_t(s))->GcMics()->GCount()) << n << " systems, " << seed;
        EXPECT_GE(out.joint->found[s], 1) << n << " systems, seed " << seed << ", system " << s + 1;
      }
      for (int32_t i = 2; i <= out.proposals->GlCount(); ++i)
        EXPECT_GE(rank(first), rank(*out.proposals->GxGetProject(i))) << n << " systems, proposal " << i;
    }
  }
}

// Sixteen systems of the seven built-in types, asked three channels each, searched in turn: the
// types protect with different widths, so most runs break the check somewhere; each keeps what
// passes instead of giving up, and the search ends with proposals that pass the check.
TEST(JointSearch, SixteenSystemsInTurnKeepWhatPasses) {
  AppState app;
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  for (int32_t s = 1; s < 16; ++s) MN_AddSystem(app, *app.systems[static_cast<size_t>(s % 7)]);
  for (int32_t s = 0; s < 16; ++s) SetSearchSpectrum(*app.project, s, {{606.0f, 698.0f}});
  ScriptedPort port(5);
  const GenerateOutcome out = RunGenerateSearch(*app.project, 3, 3, std::vector<int32_t>(16, 3), kSearchRandom, port);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  for (int32_t i = 1; i <= out.proposals->GlCount(); ++i) {
    EXPECT_GT(out.proposals->GxGetProject(i)->GlGetOverallMics(), 8);
    EXPECT_TRUE(PassesCheck(*out.proposals->GxGetProject(i)));
  }
}
