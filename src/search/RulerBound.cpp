#include "search/RulerBound.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <thread>

namespace kova {

int64_t RulerGapMinLength(int32_t n, const RulerRule& rule) {
  if (n <= 1) return 0;
  const int64_t gaps = n - 1;
  return gaps * rule.minGap + int64_t{rule.tol + 1} * gaps * (gaps - 1) / 2;
}

int32_t RulerGapMaxMarks(int64_t length, const RulerRule& rule) {
  if (length < 0) return 0;
  int32_t n = 1;
  while (RulerGapMinLength(n + 1, rule) <= length) ++n;
  return n;
}

int32_t RulerTable::MaxMarks(int64_t length) const {
  if (length < 0) return 0;
  if (length < static_cast<int64_t>(most.size())) return most[static_cast<size_t>(length)];
  return RulerGapMaxMarks(length, rule);
}

namespace {

enum class Answer { kNo, kYes, kUnknown };

// Is there a ruler with n marks (n >= 3) at 0 and L? Marks are placed from 0 upwards; the mark at
// L is there from the start. Bit d of a distance set stands for distance d; `far` holds the
// distances no new pair may have (each used one widened by tol, and those below minGap), `back`
// the same set seen from L (bit L - d), which rules out the positions whose distance to L is used.
// Reflected rulers are the same problem, so only those whose first gap is below the last are
// walked. Segments between marks are at least as long as the table's shortest ruler with as many
// marks (minLen).
class RulerWalk {
 public:
  RulerWalk(const RulerRule& rule, int32_t L, int32_t n, const std::vector<int32_t>& minLen, int64_t cap,
            const std::atomic<bool>& found, std::atomic<bool>& cancelled, const std::function<bool()>* keepGoing)
      : rule_(rule), L_(L), n_(n), minLen_(minLen), cap_(cap), found_(found), cancelled_(cancelled),
        keepGoing_(keepGoing),
        W_(L / 64 + 1), far_(static_cast<size_t>(n) * W_, 0), back_(static_cast<size_t>(n) * W_, 0),
        bad_(W_, 0), marks_(static_cast<size_t>(n), 0), scratch_(static_cast<size_t>(n)) {
    uint64_t* far = far_.data();
    uint64_t* back = back_.data();
    for (int32_t d = 0; d < rule_.minGap && d <= L_; ++d) Set(far, back, d);
    Widen(far, back, L_);
  }

  // Walks the first gaps g with g % stride == offset.
  Answer Run(int32_t stride, int32_t offset) {
    stride_ = stride;
    offset_ = offset;
    marks_[0] = 0;
    const bool yes = Place(1);
    if (yes) return Answer::kYes;
    return stopped_ ? Answer::kUnknown : Answer::kNo;
  }

  int64_t Nodes() const { return nodes_; }

 private:
  void Set(uint64_t* far, uint64_t* back, int32_t d) const {
    if (d < 0 || d > L_) return;
    far[d >> 6] |= uint64_t{1} << (d & 63);
    const int32_t m = L_ - d;
    back[m >> 6] |= uint64_t{1} << (m & 63);
  }
  void Widen(uint64_t* far, uint64_t* back, int32_t d) const {
    for (int32_t t = -rule_.tol; t <= rule_.tol; ++t) Set(far, back, d + t);
  }
  static bool Test(const uint64_t* bits, int32_t k) { return (bits[k >> 6] >> (k & 63)) & 1; }

  // bad |= far shifted up by s, for the words lo .. hi.
  void OrShifted(const uint64_t* far, int32_t s, int32_t lo, int32_t hi) {
    const int32_t ws = s >> 6, bs = s & 63;
    for (int32_t w = lo; w <= hi; ++w) {
      const int32_t src = w - ws;
      if (src < 0) continue;
      uint64_t v = far[src] << bs;
      if (bs && src >= 1) v |= far[src - 1] >> (64 - bs);
      bad_[static_cast<size_t>(w)] |= v;
    }
  }

  // The smallest sum of k distances outside `far` that differ from each other by more than tol,
  // taken smallest first; anything above `limit` once it is exceeded.
  int32_t SmallestFreeSum(const uint64_t* far, int32_t k, int32_t limit) const {
    int32_t sum = 0;
    int32_t d = 0;
    while (k > 0) {
      while (d <= L_ && Test(far, d)) ++d;
      if (d > L_) return limit + 1;
      sum += d;
      if (sum > limit) return sum;
      --k;
      d += rule_.tol + 1;
    }
    return sum;
  }

  bool Stop() {
    if (found_.load(std::memory_order_relaxed)) return true;
    if (nodes_ > cap_ || cancelled_.load(std::memory_order_relaxed)) return stopped_ = true;
    if ((nodes_ & 0xFFFF) == 0 && keepGoing_ && *keepGoing_ && !(*keepGoing_)()) {
      cancelled_.store(true);  // the other threads stop as well
      return stopped_ = true;
    }
    return false;
  }

  // c marks are placed (marks_[0 .. c - 1]); places mark c.
  bool Place(int32_t c) {
    if (c == n_ - 1) return true;
    const uint64_t* far = far_.data() + static_cast<size_t>(c - 1) * W_;
    const uint64_t* back = back_.data() + static_cast<size_t>(c - 1) * W_;
    // The n - c gaps from the last mark to L are new distances, apart from the used ones and from
    // each other: together at least the smallest such choice.
    if (L_ - marks_[c - 1] < SmallestFreeSum(far, n_ - c, L_ - marks_[c - 1])) return false;

    // The new mark y closes segments [marks_[i], y] of c - i + 1 marks and opens [y, L] of n - c.
    int32_t lo = marks_[c - 1] + rule_.minGap;
    for (int32_t i = 0; i < c; ++i) lo = std::max(lo, marks_[i] + minLen_[static_cast<size_t>(c - i + 1)]);
    int32_t hi = L_ - minLen_[static_cast<size_t>(n_ - c)];
    // First gap below last gap: the first gap is under half the length, and every later mark lies
    // below L minus the first gap.
    if (c == 1) hi = std::min(hi, (L_ - 1) / 2);
    else hi = std::min(hi, L_ - marks_[1] - 1);
    if (lo > hi) return false;

    const int32_t wlo = lo >> 6, whi = hi >> 6;
    for (int32_t w = wlo; w <= whi; ++w) bad_[static_cast<size_t>(w)] = back[w];
    for (int32_t i = 0; i < c; ++i) OrShifted(far, marks_[i], wlo, whi);
    // bad_ is overwritten by the deeper levels: keep this level's copy.
    std::vector<uint64_t>& free = scratch_[static_cast<size_t>(c)];
    free.assign(bad_.begin() + wlo, bad_.begin() + whi + 1);

    uint64_t* nextFar = far_.data() + static_cast<size_t>(c) * W_;
    uint64_t* nextBack = back_.data() + static_cast<size_t>(c) * W_;
    for (int32_t w = wlo; w <= whi; ++w) {
      uint64_t open = ~free[static_cast<size_t>(w - wlo)];
      if (w == wlo) open &= ~uint64_t{0} << (lo & 63);
      if (w == whi && (hi & 63) != 63) open &= (uint64_t{1} << ((hi & 63) + 1)) - 1;
      while (open) {
        const int32_t y = w * 64 + std::countr_zero(open);
        open &= open - 1;
        if (c == 1 && y % stride_ != offset_) continue;
        // The new pairs (marks_[i], y) and (y, L) share y: their distances must differ too.
        bool ok = true;
        for (int32_t i = 0; i < c && ok; ++i) ok = std::abs(2 * y - marks_[i] - L_) > rule_.tol;
        if (!ok) continue;
        ++nodes_;
        if (Stop()) return false;
        std::copy(far, far + W_, nextFar);
        std::copy(back, back + W_, nextBack);
        for (int32_t i = 0; i < c; ++i) Widen(nextFar, nextBack, y - marks_[i]);
        Widen(nextFar, nextBack, L_ - y);
        marks_[static_cast<size_t>(c)] = y;
        if (Place(c + 1)) return true;
        if (stopped_ || found_.load(std::memory_order_relaxed)) return false;
      }
    }
    return false;
  }

  RulerRule rule_;
  int32_t L_;
  int32_t n_;
  const std::vector<int32_t>& minLen_;
  int64_t cap_;
  const std::atomic<bool>& found_;
  std::atomic<bool>& cancelled_;
  const std::function<bool()>* keepGoing_;
  int32_t W_;
  std::vector<uint64_t> far_, back_, bad_;
  std::vector<int32_t> marks_;
  std::vector<std::vector<uint64_t>> scratch_;  // per level: the positions ruled out there
  int32_t stride_ = 1, offset_ = 0;
  int64_t nodes_ = 0;
  bool stopped_ = false;
};

// Whether a ruler of n marks with length exactly L exists, the first gaps shared between threads.
// Yes when any thread finds one; otherwise unknown when any thread stopped; otherwise no. Each
// thread walks its own gaps in a fixed order, so the answer does not depend on their timing.
Answer RulerExists(const RulerRule& rule, int32_t L, int32_t n, const std::vector<int32_t>& minLen,
                   const RulerTableOptions& options) {
  if (n <= 1) return Answer::kYes;
  if (L < rule.minGap) return Answer::kNo;
  if (n == 2) return Answer::kYes;
  std::atomic<bool> found{false};
  std::atomic<bool> cancelled{false};
  const int32_t threads = std::max(1, options.threads);
  std::vector<Answer> answers(static_cast<size_t>(threads), Answer::kNo);
  auto run = [&](int32_t t) {
    // keepGoing belongs to the caller's thread.
    RulerWalk walk(rule, L, n, minLen, options.nodesPerLength / threads, found, cancelled,
                   t == 0 ? &options.keepGoing : nullptr);
    answers[static_cast<size_t>(t)] = walk.Run(threads, t);
    if (answers[static_cast<size_t>(t)] == Answer::kYes) found.store(true);
  };
  if (threads == 1) {
    run(0);
  } else {
    std::vector<std::jthread> helpers;
    for (int32_t t = 1; t < threads; ++t) helpers.emplace_back(run, t);
    run(0);
    helpers.clear();
  }
  if (found.load()) return Answer::kYes;
  for (Answer a : answers)
    if (a == Answer::kUnknown) return Answer::kUnknown;
  return Answer::kNo;
}

}  // namespace

RulerAnswer RulerExtender::Extends(const RulerRule& rule, const RulerTable& table, const std::vector<int32_t>& marks,
                                  const uint64_t* used, const uint64_t* open, int32_t top, int32_t more,
                                  int64_t nodeCap) {
  if (more <= 0) return RulerAnswer::kYes;
  if (marks.empty() || top <= marks.back()) return RulerAnswer::kNo;
  rule_ = rule;
  table_ = &table;
  open_ = open;
  top_ = top;
  cap_ = nodeCap;
  nodes_ = 0;
  W_ = top / 64 + 1;
  marks_.assign(marks.begin(), marks.end());
  const size_t words = static_cast<size_t>(more + 1) * static_cast<size_t>(W_);
  if (used_.size() < words) used_.resize(words);
  if (bad_.size() < words) bad_.resize(words);
  std::copy(used, used + W_, used_.begin());
  // minLen_[k]: no ruler with k marks is shorter (the table's most marks only grow with length).
  minLen_.assign(static_cast<size_t>(more) + 1, 0);
  int32_t L = 0;
  for (int32_t k = 2; k <= more; ++k) {
    while (L <= top_ && table.MaxMarks(L) < k) ++L;
    minLen_[static_cast<size_t>(k)] = L;
  }
  if (Walk(0, more)) return RulerAnswer::kYes;
  return nodes_ > cap_ ? RulerAnswer::kUnknown : RulerAnswer::kNo;
}

// Adds marks from the last one upwards; per depth the used distances and the ruled-out positions.
bool RulerExtender::Walk(int32_t depth, int32_t more) {
  if (more == 0) return true;
  const uint64_t* used = used_.data() + static_cast<size_t>(depth) * W_;
  const int32_t last = marks_.back();
  const int32_t room = top_ - last;
  // The gaps up to the last new mark: free distances, apart from each other by more than tol.
  int32_t sum = 0, d = 0;
  for (int32_t k = 0; k < more; ++k) {
    while (d <= room && ((used[d >> 6] >> (d & 63)) & 1)) ++d;
    sum += d;
    if (d > room || sum > room) return false;
    d += rule_.tol + 1;
  }
  // Each mark with those after it and the new ones is a ruler within [mark, top].
  const int32_t count = static_cast<int32_t>(marks_.size());
  for (int32_t i = 0; i < count; ++i)
    if (table_->MaxMarks(top_ - marks_[static_cast<size_t>(i)]) < count - i + more) return false;

  const int32_t lo = last + rule_.minGap;
  const int32_t hi = top_ - minLen_[static_cast<size_t>(more)];
  if (lo > hi) return false;
  uint64_t* bad = bad_.data() + static_cast<size_t>(depth) * W_;
  const int32_t wlo = lo >> 6, whi = hi >> 6;
  for (int32_t w = wlo; w <= whi; ++w) bad[w] = ~open_[w];
  for (int32_t m : marks_) {
    const int32_t ws = m >> 6, bs = m & 63;
    for (int32_t w = wlo; w <= whi; ++w) {
      const int32_t src = w - ws;
      if (src < 0) continue;
      uint64_t v = used[src] << bs;
      if (bs && src >= 1) v |= used[src - 1] >> (64 - bs);
      bad[w] |= v;
    }
  }
  uint64_t* next = used_.data() + static_cast<size_t>(depth + 1) * W_;
  for (int32_t w = wlo; w <= whi; ++w) {
    uint64_t free = ~bad[w];
    if (w == wlo) free &= ~uint64_t{0} << (lo & 63);
    if (w == whi && (hi & 63) != 63) free &= (uint64_t{1} << ((hi & 63) + 1)) - 1;
    while (free) {
      const int32_t y = w * 64 + std::countr_zero(free);
      free &= free - 1;
      if (++nodes_ > cap_) return false;
      std::copy(used, used + W_, next);
      for (int32_t m : marks_)
        for (int32_t t = std::max(0, y - m - rule_.tol); t <= std::min(top_, y - m + rule_.tol); ++t)
          next[t >> 6] |= uint64_t{1} << (t & 63);
      marks_.push_back(y);
      const bool yes = Walk(depth + 1, more - 1);
      marks_.pop_back();
      if (yes) return true;
      if (nodes_ > cap_) return false;
    }
  }
  return false;
}

RulerTable ComputeRulerTable(const RulerRule& rule, int32_t maxLength, const RulerTableOptions& options) {
  RulerTable table;
  table.rule = rule;
  if (maxLength < 0) return table;
  table.most.assign(static_cast<size_t>(maxLength) + 1, 0);
  table.most[0] = 1;
  table.exactUpTo = 0;
  // minLen[k]: the shortest ruler with k marks, known for every k up to the current best.
  std::vector<int32_t> minLen{0, 0};
  for (int32_t L = 1; L <= maxLength; ++L) {
    // Many short walks never reach a node count that asks: ask once per length as well.
    if (options.keepGoing && !options.keepGoing()) break;
    const int32_t n = table.most[static_cast<size_t>(L) - 1] + 1;
    Answer a = Answer::kNo;
    if (RulerGapMinLength(n, rule) <= L) {
      a = RulerExists(rule, L, n, minLen, options);
      if (a == Answer::kUnknown) break;
    }
    table.most[static_cast<size_t>(L)] = n - 1 + (a == Answer::kYes ? 1 : 0);
    if (a == Answer::kYes) minLen.push_back(L);
    table.exactUpTo = L;
  }
  // Beyond the exact part: a ruler of length L has at most one mark more than one of length
  // L - 1 (drop its last mark), and splits at any a into one within [0, a] and one within
  // [a + 1, L].
  for (int32_t L = table.exactUpTo + 1; L <= maxLength; ++L) {
    const size_t l = static_cast<size_t>(L);
    int32_t best = std::min(RulerGapMaxMarks(L, rule), table.most[l - 1] + 1);
    for (int32_t a = 0; a <= (L - 1) / 2; ++a)
      best = std::min(best, table.most[static_cast<size_t>(a)] + table.most[l - 1 - static_cast<size_t>(a)]);
    table.most[l] = best;
  }
  // The most marks never fall with the length: a bound of a longer length holds for a shorter one.
  for (int32_t L = maxLength; L-- > table.exactUpTo + 1;)
    table.most[static_cast<size_t>(L)] = std::min(table.most[static_cast<size_t>(L)], table.most[static_cast<size_t>(L) + 1]);
  return table;
}

std::optional<GridFit> FitGrid(const double* freqs, int32_t count) {
  constexpr double kMaxError = 0.0001;
  constexpr int64_t kMaxPositions = int64_t{1} << 22;
  if (count < 2) return std::nullopt;
  double smallest = freqs[count - 1] - freqs[0];
  for (int32_t i = 1; i < count; ++i) smallest = std::min(smallest, freqs[i] - freqs[i - 1]);
  if (!(smallest > 0)) return std::nullopt;
  const double span = freqs[count - 1] - freqs[0];
  for (int32_t parts = 1; parts <= 4; ++parts) {
    // Single-precision grid points make the smallest distance a little off the step, which adds
    // up over a wide band: the mean of the short distances, each a whole number of steps, is closer.
    double guess = smallest / parts;
    double sum = 0, units = 0;
    for (int32_t i = 1; i < count; ++i) {
      const double d = freqs[i] - freqs[i - 1];
      const double k = std::round(d / guess);
      if (k > 8) continue;
      sum += d;
      units += k;
    }
    if (units > 0) guess = sum / units;
    const double steps = std::round(span / guess);
    if (!(steps >= 1) || steps > static_cast<double>(kMaxPositions)) return std::nullopt;
    GridFit fit;
    fit.base = freqs[0];
    fit.step = span / steps;
    fit.pos.resize(static_cast<size_t>(count));
    bool on = true;
    for (int32_t i = 0; i < count && on; ++i) {
      const double k = std::round((freqs[i] - fit.base) / fit.step);
      const double e = std::abs(freqs[i] - fit.base - k * fit.step);
      fit.error = std::max(fit.error, e);
      fit.pos[static_cast<size_t>(i)] = static_cast<int32_t>(k);
      on = e <= kMaxError && (i == 0 || fit.pos[static_cast<size_t>(i)] > fit.pos[static_cast<size_t>(i) - 1]);
    }
    if (on) return fit;
  }
  return std::nullopt;
}

std::optional<RulerRule> RulerRuleFor(double step, double error, double spacing, double im3TwoTx, double im3ThreeTx) {
  if (!(step > 0) || !(error >= 0)) return std::nullopt;
  // Room for the rounding of the centres and ranges, far below the 0.001 MHz of the ranges.
  const double e = error + 1e-7;
  // How far from its centre a width protects; negative when it protects nothing.
  auto reach = [](double w) { return w < 0 ? -1.0 : (w == 0 ? 0.001 : w - 0.001); };

  // A gap of g steps is at most g * step + 2e long; it survives the spacing only when longer
  // than the reach, so every gap g has g * step > reach - 2e.
  RulerRule rule;
  const double r = reach(std::max(spacing, 0.0));
  rule.minGap = r - 2 * e >= 0 ? static_cast<int32_t>(std::floor((r - 2 * e) / step)) + 1 : 1;

  // Two distances that differ by D steps put the product within |D| * step + 4e of a channel,
  // which the check removes when that is within its reach: every pair of distances has
  // |D| * step > reach - 4e, so they differ by more than tol = floor((reach - 4e) / step).
  auto tol = [&](double w) {
    const double rw = reach(w);
    return rw - 4 * e >= 0 ? static_cast<int32_t>(std::floor((rw - 4 * e) / step)) : -1;
  };
  rule.tol = std::min(tol(im3TwoTx), tol(im3ThreeTx));
  if (rule.tol < 0) return std::nullopt;
  // Pairs that share their lower or upper mark differ by the distance of their other marks,
  // at least minGap: the rule counts only differences below minGap.
  rule.tol = std::min(rule.tol, rule.minGap - 1);
  return rule;
}

}  // namespace kova
