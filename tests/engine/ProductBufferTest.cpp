#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "engine/TcIMFrequencyBuffer.h"
#include "tools/Tools.h"

using namespace kova;

namespace {
void AddIM(TcIMFrequencyBuffer& b, double f, int32_t mic1 = 1) { b.GAddItemCountedIM(f, kIM2Tx3, 1, mic1, 0, 2, 0, 0, 0); }
}  // namespace

TEST(IMFrequency, TypeTables) {
  struct Row {
    int32_t type, sub;
    const char* label;
    int32_t kind, bit;
  };
  const Row rows[] = {{0, 1, "2TxIM(3)-Product (a) ", 4, 16}, {0, 0, "", 4, 16}, {1, 2, "2TxIM(5)-Product (b) ", 9, 512},
                      {2, 3, "3TxIM(3)-Product (c) ", 5, 32}, {2, 4, "", 5, 32}, {3, 0, "Local Oscillator", 2, 4},
                      {4, 0, "Reference Image", 3, 8},        {5, 0, "Ref. Image 1/2", 6, 64},
                      {6, 0, "Ref. Image 1/3", 7, 128},       {7, 0, "2nd Ref. Image", 8, 256},
                      {8, 0, "Channel", 1, 2},                {9, 0, "", 0, 0}};
  for (const Row& r : rows) {
    TcIMFrequency p;
    p.GeIMType(r.type);
    p.GlIMSubType(r.sub);
    EXPECT_EQ(p.GetIMTypeLabel(), r.label) << r.type << "/" << r.sub;
    EXPECT_EQ(p.GGetBWDType(), r.kind) << r.type;
    EXPECT_EQ(p.GGetBITFlag(), r.bit) << r.type;
  }
  TcIMFrequency p;
  EXPECT_THROW(p.GeIMType(256), std::overflow_error);
  EXPECT_THROW(p.GlMicNr(5), std::out_of_range);
  p.GlMicNr(4, 300);  // positions beyond a byte are kept
  EXPECT_EQ(p.GGetCopy().GlMicNr(4), 300);
}

TEST(IMFrequencyBuffer, BinsTakeTheKilohertzTiesToEven) {
  const std::pair<double, int32_t> cases[] = {{100.0625, 100062}, {100.1875, 100188}, {0.0, 0},
                                              {1000.0, 1000000},  {0.0015, 2},        {518.2004, 518200}};
  for (const auto& [f, bin] : cases) {
    TcIMFrequencyBuffer b;
    AddIM(b, f);
    EXPECT_EQ(b.GGetBin(bin), 1) << f;
  }
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> freq(-1.0, 1001.0);
  for (int i = 0; i < 100000; ++i) {
    double f = i % 2 ? freq(rng) : (i / 2 + 0.5) / 1000.0;  // random values and exact ties
    ASSERT_EQ(TcIMFrequencyBuffer::KHzIndex(f), TL_RoundLong(f * 1000.0)) << f;
  }
}

TEST(IMFrequencyBuffer, FirstProductOfAKilohertzIsKept) {
  TcIMFrequencyBuffer b;
  AddIM(b, 518.2004, 1);
  AddIM(b, 518.1996, 3);
  b.GAddItemCountedIM(518.2, kIMChannel, 0, 5, 0, 0, 0, 0, 0);  // single-channel products: always appended,
  b.GAddItemCountedIM(518.2, kIMLocalOsc, 0, 5, 0, 0, 0, 0, 0);  // bins untouched
  ASSERT_EQ(b.GCount(), 3);
  EXPECT_EQ(b.GcItem(0).GlMicNr(0), 1);
  EXPECT_EQ(b.GcItem(0).GlCountIM(), 1);
  EXPECT_EQ(b.GGetBin(518200), 2);
  EXPECT_EQ(b.GGetBinMax(), 2);
  EXPECT_EQ(b.GlBinItem(518200), 0);
  EXPECT_THROW(b.GGetBin(1000001), std::out_of_range);
  EXPECT_THROW(AddIM(b, 1000.0006), std::out_of_range);
  EXPECT_THROW(b.GcItem(3), std::out_of_range);

  // The bin comes from the value before narrowing: 518.2004999 is stored as 518.20050048828125.
  TcIMFrequencyBuffer n;
  AddIM(n, 518.2004999);
  EXPECT_EQ(n.GGetBin(518200), 1);
  EXPECT_EQ(n.GlItemKHz(0), 518200);
  EXPECT_EQ(TcIMFrequencyBuffer::KHzIndex(n.GcItem(0).GdFreq()), 518201);

  // 32-bit bins.
  for (int i = 0; i < 40000; ++i) AddIM(n, 700.0);
  EXPECT_EQ(n.GGetBinMax(), 40000);

  // Counts beyond 32 bits stay at the largest count, in both ways of adding them.
  for (int kind = 0; kind < 2; ++kind) {
    TcIMFrequencyBuffer big;
    for (int i = 0; i < 3; ++i) {
      if (kind == 0) big.GAddCountedRun(518200, 1'800'000'000, 518.2, kIM2Tx3, 1, 1, 0, 2, 0, 0, 0);
      else big.GAddKindFirst(518200, 1'800'000'000, 518.2, kIM3Tx3, 1, 1, 0, 2, 0, 3, 0);
    }
    EXPECT_EQ(big.GGetBin(518200), INT32_MAX);
    EXPECT_EQ(big.GGetBinMax(), INT32_MAX);
  }
}

TEST(IMFrequencyBuffer, CopyKeepsItemsWithEmptyBins) {
  TcIMFrequencyBuffer b;
  AddIM(b, 500.0);
  AddIM(b, 500.0);
  TcIMFrequency merged = b.GcItem(0);
  merged.GlCountIM(5);
  b.GcItem(0, merged);
  std::shared_ptr<TcIMFrequencyBuffer> c = b.GGetCopy();
  ASSERT_EQ(c->GCount(), 1);
  EXPECT_EQ(c->GcItem(0).GlCountIM(), 5);
  EXPECT_EQ(c->GGetBin(500000), 0);
  EXPECT_EQ(c->GGetBinMax(), 0);
  EXPECT_EQ(b.GGetBin(500000), 2);
}

// Bin arrays are shared through a pool: a new buffer never sees the bins of one that is gone,
// however many were alive at once, and a moved buffer takes its bins along.
TEST(IMFrequencyBuffer, ReusedBinsStartEmpty) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> freq(0.0, 999.0);
  std::vector<double> used;
  for (int round = 0; round < 3; ++round) {
    std::vector<std::unique_ptr<TcIMFrequencyBuffer>> alive;
    for (int i = 0; i < 12; ++i) {
      alive.push_back(std::make_unique<TcIMFrequencyBuffer>());
      for (int j = 0; j < 200; ++j) AddIM(*alive.back(), used.emplace_back(freq(rng)));
    }
    TcIMFrequencyBuffer moved(std::move(*alive[0]));
    EXPECT_GE(moved.GGetBin(TcIMFrequencyBuffer::KHzIndex(used[used.size() - 2400])), 1);
    alive.clear();
  }
  TcIMFrequencyBuffer fresh;
  AddIM(fresh, 1000.0);
  for (double f : used) ASSERT_EQ(fresh.GGetBin(TcIMFrequencyBuffer::KHzIndex(f)), 0);
  EXPECT_EQ(fresh.GGetBinMax(), 1);
}

TEST(IMFrequencyBuffer, ReduceMergesEqualIntermodulationProducts) {
  TcIMFrequencyBuffer b;
  b.GAdd(500.0, kIM2Tx3, 1, 1, 0, 2, 0, 0, 0);
  b.GAdd(510.0, kIMChannel, 0, 1, 0, 0, 0, 0, 0);  // passed over
  b.GAdd(500.0, kIM3Tx3, 2, 1, 0, 2, 0, 3, 0);     // merged into the first
  b.GAdd(520.0, kIM2Tx5, 1, 2, 0, 3, 0, 0, 0);     // moves into the emptied place
  b.GAdd(500.0, kIM2Tx3, 2, 2, 0, 3, 0, 0, 0);     // merged into the first
  b.GAdd(520.0, kIM2Tx3, 1, 3, 0, 4, 0, 0, 0);     // merged into the moved one
  b.GReduceIM();
  ASSERT_EQ(b.GCount(), 3);
  EXPECT_EQ(b.GcItem(0).GlCountIM(), 3);
  EXPECT_EQ(b.GcItem(1).GeIMType(), kIMChannel);
  EXPECT_EQ(b.GcItem(2).GeIMType(), kIM2Tx5);
  EXPECT_EQ(b.GcItem(2).GlCountIM(), 2);
}
