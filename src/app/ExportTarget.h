#pragma once
// Where an export is written: every command that writes a file other than the project (the text
// report of the project or of proposals, the CSV frequency list, the print document) chooses it
// here, so that no export ever replaces the project's own file or an existing file unasked.

#include <string>

#include "app/AppState.h"

namespace kova {

// How the chosen name gets its extension: added when the name has none, or put in place of
// whatever extension it has.
enum class ExtensionRule { kAddWhenMissing, kReplace };

// Whether a command may write `path`: yes when no file is there or it is `openFile` (the file
// the project was read from or saved to, which needs no question); otherwise it asks
// "NAME already exists. Replace it?" (NAME as TL_ShowName shows the file name) and answers Yes.
bool MN_MayReplace(const std::string& path, const std::string& openFile = "");

// The Save dialog (`title`, `filter`) starting at `directory` + `fileName`, shown again for as
// long as the user declines to replace the chosen file (MN_MayReplace with `openFile`).
// `finalName` turns the chosen name into the name written (its extension rule). True with
// `directory` (ending in "/") and `fileName` set to the target; false when cancelled.
bool MN_ChooseSaveFile(const std::string& title, const std::string& filter, std::string& directory,
                       std::string& fileName, std::string (*finalName)(const std::string&),
                       const std::string& openFile = "");

// The name a Save dialog offers a project that belongs to no file yet: "Project1.kova", or the
// first "ProjectN.kova" that `directory` does not hold.
std::string MN_FreeProjectName(const std::string& directory);

// The file name of the project's own file; empty for a new project (which must never offer the
// name of the project that was open before it).
std::string MN_OpenProjectName(const AppState& app);

// Shows the Save dialog (`title`, `filter`) starting at `directory` + `fileName`, and gives the
// chosen name the extension `extension` (without the dot) by `rule`. The project's own file
// (AppState::projectPath) is refused with a message, which ends the command; an existing file is
// replaced only after the user agreed (MN_MayReplace; No shows the dialog again). True with
// `directory` (ending in "/") and `fileName` set to the target; false when the user cancelled or
// the target was refused.
bool MN_ChooseExportFile(const AppState& app, const std::string& title, const std::string& filter,
                         const std::string& extension, ExtensionRule rule, std::string& directory,
                         std::string& fileName);

// The name an export offers: the project file's name with `extension`, or `fallback` for a
// project without a file.
std::string MN_ExportOfferedName(const AppState& app, const std::string& extension, const std::string& fallback);

// True when both paths name the same file (an existing file reached two ways counts as one).
bool MN_SameFile(const std::string& a, const std::string& b);

}  // namespace kova
