#include <gtest/gtest.h>

#include "app/SystemCommands.h"
#include "engine/TcCheckHandler.h"
#include "search/DriverTestSupport.h"
#include "search/GenerateDriver.h"
#include "tools/ScriptedPort.h"

using namespace kova;
using namespace kova::test;

// Microphones, in-ear monitors and instrument packs of three types in 470-608 MHz, and a second
// group of microphones: every run adds to every system, each new channel clear of every channel
// of every system, so no run is turned away by the check of the proposals.
TEST(FourSystemSearch, EveryRunAddsToEverySystemAndPassesTheCheck) {
  const int32_t flags = kFlagSpectrum | kFlagSpacing | kFlagIM3 | 32;
  AppState app;
  InitAppWith(app, {MakeType(470, 608, 0.025f, {{1, 0.3f}, {4, 0.1f}, {5, 0.1f}}, flags, "Mic"),
                    MakeType(470, 608, 0.1f, {{1, 0.4f}, {4, 0.1f}, {5, 0.1f}}, flags, "IEM"),
                    MakeType(500, 600, 0.05f, {{1, 0.35f}, {4, 0.1f}, {5, 0.1f}}, flags, "Pack")});
  for (int32_t t : {1, 2, 0}) MN_AddSystem(app, *app.systems[static_cast<size_t>(t)]);
  CProject& project = *app.project;
  const float existing[4] = {471.0f, 523.4f, 561.15f, 598.7f};
  for (int32_t s = 0; s < 4; ++s) {
    SetSearchSpectrum(project, s, {{470.0f, 608.0f}});
    AddChannel(project, s, existing[s], "Fixed");
  }

  ScriptedPort port(99);
  const std::vector<int32_t> wanted{3, 2, 3, 4};
  const GenerateOutcome out = RunGenerateSearch(project, 4, 4, wanted, kSearchRandom, port);
  ASSERT_EQ(out.status, GenerateStatus::kProposals);
  ASSERT_EQ(out.proposals->GlCount(), 4);
  for (int32_t i = 1; i <= 4; ++i) {
    const CProject& proposal = *out.proposals->GxGetProject(i);
    for (int32_t s = 0; s < 4; ++s)
      EXPECT_EQ(proposal.GcSystem(s)->GcMics()->GCount(), 1 + wanted[static_cast<size_t>(s)]) << i << " " << s;
    TcCheckHandler handler;
    handler.GInit(nullptr, false, false, true);
    proposal.RunChecks(handler);
    EXPECT_FALSE(handler.GbIncompatible()) << i;

  }
  EXPECT_EQ(project.GlGetOverallMics(), 4);  // left as it was
}
