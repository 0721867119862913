#pragma once
// The colours channels are shown in. In a project of more than two systems every system has a
// colour of its own: its channels that keep a default colour (yellow or white) are shown in it,
// so the display, the print document and the frequency sheet tell the systems apart the same
// way. Colours are stored as the program stores them: red + 256 * green + 65536 * blue.

#include <cstdint>

#include "model/CProject.h"

namespace kova {

// The colour of system `slot` (0 … kMaxSystems - 1, held within). System 1 is yellow and
// system 2 white, the colours channels get by default.
int32_t TL_SystemColorValue(int32_t slot);

// The colour channel `color` of system `slot` is shown in.
int32_t TL_ShownChannelColor(const CProject& project, int32_t slot, int32_t color);

// A colour as it reads on white paper: a colour of more than half the luminance is darkened to
// half (hue kept); white and light greys (channels within 40 of each other) turn dark, the
// lighter the darker, so that they stay apart. Darker colours stay as they are.
int32_t TL_PaperColorValue(int32_t color);

}  // namespace kova
