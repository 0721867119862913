#pragma once
// The products of one moving channel among many, counted per kilohertz without visiting the
// kilohertz at random.
//
// A channel m among N others takes part in about 1.5 N² products of three transmitters: for
// every pair {x, y} of the others one near f_x + f_y - f_m and two near f_m ± (f_x - f_y). The
// pair sums and differences do not change while only m moves, so they are listed once, sorted;
// a move walks them in order and its products arrive in ascending kilohertz, so the per-kilohertz
// tallies are visited in order instead of at random (the random visits of a million products
// are what a move costs otherwise). Each product is computed with the expression of the full
// generation for its place in the triple, so that its value, kilohertz and sub-type are those of
// the full generation; the first product of each kilohertz is the one with the smallest place in
// generation order (IMOrderKey), whatever order the walk takes.
//
// The products without the moving channel (the rest) are kept per kilohertz too, so that the
// merged lines of a move come from one pass over the kilohertz in order.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/IMGeneration.h"

namespace kova {

class DenseProducts {
 public:
  static constexpr uint64_t kNone = ~uint64_t{0};
  // What one kilohertz holds of a part: the first product's place in generation order, its
  // stored frequency and the number of products.
  struct Bin {
    uint64_t key = kNone;
    float f = 0;
    int32_t count = 0;
  };

  // Whether the dense way pays for n channels (fewer: the moving products are too few to make
  // up for a pass over the kilohertz; more: the pair lists grow too large).
  static bool Pays(size_t n, IMKinds kinds, size_t from = kFrom) { return kinds.im3x3 && n >= from && n <= kUpTo; }
  static constexpr size_t kFrom = 600;
  static constexpr size_t kUpTo = 2000;

  // Lists the pairs of the channels other than m and clears both parts.
  void Prepare(const std::vector<IMSource>& all, size_t m);
  // One kilohertz of the rest, from its first product; every such kilohertz once.
  void AddRest(int32_t bin, uint64_t key, float f, int32_t count);
  // The products of channel m at its frequency in `all`.
  void GenerateMoving(const std::vector<IMSource>& all, size_t m, IMKinds kinds);

  const Bin& Moving(int32_t bin) const { return moving_[static_cast<size_t>(bin)]; }
  const Bin& Rest(int32_t bin) const { return rest_[static_cast<size_t>(bin)]; }
  // emit(bin, rest, moving) for every kilohertz that either part counts, ascending.
  template <typename Emit>
  void ForEachBin(Emit&& emit) const {
    const int32_t lo = std::min(restLo_, movingLo_), hi = std::max(restHi_, movingHi_);
    for (int32_t b = lo; b <= hi; ++b) {
      const Bin& r = rest_[static_cast<size_t>(b)];
      const Bin& m = moving_[static_cast<size_t>(b)];
      if (r.count > 0 || m.count > 0) emit(b, r, m);
    }
  }

 private:
  // A pair of channels (its sum f_x + f_y or difference f_x - f_y is worked out when used: the
  // channels' frequencies stay in the core's cache, the lists are read from memory on every move).
  struct Pair {
    uint16_t x, y;
  };
  static_assert(kUpTo <= 65536, "channel positions fit a Pair");
  struct Free {
    void operator()(Bin* p) const;
  };
  using Bins = std::unique_ptr<Bin[], Free>;
  static Bins NewBins();
  static void Clear(Bin* bins, int32_t& lo, int32_t& hi);

  // Sums by the place of m: after both, between, before both; differences f_p - f_q likewise,
  // each with p before q and p after q.
  std::vector<Pair> sums_[3];
  std::vector<Pair> diffs_[6];
  Bins rest_, moving_;
  int32_t restLo_ = 0, restHi_ = -1, movingLo_ = 0, movingHi_ = -1;
};

}  // namespace kova
