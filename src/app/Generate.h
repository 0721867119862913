#pragma once
// The Generate command: runs the search on the application's project and shows the proposals
// in a proposal window, or applies the best proposal at once (with or without its text report).

#include <cstdint>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "search/GenerateDriver.h"

namespace kova {

// What to do with the proposals.
inline constexpr int32_t kShowProposals = 0;     // append to the collection and open a proposal window
inline constexpr int32_t kApplyAndReport = 1;    // apply the best proposal and write the text report
inline constexpr int32_t kApplyOnly = 2;         // apply the best proposal

// Runs the search on the application's project: lRuns runs (1 for the systematic search), at
// most lKeep proposals, lChannels1 / lChannels2 channels to add to system 0 / system 1, lShow
// one of the show values above, lMode kSearchSystematic, kSearchRandom or kSearchOptimise (with
// the budget in `optimise`). The progress box,
// the messages, the random numbers and the proposal window go through TL_Port(). The project
// itself changes only when lShow applies the best proposal (to the system searched last).
// With `explain` (the desktop) a search that falls short says why: the messages for nothing
// found get further lines after their first, and a best proposal applied at once with fewer
// channels than asked for is told in a message of its own. Without it (kova-cli) the messages
// are the plain ones.
GenerateOutcome GenerateProposals(AppState& app, int32_t lRuns, int32_t lKeep, int32_t lChannels1, int32_t lChannels2,
                                  int32_t lShow, int32_t lMode, const OptimiseSettings& optimise = {},
                                  bool explain = false);
// The same with lChannels[s] channels to add to system s (none for systems the list does not
// reach); the systems are searched in slot order.
GenerateOutcome GenerateProposals(AppState& app, int32_t lRuns, int32_t lKeep, const std::vector<int32_t>& lChannels,
                                  int32_t lShow, int32_t lMode, const OptimiseSettings& optimise = {},
                                  bool explain = false);

// How the optimising search went, one sentence per searched system ("46 channels found; no set of
// more than 68 exists."), the system named when two were searched, after one for the whole
// request when the systems were searched together; empty without summaries.
std::string OptimiseResultText(const std::vector<OptimiseSummary>& summaries, const JointSummary* joint = nullptr);

}  // namespace kova
