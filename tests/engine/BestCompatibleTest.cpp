#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/BestCompatible.h"
#include "app/Check.h"
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

// Runs the check to file on an incompatible one-system project, answering
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

// The kept channels of the appended section, or its last line when it names no project.
TEST(BestCompatible, FirstCompatibleSubsetInOrder) {
  struct Case {
    std::vector<float> channels;
    std::vector<std::string> kept;
    std::vector<double> fractions;
  };
  const std::vector<Case> cases = {
      {{500.0f, 501.0f, 500.5f}, {" 500.000 MHz Mic1", " 501.000 MHz Mic2"}, {0, 1.0 / 3, 1}},  // (1,2) passes
      {{500.5f, 500.0f, 501.0f}, {" 500.000 MHz Mic2", " 501.000 MHz Mic3"}, {0, 1.0 / 3, 1}},  // (2,3) after two fails
      {{500.0f, 500.4f, 510.0f, 520.0f, 520.4f},  // no 4 of 5 pass; (1,3,4) is the first 3
       {" 500.000 MHz Mic1", " 510.000 MHz Mic3", " 520.000 MHz Mic4"},
       {0, 0.2, 0.4, 1}},
  };
  for (const Case& c : cases) {
    ScriptedPort port;
    PortScope scope(port);
    TempDir dir;
    AppState app = NewApp();
    SetChecks(app, 0, kSpacing, 0.6f);
    for (float f : c.channels) AddMic(app, 0, f);
    std::vector<std::string> expected = {"", "", "", kHeading, "Compatible Channels: " + std::to_string(c.kept.size()), "",
                                         "System: Meridian", "", "Channel configuration: " + std::to_string(c.kept.size())};
    expected.insert(expected.end(), c.kept.begin(), c.kept.end());
    expected.push_back("");
    EXPECT_EQ(Appended(CheckWithBestSubset(app, port, dir)), expected);
    ASSERT_EQ(port.messages.size(), 2u);
    EXPECT_EQ(port.messages[0].kind, MsgKind::YesNo);
    EXPECT_EQ(port.messages[0].text, "The channel configuration is not compatible\r\rSearch for best compatible setup?");
    ASSERT_EQ(port.busyCalls.size(), c.fractions.size());
    for (size_t i = 0; i < c.fractions.size(); ++i) {
      EXPECT_EQ(port.busyCalls[i].text, "Testing");
      EXPECT_DOUBLE_EQ(port.busyCalls[i].fraction, c.fractions[i]);
    }
    EXPECT_EQ(app.project->GcCurrSystem()->GcMics()->GCount(), static_cast<int32_t>(c.channels.size()));
  }
}

TEST(BestCompatible, AbortNoSubsetDeclinedOrTwoSystems) {
  ScriptedPort port;
  PortScope scope(port);
  TempDir dir;
  AppState app = NewApp();
  SetChecks(app, 0, kSpectrum | kSpacing, 0.6f);
  for (float f : {600.0f, 600.1f, 600.2f}) AddMic(app, 0, f);

  port.abortAtBusyCall = 2;  // aborted: no section at all
  EXPECT_TRUE(Appended(CheckWithBestSubset(app, port, dir)).empty());
  EXPECT_EQ(port.busyCalls.size(), 2u);
  EXPECT_EQ(port.messages.size(), 2u);

  // Every channel outside the search spectrum: no subset passes, and a single channel is not tried.
  app.project->GcSpectrum()->GDefine();
  app.project->GcSpectrum()->GAddBand(700.0f, 800.0f, 0.025f);
  for (size_t channels : {3u, 1u}) {
    while (app.project->GcCurrSystem()->GcMics()->GCount() > static_cast<int32_t>(channels))
      app.project->GcCurrSystem()->GcMics()->GDelMic(1);
    port.abortAtBusyCall = 0;
    port.busyCalls.clear();
    EXPECT_EQ(Appended(CheckWithBestSubset(app, port, dir)),
              (std::vector<std::string>{"", "", "", kHeading, "No compatible channel configuration found."}));
    EXPECT_EQ(port.busyCalls.size(), channels == 1 ? 2u : 4u);
  }

  // Declined, or two systems (not even asked): nothing appended, no search.
  for (bool second : {false, true}) {
    port.messages.clear();
    port.busyCalls.clear();
    app.project->GbSecondSystem(second);
    port.answers = second ? std::deque<int>{kCancel} : std::deque<int>{kNo, kCancel};
    CheckRunResult result = MN_RunCheckToFile(app, false);
    EXPECT_TRUE(Appended(SplitCrLf(ReadFile(result.logPath))).empty());
    EXPECT_EQ(port.messages.size(), second ? 1u : 2u);
    EXPECT_TRUE(port.busyCalls.empty());
  }
}
