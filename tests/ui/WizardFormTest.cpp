#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

#include "app/AppState.h"
#include "app/Check.h"
#include "app/PersistenceTestSupport.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"
#include "ui/Wizard_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;

namespace {

const char* const kQuit = "Do you really want to quit KOVA ?";

// Runs `action` once a modal window named `name` is shown.
void WhenShown(const char* name, std::function<void(QWidget*)> action) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, name, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->objectName() != QLatin1String(name)) return;
    poll->stop();
    poll->deleteLater();
    action(modal);
  });
  poll->start(10);
}

// Runs the next visit each time the wizard is shown; a show too many is a failure and leaves.
struct VisitDriver : QObject {
  VisitDriver(std::vector<std::function<void()>> v, std::function<void()> leave)
      : visits(std::move(v)), leave_(std::move(leave)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (next < visits.size()) {
        QTimer::singleShot(0, this, visits[next++]);
      } else {
        ADD_FAILURE() << "the wizard came back once more";
        QTimer::singleShot(0, this, leave_);
      }
    }
    return QObject::eventFilter(watched, event);
  }
  std::vector<std::function<void()>> visits;
  size_t next = 0;

 private:
  std::function<void()> leave_;
};

struct WizardFixture : ::testing::Test {
  test::TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
  std::unique_ptr<Wizard_Form> wizard;
  int quits = 0;

  void SetUp() override {
    test::InitApp(app, dir.Dir());
    wizard = std::make_unique<Wizard_Form>(app);
    wizard->quitProgram = [this] { ++quits; };
  }

  template <class T = QPushButton>
  T* W(const char* name) {
    T* w = Child<T>(wizard.get(), name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Click(const char* name) { QTest::mouseClick(W<QAbstractButton>(name), Qt::LeftButton); }
  QTableWidget* Grid(int mode) { return W<QTableWidget>(mode == 0 ? "flxSpectrum_0" : "flxSpectrum_1"); }
  // A committed edit of a cell, and the check that follows it.
  void Edit(int mode, int row, int column, const char* text) {
    Grid(mode)->item(row, column)->setText(QString::fromLatin1(text));
    QCoreApplication::processEvents();
  }
  void ClickCell(int mode, int row, int column) {
    QTableWidget* grid = Grid(mode);
    const QRect r = grid->visualItemRect(grid->item(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
  }
  QStringList Column(int mode, int column) {
    QStringList out;
    for (int r = 0; r < Grid(mode)->rowCount(); ++r) out << Grid(mode)->item(r, column)->text();
    return out;
  }
  // Runs the wizard; each visit runs while it is shown (it comes back after every Start) and
  // must end with Start or by leaving.
  void Organize(int32_t system, std::vector<std::function<void()>> visits) {
    VisitDriver driver(std::move(visits), [this] { Leave()(); });
    wizard->installEventFilter(&driver);
    wizard->GOrganize(system);
    wizard->removeEventFilter(&driver);
    EXPECT_EQ(driver.next, driver.visits.size());
  }
  // Leaves the wizard: no to saving, OK to quitting.
  std::function<void()> Leave() {
    return [this] {
      if (app.flags.projectModified) port.answers.push_back(kNo);
      port.answers.push_back(kOk);
      Click("Skip_Cbt");
    };
  }
  void ToPage2(int aim, const char* channels = "5") {
    wizard->ShowPage(1);
    Click(("Compute_Obt_" + std::to_string(aim)).c_str());
    W<QLineEdit>("Channels_Tbx")->setText(QString::fromLatin1(channels));
    wizard->ShowPage(2);
  }
  // Sets the search spectrum grid to one band.
  void OneBand(float lo, float hi) {
    auto s = std::make_shared<CSpectrum>();
    s->GDefine();
    s->GAddBand(lo, hi, 1);
    wizard->FillGrid(Wizard_Form::kSpectrumMode, *s);
  }
  std::vector<float> Freqs() {
    std::vector<float> out;
    const CMicCollection& mics = *app.project->GcSystem(0)->GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i) out.push_back(mics.GcItem(i)->GfGetFreq());
    return out;
  }
};

}  // namespace

TEST_F(WizardFixture, PagesTabsAndLeaving) {
  Organize(3, {[&] {
                 EXPECT_EQ(wizard->CurrentPage(), -1);
                 for (int k = 0; k < 3; ++k)
                   EXPECT_FALSE(W<QFrame>(("WizardTab_Frame_" + std::to_string(k)).c_str())->isVisible());
                 EXPECT_EQ(W<QLabel>("System_Lbl")->text(), "Kestrel Professional");
                 EXPECT_TRUE(W<QLabel>("SystemFacts_Lbl")->text().endsWith("step 0.050 MHz \u00b7 spacing 0.400 MHz"));
                 EXPECT_EQ(W("Skip_Cbt")->text(), "E&xit");
                 EXPECT_FALSE(W("Back_Cbt")->isEnabled());
                 test::SaveShot(wizard.get(), "Wizard_Form_opening");
                 const struct {
                   const char* control;  // button, or tab label
                   int page;
                   const char* next;
                 } steps[] = {{"Next_Cbt", 0, "&Next"}, {"Next_Cbt", 1, "&Next"}, {"Back_Cbt", 0, "&Next"},
                              {"WizardTab_Lbl_2", 2, "&Start"}, {"WizardTab_Lbl_1", 1, "&Next"}};
                 for (const auto& s : steps) {
                   QTest::mouseClick(W<QWidget>(s.control), Qt::LeftButton);
                   EXPECT_EQ(wizard->CurrentPage(), s.page) << s.control;
                   EXPECT_EQ(W("Next_Cbt")->text(), s.next) << s.control;
                   EXPECT_TRUE(W<QFrame>(("WizardTab_Frame_" + std::to_string(s.page)).c_str())->isVisible());
                   EXPECT_EQ(W("Back_Cbt")->isEnabled(), s.page >= 1);
                   test::SaveShot(wizard.get(), ("Wizard_Form_page" + std::to_string(s.page)).c_str());
                 }
                 // Once the last page was seen, the marker stands beside the current tab.
                 EXPECT_TRUE(W<QLabel>("Glider_Pbx")->isVisible());
                 EXPECT_EQ(W<QLabel>("Glider_Pbx")->y(), 48 * 1 + 15);
                 // Escape asks as "Exit" does; Cancel keeps the wizard.
                 QTest::keyClick(wizard.get(), Qt::Key_Escape);
                 EXPECT_TRUE(wizard->isVisible());
                 EXPECT_EQ(port.messageTexts(), std::vector<std::string>{kQuit});
                 Leave()();
               }});
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(port.messageTexts(), (std::vector<std::string>{kQuit, kQuit}));
}

TEST_F(WizardFixture, LeavingAsksToSaveAModifiedProjectFirst) {
  TL_SetChanged(app.flags, true, false, false, false);
  port.answers = {kCancel, kNo, kCancel, kNo, kOk};
  Organize(1, {[&] {
    Click("Skip_Cbt");  // Cancel in the save question: stays
    Click("Skip_Cbt");  // No, then Cancel in the quit question: stays
    EXPECT_TRUE(wizard->isVisible());
    Click("Skip_Cbt");
  }});
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(port.messageTexts(), (std::vector<std::string>{"Save the current Project?", "Save the current Project?",
                                                           kQuit, "Save the current Project?", kQuit}));
}

TEST_F(WizardFixture, StartAsksBeforeReplacingUnsavedWork) {
  TL_SetChanged(app.flags, true, false, false, false);
  app.project->GcSystem(0)->GcMics()->GAddMic("Mic1", "", 530.0f, 0, 0, 0, 0);
  port.answers = {kCancel};
  Organize(1, {[&] {
    ToPage2(Wizard_Form::kAimCheck);
    Click("Next_Cbt");  // Cancel in the save question: nothing replaced, still on the page
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(wizard->CurrentPage(), 2);
    EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GCount(), 1);
    Leave()();
  }});
  EXPECT_EQ(port.messageTexts().front(), "Save the current Project?");
}

TEST_F(WizardFixture, NumberOfChannels) {
  const struct {
    int aim;
    const char* typed;
    bool runs;
    int32_t channels;
  } cases[] = {{0, "0", false, 0}, {1, "0", true, 1}, {1, "5000", true, 1000}, {1, "2,7", true, 3}};
  for (const auto& c : cases) {
    app.project->GbSecondSystem(true);
    app.flags.projectModified = false;  // the run before left its result unsaved
    const ProjectRef before = app.project->GGetCopy();
    port.messages.clear();
    port.fileAnswers = {dir.File("report.txt")};
    std::vector<std::function<void()>> visits = {[&] {
      ToPage2(c.aim, c.typed);
      OneBand(530, 530.3f);
      Click("Next_Cbt");
      if (!c.runs) {
        EXPECT_EQ(port.messageTexts(), std::vector<std::string>{"Number of channels is zero!"});
        EXPECT_TRUE(wizard->isVisible());
        EXPECT_TRUE(app.project->GbSecondSystem()) << "nothing changed";
        EXPECT_EQ(app.project->GcSpectrumOf(0)->GlBands(), before->GcSpectrumOf(0)->GlBands());
        Leave()();
      }
    }};
    if (c.runs) visits.push_back(Leave());
    Organize(1, visits);
    if (c.runs) {
      EXPECT_EQ(wizard->LastRunChannels(), c.channels) << c.typed;
      EXPECT_FALSE(app.project->GbSecondSystem());
    }
  }
}

TEST_F(WizardFixture, CheckUsesTheMarkedChannelsOfTheChosenType) {
  // An old project of four systems, the last one current: the new project keeps none of them.
  app.project->GbSecondSystem(true);
  for (int k = 0; k < 2; ++k)
    app.project->GAddSystem(app.project->GcSystem(0)->GGetCopy(), app.project->GcSpectrumOf(0)->GGetCopy());
  app.project->GcSystem(3)->GcMics()->GAddMic("Old", "Meridian", 600.0f, 0, 0, 0, 0);
  app.project->GlCurr(3);
  Organize(1, {[&] {
                 ToPage2(Wizard_Form::kAimCheck);
                 EXPECT_EQ(W<QLabel>("SpectrumCaption_Lbl")->text(), "Enter Channels To Check [MHz]");
                 EXPECT_FALSE(W("Spectrum_Range_Cbt_0")->isVisible());
                 EXPECT_TRUE(W("Spectrum_Range_Cbt_1")->isVisible());
                 EXPECT_TRUE(Grid(1)->isVisible());
                 EXPECT_FALSE(Grid(0)->isVisible());
                 Edit(1, 0, 1, "518.2");
                 Edit(1, 1, 1, "530");
                 Edit(1, 2, 1, "0");
                 Edit(1, 3, 1, "540,0");
                 ClickCell(1, 1, 0);  // 530 is not used
                 EXPECT_EQ(Column(1, 0), QStringList({"ON", "--", "ON", "ON", "--"}));
                 test::SaveShot(wizard.get(), "Wizard_Form_channels");
                 Click("Next_Cbt");
               },
               [&] {
                 EXPECT_EQ(wizard->CurrentPage(), 2) << "back on the same page";
                 Leave()();
               }});
  const CProject& p = *app.project;
  EXPECT_EQ(p.GlSystems(), 1);
  EXPECT_EQ(p.GlSlots(), 2);
  EXPECT_EQ(p.GlCurr(), 0);
  EXPECT_EQ(p.GcSystem(0)->GcSystemType()->GsGetLabel(), "Meridian");
  EXPECT_NE(p.GcSystem(0)->GcSystemType(), app.systems[0]) << "the project has its own copy";
  EXPECT_EQ(p.GcSystem(1)->GcSystemType()->GsGetLabel(), "Meridian");
  const CMicCollection& mics = *p.GcSystem(0)->GcMics();
  ASSERT_EQ(mics.GCount(), 2);
  const struct {
    const char* label;
    float freq;
  } expected[] = {{"1", 518.2f}, {"4", 540.0f}};
  for (int32_t i = 1; i <= 2; ++i) {
    const CMicInstance& m = *mics.GcItem(i);
    EXPECT_EQ(m.GsGetLabel(), expected[i - 1].label);
    EXPECT_FLOAT_EQ(m.GfGetFreq(), expected[i - 1].freq);
    EXPECT_EQ(m.GlGetColor(), 255);
    EXPECT_EQ(m.GlGetFlags(), app.systems[0]->GlGetFlags());
    EXPECT_EQ(m.GsGetType(), "Meridian");
  }
  ASSERT_EQ(p.GcSpectrumOf(0)->GlBands(), 1);
  EXPECT_FLOAT_EQ(p.GcSpectrumOf(0)->GxGetBand(1)->GfLo(), 10.0f);
  EXPECT_FLOAT_EQ(p.GcSpectrumOf(0)->GxGetBand(1)->GfHi(), 1000.0f);
  EXPECT_EQ(port.refreshes, (std::vector<int>{0, 2}));  // the check's marks, then the new project
  EXPECT_TRUE(std::filesystem::exists(app.CheckDir())) << "the check wrote its log";
}

TEST_F(WizardFixture, RowChecks) {
  wizard->show();
  // Search spectrum: edges held within 10 ... 1000; the entry row becomes a used row.
  Edit(0, 1, 1, "5");
  Edit(0, 1, 2, "1200");
  EXPECT_EQ(Column(0, 1), QStringList({"530.000", "10.000", ""}));
  EXPECT_EQ(Column(0, 2), QStringList({"540.000", "1000.000", ""}));
  EXPECT_EQ(Column(0, 0), QStringList({"ON", "ON", "--"}));
  ClickCell(0, 2, 0);  // switching the entry row on checks it and adds a new one
  EXPECT_EQ(Column(0, 1), QStringList({"530.000", "10.000", "10.000", ""}));

  // Channels: a frequency off the type's grid is moved onto it, or the edit is undone.
  Click("Compute_Obt_2");
  port.answers = {kOk, kCancel};
  Edit(1, 0, 1, "518.21");
  Edit(1, 0, 1, "518.22");
  // Text that is not a number is refused and the cell gets back its value.
  Edit(1, 0, 1, "abc");
  Edit(0, 0, 2, "x");
  EXPECT_EQ(Column(1, 1), QStringList({"518.200", ""}));
  EXPECT_EQ(Column(0, 2)[0], "540.000");
  const std::vector<std::string> said = port.messageTexts();
  ASSERT_EQ(said.size(), 4u);
  EXPECT_EQ(said[1],
            "You have entered a frequency that is not valid for the current system.\nShould KOVA change this "
            "frequency to a valid value?\n518.220 MHz becomes 518.225 MHz (tuning ranges 518.000\u2013550.000, "
            "630.000\u2013662.000, 740.000\u2013772.000, 790.000\u2013822.000, 838.000\u2013870.000 MHz).");
  EXPECT_EQ(said[2], "Please enter a frequency in MHz.");
  EXPECT_EQ(said[3], said[2]);
  wizard->hide();
}

TEST_F(WizardFixture, ChangeAndTheSpectrumSources) {
  std::filesystem::create_directories(app.PresetDir());
  test::WriteFile(app.PresetDir() + "Stage.spg", "KOVA Preset File\r\n470.000\r\n471.000\r\n");
  Organize(1, {[&] {
    wizard->ShowPage(0);
    WhenShown("SelectSystem_Form", [](QWidget* designer) {
      Child<QListWidget>(designer, "MicType_Cbx")->setCurrentRow(3);
      QTest::mouseClick(Child<QPushButton>(designer, "Ok_Cbt"), Qt::LeftButton);
    });
    Click("SystemChange_Cbt");
    EXPECT_EQ(wizard->ChosenSystem(), 4);
    EXPECT_EQ(W<QLabel>("System_Lbl")->text(), "Osprey Series");

    // "Range" offers the tuning bands of the chosen type.
    ToPage2(0);
    WhenShown("SelectCountry_Form", [](QWidget* dialog) {
      QTest::mouseClick(Child<QPushButton>(dialog, "SelectAll_Cbt"), Qt::LeftButton);
      QTest::mouseClick(Child<QPushButton>(dialog, "Ok_Cbt"), Qt::LeftButton);
    });
    Click("Spectrum_Range_Cbt_2");
    EXPECT_EQ(Column(0, 1), QStringList({"450.000", ""}));
    EXPECT_EQ(Column(0, 2), QStringList({"960.000", ""}));

    // A preset added to the channels to check keeps the channels there ("Keep Old").
    Click("Compute_Obt_2");
    Edit(1, 0, 1, "600");
    WhenShown("SelectCountry_Form", [](QWidget* dialog) {
      Child<QCheckBox>(dialog, "KeepOld_Chk")->setChecked(true);
      QTest::mouseClick(Child<QPushButton>(dialog, "SelectAll_Cbt"), Qt::LeftButton);
      QTest::mouseClick(Child<QPushButton>(dialog, "Ok_Cbt"), Qt::LeftButton);
    });
    Click("Spectrum_Range_Cbt_1");
    EXPECT_EQ(Column(1, 1), QStringList({"600.000", "470.000", "471.000", ""}));
    Leave()();
  }});
}

// The whole road of the second aim on a small band: the search, the applied channels and the
// written report.
TEST_F(WizardFixture, MaximumNumberEndToEnd) {
  const std::string report = dir.File("wizard report.txt");
  port.fileAnswers = {report};
  Organize(1, {[&] {
                 ToPage2(Wizard_Form::kAimMaximum, "10");
                 Edit(0, 0, 1, "530");
                 Edit(0, 0, 2, "531");
                 Click("Next_Cbt");
               },
               Leave()});
  const std::vector<float> freqs = Freqs();
  ASSERT_GE(freqs.size(), 2u);
  for (float f : freqs) {
    EXPECT_GE(f, 530.0f);
    EXPECT_LE(f, 531.0f);
  }
  EXPECT_TRUE(MN_RunCheck(app, false, true, false, nullptr)) << "the applied channels are compatible";
  ASSERT_TRUE(std::filesystem::exists(report));
  const std::string text = test::ReadFile(report);
  for (float f : freqs) EXPECT_NE(text.find(MN_FormatFreq(f)), std::string::npos) << f;
  EXPECT_EQ(port.openedFiles, std::vector<std::string>{report});
  EXPECT_EQ(port.refreshes, std::vector<int>{2});
  EXPECT_TRUE(app.flags.projectModified);
}
