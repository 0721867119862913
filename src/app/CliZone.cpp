// kova-cli zone: the zones of a project shown, a system put into a zone, a zone named, or the
// relation between two zones set; the changed project is then saved under another name.

#include <ostream>
#include <string>

#include "app/CliSupport.h"
#include "app/Storage.h"
#include "tools/Tools.h"

namespace kova {

namespace {

void PrintZones(const CProject& project, std::ostream& out) {
  const CZones& zones = project.GcZones();
  for (int32_t z = 1; z <= zones.GlCount(); ++z) {
    out << "Zone " << z << ": " << TL_ShowName(zones.GsName(z)) << "\n";
    bool any = false;
    for (int32_t s = 0; s < project.GlSystems(); ++s) {
      const CSystemInstance& system = *project.GcSystem(s);
      if (system.GlZone() != z) continue;
      any = true;
      const int32_t n = system.GcMics()->GCount();
      out << "  System #" << s + 1 << " (--system " << s << "): " << TL_ShowName(system.GcSystemType()->GsGetLabel()) << ", " << n
          << (n == 1 ? " channel\n" : " channels\n");
    }
    if (!any) out << "  no system\n";
  }
  // Each pair as set, and how it acts where "together" joins zones into one air.
  const CZones::RelationTable effective = zones.GEffective();
  for (int32_t a = 1; a <= zones.GlCount(); ++a)
    for (int32_t b = a + 1; b <= zones.GlCount(); ++b) out << TL_ShowName(zones.GsPairText(a, b, effective)) << "\n";
}

// A zone number of --between: a whole number from 1 to 16.
bool ReadZone(const std::string& text, int64_t& zone, std::ostream& err) {
  if (CLI_ParseWhole(text, zone) && zone >= 1 && zone <= CZones::kMaxZones) return true;
  err << "kova-cli: option --between needs zones from 1 to " << CZones::kMaxZones << ", not '" << TL_ShowName(text)
      << "'\n";
  return false;
}

}  // namespace

int CLI_Zone(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  // --between takes the next three arguments, whatever they look like: two zones and a relation.
  std::vector<std::string> between;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--between") continue;
    if (!between.empty()) {
      err << "kova-cli: option --between given twice\n";
      return 2;
    }
    if (i + 3 >= args.size()) {
      err << "kova-cli: option --between needs two zones and together, near or apart\n";
      return 2;
    }
    between.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.begin() + static_cast<std::ptrdiff_t>(i) + 4);
    // A missing relation is named before the other arguments are read, so the user learns that
    // the relation is missing rather than that some later argument is unexpected.
    if (TL_ZoneRelationByName(between[2]) < 0) {
      err << "kova-cli: option --between needs together, near or apart, not '" << TL_ShowName(between[2]) << "'\n";
      return 2;
    }
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 4);
    --i;
  }
  CliArgs a;
  if (!CLI_ParseArgs(args, {"--system", "--zone", "--name", "--apply"}, {}, a, err)) return 2;
  const bool hasSystem = a.options.count("--system") > 0;
  const bool hasZone = a.options.count("--zone") > 0;
  const bool hasName = a.options.count("--name") > 0;
  const bool changes = hasSystem || hasZone || hasName || !between.empty();
  const std::string applyFile = a.Option("--apply");
  if (!changes && !applyFile.empty()) {
    err << "kova-cli: zone --apply needs --system K --zone Z, --zone Z --name TEXT or --between A B RELATION\n";
    return 2;
  }
  if (changes) {
    const char* problem = nullptr;
    if (!between.empty() && (hasSystem || hasZone || hasName))
      problem = "zone --between cannot be combined with --system, --zone or --name";
    else if (between.empty() && !hasZone)
      problem = "zone needs --zone Z with --system K or --name TEXT";
    else if (between.empty() && !hasSystem && !hasName)
      problem = "zone --zone Z needs --system K or --name TEXT";
    else if (applyFile.empty())
      problem = "zone needs --apply OUT (the project file to write) to change the zones";
    if (problem) {
      err << "kova-cli: " << problem << "\n";
      return 2;
    }
  }

  // Everything that can be told without the project first.
  if (TL_CharCount(a.Option("--name")) > static_cast<size_t>(kMaxLabelChars)) {
    err << "kova-cli: option --name takes at most " << kMaxLabelChars << " characters\n";
    return 2;
  }
  int64_t zone = 0, zoneA = 0, zoneB = 0;
  int32_t relation = -1;
  if (!CLI_ReadWhole(a, "--zone", 0, 1, CZones::kMaxZones, zone, err)) return 2;
  if (!between.empty()) {
    if (!ReadZone(between[0], zoneA, err) || !ReadZone(between[1], zoneB, err)) return 2;
    if (zoneA == zoneB) {
      err << "kova-cli: option --between needs two different zones\n";
      return 2;
    }
    relation = TL_ZoneRelationByName(between[2]);
  }

  AppState app;
  if (!CLI_CheckTargets(a, {"--apply"}, err) || !CLI_LoadProject(a, app, err)) return 2;
  CProject& project = *app.project;
  if (!changes) {
    PrintZones(project, out);
    return 0;
  }
  const auto z = static_cast<int32_t>(zone);
  if (hasSystem) {
    int32_t slot = 0;
    if (!CLI_ReadSystem(a, "--system", project.GlSystems(), 0, slot, err)) return 2;
    project.GSetSystemZone(slot, z);
  }
  if (hasName) {
    if (z > project.GcZones().GlCount()) project.GxZones().GlCount(z);
    project.GxZones().GsName(z, a.Option("--name"));
  }
  if (!between.empty()) {
    const auto highest = static_cast<int32_t>(zoneA > zoneB ? zoneA : zoneB);
    if (highest > project.GcZones().GlCount()) project.GxZones().GlCount(highest);
    project.GxZones().GeRelation(static_cast<int32_t>(zoneA), static_cast<int32_t>(zoneB), relation);
  }
  if (!MN_SaveProjectTo(project, applyFile)) return 2;
  PrintZones(project, out);
  out << CLI_WrittenLine(applyFile);
  return 0;
}

}  // namespace kova
