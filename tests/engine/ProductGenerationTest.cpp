#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/EngineTestSupport.h"
#include "engine/TcIMFrequencyBuffer.h"

using namespace kova;
using namespace kova::test;

namespace {

constexpr int32_t kSpacing = 2, kIM3 = 16, kIM3x3 = 32, kIM5 = 512;

// Products written as "frequency type/sub mic1.sys1 mic2.sys2 mic3.sys3".
std::vector<std::string> Products(const CProject& project, bool bIMOnly) {
  auto b = project.GGetBadBuffer(bIMOnly);
  std::vector<std::string> out;
  for (int32_t i = 0; i < b->GCount(); ++i) {
    const TcIMFrequency& p = b->GcItem(i);
    std::string s = MN_FormatFreq(p.GdFreq()) + " " + std::to_string(p.GeIMType()) + "/" + std::to_string(p.GlIMSubType());
    for (int32_t k = 0; k < 3; ++k) s += " " + std::to_string(p.GlMicNr(k)) + "." + std::to_string(p.GlSysNr(k));
    out.push_back(s);
  }
  return out;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(ProductGeneration, OrderWindowAndSources) {
  struct Case {
    int32_t flags;
    std::vector<float> channels;
    Lines products;
  };
  const std::vector<Case> cases = {
      {1023, {518.2f}, {"518.200 8/0 1.0 0.0 0.0"}},
      {kIM3, {500, 510}, {"490.000 0/1 1.0 2.0 0.0", "520.000 0/2 1.0 2.0 0.0"}},
      {kIM3 | kIM5,
       {500, 510},
       {"490.000 0/1 1.0 2.0 0.0", "520.000 0/2 1.0 2.0 0.0", "480.000 1/1 1.0 2.0 0.0", "530.000 1/2 1.0 2.0 0.0"}},
      {kIM3x3, {500, 510, 530}, {"480.000 2/1 1.0 2.0 3.0", "520.000 2/2 1.0 2.0 3.0", "540.000 2/3 1.0 2.0 3.0"}},
      {kIM3, {600, 999}, {"201.000 0/1 1.0 2.0 0.0"}},                            // 1398 dropped
      {kIM5, {10, 30}, {"70.000 1/2 1.0 2.0 0.0"}},                               // -30 dropped
      {kIM3, {500, 1000}, {"0.000 0/1 1.0 2.0 0.0"}},                             // 0 kept
      {kIM3, {500, 750}, {"250.000 0/1 1.0 2.0 0.0", "1000.000 0/2 1.0 2.0 0.0"}},  // 1000 kept
      // Only the kinds with a switch produce anything, whatever else the flag word holds.
      {1023 - kSpacing - kIM3 - kIM3x3 - kIM5, {600, 620}, {}},
  };
  for (const Case& c : cases) {
    AppState app = NewApp();
    SetChecks(app, 0, c.flags, 0.1f);
    TypeOf(app, 0).GSetFreqLO(-110.6f);
    for (float f : c.channels) AddMic(app, 0, f);
    EXPECT_EQ(Products(*app.project, false), c.products) << c.flags << " " << c.channels[0];
  }
}

TEST(ProductGeneration, CoincidingProductsKeepTheEarlierPair) {
  AppState app = NewApp();
  SetChecks(app, 0, kIM3, 0.1f);
  for (float f : {500.0f, 510.0f, 529.9997f}) AddMic(app, 0, f);  // 2 x 510 - 529.9997 is on 490's kilohertz
  auto b = app.project->GGetBadBuffer(false);
  EXPECT_EQ(b->GGetBin(490000), 2);
  EXPECT_EQ(b->GGetBinMax(), 2);
  EXPECT_EQ(Products(*app.project, false),
            (Lines{"490.000 0/1 1.0 2.0 0.0", "520.000 0/2 1.0 2.0 0.0", "470.000 0/1 1.0 3.0 0.0",
                   "559.999 0/2 1.0 3.0 0.0", "549.999 0/2 2.0 3.0 0.0"}));
}

TEST(ProductGeneration, TwoSystemsShareTheChecksAndNumberTheirSources) {
  AppState app = NewApp();
  app.project->GbSecondSystem(true);
  SetChecks(app, 0, 0, 0.1f);               // system 1 checks nothing itself,
  SetChecks(app, 1, kSpacing | kIM3, 0.1f);  // system 2 switches the kinds on for both
  AddMic(app, 0, 500.0f);
  AddMic(app, 1, 510.0f);
  AddMic(app, 1, 540.0f);
  const Lines im = {"490.000 0/1 1.0 1.1 0.0", "520.000 0/2 1.0 1.1 0.0", "460.000 0/1 1.0 2.1 0.0",
                    "580.000 0/2 1.0 2.1 0.0", "480.000 0/1 1.1 2.1 0.0", "570.000 0/2 1.1 2.1 0.0"};
  Lines all = {"500.000 8/0 1.0 0.0 0.0", "510.000 8/0 1.1 0.0 0.0", "540.000 8/0 2.1 0.0 0.0"};
  all.insert(all.end(), im.begin(), im.end());
  EXPECT_EQ(Products(*app.project, false), all);
  EXPECT_EQ(Products(*app.project, true), im);

  // Switched off, the second system neither contributes channels nor switches kinds on.
  app.project->GbSecondSystem(false);
  EXPECT_TRUE(Products(*app.project, false).empty());
  SetChecks(app, 0, kSpacing | kIM3, 0.1f);
  EXPECT_EQ(Products(*app.project, false), Lines{"500.000 8/0 1.0 0.0 0.0"});
}
