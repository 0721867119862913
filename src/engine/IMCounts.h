#pragma once
// How many intermodulation products fall on each kilohertz, counted without visiting them.
//
// The products of two channels are few (n^2) and counted one by one. For the products of three
// channels: when every channel lies within 0.15 kHz of a whole kilohertz b, each product lies
// within 0.45 kHz of the sum b_x + b_y - b_z, so its kilohertz is that sum. How many products
// fall on each kilohertz is then a count of sums over the channels' kilohertz: the convolution of
// the channel comb with itself and with itself reversed, taken through a number-theoretic
// transform (exact whole numbers, no rounding), less the sums that repeat a channel (x = y, or
// z one of x and y), which the pairs and the comb give directly.

#include <cstdint>
#include <vector>

#include "engine/IMGeneration.h"

namespace kova {

class TcIMFrequencyBuffer;

struct IMCount {
  int32_t bin;    // kilohertz (0 ... 1000000)
  int32_t count;  // products on it
};

// The kilohertz that hold products of `all` (of `kinds`, among all pairs and triples), in rising
// order, with their counts. The first and the last kilohertz of the bins, which the validity
// window cuts, are counted product by product. False when they cannot be counted so: a channel
// off a whole kilohertz (or outside 0 ... 1000 MHz), or counts too large for the transform's
// modulus.
bool TL_CountIMProducts(const std::vector<IMSource>& all, IMKinds kinds, std::vector<IMCount>& out);

// A kilohertz with its first product (positions in the channel list counted), the product's
// generation-order key and how many products fall there.
struct IMCountedFirst {
  IMFirst first;
  int32_t count;
  uint64_t key;
};

// Every kilohertz that holds products of `all`, counted as above, in generation order of their
// first products (found through IMFirstTable): what GenerateIM hands its receiver. False, with
// `out` untouched, when TL_CountIMProducts cannot count them.
bool TL_CountedIMFirsts(const std::vector<IMSource>& all, IMKinds kinds, std::vector<IMCountedFirst>& out);

// Appends to `out` what the generation of the products of `all` (GenerateIM with `tally`) gives
// it: the first product of every kilohertz that has one, in generation order, with the count of
// its kilohertz (with IMTally::kFirsts the first product of each type, count 1). Counted as above, the first products found through
// IMFirstTable. False, with `out` untouched, when TL_CountIMProducts cannot count them.
bool TL_AddCountedIMProducts(const std::vector<IMSource>& all, IMKinds kinds, IMTally tally, TcIMFrequencyBuffer& out);

// Whether counting is the faster way to the products of `all` (it does not weigh whether the
// channels lie on whole kilohertz).
bool TL_CountingPays(const std::vector<IMSource>& all, IMKinds kinds);

}  // namespace kova
