// The optimising search: its proposals pass the check, a seed repeats the result whatever the
// number of threads, an abort keeps the best set so far, and small bands reach the optimum that
// the Maximum Search proves.

#include <gtest/gtest.h>

#include <string>

#include "app/Generate.h"
#include "engine/TcCheckHandler.h"
#include "search/DriverTestSupport.h"
#include "search/Optimiser.h"
#include "search/Seeker_Module.h"
#include "tools/ScriptedPort.h"
#include "tools/TextFile.h"

using namespace kova;
using namespace kova::test;

namespace {

std::string ProblemLog(const CProject& project) {
  StringSink log;
  TcCheckHandler handler;
  handler.GInit(&log, false, false, true);
  project.RunChecks(handler);
  return log.Text();
}

OptimiseSettings Rounds(int64_t rounds, int32_t threads = 2) {
  OptimiseSettings settings;
  settings.rounds = rounds;
  settings.threads = threads;
  return settings;
}

// The built-in types (system 1 on type `secondType`), compatible channels already present in
// both systems, search spectra 518..548.
void InitProject(AppState& app, bool twoSystems, bool im5, size_t secondType) {
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  CProject& project = *app.project;
  project.GbSecondSystem(twoSystems);
  project.GlCurr(1);
  project.GcCurrSystem()->GDefine(app.systems[secondType]->GGetCopy());
  project.GlCurr(0);
  for (int32_t s : {0, 1}) {
    project.GcSystem(s)->GcSystemType()->GbCheckFlag(kCheck2TxIM5, im5);
    SetSearchSpectrum(project, s, {{518, 548}});
  }
  AddChannel(project, 0, 518.0f, "Mic1");
  AddChannel(project, 0, 521.0f, "Mic2");
  AddChannel(project, 1, 519.3f, "IEM1");
}

// The frequencies of every proposal, system by system.
std::vector<std::vector<float>> ProposalFreqs(const GenerateOutcome& out) {
  std::vector<std::vector<float>> all;
  if (!out.proposals) return all;
  for (int32_t i = 1; i <= out.proposals->GlCount(); ++i)
    for (int32_t s : {0, 1}) all.push_back(ChannelFreqs(*out.proposals->GxGetProject(i)->GcSystem(s)));
  return all;
}

TCheckParams Params(std::initializer_list<std::pair<int, double>> on) {
  TCheckParams p;
  p.fill(-1.0);
  p[0] = 0;
  for (auto [k, w] : on) p[k] = w;
  p[10] = 0;
  p[11] = 0;
  return p;
}

std::vector<double> Grid(int32_t points) {
  std::vector<double> candidates{0.0};
  for (int32_t k = 0; k < points; ++k) candidates.push_back(static_cast<float>(470.0 + 0.025 * k));
  return candidates;
}

}  // namespace

TEST(Optimise, EveryProposalPassesTheCheck) {
  struct Case {
    bool twoSystems;
    bool im5;
    size_t secondType;  // 3 protects with other widths than system 0's type
    uint32_t seed;
  };
  for (const Case& c : {Case{false, false, 1, 1}, Case{false, true, 1, 2}, Case{true, false, 1, 3},
                        Case{true, true, 1, 4}, Case{true, false, 3, 5}, Case{true, true, 3, 6}}) {
    SCOPED_TRACE("two systems " + std::to_string(c.twoSystems) + ", IM(5) " + std::to_string(c.im5) + ", type " +
                 std::to_string(c.secondType));
    AppState app;
    InitProject(app, c.twoSystems, c.im5, c.secondType);
    ASSERT_EQ(ProblemLog(*app.project), "");
    ScriptedPort port(c.seed);
    PortScope scope(port);
    // System 0 gets 12 channels, system 1 as many as fit beside them.
    const GenerateOutcome out = GenerateProposals(app, 1, 5, 12, 40, kShowProposals, kSearchOptimise, Rounds(2));
    ASSERT_EQ(out.status, GenerateStatus::kProposals);
    ASSERT_GE(out.optimised.size(), 1u);
    if (c.secondType == 1) {
      ASSERT_EQ(out.optimised.size(), c.twoSystems ? 2u : 1u);
    }
    const int32_t before = app.project->GlGetOverallMics();
    for (int32_t i = 1; i <= out.proposals->GlCount(); ++i) {
      const CProject& proposal = *out.proposals->GxGetProject(i);
      EXPECT_EQ(ProblemLog(proposal), "") << "proposal " << i;
      EXPECT_GE(proposal.GlGetOverallMics() - before, 5) << "proposal " << i;
    }
    // The best proposal holds the best set of the system searched last.
    const CProject& best = *out.proposals->GxGetProject(1);
    const int32_t slot = best.GlCurr();
    EXPECT_EQ(best.GcSystem(slot)->GcMics()->GCount() - app.project->GcSystem(slot)->GcMics()->GCount(),
              out.optimised.back().best);
  }
}

TEST(Optimise, SeedRepeatsTheResultWhateverTheThreads) {
  std::vector<std::vector<float>> first;
  for (int32_t threads : {2, 1, 2}) {
    AppState app;
    InitProject(app, true, false, 1);
    ScriptedPort port(7);
    PortScope scope(port);
    const GenerateOutcome out =
        GenerateProposals(app, 1, 5, 40, 40, kShowProposals, kSearchOptimise, Rounds(3, threads));
    const auto freqs = ProposalFreqs(out);
    ASSERT_FALSE(freqs.empty());
    if (first.empty()) first = freqs;
    else EXPECT_EQ(freqs, first) << threads << " threads";
  }
}

TEST(Optimise, AbortKeepsTheBestSetSoFar) {
  const TCheckParams params = Params({{1, 0.4}, {4, 0.05}, {5, 0.05}});
  ScriptedPort port(3);
  port.abortAtBusyCall = 2;  // the first progress update after the start
  Seeker_Module seeker(port);
  seeker.SetContext({}, params, 0);
  seeker.SetChosenSide(params);
  seeker.SetCandidateSide(params);
  OptimiseSummary summary;
  const auto sets = OptimiseChannels(seeker, Grid(2001), 100, 3, Rounds(1000000000), port, summary);
  EXPECT_TRUE(summary.aborted);
  ASSERT_FALSE(sets.empty());
  EXPECT_EQ(static_cast<int32_t>(sets.front().size()) - 1, summary.best);
  EXPECT_GE(summary.best, 15);  // the packings ran before the abort was seen
  for (size_t k = 1; k < sets.size(); ++k) EXPECT_LE(sets[k].size(), sets[k - 1].size());
  EXPECT_GE(port.busyCalls.back().fraction, 1.0);  // the progress box was closed
}

TEST(Optimise, SmallBandsReachTheMaximumSearchOptimum) {
  struct Case {
    const char* name;
    TCheckParams params;
    int32_t points;
  };
  const Case cases[] = {
      {"ruler of length 17", Params({{1, 0.0}, {4, 0.0}, {5, 0.0}}), 18},
      {"ruler of length 25", Params({{1, 0.0}, {4, 0.0}, {5, 0.0}}), 26},
      {"1.5 MHz, third order", Params({{1, 0.4}, {4, 0.05}, {5, 0.05}}), 61},
      {"1.5 MHz, fifth order too", Params({{1, 0.2}, {4, 0.05}, {5, 0.05}, {9, 0.05}}), 61},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPort port(11);
    Seeker_Module seeker(port);
    seeker.SetContext({}, c.params, 0);
    seeker.SetChosenSide(c.params);
    seeker.SetCandidateSide(c.params);
    const std::vector<double> candidates = Grid(c.points);
    std::vector<std::vector<double>> exact;
    seeker.RunSearch(candidates, 0, 1, exact);
    ASSERT_EQ(exact.size(), 1u);
    const auto optimum = static_cast<int32_t>(exact.front().size()) - 1;

    // Asked for more than fit: the search runs all its rounds and ends at the optimum.
    OptimiseSummary summary;
    const auto sets = OptimiseChannels(seeker, candidates, optimum + 1, 1, Rounds(10), port, summary);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(summary.best, optimum);
    EXPECT_LE(summary.best, summary.upperBound);
  }
}

TEST(Optimise, BoundNeverBelowTheOptimumAndOptimalExactlyWhenReached) {
  const TCheckParams ruler = Params({{1, 0.0}, {4, 0.0}, {5, 0.0}});
  // Single-precision widths, as the system types give them.
  const TCheckParams tv = Params({{1, 0.4f}, {4, 0.05f}, {5, 0.05f}});
  struct Case {
    const char* name;
    TCheckParams params;
    int32_t points;
    int32_t optimum;  // the shortest rulers and the Maximum Search's results
    int32_t request;
    int32_t optimal;  // 1: the bound is the optimum and the set reaches it, 0: it does not, -1: either
  };
  const Case cases[] = {
      {"ruler of length 17", ruler, 18, 6, 7, 1},    {"ruler of length 25", ruler, 26, 7, 7, 1},
      {"ruler of length 34", ruler, 35, 8, 9, 1},    {"ruler of length 44", ruler, 45, 9, 9, 1},
      {"ruler of length 55", ruler, 56, 10, 11, -1}, {"ruler of length 72", ruler, 73, 11, 11, -1},
      {"6 MHz", tv, 241, 10, 12, 1},                 {"8 MHz, 10 asked for", tv, 321, 12, 10, 0},
      {"8 MHz", tv, 321, 12, 12, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPort port(5);
    Seeker_Module seeker(port);
    seeker.SetContext({}, c.params, 0);
    seeker.SetChosenSide(c.params);
    seeker.SetCandidateSide(c.params);
    OptimiseSummary summary;
    OptimiseChannels(seeker, Grid(c.points), c.request, 1, Rounds(2), port, summary);
    EXPECT_GE(summary.upperBound, c.optimum);
    if (c.optimal >= 0) {
      EXPECT_EQ(summary.upperBound, c.optimum);
      EXPECT_EQ(summary.optimal, c.optimal == 1);
    }
    EXPECT_EQ(summary.optimal, summary.best == summary.upperBound);
    const std::string text = OptimiseResultText({summary});
    EXPECT_EQ(text.find("optimal") != std::string::npos, summary.optimal) << text;
    EXPECT_NE(text.find("no set of more than " + std::to_string(summary.upperBound) + " exists"), std::string::npos);
  }
}
