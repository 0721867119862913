#pragma once
// The channels Generate asks of each system ("Add channels") in the project file: an optional
// block after the project record (and after the zone block when there is one), written only when
// a system in use asks other than kDefaultAddCount, so that a project at the defaults is written
// byte for byte as before. Readers that do not know the block ignore it.
//
// Layout (little-endian, no padding):
//   8 bytes   fixed text "KOVAADDS"
//   int32     length of the rest of the block in bytes
//   int32     version = 0
//   int32     system count: that of the project record
//   per system, in record order: int32 channels to add (0 … kMaxAddCount)
//
// Read as strictly as the zone block (files/ZoneBlock.h), which also finds it by its tag.

#include "model/CProject.h"

namespace kova {

class BinaryReader;
class BinaryWriter;

inline constexpr char kAddCountTag[] = "KOVAADDS";

// Whether a system in use asks other than the default.
bool MN_HasAddCountBlock(const CProject& project);
// Appends the block when the project needs it.
void MN_WriteAddCountBlock(BinaryWriter& file, const CProject& project);
// Reads the block's body (everything after its length) into `project`; false when it is bad.
bool MN_ReadAddCountBody(BinaryReader& file, CProject& project);

}  // namespace kova
