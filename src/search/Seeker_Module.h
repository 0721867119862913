#pragma once
// The search core: a sorted list of candidate frequencies is pruned each time one frequency is
// added to a channel set (spacing, receiver spurious frequencies, 2- and 3-transmitter
// intermodulation), and a depth-first search over that pruning finds compatible channel sets,
// either systematically (keeping the largest maximal sets) or along one random path.
//
// Lists are 1-based as everywhere in the model: entry 0 exists, holds 0 and carries no data.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "model/TCheckParams.h"
#include "search/PairSumIndex.h"
#include "search/RulerBound.h"
#include "tools/PlatformPort.h"

namespace kova {

// One receiver system as the search sees it. Freqs is 1-based: entry 0 unused (Freqs.size() == m + 1).
// Widths 1..9 are the protection widths of the check kinds (-1 = check off); 0 and 10 stay 0.
struct TSearchSystem {
  std::vector<double> Freqs{0.0};
  std::array<double, 11> Widths{};
  double LOFreq = 0;
  double LOFreq2 = 0;
};

// freqs: 1-based list of fixed channel frequencies; an empty vector stands for an empty list.
TSearchSystem MakeSearchSystem(const TCheckParams& params, const std::vector<double>& freqs);

class Seeker_Module {
 public:
  // Progress estimate of the systematic search: per level the position and number of candidates.
  struct TSearchProgress {
    std::array<int32_t, 101> lIndex{};
    std::array<int32_t, 101> lCount{};
    double dWeight = 0;   // share of the whole search one candidate of the current level stands for
    int32_t lLevel = 0;   // level of the last estimate
    bool bAbort = false;  // the user asked to stop; sticky until the next systematic search starts
  };

  // The progress box and the random numbers go through `port` (not owned).
  explicit Seeker_Module(PlatformPort& port);

  // ---- The receiver systems taking part ----
  // i = 0 starts a fresh list holding only entry 0; i > 0 keeps the entries below i and drops
  // those above. Negative i does nothing.
  void SetContext(const std::vector<double>& freqs, const TCheckParams& params, int32_t i);
  // The system the added frequency belongs to.
  void SetChosenSide(const TCheckParams& params);
  // The system the candidates belong to.
  void SetCandidateSide(const TCheckParams& params);
  // Whether a frequency added by EliminateCandidates forms intermodulation products with the
  // candidates (not so for a channel of a near zone, which keeps only its spacing and receiver
  // frequencies from them).
  void SetChosenFormsProducts(bool on) { chosenFormsProducts_ = on; }
  const std::vector<TSearchSystem>& ContextList() const { return contextList_; }
  const TSearchSystem& ChosenSide() const { return chosenSide_; }
  const TSearchSystem& CandidateSide() const { return candidateSide_; }

  // ---- Candidate elimination ----
  // Removes from list(1..count) (ascending) every entry within the protection range of `width`
  // around `centre`: |x - centre| <= width - 0.001 for width > 0, <= 0.001 for width 0, nothing for
  // a negative width (check off). Survivors stay in order in 1..count; `list` is not resized.
  static void RemoveRange(std::vector<double>& list, int32_t& count, double centre, double width);
  // chosen: 1-based, chosen.back() is the frequency just added (chosen.size() - 1 == n). Removes
  // from list(1..count) every candidate that conflicts with it, given the earlier chosen
  // frequencies and the fixed channels of ContextList. The frequency just added is always removed.
  // The pairs of the 3-transmitter products are kept in an index from call to call, so a call
  // whose chosen list extends (or shares the front of) the previous one's costs only the change.
  void EliminateCandidates(std::vector<double>& list, int32_t& count, const std::vector<double>& chosen) const;

  // Receives the ranges of an elimination one by one: every candidate x with lo <= x <= hi.
  class RangeSink {
   public:
    virtual ~RangeSink() = default;
    virtual void Cover(double lo, double hi) = 0;
  };
  // Hands `sink` every range that EliminateCandidates removes when chosen.back() is added after
  // the earlier entries of `chosen`, whatever the candidates are (no stage ends early). Safe to
  // call from several threads at once while the context is left alone.
  void EmitRanges(const std::vector<double>& chosen, RangeSink& sink) const;

  // ---- Search ----
  // candidates: 1-based, ascending (size n + 1, n >= 1). lTarget > 0: random search choosing up
  // to lTarget frequencies; lTarget = 0: systematic search keeping at most lKeep maximal sets.
  // sets (output, 0-based, sets.size() = number of sets): the random search gives exactly one set
  // (in order of choice, possibly empty), the systematic search the kept sets (ascending each;
  // possibly none). Each set is 1-based with entry 0 = 0. Returns the depth reached.
  int32_t RunSearch(const std::vector<double>& candidates, int32_t lTarget, int32_t lKeep,
                    std::vector<std::vector<double>>& sets);
  // Share of the candidates 1..i among n on the progress scale: 0 for i <= 0, else 1 - 10^(-4 i / n).
  static double ProgressCurve(double i, double n);
  // Level 0 starts the progress box, -1 ends it, 1..100 update the estimate for candidate lIndex
  // of lCount at that level. False once the user aborted (random search: always true).
  bool ReportSearchProgress(int32_t lLevel, int32_t lIndex, int32_t lCount, int32_t lBest);
  // Keeps a copy of the maximal set `chosen` while fewer than lMaxSets sets are held, else lets it
  // replace the first held set that is smaller; otherwise drops it.
  void KeepResultSet(const std::vector<double>& chosen);
  // Empties the kept sets and sets the most sets kept (what a systematic search starts with).
  void ResetResultSets(int32_t lKeep);

  // ---- Search state ----
  bool RandomSearch() const { return bRandomSearch_; }
  int32_t TargetCount() const { return lTargetCount_; }
  int32_t MaxSets() const { return lMaxSets_; }
  const std::vector<std::vector<double>>& ResultSets() const { return resultSets_; }
  const TSearchProgress& SearchProgress() const { return searchProgress_; }
  // Whether the last systematic search could bound its branches as rulers (see RulerBound.h).
  bool RulerBoundUsed() const { return rulerOn_; }
  // Search nodes (levels entered) since construction.
  int64_t NodeCount() const { return nodeCount_; }

 private:
  // Per search depth of the systematic search: the candidates that may be chosen (positions in
  // the root list), their child sets (words_ words each) with their live counts, how many of the
  // candidates from each one on can still be added together at most, and the conflict groups
  // behind that bound.
  struct LevelScratch {
    std::vector<int32_t> index;
    std::vector<uint64_t> sets;
    std::vector<int32_t> count;
    std::vector<int32_t> bound;
    std::vector<uint64_t> groups;
    std::vector<int32_t> slot;  // per root position: its place in index (valid for those in index)
    bool prepared = false;      // sets, count and bound hold every candidate of index
  };
  // Above this many words a level's child sets are not prepared ahead (only the count bound).
  static constexpr int64_t kEagerWords = int64_t{1} << 18;
  // Longest candidate list for which the suffix bounds are worked out before the search.
  static constexpr int32_t kSuffixBoundsMax = 512;
  // Search nodes the ruler table may spend on one band length before it falls back to estimates.
  static constexpr int64_t kRulerNodesPerLength = int64_t{1} << 23;
  // Walk nodes one search node may spend on asking whether its chosen set extends far enough.
  static constexpr int64_t kRulerExtendNodes = int64_t{1} << 16;

  // One level of the random search: p(1..n) are the candidates left, q the chosen list shared by
  // all levels (its upper bound is the depth), r the best set so far.
  int32_t SearchLevel(const std::vector<double>& p, int32_t n, std::vector<double>& q, std::vector<double>& r);
  // One level of the systematic search: p holds the n candidates left as bits over root_, q and r
  // as above. Branches whose sets could not change the kept sets are not walked.
  int32_t SystematicLevel(const uint64_t* p, int32_t n, std::vector<double>& q, std::vector<double>& r);
  // Fills the child sets of level.index (q has room for one more entry) and their bounds.
  void PrepareChildren(const uint64_t* p, int32_t n, std::vector<double>& q, LevelScratch& level);
  // Fills suffixBest_ for the root set p (n candidates): per root position k, the size of the
  // largest compatible set of candidates k ... end with nothing chosen before. Anything added
  // after a chosen list is such a set as well, since earlier choices only remove more. Skipped
  // (plain counts) for long lists and when nothing can be kept.
  void ComputeSuffixBounds(const uint64_t* p, int32_t n, std::vector<double>& q);
  // On one tuning grid with the third-order checks on, lowers suffixBest_ to the most channels a
  // ruler can hold between each candidate and the last one (see RulerBound.h). False when the
  // candidates or the check widths do not allow that bound; suffixBest_ is then left alone.
  bool ApplyRulerBound();
  // With the ruler bound on: the most frequencies that can still be added after q from the
  // candidates p, as a ruler between each chosen frequency and the highest candidate left, and
  // as distances from q's last entry that no two chosen frequencies have yet. Keeps the distances
  // of q per depth, so it must run at each depth before the depths below; rootCount_ when off.
  int32_t RulerCap(const uint64_t* p, const std::vector<double>& q);
  // With the ruler bound on and after RulerCap(p, q): true when no ruler extends q's a entries
  // by `need` more from the candidates p (a walk of at most kRulerExtendNodes nodes decides).
  bool RulerRulesOut(const uint64_t* p, int32_t a, int32_t need);
  // Whether `need` more frequencies can be added after q from the candidates above q's last.
  bool Reaches(const uint64_t* p, int32_t n, std::vector<double>& q, int32_t need);
  // The most frequencies that can still be added after q, from the suffix bounds of q's entries.
  int32_t PrefixCap(const std::vector<double>& q) const;
  // Number of the level's conflict groups with a member in `set` at root position `from` or above
  // (positions beyond the list's end count as nothing).
  int32_t GroupsMeeting(const LevelScratch& level, const uint64_t* set, int32_t from) const;
  // The index of the 3-transmitter pairs of the fixed channels and chosen(1 .. n - 1), brought up
  // to date, when asking it for each of the `live` candidates costs less than walking the pairs;
  // nullptr otherwise.
  const PairSumIndex* PairsFor(const std::vector<double>& chosen, int32_t live) const;
  // Largest set size that KeepResultSet would drop (-1 while fewer than lMaxSets sets are held).
  void UpdateKeepThreshold();

  PlatformPort& port_;

  std::vector<TSearchSystem> contextList_;
  TSearchSystem chosenSide_;
  TSearchSystem candidateSide_;

  bool bRandomSearch_ = false;
  int32_t lTargetCount_ = 0;
  int32_t lMaxSets_ = 0;
  std::vector<std::vector<double>> resultSets_;
  TSearchProgress searchProgress_;

  // Progress cache: prefixW_[L] is the weight of level L (valid for L <= validW_), prefixE_[L] the
  // estimate summed up to level L (valid for L <= validE_), both for the current lIndex/lCount.
  // A deeper update then costs one step instead of one per level.
  std::array<double, 101> prefixE_{};
  std::array<double, 101> prefixW_{};
  int32_t validW_ = 0;
  int32_t validE_ = 0;
  // Text of the last progress update, rebuilt only when the best count changes.
  std::string busyText_;
  int32_t busyTextBest_ = 0;

  // Candidate copies, one per search depth, reused from node to node (a deque keeps references
  // to existing buffers valid while deeper ones are added).
  std::deque<std::vector<double>> levelBuffers_;
  bool chosenFormsProducts_ = true;  // see SetChosenFormsProducts
  // Scratch mask of the elimination (removed entries), reused from call to call.
  mutable std::vector<uint8_t> removed_;
  // The pairs of the 3-transmitter stage, kept from call to call as the chosen list grows.
  mutable PairSumIndex pairs_;
  mutable std::vector<PairSumIndex::Source> pairSources_;
  int64_t nodeCount_ = 0;

  // The systematic search: its root candidate list (1-based, not owned) and the words of a set.
  const double* root_ = nullptr;
  int32_t rootCount_ = 0;
  int32_t words_ = 0;
  std::deque<LevelScratch> levels_;
  int32_t keepThreshold_ = -1;
  // Per root position: the most frequencies that the candidates from there on can give together.
  std::vector<int32_t> suffixBest_;
  int64_t boundNodes_ = 0;
  // The ruler bound: on while the current systematic search may use it; the rule, the table of
  // the most marks per length, the grid position of each root candidate, and per depth the grid
  // position of the chosen frequency and the distances (widened by the rule's tolerance) taken
  // by the chosen frequencies so far, rulerWords_ words each.
  bool rulerOn_ = false;
  RulerRule rulerRule_;
  RulerTable rulerTable_;
  std::vector<int32_t> rulerPos_;
  std::vector<int32_t> rulerChosenPos_;
  std::vector<uint64_t> rulerDist_;
  int32_t rulerWords_ = 0;
  std::vector<uint64_t> rulerOpen_;     // grid positions of the candidates left
  std::vector<int32_t> rulerMarks_;     // grid positions of the chosen frequencies
  RulerExtender rulerExtender_;
};

}  // namespace kova
