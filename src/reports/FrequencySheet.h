#pragma once
// The frequency sheet: one line per channel of every used system (zone, system, label,
// frequency, type and the colour the channel is shown in), sorted by frequency or by system,
// one table per zone. It is the page handed to the people who tune the transmitters.

#include <cstdint>
#include <string>
#include <vector>

#include "model/CProject.h"

namespace kova {

enum class SheetOrder { kByFrequency, kBySystem };

struct SheetRow {
  int32_t zone = 1;    // 1-based
  int32_t system = 0;  // slot, 0-based
  int32_t channel = 0; // position in the system's list, 1-based
  std::string label;
  float freq = 0.0f;
  std::string type;    // label of the system's type
  int32_t color = 0;   // the colour the channel is shown in
};

// The zones of a sheet, each with its rows in the order asked: by frequency (then system and
// list position), or by system (then frequency and list position). Zones come in ascending
// order; a zone without channels has no entry.
struct SheetZone {
  int32_t zone = 1;
  std::vector<SheetRow> rows;
};
std::vector<SheetZone> MN_FrequencySheet(const CProject& project, SheetOrder order);

// True when the systems of the project lie in more than one zone, so the sheet names the zone
// of each line.
bool MN_SheetShowsZones(const CProject& project);

// The zone of system `slot`.
int32_t MN_SheetZoneOf(const CProject& project, int32_t slot);

}  // namespace kova
