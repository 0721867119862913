#pragma once
// Where the labels of a crowded picture go: each label is a box of its own width centred on its
// channel's line, put in the lowest of a number of rows where it keeps a gap to the labels
// already there; a label that finds no row is left out. Plain arithmetic in pixels, no drawing.

#include <cstdint>
#include <vector>

namespace kova {

struct LabelBox {
  double centre = 0;  // x of the channel's line
  double width = 0;   // the label's width
};

struct LabelPlacement {
  std::vector<int32_t> rows;  // per label: its row (0 = lowest), or -1 when left out
  int32_t leftOut = 0;        // labels without a row
  // The left edge of each placed box: its centre less half its width, moved inside 0 ... width
  // of the picture (a label at the edge stays whole).
  std::vector<double> lefts;
};

// Places the labels, visited from left to right (ties in input order), each in the lowest row
// whose last box ends at least `gap` before it begins. `pictureWidth` keeps boxes inside the
// picture (0: no limit). Any two placed boxes in one row are at least `gap` apart.
LabelPlacement TL_PlaceLabels(const std::vector<LabelBox>& labels, int32_t rowCount, double gap,
                              double pictureWidth);

}  // namespace kova
