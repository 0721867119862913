#include <gtest/gtest.h>

#include <sstream>

#include "app/Cli.h"
#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "app/SystemCommands.h"
#include "support/TestSupport.h"

namespace kova {
namespace {

std::vector<std::string> Labels(const CProject& p) {
  std::vector<std::string> out;
  for (int32_t s = 0; s < p.GlSystems(); ++s)
    out.push_back(p.GcSystem(s)->GcSystemType()->GsGetLabel() + ":" + std::to_string(p.GcSystem(s)->GcMics()->GCount()));
  return out;
}

TEST(SystemCommands, SixteenSystemsRoundTripAndRemovingMovesTheSlotsUp) {
  AppState app;
  test::InitApp(app, "");
  for (int32_t s = 1; s < kMaxSystems; ++s) {
    ASSERT_EQ(MN_AddSystem(app, *app.systems[static_cast<size_t>(s % 7)]), s);
    app.project->GcSystem(s)->GcMics()->GAddMic("M", "", 500.0f + static_cast<float>(s), 0, 0, 0, 0);
    app.scanCuts[static_cast<size_t>(s)] = {{static_cast<double>(s), static_cast<double>(s)}};
    MN_SetAddCount(app, s, s);
  }
  EXPECT_EQ(MN_AddSystemLike(app, 0), -1);  // full
  const std::vector<char> bytes = MN_ProjectFileBytes(*app.project);
  const ProjectReadResult back = MN_ReadProjectBytes(app.systems, bytes);
  ASSERT_EQ(back.status, ProjectReadStatus::kLoaded);
  EXPECT_EQ(Labels(*back.project), Labels(*app.project));
  EXPECT_EQ(MN_ProjectFileBytes(*back.project), bytes);

  app.project->GlCurr(9);
  ASSERT_TRUE(MN_RemoveSystem(app, 4));
  EXPECT_EQ(app.project->GlSystems(), 15);
  EXPECT_EQ(app.project->GlCurr(), 8);  // the current system keeps its place in the list
  EXPECT_EQ(app.scanCuts[4][0].lo, 5.0);
  EXPECT_EQ(MN_AddCounts(app)[4], 5);
  EXPECT_FALSE(MN_RemoveSystem(app, 15));

  // Down to one: the system removed last takes no channels with it into the switched-off slot.
  while (app.project->GlSystems() > 2) ASSERT_TRUE(MN_RemoveSystem(app, 1));
  ASSERT_TRUE(MN_RemoveSystem(app, 0));
  EXPECT_EQ(app.project->GlSystems(), 1);
  EXPECT_EQ(app.project->GcSystem(1)->GcMics()->GCount(), 0);
  EXPECT_EQ(Labels(*app.project).size(), 1u);
}

TEST(SystemCommands, CliAddRemoveAndAddTo) {
  test::TempDir dir;
  AppState app;
  test::InitApp(app, dir.Dir());
  ASSERT_TRUE(MN_SaveProject(*test::SampleProject(app, false), dir.Dir(), "p.kova"));
  const std::string swift = "Swift Monitor:0";
  // Arguments, exit code, part of stdout (of stderr on failure), types and channels written.
  const std::tuple<std::vector<std::string>, int, std::string, std::vector<std::string>> steps[] = {
      {{"system", "add", "p.kova", "--type", "swift monitor", "--apply", "a.kova"}, 0,
       "System #2 (--system 1) added: Swift Monitor\n", {"Meridian:3", swift}},
      {{"system", "add", "a.kova", "--like", "1", "--apply", "b.kova"}, 0, "System #3 (--system 2) added",
       {"Meridian:3", swift, swift}},
      {{"system", "add", "b.kova", "--type", "Nope", "--apply", "x.kova"}, 2, "no system type 'Nope'", {}},
      {{"system", "add", "b.kova", "--like", "3", "--apply", "x.kova"}, 2, "option --like must be", {}},
      {{"system", "remove", "b.kova", "0", "--apply", "c.kova"}, 0, "System #1 (--system 0) removed", {swift, swift}},
      {{"system", "remove", "c.kova", "0", "--apply", "d.kova"}, 0, "removed: Swift Monitor", {swift}},
      {{"system", "remove", "d.kova", "0", "--apply", "x.kova"}, 2, "d.kova: the only system", {}},
      {{"generate", "b.kova", "--seed", "1", "--runs", "3", "--add", "1", "--add-to", "1=2", "--add-to", "2=3",
        "--apply", "g.kova"}, 0, "------------------ Multi-System Proposal #1",
       {"Meridian:4", "Swift Monitor:2", "Swift Monitor:3"}},
      {{"generate", "b.kova", "--add-to", "3=1"}, 2, "--add-to 3=1: the project has no system 3", {}},
      {{"generate", "b.kova", "--add-to", "1=101"}, 2, "--add-to 1=101: the count needs a whole number from 0 to 100", {}},
      {{"candidates", "b.kova", "--system", "3"}, 2, "option --system must be a system of the project, 0 to 2, not '3'\n", {}},
      {{"import", "b.kova", "x.csv", "--system", "5", "--apply", "x.kova"}, 2, "option --system must be a system of the project, 0 to 2", {}},
  };
  for (const auto& [given, code, shown, result] : steps) {
    std::vector<std::string> args;
    for (const std::string& a : given) args.push_back(a.find(".kova") != std::string::npos ? dir.File(a) : a);
    args.insert(args.end(), {"--data-dir", dir.Dir()});
    std::ostringstream out, err;
    const std::string what = given[0] + " " + given[1] + " " + given[2];
    EXPECT_EQ(CLI_Run(args, out, err), code) << what << ": " << err.str();
    EXPECT_NE((code == 2 ? err : out).str().find(shown), std::string::npos) << what << ": " << out.str() << err.str();
    if (result.empty()) continue;
    const ProjectReadResult r = MN_ReadProjectFile(app.systems, dir.File(given.back()));
    ASSERT_EQ(r.status, ProjectReadStatus::kLoaded) << what;
    EXPECT_EQ(Labels(*r.project), result) << what;
  }
}

}  // namespace
}  // namespace kova
