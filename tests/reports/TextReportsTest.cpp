#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "persistence/AppState.h"
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
  Fixture() {
    app.appDir = dir.Dir();
    MN_InstallDefaultSystems(app);
    MN_NewProject(app);
  }
  ProjectRef Project(std::initializer_list<float> freqs) {
    auto p = std::make_shared<CProject>();
    MN_InitProject(app, *p);
    int n = 0;
    for (float f : freqs) p->GcSystem(0)->GcMics()->GAddMic("Mic" + std::to_string(++n), "Meridian", f, 0, 0, 0, 0);
    return p;
  }
};

const char* const kHeading1 = "------------------ System Proposal #1 ---------------------------------------";
const char* const kHeading2 = "------------------ System Proposal #2 ---------------------------------------";

}  // namespace

TEST(TextReports, ReportNumbersEveryProposal) {
  Fixture f;
  CReportInstance report;
  report.GxAddItem(f.Project({518.2f, 530.0f}));
  report.GxAddItem(f.Project({640.025f}));
  StringSink sink;
  MN_WriteReport(sink, report);
  EXPECT_EQ(SplitCrLf(sink.Text()),
            (std::vector<std::string>{kHeading1, "Compatible Channels: 2", "", "System: Meridian", "",
                                      "Channel configuration: 2", " 518.200 MHz Mic1", " 530.000 MHz Mic2", "",
                                      kHeading2, "Compatible Channels: 1", "", "System: Meridian", "",
                                      "Channel configuration: 1", " 640.025 MHz Mic1", ""}));
}

TEST(TextReports, ExportReportWritesTheChosenFileAndOpensIt) {
  Fixture f;
  CReportInstance report;
  report.GxAddItem(f.Project({518.2f}));
  report.GxAddItem(f.Project({530.0f}));
  const std::string path = f.dir.File("sub/../list.txt");
  std::filesystem::create_directory(f.dir.Path() / "sub");
  f.port.fileAnswers.push_back(path);
  ASSERT_TRUE(MN_ExportReport(f.app, report));

  ASSERT_EQ(f.port.fileDialogs.size(), 1u);
  const FileDialogRequest& d = f.port.fileDialogs[0];
  EXPECT_TRUE(d.save);
  EXPECT_EQ(d.title, "Save Report As");
  EXPECT_EQ(d.filter.rfind("Text File (*.txt)|*.txt", 0), 0u);
  EXPECT_EQ(d.initialPath, f.dir.Dir() + "Report1.txt");

  StringSink expected;
  MN_WriteReport(expected, report);
  EXPECT_EQ(ReadFile(path), expected.Text());
  EXPECT_EQ(f.app.projectDir, f.dir.Dir() + "sub/../");
  EXPECT_EQ(f.app.projectFile, "");  // the project's file name is not changed
  ASSERT_EQ(f.port.openedFiles.size(), 1u);
  EXPECT_EQ(f.port.openedFiles[0].find(path), 0u);
  EXPECT_TRUE(f.port.messages.empty());
}

TEST(TextReports, ExportProjectCarriesTheHeadingOfProposalOne) {
  Fixture f;
  f.app.projectDir = f.dir.Dir();
  f.app.projectFile = "show.kova";
  f.port.fileAnswers.push_back(f.dir.File("show.txt"));
  ProjectRef p = f.Project({518.2f});
  ASSERT_TRUE(MN_ExportProject(f.app, *p));
  ASSERT_EQ(f.port.fileDialogs.size(), 1u);
  EXPECT_EQ(f.port.fileDialogs[0].title, "Save Projects As");
  EXPECT_EQ(f.port.fileDialogs[0].initialPath, f.dir.Dir() + "show.kova");
  const std::vector<std::string> lines = SplitCrLf(ReadFile(f.dir.File("show.txt")));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], kHeading1);
  EXPECT_EQ(lines[1], "Compatible Channels: 1");
}

TEST(TextReports, EmptyReportGivesAnEmptyFile) {
  Fixture f;
  CReportInstance report;
  f.port.fileAnswers.push_back(f.dir.File("empty.txt"));
  WriteFile(f.dir.File("empty.txt"), "old content");
  ASSERT_TRUE(MN_ExportReport(f.app, report));
  EXPECT_EQ(ReadFile(f.dir.File("empty.txt")), "");
  EXPECT_EQ(f.port.openedFiles.size(), 1u);
}

TEST(TextReports, CancelOrAnUnwritableFileAbandonTheCommand) {
  {
    Fixture f;
    CReportInstance report;
    report.GxAddItem(f.Project({518.2f}));
    f.port.fileAnswers.push_back(std::nullopt);
    EXPECT_FALSE(MN_ExportReport(f.app, report));
    EXPECT_TRUE(f.port.openedFiles.empty());
    EXPECT_TRUE(f.port.messages.empty());
    EXPECT_EQ(f.app.projectDir, "");
  }
  {
    Fixture f;
    CReportInstance report;
    report.GxAddItem(f.Project({518.2f}));
    f.port.fileAnswers.push_back(f.dir.File("missing/report.txt"));
    EXPECT_FALSE(MN_ExportReport(f.app, report));
    EXPECT_TRUE(f.port.openedFiles.empty());
    EXPECT_EQ(f.port.messageTexts(),
              std::vector<std::string>{"An Error Occured During MN_ExportReport: 75 Path/File access error"});
  }
  {
    Fixture f;
    f.port.fileAnswers.push_back(f.dir.File("missing/project.txt"));
    EXPECT_FALSE(MN_ExportProject(f.app, *f.Project({518.2f})));
    ASSERT_EQ(f.port.messages.size(), 1u);
    EXPECT_EQ(f.port.messages[0].text.rfind("An Error Occured During MN_ExportProject: ", 0), 0u);
  }
}
