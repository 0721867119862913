#include "display/LabelLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace kova {

LabelPlacement TL_PlaceLabels(const std::vector<LabelBox>& labels, int32_t rowCount, double gap,
                              double pictureWidth) {
  LabelPlacement p;
  p.rows.assign(labels.size(), -1);
  p.lefts.assign(labels.size(), 0.0);
  std::vector<double> lefts(labels.size());
  for (size_t i = 0; i < labels.size(); ++i) {
    double left = labels[i].centre - labels[i].width / 2;
    if (pictureWidth > 0) left = std::max(0.0, std::min(left, pictureWidth - labels[i].width));
    lefts[i] = left;
  }
  std::vector<size_t> order(labels.size());
  std::iota(order.begin(), order.end(), size_t{0});
  // A label at a frequency that is not a number (a damaged file) sorts last and never fits.
  auto key = [&](size_t i) { return std::isnan(lefts[i]) ? std::numeric_limits<double>::infinity() : lefts[i]; };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key(a) < key(b); });

  // The right edge of the last box of each row.
  std::vector<double> ends(static_cast<size_t>(std::max(rowCount, 0)), -std::numeric_limits<double>::infinity());
  for (size_t i : order) {
    const double left = lefts[i];
    bool placed = false;
    for (size_t r = 0; r < ends.size() && !std::isnan(left); ++r) {
      if (ends[r] + gap > left) continue;
      ends[r] = left + labels[i].width;
      p.rows[i] = static_cast<int32_t>(r);
      p.lefts[i] = left;
      placed = true;
      break;
    }
    if (!placed) ++p.leftOut;
  }
  return p;
}

}  // namespace kova
