#pragma once
// A small two-system project for the drawing and display tests: system 0 has a type tuned in
// whole megahertz from 470 to 610, a search spectrum 470 ... 600 (so everything below 470 and
// above 600 is a television station) and channels of distinct colours; system 1 has one channel.

#include <memory>
#include <string>

#include <array>

#include "app/AppState.h"
#include "model/CProject.h"

namespace kova::test {

inline constexpr int32_t kRed = 255;          // (255, 0, 0)
inline constexpr int32_t kGreen = 255 << 8;   // (0, 255, 0)
inline constexpr int32_t kYellow = 65535;     // (255, 255, 0)

inline TypeRef WholeMegahertzType() {
  auto type = std::make_shared<CSystemType>();
  std::array<float, 11> widths{};
  widths[1] = 0.3f;
  widths[4] = 0.05f;
  type->GDefine("Grid1", "Grid1", "", widths, 1 | 2 | 16, 20.0f, 20.0f, 0.0f, 0.0f, 1.0f);
  type->GxSpectrum()->GAddBand(470.0f, 610.0f, 1.0f);
  return type;
}

// Channels 500 (red, "A") and 510 (green, "B") in system 0, 560 (yellow, "IEM") in system 1.
inline void InitDisplayProject(AppState& app) {
  app.systems = {WholeMegahertzType()};
  MN_NewProject(app);
  CProject& p = *app.project;
  for (int32_t slot = 0; slot < 2; ++slot) {
    auto spectrum = std::make_shared<CSpectrum>();
    spectrum->GDefine();
    spectrum->GAddBand(470.0f, 600.0f, 1.0f);
    p.GcSpectrumOf(slot, spectrum);
    p.GcSystem(slot)->GDefine(WholeMegahertzType());
  }
  p.GcSystem(0)->GcMics()->GAddMic("A", "Grid1", 500.0f, kRed, 0, 0, 0);
  p.GcSystem(0)->GcMics()->GAddMic("B", "Grid1", 510.0f, kGreen, 0, 0, 0);
  p.GbSecondSystem(true);
  p.GcSystem(1)->GcMics()->GAddMic("IEM", "Grid1", 560.0f, kYellow, 0, 0, 0);
  app.flags.productsStale = true;
}

}  // namespace kova::test
