#include "files/ZoneBlock.h"

#include <cstring>
#include <string>

#include "files/AddCountBlock.h"
#include "tools/BinaryFile.h"

namespace kova {

namespace {

constexpr char kZoneTag[] = "KOVAZONE";
constexpr size_t kZoneTagSize = sizeof kZoneTag - 1;

// The block's body: everything after the length.
std::vector<char> ZoneBody(const CProject& project) {
  BinaryWriter body;
  const CZones& zones = project.GcZones();
  const int32_t count = zones.GlCount();
  body.WriteInt32(0);
  body.WriteInt32(count);
  for (int32_t z = 1; z <= count; ++z) TL_WriteString(body, zones.GsName(z));
  body.WriteInt32(project.GlSystems());
  for (int32_t s = 0; s < project.GlSystems(); ++s) body.WriteInt32(project.GcSystem(s)->GlZone());
  for (int32_t a = 1; a <= count; ++a)
    for (int32_t b = a + 1; b <= count; ++b) body.WriteInt32(zones.GeRelation(a, b));
  return body.Bytes();
}

bool ReadBody(BinaryReader& file, CProject& project) {
  int32_t version = 0, count = 0, systems = 0;
  if (!file.ReadInt32(version) || version != 0) return false;
  if (!file.ReadInt32(count) || count < 1 || count > CZones::kMaxZones) return false;
  CZones zones;
  zones.GlCount(count);
  for (int32_t z = 1; z <= count; ++z) {
    std::string name;
    if (TL_ReadString(file, name) != 0) return false;
    zones.GsName(z, std::move(name));
  }
  if (!file.ReadInt32(systems) || systems != project.GlSystems()) return false;
  std::vector<int32_t> zoneOf(static_cast<size_t>(systems));
  for (int32_t& zone : zoneOf)
    if (!file.ReadInt32(zone) || zone < 1 || zone > count) return false;
  for (int32_t a = 1; a <= count; ++a) {
    for (int32_t b = a + 1; b <= count; ++b) {
      int32_t relation = 0;
      if (!file.ReadInt32(relation) || relation < kZoneTogether || relation > kZoneApart) return false;
      zones.GeRelation(a, b, relation);
    }
  }
  project.GxZones() = zones;
  for (int32_t s = 0; s < systems; ++s) project.GcSystem(s)->GlZone(zoneOf[static_cast<size_t>(s)]);
  return true;
}

}  // namespace

bool MN_HasZoneBlock(const CProject& project) {
  if (!project.GcZones().GbDefault()) return true;
  for (int32_t s = 0; s < project.GlSystems(); ++s)
    if (project.GcSystem(s)->GlZone() != 1) return true;
  return false;
}

void MN_WriteZoneBlock(BinaryWriter& file, const CProject& project) {
  if (!MN_HasZoneBlock(project)) return;
  const std::vector<char> body = ZoneBody(project);
  file.WriteFixed(kZoneTag);
  file.WriteInt32(static_cast<int32_t>(body.size()));
  file.WriteRaw(body.data(), body.size());
}

bool MN_ReadZoneBlock(BinaryReader& file, CProject& project) {
  static_assert(sizeof kAddCountTag - 1 == kZoneTagSize, "the blocks' tags are alike in length");
  bool zones = false, counts = false;
  for (;;) {
    const size_t rest = file.Remaining();
    if (rest == 0) return true;
    std::string tag;
    if (rest < kZoneTagSize) {
      // Too short for a block: only the beginning of a tag means a block cut short.
      file.ReadFixed(rest, tag);
      return std::memcmp(tag.data(), kZoneTag, rest) != 0 && std::memcmp(tag.data(), kAddCountTag, rest) != 0;
    }
    file.ReadFixed(kZoneTagSize, tag);
    bool* seen = tag == kZoneTag ? &zones : tag == kAddCountTag ? &counts : nullptr;
    if (!seen || *seen) return true;  // other bytes after the record: ignored
    *seen = true;
    int32_t length = 0;
    if (!file.ReadInt32(length) || length < 0 || static_cast<size_t>(length) > file.Remaining()) return false;
    const size_t end = file.Position() + static_cast<size_t>(length);
    const bool read = seen == &zones ? ReadBody(file, project) : MN_ReadAddCountBody(file, project);
    if (!read || file.Failed() || file.Position() != end) return false;
  }
}

}  // namespace kova
