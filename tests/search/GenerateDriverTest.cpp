#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/TextReports.h"
#include "search/DriverTestSupport.h"
#include "app/Generate.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"
#include "tools/TextFile.h"

using namespace kova;
using namespace kova::test;

namespace {

const char* const kNoFree = "Search Spectrum Invalid: No free frequencies left.";
const char* const kNothing = "No additional compatible channels found!";

struct Driver {
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
  explicit Driver(bool im3, uint32_t seed = 12345) : port(seed) { InitThreePoints(app, im3); }
  std::vector<std::string> Busy() const {
    std::vector<std::string> out;
    for (const auto& c : port.busyCalls) out.push_back(c.text + "@" + std::to_string(c.fraction));
    return out;
  }
  std::vector<std::vector<float>> Proposals(const GenerateOutcome& out, int32_t slot = 0) const {
    std::vector<std::vector<float>> got;
    for (int32_t i = 1; out.proposals && i <= out.proposals->GlCount(); ++i)
      got.push_back(ChannelFreqs(*out.proposals->GxGetProject(i)->GcSystem(slot)));
    return got;
  }
};

std::string ReportText(const CReportInstance& report) {
  StringSink sink;
  MN_WriteReport(sink, report);
  return sink.Text();
}

}  // namespace

TEST(RankProposal, FillsSortsOnceFullThenReplacesTheFirstSmaller) {
  AppState app;
  MN_InstallDefaultSystems(app);
  CReportInstance list;
  const struct {
    int added;
    std::vector<int32_t> expected;
  } steps[] = {
      {5, {5}}, {7, {5, 7}}, {6, {7, 6, 5}},  // sorted once full
      {8, {8, 6, 5}},                        // replaces 7, the first smaller one
      {4, {8, 6, 5}},                        // nothing smaller: dropped
      {6, {8, 6, 6}},                        // passes the equal 6, replaces 5
  };
  for (const auto& step : steps) {
    auto p = std::make_shared<CProject>();
    MN_InitProject(app, *p);
    for (int i = 0; i < step.added; ++i) AddChannel(*p, 0, 500.0f + static_cast<float>(i), "M");
    RankProposal(list, p, 3);
    std::vector<int32_t> counts;
    for (int32_t i = 1; i <= list.GlCount(); ++i) counts.push_back(list.GxGetProject(i)->GlGetOverallMics());
    EXPECT_EQ(counts, step.expected) << "after adding " << step.added;
  }
}

TEST(GenerateRandom, DuplicatesCountOnceAndProgressShowsTheBestSoFar) {
  // Every run finds all three points in some order: one proposal, shown as list 1.
  Driver d(false);
  GenerateOutcome out = GenerateProposals(d.app, 3, 5, 3, 0, kShowProposals, kSearchRandom);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  EXPECT_EQ(d.Proposals(out), (std::vector<std::vector<float>>{{500.0f, 500.025f, 500.05f}}));
  EXPECT_EQ(d.Busy(), (std::vector<std::string>{"Testing@0.000000", "Already found: 0@0.250000",
                                                "Already found: 3@0.500000", "Already found: 3@0.750000",
                                                "Testing@1.000000"}));
  EXPECT_EQ(d.port.shownProposals, std::vector<int32_t>{1});
  EXPECT_EQ(d.app.proposals->GxGetItem(1), out.proposals);
  EXPECT_EQ(d.app.project->GcSystem(0)->GcMics()->GCount(), 0);  // the project is untouched
  EXPECT_FALSE(d.app.flags.projectModified);                      // until a proposal is used
}

TEST(GenerateRandom, SameSeedSameProposalsAndAnAbortKeepsEarlierRuns) {
  // 41 points 25 kHz apart, only spacing checked: pairs in random order.
  auto run = [](uint32_t seed, int abortAt) {
    Driver d(false, seed);
    InitAppWith(d.app, {MakeType(500, 501, 0.025f, {{1, 0.01f}}, kFlagSpectrum | kFlagSpacing)});
    SetSearchSpectrum(*d.app.project, 0, {{499, 502}});
    d.port.abortAtBusyCall = abortAt;
    GenerateOutcome out = GenerateProposals(d.app, 10, 10, 2, 0, kShowProposals, kSearchRandom);
    return std::make_pair(d.Proposals(out), d.Busy().size());
  };
  EXPECT_EQ(run(7, 0), run(7, 0));
  EXPECT_NE(run(7, 0).first, run(8, 0).first);
  // Abort at the third "Already found": two runs count, then the box closes.
  auto [kept, calls] = run(7, 4);
  EXPECT_EQ(calls, 5u);
  EXPECT_EQ(kept.size(), 2u);
}

TEST(GenerateSystematic, OneProposalPerKeptSetAtMostLKeep) {
  for (int32_t keep : {10, 2}) {
    Driver d(true);
    GenerateOutcome out = GenerateProposals(d.app, 1, keep, 10, 0, kShowProposals, kSearchSystematic);
    std::vector<std::vector<float>> expected{{500.0f, 500.025f}, {500.0f, 500.05f}, {500.025f, 500.05f}};
    expected.resize(std::min<size_t>(3, static_cast<size_t>(keep)));
    EXPECT_EQ(d.Proposals(out), expected) << keep;
  }
}

TEST(GenerateSystematic, ReportTextNumbersProposalsAndNewChannels) {
  // With an existing channel at 500.000 either remaining point lies on a product of the other
  // and the channel: each alone is a maximal set. New channels get the next free numbers.
  Driver d(true);
  AddChannel(*d.app.project, 0, 500.0f, "Mic7");
  GenerateOutcome out = GenerateProposals(d.app, 1, 10, 10, 0, kShowProposals, kSearchSystematic);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  EXPECT_EQ(ReportText(*out.proposals),
            "------------------ System Proposal #1 ---------------------------------------\r\n"
            "Compatible Channels: 2\r\n\r\nSystem: Test\r\n\r\nChannel configuration: 2\r\n"
            " 500.000 MHz Mic7\r\n 500.025 MHz 1\r\n\r\n"
            "------------------ System Proposal #2 ---------------------------------------\r\n"
            "Compatible Channels: 2\r\n\r\nSystem: Test\r\n\r\nChannel configuration: 2\r\n"
            " 500.000 MHz Mic7\r\n 500.050 MHz 1\r\n\r\n");
}

TEST(GenerateApply, BestProposalReplacesTheCurrentSystem) {
  for (int32_t show : {kApplyAndReport, kApplyOnly}) {
    SCOPED_TRACE(show);
    TempDir dir;
    Driver d(true);
    d.app.appDir = dir.Dir();
    d.port.fileAnswers.push_back(dir.File("found.txt"));
    GenerateOutcome out = GenerateProposals(d.app, 1, 10, 10, 0, show, kSearchSystematic);
    ASSERT_EQ(out.status, GenerateStatus::kProposals);
    EXPECT_EQ(ChannelFreqs(*d.app.project->GcSystem(0)), (std::vector<float>{500.0f, 500.025f}));
    EXPECT_NE(d.app.project->GcSystem(0), out.proposals->GxGetProject(1)->GcSystem(0));  // a copy
    EXPECT_TRUE(d.app.flags.projectModified);
    EXPECT_TRUE(d.port.shownProposals.empty());
    EXPECT_EQ(d.port.fileDialogs.size(), show == kApplyAndReport ? 1u : 0u);
    if (show == kApplyAndReport) {
      EXPECT_EQ(ReadFile(dir.File("found.txt")), ReportText(*out.proposals));
    }
  }
}

TEST(GenerateMessages, NothingToSearchOrNothingFound) {
  const struct {
    const char* name;
    bool blocked0;  // system 0's search spectrum misses the tuning range
    bool dual;
    int32_t channels1, channels2, keep, mode;
    GenerateStatus status;
    const char* message;
    bool progress;
  } cases[] = {
      {"no free frequency", true, false, 3, 0, 5, kSearchRandom, GenerateStatus::kNoFreeFrequencies, kNoFree, false},
      {"no free frequency, nothing asked of system 1", true, true, 3, 0, 5, kSearchRandom,
       GenerateStatus::kNoFreeFrequencies, kNoFree, false},
      {"no channel requested", false, false, 0, 0, 5, kSearchRandom, GenerateStatus::kNothingFound, kNothing, true},
      // A systematic search that hands back no set (as one aborted before its first set would):
      // nothing is indexed, nothing proposed.
      {"systematic search without a set", false, false, 3, 0, 0, kSearchSystematic, GenerateStatus::kNothingFound,
       kNothing, true},
      // System 1 would be searched but has nothing to add, and system 0 neither: the command
      // ends inside the first run.
      {"dual search with nothing to add", false, true, 0, -1, 5, kSearchRandom, GenerateStatus::kNoFreeFrequencies,
       kNoFree, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Driver d(true);
    CProject& project = *d.app.project;
    if (c.blocked0) SetSearchSpectrum(project, 0, {{600, 601}});
    project.GbSecondSystem(c.dual);
    project.GlCurr(c.dual ? 1 : 0);
    GenerateOutcome out = GenerateProposals(d.app, 5, c.keep, c.channels1, c.channels2, kShowProposals, c.mode);
    EXPECT_EQ(out.status, c.status);
    EXPECT_EQ(d.port.messageTexts(), std::vector<std::string>{c.message});
    EXPECT_EQ(project.GlCurr(), c.dual ? 1 : 0);
    EXPECT_TRUE(d.port.shownProposals.empty());
    EXPECT_EQ(d.app.proposals->GlCount(), 0);
    EXPECT_FALSE(d.app.flags.projectModified);
    if (c.progress) {
      EXPECT_EQ(d.Busy().back(), "Testing@1.000000");
    } else {
      EXPECT_TRUE(d.port.busyCalls.empty());
    }
  }
}

TEST(GenerateDual, SystemOneAvoidsSystemZerosNewChannels) {
  // System 0 takes one point; system 1 one of the others. Without system-0 candidates system 1
  // is searched alone and takes a maximal pair.
  for (bool blocked0 : {false, true}) {
    SCOPED_TRACE(blocked0);
    Driver d(true, 3);
    d.app.project->GbSecondSystem(true);
    if (blocked0) SetSearchSpectrum(*d.app.project, 0, {{600, 601}});
    GenerateOutcome out = GenerateProposals(d.app, 20, 10, 1, 3, kShowProposals, kSearchRandom);
    ASSERT_EQ(out.status, GenerateStatus::kProposals);
    const auto sys0 = d.Proposals(out, 0), sys1 = d.Proposals(out, 1);
    EXPECT_GE(sys0.size(), 2u);
    for (size_t i = 0; i < sys0.size(); ++i) {
      ASSERT_EQ(sys0[i].size(), blocked0 ? 0u : 1u);
      ASSERT_EQ(sys1[i].size(), blocked0 ? 2u : 1u);
      if (!blocked0) {
        EXPECT_NE(sys0[i][0], sys1[i][0]);
      }
    }
  }
}

TEST(GenerateMessages, TheDesktopSaysWhyASearchFellShort) {
  // Grid 500.000, 500.025, 500.050 inside 499..501; spacing and 2Tx IM(3) 0.01 MHz.
  const struct {
    const char* name;
    std::vector<float> channels;                       // already present in system 0
    std::vector<std::pair<float, float>> spectrum;     // the search spectrum
    std::vector<FreqRange> scanCuts;
    int32_t channels1, show;
    std::string message;
  } cases[] = {
      {"no grid point inside", {}, {{600, 610}, {612, 612}}, {}, 3, kShowProposals,
       std::string(kNoFree) +
           "\n\nNo grid point of Test lies inside the search spectrum.\n"
           "Tuning range: 500.000\u2013500.050 MHz (step 0.025 MHz)\nSearch spectrum: 600.000\u2013610.000, 612.000 MHz"},
      {"cut out by the scan", {}, {{499, 499.99f}}, {{499.99, 500.06}}, 3, kShowProposals,
       std::string(kNoFree) +
           "\n\nNo grid point of Test lies inside the search spectrum.\n"
           "Tuning range: 500.000\u2013500.050 MHz (step 0.025 MHz)\nSearch spectrum: 499.000\u2013499.990 MHz\n"
           "3 grid points of Test lie in ranges the venue scan found occupied, outside the search spectrum."},
      {"all blocked by spacing", {500.005f, 500.025f, 500.045f}, {{499, 501}}, {}, 3, kShowProposals,
       std::string(kNoFree) +
           "\n\nAll 3 grid points inside the search spectrum are blocked by the channels already present: "
           "3 by spacing, 0 by intermodulation products."},
      {"blocked by spacing and products", {500.025f, 500.075f, 499.975f}, {{499, 501}}, {}, 3, kShowProposals,
       std::string(kNoFree) +
           "\n\nAll 3 grid points inside the search spectrum are blocked by the channels already present: "
           "1 by spacing, 2 by intermodulation products."},
      {"count not met", {}, {{499, 501}}, {}, 5, kApplyOnly,
       "System 1 (Test): 2 of 5 requested channels.\n\nNone of the 3 grid points inside the search spectrum is "
       "blocked by a channel already present.\nAmong them the search found no set of more than 2 channels that keep "
       "their spacing and stay clear of each other's intermodulation products."},
      {"nothing asked", {}, {{499, 501}}, {}, 0, kShowProposals,
       std::string(kNothing) + "\n\nNo new channel was asked for (0 channels to add)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Driver d(true);
    for (float f : c.channels) AddChannel(*d.app.project, 0, f, "M");
    auto spectrum = std::make_shared<CSpectrum>();
    spectrum->GDefine();
    for (auto [lo, hi] : c.spectrum) spectrum->GAddBand(lo, hi, 0.025f);
    d.app.project->GcSpectrumOf(0, spectrum);
    d.app.scanCuts[0] = c.scanCuts;
    GenerateProposals(d.app, 20, 1, c.channels1, 0, c.show, kSearchRandom, {}, /*explain=*/true);
    EXPECT_EQ(d.port.messageTexts(), std::vector<std::string>{c.message});
  }
}
