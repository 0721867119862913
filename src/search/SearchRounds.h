#pragma once
// The rounds of a local search run by chains on worker threads, shared by the optimising
// searches. Round 0 starts the chains, every later round is a fixed amount of work per chain;
// between rounds, with every worker waiting, the search merges what its chains found. The
// rounds end when the merge says nothing better can be found, when the budget is spent (the
// time, or with a fixed number of rounds exactly that many, so that the result depends on the
// seed alone) or when the user stops the search in the progress box, which only the calling
// thread talks to.

#include <atomic>
#include <barrier>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "search/Optimiser.h"

namespace kova {

class PlatformPort;

class SearchRounds {
 public:
  // What a merge found: the count the progress box shows, a score (higher is better) whose
  // rise marks when the best result was first seen, and whether it cannot be bettered.
  struct Merged {
    int32_t shown = 0;
    int64_t score = 0;
    bool done = false;
  };
  using Work = std::function<void(int32_t chain, int64_t round)>;
  using Merge = std::function<Merged()>;

  // Draws the seed from the port's random numbers, notes the start time and opens the
  // progress box with `text` of 0. A merged score above `floor` counts as a result seen.
  SearchRounds(const OptimiseSettings& settings, PlatformPort& port, std::function<std::string(int32_t)> text,
               int64_t floor = 0);
  ~SearchRounds();
  SearchRounds(const SearchRounds&) = delete;
  SearchRounds& operator=(const SearchRounds&) = delete;

  uint64_t Seed() const { return seed_; }
  // Seconds since the start by the port's clock (across midnight too).
  double Elapsed() const;
  // Set when the chains should leave the round they are in.
  const std::atomic<bool>& StopFlag() const { return stop_; }

  // Starts the workers: chain c of `chains` runs on worker c modulo the workers.
  void Start(int32_t chains, Work work, Merge merge);
  // One progress update from the calling thread: ends a time budget and takes the user's stop.
  void ShowProgress();
  bool Finished() const { return finished_.load(); }
  // What the last merge found.
  int32_t Shown() const { return shown_.load(); }
  // Shows progress until the rounds end and joins the workers.
  void Wait();
  // Closes the progress box with `text` of the final count.
  void Close(int32_t shown);

  int64_t Rounds() const { return std::max<int64_t>(roundsDone_.load(), 0); }
  bool Aborted() const { return aborted_; }
  double SecondsToBest() const { return secondsToBest_; }
  // Notes when a result of `score` was first seen if it is better than every merged one (a
  // result only the final sets show).
  void NoteLateBest(int64_t score);

 private:
  // The barrier's completion: merges and decides on the next round.
  struct Completion {
    SearchRounds* rounds;
    void operator()() noexcept { rounds->EndRound(); }
  };
  void EndRound() noexcept;

  OptimiseSettings settings_;
  PlatformPort& port_;
  std::function<std::string(int32_t)> text_;
  uint64_t seed_ = 0;
  double started_ = 0;
  double fraction_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::atomic<int32_t> shown_{0};
  std::atomic<int64_t> score_;
  std::atomic<int64_t> roundsDone_{0};
  int64_t round_ = 0;
  int64_t seenScore_;
  double secondsToBest_ = 0;
  bool aborted_ = false;
  Merge merge_;
  std::optional<std::barrier<Completion>> sync_;
  std::vector<std::thread> threads_;
};

}  // namespace kova
