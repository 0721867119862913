#include "engine/Margin.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

#include "engine/CheckKinds.h"
#include "engine/TcIMFrequencyBuffer.h"

namespace kova {

namespace {

struct Product {
  float f;
  int32_t mic;  // first source: for the spacing kind the channel itself
  int32_t sys;
};

}  // namespace

std::optional<double> MN_GetMarginKHz(const CProject& project) {
  const std::shared_ptr<TcIMFrequencyBuffer> buffer = project.GGetCheckProducts();

  // The products of each check kind, ascending, so that the nearest one to a channel is found
  // by a binary search.
  std::array<std::vector<Product>, KindTable::kKinds> byKind;
  for (const TcIMFrequency& item : buffer->Items()) {
    const float f = item.GfFreq();
    if (f == 0.0f || std::isnan(f)) continue;  // such a product never counts in the check either
    byKind[static_cast<size_t>(item.GGetBWDType())].push_back({f, item.GlMicNr(0), item.GlSysNr(0)});
  }
  for (auto& products : byKind)
    std::sort(products.begin(), products.end(), [](const Product& a, const Product& b) { return a.f < b.f; });

  std::optional<double> margin;
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
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
  // Whole kilohertz: finer digits would only show the single-precision rounding of the
  // frequencies and let it decide the order of equally safe proposals.
  if (margin) margin = std::nearbyint(*margin) + 0.0;  // + 0.0 turns -0 into 0
  return margin;
}

}  // namespace kova
