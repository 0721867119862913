#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "engine/TcIMFrequencyBuffer.h"
#include "tools/Tools.h"

using namespace kova;

namespace {

TcIMFrequency Product(int32_t type, int32_t sub) {
  TcIMFrequency p;
  p.GeIMType(type);
  p.GlIMSubType(sub);
  return p;
}

void AddIM(TcIMFrequencyBuffer& b, double f, int32_t mic1 = 1, int32_t mic2 = 2) {
  b.GAddItemCountedIM(f, kIM2Tx3, 1, mic1, 0, mic2, 0, 0, 0);
}

}  // namespace

TEST(IMFrequency, TypeTables) {
  struct Row {
    int32_t type, sub;
    const char* label;
    int32_t kind, bit;
  };
  const Row rows[] = {
      {0, 1, "2TxIM(3)-Product (a) ", 4, 16},  {0, 2, "2TxIM(3)-Product (b) ", 4, 16},
      {0, 0, "", 4, 16},                       {0, 3, "", 4, 16},
      {1, 1, "2TxIM(5)-Product (a) ", 9, 512}, {1, 2, "2TxIM(5)-Product (b) ", 9, 512},
      {2, 1, "3TxIM(3)-Product (a) ", 5, 32},  {2, 3, "3TxIM(3)-Product (c) ", 5, 32},
      {2, 4, "", 5, 32},                       {3, 0, "Local Oscillator", 2, 4},
      {4, 0, "Reference Image", 3, 8},         {5, 0, "Ref. Image 1/2", 6, 64},
      {6, 0, "Ref. Image 1/3", 7, 128},        {7, 0, "2nd Ref. Image", 8, 256},
      {8, 0, "Channel", 1, 2},                 {9, 0, "", 0, 0},
      {255, 1, "", 0, 0},
  };
  for (const Row& r : rows) {
    TcIMFrequency p = Product(r.type, r.sub);
    EXPECT_EQ(p.GetIMTypeLabel(), r.label) << r.type << "/" << r.sub;
    EXPECT_EQ(p.GGetBWDType(), r.kind) << r.type;
    EXPECT_EQ(p.GGetBITFlag(), r.bit) << r.type;
  }
}

TEST(IMFrequency, FieldsAndLimits) {
  TcIMFrequency p;
  p.GdFreq(518.2);
  EXPECT_EQ(p.GdFreq(), static_cast<double>(518.2f));  // narrowed on writing
  EXPECT_THROW(p.GeIMType(256), std::overflow_error);
  EXPECT_THROW(p.GeIMType(-1), std::overflow_error);
  EXPECT_THROW(p.GlIMSubType(300), std::overflow_error);
  EXPECT_THROW(p.GlMicNr(5), std::out_of_range);
  EXPECT_THROW(p.GlSysNr(-1, 0), std::out_of_range);
  // Channel positions beyond a byte are kept.
  p.GlMicNr(4, 300);
  p.GlSysNr(4, 1);
  p.GlCountIM(40000);
  TcIMFrequency copy = p.GGetCopy();
  EXPECT_EQ(copy.GlMicNr(4), 300);
  EXPECT_EQ(copy.GlSysNr(4), 1);
  EXPECT_EQ(copy.GlCountIM(), 40000);
  EXPECT_EQ(copy.GdFreq(), p.GdFreq());
}

TEST(IMFrequencyBuffer, AddKeepsSourcesInOrder) {
  TcIMFrequencyBuffer b;
  b.GAdd(530.0, kIM3Tx3, 3, 1, 0, 300, 1, 7, 1);
  ASSERT_EQ(b.GCount(), 1);
  const TcIMFrequency& p = b.GcItem(0);
  EXPECT_EQ(p.GeIMType(), kIM3Tx3);
  EXPECT_EQ(p.GlIMSubType(), 3);
  EXPECT_EQ(p.GlCountIM(), 1);
  const int32_t mics[5] = {1, 300, 7, 0, 0}, syss[5] = {0, 1, 1, 0, 0};
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(p.GlMicNr(i), mics[i]);
    EXPECT_EQ(p.GlSysNr(i), syss[i]);
  }
  EXPECT_THROW(b.GcItem(1), std::out_of_range);
  EXPECT_THROW(b.GcItem(-1), std::out_of_range);
  EXPECT_THROW(b.GAdd(1.0, 256, 0, 0, 0, 0, 0, 0, 0), std::overflow_error);
}

TEST(IMFrequencyBuffer, BinsTakeTheKilohertzTiesToEven) {
  struct Case {
    double f;
    int32_t bin;
  };
  const Case cases[] = {{100.0625, 100062}, {100.1875, 100188}, {0.0, 0}, {1000.0, 1000000},
                        {0.0005, 0},        {0.0015, 2},        {518.2004, 518200}};
  for (const Case& c : cases) {
    TcIMFrequencyBuffer b;
    AddIM(b, c.f);
    EXPECT_EQ(b.GGetBin(c.bin), 1) << c.f;
    EXPECT_EQ(TcIMFrequencyBuffer::KHzIndex(c.f), c.bin) << c.f;
  }
}

TEST(IMFrequencyBuffer, FirstProductOfAKilohertzIsKept) {
  TcIMFrequencyBuffer b;
  AddIM(b, 518.2004, 1, 2);
  AddIM(b, 518.1996, 3, 4);
  ASSERT_EQ(b.GCount(), 1);
  EXPECT_EQ(b.GcItem(0).GlMicNr(0), 1);
  EXPECT_EQ(b.GcItem(0).GdFreq(), static_cast<double>(518.2004f));
  EXPECT_EQ(b.GcItem(0).GlCountIM(), 1);  // the item's count is not the bin
  EXPECT_EQ(b.GGetBin(518200), 2);
  EXPECT_EQ(b.GGetBin(518199), 0);
  EXPECT_EQ(b.GGetBinMax(), 2);
  EXPECT_EQ(b.GlBinItem(518200), 0);
  EXPECT_EQ(b.GlBinItem(518201), -1);

  // Products of single channels are always appended and leave the bins alone.
  b.GAddItemCountedIM(518.2, kIMChannel, 0, 5, 0, 0, 0, 0, 0);
  b.GAddItemCountedIM(518.2, kIMLocalOsc, 0, 5, 0, 0, 0, 0, 0);
  EXPECT_EQ(b.GCount(), 3);
  EXPECT_EQ(b.GGetBin(518200), 2);
  EXPECT_TRUE(b.GbBinItemsValid());

  EXPECT_THROW(b.GGetBin(-1), std::out_of_range);
  EXPECT_THROW(b.GGetBin(1000001), std::out_of_range);
  EXPECT_THROW(AddIM(b, 1000.0006), std::out_of_range);
  EXPECT_EQ(b.GCount(), 3);
}

TEST(IMFrequencyBuffer, BinIsTakenBeforeNarrowing) {
  TcIMFrequencyBuffer b;
  AddIM(b, 518.2004999);  // stored as 518.20050048828125, which alone would round up
  b.GAdd(518.2004999, kIMChannel, 0, 1, 0, 0, 0, 0, 0);
  EXPECT_EQ(b.GGetBin(518200), 1);
  EXPECT_EQ(b.GGetBin(518201), 0);
  EXPECT_EQ(TcIMFrequencyBuffer::KHzIndex(b.GcItem(0).GdFreq()), 518201);
  EXPECT_EQ(b.GlItemKHz(0), 518200);
  EXPECT_EQ(b.GlItemKHz(1), 518201);
}

TEST(IMFrequencyBuffer, BinsAreThirtyTwoBit) {
  TcIMFrequencyBuffer b;
  for (int i = 0; i < 40000; ++i) AddIM(b, 700.0);
  EXPECT_EQ(b.GCount(), 1);
  EXPECT_EQ(b.GGetBin(700000), 40000);
  EXPECT_EQ(b.GGetBinMax(), 40000);
}

TEST(IMFrequencyBuffer, CopyKeepsItemsWithEmptyBins) {
  TcIMFrequencyBuffer b;
  AddIM(b, 500.0);
  AddIM(b, 500.0);
  b.GAdd(510.0, kIMChannel, 0, 2, 0, 0, 0, 0, 0);
  TcIMFrequency merged = b.GcItem(0);
  merged.GlCountIM(5);
  b.GcItem(0, merged);
  std::shared_ptr<TcIMFrequencyBuffer> c = b.GGetCopy();
  ASSERT_EQ(c->GCount(), 2);
  EXPECT_EQ(c->GcItem(0).GlCountIM(), 5);
  EXPECT_EQ(c->GcItem(1).GeIMType(), kIMChannel);
  EXPECT_EQ(c->GGetBin(500000), 0);
  EXPECT_EQ(c->GGetBinMax(), 0);
  EXPECT_FALSE(c->GbBinItemsValid());  // its intermodulation item has no bin
  EXPECT_EQ(b.GGetBin(500000), 2);
}

// The bin arrays are shared through a pool: a new buffer must never see the bins of one that
// is gone, however many buffers were alive at once.
TEST(IMFrequencyBuffer, ReusedBinsStartEmpty) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> freq(0.0, 1000.0);
  std::vector<double> used;
  for (int round = 0; round < 3; ++round) {
    std::vector<std::unique_ptr<TcIMFrequencyBuffer>> alive;
    for (int i = 0; i < 12; ++i) {
      auto b = std::make_unique<TcIMFrequencyBuffer>();
      for (int j = 0; j < 200; ++j) {
        double f = freq(rng);
        used.push_back(f);
        AddIM(*b, f);
      }
      alive.push_back(std::move(b));
    }
    alive.clear();
    TcIMFrequencyBuffer fresh;
    AddIM(fresh, 1000.0);
    for (double f : used) {
      const int32_t bin = TcIMFrequencyBuffer::KHzIndex(f);
      ASSERT_EQ(fresh.GGetBin(bin), bin == 1000000 ? 1 : 0);
    }
    EXPECT_EQ(fresh.GGetBinMax(), 1);
    EXPECT_EQ(fresh.GlBinItem(TcIMFrequencyBuffer::KHzIndex(used[0])), -1);
  }
}

TEST(IMFrequencyBuffer, MovedBufferKeepsItsBins) {
  TcIMFrequencyBuffer a;
  AddIM(a, 600.0);
  TcIMFrequencyBuffer b(std::move(a));
  EXPECT_EQ(b.GGetBin(600000), 1);
  TcIMFrequencyBuffer c;
  AddIM(c, 601.0);
  c = std::move(b);
  EXPECT_EQ(c.GGetBin(600000), 1);
  EXPECT_EQ(c.GGetBin(601000), 0);
  EXPECT_EQ(c.GCount(), 1);
}

TEST(IMFrequencyBuffer, KHzIndexMatchesTheRoundingRoutine) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> freq(-1.0, 1001.0);
  for (int i = 0; i < 200000; ++i) {
    double f = freq(rng);
    ASSERT_EQ(TcIMFrequencyBuffer::KHzIndex(f), TL_RoundLong(f * 1000.0)) << f;
  }
  for (int k = 0; k < 2000; ++k) {
    double f = (k + 0.5) / 1000.0;  // exact and near ties
    ASSERT_EQ(TcIMFrequencyBuffer::KHzIndex(f), TL_RoundLong(f * 1000.0)) << f;
    ASSERT_EQ(TcIMFrequencyBuffer::KHzIndex(k * 0.0625), TL_RoundLong(k * 0.0625 * 1000.0));
  }
  EXPECT_EQ(TcIMFrequencyBuffer::KHzIndex(std::nan("")), 0);
  EXPECT_EQ(TcIMFrequencyBuffer::KHzIndex(1e300), TL_RoundLong(1e303));
}

TEST(IMFrequencyBuffer, ReduceMergesEqualIntermodulationProducts) {
  TcIMFrequencyBuffer b;
  b.GAdd(500.0, kIM2Tx3, 1, 1, 0, 2, 0, 0, 0);  // 0
  b.GAdd(510.0, kIMChannel, 0, 1, 0, 0, 0, 0, 0);  // 1: passed over
  b.GAdd(500.0, kIM3Tx3, 2, 1, 0, 2, 0, 3, 0);  // 2: merged into 0
  b.GAdd(520.0, kIM2Tx5, 1, 2, 0, 3, 0, 0, 0);  // 3
  b.GAdd(500.0, kIM2Tx3, 2, 2, 0, 3, 0, 0, 0);  // 4: merged into 0
  b.GAdd(520.0, kIM2Tx3, 1, 3, 0, 4, 0, 0, 0);  // 5: merged into 3
  b.GReduceIM();
  // 0 absorbed 2 and 4; item 2 (count 0) took a copy of item 3, which then absorbed 5; the
  // emptied places took later live items or were cut off.
  ASSERT_EQ(b.GCount(), 3);
  EXPECT_EQ(b.GcItem(0).GdFreq(), 500.0);
  EXPECT_EQ(b.GcItem(0).GlCountIM(), 3);
  EXPECT_EQ(b.GcItem(1).GeIMType(), kIMChannel);
  EXPECT_EQ(b.GcItem(2).GdFreq(), 520.0);
  EXPECT_EQ(b.GcItem(2).GeIMType(), kIM2Tx5);
  EXPECT_EQ(b.GcItem(2).GlCountIM(), 2);
}
