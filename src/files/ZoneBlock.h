#pragma once
// The zones of a project in its file: an optional block after the project record, written only
// when the project has more than its one default zone, so that a project without zones is
// written byte for byte as before. Readers that do not know the block ignore it with the other
// bytes after the last record.
//
// Layout (little-endian, no padding):
//   8 bytes   fixed text "KOVAZONE"
//   int32     length of the rest of the block in bytes
//   int32     version = 0
//   int32     zone count Z (1 … 16)
//   Z         counted strings: the zones' names, zone 1 first
//   int32     system count: that of the project record
//   per system, in record order: int32 its zone (1 … Z)
//   per pair of zones a < b (a = 1 … Z, b = a + 1 … Z): int32 relation (0 together, 1 near,
//             2 apart)
//
// The block is read strictly: a block that is cut short, holds a value out of range or whose
// length does not match what it holds makes the file unreadable. Bytes after the record that do
// not begin the block (or, when fewer than its tag, are not the beginning of its tag) are
// ignored as ever. A second block may follow it: the channels Generate asks of each system
// (files/AddCountBlock.h); the blocks are found by their tags.

#include "model/CProject.h"

namespace kova {

class BinaryReader;
class BinaryWriter;

// Whether the project needs the block: more than one zone, zone 1 renamed, or a system in use
// outside zone 1.
bool MN_HasZoneBlock(const CProject& project);
// Appends the block when the project needs it.
void MN_WriteZoneBlock(BinaryWriter& file, const CProject& project);
// Reads the optional blocks, if any, at the reader's position (just after the project record)
// into `project`: the zones and the channels to add, each at most once, in any order. False when
// a block is there and is bad.
bool MN_ReadZoneBlock(BinaryReader& file, CProject& project);

}  // namespace kova
