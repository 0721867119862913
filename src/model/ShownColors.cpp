#include "model/ShownColors.h"

#include <algorithm>

namespace kova {

namespace {

constexpr int32_t Rgb(int32_t r, int32_t g, int32_t b) { return r + 256 * g + 65536 * b; }

}  // namespace

int32_t TL_SystemColorValue(int32_t slot) {
  // Bright on black, apart from each other and from the conflict red, the product white lines'
  // neighbours and the scale's light blue.
  static constexpr int32_t kColors[kMaxSystems] = {
      Rgb(255, 255, 0),   Rgb(255, 255, 255), Rgb(0, 220, 255),   Rgb(255, 140, 0),
      Rgb(255, 80, 255),  Rgb(80, 255, 80),   Rgb(90, 120, 255),  Rgb(255, 170, 200),
      Rgb(215, 185, 110), Rgb(175, 110, 255), Rgb(130, 255, 210), Rgb(250, 128, 100),
      Rgb(185, 205, 40),  Rgb(165, 165, 165), Rgb(0, 170, 150),   Rgb(205, 110, 60)};
  return kColors[static_cast<size_t>(std::clamp(slot, 0, kMaxSystems - 1))];
}

int32_t TL_PaperColorValue(int32_t color) {
  const int32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  const double luminance = (0.299 * r + 0.587 * g + 0.114 * b) / 255.0;
  if (luminance <= 0.5) return color & 0xFFFFFF;
  if (std::max({r, g, b}) - std::min({r, g, b}) < 40) {
    const auto turn = [](int32_t v) { return std::clamp(285 - v, 0, 255); };
    return Rgb(turn(r), turn(g), turn(b));
  }
  const double f = 0.5 / luminance;
  return Rgb(static_cast<int32_t>(r * f), static_cast<int32_t>(g * f), static_cast<int32_t>(b * f));
}

int32_t TL_ShownChannelColor(const CProject& project, int32_t slot, int32_t color) {
  // The default colours: 14 (yellow) of a channel added by the program, 15 (white) of one typed in.
  constexpr int32_t kYellow = 0x00FFFF;
  constexpr int32_t kWhite = 0xFFFFFF;
  if (project.GlSystems() > 2 && (color == kYellow || color == kWhite)) return TL_SystemColorValue(slot);
  return color;
}

}  // namespace kova
