#pragma once
// Sums and differences of every pair of a list of source frequencies, sorted, so that the
// 3-transmitter stage of the candidate elimination can ask per candidate whether some pair puts
// a product on it, instead of walking every pair and removing three ranges for each.
//
// A pair (a, b) and a newly added frequency f form the products (b + a) - f, (a - b) + f and
// (b - a) + f; each is the centre of a protection range of width max(base, the pair's own width)
// (see ProtectedRange). Since a - b is exactly -(b - a), the last two are d + f and f - d for the
// pair's difference d = |a - b|. Every range bound is monotone in the sum or the difference, so
// a binary search over the sorted values of pairs of one width finds the one pair that can cover
// a candidate x, and the exact bounds of that pair decide: the answer is the same, bit for bit,
// as testing x against every range.
//
// The list grows and shrinks at its end (the search adds frequencies and goes back); the pairs
// of the sources at the front are kept, those of the sources after the first change are rebuilt.
// The pairs are held in runs: each run holds the pairs whose later source lies in its block of
// sources, and a run is merged with the one below it once it has as many sources (a binary
// counter), so adding a source costs its own pairs' sort plus amortised merges, and a query
// looks into a few runs. The sources in front of `fixed` (the channels already present) form a
// block of their own that the others never merge into, so going back to it is free.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kova {

// The range a protection width covers around a centre: false when the check is off.
inline bool ProtectedRange(double centre, double width, double& lo, double& hi) {
  if (width > 0) {
    lo = centre - width + 0.001;
    hi = centre + width - 0.001;
  } else if (width == 0) {
    lo = centre - 0.001;
    hi = centre + 0.001;
  } else {
    return false;
  }
  return true;
}

class PairSumIndex {
 public:
  // A source frequency and the protection width its system brings to a pair; a pair's own width
  // is the larger of its two sources' widths.
  struct Source {
    double f = 0;
    double width = 0;
    bool operator==(const Source&) const = default;
  };

  // The most pairs held (each costs two values): beyond it Sync refuses.
  static constexpr int64_t kMaxPairs = int64_t{1} << 22;

  // Number of pairs of n sources.
  static int64_t PairsOf(int64_t n) { return n * (n - 1) / 2; }

  // Makes the index hold the pairs of sources[0 .. count - 1], of which the first `fixed` stay
  // the longest. Keeps the pairs of the front that the present list and the new one share.
  // False (and nothing held) when there are more than kMaxPairs pairs.
  bool Sync(const Source* sources, size_t count, size_t fixed);

  // Whether a range of some pair with the added frequency f covers x, every pair's width being
  // max(base, its own width).
  bool Covers(double x, double f, double base) const;

  size_t Sources() const { return sources_.size(); }
  size_t Runs() const { return runs_.size(); }
  size_t Widths() const { return widths_.size(); }

 private:
  // The pairs whose later source lies in sources_[first .. last - 1], per width class: sums and
  // differences, each ascending.
  struct Run {
    size_t first = 0;
    size_t last = 0;
    std::vector<std::vector<double>> sums;
    std::vector<std::vector<double>> diffs;
  };

  void Truncate(size_t count);
  // Adds a run holding the pairs of sources_[first .. last - 1] with every source before each.
  void AddRun(size_t first, size_t last);
  // Merges the top run into the one below it.
  void MergeTop();
  size_t WidthClass(double width);
  // Sorts v ascending.
  void Sort(std::vector<double>& v);

  std::vector<Source> sources_;
  size_t fixed_ = 0;
  std::vector<double> widths_;  // the pair widths met so far, one class each
  std::vector<Run> runs_;
  std::vector<double> merged_;  // scratch of a merge
  std::vector<uint64_t> bitsA_, bitsB_;  // scratch of a sort
  std::vector<size_t> digits_;
};

}  // namespace kova
