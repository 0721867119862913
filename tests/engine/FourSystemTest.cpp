#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "app/SystemCommands.h"
#include "engine/EngineTestSupport.h"
#include "engine/TcIMFrequencyBuffer.h"

using namespace kova;
using namespace kova::test;

// Four systems, each with its own check kinds and widths (spacing, 2Tx IM(3), 2Tx IM(5), 3Tx IM(3)).
TEST(FourSystems, ProductsAndCheckMatchABruteForce) {
  AppState app = NewApp();
  const float widths[4][5] = {{2 | 16, 0.3f, 0.1f, 0, 0}, {2 | 512 | 32, 0.2f, 0, 0.05f, 0.075f},
                              {16 | 32, 0, 0.15f, 0, 0.05f}, {2, 0.5f, 0, 0, 0}};
  struct Channel { float f; int32_t s, m; };
  std::vector<Channel> all;
  uint32_t seed = 7;
  for (int32_t s = 0; s < 4; ++s) {
    EXPECT_EQ(s == 0 ? 0 : MN_AddSystem(app, *app.systems[0]), s);
    SetChecks(app, s, static_cast<int32_t>(widths[s][0]), 0.0f);
    for (int32_t i = 0; i < 4; ++i) TypeOf(app, s).GfBandwidth(std::array{1, 4, 9, 5}[i], widths[s][i + 1]);
    for (int32_t m = 1; m <= 7; ++m) {
      seed = seed * 1664525u + 1013904223u;
      all.push_back({500.0f + 0.025f * static_cast<float>((seed >> 9) % 1600u), s, m});
      AddMic(app, s, all.back().f);
    }
  }
  const CProject& project = *app.project;

  // Every product in the order of generation, with its check kind; a kilohertz keeps the first.
  std::vector<std::pair<double, int32_t>> products;
  for (size_t a = 0; a < all.size(); ++a)
    for (size_t b = a + 1; b < all.size(); ++b) {
      const double f1 = all[a].f, f2 = all[b].f;
      for (double p : {2 * f1 - f2, 2 * f2 - f1}) products.push_back({p, 4});
      for (double p : {3 * f1 - 2 * f2, 3 * f2 - 2 * f1}) products.push_back({p, 9});
      for (size_t c = b + 1; c < all.size(); ++c)
        for (double p : {f1 + f2 - all[c].f, all[c].f + (f1 - f2), all[c].f + (f2 - f1)}) products.push_back({p, 5});
    }
  std::map<std::pair<double, int32_t>, double> kept;  // the first product of each kind per kilohertz
  double counted = 0;
  for (const auto& [p, kind] : products)
    if (p >= 0 && p <= 1000 && ++counted) kept.emplace(std::pair{std::nearbyint(p * 1000), kind}, p);

  // The buffer: each product's sources (system and channel) give back its frequency; the bins
  // count every product.
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
      const float w = type.GfBandwidth(kind), wa = w > 0 ? w - 0.002f : w + 0.002f;
      return type.GbCheckFlag(kind) && std::fabs(static_cast<float>(p) - c.f) <= wa;
    };
    bool hit = false;
    for (const Channel& d : all) hit = hit || (&d != &c && hits(d.f, 1));
    for (const auto& [at, p] : kept) hit = hit || hits(p, at.second);
    if (hit) expected.push_back({c.s, c.m});
  }
  std::vector<CheckConflict> conflicts;
  TcCheckHandler handler;
  StringSink log;
  handler.GInit(&log, false, false, true);
  handler.GCollect(&conflicts);
  project.RunChecks(handler);
  std::vector<CheckChannel> got;
  std::vector<std::string> prefixes, named;  // the log names each channel's system
  for (const CheckConflict& c : conflicts) got.push_back(c.channel), named.push_back("[ #" + std::to_string(c.channel.system + 1) + "] ");
  for (const std::string& line : SplitCrLf(log.Text())) prefixes.push_back(line.substr(0, 6));
  EXPECT_EQ(got, expected);
  EXPECT_EQ(prefixes, named);
  EXPECT_EQ(got.back().system, 3);
}
