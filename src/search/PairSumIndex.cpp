#include "search/PairSumIndex.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace kova {

bool PairSumIndex::Sync(const Source* sources, size_t count, size_t fixed) {
  if (PairsOf(static_cast<int64_t>(count)) > kMaxPairs) {
    runs_.clear();
    sources_.clear();
    return false;
  }
  size_t same = 0;
  const size_t common = std::min(count, sources_.size());
  while (same < common && sources_[same] == sources[same]) ++same;
  // No run reaches across the end of the fixed block.
  if (fixed != fixed_) same = std::min({same, fixed, fixed_});
  fixed_ = fixed;
  Truncate(same);
  sources_.assign(sources, sources + count);

  if (same < fixed) {
    AddRun(same, fixed);
    while (runs_.size() > 1) MergeTop();
    same = fixed;
  }
  for (size_t i = same; i < count; ++i) {
    AddRun(i, i + 1);
    while (runs_.size() >= 2) {
      const Run& top = runs_.back();
      const Run& below = runs_[runs_.size() - 2];
      if (below.first < fixed_ || below.last - below.first > top.last - top.first) break;
      MergeTop();
    }
  }
  return true;
}

void PairSumIndex::Truncate(size_t count) {
  while (!runs_.empty() && runs_.back().first >= count) runs_.pop_back();
  sources_.resize(std::min(count, sources_.size()));
  if (!runs_.empty() && runs_.back().last > count) {
    const size_t first = runs_.back().first;
    runs_.pop_back();
    AddRun(first, count);
  }
}

size_t PairSumIndex::WidthClass(double width) {
  for (size_t c = 0; c < widths_.size(); ++c)
    if (widths_[c] == width) return c;
  widths_.push_back(width);
  return widths_.size() - 1;
}

void PairSumIndex::AddRun(size_t first, size_t last) {
  Run run;
  run.first = first;
  run.last = last;
  for (size_t i = first; i < last; ++i) {
    const Source& b = sources_[i];
    for (size_t j = 0; j < i; ++j) {
      const Source& a = sources_[j];
      const size_t c = WidthClass(a.width > b.width ? a.width : b.width);
      if (run.sums.size() <= c) {
        run.sums.resize(c + 1);
        run.diffs.resize(c + 1);
      }
      run.sums[c].push_back(b.f + a.f);
      run.diffs[c].push_back(b.f >= a.f ? b.f - a.f : a.f - b.f);
    }
  }
  for (auto& v : run.sums) Sort(v);
  for (auto& v : run.diffs) Sort(v);
  runs_.push_back(std::move(run));
}

void PairSumIndex::Sort(std::vector<double>& v) {
  // Non-negative numbers (the sums and differences of frequencies) order as their bit patterns
  // do, which a radix sort puts in order 16 bits at a time from the lowest, passing over the
  // digits that every value shares. Short lists and anything else go to the comparison sort.
  const size_t n = v.size();
  if (n < 4096) {
    std::sort(v.begin(), v.end());
    return;
  }
  bitsA_.resize(n);
  bitsB_.resize(n);
  for (size_t i = 0; i < n; ++i) {
    bitsA_[i] = std::bit_cast<uint64_t>(v[i]);
    if (bitsA_[i] >> 63) {
      std::sort(v.begin(), v.end());
      return;
    }
  }
  digits_.resize(size_t{1} << 16);
  for (int shift = 0; shift < 64; shift += 16) {
    std::fill(digits_.begin(), digits_.end(), 0);
    for (uint64_t x : bitsA_) ++digits_[(x >> shift) & 0xFFFF];
    if (digits_[(bitsA_[0] >> shift) & 0xFFFF] == n) continue;
    size_t start = 0;
    for (size_t& d : digits_) start += std::exchange(d, start);
    for (uint64_t x : bitsA_) bitsB_[digits_[(x >> shift) & 0xFFFF]++] = x;
    bitsA_.swap(bitsB_);
  }
  for (size_t i = 0; i < n; ++i) v[i] = std::bit_cast<double>(bitsA_[i]);
}

void PairSumIndex::MergeTop() {
  Run& top = runs_.back();
  Run& below = runs_[runs_.size() - 2];
  const size_t classes = std::max(top.sums.size(), below.sums.size());
  below.sums.resize(classes);
  below.diffs.resize(classes);
  auto merge = [this](std::vector<double>& into, const std::vector<double>& from) {
    if (from.empty()) return;
    merged_.resize(into.size() + from.size());
    std::merge(into.begin(), into.end(), from.begin(), from.end(), merged_.begin());
    into.swap(merged_);
  };
  for (size_t c = 0; c < top.sums.size(); ++c) {
    merge(below.sums[c], top.sums[c]);
    merge(below.diffs[c], top.diffs[c]);
  }
  below.last = top.last;
  runs_.pop_back();
}

bool PairSumIndex::Covers(double x, double f, double base) const {
  for (size_t c = 0; c < widths_.size(); ++c) {
    const double w = widths_[c] > base ? widths_[c] : base;
    if (!(w >= 0)) continue;  // the check is off for these pairs
    // The bounds of the range around centre m, as ProtectedRange works them out.
    auto lo = [w](double m) { return w > 0 ? m - w + 0.001 : m - 0.001; };
    auto hi = [w](double m) { return w > 0 ? m + w - 0.001 : m + 0.001; };
    for (const Run& run : runs_) {
      if (c >= run.sums.size()) continue;
      // Around s - f: the first sum whose range reaches up to x has the lowest start of all
      // the sums whose ranges do.
      const std::vector<double>& s = run.sums[c];
      auto i = std::partition_point(s.begin(), s.end(), [&](double v) { return hi(v - f) < x; });
      if (i != s.end() && lo(*i - f) <= x) return true;
      // Around d + f likewise; around f - d the ranges fall as d grows, so the last difference
      // whose range reaches up to x is the one.
      const std::vector<double>& d = run.diffs[c];
      i = std::partition_point(d.begin(), d.end(), [&](double v) { return hi(v + f) < x; });
      if (i != d.end() && lo(*i + f) <= x) return true;
      i = std::partition_point(d.begin(), d.end(), [&](double v) { return hi(f - v) >= x; });
      if (i != d.begin() && lo(f - *(i - 1)) <= x) return true;
    }
  }
  return false;
}

}  // namespace kova
