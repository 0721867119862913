#pragma once
// The search for the largest compatible subset of the current system's channels.

#include <cstdint>
#include <vector>

namespace kova {

class CProject;
class PlatformPort;
class TextSink;

// Steps the removal flags through all sets of k flagged positions: the first call (no flag set)
// flags the last k positions; every further call gives the next set, such that the unflagged
// positions run through their subsets in ascending lexicographic order. Returns 0 when a set was
// produced and -1 when there is none left (or k is outside 1..size on the first call).
int32_t TL_NextCombination(std::vector<bool>& flags, int32_t k);

// Tries subsets of the channels of system iSystem (0 or 1), largest first, on copies of the
// project and appends the first compatible one to the log (or a line saying there is none).
// Progress goes to the port's progress box; aborting there ends the search without writing
// anything.
void TL_BestCompatibleSystem(const CProject& project, int32_t iSystem, TextSink& log, PlatformPort& port);

}  // namespace kova
