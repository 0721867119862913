// Products counted per kilohertz through the transform must give the buffer that generating
// every product gives: the same items in the same order, the same count on every kilohertz.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/IMCounts.h"
#include "engine/IMGeneration.h"
#include "engine/TcIMFrequencyBuffer.h"

using namespace kova;

TEST(IMCounts, CountedBufferEqualsTheGeneratedOne) {
  std::mt19937 rng(4242);
  int32_t counted = 0;
  for (int32_t round = 0; round < 60; ++round) {
    // Whole kilohertz in single precision on a raster of 1, 5 or 25 kHz, bunched or spread,
    // coinciding now and then; a few rounds with a channel off the kilohertz or near the ends.
    const int32_t n = 3 + static_cast<int32_t>(rng() % 40);
    const int32_t raster = std::vector<int32_t>{1, 5, 25}[rng() % 3];
    const int32_t spread = std::vector<int32_t>{40, 400, 2000}[rng() % 3];
    // Now and then near the ends of the bins, where products leave them or fall on the last.
    const int32_t from = round % 10 == 4   ? static_cast<int32_t>(rng() % 3000)
                         : round % 10 == 8 ? 999000 - raster * spread
                                           : 100000 + static_cast<int32_t>(rng() % 800000);
    std::vector<IMSource> all;
    for (int32_t k = 0; k < n; ++k) {
      const double khz = from + raster * static_cast<int32_t>(rng() % static_cast<uint32_t>(spread));
      all.push_back({static_cast<float>(khz / 1000.0), k + 1, 0});
    }
    if (round % 5 == 2)  // some off the kilohertz
      for (size_t k = 0; k < all.size(); k += 3) all[k].f += 0.0003f;
    const uint32_t on = 1 + rng() % 7;
    const IMKinds kinds{(on & 1) != 0, (on & 2) != 0, (on & 4) != 0};
    for (IMTally tally : {IMTally::kCounts, IMTally::kFirsts}) {
      TcIMFrequencyBuffer expected, got;
      GenerateIM(
          all, kinds, kNoChannel,
          [&](const IMFirst& p, int32_t count) {
            const int32_t c = p.c >= 0 ? p.c + 1 : 0;
            if (tally == IMTally::kFirsts)
              expected.GAddKindFirst(p.bin, count, p.f, p.type, p.sub, p.a + 1, 0, p.b + 1, 0, c, 0);
            else
              expected.GAddCountedRun(p.bin, count, p.f, p.type, p.sub, p.a + 1, 0, p.b + 1, 0, c, 0);
          },
          tally);
      if (!TL_AddCountedIMProducts(all, kinds, tally, got)) {
        EXPECT_EQ(got.GCount(), 0);
        continue;
      }
      ++counted;
      ASSERT_EQ(got.GCount(), expected.GCount()) << "round " << round;
      ASSERT_EQ(got.GGetBinMax(), expected.GGetBinMax()) << "round " << round;
      for (int32_t i = 0; i < got.GCount(); ++i) {
        const TcIMFrequency &x = got.GcItem(i), &y = expected.GcItem(i);
        ASSERT_EQ(x.GfFreq(), y.GfFreq()) << "round " << round << " item " << i;
        ASSERT_EQ(x.GlIMSubType(), y.GlIMSubType()) << "round " << round << " item " << i;
        for (int32_t s = 0; s < 3; ++s) ASSERT_EQ(x.GlMicNr(s), y.GlMicNr(s)) << "round " << round << " item " << i;
        const int32_t bin = got.GlItemKHz(i);
        ASSERT_EQ(got.GGetBin(bin), expected.GGetBin(bin)) << "round " << round << " item " << i;
      }
    }
  }
  EXPECT_GT(counted, 60);  // most rounds can be counted
}
