#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "engine/EngineTestSupport.h"
#include "engine/Margin.h"

using namespace kova;
using namespace kova::test;

TEST(Margin, SmallestRoomBeyondTheWidthsOfTheSwitchedOnChecks) {
  constexpr int32_t kSpacing = 2, kIM3 = 16;
  const struct {
    const char* name;
    int32_t flags;
    float spacing;
    std::vector<float> channels;
    std::optional<double> kHz;
  } cases[] = {
      // 2 x 501.1 - 500 = 502.2 lies 0.3 MHz from 502.5 (and 2 x 501.1 - 502.5 = 499.7 from 500):
      // 300 - 100 kHz; the closest channels keep 1100 - 300 kHz.
      {"intermodulation closest", kSpacing | kIM3, 0.3f, {500.0f, 501.1f, 502.5f}, 200.0},
      {"intermodulation not checked", kSpacing, 0.3f, {500.0f, 501.1f, 502.5f}, 800.0},
      // 500 - 500.5 is 500 kHz apart, 350 of it the spacing; the products 499.5 and 501 keep 400.
      {"spacing closest", kSpacing | kIM3, 0.35f, {500.0f, 500.5f}, 150.0},
      {"product on a channel", kSpacing | kIM3, 0.3f, {500.0f, 501.0f, 502.0f}, -100.0},
      {"nothing to keep clear of", kSpacing | kIM3, 0.3f, {500.0f}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppState app = NewApp();
    SetChecks(app, 0, c.flags, 0.1f);
    TypeOf(app, 0).GfBandwidth(kCheckSpacing, c.spacing);
    for (float f : c.channels) AddMic(app, 0, f);
    EXPECT_EQ(MN_GetMarginKHz(*app.project), c.kHz);
  }
}
