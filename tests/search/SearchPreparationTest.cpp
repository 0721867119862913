#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "search/DriverTestSupport.h"
#include "search/SearchPreparation.h"
#include "search/Seeker_Module.h"
#include "tools/ScriptedPort.h"

using namespace kova;
using namespace kova::test;

namespace {

// The entries 1..n of a 1-based list.
std::vector<double> Entries(const std::vector<double>& list) {
  EXPECT_FALSE(list.empty());
  EXPECT_EQ(list.empty() ? 1.0 : list[0], 0.0);
  return list.size() > 1 ? std::vector<double>(list.begin() + 1, list.end()) : std::vector<double>{};
}

// Single-precision grid points widened to double, as the candidates hold them.
std::vector<double> F(std::initializer_list<float> values) { return {values.begin(), values.end()}; }

CSpectrum Spectrum(std::initializer_list<std::pair<float, float>> bands) {
  CSpectrum s;
  s.GDefine();
  for (auto [lo, hi] : bands) s.GAddBand(lo, hi, 0.025f);
  return s;
}

CSystemInstance System(TypeRef type) {
  CSystemInstance s;
  s.GDefine(std::move(type));
  return s;
}

}  // namespace

// ---- Candidate grid ----

TEST(CandidateGrid, WalksTheTuningGridInsideTheSearchSpectrum) {
  struct Case {
    const char* name;
    float width0;
    std::initializer_list<std::pair<float, float>> search;
    std::vector<double> expected;
  } cases[] = {
      {"search spectrum around the band", 0.01f, {{499.0f, 501.0f}},
       F({500.000f, 500.025f, 500.050f, 500.075f, 500.100f})},
      // The grid walk lands exactly on the upper edge; with width 0 both edges fit.
      {"search spectrum equal to the band, width 0", 0.0f, {{500.0f, 500.1f}},
       F({500.000f, 500.025f, 500.050f, 500.075f, 500.100f})},
      // Half the spectrum width must fit on each side: the edges drop out.
      {"search spectrum equal to the band, width 0.01", 0.01f, {{500.0f, 500.1f}},
       F({500.025f, 500.050f, 500.075f})},
      // A channel must fit into one band: two touching bands do not join at 500.05.
      {"two touching search bands", 0.02f, {{499.0f, 500.05f}, {500.05f, 501.0f}},
       F({500.000f, 500.025f, 500.075f, 500.100f})},
      {"no overlap", 0.0f, {{600.0f, 700.0f}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSystemInstance system = System(MakeType(500.0f, 500.1f, 0.025f, {{0, c.width0}}, 3));
    EXPECT_EQ(Entries(BuildCandidateGrid(system, Spectrum(c.search))), c.expected);
  }
}

TEST(CandidateGrid, SingleFrequencySearchBandsCountWhenTheTuningRangeCoversThem) {
  struct Case {
    const char* name;
    float width0;
    float single;
    std::vector<double> expected;
  } cases[] = {
      {"off the grid, width 0", 0.0f, 600.010f, F({600.010f})},
      {"off the grid, fits with width 0.2", 0.2f, 600.510f, F({600.510f})},
      {"too close to the tuning edge for width 0.2", 0.2f, 600.050f, {}},
      {"outside the tuning range", 0.0f, 700.0f, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSystemInstance system = System(MakeType(600.0f, 601.0f, 0.025f, {{0, c.width0}}, 3));
    EXPECT_EQ(Entries(BuildCandidateGrid(system, Spectrum({{c.single, c.single}}))), c.expected);
  }
}

TEST(CandidateGrid, SortsAndDropsNearDuplicates) {
  // A second tuning band 0.5 kHz above the first, and a single frequency next to a grid point:
  // the lower of two points closer than 1 kHz stays; the list comes out ascending although the
  // higher band comes first.
  auto type = MakeType(500.1005f, 500.1505f, 0.025f, {}, 3);
  type->GxSpectrum()->GAddBand(500.0f, 500.1f, 0.025f);
  CSystemInstance system = System(type);
  CSpectrum search = Spectrum({{499.0f, 501.0f}, {500.0753f, 500.0753f}});
  EXPECT_EQ(Entries(BuildCandidateGrid(system, search)),
            F({500.000f, 500.025f, 500.050f, 500.075f, 500.100f, 500.1255f, 500.1505f}));
}

TEST(CandidateGrid, StepsThatDoNotMoveForwardEndTheBandAtItsLowerEdge) {
  const float steps[] = {0.0f, -0.025f, 1e-6f, 0.00004f, std::numeric_limits<float>::quiet_NaN()};
  for (float step : steps) {
    SCOPED_TRACE(step);
    auto type = MakeType(500.0f, 500.1f, step, {}, 3);
    type->GxSpectrum()->GAddBand(510.0f, 510.1f, 0.025f);
    CSystemInstance system = System(type);
    EXPECT_EQ(Entries(BuildCandidateGrid(system, Spectrum({{499.0f, 520.0f}}))), F({500.0f, 510.0f}));
  }
  // A step that survives the rounding only just still walks the band.
  CSystemInstance fine = System(MakeType(500.0f, 500.0005f, 0.0001f, {}, 3));
  EXPECT_EQ(CandidateCount(BuildCandidateGrid(fine, Spectrum({{499.0f, 501.0f}}))), 1);  // 500.0001 is < 1 kHz away
}

// ---- Preparation against existing channels ----

namespace {

struct Prep {
  std::vector<double> candidates, freqs0{0.0, 1.0}, freqs1{0.0, 1.0};
  TCheckParams params0{}, params1{};
  void Run(CProject& project, int32_t iSystem, Seeker_Module& seeker) {
    params0.fill(7.0);
    params1.fill(7.0);
    PrepareCandidates(project, iSystem, seeker, candidates, freqs0, params0, freqs1, params1);
  }
};

}  // namespace

TEST(PrepareCandidates, RemovesWhatConflictsWithTheChannelsInListOrder) {
  // Spacing 0.01 and 2Tx IM(3) 0.01. Channel 500.000 first removes only itself; channel 500.050
  // then removes itself, the product 2 x 500.05 - 500 = 500.1 and 500.025, whose product with
  // 500.000 would land on 500.050.
  AppState app;
  InitAppWith(app, {MakeType(500.0f, 500.1f, 0.025f, {{1, 0.01f}, {4, 0.01f}}, kFlagSpectrum | kFlagSpacing | kFlagIM3)});
  CProject& project = *app.project;
  AddChannel(project, 0, 500.0f, "A");
  AddChannel(project, 0, 500.05f, "B");
  ScriptedPort port;
  Seeker_Module seeker(port);
  Prep p;
  p.Run(project, 0, seeker);
  EXPECT_EQ(Entries(p.candidates), F({500.075f}));
  EXPECT_EQ(p.freqs0, (std::vector<double>{0.0, 500.0, 500.05f}));
  EXPECT_EQ(p.params0, project.GcSystem(0)->GcSystemType()->GGetCheckParams());
  EXPECT_EQ(p.freqs1, std::vector<double>{0.0});  // emptied, no second system
  EXPECT_EQ(p.params1[1], 7.0);                    // not written
  ASSERT_EQ(seeker.ContextList().size(), 1u);
  EXPECT_EQ(seeker.ContextList()[0].Freqs, p.freqs0);
  EXPECT_EQ(seeker.CandidateSide().Widths[1], 0.01f);
}

TEST(PrepareCandidates, ChannelsOfTheOtherSystemCountWithTheirOwnWidths) {
  // System 1 is searched. Its own type has spacing 0.01, system 0's type spacing 0.03: the wider
  // of the two protects around system 0's channel (500.025 and 500.075 go), system 1's own
  // channel takes only its neighbourhood within 0.01 (500.125 and 500.175 stay).
  AppState app;
  InitAppWith(app, {MakeType(500.0f, 500.2f, 0.025f, {{1, 0.03f}}, kFlagSpectrum | kFlagSpacing, "Wide")});
  CProject& project = *app.project;
  project.GbSecondSystem(true);
  project.GlCurr(1);
  project.GcCurrSystem()->GDefine(MakeType(500.0f, 500.2f, 0.025f, {{1, 0.01f}}, kFlagSpectrum | kFlagSpacing, "Narrow"));
  AddChannel(project, 0, 500.05f, "A");
  AddChannel(project, 1, 500.15f, "B");
  ScriptedPort port;
  Seeker_Module seeker(port);
  Prep p;
  p.Run(project, 1, seeker);
  EXPECT_EQ(Entries(p.candidates), F({500.0f, 500.1f, 500.125f, 500.175f, 500.2f}));
  EXPECT_EQ(project.GlCurr(), 1);
  EXPECT_EQ(p.freqs0, (std::vector<double>{0.0, 500.05f}));
  EXPECT_EQ(p.freqs1, (std::vector<double>{0.0, 500.15f}));
  EXPECT_EQ(p.params1, project.GcSystem(1)->GcSystemType()->GGetCheckParams());
  // Afterwards: system 0 with its channels, system 1 without.
  ASSERT_EQ(seeker.ContextList().size(), 2u);
  EXPECT_EQ(seeker.ContextList()[0].Freqs, p.freqs0);
  EXPECT_EQ(seeker.ContextList()[1].Freqs.size(), 1u);
}

TEST(PrepareCandidates, EmptyResultsAreEmptyListsAndTheCurrentSystemIsKept) {
  struct Case {
    const char* name;
    float channel;                                    // in system 0; 0 = none
    std::initializer_list<std::pair<float, float>> search;
    int32_t current;
  } cases[] = {
      {"spacing covers every candidate", 500.05f, {{499.0f, 501.0f}}, 0},
      {"spacing covers every candidate, system 1 current", 500.05f, {{499.0f, 501.0f}}, 1},
      {"search spectrum outside the tuning range", 0.0f, {{600.0f, 601.0f}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppState app;
    InitAppWith(app, {MakeType(500.0f, 500.1f, 0.025f, {{1, 1.0f}}, kFlagSpectrum | kFlagSpacing)});
    CProject& project = *app.project;
    project.GbSecondSystem(true);
    SetSearchSpectrum(project, 0, c.search);
    if (c.channel > 0) AddChannel(project, 0, c.channel, "A");
    project.GlCurr(c.current);
    ScriptedPort port;
    Seeker_Module seeker(port);
    Prep p;
    p.Run(project, 0, seeker);
    EXPECT_EQ(p.candidates, std::vector<double>{0.0});
    EXPECT_EQ(p.freqs0, std::vector<double>{0.0});
    EXPECT_EQ(p.freqs1, std::vector<double>{0.0});
    EXPECT_EQ(p.params0[1], 7.0);
    EXPECT_EQ(project.GlCurr(), c.current);
  }
}
