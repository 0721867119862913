#include "reports/RTF_Generate.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>

#include "model/CSystemType.h"
#include "model/ShownColors.h"
#include "reports/RtfGenerator.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char kCR[] = "\r";
const char kLF[] = "\n";
const char kTab[] = "\t";

// The check kinds of the parameter table, in their row order.
constexpr int32_t kParameterChecks[] = {kCheckSpectrum, kCheckSpacing, kCheck2TxIM3, kCheck2TxIM5, kCheck3TxIM3};

RtfItem Table(const std::string& title, int32_t rows, std::vector<int32_t> widths) {
  RtfItem item;
  item.text = title;
  item.kind = kRtfTable;
  item.rows = rows;
  item.columns = static_cast<int32_t>(widths.size());
  item.headerRows = 1;
  item.headerColumns = 1;
  item.widths = std::move(widths);
  item.cells.assign(static_cast<size_t>(rows), std::vector<RtfCell>(static_cast<size_t>(item.columns)));
  return item;
}

RtfItem ParameterTable(const CSystemType& type) {
  RtfItem t = Table("Parameters", 6, {2800, 1400, 1400});
  t.cells[0] = {{"Parameters Checked"}, {"Status"}, {"Bandwidth"}};
  for (size_t i = 0; i < std::size(kParameterChecks); ++i) {
    const int32_t check = kParameterChecks[i];
    t.cells[i + 1] = {{MN_GetCheckLabel(check)},
                      {type.GbCheckFlag(check) ? "On" : "Off"},
                      {TL_FormatNumber(type.GfBandwidth(check), "##0.000")}};
  }
  return t;
}

// The channel table; the Color cell shows the colour the display draws the channel in.
RtfItem ChannelTable(const CProject& project, int32_t slot) {
  const CMicCollection& mics = *project.GcSystem(slot)->GcMics();
  const int32_t n = mics.GCount();
  RtfItem t = Table("Channel Configuration (" + TL_Str(n) + ")", n + 1, {800, 2000, 2000, 800});
  t.cells[0] = {{""}, {"Frequency"}, {"Label"}, {"Color"}};
  for (int32_t i = 1; i <= n; ++i) {
    const MicRef mic = mics.GcItem(i);
    t.cells[static_cast<size_t>(i)] = {
        {TL_Str(i)},
        {mic->GsGetDescription(1)},
        {mic->GsGetLabel()},
        {"", TL_ShownChannelColor(project, slot, mic->GlGetColor()), true}};
  }
  return t;
}

// "lo - hi, lo - hi MHz", or "none".
std::string RangesText(const std::vector<FreqRange>& ranges) {
  if (ranges.empty()) return "none";
  std::string text;
  for (const FreqRange& r : ranges) {
    if (!text.empty()) text += ", ";
    text += MN_FormatFreq(r.lo) + " - " + MN_FormatFreq(r.hi);
  }
  return text + " MHz";
}

// The bands of the system's search spectrum and, when known, the ranges a scan cut out of it.
RtfItem SpectrumText(const CProject& project, int32_t slot, const std::vector<FreqRange>* cuts) {
  std::vector<FreqRange> bands;
  if (const SpectrumRef& spectrum = project.GcSpectrumOf(slot))
    for (int32_t b = 1; b <= spectrum->GlBands(); ++b) {
      const BandRef band = spectrum->GxGetBand(b);
      bands.push_back({band->GfLo(), band->GfHi()});
    }
  RtfItem item;
  item.text = "Search Spectrum: " + RangesText(bands) + kCR;
  if (cuts && !cuts->empty()) item.text += "Cut by the scan: " + RangesText(*cuts) + kCR;
  return item;
}

// One table per zone: zone (when the project has several), system, label, frequency, type
// and the colour the channel is shown in.
void AddSheet(const CProject& project, SheetOrder order, std::vector<RtfItem>& items) {
  const bool zones = MN_SheetShowsZones(project);
  for (const SheetZone& zone : MN_FrequencySheet(project, order)) {
    std::vector<int32_t> widths = {1000, 2500, 1500, 2500, 800};
    std::vector<RtfCell> header = {{"System"}, {"Label"}, {"Frequency"}, {"Type"}, {"Color"}};
    if (zones) {
      widths = {800, 1000, 2200, 1500, 2200, 800};
      header.insert(header.begin(), {"Zone"});
    }
    const auto n = static_cast<int32_t>(zone.rows.size());
    std::string title = "Frequency Sheet";
    if (zones) title += ", Zone " + TL_Str(zone.zone) + ": " + project.GcZones().GsName(zone.zone);
    RtfItem t = Table(title + " (" + TL_Str(n) + ")", n + 1, widths);
    t.headerColumns = 0;
    t.repeatHeader = true;
    t.font.size = 9;  // about fifty lines to a page
    t.pageBefore = zones;  // each zone's sheet is a handout of its own
    t.cells[0] = header;
    for (int32_t r = 0; r < n; ++r) {
      const SheetRow& row = zone.rows[static_cast<size_t>(r)];
      std::vector<RtfCell>& cells = t.cells[static_cast<size_t>(r) + 1];
      cells = {{"#" + TL_Str(row.system + 1)}, {row.label}, {MN_FormatFreq(row.freq)}, {row.type}, {"", row.color, true}};
      if (zones) cells.insert(cells.begin(), {TL_Str(row.zone)});
    }
    items.push_back(std::move(t));
  }
}

// Checks a writer result; the document is abandoned on the first failure.
void Check(int32_t result, const std::string& what) {
  if (result >= 0) return;
  if (result == kRcgFileError) throw KovaError(75, "Path/File access error: " + what);
  if (result == kRcgBadPicture) throw KovaError(481, "Invalid picture: " + what);
  throw KovaError(5, "Invalid procedure call: " + what);
}

void EmitFont(int32_t doc, const RtfFont& f) {
  Check(RcgTextFont(doc, f.name, f.size, f.style, -1), "font");
  Check(RcgTextColor(doc, TL_PaperColorValue(f.color), -1), "colour");  // text too light for paper is darkened
}

void EmitTable(int32_t doc, const RtfItem& item) {
  Check(RcgInsertText(doc, item.text), "text");
  for (int32_t r = 0; r < item.rows; ++r) {
    Check(RcgBeginTableRow(doc, 0, 0, 0, 0, item.repeatHeader && r < item.headerRows ? 1 : 0), "row");
    for (int32_t c = 0; c < item.columns; ++c) {
      const bool header = r < item.headerRows || c < item.headerColumns;
      const RtfCell& cell = item.cells.at(static_cast<size_t>(r)).at(static_cast<size_t>(c));
      Check(RcgNextCellInfo(doc, item.widths.at(static_cast<size_t>(c)), 0,
                            (header ? 7 : 0) | (cell.swatch ? kRcgCellSwatch : 0), cell.color, 20, 40, 20, 40, 0),
            "cell");
    }
    for (int32_t c = 0; c < item.columns; ++c) {
      Check(RcgBeginCellText(doc), "cell");
      Check(RcgResetTextProp(doc), "cell");
      EmitFont(doc, item.font);
      Check(RcgInsertText(doc, item.cells[static_cast<size_t>(r)][static_cast<size_t>(c)].text), "cell");
      Check(RcgEndCellText(doc), "cell");
    }
    Check(RcgEndTableRow(doc), "row");
  }
}

void EmitPictures(int32_t doc, const RtfItem& item) {
  Check(RcgInsertText(doc, item.text + kCR), "text");
  const auto n = static_cast<int32_t>(item.pictures.size());
  int32_t boxWidth = 0, boxHeight = 0;
  RTF_PictureCellSize(n, boxWidth, boxHeight);
  const RtfPictureLayout layout = RTF_PictureLayout(n);
  auto listed = [](const std::vector<int32_t>& list, int32_t k) {
    return std::find(list.begin(), list.end(), k) != list.end();
  };
  int32_t rowStart = 0;  // first picture of the current row, 0-based
  for (int32_t k = 1; k <= n; ++k) {
    const RtfPicture& picture = item.pictures[static_cast<size_t>(k - 1)];
    int32_t width = boxWidth, height = boxHeight;
    RTF_FitAspect(RTF_BitmapAspect(picture.file), width, height);
    Check(RcgInsertPictFile(doc, picture.file, width, height, 0), picture.file);
    if (listed(layout.tabs, k)) Check(RcgInsertText(doc, kTab), "text");
    if (listed(layout.rowEnds, k)) {
      Check(RcgInsertText(doc, std::string(kLF) + kCR), "text");
      std::string captions;
      for (int32_t j = rowStart; j < k; ++j) {
        if (j > rowStart) captions += kTab;
        captions += item.pictures[static_cast<size_t>(j)].caption;
      }
      Check(RcgInsertText(doc, captions), "text");
      rowStart = k;
    }
  }
}

// Emits the items into a new document and hands it to `finish`; the document is released in
// any case.
void Emit(const std::vector<RtfItem>& items, int32_t paper, const std::function<void(int32_t)>& finish) {
  const int32_t doc = RcgNewDoc();
  if (doc <= 0) throw KovaError(7, "Out of memory");
  struct Release {
    int32_t doc;
    ~Release() { RcgEndDoc(doc); }
  } release{doc};
  Check(RcgInitSect(doc), "section");
  Check(RcgSectInfo(doc, paper, 100, 0, 1), "section");
  Check(RcgBeginSectText(doc), "section");
  for (const RtfItem& item : items) {
    if (item.pageBefore) Check(RcgInsertPageBreak(doc), "page");
    EmitFont(doc, item.font);
    if (item.kind == kRtfText) Check(RcgInsertText(doc, item.text), "text");
    else if (item.kind == kRtfTable) EmitTable(doc, item);
    else if (item.kind == kRtfPictures) EmitPictures(doc, item);
    Check(RcgInsertText(doc, kLF), "text");
    Check(RcgInsertText(doc, kCR), "text");
  }
  finish(doc);
}

}  // namespace

std::string RTF_TitleText(const std::string& version, const std::string& date, const std::string& time,
                          const std::string& kind) {
  return "KOVA " + version + "." + kCR + kind + " Document, created " + date + " " + time + kCR + kCR;
}

std::vector<int32_t> RTF_SystemOrder(const CProject& project) {
  std::vector<int32_t> order;
  for (int32_t s = 0; s < project.GlSystems(); ++s) order.push_back(s);
  if (project.GZoneLayout().zoned)
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
      return MN_SheetZoneOf(project, a) < MN_SheetZoneOf(project, b);
    });
  return order;
}

std::vector<RtfItem> RTF_ProjectItems(const CProject& project, const std::string& title,
                                      const std::vector<std::string>& pictureFiles, const PrintContents& contents) {
  std::vector<RtfItem> items;
  RtfItem head;
  head.text = title;
  items.push_back(head);
  if (contents.summary) RTF_AddPlanSummary(project, contents.plan, items);
  // The sheet's pages can be handed out alone.
  const size_t sheetStart = items.size();
  if (contents.sheet) AddSheet(project, contents.order, items);
  const bool afterSheet = items.size() > sheetStart;
  if (afterSheet && sheetStart > 1) items[sheetStart].pageBefore = true;
  // With systems in several zones, the systems of each zone follow a heading with its name.
  const bool zoned = project.GZoneLayout().zoned;
  bool first = true;
  int32_t lastZone = 0;
  for (const int32_t s : RTF_SystemOrder(project)) {
    const CSystemInstance& system = *project.GcSystem(s);
    if (zoned && system.GlZone() != lastZone) {
      lastZone = system.GlZone();
      RtfItem zone;
      zone.text = "Zone " + TL_Str(lastZone) + ": " + project.GsZoneName(s) + kCR;
      zone.font.size = 16;
      zone.pageBefore = afterSheet && first;
      first = first && !zone.pageBefore;
      items.push_back(zone);
    }
    const CSystemType& type = *system.GcSystemType();
    RtfItem heading;
    heading.text = "System #" + TL_Str(s + 1) + ": " + type.GsGetLabel() + kCR;
    heading.font.size = 14;
    heading.pageBefore = afterSheet && first;  // the sheet's pages can be handed out alone
    first = false;
    items.push_back(heading);
    items.push_back(ParameterTable(type));
    const std::vector<FreqRange>* cuts = contents.scanCuts ? &(*contents.scanCuts)[static_cast<size_t>(s)] : nullptr;
    items.push_back(SpectrumText(project, s, cuts));
    items.push_back(ChannelTable(project, s));
    RtfItem picture;
    picture.text = "Spectrum Display";
    picture.kind = kRtfPictures;
    picture.pictures.push_back({pictureFiles.at(static_cast<size_t>(s)), ""});
    items.push_back(picture);
  }
  return items;
}

void RTF_WriteDocument(const std::string& path, const std::vector<RtfItem>& items, int32_t paper) {
  Emit(items, paper, [&](int32_t doc) {
    const int32_t result = RcgSaveFile(doc, path);
    // The writer's own failure names the file and the system's reason.
    if (const std::exception_ptr error = RcgTakeSaveError(); result == kRcgFileError && error)
      std::rethrow_exception(error);
    Check(result, path);
  });
}

std::string RTF_DocumentText(const std::vector<RtfItem>& items, int32_t paper) {
  std::string text;
  Emit(items, paper, [&](int32_t doc) { text = RcgDocumentText(doc); });
  return text;
}

void RTF_PictureCellSize(int32_t n, int32_t& width, int32_t& height) {
  // Fractions of the text width (16 cm) and of the heights 9, 5.5 and 4 cm.
  double w = 0, h = 0;
  if (n == 1 || n == 2) w = 9072, h = 5103;
  else if (n == 3) w = 9072, h = 3118.5;
  else if (n == 4) w = 3969, h = 5103;
  else if (n == 5 || n == 6) w = 3969, h = 3118.5;
  else if (n >= 7 && n <= 9) w = 2693.25, h = 3118.5;
  else if (n >= 10 && n <= 12) w = 2693.25, h = 2268;
  else return;
  width = TL_RoundLong(w);
  height = TL_RoundLong(h);
}

RtfPictureLayout RTF_PictureLayout(int32_t n) {
  static const RtfPictureLayout kLayouts[] = {
      {{}, {1}},
      {{}, {1, 2}},
      {{}, {1, 2, 3}},
      {{1, 3}, {2, 4}},
      {{1, 3}, {2, 4, 5}},
      {{1, 3, 5}, {2, 4, 6}},
      {{1, 2, 4, 5}, {3, 6, 7}},
      {{1, 2, 4, 5, 7}, {3, 6, 8}},
      {{1, 2, 4, 5, 7, 8}, {3, 6, 9}},
      {{1, 2, 4, 5, 7, 8}, {3, 6, 9, 10}},
      {{1, 2, 4, 5, 7, 8, 10}, {3, 6, 9, 11}},
      {{1, 2, 4, 5, 7, 8, 10, 11}, {3, 6, 9, 12}},
  };
  if (n >= 1 && n <= 12) return kLayouts[n - 1];
  RtfPictureLayout layout;
  for (int32_t k = 1; k <= n; ++k) layout.rowEnds.push_back(k);
  return layout;
}

void RTF_FitAspect(double ratio, int32_t& width, int32_t& height) {
  if (!(ratio > 0) || !std::isfinite(ratio) || width <= 0 || height <= 0) return;
  const double box = static_cast<double>(width) / height;
  if (box == ratio) return;
  if (box > ratio) width = TL_RoundLong(height * ratio);
  else height = TL_RoundLong(width / ratio);
}

double RTF_BitmapAspect(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw KovaError(53, "File not found: " + file);
  std::string header(24, '\0');
  in.read(header.data(), static_cast<std::streamsize>(header.size()));
  header.resize(static_cast<size_t>(in.gcount()));
  int32_t w = 0, h = 0;
  if (!TL_PngSize(header, w, h)) throw KovaError(481, "Invalid picture: " + file);
  return static_cast<double>(w) / h;
}

}  // namespace kova
