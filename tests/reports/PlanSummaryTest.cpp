#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/PersistenceTestSupport.h"
#include "reports/PlanSummary.h"
#include "reports/RTF_Generate.h"
#include "support/TestSupport.h"

using namespace kova;
using namespace kova::test;

// A plan as the search left it, then with a spacing break and two zones: what each system lacks,
// the verdict with each hit channel and its cause. Paragraphs and cells ("a|b|") as one text.
TEST(PlanSummary, SaysWhatEachSystemLacksAndWhetherTheCheckPasses) {
  TempDir dir;
  AppState app;
  InitApp(app, dir.Dir());
  ProjectRef project = SampleProject(app, true);
  auto check = [&](const PlanFacts& facts, const std::vector<std::string>& parts) {
    std::vector<RtfItem> items;
    RTF_AddPlanSummary(*project, facts, items);
    std::string text;
    for (const RtfItem& item : items) {
      text += item.text + "\n";
      for (const auto& row : item.cells)
        for (const RtfCell& cell : row) text += cell.text + "|";
    }
    for (const std::string& part : parts) EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  };
  check({"show.kova", "2026-12-08 10:00", {{4, 1, 10, ""}, {0, 1, -1, ""}}},
        {"Project file: show.kova\rDate: 2026-12-08 10:00\r", "Zone 1: Zone 1, systems #1, #2\r",
         "System|Type|Channels|Requested|Shortfall|#1|Meridian|3|5|2|#2|Osprey Series|1|1|0|",
         "System 1 (Meridian): 2 of 4 requested channels", "Check: compatible"});

  // 518.300 MHz is within the spacing of Mic1: both are hit.
  project->GcSystem(0)->GcMics()->GAddMic("Near", "Meridian", 518.3f, 0, 0, 0, 0);
  project->GSetSystemZone(1, 2);
  project->GxZones().GsName(2, "Foyer");
  project->GxZones().GeRelation(1, 2, kZoneApart);
  EXPECT_EQ(MN_PlanVerdict(*project).hits.size(), 2u);
  check({}, {"Project file: not saved", "Zone 1: Zone 1, systems #1\rZone 2: Foyer, systems #2\rZones 1 and 2: apart\r",
             "System|Type|Zone|Channels|Requested|Shortfall|#1|Meridian|1|4|-|-|", "no requested count is known",
             "Check: 2 channels are hit\r\n518.200 MHz (#1 Mic1): Spacing to 518.300 MHz (#1 Near)\r"
             "518.300 MHz (#1 Near): Spacing to 518.200 MHz (#1 Mic1)\r"});
}
