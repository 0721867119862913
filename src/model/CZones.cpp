#include "model/CZones.h"

#include <algorithm>
#include <stdexcept>

namespace kova {

std::string TL_ZoneRelationName(int32_t eRelation) {
  switch (eRelation) {
    case kZoneTogether: return "together";
    case kZoneNear: return "near";
    case kZoneApart: return "apart";
    default: return "";
  }
}

int32_t TL_ZoneRelationByName(const std::string& name) {
  for (int32_t e : {kZoneTogether, kZoneNear, kZoneApart})
    if (name == TL_ZoneRelationName(e)) return e;
  return -1;
}

std::string CZones::DefaultName(int32_t lZone) { return "Zone " + std::to_string(lZone); }

CZones::RelationTable CZones::NearEverywhere() {
  RelationTable r{};
  for (size_t a = 0; a < kMaxZones; ++a)
    for (size_t b = 0; b < kMaxZones; ++b) r[a][b] = a == b ? kZoneTogether : kZoneNear;
  return r;
}

void CZones::CheckZone(int32_t lZone) const {
  if (lZone < 1 || lZone > GlCount()) throw std::out_of_range("Subscript out of range");
}

void CZones::GlCount(int32_t lCount) {
  lCount = std::clamp(lCount, 1, kMaxZones);
  const int32_t old = GlCount();
  names_.resize(static_cast<size_t>(lCount));
  for (int32_t z = old + 1; z <= lCount; ++z) {
    names_[static_cast<size_t>(z - 1)] = DefaultName(z);
    // A zone added again starts near every other, whatever it was before it was dropped.
    for (int32_t o = 1; o <= kMaxZones; ++o) {
      if (o == z) continue;
      relation_[static_cast<size_t>(z - 1)][static_cast<size_t>(o - 1)] = kZoneNear;
      relation_[static_cast<size_t>(o - 1)][static_cast<size_t>(z - 1)] = kZoneNear;
    }
  }
}

const std::string& CZones::GsName(int32_t lZone) const {
  CheckZone(lZone);
  return names_[static_cast<size_t>(lZone - 1)];
}

void CZones::GsName(int32_t lZone, std::string sName) {
  CheckZone(lZone);
  names_[static_cast<size_t>(lZone - 1)] = std::move(sName);
}

int32_t CZones::GeRelation(int32_t a, int32_t b) const {
  CheckZone(a);
  CheckZone(b);
  return relation_[static_cast<size_t>(a - 1)][static_cast<size_t>(b - 1)];
}

void CZones::GeRelation(int32_t a, int32_t b, int32_t eRelation) {
  CheckZone(a);
  CheckZone(b);
  if (a == b || eRelation < kZoneTogether || eRelation > kZoneApart) return;
  relation_[static_cast<size_t>(a - 1)][static_cast<size_t>(b - 1)] = static_cast<uint8_t>(eRelation);
  relation_[static_cast<size_t>(b - 1)][static_cast<size_t>(a - 1)] = static_cast<uint8_t>(eRelation);
}

std::string CZones::GsPairText(int32_t a, int32_t b, const RelationTable& effective) const {
  const int32_t set = GeRelation(a, b);
  const int32_t acts = effective[static_cast<size_t>(a - 1)][static_cast<size_t>(b - 1)];
  std::string text = "Zones " + std::to_string(a) + " and " + std::to_string(b) + ": " + TL_ZoneRelationName(set);
  if (acts != set) text += " (acts as " + TL_ZoneRelationName(acts) + " through zones together)";
  return text;
}

bool CZones::GbDefault() const {
  // Relations beyond the zones in use are not part of the project: they are reset when a zone
  // is added again.
  return GlCount() == 1 && names_[0] == DefaultName(1);
}

CZones::RelationTable CZones::GEffective() const {
  const int32_t count = GlCount();
  // Groups: the components of "together" over all zones (a chain may run through a zone
  // without systems), each named by its lowest zone.
  std::array<int32_t, kMaxZones> group{};
  for (int32_t z = 0; z < count; ++z) group[static_cast<size_t>(z)] = z;
  for (bool joined = true; joined;) {
    joined = false;
    for (size_t a = 0; a < static_cast<size_t>(count); ++a)
      for (size_t b = a + 1; b < static_cast<size_t>(count); ++b)
        if (relation_[a][b] == kZoneTogether && group[a] != group[b]) {
          group[a] = group[b] = std::min(group[a], group[b]);
          joined = true;
        }
  }
  // Between two groups: near when any pair of their zones is near, else apart.
  RelationTable between{};
  for (auto& row : between) row.fill(kZoneApart);
  for (size_t a = 0; a < static_cast<size_t>(count); ++a)
    for (size_t b = 0; b < static_cast<size_t>(count); ++b)
      if (relation_[a][b] == kZoneNear) between[static_cast<size_t>(group[a])][static_cast<size_t>(group[b])] = kZoneNear;
  RelationTable effective{};
  for (size_t a = 0; a < static_cast<size_t>(count); ++a)
    for (size_t b = 0; b < static_cast<size_t>(count); ++b)
      effective[a][b] = group[a] == group[b] ? static_cast<uint8_t>(kZoneTogether)
                                             : between[static_cast<size_t>(group[a])][static_cast<size_t>(group[b])];
  return effective;
}

ZoneLayout ZoneLayout::Of(const CZones& zones, const int32_t* zoneOf, int32_t count) {
  ZoneLayout layout;
  layout.count = std::clamp(count, 0, kSlots);
  const size_t n = static_cast<size_t>(layout.count);
  layout.groups = n > 0 ? 1 : 0;
  layout.members[0] = layout.AllSlots();
  layout.reach[0] = layout.AllSlots();
  bool oneZone = true;
  for (size_t s = 1; s < n; ++s) oneZone = oneZone && zoneOf[s] == zoneOf[0];
  if (oneZone) return layout;
  layout.zoned = true;

  const CZones::RelationTable effective = zones.GEffective();
  auto relation = [&](size_t s, size_t t) {
    return effective[static_cast<size_t>(zoneOf[s] - 1)][static_cast<size_t>(zoneOf[t] - 1)];
  };
  // Groups with systems in use, numbered in slot order, each known by its first slot.
  std::array<size_t, kSlots> first{};
  layout.groups = 0;
  layout.members.fill(0);
  layout.reach.fill(0);
  for (size_t s = 0; s < n; ++s) {
    int32_t g = 0;
    while (g < layout.groups && relation(first[static_cast<size_t>(g)], s) != kZoneTogether) ++g;
    if (g == layout.groups) first[static_cast<size_t>(layout.groups++)] = s;
    layout.groupOf[s] = g;
    layout.members[static_cast<size_t>(g)] |= 1u << s;
  }
  for (int32_t g = 0; g < layout.groups; ++g)
    for (size_t t = 0; t < n; ++t)
      if (relation(first[static_cast<size_t>(g)], t) != kZoneApart) layout.reach[static_cast<size_t>(g)] |= 1u << t;
  return layout;
}

}  // namespace kova
