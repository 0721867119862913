// The first intermodulation product of each kilohertz, found from the pair sums, must be the one
// the full generation keeps there; and the check that reads them must report exactly what the
// check over the fully generated products reports.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "engine/CheckConflict.h"
#include "engine/EngineTestSupport.h"
#include "engine/IMFirstTable.h"
#include "engine/IMGeneration.h"

using namespace kova;
using namespace kova::test;

namespace {

// Channel frequencies in the layouts that matter: rasters of 25 and 5 kHz (products on the
// raster, empty kilohertz between), 12.5 kHz steps around a few centres (coinciding channels,
// products on half kilohertz), anywhere to the kilohertz, anywhere in single precision; now and
// then one near 0 or 1000 MHz.
std::vector<float> RandomChannels(std::mt19937& rng, int32_t n) {
  auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  const uint32_t layout = rng() % 5;
  const double centre = uni(480, 950);
  std::vector<float> f;
  for (int32_t k = 0; k < n; ++k) {
    double x = layout == 0   ? 470 + 0.025 * (rng() % 19600)
               : layout == 1 ? 470 + 0.005 * (rng() % 98000)
               : layout == 2 ? centre + 0.0125 * (static_cast<int32_t>(rng() % 801) - 400)
               : layout == 3 ? std::round(uni(470, 960) * 1000) / 1000
                             : uni(470, 960);
    if (rng() % 40 == 0) x = rng() % 2 ? uni(0, 2) : uni(998, 1000);
    f.push_back(static_cast<float>(x));
  }
  return f;
}

}  // namespace

TEST(IMFirstTable, EveryKilohertzKeepsTheFirstProductOfTheFullGeneration) {
  std::mt19937 rng(37);
  for (int32_t round = 0; round < 150; ++round) {
    const int32_t n = 3 + static_cast<int32_t>(rng() % 70);
    std::vector<IMSource> all;
    for (float f : RandomChannels(rng, n)) all.push_back({f, static_cast<int32_t>(all.size()) + 1, 0});
    const uint32_t on = 1 + rng() % 7;
    const IMKinds kinds{(on & 1) != 0, (on & 2) != 0, (on & 4) != 0};
    std::vector<BinWindow> windows;
    const int32_t reach = std::vector<int32_t>{3, 50, 200, 700}[rng() % 4];
    for (const IMSource& s : all) {
      const int32_t bin = static_cast<int32_t>(IMBinOf(s.f));
      windows.push_back({bin - reach, bin + reach});
    }
    std::vector<int32_t> bins;
    std::vector<bool> asked(1000001);
    for (const BinWindow& w : windows)
      for (int32_t bin = std::max(w.lo, 0); bin <= std::min(w.hi, 1000000); ++bin)
        if (!asked[static_cast<size_t>(bin)]) {
          asked[static_cast<size_t>(bin)] = true;
          bins.push_back(bin);
        }
    std::map<int32_t, IMFirst> expected;
    std::map<std::pair<int32_t, int32_t>, IMFirst> typed;  // the first of each type
    GenerateIM(
        all, kinds, kNoChannel,
        [&](const IMFirst& p, int32_t) {
          if (!asked[static_cast<size_t>(p.bin)]) return;
          expected.emplace(p.bin, p);
          typed.emplace(std::pair{p.bin, static_cast<int32_t>(p.type)}, p);
        },
        IMTally::kFirsts);
    const IMFirstTable perType = IMFirstTable::PerType(all, kinds, windows, rng() % 2 ? SIZE_MAX : 2);
    for (int32_t bin : bins)
      for (int32_t type = 0; type < 3; ++type) {
        float f = 0;
        const auto it = typed.find({bin, type});
        ASSERT_EQ(perType.KeyOfType(bin, type, f), it == typed.end() ? IMFirstTable::kNone : IMOrderKey(it->second, all.size()));
        if (it != typed.end()) {
          ASSERT_EQ(perType.ItemOfType(bin, type).GlMicNr(1), it->second.b + 1);
        }
      }

    for (size_t firstChannels : {SIZE_MAX, size_t{1}, size_t{4}}) {
      const IMFirstTable table(all, kinds, windows, firstChannels);
      for (int32_t bin : bins) {
          float f = 0;
          int32_t type = 0;
          const uint64_t key = table.KeyAt(bin, f, type);
          const auto it = expected.find(bin);
          if (it == expected.end()) {
            ASSERT_EQ(key, IMFirstTable::kNone) << "round " << round << " bin " << bin << " after " << firstChannels;
            continue;
          }
          const IMFirst& p = it->second;
          ASSERT_EQ(key, IMOrderKey(p, all.size()))
              << "round " << round << " bin " << bin << " after " << firstChannels;
          ASSERT_EQ(f, p.f);
          const TcIMFrequency item = table.ItemAt(bin);
          ASSERT_EQ(item.GeIMType(), p.type);
          ASSERT_EQ(item.GlIMSubType(), p.sub);
          ASSERT_EQ(item.GlMicNr(0), p.a + 1);
          ASSERT_EQ(item.GlMicNr(1), p.b + 1);
          ASSERT_EQ(item.GlMicNr(2), p.c + 1);
        }
    }
  }
}

TEST(IMFirstTable, CheckReportsWhatTheFullGenerationReports) {
  // Projects of 1 to 16 systems of random built-in types, most with every kind on, all with
  // random widths, a third of them in zones; each checked with the full generation and with the
  // table.
  std::mt19937 rng(3737);
  const size_t minChannels = IMFirstTable::MinChannels();
  size_t lines = 0;
  for (int32_t round = 0; round < 300; ++round) {
    AppState app = NewApp();
    CProject& project = *app.project;
    const int32_t systems = rng() % 4 == 0 ? 1 : 2 + static_cast<int32_t>(rng() % 15);
    project.GbSecondSystem(systems > 1);
    while (project.GlSystems() < systems)
      project.GAddSystem(project.GcSystem(0)->GGetCopy(), project.GcSpectrumOf(0)->GGetCopy());
    for (int32_t s = 0; s < systems; ++s) {
      TypeRef type = app.systems[rng() % app.systems.size()]->GGetCopy();
      type->GlSetFlags(rng() % 4 ? 511 | 512 : static_cast<int32_t>(rng() % 1024));
      for (int32_t k = 1; k <= 10; ++k)
        type->GfBandwidth(k, std::vector<float>{0.0f, 0.025f, 0.1f, 0.3f, -0.002f}[rng() % 5]);
      project.GcSystem(s)->GcSystemType(type);
    }
    if (systems > 1 && rng() % 3 == 0) {
      const int32_t zones = 2 + static_cast<int32_t>(rng() % 3);
      project.GxZones().GlCount(zones);
      for (int32_t a = 1; a <= zones; ++a)
        for (int32_t b = a + 1; b <= zones; ++b) project.GxZones().GeRelation(a, b, static_cast<int32_t>(rng() % 3));
      for (int32_t s = 0; s < systems; ++s) project.GSetSystemZone(s, 1 + static_cast<int32_t>(rng() % zones));
    }
    for (float f : RandomChannels(rng, 3 + static_cast<int32_t>(rng() % 60)))
      AddMic(app, static_cast<int32_t>(rng() % static_cast<uint32_t>(systems)), f);

    auto check = [&](size_t channels, std::vector<CheckConflict>& conflicts) {
      IMFirstTable::MinChannels(channels);
      StringSink sink;
      TcCheckHandler handler;
      handler.GInit(&sink, false, false, true);
      handler.GCollect(&conflicts);
      project.RunChecks(handler);
      return sink.Text();
    };
    std::vector<CheckConflict> full, table;
    const std::string expected = check(SIZE_MAX, full);
    ASSERT_EQ(check(3, table), expected) << "round " << round;
    ASSERT_EQ(table.size(), full.size());
    for (size_t k = 0; k < full.size(); ++k) {
      EXPECT_EQ(table[k].channel, full[k].channel);
      EXPECT_EQ(table[k].kind, full[k].kind);
      EXPECT_EQ(table[k].freq, full[k].freq);
      EXPECT_EQ(table[k].source, full[k].source);
    }
    lines += full.size();
  }
  IMFirstTable::MinChannels(minChannels);
  EXPECT_GT(lines, 3000u);  // the projects do have conflicts to compare
}
