#pragma once
// The arithmetic and texts of the progress box, without any window: the remaining-time
// estimate, the "Done ...%, still ..." line, the time base of a task (midnight roll-over,
// pauses) and the thresholds that decide when the box appears. The desktop progress box and
// the console progress bar both use it.

#include <cstdint>
#include <string>

namespace kova {

// Whole seconds of `value`, rounded to the nearest, halves to even.
int32_t BusyWholeSeconds(double value);

// Time text of `s` seconds, every number preceded by a blank: " 2min 5sec", " 1h 2min",
// " 1d 1h", " > 5d" (more than five days, or s = -1 for "beyond the range of a Long").
// `secondUnit` (optional) receives the second number of the text (seconds, minutes or hours).
std::string BusyTimeText(int32_t s, int32_t* secondUnit = nullptr);

// Remaining seconds after `elapsed` seconds with `fraction` done; -1 when the estimate is beyond
// the 32-bit range.
int32_t BusyRemainingSeconds(double fraction, double elapsed);

// Number format of the percentage: the slower the progress, the more decimals ("##0" down to
// "##0.00000"); "##0.000" before any time has passed.
std::string BusyRateFormat(double fraction, double elapsed);

// fraction * 100 in `format`, without the padding blanks of the column formatter.
std::string BusyPercentText(double fraction, const std::string& format);

// "Done 25.0%, still 1min 30sec". `secondUnit` as for BusyTimeText.
std::string BusyProgressLine(double fraction, double elapsed, int32_t* secondUnit = nullptr);

// "Done 100.000%, total 2min 5sec" for a task that took `seconds` whole seconds.
std::string BusyFinishLine(double fraction, int32_t seconds);

// When a hidden box may appear: after `wait` seconds and once the second unit of the
// remaining-time text reaches `unit`. Bit 0 of the flags asks for the box at once.
struct BusyThresholds {
  float wait;
  int32_t unit;
};
BusyThresholds BusyShowThresholds(int32_t flags);

// Time base of one task, in seconds since midnight (single precision, as the box keeps it).
class BusyClock {
 public:
  static constexpr float kRedrawInterval = 0.3f;

  // A task starts at `now`.
  void Start(float now);
  // A progress call at `now`: false when the last redraw is less than 0.3 s ago (nothing to
  // draw). Otherwise moves the start back by a day when midnight has passed, records the redraw
  // time and returns true with the elapsed seconds.
  bool Tick(float now, float& elapsed);
  // Whole seconds of the task when it finishes at `now` (midnight handled like Tick).
  int32_t FinishSeconds(float now);
  // Pause and resume: the paused time does not count.
  void Break(float now);
  void Restart(float now);

  float StartTime = 0;
  float LastTime = 0;
  float BreakTime = 0;
  bool rest_var = true;
};

}  // namespace kova
