#pragma once
// Adding and removing systems of the application's project, for the main window's system list.

#include <cstdint>

#include "app/AppState.h"

namespace kova {

// Adds a system after the last one in use with a copy of `type`, no channels and a copy of
// system 0's search spectrum. Returns its slot, -1 when the project holds the most systems.
int32_t MN_AddSystemOfType(AppState& app, const CSystemType& type);
// Removes system k of those in use; false when k is not in use or is the only system.
bool MN_RemoveSystemAt(AppState& app, int32_t k);

}  // namespace kova
