#pragma once
// Upper bounds on how many channels fit into a band when the channels lie on one tuning grid and
// the 2- and 3-transmitter third-order checks are on.
//
// On one grid such a channel set is a ruler: two equal distances between channels put a
// third-order product onto a channel (u, v, w with v - u = w - v: 2v - u = w; p < q < r < s with
// q - p = s - r: r + q - p = s), so all pairwise distances differ from each other by more than the
// product protection, and every distance is at least the spacing. The most marks such a ruler can
// have within a length bounds the channels of any set that the checks accept.
//
// Everything here counts in grid steps. RulerRuleFor turns the widths of the checks (MHz) into a
// rule; FitGrid finds the grid of a candidate list.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kova {

// Marks at integer positions; any two marks at least minGap apart; the distances of any two
// different pairs of marks more than tol apart. Valid rules have 0 <= tol < minGap.
struct RulerRule {
  int32_t minGap = 1;
  int32_t tol = 0;
};

// The gap argument: the n - 1 gaps between neighbouring marks are distances of different pairs,
// so sorted they are at least minGap, minGap + tol + 1, minGap + 2 (tol + 1), ...
// Smallest length of a ruler with n marks by that argument (0 for n <= 1).
int64_t RulerGapMinLength(int32_t n, const RulerRule& rule);
// Most marks of a ruler no longer than `length` by that argument (0 for a negative length).
int32_t RulerGapMaxMarks(int64_t length, const RulerRule& rule);

// Per length L = 0 .. size - 1, the most marks of a ruler of length at most L: exact up to and
// including exactUpTo (found by search), an upper bound above it.
struct RulerTable {
  RulerRule rule;
  std::vector<int32_t> most;
  int32_t exactUpTo = -1;

  // Most marks within `length`: the table, or the gap argument beyond it (0 for a negative length).
  int32_t MaxMarks(int64_t length) const;
};

struct RulerTableOptions {
  // Search nodes one length may take before the exact part of the table stops there.
  int64_t nodesPerLength = int64_t{1} << 28;
  // Threads the search of one length is shared between (the answers do not depend on it).
  int32_t threads = 1;
  // Asked now and then during the search; false stops the exact part where it is.
  std::function<bool()> keepGoing;
};

// The table for lengths 0 .. maxLength. Each length is decided exactly (is there a ruler one mark
// longer than the best of the length before, with marks at both ends?) until a length takes more
// than the node limit or keepGoing says stop; the rest is bounded by the gap argument, by one
// more mark than the length before, and by splitting the length in two.
RulerTable ComputeRulerTable(const RulerRule& rule, int32_t maxLength, const RulerTableOptions& options = {});

enum class RulerAnswer { kNo, kYes, kUnknown };

// Whether a ruler extends by `more` marks above its last one. Keeps its buffers from call to call.
class RulerExtender {
 public:
  // marks: the ruler's positions, ascending (at least one); used: bit d set for every distance d
  // that a new pair may not have (the distances of the marks widened by tol, and those below
  // minGap); open: bit x set where a mark may go; both with top / 64 + 1 words. New marks lie
  // above the last mark and at most at `top`. Unknown once the walk has taken more than nodeCap
  // nodes. `table` bounds the segments.
  RulerAnswer Extends(const RulerRule& rule, const RulerTable& table, const std::vector<int32_t>& marks,
                      const uint64_t* used, const uint64_t* open, int32_t top, int32_t more, int64_t nodeCap);

 private:
  bool Walk(int32_t depth, int32_t more);

  RulerRule rule_;
  const RulerTable* table_ = nullptr;
  const uint64_t* open_ = nullptr;
  int32_t top_ = 0;
  int64_t cap_ = 0;
  int32_t W_ = 0;
  std::vector<int32_t> marks_;
  std::vector<uint64_t> used_, bad_;
  std::vector<int32_t> minLen_;
  int64_t nodes_ = 0;
};

// Ascending frequencies (MHz) on one grid: freq[i] = base + pos[i] * step + e with |e| <= error.
struct GridFit {
  double base = 0;
  double step = 0;
  double error = 0;
  std::vector<int32_t> pos;  // ascending, pos[0] = 0
};
// The grid through the first and last frequency with the smallest neighbour distance as its
// step (or a whole fraction of it); none when some frequency lies more than 0.0001 MHz off it or
// when fewer than two frequencies are given.
std::optional<GridFit> FitGrid(const double* freqs, int32_t count);

// The rule that every channel set on a grid of `step` (frequencies off it by at most `error`)
// obeys when the elimination applies these widths (MHz, negative = check off): spacing between
// two channels, the 2-transmitter third order around 2a - f and 2f - a, and the 3-transmitter
// third order around a + b - f. A width w protects |x - centre| <= w - 0.001 (0.001 for w = 0,
// nothing for w < 0.001 otherwise). None when a third-order check is off or protects too little
// to tell two distances apart.
std::optional<RulerRule> RulerRuleFor(double step, double error, double spacing, double im3TwoTx, double im3ThreeTx);

}  // namespace kova
