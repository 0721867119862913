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

// Shows the Save dialog (`title`, `filter`) starting at `directory` + `fileName`, and gives the
// chosen name the extension `extension` (without the dot) by `rule`. The project's own file
// (AppState::projectPath) is refused with a message, which ends the command; an existing file is
// replaced only after the user agreed (No shows the dialog again). True with `directory` (ending
// in "/") and `fileName` set to the target; false when the user cancelled or the target was
// refused.
bool MN_ChooseExportFile(const AppState& app, const std::string& title, const std::string& filter,
                         const std::string& extension, ExtensionRule rule, std::string& directory,
                         std::string& fileName);

// The name an export offers: the project file's name with `extension`, or `fallback` for a
// project without a file name.
std::string MN_ExportOfferedName(const AppState& app, const std::string& extension, const std::string& fallback);

// True when both paths name the same file (an existing file reached two ways counts as one).
bool MN_SameFile(const std::string& a, const std::string& b);

}  // namespace kova
