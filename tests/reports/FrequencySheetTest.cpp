#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "app/PersistenceTestSupport.h"
#include "model/ShownColors.h"
#include "reports/FrequencySheet.h"
#include "reports/RTF_Generate.h"
#include "support/TestSupport.h"

using namespace kova;
using namespace kova::test;

namespace {

constexpr int32_t kWhite = 16777215;
constexpr int32_t kCyan = 0 + 220 * 256 + 255 * 65536;  // the colour of the third system

// The sample's two systems and a third with a white channel on the first system's 518.200 MHz.
struct ThreeSystems {
  TempDir dir;
  AppState app;
  ProjectRef project;
  ThreeSystems() {
    InitApp(app, dir.Dir());
    project = SampleProject(app, true);
    project->GAddSystem(project->GcSystem(1)->GGetCopy(), project->GcSpectrumOf(1)->GGetCopy());
    project->GcSystem(2)->GcMics()->GDelMic(1);
    project->GcSystem(2)->GcMics()->GAddMic("Spare", "Osprey Series", 518.2f, kWhite, 0, 0, 0);
  }
};

}  // namespace

TEST(FrequencySheet, SortedByFrequencyOrBySystemWithTheShownColours) {
  ThreeSystems p;
  using Line = std::pair<int32_t, std::string>;  // system, label
  const struct {
    SheetOrder order;
    std::vector<Line> lines;
  } cases[] = {
      {SheetOrder::kByFrequency, {{1, "IEM1"}, {0, "Mic1"}, {2, "Spare"}, {0, ""}, {0, "Vocal \xC3\xA9"}}},
      {SheetOrder::kBySystem, {{0, "Mic1"}, {0, ""}, {0, "Vocal \xC3\xA9"}, {1, "IEM1"}, {2, "Spare"}}},
  };
  for (const auto& c : cases) {
    const std::vector<SheetZone> sheet = MN_FrequencySheet(*p.project, c.order);
    ASSERT_EQ(sheet.size(), 1u);
    std::vector<Line> lines;
    for (const SheetRow& row : sheet[0].rows) lines.emplace_back(row.system, row.label);
    EXPECT_EQ(lines, c.lines);
  }
  EXPECT_FALSE(MN_SheetShowsZones(*p.project));

  // In the document: the sheet after the title, one line per channel with the colour the
  // display draws it in (the white channel of system 3 in that system's cyan), and the
  // channel tables' Color cells likewise.
  PrintContents contents;
  contents.sheet = true;
  contents.summary = false;
  const std::vector<RtfItem> items = RTF_ProjectItems(*p.project, "T", {"a", "b", "c"}, contents);
  ASSERT_EQ(items.size(), 17u);
  const RtfItem& sheet = items[1];
  EXPECT_EQ(sheet.text, "Frequency Sheet (5)");
  EXPECT_EQ(sheet.headerColumns, 0);
  ASSERT_EQ(sheet.rows, 6);
  const std::vector<std::string> header = {"System", "Label", "Frequency", "Type", "Color"};
  for (size_t c = 0; c < header.size(); ++c) EXPECT_EQ(sheet.cells[0][c].text, header[c]);
  const std::vector<std::string> spare = {"#3", "Spare", "518.200", "Osprey Series", ""};
  for (size_t c = 0; c < spare.size(); ++c) EXPECT_EQ(sheet.cells[3][c].text, spare[c]);
  EXPECT_EQ(sheet.cells[3][4].color, kCyan);
  EXPECT_EQ(sheet.cells[2][4].color, TL_SystemColorValue(0));  // the yellow Mic1
  EXPECT_TRUE(items[2].pageBefore);                            // the systems after the sheet's pages
  EXPECT_EQ(items[2].text, "System #1: Meridian\r");
  EXPECT_EQ(items[15].cells[1][3].color, kCyan);
  EXPECT_EQ(items[5].cells[2][3].color, 255);  // a colour of its own stays
}
