#pragma once
// One problem found by a check, as a record instead of a log line: which channel is hit and what
// hits it (the check kind, the product's frequency and the channels that make the product).

#include <array>
#include <cstdint>

#include "model/CMicInstance.h"

namespace kova {

class CProject;
class TcIMFrequency;

// A channel by system slot (0 or 1) and 1-based position in that system's list.
struct CheckChannel {
  int32_t system = 0;
  int32_t mic = 0;
  bool operator==(const CheckChannel&) const = default;
};

struct CheckConflict {
  CheckChannel channel;  // the channel that is hit
  int32_t kind = 0;      // check kind: 0 outside the search spectrum, else the kind of the product
  float freq = 0.0f;     // frequency of the product (0 for kind 0)
  int32_t sources = 0;   // channels that make the product (0 for kind 0, else 1 to 3)
  std::array<CheckChannel, 3> source{};

  // A channel that does not fit into its system's search spectrum.
  static CheckConflict OutsideSpectrum(int32_t system, int32_t mic);
  // Channel `mic` of `system` hit by `product`.
  static CheckConflict HitBy(int32_t system, int32_t mic, const TcIMFrequency& product);
};

// The channel a record names, or none when the project no longer has that position.
MicRef MicOfCheckChannel(const CProject& project, const CheckChannel& ch);

}  // namespace kova
