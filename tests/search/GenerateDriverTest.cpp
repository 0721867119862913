#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/TextReports.h"
#include "search/DriverTestSupport.h"
#include "search/GenerateDriver.h"
#include "search/Seeker_Module.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"
#include "tools/TextFile.h"

using namespace kova;
using namespace kova::test;

namespace {

const char* const kNoFree = "Search Spectrum Invalid: No free frequencies left.";
const char* const kNothing = "No additional compatible channels found!";

// Three grid points 500.000, 500.025, 500.050 inside a search spectrum 499..501, spacing 0.01.
// With 2Tx IM(3) at 0.01 any two of them are compatible but not all three (the middle one is an
// IM product of the outer ones), so the maximal sets are the three pairs; without it the three
// points form one set.
struct ThreePoints {
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
  explicit ThreePoints(bool im3, uint32_t seed = 12345) : port(seed) {
    const int32_t flags = kFlagSpectrum | kFlagSpacing | (im3 ? kFlagIM3 : 0);
    InitAppWith(app, {MakeType(500.0f, 500.05f, 0.025f, {{1, 0.01f}, {4, 0.01f}}, flags)});
    SetSearchSpectrum(*app.project, 0, {{499.0f, 501.0f}});
  }
  std::vector<std::string> BusyTexts() const {
    std::vector<std::string> out;
    for (const auto& c : port.busyCalls) out.push_back(c.text + "@" + std::to_string(c.fraction));
    return out;
  }
};

std::string ReportText(const CReportInstance& report) {
  StringSink sink;
  MN_WriteReport(sink, report);
  return sink.Text();
}

ProjectRef ProjectWithChannels(AppState& app, int count) {
  auto p = std::make_shared<CProject>();
  MN_InitProject(app, *p);
  for (int i = 0; i < count; ++i) AddChannel(*p, 0, 500.0f + static_cast<float>(i), "M");
  return p;
}

}  // namespace

// ---- Ranking of random-search results ----

TEST(RankProposal, FillsSortsOnceFullThenReplacesTheFirstSmaller) {
  AppState app;
  MN_InstallDefaultSystems(app);
  CReportInstance list;
  list.GDefine();
  auto counts = [&] {
    std::vector<int32_t> out;
    for (int32_t i = 1; i <= list.GlCount(); ++i) out.push_back(list.GxGetProject(i)->GlGetOverallMics());
    return out;
  };
  const struct {
    int added;
    std::vector<int32_t> expected;
  } steps[] = {
      {5, {5}}, {7, {5, 7}}, {6, {7, 6, 5}},  // sorted when the list becomes full
      {8, {8, 6, 5}},                        // replaces 7, the first smaller one
      {4, {8, 6, 5}},                        // nothing smaller: dropped
      {6, {8, 6, 6}},                        // passes the equal 6, replaces 5
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.added);
    ProjectRef p = ProjectWithChannels(app, step.added);
    RankProposal(list, p, 3);
    EXPECT_EQ(counts(), step.expected);
  }
  list.GSortItems(true);
  EXPECT_EQ(counts(), (std::vector<int32_t>{8, 6, 6}));
}

// ---- Random search ----

TEST(GenerateRandom, DuplicateResultsCountOnceAndTheProgressShowsTheBestSoFar) {
  // Every run finds all three points, in some random order: one proposal.
  ThreePoints t(false);
  GenerateOutcome out = GenerateProposals(t.app, 3, 5, 3, 0, kShowProposals, kSearchRandom);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  ASSERT_EQ(out.proposals->GlCount(), 1);
  EXPECT_EQ(ChannelFreqs(*out.proposals->GxGetProject(1)->GcSystem(0)),
            (std::vector<float>{500.0f, 500.025f, 500.05f}));
  EXPECT_EQ(t.BusyTexts(), (std::vector<std::string>{"Testing@0.000000", "Already found: 0@0.250000",
                                                     "Already found: 3@0.500000", "Already found: 3@0.750000",
                                                     "Testing@1.000000"}));
  // Shown in a proposal window as list 1 of the collection; the project itself is untouched.
  EXPECT_EQ(out.reportNumber, 1);
  EXPECT_EQ(t.port.shownProposals, std::vector<int32_t>{1});
  EXPECT_EQ(t.app.proposals->GxGetItem(1), out.proposals);
  EXPECT_EQ(t.app.project->GcSystem(0)->GcMics()->GCount(), 0);
  EXPECT_TRUE(t.app.flags.projectModified);
  EXPECT_TRUE(t.port.messages.empty());
}

TEST(GenerateRandom, SameSeedSameProposals) {
  auto run = [](uint32_t seed) {
    AppState app;
    MN_InstallDefaultSystems(app);
    MN_NewProject(app);
    SetSearchSpectrum(*app.project, 0, {{518.0f, 530.0f}});
    ScriptedPort port(seed);
    PortScope scope(port);
    GenerateOutcome out = GenerateProposals(app, 30, 5, 12, 0, kShowProposals, kSearchRandom);
    EXPECT_EQ(out.status, GenerateStatus::kProposals);
    return out.proposals ? ReportText(*out.proposals) : std::string();
  };
  const std::string first = run(7);
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(run(7), first);
  EXPECT_NE(run(8), first);
}

TEST(GenerateRandom, AnAbortKeepsWhatTheEarlierRunsFound) {
  ThreePoints t(false);
  t.port.abortAtBusyCall = 4;  // the third "Already found" call
  GenerateOutcome out = GenerateProposals(t.app, 10, 5, 3, 0, kShowProposals, kSearchRandom);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  EXPECT_EQ(out.proposals->GlCount(), 1);
  EXPECT_EQ(t.BusyTexts(), (std::vector<std::string>{"Testing@0.000000", "Already found: 0@0.090909",
                                                     "Already found: 3@0.181818", "Already found: 3@0.272727",
                                                     "Testing@1.000000"}));
  EXPECT_EQ(t.port.shownProposals, std::vector<int32_t>{1});
}

// ---- Systematic search ----

TEST(GenerateSystematic, OneProposalPerKeptSetWithNumberedLabels) {
  ThreePoints t(true);
  AddChannel(*t.app.project, 0, 500.0f, "Mic7");
  // With the existing channel at 500.000, either remaining point lies on an IM product of the
  // other and the channel: each alone is a maximal set. New channels are numbered 1, 2, ...
  GenerateOutcome out = GenerateProposals(t.app, 1, 10, 10, 0, kShowProposals, kSearchSystematic);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  EXPECT_EQ(ReportText(*out.proposals),
            "------------------ System Proposal #1 ---------------------------------------\r\n"
            "Compatible Channels: 2\r\n\r\nSystem: Test\r\n\r\nChannel configuration: 2\r\n"
            " 500.000 MHz Mic7\r\n 500.025 MHz 1\r\n\r\n"
            "------------------ System Proposal #2 ---------------------------------------\r\n"
            "Compatible Channels: 2\r\n\r\nSystem: Test\r\n\r\nChannel configuration: 2\r\n"
            " 500.000 MHz Mic7\r\n 500.050 MHz 1\r\n\r\n");
  EXPECT_EQ(t.port.busyCalls.front().text, "Testing");
  EXPECT_EQ(t.port.busyCalls.back().text, "Testing");
  EXPECT_EQ(t.port.busyCalls.back().fraction, 1.0);
}

TEST(GenerateSystematic, KeepsAtMostLKeepSetsInSearchOrder) {
  struct Case {
    int32_t keep;
    std::vector<std::vector<float>> expected;
  } cases[] = {
      {10, {{500.0f, 500.025f}, {500.0f, 500.05f}, {500.025f, 500.05f}}},
      {2, {{500.0f, 500.025f}, {500.0f, 500.05f}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keep);
    ThreePoints t(true);
    GenerateOutcome out = GenerateProposals(t.app, 1, c.keep, 10, 0, kShowProposals, kSearchSystematic);
    ASSERT_EQ(out.status, GenerateStatus::kProposals);
    std::vector<std::vector<float>> got;
    for (int32_t i = 1; i <= out.proposals->GlCount(); ++i)
      got.push_back(ChannelFreqs(*out.proposals->GxGetProject(i)->GcSystem(0)));
    EXPECT_EQ(got, c.expected);
  }
}

TEST(GenerateSystematic, NoKeptSetLeavesTheSystemUnchanged) {
  // A systematic search that hands back no set (as an abort before the first complete set
  // would): nothing is indexed, nothing is proposed.
  ThreePoints t(true);
  GenerateOutcome out = GenerateProposals(t.app, 1, 0, 10, 0, kShowProposals, kSearchSystematic);
  EXPECT_EQ(out.status, GenerateStatus::kNothingFound);
  EXPECT_EQ(t.port.messageTexts(), std::vector<std::string>{kNothing});
  EXPECT_TRUE(t.port.shownProposals.empty());

  Seeker_Module seeker(t.port);
  const TCheckParams params = t.app.project->GcSystem(0)->GcSystemType()->GGetCheckParams();
  seeker.SetContext({}, params, 0);
  seeker.SetChosenSide(params);
  seeker.SetCandidateSide(params);
  std::vector<SystemRef> systems;
  t.app.highlighted = 5;
  EXPECT_EQ(SearchOneSystem(t.app, seeker, kSearchSystematic, 3, {0.0, 500.0}, *t.app.project->GcSystem(0), 0, systems), 0);
  EXPECT_EQ(systems.size(), 1u);
  EXPECT_EQ(t.app.highlighted, 5);
}

// ---- Applying the best proposal ----

TEST(GenerateApply, AppliesTheBestProposalToTheCurrentSystem) {
  for (int32_t show : {kApplyAndReport, kApplyOnly}) {
    SCOPED_TRACE(show);
    TempDir dir;
    ThreePoints t(true);
    t.app.appDir = dir.Dir();
    t.port.fileAnswers.push_back(dir.File("found.txt"));
    GenerateOutcome out = GenerateProposals(t.app, 1, 10, 10, 0, show, kSearchSystematic);
    ASSERT_EQ(out.status, GenerateStatus::kProposals);
    EXPECT_EQ(ChannelFreqs(*t.app.project->GcSystem(0)), (std::vector<float>{500.0f, 500.025f}));
    EXPECT_NE(t.app.project->GcSystem(0), out.proposals->GxGetProject(1)->GcSystem(0));  // a copy
    EXPECT_TRUE(t.app.flags.projectModified);
    EXPECT_TRUE(t.port.shownProposals.empty());
    EXPECT_EQ(t.app.proposals->GlCount(), 0);
    if (show == kApplyAndReport) {
      ASSERT_EQ(t.port.fileDialogs.size(), 1u);
      EXPECT_EQ(t.port.fileDialogs[0].title, "Save Report As");
      EXPECT_EQ(ReadFile(dir.File("found.txt")), ReportText(*out.proposals));
      EXPECT_EQ(t.port.openedFiles.size(), 1u);
    } else {
      EXPECT_TRUE(t.port.fileDialogs.empty());
    }
  }
}

// ---- Messages ----

TEST(GenerateMessages, NothingToSearchOrNothingFound) {
  struct Case {
    const char* name;
    bool searchOutsideTuning;
    int32_t channels1, channels2;
    bool secondSystem;
    GenerateStatus status;
    const char* message;
    bool anyProgress;
  } cases[] = {
      {"no free frequency", true, 3, 0, false, GenerateStatus::kNoFreeFrequencies, kNoFree, false},
      {"no channel requested", false, 0, 0, false, GenerateStatus::kNothingFound, kNothing, true},
      // System 1 would be searched but gets no channel to add, and system 0 none either: the
      // command ends inside the first run.
      {"dual search without anything to add", false, 0, -1, true, GenerateStatus::kNoFreeFrequencies, kNoFree, true},
      {"no free frequency in system 0, nothing asked of system 1", true, 3, 0, true,
       GenerateStatus::kNoFreeFrequencies, kNoFree, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ThreePoints t(true);
    CProject& project = *t.app.project;
    if (c.searchOutsideTuning) SetSearchSpectrum(project, 0, {{600.0f, 601.0f}});
    if (c.secondSystem) {
      project.GbSecondSystem(true);
      SetSearchSpectrum(project, 1, {{499.0f, 501.0f}});
      project.GlCurr(1);
    }
    const int32_t current = project.GlCurr();
    GenerateOutcome out = GenerateProposals(t.app, 5, 5, c.channels1, c.channels2, kShowProposals, kSearchRandom);
    EXPECT_EQ(out.status, c.status);
    EXPECT_EQ(t.port.messageTexts(), std::vector<std::string>{c.message});
    EXPECT_EQ(project.GlCurr(), current);
    EXPECT_TRUE(t.port.shownProposals.empty());
    EXPECT_EQ(t.app.proposals->GlCount(), 0);
    EXPECT_FALSE(t.app.flags.projectModified);
    EXPECT_EQ(t.port.busyCalls.empty(), !c.anyProgress);
    if (c.anyProgress) {
      EXPECT_EQ(t.port.busyCalls.back().text, "Testing");
      EXPECT_EQ(t.port.busyCalls.back().fraction, 1.0);
    }
  }
}

// ---- Two systems ----

TEST(GenerateDual, SystemOneIsSearchedAgainstSystemZerosNewChannels) {
  // Both systems share the three points; system 0 takes one, system 1 must avoid it and the
  // IM product it forms with system 1's own pick.
  ThreePoints t(true, 3);
  CProject& project = *t.app.project;
  project.GbSecondSystem(true);
  SetSearchSpectrum(project, 1, {{499.0f, 501.0f}});
  GenerateOutcome out = GenerateProposals(t.app, 20, 10, 1, 1, kShowProposals, kSearchRandom);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  // Every ordered pair of distinct points is a possible outcome; all must be distinct pairs.
  for (int32_t i = 1; i <= out.proposals->GlCount(); ++i) {
    const CProject& p = *out.proposals->GxGetProject(i);
    const auto f0 = ChannelFreqs(*p.GcSystem(0));
    const auto f1 = ChannelFreqs(*p.GcSystem(1));
    ASSERT_EQ(f0.size(), 1u);
    ASSERT_EQ(f1.size(), 1u);
    EXPECT_NE(f0[0], f1[0]);
    EXPECT_EQ(p.GlGetOverallMics(), 2);
  }
  EXPECT_GE(out.proposals->GlCount(), 2);
  EXPECT_LE(out.proposals->GlCount(), 6);
  EXPECT_EQ(project.GlCurr(), 0);
}

TEST(GenerateDual, SystemZeroWithoutCandidatesStillSearchesSystemOne) {
  ThreePoints t(true);
  CProject& project = *t.app.project;
  project.GbSecondSystem(true);
  SetSearchSpectrum(project, 0, {{600.0f, 601.0f}});
  SetSearchSpectrum(project, 1, {{499.0f, 501.0f}});
  GenerateOutcome out = GenerateProposals(t.app, 5, 5, 3, 3, kShowProposals, kSearchRandom);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  for (int32_t i = 1; i <= out.proposals->GlCount(); ++i) {
    EXPECT_EQ(out.proposals->GxGetProject(i)->GcSystem(0)->GcMics()->GCount(), 0);
    EXPECT_EQ(out.proposals->GxGetProject(i)->GcSystem(1)->GcMics()->GCount(), 2);
  }
}
