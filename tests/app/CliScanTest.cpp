#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/Cli.h"
#include "app/Storage.h"
#include "files/FrequencyList.h"
#include "search/DriverTestSupport.h"
#include "support/TestSupport.h"

using namespace kova;
using namespace kova::test;

namespace {

struct CliResult {
  int code;
  std::string out, err;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A one-system project on a 470..500 MHz type (25 kHz grid and search step, channels 200 kHz
// wide) searching all of 470..500, in a temporary data directory. With `twoSystems` system 2
// searches the same on a type with channels 100 kHz wide.
struct ScanCli {
  TempDir dir;
  AppState app;
  explicit ScanCli(bool twoSystems = false) {
    app.appDir = dir.Dir();
    InitAppWith(app, {MakeType(470.0f, 500.0f, 0.025f, {{0, 0.2f}, {1, 0.1f}}, kFlagSpectrum | kFlagSpacing),
                      MakeType(470.0f, 500.0f, 0.025f, {{0, 0.1f}, {1, 0.1f}}, kFlagSpectrum | kFlagSpacing, "IEM")});
    SetSearchSpectrum(*app.project, 0, {{470.0f, 500.0f}});
    if (twoSystems) {
      app.project->GbSecondSystem(true);
      app.project->GcSystem(1)->GDefine(app.systems[1]);
      SetSearchSpectrum(*app.project, 1, {{470.0f, 500.0f}});
    }
  }
  std::string Save(const std::string& name) {
    EXPECT_TRUE(MN_SaveProject(*app.project, dir.Dir(), name));
    return dir.File(name);
  }
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.end(), {"--data-dir", dir.Dir()});
    std::ostringstream out, err;
    const int code = CLI_Run(args, out, err);
    return {code, out.str(), err.str()};
  }
};

// A scan of 470..500 MHz every 50 kHz at -100 dBm with a carrier on 480.000 and one on
// 490.500/490.550.
std::string VenueScan() {
  std::string text = "Frequency (MHz);Level (dBm)\n";
  for (int i = 0; i <= 600; ++i) {
    const double f = 470.0 + i * 0.05;
    const int level = i == 200 ? -40 : (i == 410 || i == 411) ? -50 : -100;
    char line[64];
    std::snprintf(line, sizeof line, "%.3f;%d\n", f, level);
    text += line;
  }
  return text;
}

}  // namespace

TEST(CliScan, TwoSystemsAreCutEachByItsOwnChannelWidth) {
  ScanCli cli(true);
  const std::string project = cli.Save("venue.kova"), scan = cli.dir.File("scan.csv"),
                    applied = cli.dir.File("cut.kova");
  WriteFile(scan, VenueScan());
  const std::string head = "noise floor: -100.0 dBm\nthreshold: -90.0 dBm\n",
                    wide = "479.875 - 480.125\n490.375 - 490.675\n", narrow = "479.925 - 480.075\n490.425 - 490.625\n";
  struct Case {
    std::vector<std::string> system;
    std::string out;
    double firstBandHi[2];  // per system: where the written search spectrum's first band ends
  };
  for (const Case& c : std::vector<Case>{{{}, head + "system 1:\n" + wide + "system 2:\n" + narrow, {479.875, 479.925}},
                                         {{"--system", "0"}, head + wide, {479.875, 500.0}},
                                         {{"--system", "1"}, head + narrow, {500.0, 479.925}}}) {
    std::vector<std::string> args{"scan", project, scan, "--apply", applied};
    args.insert(args.end(), c.system.begin(), c.system.end());
    const CliResult r = cli.Run(args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
    const ProjectReadResult read = MN_ReadProjectFile(cli.app, applied);
    ASSERT_EQ(read.status, ProjectReadStatus::kLoaded);
    for (int32_t s = 0; s < 2; ++s)
      EXPECT_NEAR(read.project->GcSpectrumOf(s)->GxGetBand(1)->GfHi(), c.firstBandHi[s], 1e-4) << r.out << s;
  }
}

TEST(CliScan, ApplyKeepsEveryCandidateOutOfTheExcludedRanges) {
  ScanCli cli;
  const std::string project = cli.Save("venue.kova"), scan = cli.dir.File("scan.csv"),
                    applied = cli.dir.File("cut.kova");
  WriteFile(scan, VenueScan());
  const CliResult r = cli.Run({"scan", project, scan, "--apply", applied});
  ASSERT_EQ(r.code, 0) << r.err;
  // Ranges: the carrier's bin (25 kHz each side) plus half the 200 kHz channel width.
  EXPECT_EQ(r.out,
            "noise floor: -100.0 dBm\n"
            "threshold: -90.0 dBm\n"
            "479.875 - 480.125\n"
            "490.375 - 490.675\n");

  const CliResult c = cli.Run({"candidates", applied});
  ASSERT_EQ(c.code, 0) << c.err;
  std::vector<double> candidates;
  for (const std::string& line : Lines(c.out)) candidates.push_back(std::stod(line));
  ASSERT_FALSE(candidates.empty());
  for (double f : candidates) {
    EXPECT_FALSE(f >= 479.875 && f <= 480.125) << f;
    EXPECT_FALSE(f >= 490.375 && f <= 490.675) << f;
  }
  // The search still reaches right up to the cut: a channel next to it fits.
  EXPECT_NE(std::find_if(candidates.begin(), candidates.end(), [](double f) { return std::abs(f - 479.775) < 1e-4; }),
            candidates.end());

  // A search on the result places no channel on a carrier.
  const std::string best = cli.dir.File("best.kova");
  const CliResult g = cli.Run({"generate", applied, "--seed", "7", "--runs", "3", "--add", "40", "--report",
                               cli.dir.File("report.txt"), "--apply", best});
  ASSERT_EQ(g.code, 0) << g.err;
  ProjectReadResult read = MN_ReadProjectFile(cli.app, best);
  ASSERT_EQ(read.status, ProjectReadStatus::kLoaded);
  const std::vector<float> channels = ChannelFreqs(*read.project->GcSystem(0));
  EXPECT_EQ(channels.size(), 40u);
  for (float f : channels) {
    EXPECT_FALSE(f + 0.1 > 479.9 && f - 0.1 < 480.1) << f;  // the 200 kHz channel misses the carrier's bin
    EXPECT_FALSE(f + 0.1 > 490.4 && f - 0.1 < 490.65) << f;
  }
}

TEST(CliScan, ExitCodes) {
  ScanCli cli;
  const std::string project = cli.Save("venue.kova"), scan = cli.dir.File("scan.csv"),
                    junk = cli.dir.File("junk.csv"), applied = cli.dir.File("cut.kova");
  WriteFile(scan, VenueScan());
  WriteFile(junk, "not a scan\nat all\n");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
  };
  const std::vector<Case> cases = {
      {"nothing above an absolute threshold", {"scan", project, scan, "--threshold", "-30", "--apply", applied}, 1},
      {"a file without scan data", {"scan", project, junk, "--apply", applied}, 2},
      {"a missing scan file", {"scan", project, cli.dir.File("none.csv"), "--apply", applied}, 2},
      {"no scan argument", {"scan", project}, 2},
      {"both thresholds", {"scan", project, scan, "--threshold", "-50", "--above-floor", "5"}, 2},
      {"threshold not a number", {"scan", project, scan, "--threshold", "loud"}, 2},
  };
  for (const Case& c : cases) {
    const CliResult r = cli.Run(c.args);
    EXPECT_EQ(r.code, c.code) << c.name << "\n" << r.err;
    EXPECT_FALSE(r.err.empty()) << c.name;
    EXPECT_FALSE(std::filesystem::exists(applied)) << c.name;  // nothing written
  }
  // A threshold below the carriers but above the floor finds both; --above-floor moves it.
  EXPECT_EQ(Lines(cli.Run({"scan", project, scan, "--threshold", "-45"}).out).size(), 3u);
  EXPECT_EQ(Lines(cli.Run({"scan", project, scan, "--above-floor", "55"}).out).size(), 3u);
}

// Whatever is not a regular file, or is larger than any valid file of its kind, is refused at
// once with one line (the FIFO has no writer: opening it would block); so is a sweep without a
// finite level and a project with a wrong header.
TEST(CliScan, FilesThatCannotBeReadExitWith2) {
  ScanCli cli;
  const std::string project = cli.Save("venue.kova"), scan = cli.dir.File("scan.csv"), dir = cli.dir.Path().string(),
                    fifo = cli.dir.File("fifo"), big = cli.dir.File("big"), bigScan = cli.dir.File("big.csv"),
                    nan = cli.dir.File("nan.csv"), header = cli.dir.File("header.kova"), applied = cli.dir.File("cut.kova");
  WriteFile(scan, VenueScan());
  WriteFile(nan, "2024-01-01, 12:00:00, 470000000, 470200000, 100000, 2, nan, -inf\n");
  WriteFile(header, "KOVA12" + ReadFile(project).substr(6));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  WriteFile(big, "");  // sparse files: no disk is used
  WriteFile(bigScan, "");
  ASSERT_EQ(truncate(big.c_str(), (off_t{64} << 20) + 1), 0);
  ASSERT_EQ(truncate(bigScan.c_str(), (off_t{1} << 30) + 1), 0);
  const std::string notRegular = "cannot be read (not a regular file)", tooLarge = "cannot be read (larger than 64 MB)";
  struct Case {
    std::vector<std::string> args;
    std::string file, message;
  };
  const std::vector<Case> cases = {
      {{"scan", project, dir}, dir, notRegular},
      {{"scan", project, fifo}, fifo, notRegular},
      {{"scan", project, "/dev/zero"}, "/dev/zero", notRegular},
      {{"scan", project, bigScan}, bigScan, "cannot be read (larger than 1 GB)"},
      {{"scan", project, nan}, nan, "no usable points"},
      {{"scan", fifo, scan}, fifo, notRegular},
      {{"scan", big, scan}, big, tooLarge},
      {{"scan", header, scan}, header, "old or bad file format"},
      {{"import", project, dir}, dir, notRegular},
      {{"import", project, fifo}, fifo, notRegular},
      {{"import", project, "/dev/zero"}, "/dev/zero", notRegular},
      {{"import", project, big}, big, tooLarge},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--apply", applied});
    const CliResult r = cli.Run(args);
    EXPECT_EQ(r.code, 2) << c.args[0] << " " << c.file;
    EXPECT_EQ(r.out, "") << c.file;
    EXPECT_EQ(r.err.rfind("kova-cli: " + c.file + ": " + c.message, 0), 0u) << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
    EXPECT_FALSE(std::filesystem::exists(applied)) << c.file;
  }
}

TEST(CliFrequencyList, ExportedCsvImportsIntoAnEmptyProject) {
  ScanCli cli;
  const std::string empty = cli.Save("empty.kova");
  AddChannel(*cli.app.project, 0, 470.5f, "Vox, lead");
  AddChannel(*cli.app.project, 0, 481.025f, "Gtr");
  const std::string full = cli.Save("full.kova"), list = cli.dir.File("list.csv"), out = cli.dir.File("out.kova");

  CliResult r = cli.Run({"export", full, "--csv", "--out", list});
  ASSERT_EQ(r.code, 0) << r.err;
  r = cli.Run({"import", empty, list, "--apply", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "2 channels imported into system 1\nproject written to " + out + "\n");

  ProjectReadResult read = MN_ReadProjectFile(cli.app, out);
  ASSERT_EQ(read.status, ProjectReadStatus::kLoaded);
  EXPECT_EQ(MN_FrequencyListCsv(*read.project), MN_FrequencyListCsv(*cli.app.project));

  // Off-grid frequencies are reported; a second system that is off is refused.
  WriteFile(list, "Frequency\n470.51\n");
  r = cli.Run({"import", empty, list, "--apply", out});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "line 2: Mic1 470.510 MHz moved to 470.500 MHz\n1 channel imported into system 1\nproject written to " +
                       out + "\n");
  EXPECT_EQ(cli.Run({"import", empty, list, "--system", "1", "--apply", out}).code, 2);
  EXPECT_EQ(cli.Run({"import", empty, list}).code, 2);  // --apply is required
}
