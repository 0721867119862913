#include "reports/FrequencySheet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "model/CSystemType.h"
#include "model/ShownColors.h"

namespace kova {

int32_t MN_SheetZoneOf(const CProject& project, int32_t slot) {
  return std::clamp(project.GcSystem(slot)->GlZone(), 1, project.GcZones().GlCount());
}

bool MN_SheetShowsZones(const CProject& project) { return project.GZoneLayout().zoned; }

std::vector<SheetZone> MN_FrequencySheet(const CProject& project, SheetOrder order) {
  std::map<int32_t, SheetZone> zones;
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const CSystemInstance& system = *project.GcSystem(s);
    const std::string type = system.GcSystemType() ? system.GcSystemType()->GsGetLabel() : std::string();
    const int32_t zone = MN_SheetZoneOf(project, s);
    const CMicCollection& mics = *system.GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i) {
      const MicRef mic = mics.GcItem(i);
      SheetZone& z = zones[zone];
      z.zone = zone;
      z.rows.push_back({zone, s, i, mic->GsGetLabel(), mic->GfGetFreq(), type,
                        TL_ShownChannelColor(project, s, mic->GlGetColor())});
    }
  }
  // A frequency that is not a number (a damaged file) sorts last instead of breaking the order.
  auto key = [](float f) { return std::isnan(f) ? std::numeric_limits<float>::infinity() : f; };
  auto byFrequency = [key](const SheetRow& a, const SheetRow& b) {
    if (key(a.freq) != key(b.freq)) return key(a.freq) < key(b.freq);
    if (a.system != b.system) return a.system < b.system;
    return a.channel < b.channel;
  };
  auto bySystem = [key](const SheetRow& a, const SheetRow& b) {
    if (a.system != b.system) return a.system < b.system;
    if (key(a.freq) != key(b.freq)) return key(a.freq) < key(b.freq);
    return a.channel < b.channel;
  };
  std::vector<SheetZone> sheet;
  for (auto& [zone, z] : zones) {
    if (order == SheetOrder::kByFrequency) std::sort(z.rows.begin(), z.rows.end(), byFrequency);
    else std::sort(z.rows.begin(), z.rows.end(), bySystem);
    sheet.push_back(std::move(z));
  }
  return sheet;
}

}  // namespace kova
