#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/Check.h"
#include "app/Cli.h"
#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "app/SystemCommands.h"
#include "support/TestSupport.h"
#include "tools/AtomicFile.h"
#include "tools/DefaultPort.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::SplitCrLf;
using test::Str;
using test::TempDir;
using test::WriteFile;

struct CliRun {
  int code;
  std::string out, err;
};

// Splits console output at "\n".
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::InitApp(app, data.Dir());
    fs::create_directory(data.Path() / "data");
  }

  CliRun Cli(std::vector<std::string> args, bool withDataDir = true) {
    if (withDataDir) {
      args.push_back("--data-dir");
      args.push_back(DataDir());
    }
    std::ostringstream out, err;
    int code = CLI_Run(args, out, err);
    return {code, out.str(), err.str()};
  }
  std::string DataDir() const { return (data.Path() / "data").string(); }

  // A one-system project of the first built-in type with channels at these frequencies.
  std::string ProjectFile(const std::vector<float>& freqs, const std::string& name = "p.kova") {
    auto p = std::make_shared<CProject>();
    MN_InitProject(app, *p);
    for (size_t i = 0; i < freqs.size(); ++i)
      p->GcSystem(0)->GcMics()->GAddMic("Mic" + std::to_string(i + 1), "Meridian", freqs[i], 0, 511, 0, 0);
    EXPECT_TRUE(MN_SaveProject(*p, files.Dir(), name));
    return files.File(name);
  }

  // Exit code 2, nothing on stdout, one line on stderr that begins as given.
  void ExpectFailure(const CliRun& r, const std::string& errStart, const std::string& what) {
    EXPECT_EQ(r.code, 2) << what;
    EXPECT_EQ(r.out, "") << what;
    EXPECT_EQ(Lines(r.err).size(), 1u) << what << ": " << r.err;
    EXPECT_EQ(r.err.rfind(errStart, 0), 0u) << what << ": " << r.err;
  }

  // Runs Cli(args) in a child process whose files may grow to `fileLimit` bytes (a full disk);
  // `meanwhile` gets the child's id while it runs. Returns the exit code.
  int CliInChild(const std::vector<std::string>& args, rlim_t fileLimit = RLIM_INFINITY,
                 const std::function<void(pid_t)>& meanwhile = nullptr) {
    const pid_t pid = fork();
    if (pid == 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{};
      getrlimit(RLIMIT_FSIZE, &limit);
      const rlim_t was = limit.rlim_cur;
      limit.rlim_cur = fileLimit;
      setrlimit(RLIMIT_FSIZE, &limit);
      const CliRun r = Cli(args);
      limit.rlim_cur = was;
      setrlimit(RLIMIT_FSIZE, &limit);
      WriteFile(files.File("child.err"), r.err);
      _exit(r.code);
    }
    if (meanwhile) meanwhile(pid);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  TempDir data, files;
  AppState app;
};

std::set<std::string> Names(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.Path())) names.insert(entry.path().filename().string());
  return names;
}

const char* const kDescription =
    "Compatible Channels: 2\r\n"
    "\r\n"
    "System: Meridian\r\n"
    "\r\n"
    "Channel configuration: 2\r\n"
    " 518.200 MHz Mic1\r\n"
    " 530.000 MHz Mic2\r\n"
    "\r\n";

TEST_F(CliTest, DescribeAndExport) {
  std::string file = ProjectFile({518.2f, 530.0f});
  CliRun r = Cli({"describe", file});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, kDescription);
  EXPECT_EQ(r.err, "");

  const std::string exported =
      std::string("------------------ System Proposal #1 ---------------------------------------\r\n") + kDescription;
  r = Cli({"export", file});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, exported);

  std::string out = files.File("export.txt");
  r = Cli({"export", "--out", out, file});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadFile(out), exported);

  // Nothing was written to the data directory.
  EXPECT_TRUE(fs::is_empty(DataDir()));
}

TEST_F(CliTest, UsageErrors) {
  std::string file = ProjectFile({518.2f});
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"no command", {}},
      {"unknown command", {"nosuch", file}},
      {"no project", {"describe"}},
      {"unknown option", {"describe", file, "--bogus"}},
      {"second project", {"describe", file, file}},
      {"option without value", {"export", file, "--out"}},
      {"flag of another command", {"describe", file, "--im-only"}},
      {"print without --out", {"print", file}},
  };
  for (const auto& [what, args] : cases) ExpectFailure(Cli(args, false), "kova-cli: ", what);
  CliRun help = Cli({"describe", "--help"}, false);
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Usage: kova-cli"), std::string::npos);
}

TEST_F(CliTest, UnreadableAndInvalidFilesExitWith2) {
  std::string good = Str(MN_ProjectFileBytes(*app.project));
  WriteFile(files.File("header.kova"), "KOVA12" + good.substr(6));
  WriteFile(files.File("cut.kova"), good.substr(0, good.size() - 1));
  WriteFile(files.File("cut.zel"), Str(test::rec::OldProject(2, {}, {}, {{1, 2, 3}})).substr(0, 60));
  const std::string names[] = {"missing.kova", "header.kova", "cut.kova", "cut.zel"};
  for (const std::string& name : names) {
    for (const char* command : {"describe", "export", "products", "check"}) {
      std::string path = files.File(name);
      ExpectFailure(Cli({command, path}), "kova-cli: " + path + ": ", name + " " + command);
    }
  }
  EXPECT_TRUE(fs::is_empty(DataDir()));  // no check log
}

TEST_F(CliTest, Products) {
  std::string file = ProjectFile({500.0f, 510.0f});
  CliRun r = Cli({"products", file});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              "0\t500\t8\t0\t1\t1\t0\t0\t0\t0\t0\t0",
                              "1\t510\t8\t0\t1\t2\t0\t0\t0\t0\t0\t0",
                              "2\t490\t0\t1\t1\t1\t0\t2\t0\t0\t0\t1",
                              "3\t520\t0\t2\t1\t1\t0\t2\t0\t0\t0\t1",
                              "binmax\t1",
                          }));

  // Three channels: the three-transmitter products share kilohertz with earlier ones.
  file = ProjectFile({500.0f, 510.0f, 520.0f});
  r = Cli({"products", file, "--im-only"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              "0\t490\t0\t1\t1\t1\t0\t2\t0\t0\t0\t2",
                              "1\t520\t0\t2\t1\t1\t0\t2\t0\t0\t0\t1",
                              "2\t510\t2\t2\t1\t1\t0\t2\t0\t3\t0\t1",
                              "3\t530\t2\t3\t1\t1\t0\t2\t0\t3\t0\t2",
                              "4\t480\t0\t1\t1\t1\t0\t3\t0\t0\t0\t1",
                              "5\t540\t0\t2\t1\t1\t0\t3\t0\t0\t0\t1",
                              "6\t500\t0\t1\t1\t2\t0\t3\t0\t0\t0\t1",
                              "binmax\t2",
                          }));

  // The stored single-precision value with nine significant digits.
  r = Cli({"products", ProjectFile({518.2f})});
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"0\t518.200012\t8\t0\t1\t1\t0\t0\t0\t0\t0\t0", "binmax\t0"}));

  // 2 x 600.003418 - 300.000336 = 900.0065002 is counted on 900007 kHz but stored as 900.00647:
  // the bin column reads the kilohertz the product was counted on.
  r = Cli({"products", ProjectFile({300.000336f, 600.003418f}), "--im-only"});
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"0\t900.00647\t0\t2\t1\t1\t0\t2\t0\t0\t0\t1", "binmax\t1"}));
}

// kova-cli zone: a system into a zone with its name, a relation, the listing; products formed
// per zone; wrong zones, relations and missing outputs are usage errors.
TEST_F(CliTest, Zones) {
  auto p = std::make_shared<CProject>();
  MN_InitProject(app, *p);
  p->GbSecondSystem(true);
  for (float f : {500.0f, 510.0f}) p->GcSystem(0)->GcMics()->GAddMic("A", "Meridian", f, 0, 511, 0, 0);
  for (float f : {505.0f, 515.0f}) p->GcSystem(1)->GcMics()->GAddMic("B", "Meridian", f, 0, 511, 0, 0);
  ASSERT_TRUE(MN_SaveProject(*p, files.Dir(), "p.kova"));
  const std::string zoned = files.File("z.kova"), apart = files.File("a.kova");
  CliRun r = Cli({"zone", files.File("p.kova"), "--system", "1", "--zone", "2", "--name", "Stage B", "--apply", zoned});
  EXPECT_EQ(r.code, 0) << r.err;
  r = Cli({"zone", zoned, "--between", "1", "2", "apart", "--apply", apart});
  EXPECT_EQ(r.code, 0) << r.err;
  r = Cli({"zone", apart});
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"Zone 1: Zone 1", "  System #1 (--system 0): Meridian, 2 channels",
                                                    "Zone 2: Stage B", "  System #2 (--system 1): Meridian, 2 channels",
                                                    "Zones 1 and 2: apart"}));
  // Each zone's two transmitters make their own two products.
  r = Cli({"products", zoned, "--im-only"});
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{
                              "0\t490\t0\t1\t1\t1\t0\t2\t0\t0\t0\t1",
                              "1\t520\t0\t2\t1\t1\t0\t2\t0\t0\t0\t1",
                              "2\t495\t0\t1\t1\t1\t1\t2\t1\t0\t0\t1",
                              "3\t525\t0\t2\t1\t1\t1\t2\t1\t0\t0\t1",
                              "binmax\t1",
                          }));
  const struct {
    std::vector<std::string> args;
    std::string err;
  } bad[] = {
      {{"zone", zoned, "--system", "1", "--zone", "17", "--apply", apart}, "kova-cli: option --zone needs a whole number from 1 to 16"},
      {{"zone", zoned, "--system", "2", "--zone", "1", "--apply", apart}, "kova-cli: option --system must be a system of the project, 0 or 1"},
      {{"zone", zoned, "--between", "1", "1", "near", "--apply", apart}, "kova-cli: option --between needs two different zones"},
      {{"zone", zoned, "--between", "1", "2", "far", "--apply", apart}, "kova-cli: option --between needs together, near or apart"},
      {{"zone", zoned, "--between", "1", "2"}, "kova-cli: option --between needs together, near or apart, not '--data-dir'"},
      {{"zone", zoned, "--system", "1", "--zone", "2"}, "kova-cli: zone needs --apply OUT"},
      {{"picture", zoned, "--out", files.File("x.png"), "--zone", "3"}, "kova-cli: " + TL_ShowName(zoned) + ": the project has no zone 3"},
  };
  for (const auto& b : bad) ExpectFailure(Cli(b.args), b.err, b.args.back());
}

TEST_F(CliTest, CheckWritesTheLogAndAnswersByExitCode) {
  std::string compatible = ProjectFile({518.2f, 530.0f}, "ok.kova");
  std::string log = files.File("ok.log");
  CliRun r = Cli({"check", compatible, "--log", log});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"Channel configuration is compatible. ", log}));
  std::vector<std::string> lines = SplitCrLf(ReadFile(log));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Channel configuration is compatible. ");

  // Without --log the log goes to Checks/ of the data directory.
  r = Cli({"check", compatible});
  EXPECT_EQ(r.code, 0);
  ASSERT_EQ(Lines(r.out).size(), 2u);
  fs::path written = Lines(r.out)[1];
  EXPECT_EQ(written.parent_path().filename(), "Checks");
  EXPECT_TRUE(fs::exists(written));
  EXPECT_EQ(written.filename().string().rfind("Check ", 0), 0u);

  // Channels 0.25 MHz apart break the spacing of 0.4 MHz.
  std::string incompatible = ProjectFile({500.0f, 500.25f}, "bad.kova");
  r = Cli({"check", incompatible, "--log", files.File("bad.log")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"Channel configuration is not compatible. ", files.File("bad.log")}));
  r = Cli({"check", incompatible, "--log", files.File("best.log"), "--best"});
  EXPECT_EQ(r.code, 1);
  // The best compatible subset is appended only with --best.
  EXPECT_GT(ReadFile(files.File("best.log")).size(), ReadFile(files.File("bad.log")).size());

  // A log that cannot be written: exit 2 with one line.
  ExpectFailure(Cli({"check", compatible, "--log", files.File("no/such/dir.log")}), "kova-cli: ", "log");
}

TEST_F(CliTest, DataDirectoryFallsBackToKovaHome) {
  const char* old = std::getenv("KOVA_HOME");
  std::string saved = old ? old : "";
  TempDir home;
  setenv("KOVA_HOME", home.Path().c_str(), 1);
  CliRun r = Cli({"check", ProjectFile({518.2f})}, false);
  if (old) setenv("KOVA_HOME", saved.c_str(), 1);
  else unsetenv("KOVA_HOME");
  EXPECT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(Lines(r.out).size(), 2u);
  EXPECT_EQ(fs::path(Lines(r.out)[1]).parent_path(), home.Path() / "Checks");
}

TEST_F(CliTest, EveryOutputIsReplacedWholeOrNotAtAll) {
  const std::string project = ProjectFile({518.2f});
  const std::vector<std::vector<std::string>> writers = {{"check", project, "--log"},
                                                         {"export", project, "--out"},
                                                         {"generate", project, "--runs", "3", "--report"},
                                                         {"generate", project, "--runs", "3", "--apply"}};
  EXPECT_EQ(AtomicFile::TempPrefix("out.kova"), ".out.kova.kova-tmp-");
  const std::string live = std::to_string(getpid()) + "-abc123";
  for (const std::string& name : {std::string("out.kova"), std::string(240, 'n') + ".kova"}) {
    for (std::vector<std::string> args : writers) {
      SCOPED_TRACE(args[0] + " " + args.back() + " " + std::to_string(name.size()));
      TempDir dir;
      args.push_back(dir.File(name));
      // Only the temporary files of dead writers of this target go: the live one of a writer
      // that still runs, the user's files and those of other targets stay.
      const std::string prefix = AtomicFile::TempPrefix(name);
      std::set<std::string> kept = {name, prefix + live, prefix + "abc123", ".other.txt.kova-tmp-999999999-abc123"};
      if (name.size() < 100) kept.insert({name + ".tmp1", name + ".tmp123456", prefix + "999999999-abc12"});
      WriteFile(dir.File(prefix + "999999999-abc123"), "x");
      for (const auto& file : kept) WriteFile(dir.File(file), "old");
      EXPECT_EQ(Cli(args).code, 0);
      EXPECT_NE(ReadFile(dir.File(name)), "old");
      EXPECT_EQ(Names(dir), kept);

      // On a full disk the old file stays and no temporary file is left; the message names the
      // file and the reason.
      WriteFile(dir.File(name), "old");
      EXPECT_EQ(CliInChild(args, 100), 2);
      EXPECT_EQ(ReadFile(dir.File(name)), "old");
      EXPECT_EQ(Names(dir), kept);
      const std::string said = ReadFile(files.File("child.err"));
      EXPECT_TRUE(said.find(dir.File(name)) != std::string::npos && said.find("file too large") != std::string::npos)
          << said;
    }
  }
}

TEST_F(CliTest, TargetsAreUsedExactlyAsNamed) {
  const std::string project = ProjectFile({518.2f});
  TempDir dir;
  fs::create_directory(dir.Path() / "folder");
  fs::create_directory(dir.Path() / " lead");
  const fs::path cwd = fs::current_path();
  fs::current_path(dir.Path());
  const struct {
    std::vector<std::string> args;
    const char* target;
    bool written;
    const char* line;  // the line naming the file (stdout, else stderr), or the error
  } cases[] = {
      {{"system", "add", project, "--like", "0", "--apply"}, "out.txt", true, "project written to out.txt"},
      {{"generate", project, "--runs", "2", "--apply"}, " lead/x.kova", true, "kova-cli: project written to  lead/x.kova"},
      {{"system", "add", project, "--like", "0", "--apply"}, "new\nline\x1b]0;x", true,
       "project written to new\\nline\\e]0;x"},
      {{"system", "add", project, "--like", "0", "--apply"}, "folder", false, "kova-cli: folder: is a folder"},
      {{"generate", project, "--runs", "2", "--apply"}, "missing/", false, "kova-cli: missing/: is a folder"},
      {{"export", project, "--out"}, "folder/", false, "kova-cli: folder/: is a folder"},
      {{"check", project, "--log"}, "folder", false, "kova-cli: folder: is a folder"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back(c.target);
    SCOPED_TRACE(args[0] + " " + c.target);
    const CliRun r = Cli(args);
    EXPECT_EQ(r.code, c.written ? 0 : 2) << r.err;
    EXPECT_EQ(fs::is_regular_file(c.target), c.written);
    const std::vector<std::string> lines = Lines(r.out + r.err);
    EXPECT_TRUE(std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(c.line, 0) == 0; }) !=
                lines.end())
        << r.out << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
  }
  EXPECT_EQ(Names(dir), (std::set<std::string>{"folder", " lead", "out.txt", "new\nline\x1b]0;x"}));
  fs::current_path(cwd);
}

// Every writing command: never onto what it reads (also through a symbolic or a hard link), a
// report never onto its project, the target rule for spectrum too, and a default log never
// onto another.
TEST_F(CliTest, NoCommandWritesOntoWhatItReads) {
  const std::string p = ProjectFile({518.2f, 530.0f});
  const std::string before = ReadFile(p);
  TempDir dir;
  const std::string link = dir.File("link.kova"), hard = dir.File("hard.kova"), list = dir.File("l.csv"),
                    scan = dir.File("s.csv"), x = dir.File("x.txt");
  fs::create_symlink(p, link);
  fs::create_hard_link(p, hard);
  fs::create_symlink(dir.File("nothing"), dir.File("dangling"));
  WriteFile(list, "MHz\n520.000\n");
  WriteFile(scan, "MHz,dBm\n520.0,-40\n520.5,-95\n521.0,-96\n521.5,-95\n");
  const std::string tv[] = {"--region", "Europe UHF 21-48", "--channels", "23"};
  const std::string read = " is the project being read";
  const struct {
    std::vector<std::string> args;
    std::string err;  // the start of the one line on stderr; empty: written
  } cases[] = {
      {{"export", p, "--out", p}, p + read},
      {{"export", p, "--csv", "--out", link}, link + read},
      {{"print", p, "--out", hard, "--format", "pdf"}, hard + read},
      {{"print", p, "--out", p}, p + read},
      {{"check", p, "--log", link}, link + read},
      {{"generate", p, "--runs", "1", "--report", hard}, hard + read},
      {{"generate", p, "--runs", "1", "--apply", p}, p + read},
      {{"generate", p, "--runs", "1", "--report", x, "--apply", x}, "--apply and --report name the same file " + x},
      {{"generate", p, "--runs", "1", "--apply", ""}, "option --apply needs the name of a file to write"},
      {{"picture", p, "--out", link}, link + read},
      {{"system", "add", p, "--like", "0", "--apply", hard}, hard + read},
      {{"system", "remove", link, "0", "--apply", p}, p + read},
      {{"import", p, list, "--apply", link}, link + read},
      {{"import", p, list, "--apply", list}, list + " is the frequency list being read"},
      {{"scan", p, scan, "--apply", p}, p + read},
      {{"scan", p, scan, "--apply", scan}, scan + " is the scan being read"},
      {{"zone", p, "--zone", "2", "--name", "B", "--apply", hard}, hard + read},
      {{"spectrum", p, tv[0], tv[1], tv[2], tv[3], "--apply", link}, link + read},
      {{"spectrum", p, tv[0], tv[1], tv[2], tv[3], "--apply", dir.Dir()}, dir.Dir() + ": is a folder"},
      {{"spectrum", p, tv[0], tv[1], tv[2], tv[3], "--system", "+0", "--apply", dir.File("dangling")},
       dir.File("dangling") + ": is a link to a file that does not exist"},
      {{"spectrum", p, tv[0], tv[1], tv[2], tv[3], "--apply", x}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    const CliRun r = Cli(c.args);
    if (c.err.empty()) {
      EXPECT_EQ(r.code, 0) << r.err;
      EXPECT_EQ(Lines(r.out).back(), "project written to " + x);
      EXPECT_EQ(ReadFile(x).substr(0, 6), "KOVA11");
    } else {
      ExpectFailure(r, "kova-cli: " + c.err, r.err);
    }
    EXPECT_EQ(ReadFile(p), before);
  }
  EXPECT_EQ(Names(dir), (std::set<std::string>{"link.kova", "hard.kova", "dangling", "l.csv", "s.csv", "x.txt"}));

  // A log of the same second is there already: the default log gets a new name beside it.
  const fs::path checks = fs::path(DataDir()) / "Checks";
  fs::create_directories(checks);
  DefaultPort clock;
  const fs::path same = checks / MN_CheckLogName(clock.shortDate(), clock.shortTime());
  WriteFile(same.string(), "mine");
  const CliRun r = Cli({"check", p});
  ASSERT_FALSE(Lines(r.out).empty()) << r.err;
  EXPECT_EQ(ReadFile(same.string()), "mine");
  EXPECT_EQ(std::distance(fs::directory_iterator(checks), fs::directory_iterator()), 2);
  EXPECT_NE(Lines(r.out).back(), same.string());
}

TEST_F(CliTest, SpecialTargetsFailAtOnce) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  const CliRun r = Cli({"export", ProjectFile({518.2f}), "--out", dir.File("fifo")});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "kova-cli: " + dir.File("fifo") + ": cannot be written (a pipe that nobody reads)\n");
}

TEST_F(CliTest, GenerateWritesTheProjectBeforeTheReport) {
  TempDir dir;
  const CliRun r = Cli({"generate", ProjectFile({}), "--runs", "2", "--apply", dir.File("a.kova"), "--report",
                        dir.File("no/r.txt")});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(Names(dir), std::set<std::string>{"a.kova"});
}

TEST_F(CliTest, OneOptionGrammarForEveryCommand) {
  app.project = std::make_shared<CProject>();
  MN_InitProject(app, *app.project);
  for (int i = 0; i < 3; ++i) MN_AddSystemLike(app, 0);
  ASSERT_TRUE(MN_SaveProject(*app.project, files.Dir(), "four.kova"));
  const std::string four = files.File("four.kova"), one = ProjectFile({518.2f});
  const struct {
    std::vector<std::string> args;
    int code;
    const char* err;
  } cases[] = {
      {{"candidates", four, "--system", "+1"}, 0, ""},
      {{"picture", four, "--out", files.File("p.png"), "--system", "+3", "--width", "+16"}, 0, ""},
      {{"candidates", four, "--system", "4"}, 2, "option --system must be a system of the project, 0 to 3, not '4'"},
      {{"scan", four, "s.csv", "--system", "-1"}, 2, "option --system must be a system of the project, 0 to 3"},
      {{"picture", one, "--out", "x.png", "--system", "1"}, 2, "option --system must be a system of the project, 0 (its only"},
      {{"system", "remove", four, "-1", "--apply", "x.kova"}, 2, "system must be a system of the project, 0 to 3, not '-1'"},
      {{"generate", one, "--runs", "1", "--runs", "2"}, 2, "option --runs is given more than once"},
      {{"check", one, "--best", "--best"}, 2, "option --best is given more than once"},
      {{"export", one, "--data-dir", "a", "--out", "b"}, 2, "option --data-dir is given more than once"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    const CliRun r = Cli(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.err.rfind("kova-cli: " + std::string(c.err), 0), c.code ? 0u : std::string::npos) << r.err;
  }
}

TEST_F(CliTest, InterruptedGenerateReportsWhatItFoundAndExits130) {
  TempDir dir;
  auto interrupt = [](pid_t pid) {
    // Once the search catches SIGINT (bit 2 of the caught-signals mask) and has run a while; the
    // bound only keeps a child that died early from hanging the test.
    bool caught = false;
    for (int i = 0; !caught && i < 60000; ++i, usleep(10000)) {
      std::ifstream status("/proc/" + std::to_string(pid) + "/status");
      for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0) caught = (std::stoull(line.substr(7), nullptr, 16) & 2) != 0;
    }
    usleep(1000000);
    kill(pid, SIGINT);
  };
  // A million runs: only the interrupt ends this search in the lifetime of the test.
  EXPECT_EQ(CliInChild({"generate", ProjectFile({}), "--runs", "1000000", "--report", dir.File("r.txt"), "--apply",
                        dir.File("a.kova")},
                       RLIM_INFINITY, interrupt),
            130);
  EXPECT_EQ(ReadFile(dir.File("r.txt")).rfind("------------------ System Proposal #1 ---", 0), 0u);
  bool loaded = false;
  EXPECT_EQ(MN_LoadProject(app, dir.Dir(), "a.kova", &loaded), 0);
  EXPECT_TRUE(loaded);
  EXPECT_EQ(Names(dir), (std::set<std::string>{"a.kova", "r.txt"}));
}

TEST_F(CliTest, InterruptedPrintKeepsTheOldDocumentAndLeavesNothing) {
  // Enough channels that the print runs for a good while after its temporary folder appears.
  auto project = std::make_shared<CProject>();
  MN_InitProject(app, *project);
  for (int i = 0; i < 2000; ++i)
    project->GcSystem(0)->GcMics()->GAddMic("Mic" + std::to_string(i), "Meridian", 470.0f + 0.25f * static_cast<float>(i),
                                            0, 511, 0, 0);
  ASSERT_TRUE(MN_SaveProject(*project, files.Dir(), "big.kova"));
  TempDir out, tmp;
  WriteFile(out.File("plan.rtf"), "old");
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("TMPDIR", tmp.Path().c_str(), 1);
    std::vector<std::string> args = {"kova-cli", "print", files.File("big.kova"), "--out", out.File("plan.rtf"),
                                     "--data-dir", DataDir()};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    _exit(CLI_Main(static_cast<int>(argv.size()), argv.data()));
  }
  // Once the print's picture folder is there (the bound only keeps a child that died early from
  // hanging the test).
  auto folders = [&tmp] {
    std::set<std::string> names = Names(tmp);
    return std::count_if(names.begin(), names.end(), [](const std::string& n) { return n.rfind("kova-print-", 0) == 0; });
  };
  for (int i = 0; i < 60000 && folders() == 0; ++i) usleep(10000);
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
  EXPECT_EQ(ReadFile(out.File("plan.rtf")), "old");
  EXPECT_EQ(Names(out), std::set<std::string>{"plan.rtf"});
  EXPECT_EQ(folders(), 0);
}

}  // namespace
}  // namespace kova
