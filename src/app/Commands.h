#pragma once
// Start-up and the project commands of the File menu, on the application state. They talk to
// the user only through the platform port; the desktop frame wires them to its menu and close
// handlers.

#include "app/AppState.h"

namespace kova {

inline constexpr const char* kProjectOpenFilter = "KOVA Project (*.kova;*.zel)|*.kova;*.zel";
inline constexpr const char* kProjectSaveFilter = "KOVA Project (*.kova)|*.kova";
inline constexpr const char* kPresetFilter = "KOVA Preset File (*.spg)|*.spg";

// The start-up sequence up to the new project: system data (or the built-in types when none
// could be read, written nowhere), presets (or an empty list), the user's channel tables,
// MN_NewProject. `app.appDir` must be set.
void MN_StartUp(AppState& app);

// With unsaved changes asks "Save the current Project?": Yes saves (File > Save) and continues
// once the file is written, No continues, Cancel stops; a save cancelled in its dialog or failed
// stops too. Without changes continues at once. True = continue.
bool AskSaveProject(AppState& app);

// File > New: after AskSaveProject a new project replaces the current one. False when cancelled.
bool MN_FileNew(AppState& app);
// What File > New does once the question is answered. Always true.
bool MN_ReplaceByNewProject(AppState& app);
// File > Open: after AskSaveProject the Open dialog; the chosen file is loaded. A file that
// cannot be loaded leaves the project, its directory, file name, save target and modified flag
// as they were. True when a project was loaded.
bool MN_FileOpen(AppState& app);
// What File > Open does once the question is answered: the Open dialog and the load.
bool MN_ChooseAndOpenProject(AppState& app);
// What File > Open does with the chosen file: loads TL_AddBackslash(dir) + name, reporting a file
// that cannot be read; a loaded project takes over the directory and file name (and, for a
// ".kova" file, the save target). Refreshes the views. True when a project was loaded.
bool MN_OpenProjectFile(AppState& app, const std::string& dir, const std::string& name);
// File > Save: to the known file when there is one, else Save As. True when the file was written.
bool MN_FileSave(AppState& app);
// File > Save As: the Save dialog, then the project is written there. True when written.
bool MN_FileSaveAs(AppState& app);
// File > Save As Preset: the current system's channels as a preset file. True when written.
bool MN_FileSavePreset(AppState& app);
// File > Exit: true when the program may end (the frame then unloads every window).
bool MN_FileExit(AppState& app);
// The frame is being closed: only a close by the user through the window's own close control
// asks to save. True when the program may end.
bool MN_QueryClose(AppState& app, bool closedByUser);

}  // namespace kova
