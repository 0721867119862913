#include <gtest/gtest.h>

#include "app/AppState.h"
#include "app/CheckConflicts.h"

namespace kova {
namespace {

TEST(CheckConflicts, Words) {
  AppState app;
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  CProject& p = *app.project;
  for (auto [slot, freq, label] : {std::tuple{0, 527.1f, "Mic 6"}, {0, 533.85f, "Mic 2"}, {1, 531.25f, "IEM 2"}, {0, 540.0f, ""}})
    p.GcSystem(slot)->GcMics()->GAddMic(label, "", freq, 0, 0, 0, 0);
  const struct { bool twoSystems; CheckConflict conflict; const char* words; } cases[] = {
      {true, {{0, 1}, 5, 529.475f, 3, {{{0, 1}, {1, 1}, {0, 2}}}},
       "3Tx IM(3) of 527.100 (#1 Mic 6), 531.250 (#2 IEM 2), 533.850 (#1 Mic 2) at 529.475"},
      {false, {{0, 1}, 4, 520.6f, 2, {{{0, 1}, {0, 2}}}}, "2Tx IM(3) of 527.100 (Mic 6), 533.850 (Mic 2) at 520.600"},
      {false, {{0, 1}, 9, 514.3f, 2, {{{0, 2}, {0, 3}}}}, "2Tx IM(5) of 533.850 (Mic 2), 540.000 at 514.300"},
      {true, {{0, 1}, 1, 540.0f, 1, {{{0, 3}}}}, "Spacing to 540.000 (#1)"},
      {false, {{0, 1}, 0, 0.0f, 0, {}}, "Spectrum: outside the search spectrum"},
  };
  for (const auto& c : cases) {
    p.GbSecondSystem(c.twoSystems);
    EXPECT_EQ(MN_ConflictText(p, c.conflict), c.words);
  }
  const std::vector<CheckConflict> two = {cases[1].conflict, cases[4].conflict};
  EXPECT_EQ(MN_ConflictTip(p, two, 0, 1), std::string(cases[1].words) + "\n" + cases[4].words);
  EXPECT_EQ(MN_ConflictTip(p, two, 0, 2), "");

  // Marks hold while the project is as it was checked; a first-problem check never thins out a
  // full check of the same state, and a check of an older state is dropped.
  MN_KeepConflicts(app, two, true, app.flags.changes);
  MN_KeepConflicts(app, {cases[0].conflict}, false, app.flags.changes);
  EXPECT_EQ(MN_Conflicts(app).size(), 2u);
  TL_SetChanged(app.flags, false, false, false, true);  // a new order counts as a change
  EXPECT_TRUE(MN_Conflicts(app).empty());
  MN_KeepConflicts(app, two, true, app.flags.changes - 1);
  EXPECT_TRUE(MN_Conflicts(app).empty());
  MN_KeepConflicts(app, {cases[0].conflict}, false, app.flags.changes);
  EXPECT_EQ(MN_Conflicts(app).size(), 1u);
}

}  // namespace
}  // namespace kova
