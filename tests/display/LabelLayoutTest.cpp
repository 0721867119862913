#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "display/LabelLayout.h"

using namespace kova;

namespace {

// No two placed boxes of one row come closer than the gap; every box lies inside the picture.
void ExpectApart(const std::vector<LabelBox>& labels, const LabelPlacement& p, double gap, double width) {
  int32_t placed = 0;
  for (size_t i = 0; i < labels.size(); ++i) {
    if (p.rows[i] < 0) continue;
    ++placed;
    EXPECT_GE(p.lefts[i], 0.0) << i;
    if (width > 0) {
      EXPECT_LE(p.lefts[i] + labels[i].width, width + 1e-9) << i;
    }
    for (size_t j = i + 1; j < labels.size(); ++j) {
      if (p.rows[j] != p.rows[i]) continue;
      const bool apart = p.lefts[i] + labels[i].width + gap <= p.lefts[j] + 1e-9 ||
                         p.lefts[j] + labels[j].width + gap <= p.lefts[i] + 1e-9;
      EXPECT_TRUE(apart) << i << " and " << j << " overlap in row " << p.rows[i];
    }
  }
  EXPECT_EQ(placed + p.leftOut, static_cast<int32_t>(labels.size()));
}

}  // namespace

TEST(LabelLayout, CrowdedLabelsAreStaggeredOrLeftOut) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* what;
    std::vector<LabelBox> labels;
    int32_t rows;
    std::vector<int32_t> expected;
    int32_t leftOut;
  } cases[] = {
      {"apart: one row", {{10, 10}, {40, 10}, {70, 10}}, 3, {0, 0, 0}, 0},
      {"one frequency: stacked, the last left out", {{50, 10}, {50, 10}, {50, 10}}, 2, {0, 1, -1}, 1},
      {"within the gap: the next row", {{10, 10}, {21, 10}}, 2, {0, 1}, 0},
      {"just beyond the gap: the same row", {{10, 10}, {22, 10}}, 2, {0, 0}, 0},
      {"visited from the left, not in input order", {{60, 30}, {30, 30}, {45, 30}}, 2, {-1, 0, 1}, 1},
      {"a lower row freed up is used again", {{10, 10}, {12, 10}, {40, 10}}, 2, {0, 1, 0}, 0},
      {"no rows: everything left out", {{10, 10}}, 0, {-1}, 1},
      {"a frequency that is not a number never fits", {{nan, 10}, {10, 10}}, 2, {-1, 0}, 1},
  };
  for (const auto& c : cases) {
    const LabelPlacement p = TL_PlaceLabels(c.labels, c.rows, 2, 0);
    EXPECT_EQ(p.rows, c.expected) << c.what;
    EXPECT_EQ(p.leftOut, c.leftOut) << c.what;
    ExpectApart(c.labels, p, 2, 0);
  }

  // Labels at the edges move inside the picture whole.
  const std::vector<LabelBox> edges = {{2, 20}, {99, 20}};
  const LabelPlacement p = TL_PlaceLabels(edges, 1, 2, 100);
  EXPECT_EQ(p.lefts, (std::vector<double>{0, 80}));

  // A festival's worth of labels in a narrow picture.
  std::mt19937 rnd(7);
  std::uniform_real_distribution<double> centre(-20, 620), width(8, 60);
  std::vector<LabelBox> crowd;
  for (int i = 0; i < 800; ++i) crowd.push_back({centre(rnd), width(rnd)});
  const LabelPlacement q = TL_PlaceLabels(crowd, 9, 3, 600);
  EXPECT_GT(q.leftOut, 0);
  ExpectApart(crowd, q, 3, 600);
}
