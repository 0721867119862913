#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "search/DriverTestSupport.h"
#include "search/SearchPreparation.h"
#include "search/Seeker_Module.h"
#include "tools/ScriptedPort.h"

using namespace kova;
using namespace kova::test;

namespace {

// A 1-based list from single-precision values (entry 0 = 0).
std::vector<double> L(std::initializer_list<float> values) {
  std::vector<double> r{0.0};
  r.insert(r.end(), values.begin(), values.end());
  return r;
}

std::vector<double> Grid(TypeRef type, std::initializer_list<std::pair<float, float>> search) {
  CSystemInstance system;
  system.GDefine(std::move(type));
  CSpectrum s;
  s.GDefine();
  for (auto [lo, hi] : search) s.GAddBand(lo, hi, 0.025f);
  return BuildCandidateGrid(system, s);
}

}  // namespace

TEST(CandidateGrid, TuningGridInsideTheSearchSpectrum) {
  const struct {
    const char* name;
    float width0;
    std::initializer_list<std::pair<float, float>> search;
    std::vector<double> expected;
  } cases[] = {
      {"around the band", 0.01f, {{499, 501}}, L({500.0f, 500.025f, 500.05f, 500.075f, 500.1f})},
      {"equal to the band, width 0", 0.0f, {{500, 500.1f}}, L({500.0f, 500.025f, 500.05f, 500.075f, 500.1f})},
      {"equal to the band, width 0.01", 0.01f, {{500, 500.1f}}, L({500.025f, 500.05f, 500.075f})},
      {"touching bands do not join", 0.02f, {{499, 500.05f}, {500.05f, 501}}, L({500.0f, 500.025f, 500.075f, 500.1f})},
      {"no overlap", 0.0f, {{600, 700}}, L({})},
      // Single frequencies count, on the grid or not, where the tuning range holds the width.
      {"single frequency", 0.0f, {{500.01f, 500.01f}}, L({500.01f})},
      {"single frequency, width fits", 0.02f, {{500.08f, 500.08f}}, L({500.08f})},
      {"single frequency too close to the edge", 0.02f, {{500.095f, 500.095f}}, L({})},
      {"single frequency outside", 0.0f, {{700, 700}}, L({})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Grid(MakeType(500, 500.1f, 0.025f, {{0, c.width0}}, 3), c.search), c.expected);
  }
}

TEST(CandidateGrid, SortedWithoutNearDuplicates) {
  // A second band 0.5 kHz above the first, listed first, and a single frequency 0.3 kHz from a
  // grid point: ascending, and of points closer than 1 kHz the lower stays.
  auto type = MakeType(500.1005f, 500.1505f, 0.025f, {}, 3);
  type->GxSpectrum()->GAddBand(500, 500.1f, 0.025f);
  EXPECT_EQ(Grid(type, {{499, 501}, {500.0753f, 500.0753f}}),
            L({500.0f, 500.025f, 500.05f, 500.075f, 500.1f, 500.1255f, 500.1505f}));
}

TEST(CandidateGrid, StepsThatDoNotMoveForwardGiveTheLowerEdgeOnly) {
  for (float step : {0.0f, -0.025f, 1e-6f, 0.00004f, std::numeric_limits<float>::quiet_NaN()}) {
    SCOPED_TRACE(step);
    auto type = MakeType(500, 500.1f, step, {}, 3);
    type->GxSpectrum()->GAddBand(510, 510.1f, 0.025f);
    EXPECT_EQ(Grid(type, {{499, 520}}), L({500.0f, 510.0f}));
  }
}

TEST(PrepareCandidates, ChannelsRemoveTheirConflictsInListOrder) {
  // Channel 500.000 removes itself; channel 500.050 then removes itself, its product with the
  // first (500.1) and 500.025, whose product with 500.000 would land on 500.050.
  AppState app;
  InitAppWith(app, {MakeType(500, 500.1f, 0.025f, {{1, 0.01f}, {4, 0.01f}}, kFlagSpectrum | kFlagSpacing | kFlagIM3)});
  SetSearchSpectrum(*app.project, 0, {{499, 501}});
  AddChannel(*app.project, 0, 500.0f, "A");
  AddChannel(*app.project, 0, 500.05f, "B");
  ScriptedPort port;
  Seeker_Module seeker(port);
  std::vector<double> candidates, freqs0, freqs1{0.0, 1.0};
  TCheckParams params0{}, params1{};
  params1.fill(7.0);
  PrepareCandidates(*app.project, 0, seeker, candidates, freqs0, params0, freqs1, params1);
  EXPECT_EQ(candidates, L({500.075f}));
  EXPECT_EQ(freqs0, L({500.0f, 500.05f}));
  EXPECT_EQ(params0, app.project->GcSystem(0)->GcSystemType()->GGetCheckParams());
  EXPECT_EQ(freqs1, L({}));     // emptied; no second system
  EXPECT_EQ(params1[1], 7.0);   // not written
  ASSERT_EQ(seeker.ContextList().size(), 1u);
  EXPECT_EQ(seeker.ContextList()[0].Freqs, freqs0);
}

TEST(PrepareCandidates, TheOtherSystemsChannelsCountWithTheWiderSpacing) {
  // System 1 (spacing 0.01) is searched; system 0's type has spacing 0.03. Around system 0's
  // channel the wider width applies (500.025 and 500.075 go), around system 1's own channel
  // only 0.01 (500.125 and 500.175 stay).
  AppState app;
  InitAppWith(app, {MakeType(500, 500.2f, 0.025f, {{1, 0.03f}}, kFlagSpectrum | kFlagSpacing, "Wide")});
  CProject& project = *app.project;
  project.GbSecondSystem(true);
  project.GlCurr(1);
  project.GcCurrSystem()->GDefine(MakeType(500, 500.2f, 0.025f, {{1, 0.01f}}, kFlagSpectrum | kFlagSpacing, "Narrow"));
  AddChannel(project, 0, 500.05f, "A");
  AddChannel(project, 1, 500.15f, "B");
  ScriptedPort port;
  Seeker_Module seeker(port);
  std::vector<double> candidates, freqs0, freqs1;
  TCheckParams params0{}, params1{};
  PrepareCandidates(project, 1, seeker, candidates, freqs0, params0, freqs1, params1);
  EXPECT_EQ(candidates, L({500.0f, 500.1f, 500.125f, 500.175f, 500.2f}));
  EXPECT_EQ(project.GlCurr(), 1);
  EXPECT_EQ(freqs1, L({500.15f}));
  EXPECT_EQ(params1, project.GcSystem(1)->GcSystemType()->GGetCheckParams());
  // The context afterwards: system 0 with its channels, system 1 without.
  ASSERT_EQ(seeker.ContextList().size(), 2u);
  EXPECT_EQ(seeker.ContextList()[0].Freqs, L({500.05f}));
  EXPECT_EQ(seeker.ContextList()[1].Freqs, L({}));
}

TEST(PrepareCandidates, EmptyResultsAreEmptyListsAndTheCurrentSystemStays) {
  const struct {
    const char* name;
    bool channel;  // a channel whose spacing covers every candidate
    std::initializer_list<std::pair<float, float>> search;
    int32_t current;
  } cases[] = {
      {"spacing covers all", true, {{499, 501}}, 0},
      {"spacing covers all, system 1 current", true, {{499, 501}}, 1},
      {"search spectrum outside the tuning range", false, {{600, 601}}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppState app;
    InitAppWith(app, {MakeType(500, 500.1f, 0.025f, {{1, 1.0f}}, kFlagSpectrum | kFlagSpacing)});
    app.project->GbSecondSystem(true);
    SetSearchSpectrum(*app.project, 0, c.search);
    if (c.channel) AddChannel(*app.project, 0, 500.05f, "A");
    app.project->GlCurr(c.current);
    ScriptedPort port;
    Seeker_Module seeker(port);
    std::vector<double> candidates, freqs0{0.0, 1.0}, freqs1{0.0, 1.0};
    TCheckParams params0{}, params1{};
    PrepareCandidates(*app.project, 0, seeker, candidates, freqs0, params0, freqs1, params1);
    EXPECT_EQ(candidates, L({}));
    EXPECT_EQ(freqs0, L({}));
    EXPECT_EQ(freqs1, L({}));
    EXPECT_EQ(app.project->GlCurr(), c.current);
  }
}
