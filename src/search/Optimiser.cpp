#include "search/Optimiser.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <string>

#include "search/CandidateIndex.h"
#include "search/OptimiseBound.h"
#include "search/SearchRounds.h"
#include "search/Seeker_Module.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {

constexpr int32_t kChains = 2;
// Random greedy packings per chain before the local search starts.
constexpr int32_t kRandomStarts = 16;
// Covered ranges per chain and round: a few tens of milliseconds of one core.
constexpr int64_t kWorkPerRound = 1'500'000;
constexpr double kRoundsPerSecond = 20.0;
// The local search: share of moves that force a candidate in, share of the other moves that take
// out two channels instead of one, share of moves that are kept although they lose a channel,
// how many moves a channel taken out stays out, and after how many moves without a better set
// the chain starts again from its best one, shaken.
constexpr double kForceMoves = 0.7;
constexpr double kPairMoves = 0.3;
constexpr double kKeepWorse = 0.02;
constexpr int64_t kTabuMoves = 3;
constexpr int64_t kShakeAfter = 4000;
// Longest band (in grid steps) whose ruler table is worked out beside the chains.
constexpr int32_t kProveSpan = 2048;

// A chosen set with, per candidate, how many of the ranges of the chosen channels cover it
// (ranges of every channel given the others, as if it had been chosen last). A candidate outside
// the set whose count is 0 can be added without breaking the rules; taking a channel out gives
// back exactly what adding it took, so the counts never depend on the order of choice.
class ConflictState final : public Seeker_Module::RangeSink {
 public:
  ConflictState(const Seeker_Module& seeker, const CandidateIndex& index)
      : seeker_(seeker),
        index_(index),
        count_(static_cast<size_t>(index.Size()), 0),
        in_(static_cast<size_t>(index.Size()), 0),
        pos_(static_cast<size_t>(index.Size()), 0) {}

  void Clear() {
    std::fill(count_.begin(), count_.end(), 0);
    std::fill(in_.begin(), in_.end(), uint8_t{0});
    chosen_.clear();
  }
  void Add(int32_t i) {
    Emit(i, +1);
    in_[static_cast<size_t>(i)] = 1;
    pos_[static_cast<size_t>(i)] = static_cast<int32_t>(chosen_.size());
    chosen_.push_back(i);
  }
  // Candidates whose count falls to 0 go to Freed() (the one taken out as well).
  void Remove(int32_t i) {
    const int32_t p = pos_[static_cast<size_t>(i)];
    const int32_t last = chosen_.back();
    chosen_[static_cast<size_t>(p)] = last;
    pos_[static_cast<size_t>(last)] = p;
    chosen_.pop_back();
    in_[static_cast<size_t>(i)] = 0;
    Emit(i, -1);
  }
  bool Free(int32_t i) const { return !in_[static_cast<size_t>(i)] && count_[static_cast<size_t>(i)] == 0; }
  bool In(int32_t i) const { return in_[static_cast<size_t>(i)] != 0; }
  int32_t Count(int32_t i) const { return count_[static_cast<size_t>(i)]; }
  void AddWork(int64_t work) { work_ += work; }
  int32_t Size() const { return static_cast<int32_t>(chosen_.size()); }
  const std::vector<int32_t>& Chosen() const { return chosen_; }
  std::vector<int32_t>& Freed() { return freed_; }
  int64_t Work() const { return work_; }

  // The candidates that the ranges of candidate i alone cover (itself included), ascending;
  // returns how many of those ranges cover i itself.
  int32_t CoveredAlone(int32_t i, std::vector<int32_t>& out) {
    collect_ = &out;
    out.clear();
    buffer_.assign({0.0, index_.At(i)});
    seeker_.EmitRanges(buffer_, *this);
    collect_ = nullptr;
    const auto self = static_cast<int32_t>(std::count(out.begin(), out.end(), i));
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return self;
  }

  void Cover(double lo, double hi) override {
    ++work_;
    const int32_t n = index_.Size();
    if (hi < index_.At(0) || lo > index_.At(n - 1)) return;
    for (int32_t i = index_.LowerBound(lo); i < n && index_.At(i) <= hi; ++i) {
      if (collect_) {
        collect_->push_back(i);
        continue;
      }
      int32_t& c = count_[static_cast<size_t>(i)];
      c += delta_;
      if (c == 0 && delta_ < 0 && !in_[static_cast<size_t>(i)]) freed_.push_back(i);
    }
  }

 private:
  void Emit(int32_t i, int32_t delta) {
    buffer_.resize(1);
    for (int32_t c : chosen_) buffer_.push_back(index_.At(c));
    buffer_.push_back(index_.At(i));
    delta_ = delta;
    seeker_.EmitRanges(buffer_, *this);
  }

  const Seeker_Module& seeker_;
  const CandidateIndex& index_;
  std::vector<int32_t> count_;
  std::vector<uint8_t> in_;
  std::vector<int32_t> pos_;
  std::vector<int32_t> chosen_;
  std::vector<int32_t> freed_;
  std::vector<double> buffer_;
  std::vector<int32_t>* collect_ = nullptr;
  int32_t delta_ = 0;
  int64_t work_ = 0;
};

// One chain of the search: its own state, generator and best set. The set stays compatible: a
// move either takes one or two channels out and refills, or forces in the candidate that breaks
// the fewest rules, takes out what it conflicts with and refills.
class Chain {
 public:
  Chain(const Seeker_Module& seeker, const CandidateIndex& index, const std::vector<int32_t>& selfHits, uint64_t seed,
        int32_t cap)
      : state_(seeker, index),
        selfHits_(selfHits),
        rng_(seed),
        cap_(cap),
        tabuUntil_(static_cast<size_t>(index.Size()), 0) {}

  const std::vector<int32_t>& Best() const { return best_; }
  const std::vector<int32_t>& BestStart() const { return bestStart_; }

  // Greedy packing in the given order; the best packing so far becomes the current set.
  void Pack(const std::vector<int32_t>& order) {
    state_.Clear();
    for (int32_t i : order) {
      if (state_.Size() >= cap_) break;
      if (state_.Free(i)) state_.Add(i);
    }
    if (state_.Size() > static_cast<int32_t>(bestStart_.size())) bestStart_ = Sorted(state_.Chosen());
    NoteBest();
  }
  void PackRandom(int32_t n) {
    order_.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) order_[static_cast<size_t>(i)] = i;
    std::shuffle(order_.begin(), order_.end(), rng_);
    const std::vector<int32_t> order = order_;
    Pack(order);
  }
  void StartFromBest() { Load(best_); }

  // Runs moves until `work` more ranges are covered, the set reaches `target` or `stop` is set.
  void Run(int64_t work, int32_t target, const std::atomic<bool>& stop) {
    const int64_t end = state_.Work() + work;
    while (state_.Work() < end && state_.Size() > 0 && static_cast<int32_t>(best_.size()) < target &&
           !stop.load(std::memory_order_relaxed))
      Move();
  }

 private:
  static std::vector<int32_t> Sorted(std::vector<int32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  double Uniform() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }
  int32_t Pick(int32_t n) { return static_cast<int32_t>(std::uniform_int_distribution<int32_t>(0, n - 1)(rng_)); }

  void NoteBest() {
    if (state_.Size() > static_cast<int32_t>(best_.size())) {
      best_ = Sorted(state_.Chosen());
      sinceBest_ = 0;
    }
  }
  void Load(const std::vector<int32_t>& set) {
    state_.Clear();
    for (int32_t i : set) state_.Add(i);
    pending_.clear();
  }

  // Takes one or two channels out and adds back, in random order, whatever has become free
  // (not what was just taken out). A move that loses a channel is mostly undone.
  void Move() {
    ++moves_;
    ++sinceBest_;
    if (sinceBest_ > kShakeAfter) Shake();
    if (state_.Size() == 0) return;
    if (state_.Size() < cap_ && Uniform() < kForceMoves) {
      ForceMove();
      return;
    }

    state_.Freed().clear();
    const int32_t outCount = state_.Size() >= 2 && Uniform() < kPairMoves ? 2 : 1;
    std::array<int32_t, 2> out{};
    for (int32_t k = 0; k < outCount; ++k) {
      out[static_cast<size_t>(k)] = state_.Chosen()[static_cast<size_t>(Pick(state_.Size()))];
      state_.Remove(out[static_cast<size_t>(k)]);
      tabuUntil_[static_cast<size_t>(out[static_cast<size_t>(k)])] = moves_ + kTabuMoves;
    }

    order_ = state_.Freed();
    order_.insert(order_.end(), pending_.begin(), pending_.end());
    std::shuffle(order_.begin(), order_.end(), rng_);
    added_.clear();
    pending_.clear();
    for (int32_t y : order_) {
      if (!state_.Free(y)) continue;
      if (tabuUntil_[static_cast<size_t>(y)] > moves_ || state_.Size() >= cap_) {
        // Free but held back: tried again in the next moves.
        if (std::find(pending_.begin(), pending_.end(), y) == pending_.end()) pending_.push_back(y);
        continue;
      }
      state_.Add(y);
      added_.push_back(y);
    }

    if (static_cast<int32_t>(added_.size()) < outCount && Uniform() >= kKeepWorse) {
      for (auto it = added_.rbegin(); it != added_.rend(); ++it) state_.Remove(*it);
      for (int32_t k = outCount; k-- > 0;) state_.Add(out[static_cast<size_t>(k)]);
      pending_.clear();
      return;
    }
    NoteBest();
  }

  // Puts in the candidate that breaks the fewest rules, takes out the channels it conflicts with
  // and adds back whatever has become free. A move that loses channels is mostly undone.
  void ForceMove() {
    const int32_t y = Cheapest(-1);
    if (y < 0) return;
    state_.Freed().clear();
    state_.Add(y);
    removed_.clear();
    for (;;) {
      conflicted_.clear();
      for (int32_t s : state_.Chosen()) {
        if (s != y && state_.Count(s) > selfHits_[static_cast<size_t>(s)]) conflicted_.push_back(s);
      }
      if (conflicted_.empty()) break;
      const int32_t x = conflicted_[static_cast<size_t>(Pick(static_cast<int32_t>(conflicted_.size())))];
      state_.Remove(x);
      tabuUntil_[static_cast<size_t>(x)] = moves_ + kTabuMoves + Pick(static_cast<int32_t>(kTabuMoves));
      removed_.push_back(x);
    }
    if (state_.Count(y) > selfHits_[static_cast<size_t>(y)]) {
      // Breaks a rule on its own with what is left (cannot happen with symmetric rules).
      state_.Remove(y);
      for (auto it = removed_.rbegin(); it != removed_.rend(); ++it) state_.Add(*it);
      return;
    }
    order_ = state_.Freed();
    std::shuffle(order_.begin(), order_.end(), rng_);
    added_.clear();
    for (int32_t z : order_) {
      if (state_.Free(z) && tabuUntil_[static_cast<size_t>(z)] <= moves_ && state_.Size() < cap_) {
        state_.Add(z);
        added_.push_back(z);
      }
    }
    const auto gain = 1 + static_cast<int32_t>(added_.size()) - static_cast<int32_t>(removed_.size());
    if (gain < 0 && Uniform() >= kKeepWorse) {
      for (auto it = added_.rbegin(); it != added_.rend(); ++it) state_.Remove(*it);
      state_.Remove(y);
      for (auto it = removed_.rbegin(); it != removed_.rend(); ++it) state_.Add(*it);
      return;
    }
    NoteBest();
  }

  // The candidate outside the set, other than `except` and those held back, that the fewest
  // ranges of the set cover; ties are broken at random. -1 when there is none.
  int32_t Cheapest(int32_t except) {
    const int32_t n = static_cast<int32_t>(tabuUntil_.size());
    int32_t least = std::numeric_limits<int32_t>::max();
    int32_t choice = -1;
    int32_t ties = 0;
    for (int32_t i = 0; i < n; ++i) {
      if (i == except || state_.In(i) || tabuUntil_[static_cast<size_t>(i)] > moves_) continue;
      const int32_t c = state_.Count(i);
      if (c < least) {
        least = c;
        choice = i;
        ties = 1;
      } else if (c == least && Pick(++ties) == 0) {
        choice = i;
      }
    }
    state_.AddWork(n / 16 + 1);
    return choice;
  }

  // Back to the best set with a tenth of it (at least two channels) taken out and the gaps
  // filled in random order.
  void Shake() {
    sinceBest_ = 0;
    Load(best_);
    const int32_t drop = std::max<int32_t>(2, state_.Size() / 10);
    state_.Freed().clear();
    for (int32_t k = 0; k < drop && state_.Size() > 0; ++k) {
      const int32_t x = state_.Chosen()[static_cast<size_t>(Pick(state_.Size()))];
      state_.Remove(x);
      tabuUntil_[static_cast<size_t>(x)] = moves_ + kTabuMoves;
    }
    order_ = state_.Freed();
    std::shuffle(order_.begin(), order_.end(), rng_);
    for (int32_t y : order_) {
      if (state_.Free(y) && tabuUntil_[static_cast<size_t>(y)] <= moves_ && state_.Size() < cap_) state_.Add(y);
      else if (state_.Free(y)) pending_.push_back(y);
    }
    NoteBest();
  }

  ConflictState state_;
  const std::vector<int32_t>& selfHits_;
  std::mt19937_64 rng_;
  int32_t cap_;
  std::vector<int32_t> conflicted_;
  std::vector<int32_t> removed_;
  std::vector<int64_t> tabuUntil_;
  std::vector<int32_t> best_;
  std::vector<int32_t> bestStart_;
  std::vector<int32_t> order_;
  std::vector<int32_t> added_;
  std::vector<int32_t> pending_;
  int64_t moves_ = 0;
  int64_t sinceBest_ = 0;
};

// The part of `set` (ascending positions) that the search's own elimination accepts in
// ascending order, as 1-based frequencies.
std::vector<double> Replay(const Seeker_Module& seeker, const std::vector<double>& candidates,
                           const std::vector<int32_t>& set) {
  std::vector<double> list = candidates;
  int32_t count = static_cast<int32_t>(list.size()) - 1;
  std::vector<double> chosen{0.0};
  for (int32_t i : set) {
    const double f = candidates[static_cast<size_t>(i) + 1];
    const auto end = list.begin() + 1 + count;
    if (!std::binary_search(list.begin() + 1, end, f)) continue;
    chosen.push_back(f);
    seeker.EliminateCandidates(list, count, chosen);
  }
  return chosen;
}

bool IsPrime(int64_t v) {
  if (v < 2) return false;
  for (int64_t d = 2; d * d <= v; ++d)
    if (v % d == 0) return false;
  return true;
}

int64_t PowMod(int64_t b, int64_t e, int64_t m) {
  int64_t r = 1;
  for (b %= m; e > 0; e >>= 1, b = b * b % m)
    if (e & 1) r = r * b % m;
  return r;
}

// A generator of the multiplicative group modulo the prime p.
int64_t PrimitiveRoot(int64_t p) {
  std::vector<int64_t> factors;
  int64_t rest = p - 1;
  for (int64_t d = 2; d * d <= rest; ++d) {
    if (rest % d) continue;
    factors.push_back(d);
    while (rest % d == 0) rest /= d;
  }
  if (rest > 1) factors.push_back(rest);
  for (int64_t g = 2; g < p; ++g) {
    if (std::all_of(factors.begin(), factors.end(), [&](int64_t f) { return PowMod(g, (p - 1) / f, p) != 1; }))
      return g;
  }
  return 1;
}

// p - 1 residues modulo p(p - 1) whose pairwise differences are all distinct there (p prime):
// p i + (p - 1) g^i for i = 1 ... p - 1, g a primitive root. Spread over a band, such a set
// keeps the third-order products of its members off each other, so it is a good first guess
// for the packings.
std::vector<int64_t> DistinctDifferenceSet(int64_t p) {
  const int64_t m = p * (p - 1);
  const int64_t g = PrimitiveRoot(p);
  std::vector<int64_t> set;
  int64_t power = 1;
  for (int64_t i = 1; i < p; ++i) {
    power = power * g % p;
    set.push_back((p * i + (p - 1) * power) % m);
  }
  return set;
}

// The grid the candidates lie on: the usual distance between neighbours (single-precision grid
// points make the distances vary a little), kept to four decimals, stretched to end on the last
// candidate. False when it holds fewer than three points.
bool FitUsualGrid(const CandidateIndex& index, int64_t& points, double& step) {
  const int32_t n = index.Size();
  std::vector<double> gaps;
  for (int32_t i = 1; i < n; ++i) gaps.push_back(index.At(i) - index.At(i - 1));
  std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2), gaps.end());
  const double usual = std::max(std::round(gaps[gaps.size() / 2] * 1e4) / 1e4, 0.001);
  const double span = index.At(n - 1) - index.At(0);
  points = static_cast<int64_t>(std::llround(span / usual)) + 1;
  if (points < 3) return false;
  step = span / static_cast<double>(points - 1);
  return true;
}

// A packing order: the candidates on the given grid points (steps above the lowest candidate)
// first, in ascending order, then every other candidate from the lowest up. `first` is scratch
// of one entry per candidate.
std::vector<int32_t> GridPointsFirst(const CandidateIndex& index, double step, const std::vector<int64_t>& at,
                                     std::vector<uint8_t>& first) {
  const int32_t n = index.Size();
  std::fill(first.begin(), first.end(), uint8_t{0});
  std::vector<int32_t> order;
  for (int64_t a : at) {
    const double f = index.At(0) + static_cast<double>(a) * step;
    const int32_t i = index.LowerBound(f - step / 2);
    if (i < n && index.At(i) <= f + step / 2 && !first[static_cast<size_t>(i)]) {
      first[static_cast<size_t>(i)] = 1;
      order.push_back(i);
    }
  }
  std::sort(order.begin(), order.end());
  for (int32_t i = 0; i < n; ++i)
    if (!first[static_cast<size_t>(i)]) order.push_back(i);
  return order;
}

// Packing orders that try the grid points of a distinct-difference set first (stretched by 1 to
// 4 grid steps, turned and shifted at random), then every other candidate from the lowest up.
void AddDifferenceSetOrders(const CandidateIndex& index, std::mt19937_64& rng,
                            std::vector<std::vector<int32_t>>& orders) {
  constexpr int32_t kVariants = 16;
  const int32_t n = index.Size();
  if (n < 3) return;
  int64_t points = 0;
  double step = 0;
  if (!FitUsualGrid(index, points, step)) return;
  std::vector<uint8_t> first(static_cast<size_t>(n));
  for (int64_t stretch = 1; stretch <= 4; ++stretch) {
    int64_t p = 5;
    for (int64_t q = 5; q * (q - 1) * stretch <= points - 1; ++q)
      if (IsPrime(q)) p = q;
    const int64_t m = p * (p - 1);
    if (m * stretch > points - 1) continue;
    const std::vector<int64_t> set = DistinctDifferenceSet(p);
    for (int32_t v = 0; v < kVariants; ++v) {
      int64_t turn = 1;
      do turn = static_cast<int64_t>(rng() % static_cast<uint64_t>(m));
      while (std::gcd(turn, m) != 1);
      const auto shift = static_cast<int64_t>(rng() % static_cast<uint64_t>(m));
      std::vector<int64_t> at;
      for (int64_t r : set) at.push_back(stretch * ((turn * r + shift) % m));
      orders.push_back(GridPointsFirst(index, step, at, first));
    }
  }
}

// Residues with pairwise distinct differences from the finite planes over GF(q), q prime: d = 3
// gives q + 1 residues modulo q^2 + q + 1 (the exponents of a generator whose powers have no x^2
// term), d = 2 gives q residues modulo q^2 - 1 (the powers of the form a + x). The field is
// GF(q)[x] modulo the first monic polynomial of degree d of which x generates every unit.
std::vector<int64_t> PlaneResidues(int64_t q, int32_t d, int64_t& modulus) {
  const int64_t units = d == 3 ? q * q * q - 1 : q * q - 1;
  modulus = d == 3 ? q * q + q + 1 : q * q - 1;
  const std::array<int64_t, 3> one{1, 0, 0};
  std::vector<int64_t> residues;
  for (int64_t code = 0; code < units + 1; ++code) {
    // x^d = -(c[0] + c[1] x + c[2] x^2)
    const std::array<int64_t, 3> c{code % q, code / q % q, d == 3 ? code / (q * q) : 0};
    if (c[0] == 0) continue;
    std::array<int64_t, 3> v = one;
    residues.clear();
    int64_t i = 0;
    do {
      if (d == 3 ? v[2] == 0 : v[1] == 1) residues.push_back(i % modulus);
      const int64_t top = v[static_cast<size_t>(d - 1)];
      for (int32_t k = d - 1; k > 0; --k)
        v[static_cast<size_t>(k)] = ((v[static_cast<size_t>(k - 1)] - top * c[static_cast<size_t>(k)]) % q + q) % q;
      v[0] = (q - top * c[0] % q) % q;
      ++i;
    } while (i < units && v != one);
    if (i == units && v == one) {
      std::sort(residues.begin(), residues.end());
      residues.erase(std::unique(residues.begin(), residues.end()), residues.end());
      return residues;
    }
  }
  return {};
}

// Rulers of the most marks within `length` cut from the plane residues (multiplied by a unit
// and opened at one residue), marks from 0 up; up to `keep` of them, drawn at random among the
// densest.
std::vector<std::vector<int64_t>> DensestPlaneRulers(int64_t length, size_t keep, std::mt19937_64& rng) {
  constexpr int64_t kLargestPrime = 31;
  constexpr size_t kMostPieces = 4096;
  struct Piece {
    size_t plane;
    int64_t modulus, unit;
    size_t start;
  };
  std::vector<Piece> pieces;
  std::vector<std::vector<int64_t>> planes;  // the residues of each piece's plane
  size_t most = 2;
  std::vector<int64_t> turned;
  for (int64_t q = kLargestPrime; q >= 2; --q) {
    if (!IsPrime(q)) continue;
    for (int32_t d : {3, 2}) {
      // A ruler within length cuts few marks from a much longer cycle.
      const int64_t cycle = d == 3 ? q * q + q + 1 : q * q - 1;
      if (cycle > 4 * length + 16 || (d == 3 ? q + 1 : q) < static_cast<int64_t>(most)) continue;
      int64_t modulus = 0;
      const std::vector<int64_t> residues = PlaneResidues(q, d, modulus);
      const size_t k = residues.size();
      if (k < most) continue;
      const size_t plane = planes.size();
      planes.push_back(residues);
      // t and modulus - t give mirrored rulers, which the placing draws anyway.
      for (int64_t t = 1; 2 * t <= modulus; ++t) {
        if (std::gcd(t, modulus) != 1) continue;
        turned.clear();
        for (int64_t r : residues) turned.push_back(t * r % modulus);
        std::sort(turned.begin(), turned.end());
        size_t end = 0;
        for (size_t start = 0; start < k; ++start) {
          end = std::max(end, start + 1);
          auto at = [&](size_t j) { return turned[j % k] + (j >= k ? modulus : 0); };
          while (end < start + k && at(end) - turned[start] <= length) ++end;
          const size_t marks = end - start;
          if (marks > most) {
            most = marks;
            pieces.clear();
          }
          if (marks == most && pieces.size() < kMostPieces) pieces.push_back({plane, modulus, t, start});
        }
      }
    }
  }
  std::vector<std::vector<int64_t>> rulers;
  for (size_t n = 0; n < keep && !pieces.empty(); ++n) {
    const Piece& p = pieces[static_cast<size_t>(rng() % pieces.size())];
    turned.clear();
    for (int64_t r : planes[p.plane]) turned.push_back(p.unit * r % p.modulus);
    std::sort(turned.begin(), turned.end());
    std::vector<int64_t> marks;
    for (size_t j = 0; j < most; ++j)
      marks.push_back((turned[(p.start + j) % turned.size()] - turned[p.start] + p.modulus) % p.modulus);
    rulers.push_back(std::move(marks));
  }
  return rulers;
}

// Packing orders for short bands that try the grid points of a ruler cut from the plane
// residues first (on every grid point, every second, third or fourth, shifted and mirrored at
// random), then every other candidate from the lowest up.
void AddPlaneRulerOrders(const CandidateIndex& index, std::mt19937_64& rng,
                         std::vector<std::vector<int32_t>>& orders) {
  constexpr int64_t kLongest = 1024;  // grid steps a ruler may span
  constexpr size_t kRulers = 4;       // per stretch
  const int32_t n = index.Size();
  if (n < 3) return;
  int64_t points = 0;
  double step = 0;
  if (!FitUsualGrid(index, points, step)) return;
  std::vector<uint8_t> first(static_cast<size_t>(n));
  for (int64_t stretch = 1; stretch <= 4; ++stretch) {
    const int64_t length = (points - 1) / stretch;
    if (length > kLongest) continue;
    for (const std::vector<int64_t>& ruler : DensestPlaneRulers(length, kRulers, rng)) {
      const int64_t shift = static_cast<int64_t>(rng() % static_cast<uint64_t>(length - ruler.back() + 1));
      const bool mirror = (rng() & 1) != 0;
      std::vector<int64_t> at;
      for (int64_t mark : ruler) at.push_back(stretch * (shift + (mirror ? ruler.back() - mark : mark)));
      orders.push_back(GridPointsFirst(index, step, at, first));
    }
  }
}

std::string ProgressText(int32_t best) { return "Optimising (" + TL_Str(best) + ")"; }

}  // namespace

int64_t OptimiseRoundsFor(double seconds) {
  return std::max<int64_t>(1, std::llround(std::max(seconds, 0.0) * kRoundsPerSecond));
}

std::vector<std::vector<double>> OptimiseChannels(const Seeker_Module& seeker, const std::vector<double>& candidates,
                                                  int32_t lChannels, int32_t lKeep, const OptimiseSettings& settings,
                                                  PlatformPort& port, OptimiseSummary& summary) {
  summary = OptimiseSummary{};
  const int32_t n = candidates.empty() ? 0 : static_cast<int32_t>(candidates.size()) - 1;
  if (n <= 0 || lChannels <= 0 || lKeep <= 0) return {};

  SearchRounds rounds(settings, port, ProgressText);
  const uint64_t seed = rounds.Seed();

  const CandidateIndex index(candidates);

  // What each candidate removes on its own: the orders of the packings and the bound.
  std::vector<std::vector<int32_t>> covered(static_cast<size_t>(n));
  std::vector<int32_t> selfHits(static_cast<size_t>(n), 0);
  {
    ConflictState probe(seeker, index);
    for (int32_t i = 0; i < n; ++i)
      selfHits[static_cast<size_t>(i)] = probe.CoveredAlone(i, covered[static_cast<size_t>(i)]);
  }
  // The chains stop at the group bound (or the request); the ruler bound, where it applies, only
  // tells how far the result can be from the best.
  const int32_t groupBound = std::min(ConflictGroupBound(covered), n);
  const int32_t target = std::min(lChannels, groupBound);
  int32_t bound = groupBound;
  const std::optional<RulerBand> band = RulerBandFor(seeker, candidates);
  if (band) bound = std::min(bound, RulerBandBound(*band, RulerTable{band->rule, {}, -1}));

  // The packing orders: lowest first, highest first, from the centre out, fewest conflicts first.
  std::vector<std::vector<int32_t>> orders(4, std::vector<int32_t>(static_cast<size_t>(n)));
  for (int32_t i = 0; i < n; ++i) orders[0][static_cast<size_t>(i)] = i;
  orders[1].assign(orders[0].rbegin(), orders[0].rend());
  orders[2] = orders[0];
  const double centre = (index.At(0) + index.At(n - 1)) / 2;
  std::stable_sort(orders[2].begin(), orders[2].end(), [&](int32_t a, int32_t b) {
    return std::abs(index.At(a) - centre) < std::abs(index.At(b) - centre);
  });
  orders[3] = orders[0];
  std::stable_sort(orders[3].begin(), orders[3].end(), [&](int32_t a, int32_t b) {
    return covered[static_cast<size_t>(a)].size() < covered[static_cast<size_t>(b)].size();
  });
  // Tried after the random packings, so they take over only with more channels.
  std::vector<std::vector<int32_t>> planeOrders;
  {
    std::mt19937_64 rng(seed);
    AddDifferenceSetOrders(index, rng, orders);
    AddPlaneRulerOrders(index, rng, planeOrders);
  }

  std::vector<std::unique_ptr<Chain>> chains;
  for (int32_t c = 0; c < kChains; ++c)
    chains.push_back(
        std::make_unique<Chain>(seeker, index, selfHits, seed + 0x9E3779B97F4A7C15ULL * static_cast<uint64_t>(c + 1),
                                lChannels));

  // Rounds: 0 packs, the others search. Between rounds the chains are merged in chain order.
  rounds.Start(
      kChains,
      [&](int32_t c, int64_t round) {
        Chain& chain = *chains[static_cast<size_t>(c)];
        if (round == 0) {
          for (int32_t k = c; k < static_cast<int32_t>(orders.size()); k += kChains) chain.Pack(orders[static_cast<size_t>(k)]);
          for (int32_t k = 0; k < kRandomStarts && static_cast<int32_t>(chain.Best().size()) < target; ++k)
            chain.PackRandom(n);
          for (int32_t k = c; k < static_cast<int32_t>(planeOrders.size()) &&
                              static_cast<int32_t>(chain.Best().size()) < target;
               k += kChains)
            chain.Pack(planeOrders[static_cast<size_t>(k)]);
          chain.StartFromBest();
        } else {
          chain.Run(kWorkPerRound, target, rounds.StopFlag());
        }
      },
      [&] {
        int32_t best = 0;
        for (const auto& chain : chains) best = std::max(best, static_cast<int32_t>(chain->Best().size()));
        return SearchRounds::Merged{best, best, best >= target};
      });

  // On a short band this thread works out the ruler table between progress updates, until the
  // chains end or reach the bound; a table cut short still bounds every length.
  if (band && band->pos.back() <= kProveSpan && rounds.Shown() < bound) {
    double shown = rounds.Elapsed();
    int64_t asked = 0;
    RulerTableOptions options;
    options.keepGoing = [&] {
      // Every 10 ms by the clock, and now and then whatever the clock says.
      if (++asked % 64 == 0 || std::abs(rounds.Elapsed() - shown) >= 0.01) {
        rounds.ShowProgress();
        shown = rounds.Elapsed();
      }
      return !rounds.Finished() && rounds.Shown() < bound;
    };
    bound = std::min(bound, RulerBandBound(*band, ComputeRulerTable(band->rule, band->pos.back(), options)));
  }
  rounds.Wait();

  // The chains' best sets and their best packings, each confirmed by the search's elimination.
  std::vector<std::vector<double>> sets;
  auto offer = [&](const std::vector<int32_t>& set) {
    if (set.empty()) return;
    std::vector<double> confirmed = Replay(seeker, candidates, set);
    if (confirmed.size() < 2) return;
    if (std::find(sets.begin(), sets.end(), confirmed) == sets.end()) sets.push_back(std::move(confirmed));
  };
  for (const auto& chain : chains) offer(chain->Best());
  for (const auto& chain : chains) offer(chain->BestStart());
  std::stable_sort(sets.begin(), sets.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
  if (static_cast<int32_t>(sets.size()) > lKeep) sets.resize(static_cast<size_t>(lKeep));

  summary.best = sets.empty() ? 0 : static_cast<int32_t>(sets.front().size()) - 1;
  rounds.NoteLateBest(summary.best);
  summary.secondsToBest = rounds.SecondsToBest();
  summary.seconds = rounds.Elapsed();
  summary.rounds = rounds.Rounds();
  summary.aborted = rounds.Aborted();
  // A set above the ruler bound would mean the rule was read wrongly: the group bound then.
  summary.upperBound = bound >= summary.best ? bound : groupBound;
  summary.optimal = summary.best >= summary.upperBound;
  summary.complete = summary.best >= std::min(lChannels, summary.upperBound);
  rounds.Close(summary.best);
  return sets;
}

}  // namespace kova
