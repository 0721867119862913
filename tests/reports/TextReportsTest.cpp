#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/TextExport.h"
#include "reports/TextReports.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"
#include "tools/TextFile.h"

using namespace kova;
using namespace kova::test;

namespace {

struct Fixture {
  TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
  CReportInstance report;
  Fixture() {
    app.appDir = dir.Dir();
    MN_InstallDefaultSystems(app);
    MN_NewProject(app);
  }
  ProjectRef Add(std::initializer_list<float> freqs) {
    auto p = std::make_shared<CProject>();
    MN_InitProject(app, *p);
    int n = 0;
    for (float f : freqs) p->GcSystem(0)->GcMics()->GAddMic("Mic" + std::to_string(++n), "Meridian", f, 0, 0, 0, 0);
    report.GxAddItem(p);
    return p;
  }
};

std::string Heading(int n) {
  return "------------------ System Proposal #" + std::to_string(n) + " ---------------------------------------";
}

}  // namespace

TEST(TextReports, ExportReportNumbersEveryProposalAndOpensTheFile) {
  Fixture f;
  f.Add({518.2f, 530.0f});
  f.Add({640.025f});
  std::filesystem::create_directory(f.dir.Path() / "sub");
  const std::string path = f.dir.File("sub/list.txt");
  f.port.fileAnswers.push_back(path);
  ASSERT_TRUE(MN_ExportReport(f.app, f.report));

  ASSERT_EQ(f.port.fileDialogs.size(), 1u);
  const FileDialogRequest& d = f.port.fileDialogs[0];
  EXPECT_TRUE(d.save);
  EXPECT_EQ(d.title, "Save Report As");
  EXPECT_EQ(d.filter.rfind("Text File (*.txt)|*.txt", 0), 0u);
  EXPECT_EQ(d.initialPath, f.dir.Dir() + "Report1.txt");
  EXPECT_EQ(SplitCrLf(ReadFile(path)),
            (std::vector<std::string>{Heading(1), "Compatible Channels: 2", "", "System: Meridian", "",
                                      "Channel configuration: 2", " 518.200 MHz Mic1", " 530.000 MHz Mic2", "",
                                      Heading(2), "Compatible Channels: 1", "", "System: Meridian", "",
                                      "Channel configuration: 1", " 640.025 MHz Mic1", ""}));
  EXPECT_EQ(f.app.projectDir, f.dir.Dir() + "sub/");  // the chosen directory is remembered
  EXPECT_EQ(f.app.projectFile, "");
  EXPECT_EQ(f.port.openedFiles, std::vector<std::string>{path});
  EXPECT_TRUE(f.port.messages.empty());
}

TEST(TextReports, ProjectExportHasHeadingOneAndAnEmptyReportAnEmptyFile) {
  Fixture f;
  f.app.projectDir = f.dir.Dir();
  f.app.projectFile = "show.kova";
  f.app.projectPath = f.dir.File("show.kova");
  f.port.fileAnswers.push_back(f.dir.File("show.txt"));
  ASSERT_TRUE(MN_ExportProject(f.app, *f.Add({518.2f})));
  EXPECT_EQ(f.port.fileDialogs[0].title, "Save Projects As");
  EXPECT_EQ(f.port.fileDialogs[0].initialPath, f.dir.Dir() + "show.txt");
  EXPECT_EQ(SplitCrLf(ReadFile(f.dir.File("show.txt")))[0], Heading(1));

  CReportInstance empty;
  WriteFile(f.dir.File("empty.txt"), "old content");
  f.port.fileAnswers.push_back(f.dir.File("empty.txt"));
  f.port.answers = {kYes};  // replace it
  ASSERT_TRUE(MN_ExportReport(f.app, empty));
  EXPECT_EQ(ReadFile(f.dir.File("empty.txt")), "");
  EXPECT_EQ(f.port.openedFiles.size(), 2u);
}

TEST(TextReports, CancelOrAnUnwritableFileAbandonTheCommand) {
  Fixture f;
  f.Add({518.2f});
  f.port.fileAnswers.push_back(std::nullopt);
  EXPECT_FALSE(MN_ExportReport(f.app, f.report));
  EXPECT_TRUE(f.port.messages.empty());
  EXPECT_EQ(f.app.projectDir, "");

  f.port.fileAnswers.push_back(f.dir.File("missing/report.txt"));
  EXPECT_FALSE(MN_ExportReport(f.app, f.report));
  f.port.fileAnswers.push_back(f.dir.File("missing/project.txt"));
  EXPECT_FALSE(MN_ExportProject(f.app, *f.report.GxGetProject(1)));
  EXPECT_EQ(f.port.messageTexts(),
            (std::vector<std::string>{"An Error Occured During MN_ExportReport: 75 Path/File access error\n" +
                                          f.dir.File("missing/report.txt") + ": no such folder",
                                      "An Error Occured During MN_ExportProject: 75 Path/File access error\n" +
                                          f.dir.File("missing/project.txt") + ": no such folder"}));
  EXPECT_TRUE(f.port.openedFiles.empty());
}
