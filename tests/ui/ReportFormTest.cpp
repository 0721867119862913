#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

#include "app/AppState.h"
#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "reports/TextReports.h"
#include "support/TestSupport.h"
#include "ui/Container_Form.h"
#include "ui/DesktopShell.h"
#include "ui/Report_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;

namespace {

std::vector<float> Freqs(const CSystemInstance& system) {
  std::vector<float> out;
  for (int32_t i = 1; i <= system.GcMics()->GCount(); ++i) out.push_back(system.GcMics()->GcItem(i)->GfGetFreq());
  return out;
}

struct ReportFormFixture : ::testing::Test {
  test::TempDir dir;
  AppState app;
  test::TestQtPort port;
  PortScope scope{port};
  std::vector<int> refreshes;

  void SetUp() override {
    test::InitApp(app, dir.Dir());
    port.refreshViewsHook = [this](int mode) { refreshes.push_back(mode); };
  }

  // A proposal with `n0` channels in system 0 (from 500 MHz in 1 MHz steps) and, when n1 >= 0,
  // a second system with n1 channels (from 600 MHz).
  ProjectRef Proposal(int n0, int n1 = -1) {
    auto p = std::make_shared<CProject>();
    MN_InitProject(app, *p);
    for (int i = 0; i < n0; ++i)
      p->GcSystem(0)->GcMics()->GAddMic(std::to_string(i + 1), "T", 500.0f + static_cast<float>(i), 0, 0, 0, 0);
    if (n1 >= 0) {
      p->GbSecondSystem(true);
      for (int i = 0; i < n1; ++i)
        p->GcSystem(1)->GcMics()->GAddMic("B" + std::to_string(i + 1), "T", 600.5f + static_cast<float>(i), 0, 0, 0, 0);
    }
    return p;
  }
  // Appends a list with the given proposals to the collection; returns its number.
  int32_t AddList(std::vector<ProjectRef> proposals) {
    auto report = std::make_shared<CReportInstance>();
    report->GDefine();
    for (auto& p : proposals) report->GxAddItem(p);
    return app.proposals->GxAddItem(report);
  }
};

QStringList Lines(QWidget* form, const char* list) {
  QStringList out;
  auto* l = Child<QListWidget>(form, list);
  for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
  return out;
}

void ClickLine(QWidget* form, const char* list, int line) {
  auto* l = Child<QListWidget>(form, list);
  QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(line - 1)).center());
}

void Click(QWidget* form, const char* button) { QTest::mouseClick(Child<QPushButton>(form, button), Qt::LeftButton); }

}  // namespace

TEST_F(ReportFormFixture, ControlsCaptionsAndStyle) {
  Report_Form form(app);
  EXPECT_EQ(form.windowTitle(), "Possible Channel Setups");
  const struct {
    const char* name;
    const char* caption;
  } buttons[] = {{"Use_Cbt", "Use"}, {"Save_Cbt", "Save"}, {"Export_Cbt", "Export"}, {"Close_Cbt", "Discard"}};
  for (const auto& b : buttons) EXPECT_EQ(Child<QPushButton>(&form, b.name)->text(), b.caption) << b.name;
  QStringList frames;
  for (QGroupBox* g : form.findChildren<QGroupBox*>()) frames << g->title();
  EXPECT_EQ(frames, QStringList({"Results", "Compatible Channels"}));
  EXPECT_EQ(form.palette().color(QPalette::Window).name(), "#bacee4");
  // The lists keep their white background.
  auto* all = Child<QListWidget>(&form, "ReportAll_Lbx");
  EXPECT_EQ(all->palette().color(all->viewport()->backgroundRole()).name(), "#ffffff");
}

TEST_F(ReportFormFixture, DualSystemListShowsBothCountsAndBothChannelLists) {
  const int32_t first = AddList({Proposal(1)});
  const int32_t number = AddList({Proposal(5, 7), Proposal(3, 4), Proposal(0, 2)});
  ASSERT_EQ(first, 1);
  Report_Form form(app);
  form.show();
  form.GShowReport(number);
  EXPECT_EQ(form.ListNumber(), 2);
  EXPECT_EQ(Lines(&form, "ReportAll_Lbx"), QStringList({"Compatible Channels: 12(5/7)", "Compatible Channels: 7(3/4)",
                                                        "Compatible Channels: 2(0/2)"}));
  // The first proposal is selected at once.
  EXPECT_EQ(form.SelectedProposal(), 1);
  EXPECT_EQ(Child<QListWidget>(&form, "ReportAll_Lbx")->currentRow(), 0);
  EXPECT_EQ(Lines(&form, "ReportOne_Lbx"), QStringList({" 500.000 MHz 1", " 501.000 MHz 2", " 502.000 MHz 3",
                                                        " 503.000 MHz 4", " 504.000 MHz 5"}));
  EXPECT_EQ(Lines(&form, "ReportTwo_Lbx").size(), 7);
  EXPECT_EQ(Lines(&form, "ReportTwo_Lbx").first(), " 600.500 MHz B1");
  EXPECT_TRUE(Child<QListWidget>(&form, "ReportTwo_Lbx")->isEnabled());
  test::SaveShot(&form, "Report_Form");

  ClickLine(&form, "ReportAll_Lbx", 3);
  EXPECT_EQ(form.SelectedProposal(), 3);
  EXPECT_TRUE(Lines(&form, "ReportOne_Lbx").isEmpty());
  EXPECT_EQ(Lines(&form, "ReportTwo_Lbx"), QStringList({" 600.500 MHz B1", " 601.500 MHz B2"}));
  // Showing the channels leaves the proposal's current system alone.
  EXPECT_EQ(app.proposals->GxGetItem(number)->GxGetProject(3)->GlCurr(), 0);
}

TEST_F(ReportFormFixture, MarginsStandBesideTheLinesAndSortThem) {
  // The first built-in type: spacing 0.4 and 2Tx IM(3) 0.1 MHz. Channels 1 MHz apart: three put
  // a product on a channel (-100 kHz), two keep 1000 - 400 kHz, one has nothing to keep clear of.
  const int32_t number = AddList({Proposal(3), Proposal(2), Proposal(1)});
  Report_Form form(app);
  form.show();
  form.GShowReport(number);
  auto* all = Child<QListWidget>(&form, "ReportAll_Lbx");
  auto shown = [&] {
    QStringList out;
    for (int i = 0; i < all->count(); ++i)
      out << all->item(i)->text() + " | " + all->item(i)->data(Report_Form::kMarginRole).toString();
    return out;
  };
  const QStringList listOrder = {"Compatible Channels: 3 | margin -100 kHz", "Compatible Channels: 2 | margin 600 kHz",
                                 "Compatible Channels: 1 | margin \u2013"};
  EXPECT_EQ(shown(), listOrder);

  // Sorted, safest first; the selected proposal stays selected and is the one Use takes.
  ClickLine(&form, "ReportAll_Lbx", 2);
  Child<QCheckBox>(&form, "SortMargin_Chk")->click();
  EXPECT_EQ(shown(), QStringList({listOrder[2], listOrder[1], listOrder[0]}));
  EXPECT_EQ(all->currentRow(), 1);
  EXPECT_EQ(form.SelectedProposal(), 2);
  ClickLine(&form, "ReportAll_Lbx", 3);
  EXPECT_EQ(form.SelectedProposal(), 1);
  Click(&form, "Use_Cbt");
  EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GCount(), 3);

  Child<QCheckBox>(&form, "SortMargin_Chk")->click();
  EXPECT_EQ(shown(), listOrder);
  EXPECT_EQ(all->currentRow(), 0);
  test::SaveShot(&form, "Report_Form_margins");
}

TEST_F(ReportFormFixture, SingleSystemListHasNoBracketsAndNoSecondList) {
  const int32_t number = AddList({Proposal(4), Proposal(2)});
  Report_Form form(app);
  form.show();
  form.GShowReport(number);
  EXPECT_EQ(Lines(&form, "ReportAll_Lbx"), QStringList({"Compatible Channels: 4", "Compatible Channels: 2"}));
  EXPECT_EQ(Lines(&form, "ReportOne_Lbx").size(), 4);
  ClickLine(&form, "ReportAll_Lbx", 2);
  EXPECT_EQ(Lines(&form, "ReportOne_Lbx"), QStringList({" 500.000 MHz 1", " 501.000 MHz 2"}));
  EXPECT_TRUE(Lines(&form, "ReportTwo_Lbx").isEmpty());
  EXPECT_FALSE(Child<QListWidget>(&form, "ReportTwo_Lbx")->isEnabled());
}

TEST_F(ReportFormFixture, UseTakesAnIndependentCopyEachTime) {
  const int32_t number = AddList({Proposal(3, 2), Proposal(1, 1)});
  Report_Form form(app);
  form.show();
  form.GShowReport(number);
  app.highlighted = 2;
  TL_SetChanged(app.flags, false, false, true, false);

  Click(&form, "Use_Cbt");
  const ProjectRef firstUse = app.project;
  const ProjectRef proposal = app.proposals->GxGetItem(number)->GxGetProject(1);
  ASSERT_NE(firstUse, proposal);
  EXPECT_EQ(Freqs(*firstUse->GcSystem(0)), Freqs(*proposal->GcSystem(0)));
  EXPECT_EQ(Freqs(*firstUse->GcSystem(1)), Freqs(*proposal->GcSystem(1)));
  EXPECT_TRUE(firstUse->GbSecondSystem());
  EXPECT_EQ(app.highlighted, 0);
  EXPECT_EQ(refreshes, std::vector<int>({2}));
  EXPECT_TRUE(app.flags.projectModified);
  EXPECT_TRUE(app.flags.productsStale);

  // Editing the project does not reach the proposal; a second Use gives a fresh copy.
  firstUse->GcSystem(0)->GcMics()->GcItem(1)->GfSetFreq(900.0f);
  firstUse->GcSystem(1)->GcMics()->GDelMic(1);
  Click(&form, "Use_Cbt");
  ASSERT_NE(app.project, firstUse);
  EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GcItem(1)->GfGetFreq(), 500.0f);
  EXPECT_EQ(app.project->GcSystem(1)->GcMics()->GCount(), 2);
  EXPECT_EQ(proposal->GcSystem(0)->GcMics()->GcItem(1)->GfGetFreq(), 500.0f);
  EXPECT_EQ(app.proposals->GxGetItem(number)->GlCount(), 2);  // the list is unchanged
  EXPECT_EQ(Lines(&form, "ReportAll_Lbx").size(), 2);
}

TEST_F(ReportFormFixture, WithoutAListTheButtonsDoNothing) {
  Report_Form empty(app);
  const ProjectRef before = app.project;
  empty.Use();
  empty.Save();
  empty.Export();
  EXPECT_EQ(app.project, before);
  EXPECT_TRUE(refreshes.empty());

  Report_Form unknown(app);
  unknown.GShowReport(7);  // no such list
  EXPECT_TRUE(Lines(&unknown, "ReportAll_Lbx").isEmpty());
  unknown.Use();
  EXPECT_EQ(app.project, before);

  // An empty list: nothing selected, nothing to use.
  Report_Form none(app);
  none.GShowReport(AddList({}));
  EXPECT_EQ(none.SelectedProposal(), 0);
  none.Use();
  EXPECT_EQ(app.project, before);
}

TEST_F(ReportFormFixture, SaveWritesTheSelectedProposalOnly) {
  const int32_t number = AddList({Proposal(3), Proposal(2)});
  app.projectFile = "show.kova";
  app.projectDir = dir.Dir();
  TL_SetChanged(app.flags, true, false, false, false);
  const ProjectRef current = app.project;
  Report_Form form(app);
  form.show();
  form.GShowReport(number);
  ClickLine(&form, "ReportAll_Lbx", 2);

  // Cancelled: nothing written, nothing changed.
  QString title;
  {
    test::ModalScript script({test::CancelFile(&title)});
    Click(&form, "Save_Cbt");
    EXPECT_EQ(script.Done(), 1u);
  }
  EXPECT_EQ(title, "Save Project As");
  EXPECT_FALSE(std::filesystem::exists(dir.File("show.kova")));
  EXPECT_EQ(app.projectDir, dir.Dir());

  test::TempDir other;
  {
    test::ModalScript script({test::ChooseFile(other.File("second"))});
    Click(&form, "Save_Cbt");
    EXPECT_EQ(script.Done(), 1u);
  }
  // The name gets the project extension; the proposal is in the file.
  ProjectReadResult read = MN_ReadProjectFile(app, other.File("second.kova"));
  ASSERT_EQ(read.status, ProjectReadStatus::kLoaded);
  EXPECT_EQ(Freqs(*read.project->GcSystem(0)), std::vector<float>({500.0f, 501.0f}));
  // Only the directory is remembered; the current project and its file stay as they were.
  EXPECT_EQ(app.projectDir, other.Dir());
  EXPECT_EQ(app.projectFile, "show.kova");
  EXPECT_EQ(app.project, current);
  EXPECT_TRUE(app.flags.projectModified);
  EXPECT_FALSE(app.bSaveTarget);
}

TEST_F(ReportFormFixture, ExportWritesTheWholeListAndOpensIt) {
  const int32_t number = AddList({Proposal(3), Proposal(2)});
  Report_Form form(app);
  form.show();
  form.GShowReport(number);
  ClickLine(&form, "ReportAll_Lbx", 2);
  QString title;
  {
    test::ModalScript script({test::ChooseFile(dir.File("report.txt"), &title)});
    Click(&form, "Export_Cbt");
    EXPECT_EQ(script.Done(), 1u);
  }
  EXPECT_EQ(title, "Save Report As");
  StringSink expected;
  MN_WriteReport(expected, *app.proposals->GxGetItem(number));
  EXPECT_EQ(test::ReadFile(dir.File("report.txt")), expected.Text());
  EXPECT_EQ(port.openedFiles, std::vector<std::string>({dir.File("report.txt")}));
}

TEST_F(ReportFormFixture, SeveralWindowsInTheFrameAndDiscard) {
  Container_Form frame;
  frame.show();
  const int32_t a = AddList({Proposal(3)});
  const int32_t b = AddList({Proposal(2, 2)});
  QPointer<Report_Form> first = MN_ShowProposalWindow(frame, app, a);
  QPointer<Report_Form> second = MN_ShowProposalWindow(frame, app, b);
  ASSERT_EQ(frame.MdiArea()->subWindowList().size(), 2);
  EXPECT_EQ(Lines(first, "ReportAll_Lbx"), QStringList({"Compatible Channels: 3"}));
  EXPECT_EQ(Lines(second, "ReportAll_Lbx"), QStringList({"Compatible Channels: 4(2/2)"}));
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(frame.MdiArea()->activeSubWindow()->widget(), second.data());

  // A new project starts a new collection; the open windows keep their lists.
  MN_NewProject(app);
  Click(first, "Use_Cbt");
  EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GCount(), 3);

  Click(first, "Close_Cbt");
  // The window goes with a deferred delete.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return first.isNull();
      },
      test::kStateWaitMs));
  ASSERT_EQ(frame.MdiArea()->subWindowList().size(), 1);
  EXPECT_EQ(frame.MdiArea()->subWindowList()[0]->widget(), second.data());
}

// A list made by a search knows what it asked: a proposal short of it names each short system
// under its count, in the exported report after its count, and after Use the application keeps
// naming what the project in use lacks until it changes or another project takes its place.
TEST_F(ReportFormFixture, ShortProposalsSayWhatTheyLack) {
  const int32_t number = AddList({Proposal(5, 7), Proposal(3, 0)});
  ReportRef report = app.proposals->GxGetItem(number);
  report->GRequests({{5, 0, -1, ""}, {7, 0, 9, ""}});
  const std::string type = report->GxGetProject(2)->GcSystem(0)->GcSystemType()->GsGetLabel();
  const std::string lacking = "System 1 (" + type + "): 3 of 5 requested channels\nSystem 2 (" + type +
                              "): 0 of 7 requested channels";
  Report_Form form(app);
  form.show();
  form.GShowReport(number);
  const std::string row = "Compatible Channels: 3(3/0)\n   System 1 (" + type + "): 3 of 5 requested channels\n   System 2 (" +
                          type + "): 0 of 7 requested channels";
  EXPECT_EQ(Lines(&form, "ReportAll_Lbx"), QStringList({"Compatible Channels: 12(5/7)", QString::fromStdString(row)}));
  StringSink text;
  MN_WriteReport(text, *report, true);
  EXPECT_NE(text.Text().find("Overall Compatible Channels: 3\r\nSystem 1 (" + type + "): 3 of 5 requested channels\r\n"
                             "System 2 (" + type + "): 0 of 7 requested channels; the other systems' channels take "
                             "the room (on its own at most 9 fit)\r\n"),
            std::string::npos)
      << text.Text();

  ClickLine(&form, "ReportAll_Lbx", 2);
  Click(&form, "Use_Cbt");
  EXPECT_EQ(MN_PlanShortfall(app, false), lacking + "\n");
  TL_SetChanged(app.flags, true, false, false, false);  // an edit: the counts no longer tell
  EXPECT_EQ(MN_PlanShortfall(app, false), "");
  ClickLine(&form, "ReportAll_Lbx", 2);
  Click(&form, "Use_Cbt");
  EXPECT_NE(MN_PlanShortfall(app, false), "");
  ClickLine(&form, "ReportAll_Lbx", 1);
  Click(&form, "Use_Cbt");
  EXPECT_EQ(MN_PlanShortfall(app, false), "");
}
