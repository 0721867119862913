#include "app/AppState.h"

#include <cstdlib>
#include <filesystem>

#include "files/Defaults.h"
#include "tools/PlatformPort.h"

namespace kova {

std::string TL_DefaultAppDirectory() {
  std::string dir;
  if (const char* home = std::getenv("KOVA_HOME"); home && *home) {
    dir = home;
  } else if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
    dir = std::string(data) + "/KOVA";  // the per-user data directory, as the desktop finds it
  } else if (const char* user = std::getenv("HOME"); user && *user) {
    dir = std::string(user) + "/.local/share/KOVA";
  } else {
    dir = "KOVA";
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return TL_AddBackslash(dir);
}

void MN_InitProject(AppState& app, CProject& project) { MN_InitProject(app.systems, project); }

void MN_NewProject(AppState& app) {
  auto project = std::make_shared<CProject>();
  MN_InitProject(app, *project);
  app.project = project;
  app.projectPath.clear();
  app.scan.clear();
  for (auto& cuts : app.scanCuts) cuts.clear();
  MN_BuildCountryTables(app);
  MN_NewReportCollection(app);
}

void MN_NewReportCollection(AppState& app) {
  app.proposals = std::make_shared<CReportCollection>();
  app.proposals->GDefine();
}

int32_t MN_FindCurrentSystemType(const AppState& app) {
  const std::string& label = app.project->GcCurrSystem()->GcSystemType()->GsGetLabel();
  for (size_t i = 0; i < app.systems.size(); ++i)
    if (app.systems[i]->GsGetLabel() == label) return static_cast<int32_t>(i) + 1;
  return 1;
}

void MN_RefreshViews(int mode) { TL_Port().refreshViews(mode); }

void MN_NotePlan(AppState& app, std::vector<SystemRequest> requests) {
  app.planRequests = std::move(requests);
  app.planProject = app.project;
  app.planChanges = app.flags.changes;
}

bool MN_PlanInUse(const AppState& app) {
  // Once the project changed, its channel counts no longer say what the search found.
  return app.project && app.planProject.lock() == app.project && app.flags.changes == app.planChanges;
}

std::string MN_PlanShortfall(const AppState& app, bool why) {
  if (!MN_PlanInUse(app)) return "";
  return ShortfallLines(*app.project, app.planRequests, true, "", why);
}

void MN_InstallDefaultSystems(AppState& app) { app.systems = MN_DefaultSystems(); }

void MN_BuildCountryTables(AppState& app) {
  app.countries = MN_CountryTables();
  app.countries.insert(app.countries.end(), app.userCountries.begin(), app.userCountries.end());
}

double MN_Clamp100(double x) { return x > 100 ? 100 : (x < 0 ? 0 : x); }
double MN_Clamp1000(double x) { return x > 1000 ? 1000 : (x < 0 ? 0 : x); }
double MN_Clamp10To1000(double x) { return x > 1000 ? 1000 : (x < 10 ? 10 : x); }
bool MN_IsFreqInRange(double x) { return x >= 0 && x <= 1000; }
bool MN_IsIMCheckType(int32_t t) { return t == kCheck2TxIM3 || t == kCheck3TxIM3 || t == kCheck2TxIM5; }

}  // namespace kova
