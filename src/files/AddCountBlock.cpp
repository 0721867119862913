#include "files/AddCountBlock.h"

#include <vector>

#include "tools/BinaryFile.h"

namespace kova {

bool MN_HasAddCountBlock(const CProject& project) {
  for (int32_t s = 0; s < project.GlSystems(); ++s)
    if (project.GcSystem(s)->GlAddCount() != kDefaultAddCount) return true;
  return false;
}

void MN_WriteAddCountBlock(BinaryWriter& file, const CProject& project) {
  if (!MN_HasAddCountBlock(project)) return;
  BinaryWriter body;
  body.WriteInt32(0);
  body.WriteInt32(project.GlSystems());
  for (int32_t s = 0; s < project.GlSystems(); ++s) body.WriteInt32(project.GcSystem(s)->GlAddCount());
  const std::vector<char> bytes = body.Bytes();
  file.WriteFixed(kAddCountTag);
  file.WriteInt32(static_cast<int32_t>(bytes.size()));
  file.WriteRaw(bytes.data(), bytes.size());
}

bool MN_ReadAddCountBody(BinaryReader& file, CProject& project) {
  int32_t version = 0, systems = 0;
  if (!file.ReadInt32(version) || version != 0) return false;
  if (!file.ReadInt32(systems) || systems != project.GlSystems()) return false;
  std::vector<int32_t> counts(static_cast<size_t>(systems));
  for (int32_t& n : counts)
    if (!file.ReadInt32(n) || n < 0 || n > kMaxAddCount) return false;
  for (int32_t s = 0; s < systems; ++s) project.GcSystem(s)->GlAddCount(counts[static_cast<size_t>(s)]);
  return true;
}

}  // namespace kova
