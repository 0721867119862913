#pragma once
// The application state: the current project, the lists loaded at start, the proposal
// collection, the change flags and the file the project belongs to. One object lives for the
// whole run of the program; tests create a fresh one each.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/CheckConflict.h"
#include "engine/TcProductTracker.h"
#include "model/CProject.h"
#include "search/CReportInstance.h"
#include "search/ScanExclusions.h"
#include "tools/Tools.h"

namespace kova {

// What the last check of the project found, for the marks of the channel table and the display
// (see app/CheckConflicts.h). The records belong to the project as it was after `changes` of its
// changes (ChangeFlags::changes) and mean nothing once it has changed again.
struct CheckMarks {
  std::vector<CheckConflict> conflicts;
  uint32_t changes = 0;
  bool valid = false;  // a check has run (no conflicts then means compatible)
  bool full = false;   // a full check found them, not one that stops at the first problem
};

struct AppState {
  ProjectRef project;                    // the current project
  std::vector<TypeRef> systems;          // the known receiver system types; [0] is entry 1
  std::vector<MicsRef> presets;          // channel presets; label = preset file name
  std::vector<CountryRef> countries;     // television channel tables: the built-in ones, then the user's
  std::vector<CountryRef> userCountries;  // the user's tables, read from Countries/ at start
  std::vector<std::string> countryErrors; // "FILE.csv: reason" for each file of Countries/ not used
  ReportCollectionRef proposals = std::make_shared<CReportCollection>();
  ChangeFlags flags;                     // project-modified and products-stale
  bool bSaveTarget = false;              // the project has a file Save may use without asking
  std::string projectDir;                // last directory of Open / Save As (empty at start)
  std::string projectFile;               // last file name of Open / Save As (empty at start)
  std::string projectPath;               // the file the project was read from or last written to; empty for a new project
  int32_t highlighted = 0;               // highlighted channel of the current system, 0 = none
  std::string appDir;                    // application directory, with a trailing "/"
  std::vector<ScanPoint> scan;           // the imported venue scan; never saved, gone with New and Open
  CheckMarks marks;                      // the conflicts of the last check
  // The intermodulation products of the project as the display and the silent check last saw
  // it, kept up to date cheaply while one channel moves.
  std::shared_ptr<TcProductTracker> productTracker = std::make_shared<TcProductTracker>();
  // Per system slot, the ranges scans cut out of its search spectrum; gone with New and Open.
  std::array<std::vector<FreqRange>, kMaxSystems> scanCuts;
  // What the search asked of each system when the proposal now in use was found, that project
  // and its change count then: until it changes or another project takes its place, the main
  // window names what it lacks.
  std::vector<SystemRequest> planRequests;
  std::weak_ptr<const CProject> planProject;
  uint32_t planChanges = 0;

  // "SystemData/", "Presets/", "Checks/" and "Countries/" below the application directory.
  std::string SystemDataDir() const { return appDir + "SystemData/"; }
  std::string PresetDir() const { return appDir + "Presets/"; }
  std::string CheckDir() const { return appDir + "Checks/"; }
  std::string CountryDir() const { return appDir + "Countries/"; }
};

// The application directory: $KOVA_HOME when set, else KOVA in the per-user data directory
// ($XDG_DATA_HOME, else ~/.local/share; created when missing), with a trailing "/".
std::string TL_DefaultAppDirectory();

// The current project, as it stands now, is a proposal of a search that asked `requests`.
void MN_NotePlan(AppState& app, std::vector<SystemRequest> requests);
// The current project is, as it stands now, the proposal noted by MN_NotePlan.
bool MN_PlanInUse(const AppState& app);
// The lines naming every system that the proposal in use leaves short of its request (see
// search/Shortfall.h; `why` adds the bound or the reason); empty when the current project is
// not a proposal taken into use as it was, or lacks nothing.
std::string MN_PlanShortfall(const AppState& app, bool why);

// Gives a newly created project the new-project defaults (first type of the system list).
void MN_InitProject(AppState& app, CProject& project);
// Replaces the current project by a new one with the defaults (belonging to no file yet), rebuilds
// the country tables and starts an empty proposal collection.
void MN_NewProject(AppState& app);
// 1-based index of the first system type with the label of the current system's type; 1 if none.
int32_t MN_FindCurrentSystemType(const AppState& app);
// Rebuilds the views of the main window (through the platform port).
void MN_RefreshViews(int mode);

// The seven built-in receiver system types replace the system list.
void MN_InstallDefaultSystems(AppState& app);
// The built-in channel tables, followed by the user's tables, replace the country list.
void MN_BuildCountryTables(AppState& app);
void MN_NewReportCollection(AppState& app);

// Small numeric helpers of the editors.
double MN_Clamp100(double x);
double MN_Clamp1000(double x);
double MN_Clamp10To1000(double x);
bool MN_IsFreqInRange(double x);
bool MN_IsIMCheckType(int32_t t);

}  // namespace kova
