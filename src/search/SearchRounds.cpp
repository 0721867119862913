#include "search/SearchRounds.h"

#include <algorithm>
#include <chrono>

#include "tools/PlatformPort.h"

namespace kova {

SearchRounds::SearchRounds(const OptimiseSettings& settings, PlatformPort& port,
                           std::function<std::string(int32_t)> text, int64_t floor)
    : settings_(settings), port_(port), text_(std::move(text)), score_(floor), seenScore_(floor) {
  port_.randomize();
  const auto draw = [this] { return static_cast<uint64_t>(port_.rnd() * 4294967296.0); };
  seed_ = (draw() << 32) ^ draw();
  started_ = port_.timeOfDay();
  port_.busy(text_(0), fraction_, 0);
}

SearchRounds::~SearchRounds() {
  // An error on the calling thread: the workers leave after their round.
  stop_.store(true);
  for (std::thread& thread : threads_)
    if (thread.joinable()) thread.join();
}

double SearchRounds::Elapsed() const {
  double t = port_.timeOfDay() - started_;
  if (t < 0) t += 86400.0;  // past midnight
  return t;
}

void SearchRounds::EndRound() noexcept {
  const Merged m = merge_();
  shown_.store(m.shown);
  score_.store(m.score);
  roundsDone_.store(round_);
  const bool more = !m.done && !stop_.load() && (settings_.rounds <= 0 || round_ < settings_.rounds);
  if (more) ++round_;
  else finished_.store(true);
}

void SearchRounds::Start(int32_t chains, Work work, Merge merge) {
  merge_ = std::move(merge);
  const int32_t workers = std::clamp(settings_.threads, 1, chains);
  sync_.emplace(workers, Completion{this});
  auto run = [this, chains, workers, work](int32_t worker) {
    while (!finished_.load()) {
      for (int32_t c = worker; c < chains; c += workers) work(c, round_);
      sync_->arrive_and_wait();
    }
  };
  for (int32_t w = 0; w < workers; ++w) threads_.emplace_back(run, w);
}

void SearchRounds::ShowProgress() {
  const double t = Elapsed();
  const int64_t score = score_.load();
  if (score > seenScore_) {
    seenScore_ = score;
    secondsToBest_ = t;
  }
  const bool fixedRounds = settings_.rounds > 0;
  if (!fixedRounds && t >= settings_.seconds) stop_.store(true);
  fraction_ = fixedRounds ? static_cast<double>(roundsDone_.load()) / static_cast<double>(settings_.rounds + 1)
                          : t / std::max(settings_.seconds, 1e-3);
  fraction_ = std::clamp(fraction_, 1e-7, 0.999);
  if (!port_.busy(text_(shown_.load()), fraction_, 0)) {
    aborted_ = true;
    stop_.store(true);
  }
}

void SearchRounds::Wait() {
  while (!finished_.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ShowProgress();
  }
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

void SearchRounds::NoteLateBest(int64_t score) {
  if (score > seenScore_) secondsToBest_ = Elapsed();
}

void SearchRounds::Close(int32_t shown) {
  fraction_ = 1.0;
  port_.busy(text_(shown), fraction_, 0);
}

}  // namespace kova
