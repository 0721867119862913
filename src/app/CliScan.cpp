// kova-cli scan, import and export --csv: a venue scan cut out of the systems' search spectra,
// and channel lists taken from and handed to other tools as CSV.

#include "app/CliScan.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <ostream>

#include "app/Storage.h"
#include "files/FrequencyList.h"
#include "files/ScanFile.h"
#include "search/ScanExclusions.h"
#include "tools/Tools.h"

namespace kova {

namespace {

bool ReadOptionNumber(const CliArgs& args, const std::string& name, double& value, std::ostream& err) {
  const std::string text = args.Option(name);
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  auto [end, ec] = std::from_chars(first, last, value);
  if (first == last || ec != std::errc() || end != last || !std::isfinite(value)) {
    err << "kova-cli: option " << name << " needs a number, not '" << TL_ShowName(text) << "'\n";
    return false;
  }
  return true;
}

std::string Printf(const char* format, double a, double b = 0.0) {
  char buf[96];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

}  // namespace

int CLI_Scan(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  if (!CLI_ParseArgs(args, CliGrammar{{"--threshold", "--above-floor", "--system", "--apply"}, {}, {}, 1}, a, err))
    return 2;
  if (a.plain.empty()) {
    err << "kova-cli: no scan file given (see kova-cli --help)\n";
    return 2;
  }
  const std::string& scanPath = a.plain[0];
  const bool absolute = a.options.count("--threshold") > 0;
  if (absolute && a.options.count("--above-floor")) {
    err << "kova-cli: give either --threshold or --above-floor\n";
    return 2;
  }
  double thresholdValue = 0.0, aboveFloor = kDefaultAboveFloor;
  int32_t slot = 0;
  if ((absolute && !ReadOptionNumber(a, "--threshold", thresholdValue, err)) ||
      (a.options.count("--above-floor") && !ReadOptionNumber(a, "--above-floor", aboveFloor, err)))
    return 2;

  AppState app;
  if (!CLI_CheckTargets(a, {"--apply"}, err, {{scanPath, "scan"}}) || !CLI_LoadProject(a, app, err) ||
      !CLI_ReadSystem(a, "--system", app.project->GlSystems(), 0, slot, err))
    return 2;
  const ScanReadResult scan = MN_ReadScanFile(scanPath);
  if (!scan.ok) {
    err << "kova-cli: " << TL_ShowName(scanPath) << ": " << scan.error << "\n";
    return 2;
  }
  if (scan.badLines > 0)
    err << "kova-cli: " << TL_ShowName(scanPath) << ": " << scan.badLines << " bad line"
        << (scan.badLines == 1 ? "" : "s")
        << " skipped (first: line " << scan.firstBadLine << ")\n";

  // --system takes one system; without it a carrier blocks every system in use, each widened
  // by its own type's channel width, and each system gets a heading when there are several.
  std::vector<int32_t> slots;
  if (a.options.count("--system"))
    slots.push_back(slot);
  else
    for (int32_t s = 0; s < app.project->GlSystems(); ++s) slots.push_back(s);
  const bool headings = slots.size() > 1;

  const double floor = ScanNoiseFloor(scan.points);
  const double threshold = absolute ? thresholdValue : floor + aboveFloor;
  std::vector<std::vector<FreqRange>> cuts;
  bool anyRange = false;
  std::string text = Printf("noise floor: %.1f dBm\n", floor) + Printf("threshold: %.1f dBm\n", threshold);
  for (int32_t s : slots) {
    const CSystemType& type = *app.project->GcSystem(s)->GcSystemType();
    cuts.push_back(ScanExclusions(scan.points, threshold, ScanHalfWidth(type)));
    anyRange = anyRange || !cuts.back().empty();
    if (headings) text += "system " + TL_Str(s + 1) + ":\n";
    for (const FreqRange& r : cuts.back()) text += Printf("%.3f - %.3f\n", r.lo, r.hi);
  }
  out << text;
  if (!anyRange) {
    err << "kova-cli: nothing in the scan exceeds the threshold" << (a.Option("--apply").empty() ? "" : "; nothing written")
        << "\n";
    return 1;
  }

  const std::string applyFile = a.Option("--apply");
  if (!applyFile.empty()) {
    for (size_t i = 0; i < slots.size(); ++i) {
      if (cuts[i].empty()) continue;
      const int32_t s = slots[i];
      app.project->GcSpectrumOf(s, CutSpectrum(*app.project->GcSpectrumOf(s), cuts[i]));
      if (app.project->GcSpectrumOf(s)->GlBands() == 0)
        err << "kova-cli: " << (headings ? "system " + TL_Str(s + 1) + ": " : std::string())
            << "the scan leaves no band of the search spectrum\n";
    }
    if (!MN_SaveProjectTo(*app.project, applyFile)) return 2;
    err << "kova-cli: " << CLI_WrittenLine(applyFile);
  }
  return 0;
}

int CLI_Import(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  int32_t slot = 0;
  if (!CLI_ParseArgs(args, CliGrammar{{"--system", "--apply"}, {}, {}, 1}, a, err)) return 2;
  if (a.plain.empty()) {
    err << "kova-cli: no frequency list given (see kova-cli --help)\n";
    return 2;
  }
  const std::string& listPath = a.plain[0];
  const std::string applyFile = a.Option("--apply");
  if (applyFile.empty()) {
    err << "kova-cli: import needs --apply OUT (the project file to write)\n";
    return 2;
  }
  AppState app;
  if (!CLI_CheckTargets(a, {"--apply"}, err, {{listPath, "frequency list"}}) || !CLI_LoadProject(a, app, err) ||
      !CLI_ReadSystem(a, "--system", app.project->GlSystems(), 0, slot, err))
    return 2;
  const FrequencyListReadResult list = MN_ReadFrequencyListFile(listPath);
  if (!list.ok) {
    err << "kova-cli: " << TL_ShowName(listPath) << ": " << list.error << "\n";
    return 2;
  }
  if (list.badRows > 0)
    err << "kova-cli: " << TL_ShowName(listPath) << ": " << list.badRows << " row" << (list.badRows == 1 ? "" : "s")
        << " without a usable frequency skipped (first: line " << list.firstBadLine << ")\n";

  std::string tooMany;
  if (!MN_ImportFits(*app.project, slot, list.entries, tooMany)) {
    err << "kova-cli: " << TL_ShowName(listPath) << ": " << tooMany << "; nothing written\n";
    return 2;
  }
  const std::vector<ImportedChannel> added = MN_ImportFrequencyList(*app.project, slot, list.entries);
  if (added.empty()) {
    err << "kova-cli: " << TL_ShowName(listPath) << ": no channel of system " << slot + 1
        << " in the list; nothing written\n";
    return 1;
  }
  std::string text;
  for (const ImportedChannel& c : added) {
    if (!c.moved) continue;
    text += "line " + TL_Str(c.line) + ": " + TL_ShowName(c.label) + Printf(" %.3f MHz moved to %.3f MHz\n", c.given, c.placed);
  }
  text += TL_Str(static_cast<int64_t>(added.size())) + " channel" + (added.size() == 1 ? "" : "s") +
          " imported into system " + TL_Str(slot + 1) + "\n";
  if (!MN_SaveProjectTo(*app.project, applyFile)) return 2;
  out << text << CLI_WrittenLine(applyFile);
  return 0;
}

int CLI_ExportFrequencyList(const CliArgs& args, const AppState& app, std::ostream& out, std::ostream& err) {
  const std::string file = args.Option("--out");
  if (file.empty()) {
    out << MN_FrequencyListCsv(*app.project);
    return 0;
  }
  try {
    MN_WriteFrequencyListFile(*app.project, file);
  } catch (const std::exception& e) {
    CLI_WriteFailure(file, e, err);
    return 2;
  }
  return 0;
}

}  // namespace kova
