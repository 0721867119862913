#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "app/SystemCommands.h"
#include "engine/EngineTestSupport.h"
#include "engine/TcIMFrequencyBuffer.h"

using namespace kova;
using namespace kova::test;

namespace {

struct Channel {
  float f;
  int32_t s, m;
};

// Four systems, each with its own check kinds and widths, channels on the 25 kHz grid.
AppState FourSystems(std::vector<Channel>& all) {
  AppState app = NewApp();
  const struct { int32_t flags; float spacing, im3, im5, im3x3; } kinds[4] = {
      {2 | 16, 0.3f, 0.1f, 0, 0}, {2 | 512 | 32, 0.2f, 0, 0.05f, 0.075f}, {16 | 32, 0, 0.15f, 0, 0.05f}, {2, 0.5f, 0, 0, 0}};
  uint32_t seed = 7;
  for (int32_t s = 0; s < 4; ++s) {
    if (s >= 1) {
      EXPECT_EQ(MN_AddSystem(app, *app.systems[0]), s);
    }
    SetChecks(app, s, kinds[s].flags, 0.0f);
    CSystemType& type = TypeOf(app, s);
    for (auto [k, w] : {std::pair{1, kinds[s].spacing}, {4, kinds[s].im3}, {9, kinds[s].im5}, {5, kinds[s].im3x3}})
      type.GfBandwidth(k, w);
    for (int32_t m = 1; m <= 7; ++m) {
      seed = seed * 1664525u + 1013904223u;
      const float f = 500.0f + 0.025f * static_cast<float>((seed >> 9) % 1600u);
      AddMic(app, s, f);
      all.push_back({f, s, m});
    }
  }
  return app;
}

}  // namespace

TEST(FourSystems, ProductsAndCheckMatchABruteForce) {
  std::vector<Channel> all;
  AppState app = FourSystems(all);
  const CProject& project = *app.project;
  ASSERT_EQ(project.GlSystems(), 4);

  // Every product the channels make, each with its check kind, in the order of generation.
  std::vector<std::pair<double, int32_t>> products;
  const size_t n = all.size();
  for (size_t a = 0; a < n; ++a)
    for (size_t b = a + 1; b < n; ++b) {
      const double f1 = all[a].f, f2 = all[b].f;
      for (double p : {2 * f1 - f2, 2 * f2 - f1}) products.push_back({p, 4});
      for (double p : {3 * f1 - 2 * f2, 3 * f2 - 2 * f1}) products.push_back({p, 9});
      for (size_t c = b + 1; c < n; ++c)
        for (double p : {f1 + f2 - all[c].f, all[c].f + (f1 - f2), all[c].f + (f2 - f1)}) products.push_back({p, 5});
    }
  // A kilohertz keeps the first product generated on it.
  std::map<double, std::pair<double, int32_t>> kept;
  double counted = 0;
  for (const auto& [p, kind] : products)
    if (p >= 0 && p <= 1000 && ++counted) kept.emplace(std::nearbyint(p * 1000), std::pair{p, kind});

  // The buffer: every product's sources give back its frequency; the bins count every product.
  auto buffer = project.GGetBadBuffer(false);
  double binned = 0;
  for (int32_t i = 0; i < buffer->GCount(); ++i) {
    const TcIMFrequency& p = buffer->GcItem(i);
    auto f = [&](int32_t k) -> double { return project.GcSystem(p.GlSysNr(k))->GcMics()->GcItem(p.GlMicNr(k))->GfGetFreq(); };
    const int32_t t = p.GeIMType(), sub = p.GlIMSubType();
    double expect = f(0);
    if (t == kIM2Tx3) expect = sub == 1 ? 2 * f(0) - f(1) : 2 * f(1) - f(0);
    if (t == kIM2Tx5) expect = sub == 1 ? 3 * f(0) - 2 * f(1) : 3 * f(1) - 2 * f(0);
    if (t == kIM3Tx3) expect = sub == 1 ? f(0) + f(1) - f(2) : sub == 2 ? f(2) + (f(0) - f(1)) : f(2) + (f(1) - f(0));
    EXPECT_EQ(p.GfFreq(), static_cast<float>(expect)) << i;
    if (TL_IsCountedIM(t)) binned += buffer->GGetBin(buffer->GlItemKHz(i));
  }
  EXPECT_EQ(binned, counted);

  // Each channel against the products its own type checks, with its own widths.
  std::vector<CheckChannel> expected;
  for (const Channel& c : all) {
    const CSystemType& type = *project.GcSystem(c.s)->GcSystemType();
    auto hits = [&](double p, int32_t kind) {
      if (!type.GbCheckFlag(kind) || p < 0 || p > 1000) return false;
      const float w = type.GfBandwidth(kind), wa = w > 0 ? w - 0.002f : w + 0.002f;
      return std::fabs(static_cast<float>(p) - c.f) <= wa;
    };
    bool hit = false;
    for (const Channel& d : all) hit = hit || (&d != &c && hits(d.f, 1));
    for (const auto& [khz, product] : kept) hit = hit || hits(product.first, product.second);
    if (hit) expected.push_back({c.s, c.m});
  }
  std::vector<CheckConflict> conflicts;
  TcCheckHandler handler;
  handler.GInit(nullptr, false, false, true);
  handler.GCollect(&conflicts);
  project.RunChecks(handler);
  std::vector<CheckChannel> got;
  for (const CheckConflict& c : conflicts) got.push_back(c.channel);
  EXPECT_EQ(got, expected);

  // The log names each channel's system.
  const std::vector<std::string> lines = CheckLines(project);
  ASSERT_EQ(lines.size(), expected.size());
  for (size_t i = 0; i < lines.size(); ++i)
    EXPECT_EQ(lines[i].rfind("[ #" + std::to_string(expected[i].system + 1) + "]  ", 0), 0u) << lines[i];
  EXPECT_GT(std::count_if(expected.begin(), expected.end(), [](const CheckChannel& c) { return c.system == 3; }), 0);
}
