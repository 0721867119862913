#pragma once
// Positions of frequencies in an ascending candidate list, found through a table over equal
// steps of the band (each step holds a few candidates at most), so that looking up where a
// range starts costs a step or two instead of a binary search.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kova {

class CandidateIndex {
 public:
  // candidates: 1-based and ascending (entry 0 unused).
  explicit CandidateIndex(const std::vector<double>& candidates)
      : CandidateIndex(candidates.data() + 1, candidates.data() + candidates.size()) {}
  // [first, last): ascending.
  CandidateIndex(const double* first, const double* last) : x_(first, last) {
    constexpr double kMaxBuckets = 1 << 22;
    n_ = static_cast<int32_t>(x_.size());
    if (n_ == 0) return;
    lo_ = x_.front();
    const double span = x_.back() - lo_;
    double gap = span;
    for (int32_t i = 1; i < n_; ++i) gap = std::min(gap, x_[i] - x_[i - 1]);
    step_ = std::max({gap, 0.001, span / kMaxBuckets});
    buckets_ = static_cast<int32_t>(span / step_) + 1;
    first_.resize(static_cast<size_t>(buckets_) + 1);
    int32_t i = 0;
    for (int32_t b = 0; b <= buckets_; ++b) {
      const double start = lo_ + b * step_;
      while (i < n_ && x_[i] < start) ++i;
      first_[static_cast<size_t>(b)] = i;
    }
  }

  int32_t Size() const { return n_; }
  double At(int32_t i) const { return x_[static_cast<size_t>(i)]; }

  // First position whose frequency is v or above (Size() when none is).
  int32_t LowerBound(double v) const {
    if (!(v > lo_)) return 0;
    // One bucket early, so that rounding of the division never skips a candidate.
    const double t = std::min((v - lo_) / step_, static_cast<double>(buckets_));
    int32_t i = first_[static_cast<size_t>(std::max(static_cast<int32_t>(t) - 1, 0))];
    while (i < n_ && x_[static_cast<size_t>(i)] < v) ++i;
    return i;
  }

 private:
  std::vector<double> x_;
  int32_t n_ = 0;
  double lo_ = 0;
  double step_ = 1;
  int32_t buckets_ = 0;
  std::vector<int32_t> first_;
};

}  // namespace kova
