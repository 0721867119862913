#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/PersistenceTestSupport.h"
#include "reports/RTF_Generate.h"
#include "reports/RtfGenerator.h"
#include "support/RtfScan.h"
#include "support/TestPng.h"
#include "support/TestSupport.h"

using namespace kova;
using namespace kova::test;

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows Texts(const RtfItem& item) {
  Rows rows;
  for (const auto& r : item.cells) {
    rows.emplace_back();
    for (const RtfCell& c : r) rows.back().push_back(c.text);
  }
  return rows;
}

struct Project {
  TempDir dir;
  AppState app;
  ProjectRef project;
  explicit Project(bool twoSystems) {
    InitApp(app, dir.Dir());
    project = SampleProject(app, twoSystems);
  }
};

}  // namespace

TEST(RtfLayout, PictureBoxForEachCount) {
  const struct {
    int32_t n, width, height;
  } cases[] = {
      {1, 9072, 5103},  {2, 9072, 5103},  {3, 9072, 3118},  {4, 3969, 5103},   {5, 3969, 3118},
      {6, 3969, 3118},  {7, 2693, 3118},  {9, 2693, 3118},  {10, 2693, 2268},  {12, 2693, 2268},
      {0, 111, 222},    {13, 111, 222},   {-1, 111, 222},
  };
  for (const auto& c : cases) {
    int32_t w = 111, h = 222;
    RTF_PictureCellSize(c.n, w, h);
    EXPECT_EQ(w, c.width) << c.n;
    EXPECT_EQ(h, c.height) << c.n;
  }
}

TEST(RtfLayout, RowsHoldAsManyPicturesAsTheBoxWidthAllows) {
  // Every count ends its last row with the last picture, tabs only separate pictures within a
  // row, and no row is wider than the text width of 9072 twips.
  for (int32_t n = 1; n <= 14; ++n) {
    const RtfPictureLayout l = RTF_PictureLayout(n);
    ASSERT_FALSE(l.rowEnds.empty()) << n;
    EXPECT_EQ(l.rowEnds.back(), n) << n;
    int32_t w = 9072, h = 5103;
    RTF_PictureCellSize(n, w, h);
    int32_t inRow = 0;
    for (int32_t k = 1; k <= n; ++k) {
      ++inRow;
      const bool tab = std::count(l.tabs.begin(), l.tabs.end(), k) > 0;
      const bool end = std::count(l.rowEnds.begin(), l.rowEnds.end(), k) > 0;
      EXPECT_NE(tab, end) << "n " << n << " picture " << k;
      if (end) {
        EXPECT_LE(inRow * w, 9072) << "n " << n << " row ending at " << k;
        inRow = 0;
      }
    }
  }
  EXPECT_TRUE(RTF_PictureLayout(0).rowEnds.empty());
}

TEST(RtfLayout, FitAspectShrinksOneSideAndRoundsToEven) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double ratio;
    int32_t w, h, width, height;
  } cases[] = {
      {2.0, 9072, 5103, 9072, 4536},   // wide bitmap: the height shrinks
      {0.5, 9072, 5103, 2552, 5103},   // tall bitmap: 2551.5 rounds to the even 2552
      {1.0, 3000, 3000, 3000, 3000},   // the box has the ratio already
      {9072.0 / 5103.0, 9072, 5103, 9072, 5103},
      {0.0, 9072, 5103, 9072, 5103},   // no usable ratio: unchanged
      {nan, 9072, 5103, 9072, 5103},
      {2.0, 9072, 0, 9072, 0},          // empty box: no division by zero
  };
  for (const auto& c : cases) {
    int32_t w = c.w, h = c.h;
    RTF_FitAspect(c.ratio, w, h);
    EXPECT_EQ(w, c.width) << c.ratio << " in " << c.w << "x" << c.h;
    EXPECT_EQ(h, c.height) << c.ratio << " in " << c.w << "x" << c.h;
  }
}

TEST(RtfLayout, BitmapAspectFromThePngHeader) {
  TempDir dir;
  WriteFile(dir.File("wide.png"), MakePng(300, 150, 0x2040ff));
  WriteFile(dir.File("tall.png"), MakePng(40, 160, 0xff0000));
  WriteFile(dir.File("text.png"), "not a picture at all, but long enough");
  WriteFile(dir.File("short.png"), MakePng(40, 160, 0xff0000).substr(0, 20));
  EXPECT_DOUBLE_EQ(RTF_BitmapAspect(dir.File("wide.png")), 2.0);
  EXPECT_DOUBLE_EQ(RTF_BitmapAspect(dir.File("tall.png")), 0.25);
  for (const char* bad : {"text.png", "short.png", "missing.png"})
    EXPECT_THROW(RTF_BitmapAspect(dir.File(bad)), KovaError) << bad;
}

TEST(RtfItems, OneSystemGivesSixItems) {
  Project p(false);
  CSystemType& type = *p.project->GcSystem(0)->GcSystemType();
  type.GbCheckFlag(kCheckSpacing, false);
  type.GbCheckFlag(kCheck2TxIM5, true);
  type.GfBandwidth(kCheck2TxIM5, 12.3456f);
  const std::string title = RTF_TitleText("2.0.3", "2026-12-06", "08:45:04");
  EXPECT_EQ(title, "KOVA 2.0.3.\rRTF Document, created 2026-12-06 08:45:04\r\r");

  PrintContents noSummary;
  noSummary.summary = false;
  const std::vector<RtfItem> items = RTF_ProjectItems(*p.project, title, {"pic0.png"}, noSummary);
  ASSERT_EQ(items.size(), 6u);
  const int32_t kinds[] = {kRtfText, kRtfText, kRtfTable, kRtfText, kRtfTable, kRtfPictures};
  const char* texts[] = {title.c_str(), "System #1: Meridian\r", "Parameters",
                         "Search Spectrum: 518.000 - 550.000, 630.000 - 662.000 MHz\r", "Channel Configuration (3)",
                         "Spectrum Display"};
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].kind, kinds[i]) << i;
    EXPECT_EQ(items[i].text, texts[i]) << i;
    EXPECT_EQ(items[i].font.name, "Times New Roman") << i;
    EXPECT_EQ(items[i].font.size, i == 1 ? 14 : 10) << i;
    EXPECT_EQ(items[i].font.style, 0) << i;
    EXPECT_EQ(items[i].font.color, 0) << i;
  }

  const RtfItem& params = items[2];
  EXPECT_EQ(params.widths, (std::vector<int32_t>{2800, 1400, 1400}));
  EXPECT_EQ(params.rows, 6);
  EXPECT_EQ(params.columns, 3);
  EXPECT_EQ(params.headerRows, 1);
  EXPECT_EQ(params.headerColumns, 1);
  EXPECT_EQ(Texts(params), (Rows{{"Parameters Checked", "Status", "Bandwidth"},
                                 {"Spectrum", "On", "  0.000"},
                                 {"Spacing", "Off", "  0.400"},
                                 {"2Tx IM(3)", "On", "  0.100"},
                                 {"2Tx IM(5)", "On", " 12.346"},
                                 {"3Tx IM(3)", "On", "  0.100"}}));
  for (const auto& row : params.cells)
    for (const RtfCell& c : row) EXPECT_EQ(c.color, kRtfWhite);

  const RtfItem& channels = items[4];
  EXPECT_EQ(channels.widths, (std::vector<int32_t>{800, 2000, 2000, 800}));
  EXPECT_EQ(channels.rows, 4);
  EXPECT_EQ(channels.columns, 4);
  EXPECT_EQ(Texts(channels), (Rows{{"", "Frequency", "Label", "Color"},
                                   {"1", " 518.200 MHz", "Mic1", ""},
                                   {"2", " 530.000 MHz", "", ""},
                                   {"3", " 640.025 MHz", "Vocal \xC3\xA9", ""}}));
  const int32_t lastColumn[] = {kRtfWhite, 65535, 255, 16711680};
  for (size_t r = 0; r < 4; ++r) {
    for (size_t c = 0; c < 3; ++c) EXPECT_EQ(channels.cells[r][c].color, kRtfWhite) << r << "," << c;
    EXPECT_EQ(channels.cells[r][3].color, lastColumn[r]) << r;
  }

  ASSERT_EQ(items[5].pictures.size(), 1u);
  EXPECT_EQ(items[5].pictures[0].file, "pic0.png");
  EXPECT_EQ(items[5].pictures[0].caption, "");
}

TEST(RtfItems, TwoSystemsGiveElevenItemsAndAnEmptyChannelListOneHeaderRow) {
  Project p(true);
  p.project->GcSystem(1)->GcMics()->GDelMic(1);
  std::array<std::vector<FreqRange>, kMaxSystems> cuts;
  cuts[1] = {{472.5, 472.75}, {475.0, 476.125}};
  PrintContents contents;
  contents.scanCuts = &cuts;
  contents.summary = false;
  const std::vector<RtfItem> items = RTF_ProjectItems(*p.project, "T", {"a.png", "b.png"}, contents);
  ASSERT_EQ(items.size(), 11u);
  EXPECT_EQ(items[1].text, "System #1: Meridian\r");
  EXPECT_EQ(items[6].text, "System #2: Osprey Series\r");
  EXPECT_EQ(items[6].font.size, 14);
  EXPECT_EQ(items[4].rows, 4);
  // A system without scan cuts lists its spectrum only.
  EXPECT_EQ(items[3].text, "Search Spectrum: 518.000 - 550.000, 630.000 - 662.000 MHz\r");
  EXPECT_EQ(items[8].text, "Search Spectrum: 470.000 - 480.000 MHz\rCut by the scan: 472.500 - 472.750, "
                           "475.000 - 476.125 MHz\r");
  EXPECT_EQ(items[9].text, "Channel Configuration (0)");
  EXPECT_EQ(items[9].rows, 1);
  EXPECT_EQ(Texts(items[9]), (Rows{{"", "Frequency", "Label", "Color"}}));
  EXPECT_EQ(items[7].cells[2][0].text, "Spacing");
  EXPECT_EQ(items[7].cells[2][2].text, "  0.300");
  EXPECT_EQ(items[5].pictures[0].file, "a.png");
  EXPECT_EQ(items[10].pictures[0].file, "b.png");
}

// A small document parsed back: title, a 3-row table with coloured cells, a picture.
TEST(RtfText, TablesPicturesAndColoursParseBack) {
  TempDir dir;
  WriteFile(dir.File("p.png"), MakePng(20, 10, 0x00ff00));
  std::vector<RtfItem> items(3);
  items[0].text = "Brace { and } and \\ and \xC3\xA9\rnext";
  items[1].kind = kRtfTable;
  items[1].text = "Table";
  items[1].rows = 3;
  items[1].columns = 3;
  items[1].headerRows = 1;
  items[1].headerColumns = 1;
  items[1].widths = {800, 2000, 1500};
  items[1].cells = {{{"h0"}, {"h1"}, {"h2"}},
                    {{"a", 255}, {"b"}, {"c", 65280}},
                    {{"d"}, {"e", 255}, {"f", 16711680}}};
  items[2].kind = kRtfPictures;
  items[2].text = "Pictures";
  items[2].pictures = {{dir.File("p.png"), "cap"}};

  const std::string rtf = RTF_DocumentText(items);
  ASSERT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  const RtfScan s = ScanRtf(rtf);
  EXPECT_TRUE(s.balanced);

  // One row definition and one row end per table row, every row with the cumulative edges.
  EXPECT_EQ(s.Count("trowd"), 3);
  EXPECT_EQ(s.Count("row"), 3);
  EXPECT_EQ(s.Count("cell"), 9);
  EXPECT_EQ(s.Params("cellx"), (std::vector<long>{800, 2800, 4300, 800, 2800, 4300, 800, 2800, 4300}));
  for (const char* border : {"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr"}) EXPECT_EQ(s.Count(border), 9) << border;
  EXPECT_EQ(s.Count("clcfpat"), 0);

  // Cell backgrounds through the colour table, row by row (colours as 0xRRGGBB).
  const std::vector<long> shading = s.Params("clcbpat");
  ASSERT_EQ(shading.size(), 9u);
  std::vector<uint32_t> colours;
  for (long index : shading) {
    ASSERT_GE(index, 1);
    ASSERT_LE(static_cast<size_t>(index), s.colors.size());
    colours.push_back(s.colors[static_cast<size_t>(index - 1)]);
  }
  EXPECT_EQ(colours, (std::vector<uint32_t>{0xffffff, 0xffffff, 0xffffff, 0xff0000, 0xffffff, 0x00ff00, 0xffffff,
                                            0xff0000, 0x0000ff}));

  // Header cells (first row and first column) are bold, the others are not.
  EXPECT_NE(rtf.find("\\b\\i0\\ulnone \\cf1 h1"), std::string::npos);
  EXPECT_NE(rtf.find("\\b\\i0\\ulnone \\cf1 d"), std::string::npos);
  EXPECT_NE(rtf.find("\\b0\\i0\\ulnone \\cf1 e"), std::string::npos);

  // Visible text: escapes undone, the table title a paragraph of its own before the table.
  EXPECT_NE(s.text.find("Brace { and } and \\ and \xE9\nnext"), std::string::npos) << s.text;
  EXPECT_NE(s.text.find("\nTable\nh0\nh1\nh2\n\na\nb\nc\n"), std::string::npos) << s.text;
  EXPECT_NE(s.text.find("Pictures\n"), std::string::npos);
  EXPECT_NE(s.text.find("cap"), std::string::npos);

  // The picture: a PNG in the 9072 wide box, shrunk to the image's 2:1.
  EXPECT_EQ(s.Count("pngblip"), 1);
  EXPECT_EQ(s.Params("picwgoal"), std::vector<long>{9072});
  EXPECT_EQ(s.Params("pichgoal"), std::vector<long>{4536});
  EXPECT_EQ(s.Params("picw"), std::vector<long>{20});
}
