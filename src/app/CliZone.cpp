// kova-cli zone: the zones of a project shown, a system put into a zone, a zone named, or the
// relation between two zones set; the changed project is then saved under another name.

#include <ostream>
#include <string>

#include "app/CliSupport.h"
#include "app/Storage.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// A plain decimal number from low to high.
bool ReadNumber(const std::string& text, int32_t low, int32_t high, int32_t& value) {
  for (int32_t k = low; k <= high; ++k) {
    if (text != TL_Str(k)) continue;
    value = k;
    return true;
  }
  return false;
}

bool ReadZone(const std::string& text, const std::string& what, int32_t& zone, std::ostream& err) {
  if (ReadNumber(text, 1, CZones::kMaxZones, zone)) return true;
  err << "kova-cli: " << what << " must be a zone from 1 to " << CZones::kMaxZones << ", not '" << text << "'\n";
  return false;
}

void PrintZones(const CProject& project, std::ostream& out) {
  const CZones& zones = project.GcZones();
  for (int32_t z = 1; z <= zones.GlCount(); ++z) {
    out << "Zone " << z << ": " << zones.GsName(z) << "\n";
    bool any = false;
    for (int32_t s = 0; s < project.GlSystems(); ++s) {
      const CSystemInstance& system = *project.GcSystem(s);
      if (system.GlZone() != z) continue;
      any = true;
      out << "  System #" << s + 1 << " (--system " << s << "): " << system.GcSystemType()->GsGetLabel()
          << ", " << system.GcMics()->GCount() << (system.GcMics()->GCount() == 1 ? " channel\n" : " channels\n");
    }
    if (!any) out << "  no system\n";
  }
  // Each pair as set, and how it acts where "together" joins zones into one air.
  const CZones::RelationTable effective = zones.GEffective();
  for (int32_t a = 1; a <= zones.GlCount(); ++a) {
    for (int32_t b = a + 1; b <= zones.GlCount(); ++b) out << zones.GsPairText(a, b, effective) << "\n";
  }
}

bool Save(const CProject& project, const std::string& path) {
  const std::string dir = TL_GetDirectory(path) == path ? "" : TL_GetDirectory(path);
  return MN_SaveProject(project, dir, TL_GetFileName(path));
}

}  // namespace

int CLI_Zone(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  // --between takes three values: the two zones and the relation.
  std::vector<std::string> between;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--between") continue;
    const auto given = [&](size_t k) { return i + k < args.size() && args[i + k].rfind("--", 0) != 0; };
    if (!between.empty() || !given(1) || !given(2) || !given(3)) {
      err << "kova-cli: option --between needs two zones and together, near or apart\n";
      return 2;
    }
    between.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.begin() + static_cast<std::ptrdiff_t>(i) + 4);
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
  if (!changes) {
    if (!applyFile.empty()) {
      err << "kova-cli: zone --apply needs --system K --zone Z, --zone Z --name TEXT or --between A B RELATION\n";
      return 2;
    }
  } else {
    if (!between.empty() && (hasSystem || hasZone || hasName)) {
      err << "kova-cli: zone --between cannot be combined with --system, --zone or --name\n";
      return 2;
    }
    if (between.empty() && !hasZone) {
      err << "kova-cli: zone needs --zone Z with --system K or --name TEXT\n";
      return 2;
    }
    if (between.empty() && !hasSystem && !hasName) {
      err << "kova-cli: zone --zone Z needs --system K or --name TEXT\n";
      return 2;
    }
    if (applyFile.empty()) {
      err << "kova-cli: zone needs --apply OUT (the project file to write) to change the zones\n";
      return 2;
    }
  }

  // Everything that can be told without the project first.
  int32_t zone = 0, zoneA = 0, zoneB = 0, relation = -1;
  if (hasZone && !ReadZone(a.Option("--zone"), "option --zone", zone, err)) return 2;
  if (!between.empty()) {
    if (!ReadZone(between[0], "option --between", zoneA, err) || !ReadZone(between[1], "option --between", zoneB, err))
      return 2;
    if (zoneA == zoneB) {
      err << "kova-cli: option --between needs two different zones\n";
      return 2;
    }
    relation = TL_ZoneRelationByName(between[2]);
    if (relation < 0) {
      err << "kova-cli: option --between needs together, near or apart, not '" << between[2] << "'\n";
      return 2;
    }
  }

  AppState app;
  if (!CLI_LoadProject(a, app, err)) return 2;
  CProject& project = *app.project;
  if (!changes) {
    PrintZones(project, out);
    return 0;
  }
  if (hasSystem) {
    int32_t slot = 0;
    if (!ReadNumber(a.Option("--system"), 0, project.GlSystems() - 1, slot)) {
      err << "kova-cli: option --system must be a system of the project, 0 to " << project.GlSystems() - 1
          << ", not '" << a.Option("--system") << "'\n";
      return 2;
    }
    project.GSetSystemZone(slot, zone);
  }
  if (hasName) {
    if (zone > project.GcZones().GlCount()) project.GxZones().GlCount(zone);
    project.GxZones().GsName(zone, a.Option("--name"));
  }
  if (!between.empty()) {
    const int32_t highest = zoneA > zoneB ? zoneA : zoneB;
    if (highest > project.GcZones().GlCount()) project.GxZones().GlCount(highest);
    project.GxZones().GeRelation(zoneA, zoneB, relation);
  }
  PrintZones(project, out);
  return Save(project, applyFile) ? 0 : 2;
}

}  // namespace kova
