#pragma once
// Upper bounds for the optimising search from the ruler argument: when the candidates lie on one
// tuning grid and the 2- and 3-transmitter third-order checks are on, every set the elimination
// accepts is a ruler (all distances between its channels differ by more than the product
// protection), so it holds no more channels than a ruler of the band's length has marks.

#include <cstdint>
#include <optional>
#include <vector>

#include "search/RulerBound.h"

namespace kova {

class Seeker_Module;

// The candidates as grid positions with the rule their sets obey.
struct RulerBand {
  RulerRule rule;
  std::vector<int32_t> pos;  // grid position of each candidate, ascending, pos[0] = 0
};

// The band of `candidates` (1-based, ascending) under the seeker's checks; none when the
// candidates are off one grid or a third-order check is off or too narrow to tell distances apart.
std::optional<RulerBand> RulerBandFor(const Seeker_Module& seeker, const std::vector<double>& candidates);

// Most channels a set of the band can hold. Splits the candidates at their holes and takes the
// best split into parts, each part holding at most as many channels as a ruler of its length
// has marks (`table` up to its size, the gap argument beyond) and at most its candidates.
int32_t RulerBandBound(const RulerBand& band, const RulerTable& table);

// Greedy cover of candidates 0 .. n - 1 by groups of pairwise conflicting ones (each of a pair
// removes the other, whichever comes first): a compatible set holds at most one of each group.
// covered[i]: the candidates that candidate i removes on its own, ascending.
int32_t ConflictGroupBound(const std::vector<std::vector<int32_t>>& covered);

}  // namespace kova
