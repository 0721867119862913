#pragma once
// The joint search: new channels for several systems at once, as one problem. Every channel of
// every system must keep clear of every other channel and product under its own system's checks
// (see JointRules.h). The aim, in order: every system reaches its count; where that cannot be,
// the smallest share (new channels received / requested) is as large as possible, then the next
// smallest, and so on, so a system that asked for fewer channels is not starved to give the
// others more; then the most channels in all. Proposals come in this order, the best first.
//
// Greedy plans come first: the system that is hardest to fill (the fewest free candidates per
// channel still missing), or the one with the smallest share, is served first, each time with
// the candidate that rules out the fewest free candidates of the systems still short. Then two
// chains of local search spend the rest of the budget on the systems still short: a candidate
// of a short system (drawn by the share it lacks) is forced in, the channels it breaks a rule
// with are taken out (preferring systems with the largest share) and every system short of its
// count is filled again, the smallest share first; a plan that is worse is mostly undone.
// A chain that finds nothing better for a while starts again from its best plan with the
// channels of a random stretch of the band taken out and filled again.
//
// Reproducibility: each chain draws from its own generator seeded from the port's random
// numbers, a round is a fixed amount of work per chain (counted in ranges handed over, not in
// time), and the chains meet only between rounds, in chain order. With a fixed number of rounds
// the result therefore depends on the seed alone; a longer budget only adds rounds after the
// ones a shorter budget runs, so it never gives fewer channels.

#include <cstdint>
#include <vector>

#include "search/JointRules.h"
#include "search/Optimiser.h"

namespace kova {

class PlatformPort;

struct JointSummary {
  // Per system of the input.
  std::vector<int32_t> found;   // new channels of the best plan
  std::vector<int32_t> wanted;  // new channels asked for
  std::vector<int32_t> bound;   // most new channels that fit into the system even on its own
  int32_t total = 0;            // new channels of the best plan in all
  int32_t totalBound = 0;       // most the whole request can get: the per-system bounds, each
                                // capped at its request, added up
  double seconds = 0;           // time spent, by the port's clock
  double secondsToBest = 0;     // when the best plan was first seen
  int64_t rounds = 0;           // rounds of local search run
  bool aborted = false;         // the user stopped the search
  bool complete = false;        // every system has its count
  bool optimal = false;         // the best plan reaches the bound: no plan has more channels
};

// A plan: per system of the input, its new channels, ascending.
using JointPlan = std::vector<std::vector<double>>;

// Up to lKeep distinct plans, best first by the aim above. The search ends early once every
// system has its count or the bound proves the best plan optimal. The progress box and the random numbers go through
// `port`, from the calling thread only.
std::vector<JointPlan> JointOptimise(const std::vector<JointSystemInput>& systems, int32_t lKeep,
                                     const OptimiseSettings& settings, PlatformPort& port, JointSummary& summary);

}  // namespace kova
