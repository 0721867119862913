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

namespace {

// Every text of the summary's items (paragraphs and cells), one string.
std::string SummaryText(const CProject& project, const PlanFacts& facts) {
  std::vector<RtfItem> items;
  RTF_AddPlanSummary(project, facts, items);
  std::string text;
  for (const RtfItem& item : items) {
    text += item.text + "\n";
    for (const auto& row : item.cells) {
      for (const RtfCell& cell : row) text += cell.text + "|";
      text += "\n";
    }
  }
  return text;
}

}  // namespace

// The summary of a plan as the search left it, then with a channel that breaks the spacing and
// in two zones: what each system was asked and lacks, and the check's verdict with every hit
// channel and its cause.
TEST(PlanSummary, SaysWhatEachSystemLacksAndWhetherTheCheckPasses) {
  TempDir dir;
  AppState app;
  InitApp(app, dir.Dir());
  ProjectRef project = SampleProject(app, true);
  PlanFacts facts;
  facts.projectFile = "show.kova";
  facts.created = "2026-12-08 10:00";
  facts.requests = {{4, 1, 10, ""}, {0, 1, -1, ""}};

  std::string text = SummaryText(*project, facts);
  for (const char* part : {"Project file: show.kova\rDate: 2026-12-08 10:00\r", "Zone 1: Zone 1, systems #1, #2\r",
                           "System|Type|Channels|Requested|Shortfall|", "#1|Meridian|3|5|2|", "#2|Osprey Series|1|1|0|",
                           "System 1 (Meridian): 2 of 4 requested channels", "Check: compatible"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  EXPECT_EQ(MN_PlanVerdict(*project).text, "compatible");

  // 518.300 MHz is within the spacing of Mic1: both are hit, each named with its cause.
  project->GcSystem(0)->GcMics()->GAddMic("Near", "Meridian", 518.3f, 0, 0, 0, 0);
  project->GSetSystemZone(1, 2);
  project->GxZones().GsName(2, "Foyer");
  project->GxZones().GeRelation(1, 2, kZoneApart);
  const PlanVerdict verdict = MN_PlanVerdict(*project);
  EXPECT_EQ(verdict.text, "2 channels are hit");
  EXPECT_EQ(verdict.hits, (std::vector<std::string>{"518.200 MHz (#1 Mic1): Spacing to 518.300 MHz (#1 Near)",
                                                     "518.300 MHz (#1 Near): Spacing to 518.200 MHz (#1 Mic1)"}));
  text = SummaryText(*project, PlanFacts{});
  for (const char* part : {"Project file: not saved", "Zone 1: Zone 1, systems #1\r", "Zone 2: Foyer, systems #2\r",
                           "Zones 1 and 2: apart\r", "System|Type|Zone|Channels|Requested|Shortfall|",
                           "#1|Meridian|1|4|-|-|", "no requested count is known", "Check: 2 channels are hit",
                           "518.300 MHz (#1 Near): Spacing"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}
