#include "engine/Margin.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/CheckKinds.h"
#include "engine/IMGeneration.h"
#include "engine/TcIMFrequencyBuffer.h"

namespace kova {

namespace {

struct Product {
  float f;
  int32_t mic;  // first source: for the spacing kind the channel itself
  int32_t sys;
};

// Lowers `margin` to the room the channels of the systems in `slotMask` keep from the products of
// `buffers`.
void LowerMargin(const CProject& project, uint32_t slotMask, std::initializer_list<const TcIMFrequencyBuffer*> buffers,
                 std::optional<double>& margin) {
  // The products of each check kind, ascending, so that the nearest one to a channel is found
  // by a binary search.
  std::array<std::vector<Product>, KindTable::kKinds> byKind;
  for (const TcIMFrequencyBuffer* buffer : buffers) {
    for (const TcIMFrequency& item : buffer->Items()) {
      const float f = item.GfFreq();
      if (f == 0.0f || std::isnan(f)) continue;  // such a product never counts in the check either
      byKind[static_cast<size_t>(item.GGetBWDType())].push_back({f, item.GlMicNr(0), item.GlSysNr(0)});
    }
  }
  for (auto& products : byKind)
    std::sort(products.begin(), products.end(), [](const Product& a, const Product& b) { return a.f < b.f; });

  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    if (!((slotMask >> s) & 1u)) continue;
    const KindTable table(*project.GcSystem(s)->GcSystemType());
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m) {
      const float f = mics.GcItem(m)->GfGetFreq();
      for (int32_t k = 1; k < KindTable::kKinds; ++k) {
        const std::vector<Product>& products = byKind[static_cast<size_t>(k)];
        if (!table.on[k] || products.empty()) continue;
        // The nearest product is next to where f would go; the channel's own frequency (at most
        // one entry, at f) is passed over, so one more neighbour is looked at.
        const auto at = std::lower_bound(products.begin(), products.end(), f,
                                         [](const Product& p, float value) { return p.f < value; });
        const auto from = at - std::min<std::ptrdiff_t>(at - products.begin(), 1);
        const auto to = at + std::min<std::ptrdiff_t>(products.end() - at, 2);
        for (auto p = from; p != to; ++p) {
          if (k == kCheckSpacing && p->mic == m && p->sys == s) continue;
          const double room = (std::fabs(static_cast<double>(f) - p->f) - table.protection[k]) * 1000.0;
          if (!margin || room < *margin) margin = room;
        }
      }
    }
  }
}

}  // namespace

std::optional<double> MN_GetMarginKHz(const CProject& project) {
  std::optional<double> margin;
  const ZoneLayout zones = project.GZoneLayout();
  if (zones.Single()) {
    const std::shared_ptr<TcIMFrequencyBuffer> buffer = project.GGetCheckProducts();
    LowerMargin(project, zones.AllSlots(), {buffer.get()}, margin);
  } else {
    // Each group of zones keeps its room from what reaches it, as the check tests it.
    for (int32_t g = 0; g < zones.groups; ++g) {
      TcIMFrequencyBuffer channels;
      project.GAddChannelProducts(channels, zones.reach[static_cast<size_t>(g)]);
      const auto im = TL_IMProductsOf(project, zones.members[static_cast<size_t>(g)], IMTally::kFirsts);
      LowerMargin(project, zones.members[static_cast<size_t>(g)], {&channels, im.get()}, margin);
    }
  }
  // Whole kilohertz: finer digits would only show the single-precision rounding of the
  // frequencies and let it decide the order of equally safe proposals.
  if (margin) margin = std::nearbyint(*margin) + 0.0;  // + 0.0 turns -0 into 0
  return margin;
}

}  // namespace kova
