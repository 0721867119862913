#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/Cli.h"
#include "app/Storage.h"
#include "search/DriverTestSupport.h"
#include "support/TestSupport.h"

using namespace kova;
using namespace kova::test;

namespace {

struct CliResult {
  int code;
  std::string out, err;
};

// Project files on the three points (see InitThreePoints) in a temporary data directory.
struct Cli {
  TempDir dir;
  AppState app;
  std::string project;
  Cli(bool twoSystems, float channel, bool blocked = false) {
    app.appDir = dir.Dir();
    InitThreePoints(app, true);
    app.project->GbSecondSystem(twoSystems);
    if (channel > 0) AddChannel(*app.project, 0, channel, "Mic1");
    if (blocked) SetSearchSpectrum(*app.project, 0, {{600, 601}});
    EXPECT_TRUE(MN_SaveProject(*app.project, dir.Dir(), "show.kova"));
    project = dir.File("show.kova");
  }
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, project);
    args.insert(args.end(), {"--data-dir", dir.Dir()});
    std::ostringstream out, err;
    int code = CLI_Run(args, out, err);
    return {code, out.str(), err.str()};
  }
};

}  // namespace

TEST(CliCandidates, PrintsThePreparedListOfEitherSystem) {
  Cli cli(true, 500.025f);
  for (const char* system : {"0", "1"}) {
    CliResult r = cli.Run({"candidates", "--system", system});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "500.000000\n500.049988\n");  // single-precision grid points
  }
}

TEST(CliGenerate, SystematicReportAndApply) {
  Cli cli(false, 0);
  const std::string report = cli.dir.File("report.txt"), applied = cli.dir.File("best.kova");
  CliResult r = cli.Run({"generate", "--systematic", "--report", report, "--apply", applied});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const std::vector<std::string> lines = SplitCrLf(ReadFile(report));
  ASSERT_EQ(lines.size(), 27u);  // three proposals of nine lines, best first
  EXPECT_EQ(lines[0], "------------------ System Proposal #1 ---------------------------------------");
  EXPECT_EQ(lines[6], " 500.000 MHz 1");
  EXPECT_EQ(lines[7], " 500.025 MHz 2");
  ProjectReadResult best = MN_ReadProjectFile(cli.app, applied);
  ASSERT_EQ(best.status, ProjectReadStatus::kLoaded);
  EXPECT_EQ(ChannelFreqs(*best.project->GcSystem(0)), (std::vector<float>{500.0f, 500.025f}));
}

TEST(CliGenerate, SeededRandomSearchIsReproducible) {
  Cli cli(true, 0);
  const std::vector<std::string> args{"generate", "--seed", "42", "--runs", "50", "--add", "1", "--add2", "1"};
  CliResult a = cli.Run(args), b = cli.Run(args);
  ASSERT_EQ(a.code, 0) << a.err;
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.out.rfind("------------------ Dual-System Proposal #1 ", 0), 0u);
  EXPECT_EQ(a.err, "");
  // "Maximum Search" is for one system: with two the random search runs, with a note.
  std::vector<std::string> systematic = args;
  systematic.push_back("--systematic");
  CliResult c = cli.Run(systematic);
  EXPECT_EQ(c.out, a.out);
  EXPECT_NE(c.err, "");
}

TEST(CliGenerate, SeededOptimiseIsReproducibleAndSaysHowItWent) {
  Cli cli(false, 0);
  const std::vector<std::string> args{"generate", "--optimise", "--seconds", "0.2", "--seed", "9"};
  CliResult a = cli.Run(args), b = cli.Run(args);
  ASSERT_EQ(a.code, 0) << a.err;
  EXPECT_EQ(a.out, b.out);
  // The report is the one of the other modes: the best of the three pairs, same layout.
  CliResult systematic = cli.Run({"generate", "--systematic", "--keep", "1"});
  ASSERT_EQ(systematic.code, 0);
  EXPECT_EQ(a.out.substr(0, a.out.find('\n')), systematic.out.substr(0, systematic.out.find('\n')));
  // How the set was found goes to stderr, one line per searched system, then one per system
  // short of its request (10 by default) with the bound.
  EXPECT_EQ(a.err.rfind("kova-cli: optimise: 2 channels for system 1 in ", 0), 0u) << a.err;
  EXPECT_NE(a.err.find("upper bound "), std::string::npos);
  EXPECT_EQ(std::count(a.err.begin(), a.err.end(), '\n'), 2);
  EXPECT_NE(a.err.find("\nkova-cli: system 1 (Test): 2 of 10 requested channels; at most 3 fit (bound)\n"),
            std::string::npos)
      << a.err;
}

TEST(CliCandidates, SecondSlotOfAOneSystemProject) {
  // The second slot keeps the new-project defaults: the first built-in type on 10..1000 MHz,
  // five 32 MHz bands searched in 0.1 MHz steps.
  Cli cli(false, 0);
  CliResult r = cli.Run({"candidates", "--system", "1"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5 * 321);
  EXPECT_EQ(r.out.substr(0, 11), "518.000000\n");
}

TEST(CliSearch, NegativeAnswersAndUsageErrors) {
  const struct {
    bool twoSystems, blocked;
    std::vector<std::string> args;
    int code;
    const char* err;  // exact stderr, or nullptr for any one line
  } cases[] = {
      {false, false, {"generate", "--add", "0"}, 1, "kova-cli: No additional compatible channels found!\n"},
      {false, true, {"generate"}, 1, "kova-cli: Search Spectrum Invalid: No free frequencies left.\n"},
      {false, true, {"candidates"}, 1, "kova-cli: Search Spectrum Invalid: No free frequencies left.\n"},
      {false, false, {"generate", "--runs", "many"}, 2, nullptr},
      {false, false, {"generate", "--seed", "-1"}, 2, nullptr},
      {false, false, {"candidates", "--system", "2"}, 2, nullptr},
      {false, false, {"generate", "--optimise", "--seconds", "0"}, 2, nullptr},
      {false, false, {"generate", "--optimise", "--seconds", "1s"}, 2, nullptr},
      {false, false, {"generate", "--optimise", "--systematic"}, 2, nullptr},
  };
  for (const auto& c : cases) {
    Cli cli(c.twoSystems, 0, c.blocked);
    CliResult r = cli.Run(c.args);
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.out, "");
    if (c.err) {
      EXPECT_EQ(r.err, c.err);
    } else {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    }
  }
}

TEST(CliSearch, CountsOutsideTheLimitsOfTheCommandAreUsageErrors) {
  const char* const kRuns = "a whole number from 1 to 1000000";
  const char* const kSeconds = "a number of seconds above 0 and at most 86400";
  const char* const kPixels = "a whole number from 16 to 10000";
  const struct {
    const char *command, *option, *value, *range;
  } cases[] = {
      {"generate", "--runs", "-1", kRuns},           {"generate", "--runs", "0", kRuns},
      {"generate", "--runs", "1000001", kRuns},      {"generate", "--keep", "0", "a whole number from 1 to 1000"},
      {"generate", "--keep", "1001", "a whole number from 1 to 1000"},
      {"generate", "--add", "-1", "a whole number from 0 to 100"},
      {"generate", "--add2", "101", "a whole number from 0 to 100"},
      {"generate", "--seconds", "-2", kSeconds},     {"generate", "--seconds", "86401", kSeconds},
      {"picture", "--width", "-5", kPixels},         {"picture", "--height", "10001", kPixels},
  };
  Cli cli(false, 0);
  for (const auto& c : cases) {
    std::vector<std::string> args{c.command, c.option, c.value};
    if (std::string(c.command) == "picture") args.insert(args.end(), {"--out", cli.dir.File("p.png")});
    const CliResult r = cli.Run(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("kova-cli: option ") + c.option + " needs " + c.range + ", not '" + c.value + "'\n");
  }
}
