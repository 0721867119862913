#pragma once
// The optimising search: as many compatible channels as possible for one system, under the
// elimination of the search (a set counts as compatible when the search could have chosen it).
// Several greedy packings give the starting sets; two independent chains of local search then
// take channels out and put more back (or force a candidate in and take out what it conflicts
// with), round by round, until a time budget, a fixed number of rounds or an abort ends them.
//
// Reproducibility: each chain draws from its own generator seeded from the port's random
// numbers, a round is a fixed amount of work per chain (counted in covered ranges, not in time)
// and the chains are merged only between rounds, in chain order. With a fixed number of rounds
// the result therefore depends on the seed alone, not on threads or timing.

#include <cstdint>
#include <vector>

namespace kova {

class PlatformPort;
class Seeker_Module;

struct OptimiseSettings {
  double seconds = 3.0;  // time budget of one system's search (used when rounds is 0)
  int64_t rounds = 0;    // > 0: exactly this many rounds of local search, however long they take
  int32_t threads = 2;   // worker threads for the chains; the calling thread only shows progress
};

struct OptimiseSummary {
  int32_t system = 0;         // the system searched (0 or 1)
  int32_t best = 0;           // channels of the best set
  int32_t upperBound = 0;     // proven most channels any compatible set of the candidates holds:
                              // the conflict groups, the ruler argument on one grid (see
                              // OptimiseBound.h), whichever is lower
  double seconds = 0;         // time spent, by the port's clock
  double secondsToBest = 0;   // when the best set was first seen
  int64_t rounds = 0;         // rounds of local search run
  bool aborted = false;       // the user stopped the search
  bool complete = false;      // the best set reaches the bound or the requested number
  bool optimal = false;       // the best set reaches the bound: no compatible set is larger
};

// Rounds that a --seed run uses for `seconds` of budget (about that long on a two-core machine).
int64_t OptimiseRoundsFor(double seconds);

// candidates: 1-based and ascending, as Seeker_Module::RunSearch takes them; the seeker's context
// (systems taking part, chosen and candidate side) describes the rules. At most lChannels
// channels are chosen; the search ends early once that many are found. Returns up to lKeep
// distinct sets, most channels first, each 1-based and ascending. The progress box and the random
// numbers go through `port`, from the calling thread only.
std::vector<std::vector<double>> OptimiseChannels(const Seeker_Module& seeker, const std::vector<double>& candidates,
                                                  int32_t lChannels, int32_t lKeep, const OptimiseSettings& settings,
                                                  PlatformPort& port, OptimiseSummary& summary);

}  // namespace kova
