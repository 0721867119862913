// kova-cli regions and spectrum: the channel tables listed, and a search spectrum made of a
// table's channels, or of all but the local stations' channels.

#include "app/CliRegions.h"

#include <ostream>

#include "app/CliSupport.h"
#include "app/RegionCommands.h"
#include "app/Storage.h"
#include "model/ChannelList.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// The user tables that could not be read, named on `err`; they are skipped, never fatal.
void NameBadTables(const AppState& app, std::ostream& err) {
  for (const std::string& problem : app.countryErrors)
    err << "kova-cli: " << TL_ShowName(app.CountryDir() + problem) << " (table skipped)\n";
}

}  // namespace

int CLI_Regions(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // No project here: the data directory is the only option.
  std::string dataDir;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--data-dir" && i + 1 < args.size()) {
      dataDir = args[++i];
    } else if (args[i].rfind("--data-dir=", 0) == 0) {
      dataDir = args[i].substr(11);
    } else {
      err << "kova-cli: regions takes no argument but --data-dir DIR, not '" << TL_ShowName(args[i]) << "'\n";
      return 2;
    }
  }
  AppState app;
  app.appDir = dataDir.empty() ? TL_DefaultAppDirectory() : TL_AddBackslash(dataDir);
  MN_LoadUserCountries(app);
  MN_BuildCountryTables(app);
  NameBadTables(app, err);
  std::string text;
  for (const CountryRef& table : app.countries) {
    const CSpectrum& bands = *table->GxSpectrum();
    text += TL_ShowName(table->GsGetLabel()) + "\t" + MN_ChannelRanges(*table) + "\t";
    if (bands.GlBands() > 0)
      text += MN_FormatFreq(bands.GfGetFreqMin()) + " - " + MN_FormatFreq(bands.GfGetFreqMax()) + " MHz";
    text += "\n";
  }
  out << text;
  return 0;
}

int CLI_Spectrum(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  if (!CLI_ParseArgs(args, {"--region", "--channels", "--except", "--system", "--apply"}, {}, a, err)) return 2;
  const bool except = a.options.count("--except") > 0;
  if (a.Option("--region").empty() || except == (a.options.count("--channels") > 0)) {
    err << "kova-cli: spectrum needs --region NAME and either --channels LIST or --except LIST\n";
    return 2;
  }
  const std::string applyFile = a.Option("--apply");
  if (applyFile.empty()) {
    err << "kova-cli: spectrum needs --apply OUT (the project file to write)\n";
    return 2;
  }
  AppState app;
  if (!CLI_CheckTargets(a, {"--apply"}, err) || !CLI_LoadProject(a, app, err)) return 2;
  NameBadTables(app, err);

  std::vector<int32_t> slots = MN_SystemsInUse(*app.project);
  if (a.options.count("--system")) {
    int32_t slot = 0;
    if (!CLI_ReadSystem(a, "--system", static_cast<int32_t>(slots.size()), 0, slot, err)) return 2;
    slots = {slot};
  }

  std::string error;
  const CountryRef table = MN_FindCountry(app, a.Option("--region"), error);
  if (!table) {
    err << "kova-cli: --region: " << TL_ShowName(error) << " (see kova-cli regions)\n";
    return 2;
  }
  const std::string option = except ? "--except" : "--channels";
  const ChannelListResult list = MN_ParseChannelList(a.Option(option), *table);
  if (!list.ok || (!except && list.channels.empty())) {
    err << "kova-cli: " << option << ": " << (list.ok ? "names no channel" : TL_ShowName(list.error)) << "\n";
    return 2;
  }
  const SpectrumRef bands = MN_ChannelSpectrum(*table, list.channels, except);
  if (bands->GlBands() == 0) {
    err << "kova-cli: " << option << ": no channel of \"" << TL_ShowName(table->GsGetLabel()) << "\" is left; nothing written\n";
    return 1;
  }
  MN_PutSearchBands(*app.project, slots, *bands, false);

  // The bands, then the systems (counted from 1, as reports count them) that got them.
  std::string text;
  for (int32_t i = 1; i <= bands->GlBands(); ++i) text += bands->GxGetBand(i)->GsGetFromToString(0) + "\n";
  text += slots.size() == 1 ? "search spectrum of system " : "search spectrum of systems ";
  for (size_t i = 0; i < slots.size(); ++i) text += (i ? ", " : "") + TL_Str(slots[i] + 1);
  if (!MN_SaveProjectTo(*app.project, applyFile)) return 2;
  out << text << "\n" << CLI_WrittenLine(applyFile);
  return 0;
}

}  // namespace kova
