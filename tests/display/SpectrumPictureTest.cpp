#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cmath>

#include "display/DisplayTestSupport.h"
#include "display/PictureBox.h"
#include "display/SpectrumPicture.h"
#include "engine/CheckConflict.h"
#include "engine/TcIMFrequencyBuffer.h"

namespace kova {
namespace {

// The test project drawn on a 1500 x 390 picture at 460 ... 610 MHz (10 pixels per MHz).
class SpectrumPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::InitDisplayProject(app);
    view.mapping.SetLimits(460, 610);
  }
  SpectrumStats Draw(int32_t highlighted = 0, int32_t current = 0, bool full = false) {
    SpectrumInput in{*app.project, current, highlighted, kZoomSearchSpectrum, app.flags.productsStale};
    return PrepareTVStationPbx(pbx, view, in, full);
  }
  QString At(double f, double y) { return pbx.Image().pixelColor(pbx.PixelX(f), pbx.PixelY(y)).name(); }

  AppState app;
  SpectrumView view;
  PictureBox pbx{1500, 390};
};

const QString kBlack = QColor(0, 0, 0).name();

TEST_F(SpectrumPictureTest, StationsChannelsAndProductsAtTheirPlaces) {
  const SpectrumStats stats = Draw();
  EXPECT_EQ(At(465, 0.1), QColor(2, 62, 159).name());   // below the search spectrum
  EXPECT_EQ(At(605, 0.1), QColor(2, 62, 159).name());   // above it
  EXPECT_EQ(At(520, 0.1), kBlack);                      // inside it
  EXPECT_EQ(At(500, 0.3), QColor(255, 0, 0).name());    // channel A, current system
  EXPECT_EQ(At(510, 0.9), QColor(0, 255, 0).name());    // channel B above its label
  EXPECT_EQ(At(560, 0.3), QColor(255, 255, 0).name());  // the other system's channel
  // 2 x 500 - 510 and 2 x 510 - 500: single products, lines from 1.12 to 1.2.
  EXPECT_EQ(At(490, 1.15), QColor(255, 255, 255).name());
  EXPECT_EQ(At(520, 1.15), QColor(255, 255, 255).name());
  EXPECT_EQ(At(490, 1.25), kBlack);
  EXPECT_EQ(At(495, 1.15), kBlack);
  EXPECT_EQ(At(540, 1.4), TL_DisplayScaleColor().name());  // top line
  EXPECT_GT(stats.channels, 0);
  EXPECT_EQ(stats.maximum, 1);
  EXPECT_EQ(stats.OverallText(), "Overall : " + std::to_string(stats.channels));
}

TEST_F(SpectrumPictureTest, HighlightedChannelShowsItsTuningGrid) {
  Draw();
  EXPECT_EQ(At(480, 1.05), kBlack);
  Draw(2);
  const QString green = QColor(0, 255, 0).name();
  EXPECT_EQ(At(480, 1.05), green);  // grid points in whole MHz
  EXPECT_EQ(At(590, 1.05), green);
  // The grid's first point (470) and its last visible one (609 of 610 at the right edge).
  EXPECT_TRUE(At(469, 1.05) == kBlack && At(470, 1.05) == green && At(609, 1.05) == green);
  EXPECT_EQ(At(480.5, 1.05), kBlack);
  EXPECT_EQ(At(475, 1.15), kBlack);  // not into the product row
}

TEST_F(SpectrumPictureTest, ProductsRecomputedOnlyWhenStale) {
  EXPECT_TRUE(Draw().productsRecomputed);
  EXPECT_FALSE(app.flags.productsStale);
  const auto* kept = view.products.get();
  app.project->GcSystem(0)->GcMics()->GcItem(2)->GfSetFreq(530.0f);
  EXPECT_FALSE(Draw().productsRecomputed);
  EXPECT_EQ(view.products.get(), kept);
  app.flags.productsStale = true;
  Draw();
  EXPECT_EQ(At(470, 1.15), QColor(255, 255, 255).name());  // 2 x 500 - 530
}

TEST_F(SpectrumPictureTest, FullViewAndDataLimits) {
  Draw(0, 0, true);
  EXPECT_DOUBLE_EQ(view.mapping.Lower(), 460);
  EXPECT_DOUBLE_EQ(view.mapping.Upper(), 610);
  EXPECT_EQ(GetDataLimits(*app.project, 0, kZoomUsedChannels), std::make_pair(500.0, 560.0));
  EXPECT_EQ(GetDataLimits(*app.project, 0, kZoomRange), std::make_pair(470.0, 610.0));
  EXPECT_EQ(GetDataLimits(*app.project, 0, 0), std::make_pair(0.0, 1000.0));
  // A range under 1 MHz zooms to the data by itself.
  view.mapping.SetLimits(500, 500.5);
  Draw(0, 0, false);
  EXPECT_DOUBLE_EQ(view.mapping.Span(), 150);
}

TEST_F(SpectrumPictureTest, FindChannelAtStepsThroughStackedChannels) {
  CMicCollection& mics = *app.project->GcSystem(0)->GcMics();
  mics.GAddMic("C", "Grid1", 501.0f, test::kRed, 0, 0, 0);
  const double width = 150;  // 1 % = 1.5 MHz
  EXPECT_EQ(FindChannelAt(*app.project, 0, 0, 500.4, width), 1);
  EXPECT_EQ(FindChannelAt(*app.project, 0, 1, 500.4, width), 3);
  EXPECT_EQ(FindChannelAt(*app.project, 0, 3, 500.4, width), 1);
  EXPECT_EQ(FindChannelAt(*app.project, 0, 0, 530, width), -1);
  EXPECT_EQ(FindChannelAt(*app.project, 1, 0, 560, width), 1);
  // No channel in the system: nothing found, nothing divided by zero.
  app.project->GcSystem(1)->GcMics()->GDelMic(1);
  EXPECT_EQ(FindChannelAt(*app.project, 1, 1, 560, width), -1);
}

}  // namespace
}  // namespace kova

namespace kova {
namespace {

// With the systems in two zones, a zone's picture marks only what hits its own channels (A at
// 500 in zone 1, IEM at 560 in zone 2); every zone together marks both.
TEST_F(SpectrumPictureTest, AZoneShowsOnlyTheMarksOfItsChannels) {
  ASSERT_TRUE(app.project->GSetSystemZone(1, 2));
  std::vector<CheckConflict> conflicts(2);
  conflicts[0].channel = {0, 1};
  conflicts[0].freq = 499.0f;
  conflicts[1].channel = {1, 1};
  conflicts[1].freq = 561.0f;
  for (CheckConflict& c : conflicts) c.kind = 4;
  const QString red = TL_DisplayConflictColor().name();
  for (const int32_t zone : {0, 1, 2}) {
    bool stale = true;
    SpectrumInput in{*app.project, 0, 0, kZoomSearchSpectrum, stale, nullptr, &conflicts};
    in.zone = zone;
    PrepareTVStationPbx(pbx, view, in, false);
    EXPECT_EQ(At(499, 1.15) == red, zone != 2) << zone;
    EXPECT_EQ(At(561, 1.15) == red, zone != 1) << zone;
  }
}

TEST(SpectrumScanTrace, StrongCarrierRisesAboveTheFloorInADimColour) {
  AppState app;
  test::InitDisplayProject(app);
  SpectrumView view;
  view.mapping.SetLimits(460, 610);
  PictureBox pbx{1500, 390};
  std::vector<ScanPoint> scan;
  for (double f = 460; f < 610; f += 0.1) scan.push_back({f, std::abs(f - 530.0) < 0.05 ? -30.0 : -100.0});
  SpectrumInput in{*app.project, 0, 0, kZoomSearchSpectrum, app.flags.productsStale, &scan};
  PrepareTVStationPbx(pbx, view, in, false);
  const QColor dim(60, 120, 90);
  auto at = [&](double f, double y) { return pbx.Image().pixelColor(pbx.PixelX(f), pbx.PixelY(y)); };
  EXPECT_EQ(at(530.0, 0.6), dim);       // the carrier's peak reaches up
  EXPECT_NE(at(540.0, 0.6), dim);       // the floor stays low
  EXPECT_EQ(at(540.0, 0.0), dim);       // the trace along the floor
}

}  // namespace
}  // namespace kova
