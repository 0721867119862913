#pragma once
// The coordinate rules of the spectrum display: the visible frequency range (lower and upper
// limit in MHz, held within 0 ... 1000), the user scale of the drawing (x = frequency, y a
// height from -0.3 at the bottom edge to 1.65 at the top edge), the conversion to pixels, the
// tick step of the frequency scale, the rounded zoom to the data, the scroll bar position and
// the height of an intermodulation product line. Plain arithmetic, no drawing.

#include <cstdint>

namespace kova {

class DisplayMapping {
 public:
  static constexpr double kMinFreq = 0.0;
  static constexpr double kMaxFreq = 1000.0;
  static constexpr double kScaleTop = 1.65;
  static constexpr double kScaleHeight = -1.95;
  static constexpr int32_t kScrollMax = 10000;
  // Heights of the drawing: the television stations reach from the base line 0 to kStationTop,
  // channel lines to kChannelTop, the tuning grid to kGridTop; product lines start at
  // kProductBase; the top line lies at kTopLine; scale ticks are kTickLength long.
  static constexpr double kStationTop = 0.2;
  static constexpr double kChannelTop = 1.0;
  static constexpr double kGridTop = 1.1;
  static constexpr double kProductBase = 1.12;
  static constexpr double kTopLine = 1.4;
  static constexpr double kTickLength = 0.05;

  double Lower() const { return lower_; }
  double Upper() const { return upper_; }
  double Span() const { return upper_ - lower_; }
  // Each limit is held within 0 ... 1000.
  void SetLower(double f);
  void SetUpper(double f);
  void SetLimits(double lower, double upper);

  // True when the visible range is under 1 MHz (or reversed, or not set yet): the drawing then
  // zooms to the data.
  bool NeedsFullView() const { return upper_ - 1.0 < lower_; }
  // Zoom to data limits lo ... hi: a margin of 10 MHz beyond each limit rounded to a whole number
  // and cut to tens, held within 0 ... 1000 (470.6 ... 861.2 gives 460 ... 870).
  void ZoomTo(double lo, double hi);
  static double ZoomLower(double lo);
  static double ZoomUpper(double hi);

  // Scroll bar (0 ... kScrollMax): the position of the centre of the visible range in 0.1 MHz.
  int32_t ScrollValue() const;
  // Moves the centre of the visible range to the scroll position, keeping its span; refuses
  // (and returns false) when that would move the range past 0 or 1000 MHz.
  bool ScrollTo(int32_t value, int32_t barMin = 0, int32_t barMax = kScrollMax);
  // Zooms by `factor` (< 1 zooms in) around frequency f, which keeps its place on the screen as
  // long as the limits stay inside 0 ... 1000. The span stays at 1 MHz or more; false when
  // nothing changed.
  bool ZoomAround(double f, double factor);

  // Pixels of a surface `pixels` wide/high showing the visible range. Frequencies and heights map
  // to the pixel whose left/top edge they lie in.
  double XOf(double f, int32_t width) const;
  double FreqAt(double x, int32_t width) const;
  static double YOf(double y, int32_t height);

  // Tick step of the scale for a text "000" that is textWidth MHz wide: 10 x the whole part of
  // 0.4 x textWidth, at most 200; below 10 it is 1, 2 or 5 by the whole part of 4 x textWidth.
  static int32_t TickStep(double textWidth);
  // First tick: the lower limit cut to a multiple of the step.
  static int32_t FirstTick(double lower, int32_t step);
  // Upper end of an intermodulation product line on which n products meet: 1.2 + 0.057 log2 n.
  static double ProductTop(int32_t n);

 private:
  double lower_ = 0.0;
  double upper_ = 0.0;
};

}  // namespace kova
