#pragma once
// Channel presets: text files "*.spg" in the preset directory, a title line followed by one
// frequency per line ("0.000", CR LF). In memory each preset is a channel list labelled with
// its file name.

#include <cstdint>
#include <string>

#include "model/CMicInstance.h"
#include <vector>

namespace kova {

inline constexpr const char* kPresetTitle = "KOVA Preset File";

// Reads one preset file into a channel list labelled `label`: every line that begins with a
// number from 0 to 1000 MHz ("," or "." as decimal separator; a line without a number counts as
// 0) becomes a channel "1", "2", ...; the title line is not read as a channel. Reading stops
// after kMaxProjectChannels channels. False when the file cannot be read.
bool MN_ReadPresetFile(const std::string& path, const std::string& label, CMicCollection& preset);

// Rebuilds `presets` from the preset directory `dir` (with a trailing separator); presets
// without a channel are dropped. 0 when the directory holds at least one "*.spg" file, else 1.
int32_t MN_LoadPresets(const std::string& dir, std::vector<MicsRef>& presets);
// The bytes of the preset file of the channels' frequencies.
std::string MN_PresetFileText(const CMicCollection& mics);
// Writes the channels' frequencies as a preset file at `path` through a temporary file; throws
// on failure.
void MN_WritePresetFile(const CMicCollection& mics, const std::string& path);

}  // namespace kova
