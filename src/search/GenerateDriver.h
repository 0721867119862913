#pragma once
// The generate command: searches free channels for the current project (one system, or both
// systems in turn), collects the resulting projects as a ranked proposal list and shows it, or
// applies the best proposal at once.

#include <cstdint>
#include <vector>

#include "model/CProject.h"
#include "persistence/AppState.h"
#include "search/CReportInstance.h"

namespace kova {

class Seeker_Module;

// Search modes.
inline constexpr int32_t kSearchSystematic = -1;  // "Maximum Search": every maximal set, once
inline constexpr int32_t kSearchRandom = -3;      // one random set per run

// What to do with the proposals.
inline constexpr int32_t kShowProposals = 0;     // append to the collection and open a proposal window
inline constexpr int32_t kApplyAndReport = 1;    // apply the best proposal and write the text report
inline constexpr int32_t kApplyOnly = 2;         // apply the best proposal

enum class GenerateStatus {
  kProposals,          // at least one proposal
  kNoFreeFrequencies,  // "Search Spectrum Invalid: No free frequencies left."
  kNothingFound,       // "No additional compatible channels found!"
};

struct GenerateOutcome {
  GenerateStatus status = GenerateStatus::kNothingFound;
  ReportRef proposals;       // the ranked proposal list, most channels first (empty when nothing was
                             // found); null when the search ended for want of free frequencies
  int32_t reportNumber = 0;  // its number in the application's proposal collection (lShow 0)
};

// Runs the search on the application's project: lRuns runs (1 for the systematic search), at
// most lKeep proposals, lChannels1 / lChannels2 channels to add to system 0 / system 1, lShow
// one of the show values above, lMode kSearchSystematic or kSearchRandom. The progress box,
// the messages, the random numbers and the proposal window go through TL_Port(). The project
// itself changes only when lShow applies the best proposal (its current system).
GenerateOutcome GenerateProposals(AppState& app, int32_t lRuns, int32_t lKeep, int32_t lChannels1, int32_t lChannels2,
                                  int32_t lShow, int32_t lMode);

// Ranks a new random-search result into a list of at most lKeep proposals: while there is room
// it is appended (and the list sorted, most channels first, once it becomes full); in a full
// list it replaces the first proposal, in list order, with fewer channels overall, or is dropped.
void RankProposal(CReportInstance& proposals, const ProjectRef& copy, int32_t lKeep);

// Searches one system with the seeker's context as set by the caller: each found frequency set
// becomes a copy of `system` with the set's frequencies appended as new channels (labelled with
// the next free number). systems: 1-based output (slot 0 empty), one system per set. Returns the
// channel count of systems(1), which also becomes the highlighted channel; 0 when no set was
// found (an aborted systematic search), leaving the highlighted channel alone.
int32_t SearchOneSystem(AppState& app, Seeker_Module& seeker, int32_t lMode, int32_t lChannels,
                        const std::vector<double>& candidates, const CSystemInstance& system, int32_t lKeep,
                        std::vector<SystemRef>& systems);

}  // namespace kova
