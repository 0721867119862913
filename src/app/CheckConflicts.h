#pragma once
// The conflicts of the last check as the views show them: kept in the application state while
// the project is as it was checked, and put into words for tool tips and the results window.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/CheckConflict.h"

namespace kova {

struct AppState;
class CProject;

// Keeps what a check of the project after `changes` of its changes found. A check of a state
// that has changed since is dropped, and so is a check stopping at the first problem of the very
// state a full check has judged already (it would only lose marks).
void MN_KeepConflicts(AppState& app, std::vector<CheckConflict> conflicts, bool bFullCheck, uint32_t changes);
void MN_ClearConflicts(AppState& app);
// The conflicts of the last check while the project is as it was checked; none otherwise.
const std::vector<CheckConflict>& MN_Conflicts(const AppState& app);

// What hits the channel, in words: the kind, the channels that make the product (frequency,
// system when the second one is on, label) and the product's frequency, e.g.
// "3Tx IM(3) of 527.100 (#1 Mic 6), 531.250 (#2 IEM 2), 533.850 (#1 Mic 2) at 529.475",
// "Spacing to 500.250 (Mic 2)", "Spectrum: outside the search spectrum".
std::string MN_ConflictText(const CProject& project, const CheckConflict& c);
// The channels that make the product: "527.100 (#1 Mic 6), 531.250 (#2 IEM 2)"; empty for kind 0.
std::string MN_ConflictSources(const CProject& project, const CheckConflict& c);
// Distance between the channel and the product in kHz; negative for kind 0 (no product).
double MN_ConflictDistanceKHz(const CProject& project, const CheckConflict& c);
// The tool tip of a channel: the words of each of its conflicts, one per line; empty when none.
std::string MN_ConflictTip(const CProject& project, const std::vector<CheckConflict>& conflicts, int32_t system,
                           int32_t mic);

}  // namespace kova
