#include "app/Commands.h"

#include <filesystem>

#include "app/ExportTarget.h"
#include "app/RegionCommands.h"
#include "app/Storage.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

void MN_StartUp(AppState& app) {
  if (MN_LoadSystemData(app) != 0) MN_InstallDefaultSystems(app);
  if (MN_LoadPresets(app) != 0) MN_ClearPresets(app);
  MN_LoadUserCountries(app);
  MN_NewProject(app);
}

bool AskSaveProject(AppState& app) {
  if (!app.flags.projectModified) return true;
  switch (TL_AskYesNoCancel("Save the current Project?")) {
    case kYes:
      // A save that was cancelled or failed stops the command: going on would drop the work.
      return MN_FileSave(app);
    case kNo:
      return true;
    default:
      return false;
  }
}

bool MN_FileNew(AppState& app) { return AskSaveProject(app) && MN_ReplaceByNewProject(app); }

bool MN_ReplaceByNewProject(AppState& app) {
  MN_NewProject(app);
  app.highlighted = 0;
  TL_SetChanged(app.flags, false, true, false, false);
  app.bSaveTarget = false;
  MN_RefreshViews(2);
  return true;
}

namespace {

// Start directory and file name of the project dialogs.
void DialogStart(const AppState& app, const std::string& pattern, std::string& dir, std::string& name) {
  dir = app.projectDir.empty() ? app.appDir : app.projectDir;
  name = app.projectFile.empty() ? pattern : app.projectFile;
}

}  // namespace

bool MN_FileOpen(AppState& app) { return AskSaveProject(app) && MN_ChooseAndOpenProject(app); }

bool MN_ChooseAndOpenProject(AppState& app) {
  std::string dir, name;
  DialogStart(app, "*.kova;*.zel", dir, name);
  int filterIndex = 1;
  if (TL_OpenFileDialog("Open Project", dir, name, kProjectOpenFilter, filterIndex) == 0) return false;
  return MN_OpenProjectFile(app, dir, name);
}

bool MN_OpenProjectFile(AppState& app, const std::string& dir, const std::string& name) {
  bool loaded = false;
  if (MN_LoadProject(app, dir, name, &loaded) == 1) TL_ShowInfo("Cannot read file: old or bad file format!");
  if (loaded) {
    // Only a project that was read takes over the file: after a failed load a later Save must
    // not write the old project over the file that failed.
    app.projectDir = dir;
    app.projectFile = name;
    app.projectPath = TL_AddBackslash(dir) + name;
    if (TL_ToLower(TL_GetExtension(name)) == "kova") app.bSaveTarget = true;
    TL_SetChanged(app.flags, false, true, false, false);
    app.highlighted = 0;
    app.scan.clear();
    for (auto& cuts : app.scanCuts) cuts.clear();
  }
  MN_RefreshViews(2);
  return loaded;
}

bool MN_FileSave(AppState& app) {
  if (!app.bSaveTarget) return MN_FileSaveAs(app);
  // The save target is the open file, except after opening an old ".zel" file: its ".kova"
  // twin may be another project, replaced only when the user says so (No: the Save dialog).
  const std::string target = TL_AddBackslash(app.projectDir) + MN_ProjectFileName(app.projectFile);
  if (!MN_MayReplace(target, app.projectPath)) return MN_FileSaveAs(app);
  if (!MN_SaveProject(*app.project, app.projectDir, app.projectFile)) return false;
  app.projectPath = TL_AddBackslash(app.projectDir) + MN_ProjectFileName(app.projectFile);
  TL_SetChanged(app.flags, false, false, true, false);
  return true;
}

bool MN_FileSaveAs(AppState& app) {
  std::string dir, name;
  DialogStart(app, "*.kova", dir, name);
  // A new project offers a free name of its own, never that of the project open before it.
  if (app.projectPath.empty()) name = MN_FreeProjectName(dir);
  // Only the open project's own file is written over without a question.
  if (!MN_ChooseSaveFile("Save Project As", kProjectSaveFilter, dir, name, MN_ProjectFileName, app.projectPath))
    return false;
  app.bSaveTarget = true;
  app.projectDir = dir;
  app.projectFile = name;
  // The project counts as saved only once the file is written.
  if (!MN_SaveProject(*app.project, dir, name)) return false;
  app.projectPath = TL_AddBackslash(dir) + MN_ProjectFileName(name);
  TL_SetChanged(app.flags, false, false, true, false);
  return true;
}

bool MN_FileSavePreset(AppState& app) {
  std::string dir = app.PresetDir();
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string name = "*.spg";
  if (!MN_ChooseSaveFile("Save Channels As Preset", kPresetFilter, dir, name, nullptr)) return false;
  return MN_SavePresets(*app.project->GcCurrSystem()->GcMics(), dir, name);
}

bool MN_FileExit(AppState& app) { return AskSaveProject(app); }

bool MN_QueryClose(AppState& app, bool closedByUser) { return !closedByUser || AskSaveProject(app); }

}  // namespace kova
