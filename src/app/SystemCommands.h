#pragma once
// Adding and removing the receiver systems of the current project, and the number of channels
// Generate asks of each: what the system list of the main window and kova-cli's `system`
// command call.

#include <cstdint>
#include <string>
#include <vector>

#include "app/AppState.h"

namespace kova {

// The system type of the system list with this label (exact match first, then ignoring letter
// case); null when there is none.
TypeRef MN_FindSystemType(const AppState& app, const std::string& label);

// Adds a system with no channels of a copy of `type`, its search spectrum a copy of system 0's,
// after the systems in use (see CProject::GAddSystem). It gets 10 channels to add. Returns its
// slot; -1 (nothing changed) when kMaxSystems systems are in use.
int32_t MN_AddSystem(AppState& app, const CSystemType& type);
// The same with a copy of the type of system k in use; -1 also when there is no such system.
int32_t MN_AddSystemLike(AppState& app, int32_t k);
// Removes system k in use: its channel count to add and its scan ranges go with it, the
// highlighted channel is cleared. False (nothing changed) when k is not in use or is the only
// system.
bool MN_RemoveSystem(AppState& app, int32_t k);

// The channels Generate asks of system k (clamped to 0 … 100); out-of-range k does nothing.
void MN_SetAddCount(AppState& app, int32_t k, int32_t n);
// The channels to add per system in use, as GenerateProposals takes them.
std::vector<int32_t> MN_AddCounts(const AppState& app);

}  // namespace kova
