#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "app/SystemCommands.h"
#include "engine/EngineTestSupport.h"
#include "engine/Margin.h"
#include "search/DriverTestSupport.h"
#include "search/GenerateDriver.h"
#include "tools/ScriptedPort.h"

using namespace kova;
using namespace kova::test;

namespace {

struct ZoneCase {
  std::array<int32_t, 3> zoneOf;                    // zone of each system
  std::vector<std::array<int32_t, 3>> relations;    // zone a, zone b, relation
};

// The relation between the zones of two channels, worked out the long way: zones joined by a
// chain of "together" are one air; between two such groups any near pair makes them near.
int32_t Relation(const CZones& zones, int32_t a, int32_t b) {
  const int32_t n = zones.GlCount();
  std::vector<std::vector<bool>> joined(n + 1, std::vector<bool>(n + 1, false));
  for (int32_t x = 1; x <= n; ++x)
    for (int32_t y = 1; y <= n; ++y) joined[x][y] = x == y || zones.GeRelation(x, y) == kZoneTogether;
  for (int32_t k = 1; k <= n; ++k)
    for (int32_t x = 1; x <= n; ++x)
      for (int32_t y = 1; y <= n; ++y) joined[x][y] = joined[x][y] || (joined[x][k] && joined[k][y]);
  if (joined[a][b]) return kZoneTogether;
  for (int32_t x = 1; x <= n; ++x)
    for (int32_t y = 1; y <= n; ++y)
      if (joined[a][x] && joined[b][y] && zones.GeRelation(x, y) == kZoneNear) return kZoneNear;
  return kZoneApart;
}

// The channels a full check must report, worked out the long way: spacing (and nothing else
// of a single channel) against every channel not apart, products among the channels of one air
// (2Tx IM(3), 2Tx IM(5), 3Tx IM(3)), a kilohertz keeping the first product of each kind.
std::vector<CheckChannel> BruteForce(const CProject& project) {
  struct Channel { float f; int32_t s, m; };
  std::vector<Channel> all;
  for (int32_t s = 0; s < project.GlSystems(); ++s)
    for (int32_t m = 1; m <= project.GcSystem(s)->GcMics()->GCount(); ++m)
      all.push_back({project.GcSystem(s)->GcMics()->GcItem(m)->GfGetFreq(), s, m});
  auto relation = [&](const Channel& x, const Channel& y) {
    return Relation(project.GcZones(), project.GcSystem(x.s)->GlZone(), project.GcSystem(y.s)->GlZone());
  };
  std::vector<CheckChannel> expected;
  for (const Channel& ch : all) {
    const CSystemType& type = *project.GcSystem(ch.s)->GcSystemType();
    auto hits = [&](double p, int32_t kind) {
      const float w = type.GfBandwidth(kind), wa = w > 0 ? w - 0.002f : w + 0.002f;
      return type.GbCheckFlag(kind) && std::fabs(static_cast<float>(p) - ch.f) <= wa;
    };
    std::vector<const Channel*> air;
    for (const Channel& d : all)
      if (relation(ch, d) == kZoneTogether) air.push_back(&d);
    std::map<std::pair<double, int32_t>, double> kept;
    for (size_t a = 0; a < air.size(); ++a)
      for (size_t b = a + 1; b < air.size(); ++b) {
        const double f1 = air[a]->f, f2 = air[b]->f;
        for (double p : {2 * f1 - f2, 2 * f2 - f1}) kept.emplace(std::pair{std::nearbyint(p * 1000), 4}, p);
        for (double p : {3 * f1 - 2 * f2, 3 * f2 - 2 * f1}) kept.emplace(std::pair{std::nearbyint(p * 1000), 9}, p);
        for (size_t e = b + 1; e < air.size(); ++e)
          for (double p : {f1 + f2 - air[e]->f, air[e]->f + (f1 - f2), air[e]->f + (f2 - f1)})
            kept.emplace(std::pair{std::nearbyint(p * 1000), 5}, p);
      }
    bool hit = false;
    for (const Channel& d : all) hit = hit || (&d != &ch && relation(ch, d) != kZoneApart && hits(d.f, 1));
    for (const auto& [at, p] : kept) hit = hit || hits(p, at.second);
    if (hit) expected.push_back({ch.s, ch.m});
  }
  return expected;
}

std::vector<CheckChannel> Reported(const CProject& project) {
  std::vector<CheckConflict> conflicts;
  TcCheckHandler handler;
  handler.GInit(nullptr, false, false, true);
  handler.GCollect(&conflicts);
  project.RunChecks(handler);
  std::vector<CheckChannel> got;
  for (const CheckConflict& conflict : conflicts) got.push_back(conflict.channel);
  return got;
}

}  // namespace

// Three systems in two or three zones, each relation and composition of "together": the channels
// the check reports are those the brute force finds.
TEST(Zones, CheckMatchesABruteForce) {
  const std::vector<ZoneCase> cases = {
      {{1, 1, 1}, {}},
      {{1, 2, 2}, {}},
      {{1, 2, 2}, {{1, 2, kZoneApart}}},
      {{1, 2, 2}, {{1, 2, kZoneTogether}}},
      {{1, 2, 3}, {{1, 2, kZoneTogether}, {2, 3, kZoneNear}, {1, 3, kZoneApart}}},
      {{1, 2, 3}, {{1, 2, kZoneApart}, {2, 3, kZoneApart}, {1, 3, kZoneApart}}},
      {{1, 3, 2}, {{1, 2, kZoneApart}, {2, 3, kZoneTogether}, {1, 3, kZoneApart}}},
      {{1, 2, 3}, {{1, 2, kZoneApart}, {2, 3, kZoneTogether}, {1, 3, kZoneNear}}},
  };
  size_t reported = 0;
  for (size_t c = 0; c < cases.size(); ++c) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
      AppState app = NewApp();
      uint32_t r = seed * 7919u + static_cast<uint32_t>(c);
      for (int32_t s = 0; s < 3; ++s) {
        if (s > 0) MN_AddSystem(app, *app.systems[0]);
        // Kinds of products share kilohertz, each with its own width; system 2 skips 2Tx IM(5).
        SetChecks(app, s, s == 1 ? 2 | 16 | 32 : 2 | 16 | 32 | 512, 0.0f);
        TypeOf(app, s).GfBandwidth(kCheckSpacing, 0.3f + 0.1f * static_cast<float>(s));
        TypeOf(app, s).GfBandwidth(kCheck2TxIM3, 0.1f);
        TypeOf(app, s).GfBandwidth(kCheck3TxIM3, 0.05f);
        TypeOf(app, s).GfBandwidth(kCheck2TxIM5, 0.25f);
        app.project->GSetSystemZone(s, cases[c].zoneOf[static_cast<size_t>(s)]);
        for (int32_t m = 1; m <= 5; ++m) {
          r = r * 1664525u + 1013904223u;
          AddMic(app, s, 500.0f + 0.025f * static_cast<float>((r >> 9) % 400u));
        }
      }
      for (const auto& [a, b, relation] : cases[c].relations) app.project->GxZones().GeRelation(a, b, relation);
      const std::vector<CheckChannel> expected = BruteForce(*app.project);
      EXPECT_EQ(Reported(*app.project), expected) << "case " << c << " seed " << seed;
      reported += expected.size();
      // The margin sees what the check sees: negative exactly when something is reported.
      const std::optional<double> margin = MN_GetMarginKHz(*app.project);
      EXPECT_EQ(margin && *margin < 0, !expected.empty()) << "case " << c << " seed " << seed;
    }
  }
  EXPECT_GT(reported, 50u);  // the table does exercise conflicts
}

// The same frequency in two zones: apart is compatible, near is a spacing conflict named with
// the zone; products of one zone never reach the other.
TEST(Zones, ReuseApartAndLogNamesTheZone) {
  AppState app = NewApp();
  MN_AddSystem(app, *app.systems[0]);
  for (int32_t s = 0; s < 2; ++s) SetChecks(app, s, 2 | 16, 0.1f);
  AddMic(app, 0, 500.0f);
  AddMic(app, 0, 501.0f);
  AddMic(app, 1, 502.0f, "B1");  // 2 x 501 - 500: a product of zone 1 only
  AddMic(app, 1, 500.0f, "B2");
  app.project->GSetSystemZone(1, 2);
  app.project->GxZones().GsName(2, "Stage B");
  EXPECT_EQ(CheckLines(*app.project),
            (std::vector<std::string>{"[ #1, Zone 1]  500.000 MHz Mic1   overlapped by   [ #2, Stage B]  500.000 MHz B2 Channel at 500.000",
                                      "[ #2, Stage B]  500.000 MHz B2   overlapped by   [ #1, Zone 1]  500.000 MHz Mic1 Channel at 500.000"}));
  app.project->GxZones().GeRelation(1, 2, kZoneApart);
  EXPECT_TRUE(CheckLines(*app.project).empty());
  app.project->GxZones().GeRelation(1, 2, kZoneTogether);
  EXPECT_EQ(CheckLines(*app.project).size(), 3u);  // B1 hit by the product, Mic1 and B2 by spacing
}

// Two stages in 470–608 MHz with one type (spacing 0.4, 2Tx and 3Tx IM(3) 0.05), 40 channels
// asked of each: apart, both get all 40 on the same band; near, together far more than one
// stage holds alone. Every plan passes the check and the brute force.
TEST(Zones, TwoStagePlan) {
  ScriptedPort port(4242);
  PortScope scope(port);
  auto plan = [&](int32_t relation, int32_t stages) {
    AppState app;
    InitAppWith(app, {MakeType(470.0f, 608.0f, 0.025f, {{1, 0.4f}, {4, 0.05f}, {5, 0.05f}},
                               kFlagSpectrum | kFlagSpacing | kFlagIM3 | 32)});
    SetSearchSpectrum(*app.project, 0, {{470.0f, 608.0f}});
    if (stages == 2) MN_AddSystem(app, *app.systems[0]);
    app.project->GSetSystemZone(1, 2);
    app.project->GxZones().GeRelation(1, 2, relation);
    OptimiseSettings budget;
    budget.rounds = 20;
    const GenerateOutcome out = RunGenerateSearch(*app.project, 1, 1, std::vector<int32_t>(2, stages == 2 ? 40 : 80),
                                                  kSearchOptimise, port, budget);
    EXPECT_EQ(out.status, GenerateStatus::kProposals);
    const ProjectRef best = out.proposals->GxGetProject(1);
    EXPECT_TRUE(BruteForce(*best).empty());
    EXPECT_TRUE(Reported(*best).empty());
    return best->GlGetOverallMics();
  };
  const int32_t alone = plan(kZoneNear, 1);
  EXPECT_EQ(plan(kZoneApart, 2), 80);
  EXPECT_GT(plan(kZoneNear, 2), alone + alone / 2);
}
