#pragma once
// The zones of a project: stages or venues whose air is more or less apart. A project has 1 to
// 16 zones, numbered from 1, each with a name ("Zone 1" …); every system belongs to one zone
// (CSystemInstance::GlZone, zone 1 by default). Between two different zones one relation holds:
//
//  - together: the two zones are one air; every check runs as within one zone;
//  - near (the default): the channels of the two zones keep each system's spacing and the other
//    receiver-side protections (local oscillator, images) from each other, but no
//    intermodulation product is formed across them;
//  - apart: nothing is checked across the two zones; frequencies may be used in both.
//
// "Together" joins zones into groups: the zones connected by a chain of "together" form one
// group, inside which everything is checked as in one zone. Between two groups the strongest
// relation that any zone of the one has with any zone of the other holds: "near" when some pair
// is near, else "apart". So A together B and B near C makes A near C as well, whatever A and C
// were set to; intermodulation products come from the transmitters of one group and are checked
// against that group's channels only.
//
// ZoneLayout is that grouping for the systems in use of a project; a project whose systems in
// use all fall into one group is checked and searched exactly as one without zones.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kova {

// The relation between two different zones.
enum EZoneRelation : int32_t { kZoneTogether = 0, kZoneNear = 1, kZoneApart = 2 };

// "together", "near", "apart"; empty for anything else.
std::string TL_ZoneRelationName(int32_t eRelation);
// The relation named so (exactly, lower case); -1 for anything else.
int32_t TL_ZoneRelationByName(const std::string& name);

class CZones {
 public:
  static constexpr int32_t kMaxZones = 16;

  int32_t GlCount() const { return static_cast<int32_t>(names_.size()); }
  // Sets the number of zones (clamped to 1 … kMaxZones): new zones get the name "Zone k" and are
  // near every other zone; dropped zones take their names and relations with them.
  void GlCount(int32_t lCount);
  // The name of zone lZone (1 … GlCount()); throws std::out_of_range otherwise.
  const std::string& GsName(int32_t lZone) const;
  void GsName(int32_t lZone, std::string sName);
  // The relation between zones a and b (1 … GlCount()); a zone is together with itself. Throws
  // std::out_of_range for a zone that does not exist.
  int32_t GeRelation(int32_t a, int32_t b) const;
  // Sets it (both ways); a relation of a zone with itself or outside the three is ignored.
  void GeRelation(int32_t a, int32_t b, int32_t eRelation);
  // The relation that holds between zones a and b once "together" has joined the zones into
  // groups (see above); a zone with itself is together.
  using RelationTable = std::array<std::array<uint8_t, kMaxZones>, kMaxZones>;
  RelationTable GEffective() const;
  // "Zones a and b: near", with " (acts as R through zones together)" when the groups make
  // the pair act otherwise than set.
  std::string GsPairText(int32_t a, int32_t b, const RelationTable& effective) const;
  // One zone named "Zone 1": what every project without zones has.
  bool GbDefault() const;
  // The name a zone gets by default.
  static std::string DefaultName(int32_t lZone);

  bool operator==(const CZones&) const = default;

 private:
  void CheckZone(int32_t lZone) const;

  std::vector<std::string> names_{DefaultName(1)};
  // relation_[a - 1][b - 1]; the diagonal stays together.
  RelationTable relation_ = NearEverywhere();
  static RelationTable NearEverywhere();
};

// How the systems in use of a project meet, by slot (0 … count - 1).
struct ZoneLayout {
  static constexpr int32_t kSlots = 16;

  int32_t count = 0;   // systems in use
  int32_t groups = 1;  // groups holding a system in use, numbered 0 … groups - 1 in slot order
  std::array<int32_t, kSlots> groupOf{};    // per slot: its group
  std::array<uint32_t, kSlots> members{};   // per group: the slotMask in it (bit s = slot s)
  // Per group: the slotMask whose channels it is checked against for spacing and the receiver-side
  // kinds (its own members and the members of every group near it).
  std::array<uint32_t, kSlots> reach{};
  bool zoned = false;  // the systems in use lie in more than one zone (reports name the zone)

  // One group: checks and searches run as in a project without zones.
  bool Single() const { return groups <= 1; }
  // The group of slot s shares its intermodulation products with slot t.
  bool SameGroup(int32_t s, int32_t t) const { return groupOf[static_cast<size_t>(s)] == groupOf[static_cast<size_t>(t)]; }
  // Slot t's channels are kept from slot s's (same group or near).
  bool Reaches(int32_t s, int32_t t) const {
    return (reach[static_cast<size_t>(groupOf[static_cast<size_t>(s)])] >> t) & 1u;
  }
  // Every slot in use.
  uint32_t AllSlots() const { return count >= 32 ? ~0u : (1u << count) - 1u; }

  // The layout of `count` systems (at most kSlots) standing in zones zoneOf[0 … count - 1], each
  // 1 … zones.GlCount().
  static ZoneLayout Of(const CZones& zones, const int32_t* zoneOf, int32_t count);
};

}  // namespace kova
