#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Cli.h"
#include "app/CliSupport.h"
#include "app/PersistenceTestSupport.h"
#include "app/PrintDocument.h"
#include "app/Storage.h"
#include "support/RtfScan.h"
#include "support/TestPng.h"
#include "support/TestSupport.h"
#include <unistd.h>
#include "tools/ScriptedPort.h"

namespace kova {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A display stand-in: records which system was current for each picture and writes a PNG.
struct FakeDisplay {
  CProject* project = nullptr;
  std::vector<int32_t> drawn, current;
  std::vector<std::string> files;
  int failAt = -1;  // system whose picture fails (after a partial file was written)
  bool limits = true;
  int restores = 0;

  SpectrumPictureProvider Provider() {
    SpectrumPictureProvider p;
    p.askForLimits = [this] { return limits; };
    p.draw = [this](int32_t s, const std::string& path) {
      drawn.push_back(s);
      current.push_back(project ? project->GlCurr() : -1);
      files.push_back(path);
      if (s == failAt) {
        WriteFile(path, "partial");
        return false;
      }
      WriteFile(path, test::MakePng(60 + 20 * static_cast<uint32_t>(s), 30, 0x3366cc));
      return true;
    };
    p.restore = [this] { ++restores; };
    return p;
  }
};

class PrintDocumentTest : public ::testing::Test {
 protected:
  TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
  FakeDisplay display;

  void SetUp() override {
    test::InitApp(app, dir.Dir());
    app.project = test::SampleProject(app, true);
    app.project->GlCurr(1);
    display.project = app.project.get();
    fs::create_directory(dir.Path() / "out");
    fs::create_directory(dir.Path() / "tmp");
    if (const char* tmp = std::getenv("TMPDIR")) savedTmp = tmp;
    setenv("TMPDIR", (dir.Path() / "tmp").c_str(), 1);
  }
  void TearDown() override {
    if (savedTmp) setenv("TMPDIR", savedTmp->c_str(), 1);
    else unsetenv("TMPDIR");
  }
  // What the temporary folder holds.
  // Our own temporary folders only: Qt may put its runtime folder under TMPDIR too.
  size_t TempPictures() const {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir.Path() / "tmp")) n += e.path().filename().string().rfind("kova-", 0) == 0;
    return n;
  }
  std::optional<std::string> savedTmp;
};

TEST_F(PrintDocumentTest, CreatePrintVersionWritesOpensAndCleansUp) {
  app.projectDir = dir.Dir() + "out/";
  app.projectFile = "show.kova";
  app.projectPath = app.projectDir + app.projectFile;
  port.fileAnswers.push_back(dir.Dir() + "out/plan.doc");
  ASSERT_TRUE(MN_CreatePrintVersion(app, display.Provider()));

  ASSERT_EQ(port.fileDialogs.size(), 1u);
  EXPECT_TRUE(port.fileDialogs[0].save);
  EXPECT_EQ(port.fileDialogs[0].title, "Create RTF File");
  EXPECT_EQ(port.fileDialogs[0].filter.rfind("Rich Text Format (*.rtf)|*.rtf", 0), 0u);
  EXPECT_EQ(port.fileDialogs[0].initialPath, dir.Dir() + "out/show");

  const std::string path = dir.Dir() + "out/plan.rtf";
  EXPECT_FALSE(fs::exists(dir.Dir() + "out/plan.doc"));
  const test::RtfScan s = test::ScanRtf(ReadFile(path));
  EXPECT_TRUE(s.balanced);
  EXPECT_EQ(s.Count("pngblip"), 2);
  EXPECT_EQ(s.Count("trowd"), 3 + 6 + 4 + 6 + 2);  // the summary's systems, then each system's tables
  EXPECT_NE(s.text.find("KOVA " KOVA_VERSION ".\nRTF Document, created 2026-12-06 08:45:04\n"), std::string::npos);
  EXPECT_EQ(port.openedFiles, std::vector<std::string>{path});
  EXPECT_TRUE(port.messages.empty());

  // Each picture was drawn with its system current; the current system is back afterwards.
  EXPECT_EQ(display.drawn, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(display.current, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(app.project->GlCurr(), 1);
  EXPECT_EQ(display.restores, 1);
  // Temporary pictures in a private folder of the temporary folder, removed again.
  ASSERT_EQ(display.files.size(), 2u);
  EXPECT_EQ(display.files[1].rfind(dir.Dir() + "tmp/kova-print-" + std::to_string(getpid()) + "-", 0), 0u);
  EXPECT_EQ(TempPictures(), 0u);
  // The project keeps its file.
  EXPECT_EQ(app.projectDir, dir.Dir() + "out/");
  EXPECT_EQ(app.projectFile, "show.kova");
}

TEST_F(PrintDocumentTest, DialogRulesWithoutAProjectFileAndOnCancel) {
  port.fileAnswers.push_back(std::nullopt);
  EXPECT_FALSE(MN_CreatePrintVersion(app, display.Provider()));
  EXPECT_EQ(port.fileDialogs.at(0).initialPath, dir.Dir() + "*.rtf");
  EXPECT_TRUE(display.drawn.empty());

  const struct {
    const char* chosen;
    const char* written;
  } names[] = {{"plan", "plan.rtf"}, {"plan.doc", "plan.rtf"}, {"plan.v2.txt", "plan.v2.rtf"}, {"x.rtf", "x.rtf"}};
  port.answers = {kYes};  // plan.rtf exists the second time: replace it
  for (const auto& n : names) {
    port.fileAnswers.push_back(dir.Dir() + "out/" + n.chosen);
    EXPECT_TRUE(MN_CreatePrintVersion(app, display.Provider())) << n.chosen;
    EXPECT_TRUE(fs::exists(dir.Dir() + "out/" + n.written)) << n.chosen;
    EXPECT_EQ(port.openedFiles.back(), dir.Dir() + "out/" + n.written);
  }
  EXPECT_TRUE(app.projectDir.empty());
}

TEST_F(PrintDocumentTest, FailuresAreReportedAndLeaveNothingBehind) {
  const struct {
    const char* what;
    int failAt;
    bool emptyProvider;
    const char* target;
    const char* reason;  // the second line of the message: the file and the system's reason
  } cases[] = {
      {"no spectrum drawing", -1, true, "out/a.rtf", ""},
      {"second picture fails", 1, false, "out/b.rtf", ""},
      {"unwritable document", -1, false, "missing/c.rtf", ": no such folder"},
  };
  for (const auto& c : cases) {
    port.messages.clear();
    port.openedFiles.clear();
    display.failAt = c.failAt;
    const size_t slash = std::string(c.target).find('/');
    EXPECT_FALSE(MN_CreateRtfDocument(*app.project, dir.Dir() + std::string(c.target).substr(0, slash + 1),
                                      std::string(c.target).substr(slash + 1),
                                      c.emptyProvider ? SpectrumPictureProvider{} : display.Provider()))
        << c.what;
    const std::string second = *c.reason ? "\n" + dir.File(c.target) + c.reason : "";
    EXPECT_EQ(port.messageTexts(), std::vector<std::string>{"Could not create RTF!" + second}) << c.what;
    EXPECT_EQ(port.messages.at(0).title, "KOVA");
    EXPECT_TRUE(port.openedFiles.empty()) << c.what;
    EXPECT_FALSE(fs::exists(dir.File(c.target))) << c.what;
    EXPECT_EQ(TempPictures(), 0u) << c.what;
    EXPECT_EQ(app.project->GlCurr(), 1) << c.what;
  }
  EXPECT_TRUE(fs::is_empty(dir.Path() / "out"));
}

TEST_F(PrintDocumentTest, DeclinedLimitsStopSilently) {
  display.limits = false;
  EXPECT_FALSE(MN_CreateRtfDocument(*app.project, dir.Dir() + "out/", "a.rtf", display.Provider()));
  EXPECT_TRUE(port.messages.empty());
  EXPECT_TRUE(display.drawn.empty());
  EXPECT_TRUE(fs::is_empty(dir.Path() / "out"));
}

TEST_F(PrintDocumentTest, CleanUpFailureIsReportedOnItsOwn) {
  SpectrumPictureProvider p = display.Provider();
  p.restore = [] { throw std::runtime_error("display gone"); };
  EXPECT_TRUE(MN_CreateRtfDocument(*app.project, dir.Dir() + "out/", "a.rtf", p));
  EXPECT_EQ(port.messageTexts(), std::vector<std::string>{"Could not clean up after RTF creation!"});
  EXPECT_TRUE(fs::exists(dir.File("out/a.rtf")));
}

// kova-cli print with the fake display's pictures.
class CliPrintTest : public PrintDocumentTest {
 protected:
  struct Result {
    int code;
    std::string out, err;
  };
  Result Print(std::vector<std::string> args, bool withPictures = true) {
    args.insert(args.begin(), "print");
    args.push_back("--data-dir");
    args.push_back(dir.Dir() + "data");
    std::ostringstream out, err;
    int code = 0;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (withPictures)
      code = CLI_Print(rest, out, err, [this](AppState&) { return display.Provider(); });
    else
      code = CLI_Print(rest, out, err, [](AppState&) { return SpectrumPictureProvider{}; });
    return {code, out.str(), err.str()};
  }
  std::string ProjectFile() {
    EXPECT_TRUE(MN_SaveProject(*app.project, dir.Dir(), "show.kova"));
    return dir.File("show.kova");
  }
};

TEST_F(CliPrintTest, WritesTheDocumentUnderTheNameGiven) {
  fs::create_directory(dir.Path() / "data");
  // A killed run's folder goes; a live run's, other folders and files stay.
  const std::string live = "kova-print-" + std::to_string(getpid()) + "-abcdef";
  for (const std::string d : {"kova-print-999999999-abcdef", live.c_str(), "kova-print-x"}) {
    fs::create_directory(dir.Path() / "tmp" / d);
    WriteFile((dir.Path() / "tmp" / d / "system1.png").string(), "png");
  }
  Result r = Print({ProjectFile(), "--out", dir.File("out/plan.doc")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(TempPictures(), 2u);
  EXPECT_FALSE(fs::exists(dir.Path() / "tmp" / "kova-print-999999999-abcdef"));
  const test::RtfScan s = test::ScanRtf(ReadFile(dir.File("out/plan.doc")));
  EXPECT_TRUE(s.balanced);
  EXPECT_EQ(s.Count("pngblip"), 2);
  EXPECT_NE(s.text.find("System #2: Osprey Series"), std::string::npos);
  // Only the document is left in the output directory; the data directory stays empty.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "out"), {}), 1);
  EXPECT_TRUE(fs::is_empty(dir.Path() / "data"));
}

TEST_F(CliPrintTest, FailuresExitWith2AndOneLine) {
  const std::string project = ProjectFile();
  WriteFile(dir.File("out/keep.rtf"), "old");
  const struct {
    const char* what;
    std::vector<std::string> args;
    int failAt;
    bool withPictures;
  } cases[] = {
      {"no --out", {project}, -1, true},
      {"unreadable project", {dir.File("missing.kova"), "--out", dir.File("out/x.rtf")}, -1, true},
      {"unwritable output", {project, "--out", dir.File("nodir/x.rtf")}, -1, true},
      {"picture fails", {project, "--out", dir.File("out/keep.rtf")}, 0, true},
      {"no spectrum drawing", {project, "--out", dir.File("out/keep.rtf")}, -1, false},
      {"unwritable PDF", {project, "--out", dir.File("nodir/x.pdf")}, -1, true},
      {"--format against the name", {project, "--out", dir.File("out/x.rtf"), "--format", "pdf"}, -1, true},
      {"unknown paper", {project, "--out", dir.File("out/x.pdf"), "--page", "a3"}, -1, true},
      {"light pictures in an RTF", {project, "--out", dir.File("out/x.rtf"), "--theme", "light"}, -1, true},
      {"--sort without --sheet", {project, "--out", dir.File("out/x.pdf"), "--sort", "system"}, -1, true},
  };
  for (const auto& c : cases) {
    display.failAt = c.failAt;
    Result r = Print(c.args, c.withPictures);
    EXPECT_EQ(r.code, 2) << c.what;
    EXPECT_EQ(r.err.rfind("kova-cli: ", 0), 0u) << c.what << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ": " << r.err;
  }
  // The old document is untouched and no temporary picture is left.
  EXPECT_EQ(ReadFile(dir.File("out/keep.rtf")), "old");
  EXPECT_EQ(TempPictures(), 0u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "out"), {}), 1);
  EXPECT_FALSE(fs::exists(dir.Path() / "nodir"));
}

}  // namespace
}  // namespace kova
