#pragma once
// What a user needs to know about a receiver system type when choosing it: where it tunes, the
// step the search walks and the spacing its channels keep. The system designer, the start
// wizard and the main window show the same text, and a search that finds nothing names the
// ranges the same way.

#include <string>

#include "model/CSpectrum.h"
#include "model/CSystemType.h"

namespace kova {

// The bands of a spectrum, "518.000–550.000, 630.000–662.000 MHz" (a single-frequency band as
// one number); "no band" for an empty spectrum.
std::string MN_FormatBands(const CSpectrum& spectrum);

// "518.000–550.000, 630.000–662.000 MHz · step 0.100 MHz · spacing 0.400 MHz": the tuning range,
// the search step and the spacing width ("spacing off" when the type does not check spacing).
std::string MN_TypeFacts(const CSystemType& type);

}  // namespace kova
