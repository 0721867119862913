#include "app/ScanCommands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "app/ExportTarget.h"
#include "files/FrequencyList.h"
#include "files/ScanFile.h"
#include "search/ScanExclusions.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char* const kScanFilter = "Scan (*.csv;*.txt)|*.csv;*.txt|All Files (*.*)|*.*";
const char* const kCsvFilter = "CSV Frequency List (*.csv)|*.csv";

std::string Format(const char* format, double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, value);
  return buf;
}

// The number in a text box (a decimal comma is accepted); false for anything else.
bool ReadNumber(std::string text, double& value) {
  text = TL_Trim(text);
  std::replace(text.begin(), text.end(), ',', '.');
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, value);
  return first != last && ec == std::errc() && end == last && std::isfinite(value);
}

std::string StartDirectory(const AppState& app) { return app.projectDir.empty() ? app.appDir : app.projectDir; }

}  // namespace

bool MN_ImportScan(AppState& app) {
  std::string dir = StartDirectory(app), name;
  int filterIndex = 1;
  if (TL_OpenFileDialog("Import Scan", dir, name, kScanFilter, filterIndex) == 0) return false;
  const ScanReadResult scan = MN_ReadScanFile(dir + name);
  if (!scan.ok) {
    TL_ShowInfo("Cannot read the scan " + name + ": " + scan.error + ".");
    return false;
  }
  const double floor = ScanNoiseFloor(scan.points);
  std::string value = Format("%.1f", floor + kDefaultAboveFloor);
  if (!TL_Port().inputBox("Noise floor of the scan: " + Format("%.1f", floor) +
                              " dBm.\nExclude the frequencies above this level (dBm):",
                          kAppTitle, value))
    return false;
  double threshold = 0.0;
  if (!ReadNumber(value, threshold)) {
    TL_ShowInfo("\"" + value + "\" is not a level in dBm; the scan was not applied.");
    return false;
  }

  app.scan = scan.points;
  // A carrier on the air blocks every system in use, each by its own channel width. With several
  // systems each block of the message names its system.
  CProject& project = *app.project;
  const bool named = project.GlSystems() >= 2;
  std::string text;
  for (int32_t slot = 0; slot < project.GlSystems(); ++slot) {
    const CSystemType& type = *project.GcSystem(slot)->GcSystemType();
    const std::vector<FreqRange> ranges = ScanExclusions(scan.points, threshold, ScanHalfWidth(type));
    if (ranges.empty()) continue;
    project.GcSpectrumOf(slot, CutSpectrum(*project.GcSpectrumOf(slot), ranges));
    std::vector<FreqRange>& cuts = app.scanCuts[static_cast<size_t>(slot)];
    cuts.insert(cuts.end(), ranges.begin(), ranges.end());
    if (!text.empty()) text += "\n\n";
    if (named) text += "System #" + TL_Str(slot + 1) + " (" + type.GsGetLabel() + "): ";
    text += TL_Str(static_cast<int64_t>(ranges.size())) + (ranges.size() == 1 ? " range" : " ranges") + " above " +
            Format("%.1f", threshold) + " dBm excluded from the search spectrum:";
    for (const FreqRange& r : ranges) text += "\n" + Format("%.3f", r.lo) + " - " + Format("%.3f", r.hi);
    // Said at once: otherwise the user only learns it when a search finds no free frequency.
    if (project.GcSpectrumOf(slot)->GlBands() == 0)
      text += "\nThe scan leaves no band of the search spectrum: no channel can be placed.";
  }
  if (text.empty())
    text = "Nothing in the scan exceeds " + Format("%.1f", threshold) + " dBm; the search spectrum is unchanged.";
  else
    TL_SetChanged(app.flags, true, false, false, false);
  if (scan.badLines > 0)
    text += "\n\n" + TL_Str(scan.badLines) + " unreadable line" + (scan.badLines == 1 ? "" : "s") +
            " of the scan skipped (the first is line " + TL_Str(scan.firstBadLine) + ").";
  MN_RefreshViews(2);
  TL_ShowInfo(text);
  return true;
}

bool MN_ImportFrequencyList(AppState& app) {
  std::string dir = StartDirectory(app), name;
  int filterIndex = 1;
  if (TL_OpenFileDialog("Import Frequency List", dir, name, kCsvFilter, filterIndex) == 0) return false;
  const FrequencyListReadResult list = MN_ReadFrequencyListFile(dir + name);
  if (!list.ok) {
    TL_ShowInfo("Cannot read the frequency list " + name + ": " + list.error + ".");
    return false;
  }
  const int32_t slot = app.project->GlCurr();
  std::string tooMany;
  if (!MN_ImportFits(*app.project, slot, list.entries, tooMany)) {
    TL_ShowInfo("Cannot import the frequency list " + name + ": " + tooMany + ".");
    return false;
  }
  const std::vector<ImportedChannel> added = MN_ImportFrequencyList(*app.project, slot, list.entries);
  if (added.empty()) {
    TL_ShowInfo("The frequency list holds no channel of system " + TL_Str(slot + 1) + ".");
    return false;
  }
  TL_SetChanged(app.flags, true, false, false, false);
  MN_RefreshViews(2);
  std::string text = TL_Str(static_cast<int64_t>(added.size())) + (added.size() == 1 ? " channel" : " channels") +
                     " imported.";
  std::string moved;
  for (const ImportedChannel& c : added)
    if (c.moved)
      moved += "\n" + c.label + ": " + Format("%.3f", c.given) + " -> " + Format("%.3f", c.placed) + " MHz";
  if (!moved.empty()) text += "\n\nMoved onto the tuning grid:" + moved;
  if (list.badRows > 0)
    text += "\n\n" + TL_Str(list.badRows) + (list.badRows == 1 ? " row" : " rows") +
            " without a usable frequency skipped (the first is line " + TL_Str(list.firstBadLine) + ").";
  TL_ShowInfo(text);
  return true;
}

bool MN_ExportFrequencyList(AppState& app) {
  std::string dir = StartDirectory(app);
  std::string name = MN_ExportOfferedName(app, "csv", "*.csv");
  if (!MN_ChooseExportFile(app, "Export Frequency List", kCsvFilter, "csv", ExtensionRule::kAddWhenMissing, dir, name))
    return false;
  try {
    MN_WriteFrequencyListFile(*app.project, dir + name);
  } catch (const std::exception& e) {
    TL_ReportError("MN_ExportFrequencyList", e);
    return false;
  }
  return true;
}

}  // namespace kova
