#pragma once
// The application's files as commands: projects, presets and system data read into and written
// from the application state. Failures are reported to the user through the platform port
// ("An Error Occured During <routine>: ...", "Error during load!").

#include <cstdint>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "files/Presets.h"
#include "files/ProjectFile.h"
#include "files/SystemData.h"

namespace kova {

// Writes `project` to TL_AddBackslash(directory) + fileName (after the extension rule) through a
// temporary file. Errors are reported as "An Error Occured During MN_SaveProject: ..."; the
// result tells whether the file was written.
bool MN_SaveProject(const CProject& project, const std::string& directory, const std::string& fileName);
// Writes `project` to `path` exactly as named, reporting errors as MN_SaveProject does (the
// second line of the message names the file and the system's reason).
bool MN_SaveProjectTo(const CProject& project, const std::string& path);

// Reading a project with the application's system list supplying the defaults.
ProjectReadResult MN_ReadProjectBytes(AppState& app, std::vector<char> bytes);
ProjectReadResult MN_ReadProjectFile(AppState& app, const std::string& path);

// Loads TL_AddBackslash(directory) + fileName as the current project. Result 1 when the header
// is not recognised or a record of an old file failed, else 0 (also after a failed record of a
// "KOVA11" file, which "Error during load!" reports). `loaded` (optional) tells whether the
// current project was replaced.
int16_t MN_LoadProject(AppState& app, const std::string& directory, const std::string& fileName,
                       bool* loaded = nullptr);

// The preset list from the preset directory (see the files layer); 0 when a preset file exists.
int32_t MN_LoadPresets(AppState& app);
void MN_ClearPresets(AppState& app);
// Writes the channels' frequencies as a preset file TL_AddBackslash(directory) + fileName (the
// name used as given). Errors are reported as "An Error Occured During MN_SavePresets: ...";
// the result tells whether the file was written.
bool MN_SavePresets(const CMicCollection& mics, const std::string& directory, const std::string& fileName);

// The system list from the system-data directory; 1 (list unchanged) when no type was read.
int32_t MN_LoadSystemData(AppState& app);
// Writes the system list to the system-data directory. Errors are reported as "An Error Occured
// During MN_SaveSystemData: ..."; the result tells whether all files were written.
bool MN_SaveSystemData(AppState& app);

}  // namespace kova
