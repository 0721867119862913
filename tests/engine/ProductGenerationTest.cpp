#include <gtest/gtest.h>

#include <vector>

#include "engine/TcIMFrequencyBuffer.h"
#include "engine/EngineTestSupport.h"

using namespace kova;
using namespace kova::test;

namespace {

constexpr int32_t kSpacing = 2, kIM3 = 16, kIM3x3 = 32, kIM5 = 512;

struct Expected {
  double f;
  int32_t type, sub;
  int32_t mic1, sys1, mic2, sys2, mic3, sys3;
};

void ExpectProducts(const TcIMFrequencyBuffer& b, const std::vector<Expected>& expected) {
  ASSERT_EQ(b.GCount(), static_cast<int32_t>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    const TcIMFrequency& p = b.GcItem(static_cast<int32_t>(i));
    const Expected& e = expected[i];
    SCOPED_TRACE("item " + std::to_string(i));
    EXPECT_EQ(p.GdFreq(), static_cast<double>(static_cast<float>(e.f)));
    EXPECT_EQ(p.GeIMType(), e.type);
    EXPECT_EQ(p.GlIMSubType(), e.sub);
    EXPECT_EQ(p.GlMicNr(0), e.mic1);
    EXPECT_EQ(p.GlSysNr(0), e.sys1);
    EXPECT_EQ(p.GlMicNr(1), e.mic2);
    EXPECT_EQ(p.GlSysNr(1), e.sys2);
    EXPECT_EQ(p.GlMicNr(2), e.mic3);
    EXPECT_EQ(p.GlSysNr(2), e.sys3);
  }
}

}  // namespace

TEST(ProductGeneration, OneChannelGivesOnlyItsOwnFrequency) {
  AppState app = NewApp();
  SetChecks(app, 0, 1023, 0.1f);
  AddMic(app, 0, 518.2f);
  ExpectProducts(*app.project->GGetBadBuffer(false), {{518.2f, kIMChannel, 0, 1, 0, 0, 0, 0, 0}});
  EXPECT_EQ(app.project->GGetBadBuffer(true)->GCount(), 0);
}

TEST(ProductGeneration, TwoTransmitterProductsInOrder) {
  AppState app = NewApp();
  SetChecks(app, 0, kIM3, 0.1f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 510.0f);
  ExpectProducts(*app.project->GGetBadBuffer(false),
                 {{490, kIM2Tx3, 1, 1, 0, 2, 0, 0, 0}, {520, kIM2Tx3, 2, 1, 0, 2, 0, 0, 0}});
  SetChecks(app, 0, kIM3 | kIM5, 0.1f);
  ExpectProducts(*app.project->GGetBadBuffer(false), {{490, kIM2Tx3, 1, 1, 0, 2, 0, 0, 0},
                                                      {520, kIM2Tx3, 2, 1, 0, 2, 0, 0, 0},
                                                      {480, kIM2Tx5, 1, 1, 0, 2, 0, 0, 0},
                                                      {530, kIM2Tx5, 2, 1, 0, 2, 0, 0, 0}});
}

TEST(ProductGeneration, ThreeTransmitterProducts) {
  AppState app = NewApp();
  SetChecks(app, 0, kIM3x3, 0.1f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 510.0f);
  AddMic(app, 0, 530.0f);
  ExpectProducts(*app.project->GGetBadBuffer(false), {{480, kIM3Tx3, 1, 1, 0, 2, 0, 3, 0},
                                                      {520, kIM3Tx3, 2, 1, 0, 2, 0, 3, 0},
                                                      {540, kIM3Tx3, 3, 1, 0, 2, 0, 3, 0}});
}

TEST(ProductGeneration, ValidityWindowIncludesBothEnds) {
  struct Case {
    float f1, f2;
    int32_t flags;
    std::vector<Expected> products;
  };
  const std::vector<Case> cases = {
      {600, 999, kIM3, {{201, kIM2Tx3, 1, 1, 0, 2, 0, 0, 0}}},  // 1398 dropped
      {10, 30, kIM5, {{70, kIM2Tx5, 2, 1, 0, 2, 0, 0, 0}}},    // -30 dropped
      {500, 1000, kIM3, {{0, kIM2Tx3, 1, 1, 0, 2, 0, 0, 0}}},  // 0 kept, 1500 dropped
      {500, 750, kIM3, {{250, kIM2Tx3, 1, 1, 0, 2, 0, 0, 0}, {1000, kIM2Tx3, 2, 1, 0, 2, 0, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.f1) + " " + std::to_string(c.f2));
    AppState app = NewApp();
    SetChecks(app, 0, c.flags, 0.1f);
    AddMic(app, 0, c.f1);
    AddMic(app, 0, c.f2);
    ExpectProducts(*app.project->GGetBadBuffer(false), c.products);
  }
}

TEST(ProductGeneration, CoincidingProductsKeepTheEarlierPair) {
  AppState app = NewApp();
  SetChecks(app, 0, kIM3, 0.1f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 510.0f);
  AddMic(app, 0, 529.9997f);  // 2 x 510 - 529.9997 lies on the kilohertz of 2 x 500 - 510
  auto b = app.project->GGetBadBuffer(false);
  EXPECT_EQ(b->GGetBin(490000), 2);
  EXPECT_EQ(b->GGetBinMax(), 2);
  ASSERT_EQ(b->GCount(), 5);
  EXPECT_EQ(b->GcItem(0).GdFreq(), 490.0);
  EXPECT_EQ(b->GcItem(0).GlMicNr(0), 1);
  EXPECT_EQ(b->GcItem(0).GlMicNr(1), 2);
  for (int32_t i = 1; i < b->GCount(); ++i) EXPECT_NE(b->GcItem(i).GdFreq(), 490.0);
}

TEST(ProductGeneration, TwoSystemsShareTheChecksAndNumberTheirSources) {
  AppState app = NewApp();
  app.project->GbSecondSystem(true);
  SetChecks(app, 0, 0, 0.1f);               // system 1 checks nothing itself
  SetChecks(app, 1, kSpacing | kIM3, 0.1f);  // but system 2 switches the kinds on for all
  AddMic(app, 0, 500.0f);
  AddMic(app, 1, 510.0f);
  AddMic(app, 1, 540.0f);
  ExpectProducts(*app.project->GGetBadBuffer(false), {{500, kIMChannel, 0, 1, 0, 0, 0, 0, 0},
                                                      {510, kIMChannel, 0, 1, 1, 0, 0, 0, 0},
                                                      {540, kIMChannel, 0, 2, 1, 0, 0, 0, 0},
                                                      {490, kIM2Tx3, 1, 1, 0, 1, 1, 0, 0},
                                                      {520, kIM2Tx3, 2, 1, 0, 1, 1, 0, 0},
                                                      {460, kIM2Tx3, 1, 1, 0, 2, 1, 0, 0},
                                                      {580, kIM2Tx3, 2, 1, 0, 2, 1, 0, 0},
                                                      {480, kIM2Tx3, 1, 1, 1, 2, 1, 0, 0},
                                                      {570, kIM2Tx3, 2, 1, 1, 2, 1, 0, 0}});
  ExpectProducts(*app.project->GGetBadBuffer(true), {{490, kIM2Tx3, 1, 1, 0, 1, 1, 0, 0},
                                                     {520, kIM2Tx3, 2, 1, 0, 1, 1, 0, 0},
                                                     {460, kIM2Tx3, 1, 1, 0, 2, 1, 0, 0},
                                                     {580, kIM2Tx3, 2, 1, 0, 2, 1, 0, 0},
                                                     {480, kIM2Tx3, 1, 1, 1, 2, 1, 0, 0},
                                                     {570, kIM2Tx3, 2, 1, 1, 2, 1, 0, 0}});

  // Switched off, the second system neither contributes channels nor switches kinds on.
  app.project->GbSecondSystem(false);
  EXPECT_EQ(app.project->GGetBadBuffer(false)->GCount(), 0);
  SetChecks(app, 0, kSpacing | kIM3, 0.1f);
  ExpectProducts(*app.project->GGetBadBuffer(false), {{500, kIMChannel, 0, 1, 0, 0, 0, 0, 0}});
}

TEST(ProductGeneration, ReceiverKindsWithoutSwitchProduceNothing) {
  AppState app = NewApp();
  SetChecks(app, 0, 1023 - kSpacing - kIM3 - kIM3x3 - kIM5, 0.1f);  // every bit but the four product kinds
  TypeOf(app, 0).GSetFreqLO(-110.6f);
  TypeOf(app, 0).GSetFreqLO2(10.7f);
  AddMic(app, 0, 600.0f);
  AddMic(app, 0, 620.0f);
  EXPECT_EQ(app.project->GGetBadBuffer(false)->GCount(), 0);
}
