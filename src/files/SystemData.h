#pragma once
// System-data files: one receiver system type per file "<file name>.wsd" in the system-data
// directory, a file header ("ZELTA1", "sd") followed by the type's record.

#include <cstdint>
#include <string>
#include <vector>

#include "model/CSystemType.h"

namespace kova {

// The complete bytes of the system-data file of `type`.
std::vector<char> MN_SystemDataBytes(const CSystemType& type);
// The file name of a type's system-data file: its file name with path separators replaced by
// "-" (the file must stay inside the directory), followed by ".wsd".
std::string MN_SystemDataFileName(const CSystemType& type);

// Rebuilds `systems` from the system-data directory `dir` (with a trailing separator), in name
// order. The header of a file is not examined; a file whose type record cannot be read
// completely, or whose tuning bands lie outside 0 to 1000 MHz, is skipped. 0 when at least one type was read; 1 otherwise, and `systems` is then
// left as it was (the caller installs the built-in types).
int32_t MN_LoadSystemData(const std::string& dir, std::vector<TypeRef>& systems);

// Writes every type of `systems` (tuning bands sorted ascending) to its file in `dir`, creating
// the directory when missing, then removes every other "*.wsd" file (names compared without
// regard to letter case). Throws on failure; after a failed write no file is removed.
void MN_WriteSystemData(const std::string& dir, const std::vector<TypeRef>& systems);

}  // namespace kova
