#pragma once
// The search behind the generate command: searches free channels for a project (one system, or
// every system in turn) and collects the resulting projects as a ranked proposal list. Showing,
// applying and exporting the proposals is the command's business (app/Generate.h).

#include <cstdint>
#include <optional>
#include <vector>

#include "model/CProject.h"
#include "search/CReportInstance.h"
#include "search/JointSearch.h"
#include "search/Optimiser.h"

namespace kova {

class PlatformPort;
class Seeker_Module;

// Search modes.
inline constexpr int32_t kSearchSystematic = -1;  // "Maximum Search": every maximal set, once
inline constexpr int32_t kSearchRandom = -3;      // one random set per run
inline constexpr int32_t kSearchOptimise = -4;    // as many channels as a time budget finds, once

enum class GenerateStatus {
  kProposals,          // at least one proposal
  kNoFreeFrequencies,  // "Search Spectrum Invalid: No free frequencies left."
  kNothingFound,       // "No additional compatible channels found!"
};

struct GenerateOutcome {
  GenerateStatus status = GenerateStatus::kNothingFound;
  ReportRef proposals;       // the ranked proposal list, most channels first (systems searched
                             // together: best first by the joint search's aim, which `joint`
                             // describes); empty when nothing was found; null when the search
                             // ended for want of free frequencies
  int32_t reportNumber = 0;  // its number in the application's proposal collection (lShow 0)
  std::optional<int32_t> highlighted;  // the channel to highlight afterwards, when the search set one
  std::vector<OptimiseSummary> optimised;  // kSearchOptimise: how each searched system went, in order
  std::optional<JointSummary> joint;       // the systems were searched together: how that went
                                           // (per system of the project), its counts those of
                                           // proposal 1
  int32_t mostNew = 0;   // most channels a run added in one set, before the duplicate and check tests
  bool stopped = false;  // the user stopped the search in the progress box
};

// Runs the search on `project`, which it never changes: lRuns runs (1 for the systematic
// search), at most lKeep proposals, lChannels[s] channels to add to system s (missing entries
// ask for none; the systems are searched in slot order, each against the channels the systems
// before it were given in the same run), lMode kSearchSystematic, kSearchRandom or
// kSearchOptimise (one run within the budget of `optimise`; when channels are asked of more
// than one system, all of them are searched together, see JointSearch.h; every proposal passes
// the full check when the project does). The progress box and the random numbers go through
// `port`; the messages for the statuses are the caller's. Each proposal's current system is the
// one searched last.
GenerateOutcome RunGenerateSearch(const CProject& project, int32_t lRuns, int32_t lKeep,
                                  const std::vector<int32_t>& lChannels, int32_t lMode, PlatformPort& port,
                                  const OptimiseSettings& optimise = {});
// The same with lChannels1 / lChannels2 channels for system 0 / system 1.
GenerateOutcome RunGenerateSearch(const CProject& project, int32_t lRuns, int32_t lKeep, int32_t lChannels1,
                                  int32_t lChannels2, int32_t lMode, PlatformPort& port,
                                  const OptimiseSettings& optimise = {});

// Ranks a new random-search result into a list of at most lKeep proposals: while there is room
// it is appended (and the list sorted, most channels first, once it becomes full); in a full
// list it replaces the first proposal, in list order, with fewer channels overall, or is dropped.
void RankProposal(CReportInstance& proposals, const ProjectRef& copy, int32_t lKeep);

// Searches one system with the seeker's context as set by the caller: each found frequency set
// becomes a copy of `system` with the set's frequencies appended as new channels (labelled with
// the next free number). systems: 1-based output (slot 0 empty), one system per set. Returns the
// channel count of systems(1), the channel to highlight; 0 when no set was found (an aborted
// systematic search).
int32_t SearchOneSystem(Seeker_Module& seeker, int32_t lMode, int32_t lChannels,
                        const std::vector<double>& candidates, const CSystemInstance& system, int32_t lKeep,
                        std::vector<SystemRef>& systems);

}  // namespace kova
