#pragma once
// The twelve double-precision values a receiver system type hands to the frequency search:
// slot 0 unused (0.0); slots 1..9 the protection width of check kind k, or -1.0 when the check
// is off; slot 10 the first and slot 11 the second local-oscillator offset.

#include <array>

namespace kova {

using TCheckParams = std::array<double, 12>;

}  // namespace kova
