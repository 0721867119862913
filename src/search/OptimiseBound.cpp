#include "search/OptimiseBound.h"

#include <algorithm>
#include <limits>

#include "search/Seeker_Module.h"

namespace kova {

namespace {

// Most parts the candidates are split into: the best split costs the square of it.
constexpr size_t kMaxParts = 512;

// How far from its centre a range of width w removes a candidate (RemoveRange); negative when it
// removes nothing.
double Reach(double w) { return w < 0 ? -1.0 : (w == 0 ? 0.001 : w - 0.001); }

}  // namespace

std::optional<RulerBand> RulerBandFor(const Seeker_Module& seeker, const std::vector<double>& candidates) {
  if (candidates.size() < 3) return std::nullopt;
  const auto fit = FitGrid(candidates.data() + 1, static_cast<int32_t>(candidates.size()) - 1);
  if (!fit) return std::nullopt;
  const auto& w1 = seeker.ChosenSide().Widths;
  const auto& w2 = seeker.CandidateSide().Widths;
  // Spacing: the wider of the two sides. Three channels u < v < w with v - u close to w - v: the
  // last one chosen is removed around 2v - u (the candidates' width) when it is w, around
  // (u + w) / 2 (half the chosen side's width) when it is v; a set chosen in any order obeys the
  // narrower of the two. The 3-transmitter product takes the widest of its widths, at least the
  // wider side's.
  const double spacing = std::max(w1[1], w2[1]);
  const double mid = w1[4] < 0 ? -1.0 : 2 * Reach(w1[4] / 2);
  const double twoTx = std::min(Reach(w2[4]), mid);
  const double threeTx = std::max(w1[5], w2[5]);
  if (!(twoTx > 0)) return std::nullopt;
  // RulerRuleFor takes widths: this one reaches exactly twoTx.
  const auto rule = RulerRuleFor(fit->step, fit->error, spacing, twoTx + 0.001, threeTx);
  if (!rule) return std::nullopt;
  return RulerBand{*rule, fit->pos};
}

int32_t RulerBandBound(const RulerBand& band, const RulerTable& table) {
  const std::vector<int32_t>& pos = band.pos;
  if (pos.empty()) return 0;
  // Parts: runs of neighbouring grid positions. Channels of different parts only make the rule
  // harder to keep, so the parts' bounds add up to a bound.
  std::vector<size_t> first{0};
  for (size_t i = 1; i < pos.size(); ++i)
    if (pos[i] - pos[i - 1] > 1) first.push_back(i);
  if (first.size() > kMaxParts) first.assign(1, 0);
  first.push_back(pos.size());
  const size_t parts = first.size() - 1;
  // best[j]: the bound of parts 0 .. j - 1 over their best split.
  std::vector<int32_t> best(parts + 1, std::numeric_limits<int32_t>::max());
  best[0] = 0;
  for (size_t j = 1; j <= parts; ++j) {
    const int32_t end = pos[first[j] - 1];
    for (size_t i = 0; i < j; ++i) {
      const auto count = static_cast<int32_t>(first[j] - first[i]);
      const int32_t marks = std::min(table.MaxMarks(end - pos[first[i]]), count);
      best[j] = std::min(best[j], best[i] + marks);
    }
  }
  return best[parts];
}

int32_t ConflictGroupBound(const std::vector<std::vector<int32_t>>& covered) {
  const int32_t n = static_cast<int32_t>(covered.size());
  auto conflict = [&](int32_t a, int32_t b) {
    const auto& ca = covered[static_cast<size_t>(a)];
    const auto& cb = covered[static_cast<size_t>(b)];
    return std::binary_search(ca.begin(), ca.end(), b) && std::binary_search(cb.begin(), cb.end(), a);
  };
  std::vector<std::vector<int32_t>> groups;
  constexpr size_t kRecentGroups = 4;
  for (int32_t i = 0; i < n; ++i) {
    bool placed = false;
    for (size_t g = groups.size() > kRecentGroups ? groups.size() - kRecentGroups : 0; g < groups.size() && !placed;
         ++g) {
      auto& members = groups[g];
      if (std::all_of(members.begin(), members.end(), [&](int32_t m) { return conflict(i, m); })) {
        members.push_back(i);
        placed = true;
      }
    }
    if (!placed) groups.push_back({i});
  }
  return static_cast<int32_t>(groups.size());
}

}  // namespace kova
