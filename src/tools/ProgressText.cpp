#include "tools/ProgressText.h"

#include <cmath>

#include "tools/Tools.h"

namespace kova {

namespace {

// A whole number as the progress texts write it: a blank before non-negative numbers.
std::string Num(int32_t n) { return n >= 0 ? " " + TL_Str(n) : TL_Str(n); }

constexpr int32_t kDay = 86400;

}  // namespace

int32_t BusyWholeSeconds(double value) { return TL_RoundLong(value); }

std::string BusyTimeText(int32_t s, int32_t* secondUnit) {
  std::string text;
  int32_t unit = 0;
  if (s >= kDay || s == -1) {
    int32_t days = 10000;
    int32_t hours = 0;
    if (s != -1) {
      days = s / kDay;
      hours = (s % kDay) / 3600;
    }
    text = Num(days) + "d" + Num(hours) + "h";
    unit = hours;
    if (days > 5) text = " > 5d";
  } else if (s >= 3600) {
    int32_t hours = s / 3600;
    int32_t minutes = (s % 3600) / 60;
    text = Num(hours) + "h" + Num(minutes) + "min";
    unit = minutes;
  } else {
    int32_t minutes = s / 60;
    int32_t seconds = s % 60;
    text = Num(seconds) + "sec";
    if (minutes != 0) text = Num(minutes) + "min" + text;
    unit = seconds;
  }
  if (secondUnit) *secondUnit = unit;
  return text;
}

int32_t BusyRemainingSeconds(double fraction, double elapsed) {
  double remaining = elapsed * (1.0 / fraction - 1.0);
  if (remaining > 2147483647.0) return -1;
  return BusyWholeSeconds(remaining);
}

std::string BusyRateFormat(double fraction, double elapsed) {
  if (!(elapsed > 0)) return "##0.000";
  double rate = fraction * 100.0 / elapsed;  // percent per second
  if (rate > 1) return "##0";
  if (rate > 0.1) return "##0.0";
  if (rate > 0.01) return "##0.00";
  if (rate > 0.001) return "##0.000";
  if (rate > 0.0001) return "##0.0000";
  return "##0.00000";
}

std::string BusyPercentText(double fraction, const std::string& format) {
  std::string text = TL_FormatNumber(fraction * 100.0, format);
  size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? text : text.substr(first);
}

std::string BusyProgressLine(double fraction, double elapsed, int32_t* secondUnit) {
  int32_t s = BusyRemainingSeconds(fraction, elapsed);
  return "Done " + BusyPercentText(fraction, BusyRateFormat(fraction, elapsed)) + "%, still" +
         BusyTimeText(s, secondUnit);
}

std::string BusyFinishLine(double fraction, int32_t seconds) {
  return "Done " + BusyPercentText(fraction, "##0.000") + "%, total" + BusyTimeText(seconds);
}

BusyThresholds BusyShowThresholds(int32_t flags) {
  if (TL_IsBitSet(flags, 1)) return {0.0f, 0};
  return {1.0f, 2};
}

void BusyClock::Start(float now) {
  StartTime = now;
  LastTime = now;
}

bool BusyClock::Tick(float now, float& elapsed) {
  float sinceRedraw = now - LastTime;
  if (std::fabs(sinceRedraw) < static_cast<double>(kRedrawInterval)) return false;
  if (now < LastTime) StartTime -= static_cast<float>(kDay);  // midnight has passed
  LastTime = now;
  elapsed = now - StartTime;
  return true;
}

int32_t BusyClock::FinishSeconds(float now) {
  if (now < LastTime) StartTime -= static_cast<float>(kDay);
  return BusyWholeSeconds(now - StartTime);
}

void BusyClock::Break(float now) {
  BreakTime = now;
  rest_var = false;
}

void BusyClock::Restart(float now) {
  // Whole seconds of the pause, across midnight as well.
  int32_t p = BusyWholeSeconds(static_cast<double>(now - BreakTime) + kDay) % kDay;
  StartTime = static_cast<float>(BusyWholeSeconds(static_cast<double>(p) + StartTime) % kDay);
  LastTime = static_cast<float>(BusyWholeSeconds(static_cast<double>(p) + LastTime) % kDay);
  rest_var = true;
}

}  // namespace kova
