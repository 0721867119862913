// Every proposal the search makes passes the compatibility check.

#include <gtest/gtest.h>

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
