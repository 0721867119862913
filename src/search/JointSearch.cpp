#include "search/JointSearch.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "search/OptimiseBound.h"
#include "search/SearchRounds.h"
#include "search/Seeker_Module.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {

constexpr int32_t kChains = 2;
// Ranges handed over per chain and round: a few tens of milliseconds of one core.
constexpr int64_t kWorkPerRound = 2'000'000;
// Greedy plans per chain before the local search: the candidates weighed per placement there
// and in the local search's refills.
constexpr int32_t kConstructions = 4;
constexpr int32_t kSampleBuild = 8;
constexpr int32_t kSampleMove = 3;
// The local search: share of worse plans kept, moves a channel taken out stays out, moves
// without a better plan before the chain starts again from its best one, and the share of the
// channels a restart takes out.
constexpr double kKeepWorse = 0.02;
constexpr int64_t kTabuMoves = 3;
constexpr int64_t kRestartAfter = 400;
constexpr double kRestartShare = 0.2;
// Sets a restart may try when it fills its stretch again.
constexpr int64_t kRefillNodes = 300;

// How good a plan is, from the new channels each system holds. A share is the part of a
// system's request the plan meets (received / requested, at most 1). The aim, in order: the
// smallest share as large as possible, then the next smallest and so on (every system at its
// count is the best there is); then the most channels in all. Shares are compared exactly, as
// fractions. Lower keys are better, so that a plan that is no worse is one whose key is not
// above the other's.
class PlanKey {
 public:
  // The worst key of all: any plan is better.
  PlanKey() = default;
  PlanKey(const std::vector<int32_t>& placed, const JointRules& rules) : set_(true) {
    for (int32_t t = 0; t < rules.Systems(); ++t) {
      const int32_t wanted = rules.Wanted(t);
      if (wanted <= 0) continue;
      const int32_t got = std::min(std::max(0, placed[static_cast<size_t>(t)]), wanted);
      shares_.push_back({got, wanted});
      total_ += got;
    }
    std::sort(shares_.begin(), shares_.end(), Less);
  }

  friend bool operator<(const PlanKey& a, const PlanKey& b) { return Compare(a, b) < 0; }
  friend bool operator>(const PlanKey& a, const PlanKey& b) { return Compare(a, b) > 0; }
  friend bool operator<=(const PlanKey& a, const PlanKey& b) { return Compare(a, b) <= 0; }
  friend bool operator>=(const PlanKey& a, const PlanKey& b) { return Compare(a, b) >= 0; }

 private:
  struct Share {
    int32_t got = 0, wanted = 1;
  };
  static bool Less(const Share& a, const Share& b) {
    return static_cast<int64_t>(a.got) * b.wanted < static_cast<int64_t>(b.got) * a.wanted;
  }
  // Negative when a is the better plan.
  static int Compare(const PlanKey& a, const PlanKey& b) {
    if (a.set_ != b.set_) return a.set_ ? -1 : 1;
    for (size_t k = 0; k < a.shares_.size() && k < b.shares_.size(); ++k) {
      if (Less(b.shares_[k], a.shares_[k])) return -1;
      if (Less(a.shares_[k], b.shares_[k])) return 1;
    }
    return a.total_ > b.total_ ? -1 : (a.total_ < b.total_ ? 1 : 0);
  }

  std::vector<Share> shares_;  // smallest first
  int32_t total_ = 0;
  bool set_ = false;
};

// The share of its request that system t holds with `placed` new channels is below that of
// system u with `other`.
bool ShareBelow(int32_t placed, int32_t t, int32_t other, int32_t u, const JointRules& rules) {
  return static_cast<int64_t>(placed) * std::max(1, rules.Wanted(u)) <
         static_cast<int64_t>(other) * std::max(1, rules.Wanted(t));
}

// A plan with, per candidate, how many ranges of its members cover it (each member's ranges
// given all the others, fixed channels included). A candidate outside the plan whose count is 0
// can join it without breaking a rule.
class JointState final : public JointRules::Sink {
 public:
  explicit JointState(const JointRules& rules)
      : rules_(rules),
        count_(static_cast<size_t>(rules.Size()), 0),
        in_(static_cast<size_t>(rules.Size()), 0),
        pos_(static_cast<size_t>(rules.Size()), 0),
        stamp_(static_cast<size_t>(rules.Size()), 0),
        placed_(static_cast<size_t>(rules.Systems()), 0),
        free_(static_cast<size_t>(rules.Systems()), 0) {
    Clear();
  }

  void Clear() {
    std::fill(count_.begin(), count_.end(), 0);
    std::fill(in_.begin(), in_.end(), uint8_t{0});
    std::fill(placed_.begin(), placed_.end(), 0);
    for (int32_t t = 0; t < rules_.Systems(); ++t) free_[static_cast<size_t>(t)] = rules_.End(t) - rules_.Begin(t);
    chosen_.clear();
  }
  void Add(int32_t i) {
    const auto t = static_cast<size_t>(rules_.SystemOf(i));
    if (count_[static_cast<size_t>(i)] == 0) --free_[t];
    in_[static_cast<size_t>(i)] = 1;
    ++placed_[t];
    Emit(i, +1);
    pos_[static_cast<size_t>(i)] = static_cast<int32_t>(chosen_.size());
    chosen_.push_back(i);
  }
  // Candidates that become free go to Freed() (the one taken out as well).
  void Remove(int32_t i) {
    const int32_t p = pos_[static_cast<size_t>(i)];
    const int32_t last = chosen_.back();
    chosen_[static_cast<size_t>(p)] = last;
    pos_[static_cast<size_t>(last)] = p;
    chosen_.pop_back();
    const auto t = static_cast<size_t>(rules_.SystemOf(i));
    in_[static_cast<size_t>(i)] = 0;
    --placed_[t];
    if (count_[static_cast<size_t>(i)] == 0) {
      ++free_[t];
      freed_.push_back(i);
    }
    Emit(i, -1);
  }
  void Load(const std::vector<int32_t>& plan) {
    Clear();
    for (int32_t i : plan) Add(i);
  }

  bool Free(int32_t i) const { return !in_[static_cast<size_t>(i)] && count_[static_cast<size_t>(i)] == 0; }
  bool In(int32_t i) const { return in_[static_cast<size_t>(i)] != 0; }
  int32_t Count(int32_t i) const { return count_[static_cast<size_t>(i)]; }
  int32_t Placed(int32_t t) const { return placed_[static_cast<size_t>(t)]; }
  int32_t FreeOf(int32_t t) const { return free_[static_cast<size_t>(t)]; }
  int32_t Short(int32_t t) const { return std::max(0, rules_.Wanted(t) - Placed(t)); }
  PlanKey Key() const { return PlanKey(placed_, rules_); }
  const std::vector<int32_t>& Chosen() const { return chosen_; }
  std::vector<int32_t>& Freed() { return freed_; }
  int64_t Work() const { return work_; }
  void AddWork(int64_t work) { work_ += work; }

  // How much candidate i would rule out of what the short systems can still use: every free
  // candidate it covers counts with its system's need (channels missing per free candidate).
  double Blocking(int32_t i) {
    for (int32_t t = 0; t < rules_.Systems(); ++t) {
      const int32_t missing = Short(t);
      weight_[static_cast<size_t>(t)] =
          missing > 0 ? static_cast<double>(missing) / std::max(1, FreeOf(t)) : 0.0;
    }
    ++probe_;
    blocked_ = 0;
    probing_ = true;
    Emit(i, 0);
    probing_ = false;
    return blocked_;
  }

  void Cover(int32_t t, double lo, double hi) override {
    ++work_;
    if (probing_) {
      const double w = weight_[static_cast<size_t>(t)];
      if (w <= 0) return;
      rules_.ForEachIn(t, lo, hi, [&](int32_t x) {
        if (stamp_[static_cast<size_t>(x)] == probe_ || !Free(x)) return;
        stamp_[static_cast<size_t>(x)] = probe_;
        blocked_ += w;
      });
      return;
    }
    rules_.ForEachIn(t, lo, hi, [&](int32_t x) {
      int32_t& c = count_[static_cast<size_t>(x)];
      c += delta_;
      if (in_[static_cast<size_t>(x)]) return;
      if (delta_ > 0 && c == 1) {
        --free_[static_cast<size_t>(t)];
      } else if (delta_ < 0 && c == 0) {
        ++free_[static_cast<size_t>(t)];
        freed_.push_back(x);
      }
    });
  }

 private:
  // The ranges of member i given every other member: added (+1), taken back (-1) or weighed (0).
  void Emit(int32_t i, int32_t delta) {
    others_.assign(rules_.Fixed().begin(), rules_.Fixed().end());
    for (int32_t c : chosen_)
      if (c != i) others_.push_back(rules_.MemberOf(c));
    delta_ = delta;
    rules_.Emit(rules_.MemberOf(i), others_.data(), others_.size(), *this);
  }

  const JointRules& rules_;
  std::vector<int32_t> count_;
  std::vector<uint8_t> in_;
  std::vector<int32_t> pos_;
  std::vector<uint32_t> stamp_;
  std::vector<int32_t> placed_;
  std::vector<int32_t> free_;
  std::vector<int32_t> chosen_;
  std::vector<int32_t> freed_;
  std::vector<JointRules::Member> others_;
  std::vector<double> weight_ = std::vector<double>(static_cast<size_t>(rules_.Systems()), 0.0);
  uint32_t probe_ = 0;
  double blocked_ = 0;
  bool probing_ = false;
  int32_t delta_ = 0;
  int64_t work_ = 0;
};

// One chain: its own plan, generator and best plan.
class JointChain {
 public:
  // target: the key of a plan that cannot be bettered.
  JointChain(const JointRules& rules, uint64_t seed, PlanKey target)
      : rules_(rules),
        state_(rules),
        rng_(seed),
        target_(std::move(target)),
        tabuUntil_(static_cast<size_t>(rules.Size()), 0) {}

  const std::vector<int32_t>& Best() const { return best_; }
  const PlanKey& BestKey() const { return bestKey_; }
  const std::vector<int32_t>& BestStart() const { return bestStart_; }

  // A greedy plan from nothing: variant 1 takes the lowest free candidate of the neediest
  // system, variant 3 a random one, the others weigh a sample by what it blocks; from variant 4
  // on the system with the smallest share is served first.
  void Construct(int32_t variant) {
    state_.Clear();
    Fill(variant == 1 || variant == 3 ? 0 : kSampleBuild, variant == 1, nullptr, variant >= 4);
    PlanKey key = state_.Key();
    if (bestStart_.empty() || key < bestStartKey_) {
      bestStart_ = Sorted(state_.Chosen());
      bestStartKey_ = std::move(key);
    }
    NoteBest();
  }
  void StartFromBest() { state_.Load(best_); }

  // Moves until `work` more ranges are handed over, the best plan cannot be bettered or `stop`
  // is set.
  void Run(int64_t work, const std::atomic<bool>& stop) {
    const int64_t end = state_.Work() + work;
    while (state_.Work() < end && bestKey_ > target_ && !stop.load(std::memory_order_relaxed)) Move();
  }

 private:
  static std::vector<int32_t> Sorted(std::vector<int32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  double Uniform() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }
  int32_t Pick(int32_t n) { return std::uniform_int_distribution<int32_t>(0, n - 1)(rng_); }
  bool Tabu(int32_t i) const { return tabuUntil_[static_cast<size_t>(i)] > moves_; }

  void NoteBest() {
    PlanKey key = state_.Key();
    if (key < bestKey_) {
      best_ = Sorted(state_.Chosen());
      bestKey_ = std::move(key);
      sinceBest_ = 0;
    }
  }

  // The short system served next, -1 when no short system has a free candidate left. With
  // `fair` the one holding the smallest share of its request comes first; otherwise, and among
  // equal shares, the one that needs its free candidates most (fewest free candidates per
  // channel missing; then the widest spacing, the fewest candidates in all). `skip` marks
  // systems whose free candidates are all held back.
  int32_t Neediest(const std::vector<uint8_t>& skip, bool fair) const {
    int32_t choice = -1;
    double most = 0;
    for (int32_t t = 0; t < rules_.Systems(); ++t) {
      const int32_t missing = state_.Short(t);
      if (missing == 0 || state_.FreeOf(t) == 0 || skip[static_cast<size_t>(t)]) continue;
      const double need = static_cast<double>(missing) / state_.FreeOf(t);
      auto wider = [&](int32_t a, int32_t b) {
        if (rules_.Spacing(a) != rules_.Spacing(b)) return rules_.Spacing(a) > rules_.Spacing(b);
        return rules_.End(a) - rules_.Begin(a) < rules_.End(b) - rules_.Begin(b);
      };
      if (fair && choice >= 0 && ShareBelow(state_.Placed(choice), choice, state_.Placed(t), t, rules_)) continue;
      const bool lower = fair && choice >= 0 && ShareBelow(state_.Placed(t), t, state_.Placed(choice), choice, rules_);
      if (choice < 0 || lower || need > most || (need == most && wider(t, choice))) {
        choice = t;
        most = need;
      }
    }
    return choice;
  }

  // A free candidate of system t that is not held back: of up to `sample` of them (the lowest,
  // the highest and random others), the one that blocks least; the lowest with sample 0 (or,
  // with `lowest` off, a random one). -1 when there is none.
  int32_t Choose(int32_t t, int32_t sample, bool lowest) {
    pool_.clear();
    for (int32_t i = rules_.Begin(t); i < rules_.End(t); ++i)
      if (state_.Free(i) && !Tabu(i)) pool_.push_back(i);
    state_.AddWork((rules_.End(t) - rules_.Begin(t)) / 16 + 1);
    if (pool_.empty()) return -1;
    if (sample == 0) return lowest ? pool_.front() : pool_[static_cast<size_t>(Pick(static_cast<int32_t>(pool_.size())))];
    const auto n = static_cast<int32_t>(pool_.size());
    weighed_.clear();
    if (n <= sample) {
      weighed_ = pool_;
    } else {
      weighed_.push_back(pool_.front());
      weighed_.push_back(pool_.back());
      for (int32_t k = 2; k < sample; ++k) weighed_.push_back(pool_[static_cast<size_t>(Pick(n))]);
    }
    int32_t choice = -1;
    double least = 0;
    int32_t ties = 0;
    for (int32_t i : weighed_) {
      const double b = state_.Blocking(i);
      if (choice < 0 || b < least) {
        choice = i;
        least = b;
        ties = 1;
      } else if (b == least && i != choice && Pick(++ties) == 0) {
        choice = i;
      }
    }
    return choice;
  }

  // Fills every short system with free candidates, in the order of Neediest; the added ones go
  // to `added` when given.
  void Fill(int32_t sample, bool lowest, std::vector<int32_t>* added, bool fair) {
    std::vector<uint8_t>& skip = skip_;
    skip.assign(static_cast<size_t>(rules_.Systems()), 0);
    for (;;) {
      const int32_t t = Neediest(skip, fair);
      if (t < 0) return;
      const int32_t y = Choose(t, sample, lowest);
      if (y < 0) {
        skip[static_cast<size_t>(t)] = 1;
        continue;
      }
      state_.Add(y);
      if (added) added->push_back(y);
    }
  }

  // A short system, drawn with weight of the share of its request it lacks among those with a
  // candidate outside the plan; -1 when every system has its count.
  int32_t DrawShort() {
    double total = 0;
    int32_t last = -1;
    for (int32_t t = 0; t < rules_.Systems(); ++t)
      if (rules_.End(t) - rules_.Begin(t) > state_.Placed(t) && state_.Short(t) > 0) {
        total += static_cast<double>(state_.Short(t)) / rules_.Wanted(t);
        last = t;
      }
    if (last < 0) return -1;
    double r = Uniform() * total;
    for (int32_t t = 0; t < last; ++t) {
      if (rules_.End(t) - rules_.Begin(t) <= state_.Placed(t) || state_.Short(t) == 0) continue;
      r -= static_cast<double>(state_.Short(t)) / rules_.Wanted(t);
      if (r < 0) return t;
    }
    return last;
  }

  // The candidate of system t outside the plan that the fewest ranges cover, not held back;
  // ties at random. -1 when there is none.
  int32_t Cheapest(int32_t t) {
    int32_t least = std::numeric_limits<int32_t>::max();
    int32_t choice = -1;
    int32_t ties = 0;
    for (int32_t i = rules_.Begin(t); i < rules_.End(t); ++i) {
      if (state_.In(i) || Tabu(i)) continue;
      const int32_t c = state_.Count(i);
      if (c < least) {
        least = c;
        choice = i;
        ties = 1;
      } else if (c == least && Pick(++ties) == 0) {
        choice = i;
      }
    }
    state_.AddWork((rules_.End(t) - rules_.Begin(t)) / 16 + 1);
    return choice;
  }

  // Forces a candidate of a short system in, takes out the members it breaks a rule with (those
  // of the systems holding the largest share of their request first, now and then at random)
  // and fills every short system again, the smallest share first. A plan that is worse is mostly
  // undone.
  void Move() {
    ++moves_;
    state_.AddWork(1);  // a move that finds nothing to do still counts
    if (++sinceBest_ > kRestartAfter) Restart();
    const int32_t t = DrawShort();
    if (t < 0) return;
    const int32_t y = Cheapest(t);
    if (y < 0) return;
    const PlanKey before = state_.Key();
    added_.assign(1, y);
    removed_.clear();
    state_.Add(y);
    for (;;) {
      conflicted_.clear();
      for (int32_t m : state_.Chosen())
        if (m != y && state_.Count(m) > rules_.SelfHits(m)) conflicted_.push_back(m);
      if (conflicted_.empty()) break;
      int32_t x = conflicted_[static_cast<size_t>(Pick(static_cast<int32_t>(conflicted_.size())))];
      if (Uniform() < 0.7) {
        for (int32_t m : conflicted_) {
          const int32_t sm = rules_.SystemOf(m), sx = rules_.SystemOf(x);
          if (ShareBelow(state_.Placed(sx), sx, state_.Placed(sm), sm, rules_)) x = m;
        }
      }
      state_.Remove(x);
      tabuUntil_[static_cast<size_t>(x)] = moves_ + kTabuMoves + Pick(static_cast<int32_t>(kTabuMoves));
      removed_.push_back(x);
    }
    if (state_.Count(y) > rules_.SelfHits(y)) {
      // Breaks a rule on its own with what is left.
      Undo();
      return;
    }
    Fill(kSampleMove, false, &added_, true);
    if (state_.Key() > before && Uniform() >= kKeepWorse) {
      Undo();
      return;
    }
    NoteBest();
  }

  void Undo() {
    for (auto it = added_.rbegin(); it != added_.rend(); ++it)
      if (state_.In(*it)) state_.Remove(*it);
    for (auto it = removed_.rbegin(); it != removed_.rend(); ++it) state_.Add(*it);
    state_.Freed().clear();
  }

  // Back to the best plan with the members of a random stretch of the band (about a fifth of
  // them, at least two) taken out; the stretch is filled again as well as a short search finds
  // and then every short system as usual.
  void Restart() {
    sinceBest_ = 0;
    state_.Load(best_);
    const auto n = static_cast<int32_t>(best_.size());
    if (n == 0) return;
    const int32_t drop = std::min(n, std::max<int32_t>(2, static_cast<int32_t>(kRestartShare * n)));
    // Members by frequency; the stretch starts at a random one.
    byFreq_ = best_;
    std::sort(byFreq_.begin(), byFreq_.end(),
              [this](int32_t a, int32_t b) { return rules_.Freq(a) < rules_.Freq(b); });
    const int32_t first = Pick(n - drop + 1);
    for (int32_t k = first; k < first + drop; ++k) state_.Remove(byFreq_[static_cast<size_t>(k)]);
    RefillStretch(rules_.Freq(byFreq_[static_cast<size_t>(first)]),
                  rules_.Freq(byFreq_[static_cast<size_t>(first + drop - 1)]));
    state_.Freed().clear();
    Fill(kSampleMove, false, nullptr, true);
    NoteBest();
  }

  // Fills lo .. hi with the best set of its free candidates that a search of at most
  // kRefillNodes sets finds: the candidates in ascending order, each taken or passed over; a
  // branch ends when even all free candidates after it could not better the best set so far.
  void RefillStretch(double lo, double hi) {
    window_.clear();
    for (int32_t t = 0; t < rules_.Systems(); ++t)
      rules_.ForEachIn(t, lo, hi, [this](int32_t x) {
        if (state_.Free(x)) window_.push_back(x);
      });
    std::sort(window_.begin(), window_.end(),
              [this](int32_t a, int32_t b) { return rules_.Freq(a) < rules_.Freq(b); });
    taken_.clear();
    windowBest_.clear();
    windowKey_ = state_.Key();
    nodes_ = 0;
    SearchStretch(0);
    for (int32_t x : windowBest_) state_.Add(x);
  }
  void SearchStretch(size_t from) {
    ++nodes_;
    PlanKey key = state_.Key();
    if (key < windowKey_) {
      windowKey_ = std::move(key);
      windowBest_ = taken_;
    }
    room_.assign(static_cast<size_t>(rules_.Systems()), 0);
    for (size_t k = from; k < window_.size(); ++k)
      if (state_.Free(window_[k])) ++room_[static_cast<size_t>(rules_.SystemOf(window_[k]))];
    for (int32_t t = 0; t < rules_.Systems(); ++t)
      room_[static_cast<size_t>(t)] = state_.Placed(t) + std::min(state_.Short(t), room_[static_cast<size_t>(t)]);
    if (PlanKey(room_, rules_) >= windowKey_) return;
    for (size_t k = from; k < window_.size() && nodes_ < kRefillNodes; ++k) {
      const int32_t x = window_[k];
      if (!state_.Free(x) || state_.Short(rules_.SystemOf(x)) == 0) continue;
      state_.Add(x);
      taken_.push_back(x);
      SearchStretch(k + 1);
      taken_.pop_back();
      state_.Remove(x);
    }
  }

  const JointRules& rules_;
  JointState state_;
  std::mt19937_64 rng_;
  PlanKey target_;
  std::vector<int64_t> tabuUntil_;
  std::vector<int32_t> best_;
  PlanKey bestKey_;
  std::vector<int32_t> bestStart_;
  PlanKey bestStartKey_;
  std::vector<int32_t> pool_, weighed_, added_, removed_, conflicted_, byFreq_;
  std::vector<int32_t> window_, taken_, windowBest_, room_;
  PlanKey windowKey_;
  int64_t nodes_ = 0;
  std::vector<uint8_t> skip_;
  int64_t moves_ = 0;
  int64_t sinceBest_ = 0;
};

// Most new channels system t can hold even on its own: at most one of each run of candidates
// within one spacing, and on one grid the ruler argument (see OptimiseBound.h).
int32_t SystemBound(const JointRules& rules, const JointSystemInput& input, int32_t t, PlatformPort& port) {
  const int32_t begin = rules.Begin(t);
  const int32_t n = rules.End(t) - begin;
  if (n == 0) return 0;
  const double near = rules.Spacing(t);
  std::vector<std::vector<int32_t>> covered(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    const double f = rules.Freq(begin + i);
    rules.ForEachIn(t, f - near, f + near, [&](int32_t x) { covered[static_cast<size_t>(i)].push_back(x - begin); });
  }
  int32_t bound = std::min(n, ConflictGroupBound(covered));
  std::vector<double> candidates{0.0};
  for (int32_t i = begin; i < rules.End(t); ++i) candidates.push_back(rules.Freq(i));
  Seeker_Module seeker(port);
  seeker.SetChosenSide(input.params);
  seeker.SetCandidateSide(input.params);
  if (const auto band = RulerBandFor(seeker, candidates))
    bound = std::min(bound, RulerBandBound(*band, RulerTable{band->rule, {}, -1}));
  return bound;
}

std::string ProgressText(int32_t best) { return "Optimising (" + TL_Str(best) + ")"; }

}  // namespace

std::vector<JointPlan> JointOptimise(const std::vector<JointSystemInput>& systems, int32_t lKeep,
                                     const OptimiseSettings& settings, PlatformPort& port, JointSummary& summary) {
  summary = JointSummary{};
  const auto count = static_cast<int32_t>(systems.size());
  const JointRules rules(systems);
  summary.wanted.resize(systems.size());
  summary.found.assign(systems.size(), 0);
  summary.bound.resize(systems.size());
  int32_t wantedAll = 0;
  for (int32_t t = 0; t < count; ++t) {
    summary.wanted[static_cast<size_t>(t)] = std::max(0, rules.Wanted(t));
    summary.bound[static_cast<size_t>(t)] = SystemBound(rules, systems[static_cast<size_t>(t)], t, port);
    summary.totalBound += std::min(summary.wanted[static_cast<size_t>(t)], summary.bound[static_cast<size_t>(t)]);
    wantedAll += summary.wanted[static_cast<size_t>(t)];
  }
  if (wantedAll == 0 || lKeep <= 0 || rules.Size() == 0) return {};
  // No plan can do better than every system at its bound (or its request).
  std::vector<int32_t> reachable(systems.size());
  for (size_t t = 0; t < systems.size(); ++t) reachable[t] = std::min(summary.wanted[t], summary.bound[t]);
  const PlanKey bestPossible(reachable, rules);

  // The rounds' score counts the times the best plan got better.
  SearchRounds rounds(settings, port, ProgressText, 0);
  PlanKey merged;
  int64_t betterings = 0;
  std::vector<std::unique_ptr<JointChain>> chains;
  for (int32_t c = 0; c < kChains; ++c)
    chains.push_back(std::make_unique<JointChain>(
        rules, rounds.Seed() + 0x9E3779B97F4A7C15ULL * static_cast<uint64_t>(c + 1), bestPossible));

  // Round 0 builds the greedy plans, the others search; the chains meet between rounds.
  rounds.Start(
      kChains,
      [&](int32_t c, int64_t round) {
        JointChain& chain = *chains[static_cast<size_t>(c)];
        if (round == 0) {
          for (int32_t k = c; k < kConstructions * kChains && chain.BestKey() > bestPossible; k += kChains)
            chain.Construct(k);
          chain.StartFromBest();
        } else {
          chain.Run(kWorkPerRound, rounds.StopFlag());
        }
      },
      [&] {
        const JointChain* best = chains.front().get();
        for (const auto& chain : chains)
          if (chain->BestKey() < best->BestKey()) best = chain.get();
        if (best->BestKey() < merged) {
          merged = best->BestKey();
          ++betterings;
        }
        return SearchRounds::Merged{static_cast<int32_t>(best->Best().size()), betterings,
                                    best->BestKey() <= bestPossible};
      });
  rounds.Wait();

  // The chains' best plans and best greedy plans, best first, each once.
  std::vector<std::pair<PlanKey, std::vector<int32_t>>> found;
  auto offer = [&](const PlanKey& key, const std::vector<int32_t>& plan) {
    if (plan.empty()) return;
    for (const auto& f : found)
      if (f.second == plan) return;
    found.emplace_back(key, plan);
  };
  for (const auto& chain : chains) offer(chain->BestKey(), chain->Best());
  for (const auto& chain : chains) {
    JointState probe(rules);
    probe.Load(chain->BestStart());
    offer(probe.Key(), chain->BestStart());
  }
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  if (static_cast<int32_t>(found.size()) > lKeep) found.resize(static_cast<size_t>(lKeep));

  std::vector<JointPlan> plans;
  for (const auto& f : found) {
    JointPlan plan(systems.size());
    for (int32_t i : f.second) plan[static_cast<size_t>(rules.SystemOf(i))].push_back(rules.Freq(i));
    plans.push_back(std::move(plan));
  }
  if (!plans.empty()) {
    for (size_t t = 0; t < systems.size(); ++t) {
      summary.found[t] = static_cast<int32_t>(plans.front()[t].size());
      summary.total += summary.found[t];
    }
  }
  if (!found.empty() && found.front().first < merged) rounds.NoteLateBest(betterings + 1);
  summary.secondsToBest = rounds.SecondsToBest();
  summary.seconds = rounds.Elapsed();
  summary.rounds = rounds.Rounds();
  summary.aborted = rounds.Aborted();
  summary.complete = summary.found == summary.wanted;
  summary.optimal = summary.total >= summary.totalBound;
  rounds.Close(summary.total);
  return plans;
}

}  // namespace kova
