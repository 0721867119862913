#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/Commands.h"
#include "app/Storage.h"
#include "reports/TextReports.h"
#include "search/DriverTestSupport.h"
#include "app/Generate.h"
#include "support/TestSupport.h"
#include "ui/BusyForm.h"
#include "ui/Container_Form.h"
#include "ui/DesktopShell.h"
#include "ui/KOVA_Form.h"
#include "ui/Main_Form.h"
#include "ui/Report_Form.h"
#include "ui/TextView_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;
using kova::test::ModalScript;

namespace {

// The desktop as the program sets it up: the port, one application state on a temporary
// application directory after the start-up sequence, and the frame with its commands.
struct ShellFixture : ::testing::Test {
  test::TempDir dir;
  AppState app;
  test::TestQtPort port;
  PortScope scope{port};
  Container_Form frame;

  void SetUp() override {
    app.appDir = dir.Dir();
    MN_StartUp(app);
    MN_ConnectFrame(frame, app);
    MN_InstallFrameHooks(port, frame, app);
    frame.show();
  }
  void Run(const char* item) {
    QAction* action = frame.Action(QString::fromLatin1(item));
    ASSERT_NE(action, nullptr) << item;
    ASSERT_TRUE(action->isEnabled()) << item;
    action->trigger();
  }
  // Runs the menu item with the scripted answers; every answer must be used.
  void RunWith(const char* item, std::vector<ModalScript::Action> answers) {
    const size_t expected = answers.size();
    answers.push_back(test::Unexpected());
    ModalScript script(std::move(answers));
    Run(item);
    EXPECT_EQ(script.Done(), expected) << item;
  }
  void AddChannel(float f) {
    MN_AppendChannel(*app.project->GcCurrSystem());
    CMicCollection& mics = *app.project->GcCurrSystem()->GcMics();
    mics.GcItem(mics.GCount())->GfSetFreq(f);
    TL_SetChanged(app.flags, true, false, false, false);
  }
  int32_t Channels() const { return app.project->GcCurrSystem()->GcMics()->GCount(); }
  std::vector<Report_Form*> ProposalWindows() const {
    std::vector<Report_Form*> out;
    for (QMdiSubWindow* sub : frame.MdiArea()->subWindowList())
      if (auto* form = qobject_cast<Report_Form*>(sub->widget())) out.push_back(form);
    return out;
  }
};

int KovaFiles(const test::TempDir& dir) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    if (entry.path().extension() == ".kova") ++n;
  return n;
}

int32_t ChannelsInFile(AppState& app, const std::string& path) {
  ProjectReadResult read = MN_ReadProjectFile(app, path);
  EXPECT_EQ(read.status, ProjectReadStatus::kLoaded) << path;
  return read.project ? read.project->GcSystem(0)->GcMics()->GCount() : -1;
}

}  // namespace

TEST(DesktopShell, ApplicationDirectory) {
  test::TempDir dir;
  const std::string home = qEnvironmentVariable("KOVA_HOME").toStdString();
  const std::string xdg = qEnvironmentVariable("XDG_DATA_HOME").toStdString();

  qputenv("KOVA_HOME", QByteArray::fromStdString(dir.File("given")));
  EXPECT_EQ(MN_DesktopAppDirectory(), dir.File("given") + "/");
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("given")));

  qunsetenv("KOVA_HOME");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.File("data")));
  EXPECT_EQ(MN_DesktopAppDirectory(), dir.File("data") + "/KOVA/");
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("data") + "/KOVA"));

  if (home.empty()) qunsetenv("KOVA_HOME");
  else qputenv("KOVA_HOME", QByteArray::fromStdString(home));
  if (xdg.empty()) qunsetenv("XDG_DATA_HOME");
  else qputenv("XDG_DATA_HOME", QByteArray::fromStdString(xdg));
}

TEST_F(ShellFixture, StartUpAndTheMenuItemsThatWork) {
  EXPECT_EQ(app.systems.size(), 7u);
  ASSERT_TRUE(app.project);
  EXPECT_FALSE(app.project->GbSecondSystem());
  const struct {
    const char* item;
    bool enabled;
  } items[] = {
      {"File_New", true},           {"File_Open", true},
      {"File_Save", true},          {"File_SaveAs", true},
      {"File_ExportProject", true}, {"File_SavePreset", true},
      {"File_Exit", true},          {"Calc_Check", true},
      {"File_ImportScan", true},    {"File_ImportFrequencyList", true},
      {"File_ExportFrequencyList", true},
      {"Help_About", true},         {"View_Graphics", true},
      {"File_CreatePrintVersion", true}, {"File_ExportPdf", true},
      {"View_SystemDesigner", true}, {"View_Editor", false},
      {"Calc_Generate", false},
  };
  for (const auto& i : items) EXPECT_EQ(frame.Action(i.item)->isEnabled(), i.enabled) << i.item;
}

TEST_F(ShellFixture, SaveAsSaveNewAndOpenOnRealFiles) {
  AddChannel(518.2f);
  QString title;
  RunWith("File_SaveAs", {test::ChooseFile(dir.File("show"), &title)});
  EXPECT_EQ(title, "Save Project As");
  EXPECT_EQ(ChannelsInFile(app, dir.File("show.kova")), 1);
  EXPECT_TRUE(app.bSaveTarget);
  EXPECT_EQ(app.projectDir, dir.Dir());
  EXPECT_EQ(app.projectFile, "show.kova");  // the name written
  EXPECT_FALSE(app.flags.projectModified);

  // Save goes to the known file without a dialog.
  AddChannel(530.0f);
  RunWith("File_Save", {});
  EXPECT_EQ(ChannelsInFile(app, dir.File("show.kova")), 2);
  EXPECT_FALSE(app.flags.projectModified);

  // Nothing unsaved: New asks nothing.
  RunWith("File_New", {});
  EXPECT_EQ(Channels(), 0);
  EXPECT_FALSE(app.bSaveTarget);
  EXPECT_EQ(app.projectFile, "show.kova");  // kept, though a new project offers a name of its own

  RunWith("File_Open", {test::ChooseFile(dir.File("show.kova"), &title)});
  EXPECT_EQ(title, "Open Project");
  EXPECT_EQ(Channels(), 2);
  EXPECT_TRUE(app.bSaveTarget);
  EXPECT_FALSE(app.flags.projectModified);
}

TEST_F(ShellFixture, CreatePrintVersionAsksForTheDocumentFile) {
  QString title;
  RunWith("File_CreatePrintVersion", {test::CancelFile(&title)});
  EXPECT_EQ(title, "Create RTF File");
}

TEST_F(ShellFixture, ExportPdfAsksWhatGoesInThenForTheFileAndKeepsTheChoices) {
  AddChannel(518.2f);
  QString title;
  auto choose = [](QWidget* modal) {
    ASSERT_EQ(modal->objectName(), QStringLiteral("ExportPdf_Form"));
    test::SaveShot(modal, "export_pdf");
    auto* bySystem = Child<QRadioButton>(modal, "SheetBySystem_Obt");
    EXPECT_FALSE(bySystem->isEnabled());  // the order belongs to the sheet
    Child<QCheckBox>(modal, "Sheet_Chk")->click();
    ASSERT_TRUE(bySystem->isEnabled());
    bySystem->click();
    Child<QComboBox>(modal, "Paper_Cbx")->setCurrentIndex(1);
    Child<QPushButton>(modal, "Ok_Cbt")->click();
  };
  RunWith("File_ExportPdf", {choose, test::ChooseFile(dir.File("plan.doc"), &title)});
  EXPECT_EQ(title, "Export PDF");
  const std::string pdf = test::ReadFile(dir.File("plan.pdf"));
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("/MediaBox [0 0 612.000000 792.000000]"), std::string::npos);  // Letter
  EXPECT_EQ(port.openedFiles, std::vector<std::string>{dir.File("plan.pdf")});

  // The next export starts from these choices; cancelled, it writes nothing.
  auto cancel = [](QWidget* modal) {
    EXPECT_TRUE(Child<QCheckBox>(modal, "Sheet_Chk")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(modal, "SheetBySystem_Obt")->isChecked());
    EXPECT_EQ(Child<QComboBox>(modal, "Paper_Cbx")->currentText(), QStringLiteral("Letter"));
    EXPECT_TRUE(Child<QCheckBox>(modal, "PaperPictures_Chk")->isChecked());
    Child<QPushButton>(modal, "Cancel_Cbt")->click();
  };
  RunWith("File_ExportPdf", {cancel});
  EXPECT_EQ(port.openedFiles.size(), 1u);
}

TEST_F(ShellFixture, NewAsksToSaveUnsavedChanges) {
  AddChannel(518.2f);
  const ProjectRef before = app.project;
  QString question;
  RunWith("File_New", {test::Press(QMessageBox::Cancel, &question)});
  EXPECT_EQ(question, "Save the current Project?");
  EXPECT_EQ(app.project, before);

  RunWith("File_New", {test::Press(QMessageBox::No)});
  EXPECT_NE(app.project, before);
  EXPECT_EQ(Channels(), 0);
  EXPECT_EQ(KovaFiles(dir), 0);

  // Yes without a file: Save As first, then the new project.
  AddChannel(600.0f);
  RunWith("File_New", {test::Press(QMessageBox::Yes), test::ChooseFile(dir.File("kept.kova"))});
  EXPECT_EQ(ChannelsInFile(app, dir.File("kept.kova")), 1);
  EXPECT_EQ(Channels(), 0);
}

TEST_F(ShellFixture, OpenOfABadFileKeepsTheProject) {
  AddChannel(518.2f);
  TL_SetChanged(app.flags, false, false, true, false);
  const ProjectRef before = app.project;
  test::WriteFile(dir.File("bad.kova"), std::string(64, 'x'));
  QString message;
  RunWith("File_Open", {test::ChooseFile(dir.File("bad.kova")), test::Press(QMessageBox::Ok, &message)});
  EXPECT_EQ(message, "Cannot read file: old or bad file format!");
  EXPECT_EQ(app.project, before);
  EXPECT_TRUE(app.projectFile.empty());
  EXPECT_FALSE(app.bSaveTarget);
}

TEST_F(ShellFixture, ClosingTheFrameAsksOnlyWithUnsavedChanges) {
  AddChannel(518.2f);
  QString question;
  {
    ModalScript script({test::Press(QMessageBox::Cancel, &question)});
    EXPECT_FALSE(frame.close());  // the window's own close control
    EXPECT_EQ(script.Done(), 1u);
  }
  EXPECT_EQ(question, "Save the current Project?");
  EXPECT_TRUE(frame.isVisible());
  {
    ModalScript script({test::Press(QMessageBox::No)});
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(script.Done(), 1u);
  }
  EXPECT_FALSE(frame.isVisible());
  EXPECT_EQ(KovaFiles(dir), 0);

  // Without changes it closes at once.
  frame.show();
  TL_SetChanged(app.flags, false, false, true, false);
  {
    ModalScript script({test::Unexpected()});
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(script.Done(), 0u);
  }
  EXPECT_FALSE(frame.isVisible());
}

TEST_F(ShellFixture, ExitAsksOnceAndSaves) {
  AddChannel(518.2f);
  RunWith("File_Exit", {test::Press(QMessageBox::Cancel)});
  EXPECT_TRUE(frame.isVisible());
  frame.ShowAbout();
  RunWith("File_Exit", {test::Press(QMessageBox::Yes), test::ChooseFile(dir.File("exit.kova"))});
  EXPECT_FALSE(frame.isVisible());
  EXPECT_FALSE(frame.AboutBox()->isVisible());
  EXPECT_EQ(ChannelsInFile(app, dir.File("exit.kova")), 1);
}

TEST_F(ShellFixture, ACancelledSaveStopsTheCommandThatAskedForIt) {
  for (const char* item : {"File_New", "File_Open", "File_Exit"}) {
    SCOPED_TRACE(item);
    AddChannel(518.2f);
    const ProjectRef before = app.project;
    RunWith(item, {test::Press(QMessageBox::Yes), test::CancelFile()});  // Yes, then Cancel in Save As
    EXPECT_EQ(app.project, before);
    EXPECT_TRUE(app.flags.projectModified);
    EXPECT_TRUE(frame.isVisible());
  }
}

TEST_F(ShellFixture, ExportsNeverReplaceTheProjectAndAskBeforeReplacingAFile) {
  AddChannel(518.2f);
  RunWith("File_SaveAs", {test::ChooseFile(dir.File("show.kova"))});
  const auto offered = [](QString* name) {
    return [name](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      *name = QFileInfo(dialog->selectedFiles().value(0)).fileName();
      dialog->reject();
    };
  };
  QString name, message;
  RunWith("File_ExportProject", {offered(&name)});
  EXPECT_EQ(name, "show.txt");
  for (const char* item : {"File_ExportProject", "File_ExportFrequencyList"}) {
    SCOPED_TRACE(item);
    RunWith(item, {test::ChooseFile(dir.File("show.kova")), test::Press(QMessageBox::Ok, &message)});
    EXPECT_TRUE(message.startsWith("show.kova is the file of the open project.")) << message.toStdString();
    EXPECT_EQ(ChannelsInFile(app, dir.File("show.kova")), 1);
  }
  // A name without extension gets the export's own; an existing file is replaced only on Yes (No
  // offers the dialog again).
  RunWith("File_ExportProject", {test::ChooseFile(dir.File("notes"))});
  EXPECT_TRUE(std::filesystem::exists(dir.File("notes.txt")));
  test::WriteFile(dir.File("notes.txt"), "mine");
  RunWith("File_ExportProject", {test::ChooseFile(dir.File("notes.txt")), test::Press(QMessageBox::No, &message),
                                 test::CancelFile()});
  EXPECT_EQ(message, "notes.txt already exists. Replace it?");
  EXPECT_EQ(test::ReadFile(dir.File("notes.txt")), "mine");
  test::WriteFile(dir.File("print.rtf"), "mine");
  RunWith("File_CreatePrintVersion", {test::ChooseFile(dir.File("print")), test::Press(QMessageBox::No), test::CancelFile()});
  EXPECT_EQ(test::ReadFile(dir.File("print.rtf")), "mine");
}

// No save replaces another file unasked: a new project offers a free name of its own (never the
// last project's), Save As onto an existing file asks (No: the dialog again, the file untouched),
// and the open project's own file is saved over without a question.
TEST_F(ShellFixture, SavesAskBeforeReplacingAnotherFile) {
  const std::string festival = dir.File("festival.kova");
  AddChannel(518.2f);
  AddChannel(530.0f);
  RunWith("File_SaveAs", {test::ChooseFile(festival)});
  RunWith("File_SaveAs", {test::ChooseFile(festival)});
  const std::string kept = test::ReadFile(festival);
  RunWith("File_New", {});
  AddChannel(600.0f);
  test::WriteFile(dir.File("Project1.kova"), "not a project of this run");
  QString offered, message;
  const auto offer = [&offered, &festival](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    offered = QFileInfo(dialog->selectedFiles().value(0)).fileName();
    test::ChooseFile(festival)(modal);
  };
  // The save asked before Open: No to replacing festival.kova returns to the dialog.
  RunWith("File_Open", {test::Press(QMessageBox::Yes), offer, test::Press(QMessageBox::No, &message), test::CancelFile()});
  EXPECT_EQ(offered, "Project2.kova");
  EXPECT_EQ(message, "festival.kova already exists. Replace it?");
  EXPECT_EQ(test::ReadFile(festival), kept);
  EXPECT_TRUE(app.flags.projectModified);
  RunWith("File_SaveAs", {test::ChooseFile(festival), test::Press(QMessageBox::Yes)});
  EXPECT_EQ(ChannelsInFile(app, festival), 1);
}

TEST_F(ShellFixture, ExportProjectSavePresetAndCheck) {
  AddChannel(518.2f);
  AddChannel(530.0f);
  QString title;
  RunWith("File_ExportProject", {test::ChooseFile(dir.File("project.txt"), &title)});
  EXPECT_EQ(title, "Save Projects As");
  StringSink expected;
  MN_WriteProjectReport(expected, *app.project);
  EXPECT_EQ(test::ReadFile(dir.File("project.txt")), expected.Text());
  EXPECT_EQ(port.openedFiles, std::vector<std::string>({dir.File("project.txt")}));

  RunWith("File_SavePreset", {test::ChooseFile(app.PresetDir() + "mine.spg", &title)});
  EXPECT_EQ(title, "Save Channels As Preset");
  EXPECT_EQ(test::ReadFile(app.PresetDir() + "mine.spg"), "KOVA Preset File\r\n518.200\r\n530.000\r\n");

  QString result;
  RunWith("Calc_Check", {test::Press(QMessageBox::Cancel, &result)});
  EXPECT_TRUE(result.startsWith("Channel configuration is compatible.")) << result.toStdString();
  int logs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(app.CheckDir()))
    if (entry.path().extension() == ".log") ++logs;
  EXPECT_EQ(logs, 1);
  EXPECT_EQ(port.openedFiles.size(), 1u);  // the log was not opened
}

TEST_F(ShellFixture, ASearchOpensAProposalWindowThatWorks) {
  test::InitThreePoints(app, true);
  GenerateOutcome outcome = GenerateProposals(app, 1, 5, 2, 0, kShowProposals, kSearchSystematic);
  ASSERT_EQ(outcome.status, GenerateStatus::kProposals);
  ASSERT_EQ(ProposalWindows().size(), 1u);
  Report_Form* window = ProposalWindows()[0];
  EXPECT_EQ(window->ListNumber(), outcome.reportNumber);
  QStringList lines;
  auto* all = Child<QListWidget>(window, "ReportAll_Lbx");
  for (int i = 0; i < all->count(); ++i) lines << all->item(i)->text();
  EXPECT_EQ(lines, QStringList(3, "Compatible Channels: 2"));
  EXPECT_TRUE(window->isVisible());
  test::SaveShot(&frame, "Container_Form_with_proposals");

  // Use: the second proposal becomes the project.
  all->setCurrentRow(1);
  QTest::mouseClick(Child<QPushButton>(window, "Use_Cbt"), Qt::LeftButton);
  const ProjectRef proposal = outcome.proposals->GxGetProject(2);
  EXPECT_NE(app.project, proposal);
  EXPECT_EQ(test::ChannelFreqs(*app.project->GcSystem(0)), test::ChannelFreqs(*proposal->GcSystem(0)));

  // Save and Export through their dialogs.
  {
    ModalScript script({test::ChooseFile(dir.File("proposal.kova"))});
    QTest::mouseClick(Child<QPushButton>(window, "Save_Cbt"), Qt::LeftButton);
    EXPECT_EQ(script.Done(), 1u);
  }
  EXPECT_EQ(ChannelsInFile(app, dir.File("proposal.kova")), 2);
  {
    ModalScript script({test::ChooseFile(dir.File("proposals.txt"))});
    QTest::mouseClick(Child<QPushButton>(window, "Export_Cbt"), Qt::LeftButton);
    EXPECT_EQ(script.Done(), 1u);
  }
  StringSink expected;
  MN_WriteReport(expected, *outcome.proposals);
  EXPECT_EQ(test::ReadFile(dir.File("proposals.txt")), expected.Text());

  // A second search opens a second window beside the first.
  test::InitThreePoints(app, false);
  outcome = GenerateProposals(app, 1, 5, 3, 0, kShowProposals, kSearchSystematic);
  ASSERT_EQ(outcome.status, GenerateStatus::kProposals);
  ASSERT_EQ(ProposalWindows().size(), 2u);
  EXPECT_EQ(Child<QListWidget>(ProposalWindows()[1], "ReportAll_Lbx")->item(0)->text(), "Compatible Channels: 3");
}

TEST_F(ShellFixture, TheProgressBoxAbortsALongSystematicSearch) {
  // 1601 grid points with spacing and third-order checks: the exhaustive search would run for
  // ages. The clock advances with every reading, so the box soon appears; then Abort is clicked.
  const int32_t flags = test::kFlagSpectrum | test::kFlagSpacing | test::kFlagIM3;
  test::InitAppWith(app, {test::MakeType(500.0f, 540.0f, 0.025f, {{1, 0.3f}, {4, 0.05f}}, flags)});
  test::SetSearchSpectrum(*app.project, 0, {{499.0f, 541.0f}});
  port.clockStep = 0.05;
  port.failSafeBusyCall = 20'000'000;

  bool shown = false, framedisabled = false;
  QString caption;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    BusyForm& box = port.busyForm();
    if (shown || !box.isVisible()) return;
    shown = true;
    caption = box.windowTitle();
    framedisabled = !frame.isEnabled();
    test::SaveShot(&box, "BusyForm");
    QTest::mouseClick(Child<QPushButton>(&box, "Abort_Cbt"), Qt::LeftButton);
  });
  watch.start(5);
  // Without a complete set the search ends with a message instead of a window.
  ModalScript script({test::Press(QMessageBox::Ok)});
  const GenerateOutcome outcome = GenerateProposals(app, 1, 3, 40, 0, kShowProposals, kSearchSystematic);
  watch.stop();

  EXPECT_TRUE(shown);
  EXPECT_FALSE(port.failSafeUsed);
  EXPECT_TRUE(caption.startsWith("Checking")) << caption.toStdString();
  EXPECT_TRUE(framedisabled);
  EXPECT_FALSE(port.busyForm().isVisible());
  EXPECT_FALSE(port.busyForm().IsActive());
  EXPECT_TRUE(frame.isEnabled());
  if (outcome.status == GenerateStatus::kProposals) {
    EXPECT_EQ(ProposalWindows().size(), 1u);
    EXPECT_LE(outcome.proposals->GlCount(), 3);
    EXPECT_EQ(script.Done(), 0u);
  } else {
    EXPECT_EQ(outcome.status, GenerateStatus::kNothingFound);
    EXPECT_TRUE(ProposalWindows().empty());
    EXPECT_EQ(script.Done(), 1u);
  }
}

// A log that no program of the desktop opens comes up in the program's own text window, where
// Ctrl+F finds words; the print document and an unreadable file get a message naming the path.
TEST_F(ShellFixture, FilesThatNoProgramOpens) {
  port.desktopOpen = [](const QString&, std::function<void()> onFailure) { onFailure(); };
  const std::string log = dir.File("Check 1.log");
  test::WriteFile(log, "Check results\r\nChannel 3 \xE9 Intermod hit\r\nChannel 7 intermod hit\r\n");
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame, test::kStateWaitMs));
  port.QtPort::openFile(log, "");  // the desktop port's own opening, not the test's record
  auto* view = frame.findChild<TextView_Form*>();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(frame.MdiArea()->activeSubWindow()->widget(), view);
  EXPECT_EQ(view->windowTitle(), "Check 1.log");
  QPlainTextEdit* text = view->Text();
  EXPECT_EQ(text->toPlainText(), "Check results\nChannel 3 \u00e9 Intermod hit\nChannel 7 intermod hit");
  EXPECT_TRUE(text->isReadOnly());
  EXPECT_EQ(text->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
  EXPECT_FALSE(text->font().bold());

  {
    ModalScript none({test::Unexpected()});  // Ctrl+C must copy, not run the check
    QTest::keyClick(text, Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(QApplication::focusWidget(), view->FindBox());
    QTest::keyClicks(view->FindBox(), "intermod");
    EXPECT_EQ(text->textCursor().selectedText(), "Intermod");
    EXPECT_EQ(text->textCursor().blockNumber(), 1);
    for (const int line : {2, 1}) {  // F3 goes on, then round to the top
      QTest::keyClick(view->FindBox(), Qt::Key_F3);
      EXPECT_EQ(text->textCursor().blockNumber(), line);
    }
    QTest::keyClick(view->FindBox(), Qt::Key_Escape);
    EXPECT_FALSE(view->FindBox()->isVisible());
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Intermod");
    view->FindBox()->setText("absent");
    EXPECT_FALSE(view->FindNext());
    EXPECT_EQ(text->textCursor().selectedText(), "Intermod");
    EXPECT_EQ(none.Done(), 0u);
  }

  QString rtfText, missingText, pdfText;
  // A PDF is never shown as text: the message names it and can copy its path.
  const auto copyPath = [&pdfText](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    pdfText = box->text();
    test::Child<QPushButton>(box, "CopyPath_Cbt")->click();
  };
  ModalScript script({test::Press(QMessageBox::Ok, &rtfText), test::Press(QMessageBox::Ok, &missingText), copyPath});
  port.QtPort::openFile(dir.File("Print.rtf"), "");
  port.QtPort::openFile(dir.File("gone.txt"), "");
  test::WriteFile(dir.File("plan.pdf"), "%PDF-1.4\n");
  port.QtPort::openFile(dir.File("plan.pdf"), "");
  EXPECT_EQ(pdfText.toStdString(), "The PDF document was written to " + dir.File("plan.pdf") + ". No program to open it was found.");
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), dir.File("plan.pdf"));
  EXPECT_EQ(rtfText.toStdString(),
            "The print document was written to " + dir.File("Print.rtf") + ". No program to open it was found.");
  EXPECT_EQ(missingText.toStdString(), "The file " + dir.File("gone.txt") + " could not be read.");
  EXPECT_EQ(frame.findChildren<TextView_Form*>().size(), 1);
}

TEST_F(ShellFixture, TheTitleNamesTheProjectFileAndMarksUnsavedChanges) {
  // Commands show it at once; a bare edit, which refreshes nothing, within the title's poll.
  const struct {
    std::function<void()> step;
    const char* file;
    bool modified;
  } steps[] = {
      {[] {}, "Untitled", false},
      {[&] { AddChannel(518.2f); }, "Untitled", true},
      {[&] { RunWith("File_SaveAs", {test::ChooseFile(dir.File("show"))}); }, "show.kova", false},
      {[&] { AddChannel(530.0f); }, "show.kova", true},
      {[&] { RunWith("File_New", {test::Press(QMessageBox::No)}); }, "Untitled", false},
      {[&] { RunWith("File_Open", {test::ChooseFile(dir.File("show.kova"))}); }, "show.kova", false},
  };
  for (const auto& s : steps) {
    s.step();
    if (s.modified) (void)QTest::qWaitFor([&] { return frame.isWindowModified(); }, test::kStateWaitMs);
    EXPECT_EQ(frame.windowTitle(), QString::fromLatin1(s.file) + QStringLiteral("[*] \u2014 KOVA"));
    EXPECT_EQ(frame.isWindowModified(), s.modified) << s.file;
  }
  EXPECT_EQ(frame.windowFilePath().toStdString(), dir.File("show.kova"));
}

// `kova` started with `stored` in its settings (-1: none); `onWizard` gets the start wizard.
struct StartedDesktop {
  StartedDesktop(int stored, const char* env, bool editor, std::function<void(QWidget*)> onWizard = {}) {
    if (stored >= 0) MN_StoreUserLevel(dir.Dir(), stored);
    if (env) setenv("KOVA_USER_LEVEL", env, 1);
    app.appDir = dir.Dir();
    DesktopArgs args;
    args.editor = editor;
    MN_StartDesktop(frame, app, port, args);
    ModalScript script({[&](QWidget* w) { wizard = w, onWizard ? onWizard(w) : w->hide(); }, test::Unexpected()});
    QCoreApplication::processEvents();
  }
  ~StartedDesktop() { TL_SetUserLevel(0), unsetenv("KOVA_USER_LEVEL"); }
  // Editor mode as the menu shows it, as stored, and the level of the run.
  std::tuple<bool, int, int> Mode() {
    return {frame.Action("View_EditorMode")->isChecked(), MN_StoredUserLevel(dir.Dir()), TL_UserLevel()};
  }
  test::TempDir dir;
  AppState app;
  test::TestQtPort port;
  PortScope scope{port};
  Container_Form frame;
  QWidget* wizard = nullptr;
};

TEST(EditorMode, TheStoredModeTheEditorOptionAndTheEnvironmentChooseTheStart) {
  const struct {
    int stored;
    bool editorOption;
    const char* env;
    int level;  // 2: the System Editor without the wizard
  } cases[] = {{-1, false, nullptr, 0}, {2, false, nullptr, 2}, {0, true, nullptr, 2},
               {2, false, "0", 0},      {-1, true, "0", 0},     {0, false, "2", 2}};
  for (const auto& c : cases) {
    StartedDesktop d(c.stored, c.env, c.editorOption);
    SCOPED_TRACE(std::to_string(c.stored) + (c.editorOption ? " --editor " : " ") + (c.env ? c.env : ""));
    EXPECT_EQ(d.wizard != nullptr, c.level != 2);
    EXPECT_TRUE(d.frame.findChild<Main_Form*>()->isVisible());
    EXPECT_EQ(d.Mode(), std::make_tuple(c.level == 2, std::max(c.stored, 0), c.level));  // --editor stores nothing
  }
}

TEST(EditorMode, TheWizardButtonAndTheMenuItemSwitchItAndStoreIt) {
  StartedDesktop d(-1, nullptr, false, [](QWidget* wizard) {
    wizard->parentWidget()->findChild<Main_Form*>()->parentWidget()->hide();
    Child<QPushButton>(wizard, "OpenEditor_Cbt")->click();
  });
  ASSERT_TRUE(d.wizard);
  EXPECT_FALSE(d.wizard->isVisible());
  EXPECT_TRUE(d.frame.findChild<Main_Form*>()->isVisible());
  EXPECT_EQ(d.Mode(), std::make_tuple(true, 2, 2));
  // Off is stored at once and holds from the next start; on holds at once.
  d.frame.Action("View_EditorMode")->trigger();
  EXPECT_EQ(d.Mode(), std::make_tuple(false, 0, 2));
  MN_ApplyUserLevel(d.dir.Dir(), false);
  EXPECT_EQ(TL_UserLevel(), 0);
  d.frame.Action("View_EditorMode")->trigger();
  EXPECT_EQ(d.Mode(), std::make_tuple(true, 2, 2));
}
