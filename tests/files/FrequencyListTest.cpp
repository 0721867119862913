#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/FrequencyList.h"
#include "search/DriverTestSupport.h"
#include "support/TestSupport.h"

using namespace kova;
using namespace kova::test;

namespace {

struct Channel {
  std::string label;
  float freq;
  int32_t colour;
  bool operator==(const Channel&) const = default;
};

std::vector<Channel> Channels(const CSystemInstance& system) {
  std::vector<Channel> out;
  const CMicCollection& mics = *system.GcMics();
  for (int32_t i = 1; i <= mics.GCount(); ++i)
    out.push_back({mics.GcItem(i)->GsGetLabel(), mics.GcItem(i)->GfGetFreq(), mics.GcItem(i)->GlGetColor()});
  return out;
}

// A two-system project on a 470..500 MHz type with a 25 kHz grid.
struct Project {
  AppState app;
  Project() {
    InitAppWith(app, {MakeType(470.0f, 500.0f, 0.025f, {{0, 0.2f}}, kFlagSpectrum)});
    app.project->GbSecondSystem(true);
  }
  void Add(int32_t slot, const std::string& label, float f, int32_t colour) {
    app.project->GcSystem(slot)->GcMics()->GAddMic(label, "Test", f, colour, 0, 0, 0);
  }
};

constexpr int32_t kOrange = 255 + 256 * 128, kBlue = 65536 * 255, kYellow = 255 + 256 * 255;

}  // namespace

TEST(FrequencyList, WritesOneQuotedRowPerChannel) {
  Project p;
  p.Add(0, "Vox, \"lead\"", 470.025f, kOrange);
  p.Add(0, "Gtr", 470.5f, 0);
  p.Add(1, "IEM", 480.0f, kBlue);
  EXPECT_EQ(MN_FrequencyListCsv(*p.app.project),
            "System,Channel,Label,Frequency (MHz),Colour\r\n"
            "1,1,\"Vox, \"\"lead\"\"\",470.025,#ff8000\r\n"
            "1,2,Gtr,470.500,#000000\r\n"
            "2,1,IEM,480.000,#0000ff\r\n");
  p.app.project->GbSecondSystem(false);
  EXPECT_EQ(SplitCrLf(MN_FrequencyListCsv(*p.app.project)).size(), 3u);  // system 2 is off
}

TEST(FrequencyList, RoundTripIntoEmptySystemsGivesTheSameChannels) {
  Project from;
  from.Add(0, "Vox, \"lead\"", 470.025f, kOrange);
  from.Add(0, "\xc3\x9c" "ber\nzwei", 470.5f, 0);  // non-ASCII and a line break survive
  from.Add(0, " padded ", 499.975f, kYellow);
  from.Add(1, "IEM", 480.0f, kBlue);
  TempDir dir;
  MN_WriteFrequencyListFile(*from.app.project, dir.File("list.csv"));
  const FrequencyListReadResult list = MN_ReadFrequencyListFile(dir.File("list.csv"));
  ASSERT_TRUE(list.ok) << list.error;
  EXPECT_EQ(list.badRows, 0);

  Project to;
  for (int32_t slot : {0, 1}) {
    for (const ImportedChannel& c : MN_ImportFrequencyList(*to.app.project, slot, list.entries))
      EXPECT_FALSE(c.moved) << c.label;
    EXPECT_EQ(Channels(*to.app.project->GcSystem(slot)), Channels(*from.app.project->GcSystem(slot))) << slot;
  }
}

TEST(FrequencyList, ReadsListsOfOtherTools) {
  struct Entry {
    double mhz;
    std::string label;
  };
  struct Case {
    const char* name;
    std::string text;
    std::vector<Entry> expected;
    int badRows, firstBad;
  };
  const std::vector<Case> cases = {
      {"loose names, semicolon, decimal comma, kHz column",
       "Channel Name;Freq (kHz)\r\nLead;470025\r\nSpare;470100,5\r\n", {{470.025, "Lead"}, {470.1005, "Spare"}}, 0, 0},
      {"no header, label first", "Lead\t470.025\nBass\t470.100\n", {{470.025, "Lead"}, {470.1, "Bass"}}, 0, 0},
      {"units in the field or by size", "470025 kHz\n470.1 MHz\n470200000\n",
       {{470.025, ""}, {470.1, ""}, {470.2, ""}}, 0, 0},
      {"rows without a usable frequency", "Frequency,Label\n470.025,A\n,B\n2000,C\nabc,D\n470.1,E\n",
       {{470.025, "A"}, {470.1, "E"}}, 3, 3},
      {"quoted line break", "Label,MHz\n\"two\nlines\",470.0\nX,470.1\n", {{470.0, "two\nlines"}, {470.1, "X"}}, 0, 0},
      {"Windows-1252 label", "Label,MHz\n\xdc" "ber,470.0\n", {{470.0, "\xc3\x9c" "ber"}}, 0, 0},
  };
  for (const Case& c : cases) {
    const FrequencyListReadResult r = MN_ParseFrequencyList(c.text);
    ASSERT_TRUE(r.ok) << c.name << ": " << r.error;
    ASSERT_EQ(r.entries.size(), c.expected.size()) << c.name;
    for (size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_NEAR(r.entries[i].mhz, c.expected[i].mhz, 1e-9) << c.name;
      EXPECT_EQ(r.entries[i].label, c.expected[i].label) << c.name;
    }
    EXPECT_EQ(r.badRows, c.badRows) << c.name;
    EXPECT_EQ(r.firstBadLine, c.firstBad) << c.name;
  }
  for (const std::string text : {"", "\r\n", "Label,Colour\nA,#ff0000\n", "Frequency\nabc\n"})
    EXPECT_FALSE(MN_ParseFrequencyList(text).ok) << text;
}

TEST(FrequencyList, ImportSnapsToTheTuningGridAndReportsMoves) {
  Project p;
  p.Add(0, "Mic1", 471.0f, 0);
  const FrequencyListReadResult list = MN_ParseFrequencyList("MHz,Name\n470.03,\n470.05,Keys\n");
  ASSERT_TRUE(list.ok) << list.error;
  const std::vector<ImportedChannel> added = MN_ImportFrequencyList(*p.app.project, 0, list.entries);
  ASSERT_EQ(added.size(), 2u);
  EXPECT_TRUE(added[0].moved);
  EXPECT_EQ(added[0].line, 2);
  EXPECT_FALSE(added[1].moved);
  EXPECT_EQ(Channels(*p.app.project->GcSystem(0)),
            (std::vector<Channel>{{"Mic1", 471.0f, 0}, {"Mic2", 470.025f, kYellow}, {"Keys", 470.05f, kYellow}}));
}

TEST(FrequencyList, LimitsOfAProject) {
  // 0 and 1000 MHz are frequencies; 10,000 channels fit, one more is refused without reading on.
  FrequencyListReadResult r = MN_ParseFrequencyList("MHz\n0\n1000\n1000.001\n-1\n");
  EXPECT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.badRows, 2);
  std::string list = "MHz\n";
  for (int i = 0; i < 10000; ++i) list += "500\n";
  EXPECT_TRUE(MN_ParseFrequencyList(list).ok);
  r = MN_ParseFrequencyList(list + "500\n501\n");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "more than 10,000 channels (line 10002); a project holds at most 10,000");
  // A label longer than a channel holds is named with its line; 255 characters fit.
  EXPECT_TRUE(MN_ParseFrequencyList("MHz,Label\n500," + std::string(255, 'a') + "\n").ok);
  r = MN_ParseFrequencyList("MHz,Label\n500,a\n501," + std::string(256, 'a') + "\n");
  EXPECT_EQ(r.error, "line 3: the label has 256 characters; a label holds at most 255");

  // Import counts the channels already in the project.
  Project p;
  p.Add(1, "A", 480.0f, kYellow);
  std::string why;
  r = MN_ParseFrequencyList(list);
  EXPECT_FALSE(MN_ImportFits(*p.app.project, 0, r.entries, why));
  EXPECT_EQ(why, "the project would hold 10,001 channels; a project holds at most 10,000");
  r.entries.pop_back();
  EXPECT_TRUE(MN_ImportFits(*p.app.project, 0, r.entries, why));
}
