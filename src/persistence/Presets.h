#pragma once
// Channel presets: text files "*.spg" in the preset directory, a title line followed by one
// frequency per line ("0.000", CR LF). In memory each preset is a channel list labelled with
// its file name.

#include <cstdint>
#include <string>

#include "model/CMicInstance.h"
#include "persistence/AppState.h"

namespace kova {

inline constexpr const char* kPresetTitle = "KOVA Preset File";

// Reads one preset file into a channel list labelled `label`: every line that begins with a
// number from 0 to 1000 MHz ("," or "." as decimal separator; a line without a number counts as
// 0) becomes a channel "1", "2", ...; the title line is not read as a channel. False when the
// file cannot be read.
bool MN_ReadPresetFile(const std::string& path, const std::string& label, CMicCollection& preset);

// Rebuilds the preset list from the preset directory; presets without a channel are dropped.
// 0 when the directory holds at least one "*.spg" file, else 1.
int32_t MN_LoadPresets(AppState& app);
void MN_ClearPresets(AppState& app);
// Writes the channels' frequencies as a preset file TL_AddBackslash(directory) + fileName (the
// name used as given). Errors are reported as "An Error Occured During MN_SavePresets: ...";
// the result tells whether the file was written.
bool MN_SavePresets(const CMicCollection& mics, const std::string& directory, const std::string& fileName);

}  // namespace kova
