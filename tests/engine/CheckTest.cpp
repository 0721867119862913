#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/Check.h"
#include "engine/EngineTestSupport.h"
#include "engine/IMFirstTable.h"
#include "engine/TcProductTracker.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "tools/ScriptedPort.h"

using namespace kova;
using namespace kova::test;

namespace {

constexpr int32_t kSpectrum = 1, kSpacing = 2, kIM3 = 16, kIM3x3 = 32, kIM5 = 512;

// The evaluation walked literally: every channel against every product of the check's buffer.
std::vector<std::string> NaiveCheckLines(const CProject& project) {
  std::vector<std::string> lines;
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const CSystemType& type = *project.GcSystem(s)->GcSystemType();
    if (!type.GbCheckFlag(0)) continue;
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m)
      if (!project.GcSpectrumOf(s)->GIsFreqAvailable(mics.GcItem(m)->GfGetFreq(), type.GfBandwidth(0)))
        lines.push_back(project.SystemPrefix(s) + mics.GcItem(m)->GsGetDescription(5) +
                        "   overlapped by   Spectrum Forbidden Range");
  }
  auto buffer = project.GGetCheckProducts();
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const CSystemType& type = *project.GcSystem(s)->GcSystemType();
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t m = 1; m <= mics.GCount(); ++m) {
      const float f = mics.GcItem(m)->GfGetFreq();
      for (int32_t i = 0; i < buffer->GCount(); ++i) {
        const TcIMFrequency& product = buffer->GcItem(i);
        const int32_t k = product.GGetBWDType();
        float w = 0, p = 0;
        if (type.GbCheckFlag(k)) {
          w = type.GfBandwidth(k);
          p = static_cast<float>(product.GdFreq());
        }
        if (k == 1 && product.GlMicNr(0) == m && product.GlSysNr(0) == s) p = 0;
        const float wAdj = static_cast<float>(w > 0 ? static_cast<double>(w) - 0.002 : static_cast<double>(w) + 0.002);
        if (p != 0 && p - wAdj <= f && f <= p + wAdj) {
          lines.push_back(project.SystemPrefix(s) + mics.GcItem(m)->GsGetDescription(5) + "   overlapped by   " +
                          project.GetProductDescription(product));
          break;
        }
      }
    }
  }
  return lines;
}

}  // namespace

TEST(Check, WidthIsAdjustedByTwoKilohertz) {
  struct Case {
    float width;
    float third;  // the products of 500 and 510 lie at 490 and 520
    bool hit;
  };
  const Case cases[] = {
      {0.1f, 520.097f, true}, {0.1f, 520.099f, false}, {0.1f, 519.903f, true}, {0.1f, 519.901f, false},
      {0.0f, 520.001f, true}, {0.0f, 520.003f, false}, {0.0f, 520.0f, true},   {-0.01f, 520.0f, false},
      {-0.001f, 520.0f, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " " + std::to_string(c.third));
    AppState app = NewApp();
    SetChecks(app, 0, kIM3, c.width);
    AddMic(app, 0, 500.0f, "A");
    AddMic(app, 0, 510.0f, "B");
    AddMic(app, 0, c.third, "C");
    std::vector<std::string> lines = CheckLines(*app.project);
    const std::string expected =
        app.project->GcCurrSystem()->GcMics()->GcItem(3)->GsGetDescription(5) +
        "   overlapped by   2TxIM(3)-Product (b) 520.000   created by    500.000 MHz A and  510.000 MHz B";
    bool found = false;
    for (const std::string& line : lines) found = found || line == expected;
    EXPECT_EQ(found, c.hit);
    EXPECT_EQ(lines, NaiveCheckLines(*app.project));
  }
}

TEST(Check, Spacing) {
  AppState app = NewApp();
  SetChecks(app, 0, kSpacing, 0.3f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 500.25f);
  EXPECT_EQ(CheckLines(*app.project),
            (std::vector<std::string>{" 500.000 MHz Mic1   overlapped by    500.250 MHz Mic2 Channel at 500.250",
                                      " 500.250 MHz Mic2   overlapped by    500.000 MHz Mic1 Channel at 500.000"}));
  app.project->GcCurrSystem()->GcMics()->GcItem(2)->GfSetFreq(500.3f);  // 0.3 > 0.298
  EXPECT_TRUE(CheckLines(*app.project).empty());

  // Two systems: only the one that checks spacing is tested, against the channels of both.
  app.project->GbSecondSystem(true);
  SetChecks(app, 1, 0, 0.4f);
  AddMic(app, 1, 500.1f);
  EXPECT_EQ(CheckLines(*app.project),
            (std::vector<std::string>{"[ #1]  500.000 MHz Mic1   overlapped by   [ #2]  500.100 MHz Mic1 Channel at 500.100",
                                      "[ #1]  500.300 MHz Mic2   overlapped by   [ #2]  500.100 MHz Mic1 Channel at 500.100"}));
}

TEST(Check, SpectrumPhaseComesFirstAndCountsSeparately) {
  AppState app = NewApp();
  SetChecks(app, 0, kSpectrum | kSpacing, 0.2f);
  CSpectrum& spectrum = *app.project->GcSpectrum();
  spectrum.GDefine();
  spectrum.GAddBand(500.0f, 520.0f, 0.025f);
  AddMic(app, 0, 519.95f);  // 519.85..520.05 does not fit
  AddMic(app, 0, 510.0f);
  AddMic(app, 0, 519.8f);  // fits, but within 0.198 of the first channel
  EXPECT_EQ(CheckLines(*app.project),
            (std::vector<std::string>{
                " 519.950 MHz Mic1   overlapped by   Spectrum Forbidden Range",
                " 519.950 MHz Mic1   overlapped by    519.800 MHz Mic3 Channel at 519.800",
                " 519.800 MHz Mic3   overlapped by    519.950 MHz Mic1 Channel at 519.950",
            }));
  EXPECT_EQ(CheckLines(*app.project), NaiveCheckLines(*app.project));
}

TEST(Check, FirstProductInBufferOrderNamesTheHit) {
  // Products of 500, 510, 520: 490, 520 (first pair), 510, 530 (triple), 480, 540, 500 (later pairs).
  AppState app = NewApp();
  SetChecks(app, 0, kIM3 | kIM3x3, 0.1f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 510.0f);
  AddMic(app, 0, 520.0f);
  EXPECT_EQ(CheckLines(*app.project),
            (std::vector<std::string>{
                " 500.000 MHz Mic1   overlapped by   2TxIM(3)-Product (a) 500.000   created by    510.000 MHz Mic2 and "
                " 520.000 MHz Mic3",
                " 510.000 MHz Mic2   overlapped by   3TxIM(3)-Product (b) 510.000   created by    500.000 MHz Mic1 and "
                " 510.000 MHz Mic2 and  520.000 MHz Mic3",
                " 520.000 MHz Mic3   overlapped by   2TxIM(3)-Product (b) 520.000   created by    500.000 MHz Mic1 and "
                " 510.000 MHz Mic2",
            }));
  // With a wide protection the earliest product within reach is named, not the nearest one.
  TypeOf(app, 0).GfBandwidth(kCheck2TxIM3, 12.0f);
  const std::vector<std::string> lines = CheckLines(*app.project);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], " 500.000 MHz Mic1   overlapped by   2TxIM(3)-Product (a) 490.000   created by    500.000 MHz Mic1 and "
                      " 510.000 MHz Mic2");
}

// The indexed evaluation must name exactly what a walk through the whole buffer names, also
// with products on the limits of the widths, coinciding channels and two systems.
TEST(Check, IndexedEvaluationEqualsTheFullWalk) {
  std::mt19937 rng(20261206);
  const float widths[] = {-0.01f, -0.002f, -0.001f, 0.0f, 0.001f, 0.002f, 0.027f, 0.05f, 0.1f, 0.102f, 0.3f, 0.4f, 2.0f};
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  int incompatible = 0;
  for (int round = 0; round < 400; ++round) {
    AppState app = NewApp();
    app.project->GbSecondSystem(pick(3) == 0);
    for (int32_t s = 0; s <= 1; ++s) {
      CSystemType& type = TypeOf(app, s);
      type.GlSetFlags(static_cast<int32_t>(rng() & 1023u));
      for (int32_t k = 0; k <= 10; ++k) type.GfBandwidth(k, widths[pick(13)]);
      if (pick(4) == 0) type.GfBandwidth(4, std::uniform_real_distribution<float>(0.0f, 0.5f)(rng));
      const int count = pick(round < 300 ? 9 : 18);
      for (int i = 0; i < count; ++i) {
        float f;
        switch (pick(4)) {
          case 0: f = std::uniform_real_distribution<float>(1.0f, 999.0f)(rng); break;
          case 1: f = 500.0f + 0.001f * static_cast<float>(pick(400)); break;
          default: f = 495.0f + 0.025f * static_cast<float>(pick(600)); break;
        }
        AddMic(app, s, f);
      }
    }
    if (pick(5) == 0) {
      app.project->GcSpectrum()->GDefine();
      app.project->GcSpectrum()->GAddBand(495.0f, 505.0f, 0.025f);
    }
    const std::vector<std::string> indexed = CheckLines(*app.project);
    ASSERT_EQ(indexed, NaiveCheckLines(*app.project)) << "round " << round;
    incompatible += indexed.empty() ? 0 : 1;
  }
  EXPECT_GT(incompatible, 100);  // the rounds do exercise hits
}

TEST(Check, HandlerStopRulesLightAndMessages) {
  ScriptedPort port;
  PortScope scope(port);
  AppState app = NewApp();
  SetChecks(app, 0, kSpacing, 0.4f);
  for (float f : {500.0f, 500.1f, 500.2f}) AddMic(app, 0, f);

  StringSink first, full;
  EXPECT_FALSE(MN_RunCheck(app, false, false, true, &first));  // stops at the first problem
  EXPECT_EQ(SplitCrLf(first.Text()).size(), 1u);
  EXPECT_FALSE(MN_RunCheck(app, false, true, true, &full));
  EXPECT_EQ(SplitCrLf(full.Text()).size(), 3u);
  EXPECT_EQ(port.statusLights, (std::vector<int>{1, 3, 1, 3, 3, 3}));
  port.mainWindowLoaded = false;  // no status light without the main window
  EXPECT_FALSE(MN_RunCheck(app, false, true, true, nullptr));
  EXPECT_EQ(port.statusLights.size(), 6u);
  EXPECT_TRUE(port.messages.empty());

  port.answers = {kOk, kCancel};  // OK goes on, Cancel stops
  EXPECT_FALSE(MN_RunCheck(app, true, true, false, nullptr));
  ASSERT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(port.messages[0].kind, MsgKind::OkCancel);
  EXPECT_EQ(port.messages[0].title, "KOVA");
  EXPECT_EQ(port.messages[0].text, "500.000 MHz Mic1   overlapped by    500.100 MHz Mic2 Channel at 500.100");

  port.messages.clear();
  app.project->GcCurrSystem()->GcMics()->GDelMic(2);
  app.project->GcCurrSystem()->GcMics()->GDelMic(2);
  EXPECT_TRUE(MN_RunCheck(app, true, true, false, nullptr));
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "Everything is fine!");
  EXPECT_EQ(port.messages[0].kind, MsgKind::Info);
}

TEST(Check, LogOfATwoSystemProject) {
  ScriptedPort port;
  PortScope scope(port);
  TempDir dir;
  AppState app = NewApp();
  app.appDir = dir.Dir();
  app.project->GbSecondSystem(true);
  SetChecks(app, 0, kSpectrum | kSpacing | kIM3 | kIM3x3, 0.1f);
  TypeOf(app, 0).GfBandwidth(kCheckSpacing, 0.4f);
  TypeOf(app, 0).GfBandwidth(kCheckSpectrum, 0.0f);
  SetChecks(app, 1, kSpectrum | kSpacing | kIM3, 0.1f);
  TypeOf(app, 1).GfBandwidth(kCheckSpectrum, 0.0f);
  AddMic(app, 0, 500.0f, "A1");
  AddMic(app, 0, 510.0f, "A2");
  AddMic(app, 1, 520.0f, "B1");
  AddMic(app, 1, 500.2f, "B2");
  port.answers = {kOk};

  CheckRunResult result = MN_RunCheckToFile(app, true);
  ASSERT_TRUE(result.completed);
  EXPECT_FALSE(result.compatible);
  const std::string folder = dir.Dir() + "Checks/";
  EXPECT_EQ(result.logPath, folder + "Check 2026-12-06 08-45-04.log");
  const std::vector<std::string> expected = {
      "Check channel configuration 2026-12-06 08:45:04",
      "",
      "------------------ Dual-System Proposal #1 ---------------------------------------",
      "Overall Compatible Channels: 4",
      "",
      "System #1",
      "Compatible Channels: 2",
      "",
      "System: Meridian",
      "",
      "Channel configuration: 2",
      " 500.000 MHz A1",
      " 510.000 MHz A2",
      "",
      "",
      "System #2",
      "Compatible Channels: 2",
      "",
      "System: Meridian",
      "",
      "Channel configuration: 2",
      " 520.000 MHz B1",
      " 500.200 MHz B2",
      "",
      "------------------ Check results ---------------------------------------",
      "Check results",
      "",
      "[ #1]  500.000 MHz A1   overlapped by   [ #2]  500.200 MHz B2 Channel at 500.200",
      "[ #1]  510.000 MHz A2   overlapped by   3TxIM(3)-Product (b) 510.000   created by    500.000 MHz A1 and  510.000 "
      "MHz A2 and  520.000 MHz B1",
      "[ #2]  520.000 MHz B1   overlapped by   2TxIM(3)-Product (b) 520.000   created by    500.000 MHz A1 and  510.000 "
      "MHz A2",
      "",
      "Channel configuration is not compatible. ",
  };
  EXPECT_EQ(SplitCrLf(ReadFile(result.logPath)), expected);
  EXPECT_EQ(ReadFile(result.logPath).substr(47, 2), "\r\n");

  // Two systems: no best-subset question, only the question to view the log.
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].kind, MsgKind::OkCancel);
  EXPECT_EQ(port.messages[0].text, "Channel configuration is not compatible. \r\rA log file " + folder +
                                       "Check 2026-12-06 08-45-04.log has been created. View it now?");
  EXPECT_EQ(port.openedFiles, std::vector<std::string>{result.logPath});
  EXPECT_EQ(port.statusLights, (std::vector<int>{1, 3, 3, 3}));
}

TEST(Check, LogFileNameAndCompatibleLog) {
  const char* const cases[][3] = {
      {"2026-12-06", "08:45:04", "Check 2026-12-06 08-45-04.log"},
      {"06.12.2026", "08:45:04", "Check 06-12-2026 08-45-04.log"},
      {"12/06/2026", "8:45:04 AM", "Check 12-06-2026 8-45-04 AM.log"},
      {"2026\\12\\06", "08.45", "Check 2026-12-06 08.45.log"},
  };
  for (const auto& c : cases) EXPECT_EQ(MN_CheckLogName(c[0], c[1]), c[2]);

  ScriptedPort port;
  PortScope scope(port);
  port.date = "06.12.2026";
  TempDir dir;
  AppState app = NewApp();
  app.appDir = dir.Dir();
  AddMic(app, 0, 520.0f);
  AddMic(app, 0, 530.0f);
  port.answers = {kCancel};
  CheckRunResult result = MN_RunCheckToFile(app, false);
  ASSERT_TRUE(result.completed);
  EXPECT_TRUE(result.compatible);
  EXPECT_EQ(result.logPath, dir.Dir() + "Checks/Check 06-12-2026 08-45-04.log");
  std::vector<std::string> lines = SplitCrLf(ReadFile(result.logPath));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Check channel configuration 06.12.2026 08:45:04");
  EXPECT_EQ(lines[2], "------------------ System Proposal #1 ---------------------------------------");
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
            (std::vector<std::string>{"Check results", "", "", "Channel configuration is compatible. "}));
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text.substr(0, 40), "Channel configuration is compatible. \r\rA");
  EXPECT_TRUE(port.openedFiles.empty());
  EXPECT_TRUE(port.statusLights.empty());
}

TEST(Check, LogPathOverrideAndErrors) {
  ScriptedPort port;
  PortScope scope(port);
  TempDir dir;
  AppState app = NewApp();
  app.appDir = dir.Dir();
  port.answers = {kOk};
  CheckRunResult result = MN_RunCheckToFile(app, false, dir.File("mine.log"));
  ASSERT_TRUE(result.completed);
  EXPECT_EQ(result.logPath, dir.File("mine.log"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Checks"));
  EXPECT_EQ(port.openedFiles, std::vector<std::string>{dir.File("mine.log")});

  // A check folder that cannot be created ends the command with the error message.
  port.messages.clear();
  WriteFile(dir.File("blocked"), "x");
  app.appDir = dir.File("blocked") + "/";
  result = MN_RunCheckToFile(app, false);
  EXPECT_FALSE(result.completed);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "An Error Occured During MN_RunCheckToFile: 76 Path not found");
  EXPECT_EQ(port.messages[0].kind, MsgKind::Info);

  port.messages.clear();
  result = MN_RunCheckToFile(app, false, dir.File("missing/dir/x.log"));
  EXPECT_FALSE(result.completed);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text.rfind("An Error Occured During MN_RunCheckToFile: 75 ", 0), 0u);
}

// A 2Tx IM(3) product kept first on 531.725 and 530.975 MHz must not hide the 2Tx IM(5) products
// there, whose wider protection reaches 531.925 and 530.825 MHz: each kind has its own width.
TEST(Check, EveryKindOnAKilohertzIsTested) {
  AppState app = NewApp();
  SetChecks(app, 0, kSpacing | kIM3 | kIM5 | kIM3x3, 0.2f);
  TypeOf(app, 0).GfBandwidth(kCheck2TxIM3, 0.05f);
  TypeOf(app, 0).GfBandwidth(kCheck2TxIM5, 0.25f);
  TypeOf(app, 0).GfBandwidth(kCheck3TxIM3, -1.0f);  // generated, never hitting
  for (float f : {535.0f, 538.275f, 531.125f, 530.825f, 537.325f, 540.5f, 539.025f, 531.925f}) AddMic(app, 0, f);
  const std::vector<std::string> lines = CheckLines(*app.project);
  EXPECT_EQ(lines, NaiveCheckLines(*app.project));
  for (const char* hit : {" 531.925 MHz Mic8   overlapped by   2TxIM(5)-Product (a) 531.725",
                          " 530.825 MHz Mic4   overlapped by   2TxIM(5)-Product (a) 530.975"})
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(hit, 0) == 0; }));
  // The same through the table of first products and through the tracker.
  const size_t least = IMFirstTable::MinChannels();
  IMFirstTable::MinChannels(3);
  EXPECT_EQ(CheckLines(*app.project), lines);
  IMFirstTable::MinChannels(least);
  TcProductTracker tracker;
  StringSink sink;
  TcCheckHandler handler;
  handler.GInit(&sink, false, false, true);
  app.project->RunChecks(handler, tracker);
  EXPECT_EQ(SplitCrLf(sink.Text()), lines);
}
