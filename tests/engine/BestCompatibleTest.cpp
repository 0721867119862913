#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/BestCompatible.h"
#include "engine/Check.h"
#include "engine/EngineTestSupport.h"
#include "tools/ScriptedPort.h"

using namespace kova;
using namespace kova::test;

namespace {

constexpr int32_t kSpectrum = 1, kSpacing = 2;

// The kept (unflagged) positions, 1-based.
std::vector<int> Kept(const std::vector<bool>& flags) {
  std::vector<int> kept;
  for (size_t i = 0; i < flags.size(); ++i)
    if (!flags[i]) kept.push_back(static_cast<int>(i) + 1);
  return kept;
}

std::vector<std::vector<int>> AllKeptSets(int m, int k) {
  std::vector<bool> flags(static_cast<size_t>(m), false);
  std::vector<std::vector<int>> sets;
  while (TL_NextCombination(flags, k) == 0) sets.push_back(Kept(flags));
  return sets;
}

// Runs the check to file on a one-system project with the spacing check (width 0.6), answering
// Yes to the best-subset question, and returns the log lines.
std::vector<std::string> CheckWithBestSubset(AppState& app, ScriptedPort& port, const TempDir& dir) {
  app.appDir = dir.Dir();
  port.answers = {kYes, kCancel};
  CheckRunResult result = MN_RunCheckToFile(app, false);
  EXPECT_TRUE(result.completed);
  EXPECT_FALSE(result.compatible);
  return SplitCrLf(ReadFile(result.logPath));
}

// The lines after the result sentence.
std::vector<std::string> Appended(const std::vector<std::string>& lines) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == "Channel configuration is not compatible. ")
      return std::vector<std::string>(lines.begin() + static_cast<long>(i) + 1, lines.end());
  ADD_FAILURE() << "no result sentence";
  return {};
}

const char* const kHeading = "------------------ Best Compatible System ---------------------------------------";

}  // namespace

TEST(NextCombination, KeptSetsRunInLexicographicOrder) {
  EXPECT_EQ(AllKeptSets(4, 2), (std::vector<std::vector<int>>{{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}}));
  EXPECT_EQ(AllKeptSets(3, 1), (std::vector<std::vector<int>>{{1, 2}, {1, 3}, {2, 3}}));
  EXPECT_EQ(AllKeptSets(3, 3), (std::vector<std::vector<int>>{{}}));
  EXPECT_TRUE(AllKeptSets(3, 0).empty());
  EXPECT_TRUE(AllKeptSets(3, 4).empty());
  EXPECT_TRUE(AllKeptSets(0, 1).empty());

  // Every size: all C(m, k) sets, each once, strictly ascending.
  for (int m = 1; m <= 8; ++m) {
    for (int k = 1; k <= m; ++k) {
      std::vector<std::vector<int>> sets = AllKeptSets(m, k);
      long expected = 1;
      for (int i = 0; i < k; ++i) expected = expected * (m - i) / (i + 1);
      ASSERT_EQ(static_cast<long>(sets.size()), expected) << m << " " << k;
      for (size_t i = 0; i < sets.size(); ++i) {
        ASSERT_EQ(static_cast<int>(sets[i].size()), m - k);
        if (i > 0) {
          ASSERT_LT(sets[i - 1], sets[i]);
        }
      }
    }
  }
}

TEST(BestCompatible, ThirdChannelCollidesWithBoth) {
  ScriptedPort port;
  PortScope scope(port);
  TempDir dir;
  AppState app = NewApp();
  SetChecks(app, 0, kSpacing, 0.6f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 501.0f);
  AddMic(app, 0, 500.5f);
  std::vector<std::string> lines = CheckWithBestSubset(app, port, dir);
  EXPECT_EQ(Appended(lines), (std::vector<std::string>{"", "", "", kHeading, "Compatible Channels: 2", "",
                                                        "System: Meridian", "", "Channel configuration: 2",
                                                        " 500.000 MHz Mic1", " 501.000 MHz Mic2", ""}));
  ASSERT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(port.messages[0].kind, MsgKind::YesNo);
  EXPECT_EQ(port.messages[0].text, "The channel configuration is not compatible\r\rSearch for best compatible setup?");
  ASSERT_EQ(port.busyCalls.size(), 3u);
  EXPECT_EQ(port.busyCalls[0].text, "Testing");
  EXPECT_EQ(port.busyCalls[0].fraction, 0.0);
  EXPECT_DOUBLE_EQ(port.busyCalls[1].fraction, 1.0 / 3.0);
  EXPECT_EQ(port.busyCalls[2].fraction, 1.0);
  EXPECT_EQ(port.busyCalls[2].flags, 0);
  // The project itself is untouched.
  EXPECT_EQ(app.project->GcCurrSystem()->GcMics()->GCount(), 3);
}

TEST(BestCompatible, FirstChannelCollidesWithBoth) {
  ScriptedPort port;
  PortScope scope(port);
  TempDir dir;
  AppState app = NewApp();
  SetChecks(app, 0, kSpacing, 0.6f);
  AddMic(app, 0, 500.5f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 501.0f);
  std::vector<std::string> appended = Appended(CheckWithBestSubset(app, port, dir));
  ASSERT_EQ(appended.size(), 12u);
  EXPECT_EQ(std::vector<std::string>(appended.begin() + 9, appended.begin() + 11),
            (std::vector<std::string>{" 500.000 MHz Mic2", " 501.000 MHz Mic3"}));
}

TEST(BestCompatible, LargestSubsetWinsOverEarlierSmallerOnes) {
  ScriptedPort port;
  PortScope scope(port);
  TempDir dir;
  AppState app = NewApp();
  SetChecks(app, 0, kSpacing, 0.6f);
  for (float f : {500.0f, 500.4f, 510.0f, 520.0f, 520.4f}) AddMic(app, 0, f);
  std::vector<std::string> appended = Appended(CheckWithBestSubset(app, port, dir));
  ASSERT_EQ(appended.size(), 13u);
  EXPECT_EQ(appended[4], "Compatible Channels: 3");
  EXPECT_EQ(std::vector<std::string>(appended.begin() + 9, appended.begin() + 12),
            (std::vector<std::string>{" 500.000 MHz Mic1", " 510.000 MHz Mic3", " 520.000 MHz Mic4"}));
  // Progress went through removing one, then two channels.
  ASSERT_EQ(port.busyCalls.size(), 4u);
  EXPECT_DOUBLE_EQ(port.busyCalls[1].fraction, 0.2);
  EXPECT_DOUBLE_EQ(port.busyCalls[2].fraction, 0.4);
}

TEST(BestCompatible, AbortLeavesNoSection) {
  ScriptedPort port;
  PortScope scope(port);
  TempDir dir;
  AppState app = NewApp();
  SetChecks(app, 0, kSpacing, 0.6f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 500.1f);
  AddMic(app, 0, 500.2f);
  port.abortAtBusyCall = 2;
  std::vector<std::string> appended = Appended(CheckWithBestSubset(app, port, dir));
  EXPECT_TRUE(appended.empty());
  EXPECT_EQ(port.busyCalls.size(), 2u);
  EXPECT_EQ(port.messages.size(), 2u);  // the view question still follows
}

TEST(BestCompatible, NoCompatibleSubset) {
  // Every channel outside the search spectrum: no subset passes; a single channel is not tried.
  for (int channels : {1, 3}) {
    SCOPED_TRACE(channels);
    ScriptedPort port;
    PortScope scope(port);
    TempDir dir;
    AppState app = NewApp();
    SetChecks(app, 0, kSpectrum, 0.0f);
    app.project->GcSpectrum()->GDefine();
    app.project->GcSpectrum()->GAddBand(600.0f, 700.0f, 0.025f);
    for (int i = 0; i < channels; ++i) AddMic(app, 0, 500.0f + static_cast<float>(i));
    EXPECT_EQ(Appended(CheckWithBestSubset(app, port, dir)),
              (std::vector<std::string>{"", "", "", kHeading, "No compatible channel configuration found."}));
    EXPECT_EQ(port.busyCalls.size(), channels == 1 ? 2u : 4u);
  }
}

TEST(BestCompatible, DeclinedOrTwoSystemsAppendNothing) {
  ScriptedPort port;
  PortScope scope(port);
  TempDir dir;
  AppState app = NewApp();
  app.appDir = dir.Dir();
  SetChecks(app, 0, kSpacing, 0.6f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 500.1f);
  port.answers = {kNo, kCancel};
  CheckRunResult result = MN_RunCheckToFile(app, false);
  EXPECT_TRUE(Appended(SplitCrLf(ReadFile(result.logPath))).empty());
  EXPECT_TRUE(port.busyCalls.empty());

  port.messages.clear();
  app.project->GbSecondSystem(true);
  port.answers = {kYes, kCancel};
  result = MN_RunCheckToFile(app, false);
  EXPECT_TRUE(Appended(SplitCrLf(ReadFile(result.logPath))).empty());
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].kind, MsgKind::OkCancel);
  EXPECT_TRUE(port.busyCalls.empty());
}
