// The records of a check name the same channels, kinds, products and sources as its log lines.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "engine/EngineTestSupport.h"

using namespace kova;
using namespace kova::test;

TEST(CheckConflicts, RecordsSayWhatTheLogSays) {
  const struct { const char* name; std::function<void(AppState&)> build; size_t problems; } cases[] = {
      {"spacing", [](AppState& a) { SetChecks(a, 0, 2, 0.3f); AddMic(a, 0, 500.0f); AddMic(a, 0, 500.25f); }, 2},
      {"2Tx IM(3)", [](AppState& a) { SetChecks(a, 0, 16, 0.1f); for (float f : {500.f, 510.f, 520.f}) AddMic(a, 0, f); }, 2},
      {"3Tx IM(3), two systems", [](AppState& a) {  // 500 + 542 = 530 + 512: each is a product of the others
         a.project->GbSecondSystem(true);
         for (int32_t s : {0, 1}) SetChecks(a, s, 32, 0.05f);
         AddMic(a, 0, 500.0f); AddMic(a, 0, 530.0f); AddMic(a, 1, 512.0f); AddMic(a, 1, 542.0f);
       }, 4},
      {"spectrum", [](AppState& a) {
         SetChecks(a, 0, 1 | 2, 0.2f);
         a.project->GcSpectrum()->GDefine();
         a.project->GcSpectrum()->GAddBand(500.0f, 520.0f, 0.025f);
         for (float f : {519.95f, 510.f, 519.8f}) AddMic(a, 0, f);
       }, 3},
  };
  const std::map<int32_t, std::string> kind = {{0, "Spectrum Forbidden"}, {1, "Channel at"}, {4, "2TxIM(3)"}, {5, "3TxIM(3)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppState app = NewApp();
    c.build(app);
    const CProject& project = *app.project;
    StringSink log;
    std::vector<CheckConflict> got;
    TcCheckHandler handler;
    handler.GInit(&log, false, false, true);
    handler.GCollect(&got);
    project.RunChecks(handler);
    const std::vector<std::string> lines = SplitCrLf(log.Text());
    ASSERT_EQ(got.size(), c.problems);
    ASSERT_EQ(lines.size(), got.size());
    const auto describe = [&](const CheckChannel& ch) {
      return project.GcSystem(ch.system)->GcMics()->GcItem(ch.mic)->GsGetDescription(5);
    };
    for (size_t i = 0; i < got.size(); ++i) {
      // The line names the channel, then the kind, the product frequency and the sources in order.
      const CheckConflict& g = got[i];
      const std::string head = project.SystemPrefix(g.channel.system) + describe(g.channel) + "   overlapped by   ";
      EXPECT_EQ(lines[i].substr(0, head.size()), head);
      EXPECT_NE(lines[i].find(kind.at(g.kind), head.size()), std::string::npos) << lines[i];
      EXPECT_NE(lines[i].find(g.kind ? MN_FormatFreq(g.freq) : "", head.size()), std::string::npos) << lines[i];
      EXPECT_EQ(g.sources, g.kind == 0 ? 0 : g.kind == 5 ? 3 : g.kind == 1 ? 1 : 2);
      for (size_t s = 0, at = head.size(); s < static_cast<size_t>(g.sources); ++s, ++at) {
        at = lines[i].find(describe(g.source[s]), at);
        ASSERT_NE(at, std::string::npos) << lines[i] << " source " << s;
      }
    }
  }
}
