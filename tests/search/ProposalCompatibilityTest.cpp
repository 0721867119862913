// Every proposal the search makes must pass the compatibility check: the program's own check
// and an independent reference that forms every product of every pair and triple.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TcCheckHandler.h"
#include "search/DriverTestSupport.h"
#include "search/GenerateDriver.h"
#include "tools/ScriptedPort.h"
#include "tools/TextFile.h"

using namespace kova;
using namespace kova::test;

namespace {

struct Scenario {
  const char* name;
  bool secondSystem;
  bool im5;                  // also the 2Tx IM(5) check
  int32_t mode;
  int32_t runs, keep, add1, add2;
  float searchHi;            // search spectra 518 .. searchHi
};

// A project on the built-in types (system 0 "Meridian", system 1 "Kestrel Standard" when on)
// with a few compatible channels already present.
void SetUp(AppState& app, const Scenario& s) {
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  CProject& project = *app.project;
  if (s.im5) project.GcSystem(0)->GcSystemType()->GbCheckFlag(kCheck2TxIM5, true);
  SetSearchSpectrum(project, 0, {{518.0f, s.searchHi}});
  AddChannel(project, 0, 518.0f, "Mic1");
  AddChannel(project, 0, 521.0f, "Mic2");
  if (s.secondSystem) {
    project.GbSecondSystem(true);
    project.GlCurr(1);
    project.GcCurrSystem()->GDefine(app.systems[1]->GGetCopy());
    if (s.im5) project.GcSystem(1)->GcSystemType()->GbCheckFlag(kCheck2TxIM5, true);
    project.GlCurr(0);
    SetSearchSpectrum(project, 1, {{518.0f, s.searchHi}});
    AddChannel(project, 1, 519.3f, "IEM1");
  }
}

// Problems the program's own check reports, one log line each.
std::string ProgramCheck(const CProject& project) {
  StringSink log;
  TcCheckHandler handler;
  handler.GInit(&log, false, false, true);
  project.RunChecks(handler);
  return handler.GbIncompatible() ? log.Text() : std::string();
}

void ExpectAllCompatible(const Scenario& s, uint32_t seed) {
  SCOPED_TRACE(std::string(s.name) + ", seed " + std::to_string(seed));
  AppState app;
  SetUp(app, s);
  ScriptedPort port(seed);
  PortScope scope(port);
  ASSERT_EQ(ProgramCheck(*app.project), "");
  ASSERT_TRUE(ReferenceCheck(*app.project).empty());

  GenerateOutcome out = GenerateProposals(app, s.runs, s.keep, s.add1, s.add2, kShowProposals, s.mode);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  ASSERT_GE(out.proposals->GlCount(), 1);
  int32_t added = 0;
  for (int32_t i = 1; i <= out.proposals->GlCount(); ++i) {
    const CProject& p = *out.proposals->GxGetProject(i);
    SCOPED_TRACE("proposal " + std::to_string(i));
    EXPECT_EQ(ProgramCheck(p), "");
    EXPECT_EQ(Describe(ReferenceCheck(p)), "");
    added = std::max(added, p.GlGetOverallMics() - app.project->GlGetOverallMics());
  }
  // The search did add channels (a proposal equal to the project would pass trivially).
  EXPECT_GE(added, 3);
}

}  // namespace

TEST(ProposalCompatibility, RandomSearchOneSystem) {
  const Scenario s{"one system", false, false, kSearchRandom, 25, 10, 20, 0, 545.0f};
  for (uint32_t seed : {1u, 2u, 3u, 4u, 5u}) ExpectAllCompatible(s, seed);
}

TEST(ProposalCompatibility, RandomSearchOneSystemWithIM5) {
  const Scenario s{"one system, IM(5)", false, true, kSearchRandom, 25, 10, 20, 0, 545.0f};
  for (uint32_t seed : {11u, 12u, 13u}) ExpectAllCompatible(s, seed);
}

TEST(ProposalCompatibility, RandomSearchTwoSystems) {
  const Scenario s{"two systems", true, false, kSearchRandom, 25, 10, 10, 10, 545.0f};
  for (uint32_t seed : {1u, 2u, 3u, 4u, 5u}) ExpectAllCompatible(s, seed);
}

TEST(ProposalCompatibility, RandomSearchTwoSystemsWithIM5) {
  const Scenario s{"two systems, IM(5)", true, true, kSearchRandom, 25, 10, 10, 10, 545.0f};
  for (uint32_t seed : {21u, 22u, 23u}) ExpectAllCompatible(s, seed);
}

TEST(ProposalCompatibility, SystematicSearch) {
  const Scenario s{"systematic", false, false, kSearchSystematic, 1, 20, 10, 0, 522.0f};
  ExpectAllCompatible(s, 1);
  const Scenario s5{"systematic, IM(5)", false, true, kSearchSystematic, 1, 20, 10, 0, 522.0f};
  ExpectAllCompatible(s5, 1);
}

TEST(ProposalCompatibility, SystematicSearchInADualProject) {
  // The systematic search with two systems searches each in turn, as the driver allows.
  const Scenario s{"systematic, two systems", true, false, kSearchSystematic, 1, 20, 10, 10, 522.0f};
  ExpectAllCompatible(s, 1);
}
