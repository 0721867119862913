#pragma once
// The rules of the joint search: the candidates of every searched system on one index, the
// channels already present, and where a set of channels rules out further channels.
//
// A plan of several systems is compatible when no channel lies within its own system's
// protection width of a product of the others or of itself with the others, as the full check
// judges it: spacing, receiver frequencies, 2-transmitter third- and fifth-order products and
// 3-transmitter third-order products of every pair and triple across all systems. Each rule
// between a new channel, a candidate and the members it meets is a range around a centre. Its
// half-width is the widest protection among the channels the rule may hurt, less 1 kHz (at
// least 3 kHz, the reach of a zero width in the check), so a candidate outside every range of a
// set can join it without breaking a rule. Two channels closer than the widest 3-transmitter
// protection of any system are never both taken, which keeps every rule a range around a point.
//
// The ranges of a member depend only on the set it belongs to, never on the order of choice:
// adding a member and taking it out again hand over the same ranges.
//
// Systems in different zones follow the zones' relation: products form only among the
// transmitters of one group of zones and hurt only that group's channels; near groups keep
// spacing and the receiver-side rules from each other; groups apart meet no rule at all.

#include <array>
#include <cstdint>
#include <vector>

#include "model/TCheckParams.h"
#include "search/CandidateIndex.h"

namespace kova {

// One system as the joint search receives it.
struct JointSystemInput {
  TCheckParams params{};           // the check record of the system's type
  std::vector<double> fixed;       // its channels already present, in any order
  std::vector<double> candidates;  // its search grid: 1-based, ascending (entry 0 unused)
  int32_t wanted = 0;              // new channels asked for
  // Zones, as masks of input systems (bit t = system t): the systems whose transmitters form
  // intermodulation products with this one's, and the systems kept at spacing and receiver-side
  // distance from it (the first and those of near zones). Every system by default: one zone.
  uint32_t group = ~0u;
  uint32_t reach = ~0u;
};

class JointRules {
 public:
  struct Member {
    double f = 0;
    int32_t system = 0;
  };
  // Receives the ranges of an emission: candidates x of system t with lo <= x <= hi.
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual void Cover(int32_t t, double lo, double hi) = 0;
  };

  // Keeps only the candidates that the channels already present leave free.
  explicit JointRules(const std::vector<JointSystemInput>& systems);

  int32_t Systems() const { return static_cast<int32_t>(systems_.size()); }
  int32_t Size() const { return static_cast<int32_t>(freq_.size()); }
  int32_t SystemOf(int32_t i) const { return system_[static_cast<size_t>(i)]; }
  double Freq(int32_t i) const { return freq_[static_cast<size_t>(i)]; }
  Member MemberOf(int32_t i) const { return {Freq(i), SystemOf(i)}; }
  // The candidates of system t are Begin(t) .. End(t) - 1, ascending.
  int32_t Begin(int32_t t) const { return systems_[static_cast<size_t>(t)].begin; }
  int32_t End(int32_t t) const { return systems_[static_cast<size_t>(t)].end; }
  int32_t Wanted(int32_t t) const { return systems_[static_cast<size_t>(t)].wanted; }
  // How far a channel of system t keeps every other channel off (the widest spacing-like rule).
  double Spacing(int32_t t) const { return systems_[static_cast<size_t>(t)].reach[kNear]; }
  const std::vector<Member>& Fixed() const { return fixed_; }
  // Ranges of candidate i alone that cover i itself.
  int32_t SelfHits(int32_t i) const { return selfHits_[static_cast<size_t>(i)]; }

  // Hands `sink` every range that member m rules out among the candidates, given the other
  // members others[0 .. n - 1] (m not among them). Returns the number of ranges handed over.
  int64_t Emit(const Member& m, const Member* others, size_t n, Sink& sink) const;
  // Calls sink-like `visit(i)` for every candidate of system t within lo .. hi.
  template <class Visit>
  void ForEachIn(int32_t t, double lo, double hi, Visit&& visit) const {
    const SystemRules& s = systems_[static_cast<size_t>(t)];
    const int32_t n = s.index.Size();
    if (n == 0 || hi < s.index.At(0) || lo > s.index.At(n - 1)) return;
    for (int32_t i = s.index.LowerBound(lo); i < n && s.index.At(i) <= hi; ++i) visit(s.begin + i);
  }

 private:
  // Reach per check kind 1 .. 9 (-1 when off); kNear: the widest rule between two channels of
  // this system alone; 0 is always -1 (for rules where the candidate's own width plays no part).
  static constexpr size_t kNear = 10;
  using Reach = std::array<double, 11>;
  struct SystemRules {
    Reach reach{};
    double lo1 = 0, lo2 = 0;  // oscillator offsets
    int32_t begin = 0, end = 0;
    int32_t wanted = 0;
    uint32_t group = ~0u, reachMask = ~0u;  // see JointSystemInput
    CandidateIndex index{nullptr, nullptr};
  };

  void Build(const std::vector<JointSystemInput>& systems, const std::vector<std::vector<double>>& lists);
  // One rule around centre c: for each system t of `mask` the half-width
  // max(reach_t[kind] * scale, other).
  int64_t Centre(double c, size_t kind, double scale, double other, uint32_t mask, Sink& sink) const;

  std::vector<SystemRules> systems_;
  std::vector<Member> fixed_;
  std::vector<double> freq_;
  std::vector<int32_t> system_;
  std::vector<int32_t> selfHits_;
  Reach widest_{};       // per kind, the widest reach of any system
  double near5_ = -1;    // the widest 3-transmitter reach of any system
};

}  // namespace kova
