#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "persistence/Cli.h"
#include "persistence/ProjectFile.h"
#include "search/DriverTestSupport.h"
#include "support/TestSupport.h"
#include "tools/TextFile.h"

using namespace kova;
using namespace kova::test;

namespace {

struct CliResult {
  int code;
  std::string out, err;
};

struct Cli {
  TempDir dir;
  AppState app;
  std::string project;

  // A one-system project on a type with the three points 500.000, 500.025, 500.050 (any two
  // compatible, not all three) and a search spectrum around them; `channel` > 0 adds a channel.
  explicit Cli(bool twoSystems = false, float channel = 0) {
    app.appDir = dir.Dir();
    InitAppWith(app, {MakeType(500.0f, 500.05f, 0.025f, {{1, 0.01f}, {4, 0.01f}},
                               kFlagSpectrum | kFlagSpacing | kFlagIM3)});
    SetSearchSpectrum(*app.project, 0, {{499.0f, 501.0f}});
    if (channel > 0) AddChannel(*app.project, 0, channel, "Mic1");
    if (twoSystems) {
      app.project->GbSecondSystem(true);
      SetSearchSpectrum(*app.project, 1, {{499.0f, 501.0f}});
    }
    Save(*app.project, "show.kova");
  }
  void Save(const CProject& p, const std::string& name) {
    ASSERT_TRUE(MN_SaveProject(p, dir.Dir(), name));
    project = dir.File(name);
  }
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, project);
    args.push_back("--data-dir");
    args.push_back(dir.Dir());
    std::ostringstream out, err;
    int code = CLI_Run(args, out, err);
    return {code, out.str(), err.str()};
  }
};

}  // namespace

TEST(CliCandidates, PrintsThePreparedListOfTheSystem) {
  Cli cli(true, 500.025f);
  CliResult r = cli.Run({"candidates"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "500.000000\n500.049988\n");  // the single-precision grid point
  // System 1 keeps clear of system 0's channel too; its own list is the same here.
  r = cli.Run({"candidates", "--system", "1"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "500.000000\n500.049988\n");  // the single-precision grid point
}

TEST(CliCandidates, RejectsBadSystemsAndReportsAnEmptyList) {
  Cli one;
  const struct {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{"candidates", "--system", "2"}, 2},
      {{"candidates", "--system", "x"}, 2},
      {{"candidates", "--system", "1"}, 2},  // no second system
      {{"candidates", "--bogus"}, 2},
  };
  for (const auto& c : cases) {
    CliResult r = one.Run(c.args);
    EXPECT_EQ(r.code, c.code) << c.args.back();
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
  Cli blocked(false, 0);
  SetSearchSpectrum(*blocked.app.project, 0, {{600.0f, 601.0f}});
  blocked.Save(*blocked.app.project, "blocked.kova");
  CliResult r = blocked.Run({"candidates"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "kova-cli: Search Spectrum Invalid: No free frequencies left.\n");
}

TEST(CliGenerate, SystematicReportAndApply) {
  Cli cli;
  const std::string report = cli.dir.File("report.txt");
  const std::string applied = cli.dir.File("best.kova");
  CliResult r = cli.Run({"generate", "--systematic", "--report", report, "--apply", applied});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const std::vector<std::string> lines = SplitCrLf(ReadFile(report));
  ASSERT_EQ(lines.size(), 27u);  // three proposals of nine lines
  EXPECT_EQ(lines[0], "------------------ System Proposal #1 ---------------------------------------");
  EXPECT_EQ(lines[6], " 500.000 MHz 1");
  EXPECT_EQ(lines[7], " 500.025 MHz 2");
  EXPECT_EQ(lines[18], "------------------ System Proposal #3 ---------------------------------------");

  AppState check;
  check.appDir = cli.dir.Dir();
  MN_InstallDefaultSystems(check);
  ProjectReadResult best = MN_ReadProjectFile(check, applied);
  ASSERT_EQ(best.status, ProjectReadStatus::kLoaded);
  EXPECT_EQ(ChannelFreqs(*best.project->GcSystem(0)), (std::vector<float>{500.0f, 500.025f}));
}

TEST(CliGenerate, SeededRandomSearchIsReproducible) {
  Cli cli(true);
  CliResult a = cli.Run({"generate", "--seed", "42", "--runs", "50", "--add", "1", "--add2", "1"});
  CliResult b = cli.Run({"generate", "--seed", "42", "--runs", "50", "--add", "1", "--add2", "1"});
  ASSERT_EQ(a.code, 0) << a.err;
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.out.rfind("------------------ Dual-System Proposal #1 ", 0), 0u);
  EXPECT_EQ(a.err, "");
  // --systematic applies to one system only: with two systems the random search runs.
  CliResult c = cli.Run({"generate", "--systematic", "--seed", "42", "--runs", "50", "--add", "1", "--add2", "1"});
  EXPECT_EQ(c.code, 0);
  EXPECT_EQ(c.out, a.out);
  EXPECT_NE(c.err, "");
}

TEST(CliGenerate, NegativeAnswersAndUsageErrors) {
  Cli cli;
  const struct {
    std::vector<std::string> args;
    int code;
    const char* err;  // exact stderr, or nullptr for "any"
  } cases[] = {
      {{"generate", "--add", "0"}, 1, "kova-cli: No additional compatible channels found!\n"},
      {{"generate", "--runs", "many"}, 2, nullptr},
      {{"generate", "--seed", "-1"}, 2, nullptr},
      {{"generate", "--keep"}, 2, nullptr},
  };
  for (const auto& c : cases) {
    CliResult r = cli.Run(c.args);
    EXPECT_EQ(r.code, c.code) << c.args.back();
    EXPECT_EQ(r.out, "");
    if (c.err) EXPECT_EQ(r.err, c.err);
    else EXPECT_NE(r.err, "");
  }
  Cli blocked;
  SetSearchSpectrum(*blocked.app.project, 0, {{600.0f, 601.0f}});
  blocked.Save(*blocked.app.project, "blocked.kova");
  CliResult r = blocked.Run({"generate"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "kova-cli: Search Spectrum Invalid: No free frequencies left.\n");
}
