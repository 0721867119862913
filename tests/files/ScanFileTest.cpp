#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/ScanFile.h"
#include "support/TestSupport.h"

using namespace kova;
using namespace kova::test;

namespace {

struct Point {
  double mhz, dbm;
};

void ExpectPoints(const ScanReadResult& r, const std::vector<Point>& expected, const std::string& name) {
  ASSERT_TRUE(r.ok) << name << ": " << r.error;
  ASSERT_EQ(r.points.size(), expected.size()) << name;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(r.points[i].mhz, expected[i].mhz, 1e-9) << name << " point " << i;
    EXPECT_NEAR(r.points[i].dbm, expected[i].dbm, 1e-9) << name << " point " << i;
  }
}

}  // namespace

TEST(ScanFile, TwoColumnLayoutsUnitsAndSeparators) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<Point> expected;
  };
  const std::vector<Case> cases = {
      {"MHz from the header", "Frequency (MHz),Level (dBm)\r\n470.000,-80.5\r\n470.025,-81\r\n",
       {{470.0, -80.5}, {470.025, -81}}},
      {"Hz by size, semicolon, decimal comma", "470000000;-80,5\n470025000;-81,0\n", {{470.0, -80.5}, {470.025, -81}}},
      {"kHz by size, tab", "470000\t-80\n470025\t-81\n", {{470.0, -80}, {470.025, -81}}},
      // dBuV at 50 ohm is dBm + 107.
      {"kHz and dBuV from the header", "Freq [kHz]\tLevel [dB\xc2\xb5V]\n470000\t27\n", {{470.0, -80}}},
      {"dBuV named in a comment", "# Scan, unit dBuV\n# Frequency/level\n470.0 20\n", {{470.0, -87}}},
      // A header naming kHz wins over the size of the values.
      {"header unit over the size", "kHz;dBm\n470;-80\n", {{0.47, -80}}},
      {"columns found by their names", "Level (dBm);Frequency (Hz)\n-80;470000000\n", {{470.0, -80}}},
      {"sorted, repeated frequency keeps its highest level", "470.1,-90\n470.0,-80\n470.1,-70\n",
       {{470.0, -80}, {470.1, -70}}},
      {"UTF-8 mark and trailing separators", "\xef\xbb\xbf" "470.0;-80;\n", {{470.0, -80}}},
  };
  for (const Case& c : cases) {
    const ScanReadResult r = MN_ParseScan(c.text);
    ExpectPoints(r, c.expected, c.name);
    EXPECT_EQ(r.format, ScanFormat::kTwoColumn) << c.name;
    EXPECT_EQ(r.badLines, 0) << c.name;
  }
}

TEST(ScanFile, SweepLinesKeepTheHighestLevelOfEveryBin) {
  // Two sweeps over two ranges each; a level is placed at its bin's centre. Empty bins (nan,
  // -inf) give no point.
  const std::string text =
      "2026-12-07, 10:00:00, 470000000, 470300000, 100000.00, 10, -90.0, -50.5, -91.0\n"
      "2026-12-07, 10:00:00, 470300000, 470500000, 100000.00, 10, -92.0, nan\n"
      "2026-12-07, 10:00:05, 470000000, 470300000, 100000.00, 10, -95.0, -60.0, -70.0\n"
      "2026-12-07, 10:00:05, 470300000, 470500000, 100000.00, 10, -93.0, -inf\n";
  const ScanReadResult r = MN_ParseScan(text);
  ExpectPoints(r, {{470.05, -90}, {470.15, -50.5}, {470.25, -70}, {470.35, -92}}, "sweeps");
  EXPECT_EQ(r.format, ScanFormat::kSweep);
  EXPECT_EQ(r.dataLines, 4);
}

TEST(ScanFile, BadLinesAreCountedAndSkipped) {
  struct Case {
    const char* name;
    std::string text;
    int bad, firstBad;
    size_t points;
  };
  const std::vector<Case> cases = {
      {"text and short lines after the data", "Freq,Level\n470.0,-80\nsome note\n470.1\n470.2,-81\n", 2, 3, 2},
      {"zero and absurd frequencies", "470.0,-80\n0,-80\n1e300,-80\n470.1,-81\n", 2, 2, 2},
      {"sweep line with a broken step", "2026-12-07, 10:00, 470000000, 470100000, 100000, 1, -80\n"
                                        "2026-12-07, 10:00, 470000000, 470100000, x, 1, -80\n"
                                        "2026-12-07, 10:00, 470000000, 470100000, -5, 1, -80\n"
                                        "2026-12-07, 10:00, 470000000, 470100000, 1e300, 1, -80, -81\n",
       3, 2, 1},
      {"a pair line in a sweep file", "2026-12-07, 10:00, 470000000, 470100000, 100000, 1, -80\n470.0,-80\n", 1, 2, 1},
      {"beyond 1000 MHz by the header's unit", "MHz,dBm\n470.0,-80\n99999999999,-80\n1000.5,-80\n1000,-81\n", 2, 3, 2},
      {"beyond 1000 MHz by the values' size", "470.0,-80\n5000,-80\n470.1,-80\n", 1, 2, 2},
      {"beyond 1000 MHz in kHz", "470000,-80\n470100,-80\n2000000,-80\n", 1, 3, 2},
      {"levels outside -200 to +50 dBm", "470.0,-80\n470.1,1e300\n470.2,-201\n470.3,50\n470.4,-200\n", 2, 2, 3},
      {"outside by the unit's offset", "MHz,dBuV\n470.0,157\n470.1,158\n", 1, 3, 1},
      {"a sweep level beyond", "2026-12-07, 10:00, 470000000, 470100000, 100000, 1, -80\n"
                               "2026-12-07, 10:00, 470000000, 470100000, 100000, 1, 1e300\n", 1, 2, 1},
      {"sweep from above 1000 MHz, and one reaching past it",
       "2026-12-07, 10:00, 1000000000, 1000200000, 100000, 2, -80, -80\n"
       "2026-12-07, 10:00, 999900000, 1000100000, 100000, 2, -80, -80\n",
       1, 1, 1},
  };
  for (const Case& c : cases) {
    const ScanReadResult r = MN_ParseScan(c.text);
    EXPECT_TRUE(r.ok) << c.name << ": " << r.error;
    EXPECT_EQ(r.badLines, c.bad) << c.name;
    EXPECT_EQ(r.firstBadLine, c.firstBad) << c.name;
    EXPECT_EQ(r.points.size(), c.points) << c.name;
  }
}

TEST(ScanFile, NothingUsableFailsWithAReason) {
  for (const std::string text : {"", "\n\n", "# only a comment\n", "Frequency,Level\n", "a,b\nc,d\n",
                                 "2026-12-07, 10:00, 470000000, 470100000, 50000, 2, nan, -inf\n"}) {
    const ScanReadResult r = MN_ParseScan(text);
    EXPECT_FALSE(r.ok) << text;
    EXPECT_FALSE(r.error.empty()) << text;
    EXPECT_TRUE(r.points.empty()) << text;
  }
  TempDir dir;
  EXPECT_FALSE(MN_ReadScanFile(dir.File("missing.csv")).ok);
  WriteFile(dir.File("scan.csv"), "470.0;-80\n");
  EXPECT_EQ(MN_ReadScanFile(dir.File("scan.csv")).points.size(), 1u);
}

TEST(ScanFile, TextFedInPiecesReadsAsAWhole) {
  // Fed a byte at a time, so that the UTF-8 mark and CR LF pairs are split between pieces.
  for (const std::string text : {"\xef\xbb\xbf# dBuV\r\nFreq (kHz);Level\r\n470000;27\r\nx\r\n470025;30",
                                 "2026-12-07, 10:00, 470000000, 470100000, 50000, 2, -80, nan\r\n"}) {
    const ScanReadResult whole = MN_ParseScan(text);
    ScanReader reader;
    for (char c : text) reader.Feed(&c, 1);
    const ScanReadResult split = reader.Finish();
    ASSERT_TRUE(whole.ok) << whole.error;
    EXPECT_EQ(split.badLines, whole.badLines);
    EXPECT_EQ(split.firstBadLine, whole.firstBadLine);
    std::vector<Point> points;
    for (const ScanPoint& p : whole.points) points.push_back({p.mhz, p.dbm});
    ExpectPoints(split, points, text);
  }
}
