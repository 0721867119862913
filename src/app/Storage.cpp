#include "app/Storage.h"

#include <exception>

#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

bool MN_SaveProject(const CProject& project, const std::string& directory, const std::string& fileName) {
  return MN_SaveProjectTo(project, TL_AddBackslash(directory) + MN_ProjectFileName(fileName));
}

bool MN_SaveProjectTo(const CProject& project, const std::string& path) {
  try {
    MN_WriteProjectFile(project, path);
    return true;
  } catch (const std::exception& e) {
    TL_ReportError("MN_SaveProject", e);
    return false;
  }
}

ProjectReadResult MN_ReadProjectBytes(AppState& app, std::vector<char> bytes) {
  return MN_ReadProjectBytes(app.systems, std::move(bytes));
}

ProjectReadResult MN_ReadProjectFile(AppState& app, const std::string& path) {
  return MN_ReadProjectFile(app.systems, path);
}

int16_t MN_LoadProject(AppState& app, const std::string& directory, const std::string& fileName, bool* loaded) {
  if (loaded) *loaded = false;
  const std::string path = TL_AddBackslash(directory) + fileName;
  ProjectReadResult r = MN_ReadProjectFile(app, path);
  switch (r.status) {
    case ProjectReadStatus::kUnreadable:
    case ProjectReadStatus::kBadHeader:
      return 1;
    case ProjectReadStatus::kBadRecord:
      // The file and the reason on a second line.
      TL_ShowInfo("Error during load!\n" + TL_ShowName(path) + ": " +
                  (r.tooManyChannels ? "more than " + TL_GroupedNumber(kMaxProjectChannels) +
                                           " channels (a project holds at most " +
                                           TL_GroupedNumber(kMaxProjectChannels) + ")"
                                     : std::string("damaged or truncated project")));
      return r.oldFormat ? 1 : 0;
    case ProjectReadStatus::kLoaded:
      break;
  }
  if (r.oldFormat && r.oldVersion == 1)
    TL_ShowInfo("Old project file without search spectrum - existing spectrum will not be replaced.");
  app.project = r.project;
  if (loaded) *loaded = true;
  return 0;
}

int32_t MN_LoadPresets(AppState& app) { return MN_LoadPresets(app.PresetDir(), app.presets); }

void MN_ClearPresets(AppState& app) { app.presets.clear(); }

bool MN_SavePresets(const CMicCollection& mics, const std::string& directory, const std::string& fileName) {
  try {
    MN_WritePresetFile(mics, TL_AddBackslash(directory) + fileName);
    return true;
  } catch (const std::exception& e) {
    TL_ReportError("MN_SavePresets", e);
    return false;
  }
}

int32_t MN_LoadSystemData(AppState& app) { return MN_LoadSystemData(app.SystemDataDir(), app.systems); }

bool MN_SaveSystemData(AppState& app) {
  try {
    MN_WriteSystemData(app.SystemDataDir(), app.systems);
    return true;
  } catch (const std::exception& e) {
    TL_ReportError("MN_SaveSystemData", e);
    return false;
  }
}

}  // namespace kova
