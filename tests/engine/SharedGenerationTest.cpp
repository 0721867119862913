// Large projects have their products generated in shares on two cores. The buffer must be the
// one that counting every product in generation order gives: the same items (frequency, type,
// sub-type, count, sources) in the same order, and the same bins. The check's buffer, which only
// marks the kilohertz that have a product of each kind, must keep the first product of each kind
// per kilohertz in generation order.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/EngineTestSupport.h"
#include "engine/TcIMFrequencyBuffer.h"

using namespace kova;
using namespace kova::test;

namespace {

void ExpectSameItem(const TcIMFrequency& x, const TcIMFrequency& y, int32_t i) {
  ASSERT_EQ(x.GfFreq(), y.GfFreq()) << "item " << i;
  ASSERT_EQ(x.GeIMType(), y.GeIMType()) << "item " << i;
  ASSERT_EQ(x.GlIMSubType(), y.GlIMSubType()) << "item " << i;
  ASSERT_EQ(x.GlCountIM(), y.GlCountIM()) << "item " << i;
  for (int32_t k = 0; k < 5; ++k) {
    ASSERT_EQ(x.GlMicNr(k), y.GlMicNr(k)) << "item " << i;
    ASSERT_EQ(x.GlSysNr(k), y.GlSysNr(k)) << "item " << i;
  }
}

// Every product counted one at a time in generation order (the buffer's own counting rule; with
// `perKind`, the first product of each kind per kilohertz kept).
TcIMFrequencyBuffer InOrder(const CProject& project, bool im3, bool im5, bool im3x3, bool perKind = false) {
  struct Source {
    double f;
    int32_t mic, sys;
  };
  std::vector<Source> all;
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t j = 1; j <= mics.GCount(); ++j) all.push_back({mics.GcItem(j)->GfGetFreq(), j, s});
  }
  TcIMFrequencyBuffer out;
  auto add = [&](double f, int32_t type, int32_t sub, const Source& a, const Source& b, const Source* c) {
    if (f >= 0.0 && f <= 1000.0)
      (out.*(perKind ? &TcIMFrequencyBuffer::GAddKindFirst : &TcIMFrequencyBuffer::GAddCountedRun))(
          TcIMFrequencyBuffer::KHzIndex(f), 1, f, type, sub, a.mic, a.sys, b.mic, b.sys, c ? c->mic : 0, c ? c->sys : 0);
  };
  for (size_t a = 0; a < all.size(); ++a)
    for (size_t b = a + 1; b < all.size(); ++b) {
      const double f1 = all[a].f, f2 = all[b].f;
      if (im3) {
        add(2.0 * f1 - f2, kIM2Tx3, 1, all[a], all[b], nullptr);
        add(2.0 * f2 - f1, kIM2Tx3, 2, all[a], all[b], nullptr);
      }
      if (im5) {
        add(3.0 * f1 - 2.0 * f2, kIM2Tx5, 1, all[a], all[b], nullptr);
        add(3.0 * f2 - 2.0 * f1, kIM2Tx5, 2, all[a], all[b], nullptr);
      }
      if (im3x3)
        for (size_t c = b + 1; c < all.size(); ++c) {
          const double f3 = all[c].f;
          add(f1 + f2 - f3, kIM3Tx3, 1, all[a], all[b], &all[c]);
          add(f3 + (f1 - f2), kIM3Tx3, 2, all[a], all[b], &all[c]);
          add(f3 + (f2 - f1), kIM3Tx3, 3, all[a], all[b], &all[c]);
        }
    }
  return out;
}

}  // namespace

TEST(SharedGeneration, BufferEqualsCountingInGenerationOrder) {
  // Two systems of 130 channels (enough triples to be shared out), on a coarse grid so that many
  // products coincide, plus a few channels near the ends of the window whose products leave it.
  std::mt19937 rng(99);
  for (int32_t flags : {16 | 32 | 512, 32}) {
    AppState app = NewApp();
    app.project->GbSecondSystem(true);
    for (int32_t slot = 0; slot < 2; ++slot) {
      SetChecks(app, slot, flags, 0.1f);
      for (int k = 0; k < 130; ++k) AddMic(app, slot, 470.0f + 0.1f * static_cast<float>(rng() % 3000));
    }
    AddMic(app, 0, 2.5f);
    AddMic(app, 1, 999.9f);
    const CProject& project = *app.project;

    // The check's buffer comes between two counting ones, so that storage taken back from one
    // kind of generation is used by the other.
    const auto shared = project.GGetBadBuffer(true);
    const auto check = project.GGetCheckProducts();
    const auto again = project.GGetBadBuffer(false);
    const TcIMFrequencyBuffer expected = InOrder(project, (flags & 16) != 0, (flags & 512) != 0, true);
    ASSERT_EQ(shared->GCount(), expected.GCount()) << "flags " << flags;
    for (int32_t i = 0; i < expected.GCount(); ++i) {
      ExpectSameItem(shared->GcItem(i), expected.GcItem(i), i);
      const int32_t bin = expected.GlItemKHz(i);
      ASSERT_EQ(shared->GlItemKHz(i), bin) << "item " << i;
      ASSERT_EQ(shared->GGetBin(bin), expected.GGetBin(bin)) << "item " << i;
      ASSERT_EQ(shared->GlBinItem(bin), i);
    }
    EXPECT_EQ(shared->GGetBinMax(), expected.GGetBinMax());
    const int32_t channels = again->GCount() - expected.GCount();
    const TcIMFrequencyBuffer kinds = InOrder(project, (flags & 16) != 0, (flags & 512) != 0, true, true);
    ASSERT_EQ(check->GCount(), channels + kinds.GCount());
    for (int32_t i = 0; i < check->GCount(); ++i) {
      ExpectSameItem(check->GcItem(i), i < channels ? again->GcItem(i) : kinds.GcItem(i - channels), i);
      if (i >= channels) {
        ASSERT_EQ(check->GlBinItem(kinds.GlItemKHz(i - channels), check->GcItem(i).GeIMType()), i);
      }
    }
    for (int32_t i = channels; i < again->GCount(); ++i)
      ASSERT_EQ(again->GGetBin(again->GlItemKHz(i)), expected.GGetBin(again->GlItemKHz(i))) << "item " << i;
    if (flags & 16) {
      EXPECT_GT(kinds.GCount(), expected.GCount());  // kinds do share kilohertz here
    }
    EXPECT_GT(shared->GGetBinMax(), 600);  // the products pile up (counts beyond a byte)
  }
}
