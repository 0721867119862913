#pragma once
// How far a channel set stays clear of what its checks guard against, so that compatible
// proposals can be told apart: the safer one keeps more room.

#include <optional>

#include "model/CProject.h"

namespace kova {

// The margin of the project's channels in kHz: over every channel and every product of the
// project's product buffer (the other channels' frequencies for the spacing, the
// intermodulation products) whose check kind the channel's own system switches on, the smallest
// |channel - product| - protection width. Larger is safer; a product inside a protection width
// makes it negative. Intermodulation products falling on one kilohertz are represented by the
// first of them, so the value is given in whole kilohertz. With systems in several groups of
// zones each channel counts only what the check tests it against (see CZones.h). None when no
// channel has a product to keep clear of.
std::optional<double> MN_GetMarginKHz(const CProject& project);

}  // namespace kova
