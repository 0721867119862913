// The tracker that follows a moving channel must give, after any sequence of changes, the buffer
// a full generation gives (items, order, sources, bins), and the checks that read it must report
// what the checks with a full generation report.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/Check.h"
#include "app/CheckConflicts.h"
#include "engine/EngineTestSupport.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "engine/TcProductTracker.h"

using namespace kova;
using namespace kova::test;

namespace {

// Every kilohertz with a count has an item, so the bins of the items cover all counted ones;
// `everyBin` also compares the empty ones.
void ExpectSameBuffer(const TcIMFrequencyBuffer& got, const TcIMFrequencyBuffer& want, const std::string& where,
                      bool everyBin) {
  ASSERT_EQ(got.GCount(), want.GCount()) << where;
  for (int32_t i = 0; i < want.GCount(); ++i) {
    const TcIMFrequency& x = got.GcItem(i);
    const TcIMFrequency& y = want.GcItem(i);
    ASSERT_TRUE(x.GfFreq() == y.GfFreq() && x.GeIMType() == y.GeIMType() && x.GlIMSubType() == y.GlIMSubType() &&
                x.GlCountIM() == y.GlCountIM() && got.GlItemKHz(i) == want.GlItemKHz(i))
        << where << " item " << i;
    const int32_t bin = want.GlItemKHz(i);
    ASSERT_TRUE(got.GGetBin(bin) == want.GGetBin(bin) && got.GlBinItem(bin) == i) << where << " item " << i;
    for (int32_t k = 0; k < TcIMFrequency::kSources; ++k)
      ASSERT_TRUE(x.GlMicNr(k) == y.GlMicNr(k) && x.GlSysNr(k) == y.GlSysNr(k)) << where << " item " << i;
  }
  for (int32_t bin = 0; everyBin && bin <= TcIMFrequencyBuffer::kMaxBin; ++bin)
    ASSERT_TRUE(got.GGetBin(bin) == want.GGetBin(bin) && got.GlBinItem(bin) == want.GlBinItem(bin))
        << where << " bin " << bin;
  ASSERT_EQ(got.GGetBinMax(), want.GGetBinMax()) << where;
  ASSERT_EQ(got.GbBinItemsValid(), want.GbBinItemsValid()) << where;
}

// The tracker of `app` against a full generation and the full checks; raises `highest` to the
// largest count.
void ExpectTrackerMatches(AppState& app, const std::string& where, bool inKilohertzOrder, bool everyBin,
                          int32_t& highest) {
  const CProject& project = *app.project;
  const auto full = project.GGetBadBuffer(true);
  ExpectSameBuffer(*app.productTracker->Products(project), *full, where, everyBin);
  // The lines the display reads: each item's frequency with its kilohertz's count (in item
  // order, or in kilohertz order when counted per kilohertz).
  std::vector<IMLine> lines = app.productTracker->Lines();
  std::vector<IMLine> want;
  double overall = 0;
  for (int32_t i = 0; i < full->GCount(); ++i) {
    want.push_back({full->GcItem(i).GfFreq(), full->GGetBin(full->GlItemKHz(i))});
    overall += want.back().count;
  }
  if (inKilohertzOrder) {
    auto byFreq = [](const IMLine& a, const IMLine& b) { return a.freq < b.freq || (a.freq == b.freq && a.count < b.count); };
    std::sort(lines.begin(), lines.end(), byFreq);
    std::sort(want.begin(), want.end(), byFreq);
  }
  ASSERT_EQ(lines.size(), want.size()) << where;
  for (size_t i = 0; i < want.size(); ++i)
    ASSERT_TRUE(lines[i].freq == want[i].freq && lines[i].count == want[i].count) << where << " line " << i;
  ASSERT_EQ(app.productTracker->Overall(), overall) << where;
  // The per-kilohertz queries the display reads instead of a buffer (and an empty neighbour).
  ASSERT_TRUE(app.productTracker->Count() == full->GCount() && app.productTracker->BinMax() == full->GGetBinMax())
      << where;
  for (int32_t i = 0; i < full->GCount(); ++i)
    for (const int32_t bin : {full->GlItemKHz(i), std::min(full->GlItemKHz(i) + 1, TcIMFrequencyBuffer::kMaxBin)})
      ASSERT_EQ(app.productTracker->CountAt(bin), full->GGetBin(bin)) << where << " bin " << bin;

  // The full check reading the tracked products writes the same log; the silent check
  // stops at the same first problem.
  StringSink sink;
  TcCheckHandler handler;
  handler.GInit(&sink, false, false, true);
  project.RunChecks(handler, *app.productTracker);
  ASSERT_EQ(SplitCrLf(sink.Text()), CheckLines(project)) << where;

  std::vector<CheckConflict> first;
  TcCheckHandler stop;
  stop.GInit(nullptr, false, false, false);
  stop.GCollect(&first);
  project.RunChecks(stop);
  ASSERT_EQ(MN_RunCheck(app, false, false, false, nullptr), first.empty()) << where;
  const std::vector<CheckConflict>& kept = MN_Conflicts(app);
  ASSERT_EQ(kept.size(), first.size()) << where;
  for (size_t k = 0; k < first.size(); ++k)
    ASSERT_TRUE(kept[k].channel == first[k].channel && kept[k].kind == first[k].kind &&
                kept[k].freq == first[k].freq && kept[k].sources == first[k].sources &&
                kept[k].source == first[k].source)
        << where;
  highest = std::max(highest, full->GGetBinMax());
}

}  // namespace

TEST(ProductTracker, EqualsFullGenerationAfterRandomChanges) {
  // Random projects of one or two systems on grids from 25 kHz to 1 MHz (the coarse ones pile
  // hundreds of products onto one kilohertz), a few channels near the ends of the window. Most
  // changes move the same channel, as a drag does; some move another one, two at once, switch
  // a check kind or add a channel.
  std::mt19937 rng(2025);
  auto pick = [&](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };
  int32_t highest = 0;
  for (int32_t round = 0; round < 16; ++round) {
    AppState app = NewApp();
    // Every other project has the moving channel's products counted per kilohertz.
    if (round % 2 == 1) app.productTracker->SetDenseFrom(1);
    const bool two = round % 3 != 0;
    app.project->GbSecondSystem(two);
    const float step = std::vector<float>{0.025f, 0.1f, 1.0f}[static_cast<size_t>(round % 3)];
    const int32_t kinds[] = {16 | 32 | 512, 32, 16 | 512, 16 | 32};
    const int32_t points = round % 3 == 2 ? 60 : 4000;
    for (int32_t slot = 0; slot < (two ? 2 : 1); ++slot) {
      SetChecks(app, slot, kinds[pick(4)] | 2 | 4, 0.05f);
      for (int32_t k = (points == 60 ? 20 : 6) + pick(points == 60 ? 12 : 20); k > 0; --k) AddMic(app, slot, 300.0f + step * static_cast<float>(pick(points)));
    }
    if (round % 4 == 1) AddMic(app, 0, 1.5f);
    const CProject& project = *app.project;
    auto mics = [&](int32_t slot) { return project.GcSystem(slot)->GcMics(); };
    auto randomMic = [&](int32_t& slot) {
      slot = two ? pick(2) : 0;
      return mics(slot)->GcItem(1 + pick(mics(slot)->GCount()));
    };

    int32_t slot = 0;
    MicRef moving = randomMic(slot);
    for (int32_t change = 0; change < 14; ++change) {
      const int32_t what = pick(10);
      auto anywhere = [&] { return 300.0f + step * static_cast<float>(pick(points)); };
      if (what < 6) {
        moving->GfSetFreq(anywhere());
      } else if (what == 6) {
        moving = randomMic(slot);
        moving->GfSetFreq(anywhere());
      } else if (what == 7) {
        moving = randomMic(slot);
        app.productTracker->Prepare(project, slot, mics(slot)->GCount() > 1 ? 2 : 1);
        int32_t other = 0;
        randomMic(other)->GfSetFreq(anywhere());
        moving->GfSetFreq(anywhere());
      } else if (what == 8) {
        CSystemType& type = TypeOf(app, 0);
        type.GlSetFlags(type.GlGetFlags() ^ kinds[pick(4)]);
      } else {
        AddMic(app, two ? 1 : 0, anywhere());
      }
      const std::string where = "round " + std::to_string(round) + " change " + std::to_string(change);

      ExpectTrackerMatches(app, where, round % 2 == 1, change == 13, highest);
      if (HasFatalFailure()) return;
    }
  }
  EXPECT_GT(highest, 255);  // some kilohertz counted more products than a byte holds
}

TEST(ProductTracker, CountsTheRestOfManyChannels) {
  // Enough channels on whole kilohertz that the rest's products are counted per kilohertz, the
  // moving channel's products both ways; it moves a few times and then another one moves.
  for (const bool dense : {false, true}) {
    AppState app = NewApp();
    if (dense) app.productTracker->SetDenseFrom(1);
    SetChecks(app, 0, 16 | 32 | 512 | 2 | 4, 0.05f);
    std::mt19937 rng(7);
    for (int32_t k = 0; k < 320; ++k) AddMic(app, 0, 600.0f + 0.025f * static_cast<float>(rng() % 800));
    const CProject& project = *app.project;
    int32_t highest = 0;
    for (int32_t change = 0; change < 4; ++change) {
      const int32_t mic = change < 3 ? 5 : 200;
      project.GcSystem(0)->GcMics()->GcItem(mic)->GfSetFreq(600.0f + 0.025f * static_cast<float>(rng() % 800));
      ExpectTrackerMatches(app, "change " + std::to_string(change), dense, change == 3, highest);
      if (HasFatalFailure()) return;
    }
  }
}
