#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/Cli.h"
#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "app/SystemCommands.h"
#include "files/ProjectFile.h"
#include "support/TestSupport.h"

using namespace kova;

namespace {

struct RegionsCli : ::testing::Test {
  test::TempDir dir;
  AppState app;
  void SetUp() override {
    test::InitApp(app, dir.Dir());
    std::filesystem::create_directory(dir.Path() / "Countries");
    test::WriteFile(dir.File("Countries/venue.csv"), "Venue\n30,542,550\n31,550,558\n33,566,574\n");
    test::WriteFile(dir.File("Countries/broken.csv"), "Broken\n30,542\n");
    // Named like a built-in table, and with control characters; a folder named like a table.
    test::WriteFile(dir.File("Countries/twin.csv"), "germany\n30,542,550\n");
    test::WriteFile(dir.File("Countries/z.csv"), "Z\x1b[2J\tone\n30,542,550\n");
    std::filesystem::create_directory(dir.Path() / "Countries" / "folder.csv");
    MN_AddSystem(app, *app.systems[5]);
    MN_AddSystem(app, *app.systems[6]);  // three systems in use
    ASSERT_TRUE(MN_SaveProject(*app.project, dir.Dir(), "show.kova"));
  }
  int Run(std::vector<std::string> args, std::string& out, std::string& err) {
    args.insert(args.end(), {"--data-dir", dir.Dir()});
    std::ostringstream o, e;
    const int code = CLI_Run(args, o, e);
    out = o.str(), err = e.str();
    return code;
  }
  static std::string Bands(const ProjectRef& p, int32_t slot) {
    std::string text;
    for (int32_t i = 1; i <= p->GcSpectrumOf(slot)->GlBands(); ++i) text += p->GcSpectrumOf(slot)->GxGetBand(i)->GsGetFromToString(0) + ";";
    return text;
  }
};

}  // namespace

TEST_F(RegionsCli, ListsTablesAndSetsTheSearchSpectrumOfEverySystemOrOne) {
  std::string out, err;
  ASSERT_EQ(Run({"regions"}, out, err), 0);
  EXPECT_EQ(out.rfind("Germany\t5-12, 21-69\t174.000 - 862.000 MHz\nUSA\t14-69\t470.000 - 806.000 MHz\n", 0), 0u);
  EXPECT_NE(out.find("\nUnited Kingdom UHF 21-48 without 38\t21-37, 39-48\t470.000 - 694.000 MHz\n"), std::string::npos);
  const std::string last = "\nVenue\t30-31, 33\t542.000 - 574.000 MHz\nZ\\e[2J\\tone\t30\t542.000 - 550.000 MHz\n";
  EXPECT_EQ(out.substr(out.size() - last.size()), last);
  EXPECT_NE(err.find("Countries/broken.csv: line 2: needs three columns"), std::string::npos) << err;
  EXPECT_NE(err.find("Countries/twin.csv: another table is named \"germany\" (table skipped)"), std::string::npos) << err;
  EXPECT_NE(err.find("Countries/folder.csv: cannot be read (not a regular file)"), std::string::npos) << err;

  const std::string show = dir.File("show.kova"), all = dir.File("all.kova"), one = dir.File("one.kova");
  ASSERT_EQ(Run({"spectrum", show, "--region", "usa/canada", "--except", "20, 27", "--apply", all}, out, err), 0) << err;
  EXPECT_EQ(out, "470.000 - 506.000\n512.000 - 548.000\n554.000 - 608.000\nsearch spectrum of systems 1, 2, 3\n"
                 "project written to " + all + "\n");
  ProjectReadResult r = MN_ReadProjectFile(app, all);
  ASSERT_EQ(r.status, ProjectReadStatus::kLoaded);
  for (int32_t s = 0; s < 3; ++s) EXPECT_EQ(Bands(r.project, s), "470.000 - 506.000;512.000 - 548.000;554.000 - 608.000;");

  ASSERT_EQ(Run({"spectrum", all, "--region", "Venue", "--channels", "30-31", "--system", "1", "--apply", one}, out, err), 0);
  r = MN_ReadProjectFile(app, one);
  EXPECT_EQ(Bands(r.project, 1), "542.000 - 558.000;");
  EXPECT_EQ(Bands(r.project, 2), "470.000 - 506.000;512.000 - 548.000;554.000 - 608.000;");

  const struct {
    std::vector<std::string> args;
    int code;
    const char* error;
  } refused[] = {
      {{"--region", "europe uhf", "--except", "1", "--apply", one}, 2, "--except: not in the table \"Europe UHF 21-48\""},
      {{"--region", "U", "--except", "1", "--apply", one}, 2, "--region: \"U\" fits several tables"},
      {{"--region", "Venue", "--channels", "", "--apply", one}, 2, "--channels: names no channel"},
      {{"--region", "Venue", "--except", "30-31, 33", "--apply", one}, 1, "--except: no channel of \"Venue\" is left"},
  };
  for (const auto& c : refused) {
    std::vector<std::string> args{"spectrum", show};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::filesystem::remove(one);
    EXPECT_EQ(Run(args, out, err), c.code) << c.error;
    EXPECT_NE(err.find(c.error), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(one));
  }
}
