#include "search/Seeker_Module.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "search/PairSumIndex.h"
#include "search/RulerBound.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// Entries of a 1-based list (its upper bound).
inline int32_t Entries(const std::vector<double>& v) { return v.empty() ? 0 : static_cast<int32_t>(v.size()) - 1; }

// Removes ranges from a sorted candidate list without moving entries on every removal: removed
// entries are marked, the live count is kept exact (so every "list empty" exit happens at the
// same removal as with immediate compaction), and the survivors are compacted once at the end.
// The result is the same as removing each range from the list at once, since a removal only
// takes away entries and which ones depends only on the range.
class RangeEraser {
 public:
  RangeEraser(double* list, int32_t count, int32_t& live, uint8_t* removed)
      : x_(list), n_(count), live_(live), removed_(removed) {}

  void Remove(double centre, double width) {
    if (live_ <= 0) return;
    double lo, hi;
    if (!ProtectedRange(centre, width, lo, hi) || !(lo <= hi)) return;
    if (lo > x_[n_] || hi < x_[1]) return;
    // The entries in range form one block: find its start, then walk it (ranges are narrow).
    const double* begin = x_ + 1;
    const double* end = x_ + 1 + n_;
    const double* from = std::lower_bound(begin, end, lo);
    for (const double* p = from; p < end && *p <= hi; ++p) {
      uint8_t& gone = removed_[p - begin];
      if (!gone) {
        gone = 1;
        --live_;
      }
    }
  }

  // Removes every live entry x for which covered(x) holds.
  template <class Covered>
  void RemoveWhere(Covered&& covered) {
    for (int32_t i = 1; i <= n_ && live_ > 0; ++i) {
      uint8_t& gone = removed_[i - 1];
      if (!gone && covered(x_[i])) {
        gone = 1;
        --live_;
      }
    }
  }

  void Compact() {
    if (live_ == n_) return;
    int32_t w = 1;
    for (int32_t i = 1; i <= n_; ++i) {
      if (!removed_[i - 1]) x_[w++] = x_[i];
    }
  }

 private:
  double* x_;
  int32_t n_;
  int32_t& live_;
  uint8_t* removed_;
};

// Removes ranges from a candidate set held as bits over an ascending root list (bit k stands for
// entry k + 1): the entries of the root list inside a range are found as in the list version,
// and those still in the set are cleared. The live count is kept exact for the early ends.
class BitEraser {
 public:
  BitEraser(const double* root, int32_t rootCount, uint64_t* bits, int32_t& live)
      : x_(root), n_(rootCount), bits_(bits), live_(live) {}

  void Remove(double centre, double width) {
    if (live_ <= 0) return;
    double lo, hi;
    if (!ProtectedRange(centre, width, lo, hi) || !(lo <= hi)) return;
    if (lo > x_[n_] || hi < x_[1]) return;
    const double* begin = x_ + 1;
    const double* end = x_ + 1 + n_;
    for (const double* p = std::lower_bound(begin, end, lo); p < end && *p <= hi; ++p) {
      const size_t k = static_cast<size_t>(p - begin);
      const uint64_t bit = uint64_t{1} << (k & 63);
      uint64_t& word = bits_[k >> 6];
      if (word & bit) {
        word &= ~bit;
        --live_;
      }
    }
  }

  template <class Covered>
  void RemoveWhere(Covered&& covered) {
    for (int32_t w = 0; w * 64 < n_ && live_ > 0; ++w) {
      for (uint64_t bits = bits_[w]; bits; bits &= bits - 1) {
        const int32_t k = w * 64 + std::countr_zero(bits);
        if (covered(x_[k + 1])) {
          bits_[w] &= ~(uint64_t{1} << (k & 63));
          --live_;
        }
      }
    }
  }

 private:
  const double* x_;
  int32_t n_;
  uint64_t* bits_;
  int32_t& live_;
};

// How far from its centre a range of `width` reaches (ProtectedRange); below 0 when the check is
// off (a width below 0 or not a number).
inline double ReachOfWidth(double width) { return width > 0 ? width - 0.001 : width == 0 ? 0.001 : -1.0; }

// The width of w1 and w2 whose range reaches further.
inline double Wider(double w1, double w2) { return ReachOfWidth(w2) > ReachOfWidth(w1) ? w2 : w1; }

// Removes the range of `width` around `centre` unless a range of `done` around the same centre,
// removed before, already covers it.
template <class Eraser>
inline void RemoveBeyond(Eraser& e, double centre, double width, double done) {
  if (ReachOfWidth(width) > ReachOfWidth(done)) e.Remove(centre, width);
}

// The products that can land on one of their own sources once a protection width exceeds the
// spacing, and the products of a candidate with one source that land on another source whose
// protection is wider than the candidates' own, for the frequency f just added with one earlier
// source a (a frequency chosen before or a fixed channel) whose system's widths are Wa and whose
// spacing range (taken out when it came) is spacingA. The check counts every such product; the
// stages above remove only the ranges of the candidate's own width there. Only ranges that reach
// beyond what those stages remove around the same centre are handed over, so a project whose
// widths stay within the spacing loses nothing more. The ranges of a pair do not depend on which
// of the two came last.
template <class Eraser>
void OwnSourceRangesOfPair(Eraser& e, double f, double a, const std::array<double, 11>& W1,
                           const std::array<double, 11>& W2, const std::array<double, 11>& Wa, double spacing,
                           double spacingA) {
  constexpr double kThird = 1.0 / 3.0;
  // Two sources closer than the candidate's 3-transmitter width: a + x - f (or f + x - a) lands
  // on every candidate x. (Two sources within their own spacing break the check already; the
  // optimising search holds such a pair only for a moment, and it is left as it was.)
  if (const double reach = ReachOfWidth(W2[5]);
      reach >= 0 && std::fabs(f - a) <= reach && std::fabs(f - a) > ReachOfWidth(Wider(W1[1], Wa[1]))) {
    e.Remove(f, 2000.0);  // covers 0 ... 1000 MHz
    return;
  }
  // f + a - x on a (x near f) and on f (x near a).
  RemoveBeyond(e, f, Wa[5], spacing);
  RemoveBeyond(e, a, W1[5], spacingA);
  // 2a - x on f, x + f - a on a; 2f - x on a, x + a - f on f; 2x - a on f, a + f - x on x.
  RemoveBeyond(e, 2 * a - f, Wider(W1[4], Wa[5]), W2[4]);
  RemoveBeyond(e, 2 * f - a, Wider(Wa[4], W1[5]), W2[4]);
  RemoveBeyond(e, (a + f) / 2, Wider(W1[4] / 2, W2[5] / 2), Wa[4] / 2);
  // 3x - 2a and 3a - 2x on f.
  RemoveBeyond(e, (2 * a + f) * kThird, W1[9] / 3, Wa[9] / 3);
  RemoveBeyond(e, (3 * a - f) / 2, W1[9] / 2, Wa[9] / 2);
}

// The products of the candidate with f alone that land on one of the two: 2x - f and 3x - 2f on
// x or f, and 2f - x and 3f - 2x likewise.
template <class Eraser>
void OwnSourceRangesOfF(Eraser& e, double f, const std::array<double, 11>& W1, const std::array<double, 11>& W2,
                        double spacing) {
  const double w = Wider(Wider(W2[4], W1[4]), Wider(W2[9] / 2, W1[9] / 2));
  RemoveBeyond(e, f, w, spacing);
}

// A source list of the 3-transmitter stage: entries 1..size of `freqs`, each with one width.
struct PairSource {
  const double* freqs;
  int32_t size;
  double width;
};

// The ranges that adding chosen(n) removes, handed to `e` stage by stage: Remove(centre, width)
// for each range; `count` is the eraser's live count, read for the early ends of the stages.
// Both the list elimination and the candidate sets of the systematic search run through here, so
// they remove exactly the same ranges.
// `pairsFor(live)` gives the index of the 3-transmitter pairs when asking it per live candidate
// is the cheaper way, else nullptr (the pairs are walked).
template <class Eraser, class PairsFor>
void EliminateRanges(Eraser& e, const int32_t& count, const std::vector<double>& chosen, const TSearchSystem& chosenSide,
                     const TSearchSystem& candidateSide, const std::vector<TSearchSystem>& contextList,
                     PairsFor&& pairsFor, bool formsProducts = true) {
  const int32_t n = Entries(chosen);
  const double f = chosen[n];
  const auto& W1 = chosenSide.Widths;
  const auto& W2 = candidateSide.Widths;
  const double L1 = chosenSide.LOFreq, L1b = chosenSide.LOFreq2;
  const double L2 = candidateSide.LOFreq, L2b = candidateSide.LOFreq2;
  const int32_t J = static_cast<int32_t>(contextList.size()) - 1;
  constexpr double kThird = 1.0 / 3.0;

  // S1, spacing. The frequency just added is always removed: with Spacing off on both sides the
  // width 0 still takes it out, so it can never be chosen twice.
  double spacing = W2[1] > W1[1] ? W2[1] : W1[1];
  if (spacing < 0) spacing = 0;
  e.Remove(f, spacing);

  if (count >= 1) {
    // S2, receiver spurious frequencies of the added frequency's receiver.
    e.Remove(f + L1, W2[2]);
    e.Remove(f + 1.5 * L1, W2[6]);
    e.Remove(f + (4.0 / 3.0) * L1, W2[7]);
    e.Remove(f + 2 * L1, W2[3]);
    e.Remove(f + 2 * L1b, W2[8]);

    if (count >= 1) {
      // S3, spurious frequencies of the candidates' receivers that the added frequency hits.
      e.Remove(f - L2, W1[2]);
      e.Remove(f - 1.5 * L2, W1[6]);
      e.Remove(f - (4.0 / 3.0) * L2, W1[7]);
      e.Remove(f - 2 * L2, W1[3]);
      e.Remove(f - 2 * L2b, W1[8]);

      // S4, 2-transmitter third order with the frequencies chosen before.
      if (count > 0) {
        for (int32_t k = 1; k < n && count > 0; ++k) {
          const double a = chosen[k];
          e.Remove(2 * a - f, W2[4]);
          e.Remove(2 * f - a, W2[4]);
          e.Remove((a + f) / 2, W1[4] / 2);
        }
      }
    }
  }

  // S5, 2-transmitter third order with the fixed channels.
  for (int32_t j = 0; j <= J && count >= 1; ++j) {
    const TSearchSystem& sys = contextList[j];
    const int32_t m = Entries(sys.Freqs);
    for (int32_t k = 1; k <= m && count > 0; ++k) {
      const double x = sys.Freqs[k];
      e.Remove(2 * x - f, W2[4]);
      e.Remove(2 * f - x, W2[4]);
      e.Remove((x + f) / 2, sys.Widths[4] / 2);
    }
  }

  if (count >= 1) {
    // S6, 2-transmitter fifth order with the frequencies chosen before.
    for (int32_t k = 1; k < n && count > 0; ++k) {
      const double a = chosen[k];
      e.Remove(3 * a - 2 * f, W2[9]);
      e.Remove(3 * f - 2 * a, W2[9]);
      e.Remove((2 * a + f) * kThird, W1[9] / 3);
      e.Remove((2 * f + a) * kThird, W1[9] / 3);
      e.Remove((3 * f - a) / 2, W1[9] / 2);
      e.Remove((3 * a - f) / 2, W1[9] / 2);
    }

    // S7, 2-transmitter fifth order with the fixed channels.
    for (int32_t j = 0; j <= J && count >= 1; ++j) {
      const TSearchSystem& sys = contextList[j];
      const int32_t m = Entries(sys.Freqs);
      const double wj = sys.Widths[9];
      for (int32_t k = 1; k <= m && count > 0; ++k) {
        const double x = sys.Freqs[k];
        e.Remove(3 * x - 2 * f, W2[9]);
        e.Remove(3 * f - 2 * x, W2[9]);
        e.Remove((2 * x + f) * kThird, wj / 3);
        e.Remove((2 * f + x) * kThird, wj / 3);
        e.Remove((3 * f - x) / 2, wj / 2);
        e.Remove((3 * x - f) / 2, wj / 2);
      }
    }
  }

  if (count >= 1) {
    // S9, products on their own sources and on sources of wider protection.
    if (formsProducts) OwnSourceRangesOfF(e, f, W1, W2, spacing);
    for (int32_t k = 1; k < n && count > 0; ++k) OwnSourceRangesOfPair(e, f, chosen[k], W1, W2, W1, spacing, spacing);
    for (int32_t j = 0; j <= J && count >= 1; ++j) {
      const TSearchSystem& sys = contextList[j];
      const int32_t m = Entries(sys.Freqs);
      double spacingJ = W2[1] > sys.Widths[1] ? W2[1] : sys.Widths[1];
      if (spacingJ < 0) spacingJ = 0;
      for (int32_t k = 1; k <= m && count > 0; ++k)
        OwnSourceRangesOfPair(e, f, sys.Freqs[k], W1, W2, sys.Widths, spacing, spacingJ);
    }
  }

  if (count >= 1) {
    // S8, 3-transmitter third order: every unordered pair of distinct entries from the earlier
    // chosen frequencies (source -1) and the fixed channels of each system (sources 0..J).
    auto source = [&](int32_t s) -> PairSource {
      if (s < 0) return {chosen.data(), n - 1, W1[5]};
      const TSearchSystem& sys = contextList[s];
      return {sys.Freqs.data(), Entries(sys.Freqs), sys.Widths[5]};
    };
    // Each width of this stage is the largest of W2[5], W1[5] and the two sources' widths: when
    // none of them is 0 or more, the stage cannot remove anything and is skipped.
    bool anyOn = W2[5] >= 0 || W1[5] >= 0;
    for (int32_t s = 0; s <= J && !anyOn; ++s) anyOn = Entries(contextList[s].Freqs) > 0 && contextList[s].Widths[5] >= 0;
    if (!anyOn) return;

    // The chosen frequencies' own width is W1[5], which every pair's width takes in anyway. The
    // widths are taken in as the walk below takes them: a width that is not a number is passed
    // over, unless it is W2[5], which then turns the stage off.
    if constexpr (requires { e.RemoveWhere([](double) { return false; }); }) {
      if (const PairSumIndex* pairs = pairsFor(count)) {
        double base = W2[5];
        if (W1[5] > base) base = W1[5];
        e.RemoveWhere([&](double x) { return pairs->Covers(x, f, base); });
        return;
      }
    }

    for (int32_t s1 = -1; s1 <= J; ++s1) {
      const PairSource A = source(s1);
      for (int32_t i1 = 1; i1 <= A.size; ++i1) {
        const double a = A.freqs[i1];
        for (int32_t s2 = s1; s2 <= J; ++s2) {
          const PairSource B = source(s2);
          for (int32_t i2 = (s2 == s1 ? i1 + 1 : 1); i2 <= B.size; ++i2) {
            const double b = B.freqs[i2];
            double w = W2[5];
            if (A.width > w) w = A.width;
            if (B.width > w) w = B.width;
            if (W1[5] > w) w = W1[5];
            e.Remove(b + a - f, w);
            e.Remove(a - b + f, w);
            e.Remove(b - a + f, w);
            if (count == 0) return;
          }
        }
      }
    }
  }

}

// The ranges that adding chosen(n) removes because of chosen(n - 1) as an earlier frequency:
// those of the 2-transmitter stages with it and of the 3-transmitter pairs that hold it. Adding
// chosen(n) after chosen(1 .. n - 1) removes what adding it after chosen(1 .. n - 2) removes plus
// these, since every stage is a union over the earlier frequencies and their pairs.
template <class Eraser>
void EliminateNewRanges(Eraser& e, const std::vector<double>& chosen, const TSearchSystem& chosenSide,
                        const TSearchSystem& candidateSide, const std::vector<TSearchSystem>& contextList) {
  const int32_t n = Entries(chosen);
  const double f = chosen[n];
  const double a = chosen[n - 1];
  const auto& W1 = chosenSide.Widths;
  const auto& W2 = candidateSide.Widths;
  const int32_t J = static_cast<int32_t>(contextList.size()) - 1;
  constexpr double kThird = 1.0 / 3.0;

  e.Remove(2 * a - f, W2[4]);
  e.Remove(2 * f - a, W2[4]);
  e.Remove((a + f) / 2, W1[4] / 2);

  double spacing = W2[1] > W1[1] ? W2[1] : W1[1];
  if (spacing < 0) spacing = 0;
  OwnSourceRangesOfPair(e, f, a, W1, W2, W1, spacing, spacing);

  e.Remove(3 * a - 2 * f, W2[9]);
  e.Remove(3 * f - 2 * a, W2[9]);
  e.Remove((2 * a + f) * kThird, W1[9] / 3);
  e.Remove((2 * f + a) * kThird, W1[9] / 3);
  e.Remove((3 * f - a) / 2, W1[9] / 2);
  e.Remove((3 * a - f) / 2, W1[9] / 2);

  // Pairs of an earlier chosen frequency with chosen(n - 1), then of chosen(n - 1) with each fixed
  // channel, as the pair walk of the full elimination forms them.
  double w = W2[5];
  if (W1[5] > w) w = W1[5];
  for (int32_t k = 1; k < n - 1; ++k) {
    const double x = chosen[k];
    e.Remove(a + x - f, w);
    e.Remove(x - a + f, w);
    e.Remove(a - x + f, w);
  }
  for (int32_t j = 0; j <= J; ++j) {
    const TSearchSystem& sys = contextList[j];
    const int32_t m = Entries(sys.Freqs);
    double wj = W2[5];
    if (W1[5] > wj) wj = W1[5];
    if (sys.Widths[5] > wj) wj = sys.Widths[5];
    for (int32_t k = 1; k <= m; ++k) {
      const double b = sys.Freqs[k];
      e.Remove(b + a - f, wj);
      e.Remove(a - b + f, wj);
      e.Remove(b - a + f, wj);
    }
  }
}

}  // namespace

TSearchSystem MakeSearchSystem(const TCheckParams& params, const std::vector<double>& freqs) {
  TSearchSystem s;
  if (!freqs.empty()) s.Freqs = freqs;
  s.Freqs[0] = 0.0;
  for (int k = 1; k <= 9; ++k) s.Widths[k] = params[k];
  s.Widths[0] = 0.0;
  s.Widths[10] = 0.0;
  s.LOFreq = params[10];
  s.LOFreq2 = params[11];
  return s;
}

Seeker_Module::Seeker_Module(PlatformPort& port) : port_(port) {}

void Seeker_Module::SetContext(const std::vector<double>& freqs, const TCheckParams& params, int32_t i) {
  if (i < 0) return;
  if (i == 0) contextList_.assign(1, TSearchSystem{});
  else contextList_.resize(static_cast<size_t>(i) + 1);
  contextList_[i] = MakeSearchSystem(params, freqs);
}

void Seeker_Module::SetChosenSide(const TCheckParams& params) { chosenSide_ = MakeSearchSystem(params, {}); }

void Seeker_Module::SetCandidateSide(const TCheckParams& params) { candidateSide_ = MakeSearchSystem(params, {}); }

// ---------------------------------------------------------------------------------------------
// Candidate elimination

void Seeker_Module::RemoveRange(std::vector<double>& list, int32_t& count, double centre, double width) {
  if (count > Entries(list)) count = Entries(list);
  if (count <= 0) return;
  double lo, hi;
  if (!ProtectedRange(centre, width, lo, hi) || !(lo <= hi)) return;
  if (lo > list[count] || hi < list[1]) return;
  if (lo <= list[1] && hi >= list[count]) {
    count = 0;
    return;
  }
  // The list is ascending, so the entries in range form one block [from, to).
  auto begin = list.begin() + 1;
  auto end = list.begin() + 1 + count;
  auto from = std::lower_bound(begin, end, lo);
  auto to = std::upper_bound(from, end, hi);
  if (from == to) return;
  std::copy(to, end, from);
  count -= static_cast<int32_t>(to - from);
}

void Seeker_Module::EliminateCandidates(std::vector<double>& list, int32_t& count,
                                        const std::vector<double>& chosen) const {
  if (count > Entries(list)) count = Entries(list);
  const int32_t n = Entries(chosen);
  if (count <= 0 || n < 1) return;

  const int32_t total = count;
  if (removed_.size() < static_cast<size_t>(total)) removed_.resize(total);
  std::fill_n(removed_.begin(), total, uint8_t{0});
  RangeEraser e(list.data(), total, count, removed_.data());

  EliminateRanges(e, count, chosen, chosenSide_, candidateSide_, contextList_,
                  [&](int32_t left) { return PairsFor(chosen, left); }, chosenFormsProducts_);
  if (count > 0) e.Compact();
}

const PairSumIndex* Seeker_Module::PairsFor(const std::vector<double>& chosen, int32_t live) const {
  const int32_t n = Entries(chosen);
  int64_t sources = n - 1;
  for (const TSearchSystem& sys : contextList_) sources += Entries(sys.Freqs);
  const int64_t pairs = PairSumIndex::PairsOf(sources);
  // A query costs three binary searches per width of the pairs in each run of the index, where
  // a pair costs the walk three ranges, measured at about two such queries. The index holds one
  // run for the channels already present and one per set bit of the number of earlier chosen
  // frequencies; the pairs of chosen frequencies alone are few and cost little.
  const int64_t runs = 1 + std::popcount(static_cast<uint32_t>(std::max(n - 1, 0)));
  int64_t widths = 0;
  for (size_t j = 0; j < contextList_.size(); ++j) {
    if (Entries(contextList_[j].Freqs) == 0) continue;
    bool seen = false;
    for (size_t i = 0; i < j && !seen; ++i)
      seen = Entries(contextList_[i].Freqs) > 0 && contextList_[i].Widths[5] == contextList_[j].Widths[5];
    if (!seen) ++widths;
  }
  if (pairs > PairSumIndex::kMaxPairs || int64_t{live} * runs * std::max<int64_t>(widths, 1) >= 2 * pairs) return nullptr;

  // A source width that never counts: that of the chosen frequencies (W1[5] comes in as the
  // base of every pair) and one that is not a number (the walk passes it over).
  constexpr double kOff = -std::numeric_limits<double>::infinity();
  pairSources_.clear();
  for (const TSearchSystem& sys : contextList_) {
    const double width = std::isnan(sys.Widths[5]) ? kOff : sys.Widths[5];
    for (int32_t k = 1; k <= Entries(sys.Freqs); ++k) pairSources_.push_back({sys.Freqs[k], width});
  }
  const size_t fixed = pairSources_.size();
  for (int32_t k = 1; k < n; ++k) pairSources_.push_back({chosen[k], kOff});
  if (!pairs_.Sync(pairSources_.data(), pairSources_.size(), fixed)) return nullptr;
  return &pairs_;
}

void Seeker_Module::EmitRanges(const std::vector<double>& chosen, RangeSink& sink) const {
  if (Entries(chosen) < 1) return;
  // The protection ranges as the erasers work them out; the stages end early only when the live
  // count reaches 0, and a sink never removes anything.
  struct Adapter {
    RangeSink& sink;
    void Remove(double centre, double width) {
      double lo, hi;
      if (ProtectedRange(centre, width, lo, hi) && lo <= hi) sink.Cover(lo, hi);
    }
  } adapter{sink};
  const int32_t live = 1;
  EliminateRanges(adapter, live, chosen, chosenSide_, candidateSide_, contextList_,
                  [](int32_t) -> const PairSumIndex* { return nullptr; });
}

// ---------------------------------------------------------------------------------------------
// Search

int32_t Seeker_Module::RunSearch(const std::vector<double>& candidates, int32_t lTarget, int32_t lKeep,
                                 std::vector<std::vector<double>>& sets) {
  const int32_t n = Entries(candidates);
  std::vector<double> chosen{0.0};
  chosen.reserve(static_cast<size_t>(n) + 2);
  std::vector<double> best{0.0};
  best.reserve(static_cast<size_t>(n) + 2);

  lTargetCount_ = lTarget;
  bRandomSearch_ = lTarget > 0;
  ResetResultSets(lKeep);

  port_.randomize();
  int32_t depth = 0;
  if (bRandomSearch_) {
    depth = SearchLevel(candidates, n, chosen, best);
  } else {
    // The systematic search holds its candidate sets as bits over this list.
    root_ = candidates.data();
    rootCount_ = n;
    words_ = (n + 63) / 64;
    levels_.clear();
    rulerOn_ = false;
    suffixBest_.assign(static_cast<size_t>(n) + 1, n);
    std::vector<uint64_t> all(static_cast<size_t>(words_), 0);
    for (int32_t k = 0; k < n; ++k) all[static_cast<size_t>(k) >> 6] |= uint64_t{1} << (k & 63);
    depth = SystematicLevel(all.data(), n, chosen, best);
    root_ = nullptr;
  }

  sets.clear();
  if (bRandomSearch_) sets.push_back(best);
  else sets = resultSets_;
  return depth;
}

int32_t Seeker_Module::SystematicLevel(const uint64_t* p, int32_t n, std::vector<double>& q, std::vector<double>& r) {
  ++nodeCount_;
  const int32_t a = Entries(q);
  int32_t max = 0;
  int32_t result = 0;

  if (a == 0) {
    ReportSearchProgress(0, n, n, Entries(r));
    ComputeSuffixBounds(p, n, q);
  }

  while (levels_.size() <= static_cast<size_t>(a)) levels_.emplace_back();
  LevelScratch& level = levels_[static_cast<size_t>(a)];

  // The candidates that may be chosen here: those above the last chosen frequency, in ascending
  // order, with their positions in this level's list (what the progress estimate counts).
  const int32_t start = static_cast<int32_t>(std::upper_bound(root_ + 1, root_ + 1 + rootCount_, q[a]) - (root_ + 1));
  level.index.clear();
  int32_t below = 0;
  for (int32_t w = 0; w < words_; ++w) {
    uint64_t bits = p[w];
    while (bits) {
      const int32_t k = w * 64 + std::countr_zero(bits);
      bits &= bits - 1;
      if (k < start) ++below;
      else level.index.push_back(k);
    }
  }
  const int32_t m = static_cast<int32_t>(level.index.size());

  // A set kept below this node holds the a chosen frequencies and at most as many more as the
  // candidates from the first one above on can give; when that cannot displace a kept set, no set
  // of this branch would be kept.
  const int32_t cap = m > 0 ? std::min(PrefixCap(q), RulerCap(p, q)) : 0;
  const int32_t most = m > 0 ? std::min({m, suffixBest_[static_cast<size_t>(level.index[0])], cap}) : 0;
  // The same when no ruler of more than the kept sets can grow from the chosen frequencies.
  if (m > 0 && !(keepThreshold_ >= 0 && (a + most <= keepThreshold_ || RulerRulesOut(p, a, keepThreshold_ + 1 - a)))) {
    if (q.size() != static_cast<size_t>(a) + 2) q.resize(static_cast<size_t>(a) + 2);
    const bool eager = static_cast<int64_t>(m) * words_ <= kEagerWords;
    level.prepared = false;
    if (eager) PrepareChildren(p, n, q, level);
    else level.sets.resize(static_cast<size_t>(words_));

    for (int32_t j = 0; j < m; ++j) {
      if (a <= 100 && !ReportSearchProgress(a + 1, below + 1 + j, n, Entries(r))) break;
      // The candidates from j on hold at most bound[j] mutually compatible frequencies (or, without
      // the prepared children, m - j), and no more than the best set of their suffix; both bounds
      // only fall with j and the threshold only rises.
      const int32_t bound = std::min({eager ? level.bound[static_cast<size_t>(j)] : m - j,
                                      suffixBest_[static_cast<size_t>(level.index[static_cast<size_t>(j)])], cap});
      if (keepThreshold_ >= 0 && a + bound <= keepThreshold_) break;

      if (q.size() != static_cast<size_t>(a) + 2) q.resize(static_cast<size_t>(a) + 2);
      q[static_cast<size_t>(a) + 1] = root_[level.index[static_cast<size_t>(j)] + 1];
      const uint64_t* child = level.sets.data();
      int32_t cnt = 0;
      if (eager) {
        child += static_cast<size_t>(j) * static_cast<size_t>(words_);
        cnt = level.count[static_cast<size_t>(j)];
      } else {
        std::copy(p, p + words_, level.sets.begin());
        cnt = n;
        BitEraser e(root_, rootCount_, level.sets.data(), cnt);
        EliminateRanges(e, cnt, q, chosenSide_, candidateSide_, contextList_,
                        [&](int32_t left) { return PairsFor(q, left); });
      }
      if (cnt <= 0) {
        // Nothing can be added any more: the set is maximal.
        KeepResultSet(q);
      } else if (eager && keepThreshold_ >= 0 &&
                 a + 1 + GroupsMeeting(level, child, level.index[static_cast<size_t>(j)] + 1) <= keepThreshold_) {
        // The conflict groups stay groups below: the child adds at most one of each group that
        // still has a candidate above the one just chosen.
        continue;
      } else {
        const int32_t l = SystematicLevel(child, cnt, q, r);
        if (l > max) {
          max = l;
          if (q.size() > r.size()) r = q;
        }
      }
    }
    result = max + 1;
  }

  if (a == 0 && Entries(q) >= 1 && max == 0) {
    result = Entries(q);
    r = q;
  }
  if (a == 0) ReportSearchProgress(-1, 0, n, Entries(r));
  return result;
}

void Seeker_Module::ComputeSuffixBounds(const uint64_t* p, int32_t n, std::vector<double>& q) {
  suffixBest_.assign(static_cast<size_t>(rootCount_) + 1, rootCount_);
  suffixBest_[static_cast<size_t>(rootCount_)] = 0;
  if (keepThreshold_ == std::numeric_limits<int32_t>::max()) return;
  const bool ruler = ApplyRulerBound();
  if (rootCount_ > kSuffixBoundsMax || searchProgress_.bAbort) return;
  boundNodes_ = 0;

  // The root level: every candidate with its child set.
  while (levels_.empty()) levels_.emplace_back();
  LevelScratch& root = levels_[0];
  root.index.resize(static_cast<size_t>(rootCount_));
  for (int32_t k = 0; k < rootCount_; ++k) root.index[static_cast<size_t>(k)] = k;
  q.assign(2, 0.0);
  PrepareChildren(p, n, q, root);

  // From the last candidate back: the suffix from k holds one more than the suffix from k + 1
  // exactly when a set that starts with candidate k reaches that size.
  for (int32_t k = rootCount_ - 1; k >= 0; --k) {
    const int32_t need = suffixBest_[static_cast<size_t>(k) + 1];
    if (ruler && suffixBest_[static_cast<size_t>(k)] <= need) {
      // The ruler bound already rules out a longer set.
      suffixBest_[static_cast<size_t>(k)] = need;
      continue;
    }
    bool longer = need == 0;
    if (!longer && root.count[static_cast<size_t>(k)] > 0) {
      q.assign(2, 0.0);
      q[1] = root_[k + 1];
      longer = Reaches(root.sets.data() + static_cast<size_t>(k) * static_cast<size_t>(words_),
                       root.count[static_cast<size_t>(k)], q, need);
    }
    if (searchProgress_.bAbort) break;  // the rest keeps the plain count
    suffixBest_[static_cast<size_t>(k)] = need + (longer ? 1 : 0);
  }
  q.assign(1, 0.0);
}

bool Seeker_Module::ApplyRulerBound() {
  const std::optional<GridFit> fit = FitGrid(root_ + 1, rootCount_);
  if (!fit) return false;
  // The widths the elimination applies between two chosen frequencies: spacing, the 2-transmitter
  // products of two chosen ones (candidate side), the 3-transmitter ones of chosen pairs.
  const auto& W1 = chosenSide_.Widths;
  const auto& W2 = candidateSide_.Widths;
  const std::optional<RulerRule> rule =
      RulerRuleFor(fit->step, fit->error, std::max({W1[1], W2[1], 0.0}), W2[4], std::max(W1[5], W2[5]));
  if (!rule) return false;

  RulerTableOptions options;
  options.nodesPerLength = kRulerNodesPerLength;
  options.threads = 2;
  options.keepGoing = [this] {
    double fraction = 1e-7;
    if (!port_.busy("Checking (0)", fraction, 0)) searchProgress_.bAbort = true;
    return !searchProgress_.bAbort;
  };
  const int32_t last = fit->pos.back();
  rulerTable_ = ComputeRulerTable(*rule, last, options);
  // The candidates from k on lie within the grid positions pos[k] ... last.
  for (int32_t k = 0; k < rootCount_; ++k) {
    int32_t& best = suffixBest_[static_cast<size_t>(k)];
    best = std::min({best, rootCount_ - k, rulerTable_.MaxMarks(last - fit->pos[static_cast<size_t>(k)])});
  }

  // Depth 0 has no distances yet; those below the least gap are never free.
  rulerRule_ = *rule;
  rulerPos_ = fit->pos;
  rulerWords_ = last / 64 + 1;
  rulerDist_.assign(static_cast<size_t>(rulerWords_), 0);
  for (int32_t d = 0; d < rule->minGap && d <= last; ++d) rulerDist_[static_cast<size_t>(d) >> 6] |= uint64_t{1} << (d & 63);
  rulerChosenPos_.assign(1, 0);
  rulerOn_ = true;
  return true;
}

int32_t Seeker_Module::RulerCap(const uint64_t* p, const std::vector<double>& q) {
  const int32_t a = Entries(q);
  if (!rulerOn_ || a == 0) return rootCount_;
  int32_t w = words_ - 1;
  while (w >= 0 && p[w] == 0) --w;
  if (w < 0) return 0;
  const int32_t top = rulerPos_[static_cast<size_t>(w * 64 + 63 - std::countl_zero(p[w]))];

  // The distances of q: those of q without its last entry, and the last entry's to the others.
  const size_t W = static_cast<size_t>(rulerWords_);
  if (rulerDist_.size() < (static_cast<size_t>(a) + 1) * W) rulerDist_.resize((static_cast<size_t>(a) + 1) * W);
  if (rulerChosenPos_.size() < static_cast<size_t>(a) + 1) rulerChosenPos_.resize(static_cast<size_t>(a) + 1);
  const int32_t here = static_cast<int32_t>(std::lower_bound(root_ + 1, root_ + 1 + rootCount_, q[a]) - (root_ + 1));
  const int32_t x = rulerPos_[static_cast<size_t>(here)];
  rulerChosenPos_[static_cast<size_t>(a)] = x;
  uint64_t* dist = rulerDist_.data() + static_cast<size_t>(a) * W;
  std::copy(dist - W, dist, dist);
  const int32_t maxDist = rulerWords_ * 64 - 1;
  for (int32_t i = 1; i < a; ++i) {
    const int32_t d = x - rulerChosenPos_[static_cast<size_t>(i)];
    for (int32_t t = std::max(0, d - rulerRule_.tol); t <= std::min(maxDist, d + rulerRule_.tol); ++t)
      dist[static_cast<size_t>(t) >> 6] |= uint64_t{1} << (t & 63);
  }
  if (top <= x) return 0;

  // The chosen entries from i on and whatever follows form a ruler within [pos(i), top].
  int32_t cap = rootCount_;
  for (int32_t i = 1; i <= a; ++i)
    cap = std::min(cap, rulerTable_.MaxMarks(top - rulerChosenPos_[static_cast<size_t>(i)]) - (a - i + 1));

  // The gaps from x up to the last added entry are new distances: free, apart from each other by
  // more than the tolerance, and together no longer than top - x. The smallest such distances,
  // taken from the bottom, say how many fit.
  const int32_t room = top - x;
  int32_t k = 0, sum = 0, d = 0;
  while (d <= room) {
    const size_t wd = static_cast<size_t>(d) >> 6;
    const uint64_t open = ~dist[wd] & (~uint64_t{0} << (d & 63));
    if (!open) {
      d = static_cast<int32_t>(wd + 1) * 64;
      continue;
    }
    d = static_cast<int32_t>(wd) * 64 + std::countr_zero(open);
    sum += d;
    if (d > room || sum > room) break;
    ++k;
    d += rulerRule_.tol + 1;
  }
  return std::min(cap, k);
}

bool Seeker_Module::RulerRulesOut(const uint64_t* p, int32_t a, int32_t need) {
  // Only bands whose table was searched to the end: on longer ones the walks mostly run out of
  // nodes and would only slow every node down.
  if (!rulerOn_ || a == 0 || need < 2 || rulerTable_.exactUpTo < rulerPos_.back()) return false;
  rulerOpen_.assign(static_cast<size_t>(rulerWords_), 0);
  int32_t top = -1;
  for (int32_t w = 0; w < words_; ++w) {
    for (uint64_t bits = p[w]; bits; bits &= bits - 1) {
      top = rulerPos_[static_cast<size_t>(w * 64 + std::countr_zero(bits))];
      rulerOpen_[static_cast<size_t>(top) >> 6] |= uint64_t{1} << (top & 63);
    }
  }
  rulerMarks_.assign(rulerChosenPos_.begin() + 1, rulerChosenPos_.begin() + a + 1);
  const uint64_t* used = rulerDist_.data() + static_cast<size_t>(a) * static_cast<size_t>(rulerWords_);
  return rulerExtender_.Extends(rulerRule_, rulerTable_, rulerMarks_, used, rulerOpen_.data(), top, need,
                                kRulerExtendNodes) == RulerAnswer::kNo;
}

bool Seeker_Module::Reaches(const uint64_t* p, int32_t n, std::vector<double>& q, int32_t need) {
  // The progress box is asked now and then, so the user can stop this phase too.
  if ((++boundNodes_ & 4095) == 0) {
    double fraction = 1e-7;
    if (!port_.busy("Checking (0)", fraction, 0)) searchProgress_.bAbort = true;
  }
  if (searchProgress_.bAbort) return false;

  const int32_t a = Entries(q);
  while (levels_.size() <= static_cast<size_t>(a)) levels_.emplace_back();
  LevelScratch& level = levels_[static_cast<size_t>(a)];
  const int32_t start = static_cast<int32_t>(std::upper_bound(root_ + 1, root_ + 1 + rootCount_, q[a]) - (root_ + 1));
  level.index.clear();
  for (int32_t w = start >> 6; w < words_; ++w) {
    uint64_t bits = p[w];
    if (w == start >> 6) bits &= ~uint64_t{0} << (start & 63);
    while (bits) {
      level.index.push_back(w * 64 + std::countr_zero(bits));
      bits &= bits - 1;
    }
  }
  const int32_t m = static_cast<int32_t>(level.index.size());
  if (m < need || suffixBest_[static_cast<size_t>(level.index[0])] < need || PrefixCap(q) < need ||
      RulerCap(p, q) < need || RulerRulesOut(p, a, need))
    return false;
  if (need == 1) return true;

  q.resize(static_cast<size_t>(a) + 2);
  level.prepared = false;
  PrepareChildren(p, n, q, level);
  for (int32_t j = 0; j < m; ++j) {
    const size_t k = static_cast<size_t>(j);
    if (level.bound[k] < need || suffixBest_[static_cast<size_t>(level.index[k])] < need) break;
    const uint64_t* child = level.sets.data() + k * static_cast<size_t>(words_);
    if (level.count[k] <= 0 || GroupsMeeting(level, child, level.index[k] + 1) < need - 1) continue;
    q.resize(static_cast<size_t>(a) + 2);
    q[static_cast<size_t>(a) + 1] = root_[level.index[k] + 1];
    if (Reaches(child, level.count[k], q, need - 1)) return true;
    if (searchProgress_.bAbort) return false;
  }
  return false;
}

int32_t Seeker_Module::PrefixCap(const std::vector<double>& q) const {
  // The last j + 1 chosen frequencies followed by whatever is added form a set of the suffix from
  // the first of them, so at most suffixBest_ of that position less j + 1 can be added.
  int32_t cap = rootCount_;
  const int32_t a = Entries(q);
  for (int32_t j = 0; j < a; ++j) {
    const double x = q[static_cast<size_t>(a - j)];
    const int32_t pos = static_cast<int32_t>(std::lower_bound(root_ + 1, root_ + 1 + rootCount_, x) - (root_ + 1));
    if (pos < rootCount_ && root_[pos + 1] == x) cap = std::min(cap, suffixBest_[static_cast<size_t>(pos)] - j - 1);
  }
  return cap;
}

int32_t Seeker_Module::GroupsMeeting(const LevelScratch& level, const uint64_t* set, int32_t from) const {
  const size_t W = static_cast<size_t>(words_);
  const size_t groups = level.groups.size() / W;
  const size_t first = static_cast<size_t>(from) >> 6;
  if (first >= W) return 0;
  const uint64_t head = ~uint64_t{0} << (from & 63);
  int32_t met = 0;
  for (size_t g = 0; g < groups; ++g) {
    const uint64_t* members = level.groups.data() + g * W;
    bool meets = (members[first] & set[first] & head) != 0;
    for (size_t w = first + 1; w < W && !meets; ++w) meets = (members[w] & set[w]) != 0;
    met += meets ? 1 : 0;
  }
  return met;
}

void Seeker_Module::PrepareChildren(const uint64_t* p, int32_t n, std::vector<double>& q, LevelScratch& level) {
  const size_t a = q.size() - 2;
  const size_t m = level.index.size();
  const size_t W = static_cast<size_t>(words_);
  level.sets.resize(m * W);
  level.count.resize(m);
  level.bound.resize(m);

  if (level.slot.size() != static_cast<size_t>(rootCount_)) level.slot.assign(static_cast<size_t>(rootCount_), -1);
  for (size_t j = 0; j < m; ++j) level.slot[static_cast<size_t>(level.index[j])] = static_cast<int32_t>(j);
  level.prepared = true;

  // Each candidate's child set: this level's set minus what choosing it removes. Below the first
  // level the parent has prepared the same candidate's set after the parent's chosen list, so
  // only the ranges that the last chosen frequency adds remain to be removed from the meet.
  const LevelScratch* parent = a >= 1 ? &levels_[a - 1] : nullptr;
  if (parent && !parent->prepared) parent = nullptr;
  for (size_t j = 0; j < m; ++j) {
    q[a + 1] = root_[level.index[j] + 1];
    uint64_t* child = level.sets.data() + j * W;
    int32_t live = 0;
    if (parent) {
      const size_t k = static_cast<size_t>(parent->slot[static_cast<size_t>(level.index[j])]);
      const uint64_t* before = parent->sets.data() + k * W;
      for (size_t w = 0; w < W; ++w) {
        child[w] = p[w] & before[w];
        live += std::popcount(child[w]);
      }
      BitEraser e(root_, rootCount_, child, live);
      EliminateNewRanges(e, q, chosenSide_, candidateSide_, contextList_);
    } else {
      std::copy(p, p + W, child);
      live = n;
      BitEraser e(root_, rootCount_, child, live);
      EliminateRanges(e, live, q, chosenSide_, candidateSide_, contextList_,
                      [&](int32_t left) { return PairsFor(q, left); });
    }
    level.count[j] = live;
  }

  // Two candidates x < y conflict here when choosing x removes y. Whatever is chosen later only
  // removes more, so the frequencies added below this node are pairwise free of these conflicts,
  // and a group of mutually conflicting candidates gives at most one of them. Greedy grouping
  // from the highest candidate down: candidate j joins the first group whose members it all
  // removes, and the number of groups so far bounds how many of the candidates j ... m - 1 can
  // still be added together.
  level.groups.clear();
  int32_t groups = 0;
  for (size_t j = m; j-- > 0;) {
    const uint64_t* child = level.sets.data() + j * W;
    const size_t from = static_cast<size_t>(level.index[j]) >> 6;  // members lie above candidate j
    int32_t g = 0;
    for (; g < groups; ++g) {
      const uint64_t* members = level.groups.data() + static_cast<size_t>(g) * W;
      bool apart = true;
      for (size_t w = from; w < W && apart; ++w) apart = (members[w] & child[w]) == 0;
      if (apart) break;
    }
    if (g == groups) {
      level.groups.resize(static_cast<size_t>(groups + 1) * W, 0);
      ++groups;
    }
    const size_t k = static_cast<size_t>(level.index[j]);
    level.groups[static_cast<size_t>(g) * W + (k >> 6)] |= uint64_t{1} << (k & 63);
    level.bound[j] = groups;
  }
}

int32_t Seeker_Module::SearchLevel(const std::vector<double>& p, int32_t n, std::vector<double>& q,
                                   std::vector<double>& r) {
  ++nodeCount_;
  const int32_t a = Entries(q);
  int32_t max = 0;
  int32_t result = 0;

  if (a == 0) ReportSearchProgress(0, n, n, Entries(r));

  if (a >= lTargetCount_) return 0;

  // One random run: at each level one candidate anywhere in the list.
  if (n >= 1) {
    const int32_t k = TL_RoundLong(port_.rnd() * (n - 1) + 1);

    while (levelBuffers_.size() <= static_cast<size_t>(a)) levelBuffers_.emplace_back();
    std::vector<double>& copy = levelBuffers_[a];

    if (!(a <= 100 && !ReportSearchProgress(a + 1, k, 1, Entries(r)))) {
      if (Entries(q) != a + 1) q.resize(static_cast<size_t>(a) + 2);
      q[a + 1] = p[k];

      copy.assign(p.begin(), p.begin() + n + 1);
      int32_t cnt = n;
      EliminateCandidates(copy, cnt, q);
      // With nothing left the run ends here; its set is the chosen one.
      if (cnt > 0) {
        const int32_t l = SearchLevel(copy, cnt, q, r);
        if (l > max) {
          max = l;
          if (q.size() > r.size()) r = q;
        }
      }
    }
    result = max + 1;
  }

  if (a == 0 && Entries(q) >= 1 && max == 0) {
    result = Entries(q);
    r = q;
  }
  if (a == 0) ReportSearchProgress(-1, 0, n, Entries(r));
  return result;
}

void Seeker_Module::KeepResultSet(const std::vector<double>& chosen) {
  if (static_cast<int64_t>(resultSets_.size()) < lMaxSets_) {
    resultSets_.push_back(chosen);
  } else {
    auto smaller = std::find_if(resultSets_.begin(), resultSets_.end(),
                                [&](const std::vector<double>& set) { return set.size() < chosen.size(); });
    if (smaller == resultSets_.end()) return;
    *smaller = chosen;
  }
  UpdateKeepThreshold();
}

void Seeker_Module::ResetResultSets(int32_t lKeep) {
  resultSets_.clear();
  lMaxSets_ = lKeep;
  UpdateKeepThreshold();
}

void Seeker_Module::UpdateKeepThreshold() {
  if (static_cast<int64_t>(resultSets_.size()) < lMaxSets_) {
    keepThreshold_ = -1;
    return;
  }
  keepThreshold_ = std::numeric_limits<int32_t>::max();
  for (const auto& set : resultSets_) keepThreshold_ = std::min(keepThreshold_, Entries(set));
}

// ---------------------------------------------------------------------------------------------
// Progress

double Seeker_Module::ProgressCurve(double i, double n) {
  if (i <= 0) return 0.0;
  return 1.0 - std::pow(10.0, -4.0 * i / n);
}

bool Seeker_Module::ReportSearchProgress(int32_t lLevel, int32_t lIndex, int32_t lCount, int32_t lBest) {
  if (bRandomSearch_) return true;
  TSearchProgress& sp = searchProgress_;

  if (lLevel == 0) {
    sp.lCount[0] = 1;
    double fraction = 0.0;
    port_.busy("Checking", fraction, 0);
    sp.bAbort = false;
    validW_ = 0;
    validE_ = 0;
  } else if (lLevel == -1) {
    double fraction = 1.0;
    port_.busy("Checking", fraction, 0);
  } else if (lLevel >= 1 && lLevel <= 100) {
    sp.lIndex[lLevel] = lIndex;
    sp.lCount[lLevel] = lCount;
    sp.lLevel = lLevel;

    // The weight of a level depends only on the positions above it, the estimate up to a level
    // on the positions up to it; both are kept per level and recomputed only from the first
    // level whose position changed, with the same arithmetic step by step as summing from
    // level 1 each time.
    if (validW_ > lLevel) validW_ = lLevel;
    if (validE_ > lLevel - 1) validE_ = lLevel - 1;
    for (int32_t L = validW_ + 1; L <= lLevel; ++L) {
      prefixW_[L] = L == 1 ? 1.0
                           : prefixW_[L - 1] * (ProgressCurve(sp.lIndex[L - 1], sp.lCount[L - 1]) -
                                                ProgressCurve(sp.lIndex[L - 1] - 1, sp.lCount[L - 1]));
    }
    for (int32_t L = validE_ + 1; L <= lLevel; ++L) {
      const double here = ProgressCurve(sp.lIndex[L] - 1, sp.lCount[L]);
      prefixE_[L] = L == 1 ? here : prefixE_[L - 1] + prefixW_[L] * here;
    }
    validW_ = lLevel;
    validE_ = lLevel;
    sp.dWeight = prefixW_[lLevel];
    double e = prefixE_[lLevel];

    if (e > 0) {
      if (e < 1e-7) e = 1e-7;
      if (lBest != busyTextBest_ || busyText_.empty()) {
        busyText_ = "Checking (" + TL_Str(lBest) + ")";
        busyTextBest_ = lBest;
      }
      if (!port_.busy(busyText_, e, 0)) sp.bAbort = true;
    }
  }
  return !sp.bAbort;
}

}  // namespace kova
