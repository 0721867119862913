#include "search/JointRules.h"

#include <algorithm>

namespace kova {

namespace {

// How far from a product a channel protected by width w must stay: the check catches
// |f - p| <= w - 0.002 (0.002 for a width of 0) on products kept to the kilohertz.
double ReachOf(double w) { return w < 0 ? -1.0 : std::max(w - 0.001, 0.003); }

// Marks the candidates of the ranges it receives.
class MarkSink final : public JointRules::Sink {
 public:
  MarkSink(const JointRules& rules, std::vector<uint8_t>& marked) : rules_(rules), marked_(marked) {}
  void Cover(int32_t t, double lo, double hi) override {
    rules_.ForEachIn(t, lo, hi, [this](int32_t i) { marked_[static_cast<size_t>(i)] = 1; });
  }

 private:
  const JointRules& rules_;
  std::vector<uint8_t>& marked_;
};

// Counts the ranges that cover one candidate.
class SelfSink final : public JointRules::Sink {
 public:
  SelfSink(int32_t t, double f) : t_(t), f_(f) {}
  void Cover(int32_t t, double lo, double hi) override {
    if (t == t_ && lo <= f_ && f_ <= hi) ++hits;
  }
  int32_t hits = 0;

 private:
  int32_t t_;
  double f_;
};

}  // namespace

JointRules::JointRules(const std::vector<JointSystemInput>& systems) {
  std::vector<std::vector<double>> lists;
  for (const JointSystemInput& s : systems) lists.emplace_back(s.candidates.begin() + 1, s.candidates.end());
  Build(systems, lists);
  if (fixed_.empty()) return;

  // Every candidate that the channels already present rule out, each taken with those before it.
  std::vector<uint8_t> marked(freq_.size(), 0);
  MarkSink sink(*this, marked);
  for (size_t k = 0; k < fixed_.size(); ++k) Emit(fixed_[k], fixed_.data(), k, sink);
  for (size_t t = 0; t < lists.size(); ++t) {
    std::vector<double>& list = lists[t];
    list.clear();
    for (int32_t i = Begin(static_cast<int32_t>(t)); i < End(static_cast<int32_t>(t)); ++i)
      if (!marked[static_cast<size_t>(i)]) list.push_back(Freq(i));
  }
  Build(systems, lists);
}

void JointRules::Build(const std::vector<JointSystemInput>& systems, const std::vector<std::vector<double>>& lists) {
  systems_.assign(systems.size(), SystemRules{});
  fixed_.clear();
  freq_.clear();
  system_.clear();
  widest_.fill(-1.0);
  for (size_t t = 0; t < systems.size(); ++t) {
    const JointSystemInput& in = systems[t];
    SystemRules& s = systems_[t];
    s.reach.fill(-1.0);
    for (size_t k = 1; k <= 9; ++k) s.reach[k] = ReachOf(in.params[k]);
    s.reach[kNear] = std::max({s.reach[1], s.reach[4], s.reach[9] / 2});
    for (size_t k = 0; k < s.reach.size(); ++k) widest_[k] = std::max(widest_[k], s.reach[k]);
    s.lo1 = in.params[10];
    s.lo2 = in.params[11];
    s.wanted = in.wanted;
    s.group = in.group | (1u << t);
    s.reachMask = in.reach | s.group;
    s.begin = static_cast<int32_t>(freq_.size());
    freq_.insert(freq_.end(), lists[t].begin(), lists[t].end());
    s.end = static_cast<int32_t>(freq_.size());
    system_.insert(system_.end(), lists[t].size(), static_cast<int32_t>(t));
    s.index = CandidateIndex(lists[t].data(), lists[t].data() + lists[t].size());
    for (double f : in.fixed) fixed_.push_back({f, static_cast<int32_t>(t)});
  }
  near5_ = widest_[5];
  selfHits_.assign(freq_.size(), 0);
  for (int32_t i = 0; i < Size(); ++i) {
    SelfSink sink(SystemOf(i), Freq(i));
    Emit(MemberOf(i), nullptr, 0, sink);
    selfHits_[static_cast<size_t>(i)] = sink.hits;
  }
}

int64_t JointRules::Centre(double c, size_t kind, double scale, double other, uint32_t mask, Sink& sink) const {
  if (std::max(widest_[kind] * scale, other) < 0) return 0;
  int64_t ranges = 0;
  for (size_t t = 0; t < systems_.size(); ++t) {
    if (!((mask >> t) & 1u)) continue;
    const SystemRules& s = systems_[t];
    const double r = std::max(s.reach[kind] * scale, other);
    if (r < 0 || s.begin == s.end) continue;
    sink.Cover(static_cast<int32_t>(t), c - r, c + r);
    ++ranges;
  }
  return ranges;
}

int64_t JointRules::Emit(const Member& m, const Member* others, size_t n, Sink& sink) const {
  const double f = m.f;
  const SystemRules& s = systems_[static_cast<size_t>(m.system)];
  const Reach& rs = s.reach;
  int64_t ranges = 0;

  const uint32_t group = s.group;
  const uint32_t reach = s.reachMask;
  auto inGroup = [group](const Member& o) { return ((group >> o.system) & 1u) != 0; };

  // Spacing and the products of f with a single candidate: a candidate too close to f. Two
  // channels closer than any system's 3-transmitter protection would hurt every third one.
  ranges += Centre(f, kNear, 1.0, std::max(rs[kNear], near5_), group, sink);
  // Near zones keep the spacing only.
  if (const uint32_t near = reach & ~group) ranges += Centre(f, 1, 1.0, rs[1], near, sink);

  // Receiver frequencies: of f hitting the candidate, and of the candidate hitting f.
  static constexpr std::array<std::pair<size_t, double>, 5> kReceiver{
      {{2, 1.0}, {6, 1.5}, {7, 1.0 / 3.0 + 1.0}, {3, 2.0}, {8, 2.0}}};
  for (const auto& [kind, times] : kReceiver) {
    const double offset = times * (kind == 8 ? s.lo2 : s.lo1);
    ranges += Centre(f + offset, kind, 1.0, -1.0, reach, sink);
    if (rs[kind] < 0) continue;
    for (size_t t = 0; t < systems_.size(); ++t) {
      if (!((reach >> t) & 1u)) continue;
      const SystemRules& c = systems_[t];
      if (c.begin == c.end) continue;
      const double centre = f - times * (kind == 8 ? c.lo2 : c.lo1);
      sink.Cover(static_cast<int32_t>(t), centre - rs[kind], centre + rs[kind]);
      ++ranges;
    }
  }

  const bool third = widest_[4] >= 0 || widest_[5] >= 0;
  const bool fifth = widest_[9] >= 0;
  for (size_t j = 0; j < n; ++j) {
    if (!inGroup(others[j])) continue;
    const double a = others[j].f;
    const Reach& ru = systems_[static_cast<size_t>(others[j].system)].reach;
    if (third) {
      // 2a - f hits the candidate, 2a - x hits f, f + x - a hits a; and mirrored; the
      // midpoint: 2x - a hits f, 2x - f hits a, a + f - x hits the candidate.
      ranges += Centre(2 * a - f, 4, 1.0, std::max(rs[4], ru[5]), group, sink);
      ranges += Centre(2 * f - a, 4, 1.0, std::max(ru[4], rs[5]), group, sink);
      ranges += Centre((a + f) / 2, 5, 0.5, std::max(rs[4], ru[4]) / 2, group, sink);
    }
    if (fifth) {
      ranges += Centre(3 * a - 2 * f, 9, 1.0, -1.0, group, sink);
      ranges += Centre(3 * f - 2 * a, 9, 1.0, -1.0, group, sink);
      ranges += Centre((3 * a - f) / 2, 0, 0.0, rs[9] / 2, group, sink);
      ranges += Centre((2 * a + f) * (1.0 / 3.0), 0, 0.0, rs[9] / 3, group, sink);
      ranges += Centre((3 * f - a) / 2, 0, 0.0, ru[9] / 2, group, sink);
      ranges += Centre((2 * f + a) * (1.0 / 3.0), 0, 0.0, ru[9] / 3, group, sink);
    }
  }

  // 3-transmitter products of f with every pair of the others: the candidate on a product of
  // the three, or one of the three on a product of the candidate with the other two.
  if (widest_[5] < 0) return ranges;
  for (size_t j = 0; j < n; ++j) {
    if (!inGroup(others[j])) continue;
    const double a = others[j].f;
    const double wa = std::max(rs[5], systems_[static_cast<size_t>(others[j].system)].reach[5]);
    for (size_t k = j + 1; k < n; ++k) {
      if (!inGroup(others[k])) continue;
      const double b = others[k].f;
      const double w = std::max(wa, systems_[static_cast<size_t>(others[k].system)].reach[5]);
      ranges += Centre(a + b - f, 5, 1.0, w, group, sink);
      ranges += Centre(a - b + f, 5, 1.0, w, group, sink);
      ranges += Centre(b - a + f, 5, 1.0, w, group, sink);
    }
  }
  return ranges;
}

}  // namespace kova
