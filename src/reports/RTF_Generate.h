#pragma once
// The print document: a list of items (text, tables, pictures) assembled from a project and
// written as Rich Text Format through the RTF writer, and the layout of pictures on the page.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/CProject.h"
#include "reports/FrequencySheet.h"
#include "reports/PlanSummary.h"
#include "search/ScanExclusions.h"

namespace kova {

inline constexpr int32_t kRtfWhite = 16777215;

enum RtfItemKind : int32_t { kRtfText = -1, kRtfTable = 0, kRtfPictures = 1 };

struct RtfFont {
  std::string name = "Times New Roman";
  int32_t size = 10;   // points
  int32_t style = 0;   // RcgFontStyle bits
  int32_t color = 0;   // red + 256 * green + 65536 * blue
};

struct RtfCell {
  std::string text;
  int32_t color = kRtfWhite;  // background
  bool swatch = false;        // the cell shows a channel's colour: framed dark, so white shows too
};

struct RtfPicture {
  std::string file;     // a PNG image
  std::string caption;
};

struct RtfItem {
  std::string text;  // paragraph text, or the title line of a table or picture item
  RtfFont font;      // also the font of every cell of a table
  int32_t kind = kRtfText;
  std::vector<RtfPicture> pictures;  // kRtfPictures
  int32_t rows = 0;                  // kRtfTable
  int32_t columns = 0;
  int32_t headerRows = 0;     // rows from the top drawn as header cells
  int32_t headerColumns = 0;  // columns from the left drawn as header cells
  std::vector<int32_t> widths;             // twips, one per column
  std::vector<std::vector<RtfCell>> cells;  // rows x columns
  bool pageBefore = false;    // the item starts a new page
  bool repeatHeader = false;  // the header rows are repeated on every page the table reaches
};

// First item of the document: "KOVA <version>." CR "<kind> Document, created <date> <time>" CR CR.
std::string RTF_TitleText(const std::string& version, const std::string& date, const std::string& time,
                          const std::string& kind = "RTF");

// What the print document holds beyond its fixed sections.
struct PrintContents {
  bool summary = true;  // the summary of the plan after the title
  PlanFacts plan;       // what the summary says beyond the project itself
  bool sheet = false;  // the frequency sheet, after the title
  SheetOrder order = SheetOrder::kByFrequency;
  // The ranges scans cut out of each system's search spectrum, when known (per slot).
  const std::array<std::vector<FreqRange>, kMaxSystems>* scanCuts = nullptr;
};

// The used systems in the order the print document shows them: by slot, grouped by zone (zones
// ascending) when the systems stand in several zones.
std::vector<int32_t> RTF_SystemOrder(const CProject& project);

// The items of the print document of `project`: the title, the summary of the plan (see
// PlanSummary.h), the frequency sheet when asked (one table per zone, from a new page after the
// summary), then for each used system its heading, parameter table, search spectrum
// (and the ranges a scan cut), channel table and spectrum picture (pictureFiles[s] for system
// s), in RTF_SystemOrder, each zone's systems after a heading with the zone's name when there
// are several, the first of them on a new page after the sheet.
std::vector<RtfItem> RTF_ProjectItems(const CProject& project, const std::string& title,
                                      const std::vector<std::string>& pictureFiles,
                                      const PrintContents& contents = {});

// Paper of the document: 1 A4, 2 Letter.
inline constexpr int32_t kRtfPaperA4 = 1;
inline constexpr int32_t kRtfPaperLetter = 2;

// Writes the items as an RTF file at `path`. The target is replaced only by a complete
// document. Throws KovaError when a picture cannot be read or the file cannot be written.
void RTF_WriteDocument(const std::string& path, const std::vector<RtfItem>& items, int32_t paper = kRtfPaperA4);
// The RTF text of the items, without writing a file (same errors).
std::string RTF_DocumentText(const std::vector<RtfItem>& items, int32_t paper = kRtfPaperA4);

// Box in twips for each of n pictures (1 to 12); other n leave width and height unchanged.
void RTF_PictureCellSize(int32_t n, int32_t& width, int32_t& height);

// Where n pictures break: after picture k (from 1) a tab when k is in `tabs`, a row end when k is
// in `rowEnds`. For more than 12 pictures every picture is a row of its own.
struct RtfPictureLayout {
  std::vector<int32_t> tabs;
  std::vector<int32_t> rowEnds;
};
RtfPictureLayout RTF_PictureLayout(int32_t n);

// Shrinks the box to the width/height ratio, the changed side rounded (ties to even). Nothing
// changes for a ratio that is not positive or an empty box.
void RTF_FitAspect(double ratio, int32_t& width, int32_t& height);

// Pixel width divided by pixel height of a PNG file. Throws KovaError when the file cannot be
// read or is not a PNG image.
double RTF_BitmapAspect(const std::string& file);

}  // namespace kova
