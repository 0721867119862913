// The main window driven through its controls as a user does: typing into the grids, clicking
// colour cells and buttons, with the scripted port answering the questions.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>
#include <QUndoStack>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/SystemCommands.h"
#include "app/TypeFacts.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"
#include "tools/Tools.h"
#include "ui/Container_Form.h"
#include "ui/DesktopShell.h"
#include "ui/FlexGrid.h"
#include "ui/Main_Form.h"
#include "ui/ProjectHistory.h"
#include "search/DriverTestSupport.h"
#include "ui/UiTestSupport.h"
#include "ui/Zones_Form.h"

namespace kova {
namespace {

using test::Child;

void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// Types `text` into cell (row, col) and leaves the editor with `key` (Enter, Tab, Escape).
void Type(FlexGrid& grid, int row, int col, const QString& text, Qt::Key key = Qt::Key_Return) {
  grid.Select(row, col);
  grid.EditCell();
  auto* editor = grid.Table()->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr) << "no editor on " << row << "," << col;
  editor->setText(text);
  QTest::keyClick(editor, key);
  Settle();
}

void ClickCell(FlexGrid& grid, int row, int col) {
  QTableWidget* table = grid.Table();
  const QRect rect = table->visualRect(table->model()->index(row - 1, col - 1));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
  Settle();
}

void Press(QWidget* form, const char* name) {
  auto* button = Child<QPushButton>(form, name);
  ASSERT_NE(button, nullptr) << name;
  button->click();
  Settle();
}

// The scripted port, with the window as the frame would connect it: refreshes and the status
// light reach it.
class WindowPort : public ScriptedPort {
 public:
  Main_Form* form = nullptr;
  void refreshViews(int mode) override {
    ScriptedPort::refreshViews(mode);
    if (form) form->RefreshViews(mode);
  }
  void setStatusLight(int picture) override {
    ScriptedPort::setStatusLight(picture);
    if (form) form->SetStatusLight(picture);
  }
};

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() : scope(port) {
    app.appDir = dir.Dir();
    MN_StartUp(app);
    form = std::make_unique<Main_Form>(app);
    form->resize(1100, 600);
    port.form = form.get();
    form->show();
    form->GOrganize();
    Settle();
  }

  std::vector<float> Freqs() const {
    std::vector<float> out;
    const CMicCollection& mics = *app.project->GcCurrSystem()->GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i) out.push_back(mics.GcItem(i)->GfGetFreq());
    return out;
  }
  void SetChannels(const std::vector<float>& freqs) {
    CMicCollection& mics = *app.project->GcCurrSystem()->GcMics();
    mics.GDefine();
    for (float f : freqs) mics.GAddMic(TL_Str(mics.GCount() + 1), "", f, 0, 0, 0, 0);
    form->PrepareMicList();
  }

  test::TempDir dir;
  WindowPort port;
  PortScope scope;
  AppState app;
  std::unique_ptr<Main_Form> form;

  ~MainFormTest() override { port.form = nullptr; }
};

TEST_F(MainFormTest, TypedChannelsAreSnappedOrRestoredAndCounted) {
  FlexGrid& grid = form->SetupGrid();
  EXPECT_EQ(grid.Rows(), 2);  // header and entry row
  Type(grid, 1, 1, "520,000");
  port.answers = {kOk};
  Type(grid, 2, 1, "530.005");  // off the 25 kHz grid: OK moves it to the nearest point
  port.answers = {kCancel};
  Type(grid, 2, 1, "531.011");  // Cancel puts back the text from before the edit
  Type(grid, 3, 2, "Vocal");    // a label alone makes a channel at the lowest frequency
  EXPECT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(port.messages[0].text.substr(0, port.messages[0].text.find("\r530.005")),
            "You have entered a frequency that is not valid for the current system.\rShould KOVA change this "
            "frequency to a valid value?");
  EXPECT_EQ(Freqs(), (std::vector<float>{520.0f, 530.0f, 10.0f}));
  EXPECT_EQ(grid.TextMatrix(2, 1), "530.000");
  EXPECT_EQ(grid.Rows(), 5);
  EXPECT_EQ(Child<QGroupBox>(form.get(), "MicSel_Frame")->title(), "Select Channels (3/3)");
  EXPECT_TRUE(app.flags.projectModified);
  EXPECT_TRUE(app.flags.productsStale);

  // 0 in the entry row with no label adds no row.
  Type(grid, 4, 1, "0");
  EXPECT_EQ(grid.Rows(), 5);
  // Enter moved the cursor down; Tab moves across instead.
  Type(grid, 1, 1, "520", Qt::Key_Tab);
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(grid.Col(), 2);
}

TEST_F(MainFormTest, ColourCellOpensTheChooserAtOnce) {
  SetChannels({520, 530});
  port.colorAnswers = {TL_ColorToLong(1, 2, 3)};
  ClickCell(form->SetupGrid(), 2, 3);
  EXPECT_EQ(app.project->GcCurrSystem()->GcMics()->GcItem(2)->GlGetColor(), TL_ColorToLong(1, 2, 3));
  port.colorAnswers = {std::nullopt};  // cancelled: unchanged
  ClickCell(form->SetupGrid(), 2, 3);
  EXPECT_EQ(app.project->GcCurrSystem()->GcMics()->GcItem(2)->GlGetColor(), TL_ColorToLong(1, 2, 3));
}

TEST_F(MainFormTest, RemoveShiftMirrorActOnSelectedChannelRowsOnly) {
  struct Case {
    const char* button;
    std::optional<std::string> input;
    int from, to;  // selected rows; 4 is the entry row
    std::vector<float> expected;
  };
  const Case cases[] = {
      {"Mirror_Cbt", "500", 1, 4, {520, 700, 0}},  // 1200 -> 0 is held at the limit
      {"Mirror_Cbt", "500", 2, 3, {480, 700, 0}},
      {"Shift_Cbt", "600", 3, 3, {480, 300, 1000}},
      {"Shift_Cbt", std::nullopt, 1, 3, {480, 300, 1000}},  // Cancel changes nothing
      {"SetupRem_Cbt", std::nullopt, 2, 4, {480}},
      {"SetupRem_Cbt", std::nullopt, 4, 4, {480, 300, 1000}},  // cursor on the entry row
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button);
    SetChannels({480, 300, 1000});
    form->askValue = [&c](const std::string&, std::string& value) {
      if (c.input) value = *c.input;
      return c.input.has_value();
    };
    form->SetupGrid().Select(c.from, 1, c.to, 2);
    Press(form.get(), c.button);
    EXPECT_EQ(Freqs(), c.expected);
  }
}

TEST_F(MainFormTest, SortReversesEachTime) {
  SetChannels({500, 520, 510});
  Press(form.get(), "MicSort_Cbt");
  EXPECT_EQ(Freqs(), (std::vector<float>{520, 510, 500}));
  Press(form.get(), "MicSort_Cbt");
  EXPECT_EQ(Freqs(), (std::vector<float>{500, 510, 520}));
}

TEST_F(MainFormTest, SpectrumCellsFollowTheFromToRules) {
  FlexGrid& grid = form->SpectrumGrid();
  app.project->GcSpectrum()->GDefine();
  form->PrepareSpectrum();
  struct Case {
    int row, col;
    const char* text;
    const char* from;
    const char* to;
    int rows;
  };
  const Case cases[] = {
      {1, 1, "470", "470.000", "470.000", 3},   // entry row becomes a band, new entry row
      {2, 1, "0", "0.000", "10.000", 3},         // 0 adds no row; "To" is held at 10
      {1, 1, "5", "10.000", "470.000", 3},
      {1, 2, "2000", "10.000", "1000.000", 3},
      {1, 2, "20", "10.000", "20.000", 3},       // "To" may be set below a later "From"
      {1, 1, "800", "800.000", "800.000", 3},    // "From" raises "To"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Type(grid, c.row, c.col, c.text);
    EXPECT_EQ(grid.TextMatrix(c.row, 1), c.from);
    EXPECT_EQ(grid.TextMatrix(c.row, 2), c.to);
    EXPECT_EQ(grid.Rows(), c.rows);
  }
  EXPECT_EQ(Child<QGroupBox>(form.get(), "Spectrum_Frame")->title(), "Search Spectrum (1)");
  EXPECT_FLOAT_EQ(app.project->GcSpectrum()->GxGetBand(1)->GfLo(), 800.0f);
}

TEST_F(MainFormTest, SearchStepIsHeldOnTheQuarterGridScale) {
  auto* box = Child<QLineEdit>(form.get(), "SearchStep_Tbx");
  // "5" and "x" cannot be typed: the step stays.
  const std::pair<const char*, float> cases[] = {{"0,1", 0.1f}, {"0.1", 0.1f}, {"5", 0.1f}, {"0.03", 0.03f}, {"x", 0.03f}};
  for (const auto& [text, step] : cases) {
    box->clear();
    QTest::keyClicks(box, text);
    EXPECT_FLOAT_EQ(app.project->GcSystem(0)->GcSystemType()->GfGetSearchStep(), step) << text;
  }
}

TEST_F(MainFormTest, SecondSystemShowsItsColumnsAndHidesMaximumSearch) {
  auto* on = Child<QCheckBox>(form.get(), "System2On_Chk");
  for (bool second : {true, false, true}) {
    on->click();
    Settle();
    EXPECT_EQ(app.project->GbSecondSystem(), second);
    EXPECT_EQ(Child<QCheckBox>(form.get(), "Flag2_Chk_0")->isVisible(), second);
    EXPECT_EQ(Child<QLineEdit>(form.get(), "GenChannels2_Tbx")->isVisible(), second);
    EXPECT_EQ(Child<QCheckBox>(form.get(), "Systematic_Chk")->isVisible(), !second);
    EXPECT_EQ(Child<QRadioButton>(form.get(), "SystemOn_Obt_1")->isEnabled(), second);
  }
  // Channels typed for the second system go to its own list.
  Child<QRadioButton>(form.get(), "SystemOn_Obt_1")->click();
  Settle();
  EXPECT_EQ(app.project->GlCurr(), 1);
  Type(form->SetupGrid(), 1, 1, "640");
  EXPECT_EQ(app.project->GcSystem(1)->GcMics()->GCount(), 1);
  EXPECT_EQ(app.project->GcSystem(0)->GcMics()->GCount(), 0);
  EXPECT_EQ(Child<QGroupBox>(form.get(), "MicSel_Frame")->title(), "Select Channels (1/1)");
}

TEST_F(MainFormTest, ChoosingATypeAsksOnlyWhenTheLabelChanges) {
  SetChannels({520, 530});
  const std::string first = app.systems[0]->GsGetLabel();
  struct Case {
    int32_t chosen;
    std::optional<int> answer;  // nullopt: no question expected
    int channels;
  };
  const Case cases[] = {{1, std::nullopt, 2}, {2, kCancel, 2}, {2, kYes, 2}, {1, kNo, 0}};
  for (const Case& c : cases) {
    port.messages.clear();
    if (c.answer) port.answers = {*c.answer};
    form->showSystemDesigner = [&c](int32_t) { return c.chosen; };
    Press(form.get(), "SelectSystem_Cbt_0");
    EXPECT_EQ(port.messages.size(), c.answer ? 1u : 0u) << c.chosen;
    EXPECT_EQ(app.project->GcCurrSystem()->GcMics()->GCount(), c.channels);
  }
  EXPECT_EQ(app.project->GcSystem(0)->GcSystemType()->GsGetLabel(), first);
}

TEST_F(MainFormTest, SystemPanelShowsEachTypeWithItsFacts) {
  auto* name = Child<QLabel>(form.get(), "SystemUsed_Lbl_0");
  auto facts = [&] { return Child<QLabel>(form.get(), "SystemFacts_Lbl_0")->text().remove(QChar(0x2060)); };
  CSystemType& type = *app.project->GcSystem(0)->GcSystemType();
  EXPECT_EQ(facts(), QString::fromStdString(MN_TypeFacts(type)));
  // A new search step or spacing switch shows at once.
  Child<QCheckBox>(form.get(), "Flag_Chk_1")->click();
  Child<QLineEdit>(form.get(), "SearchStep_Tbx")->clear();
  QTest::keyClicks(Child<QLineEdit>(form.get(), "SearchStep_Tbx"), "1");
  EXPECT_TRUE(facts().endsWith("step 1.000 MHz \u00b7 spacing off")) << facts().toStdString();
  // A name longer than the room is cut on screen only: the window keeps its width, the label its
  // whole text, and the tool tip names the type.
  const int width = form->width();
  type.GsSetLabel(std::string(60, 'W'));
  form->RefreshViews(1);
  Settle();
  EXPECT_EQ(form->width(), width);
  EXPECT_LT(name->width(), name->fontMetrics().horizontalAdvance(name->text()));
  EXPECT_EQ(name->text(), "System : " + QString(60, QLatin1Char('W')));
  EXPECT_TRUE(name->toolTip().startsWith(QString(60, QLatin1Char('W')) + "\n"));
}

TEST_F(MainFormTest, CheckDrivesTheLightAndGenerateAsksForAtMostTheRuns) {
  SetChannels({520, 520.1f});  // too close: incompatible
  port.answers = {kNo, kCancel};
  Press(form.get(), "Check_Cbt");
  EXPECT_EQ(form->StatusLight(), 3);
  ASSERT_FALSE(port.messages.empty());
  EXPECT_NE(port.messages.back().text.find("Channel configuration is not compatible."), std::string::npos);

  SetChannels({});
  Child<QLineEdit>(form.get(), "GenRuns_Tbx")->setText("5");
  Child<QLineEdit>(form.get(), "GenShow_Tbx")->setText("10");
  Child<QLineEdit>(form.get(), "GenChannels_Tbx")->setText("3");
  Press(form.get(), "Generate_Cbt");
  int runs = 0;
  for (const auto& call : port.busyCalls) runs += call.text.rfind("Already found", 0) == 0;
  EXPECT_EQ(runs, 5);
  ASSERT_EQ(port.shownProposals.size(), 1u);
  EXPECT_LE(app.proposals->GxGetItem(port.shownProposals[0])->GlCount(), 5);
}

TEST_F(MainFormTest, OptimiseExcludesMaximumSearchAndRunsOnce) {
  auto* optimise = Child<QCheckBox>(form.get(), "Optimise_Chk");
  auto* systematic = Child<QCheckBox>(form.get(), "Systematic_Chk");
  EXPECT_EQ(optimise->text(), "Optimise");
  systematic->setChecked(true);
  optimise->setChecked(true);
  EXPECT_FALSE(systematic->isChecked());
  systematic->setChecked(true);
  EXPECT_FALSE(optimise->isChecked());
  optimise->setChecked(true);

  SetChannels({});
  Child<QLineEdit>(form.get(), "GenRuns_Tbx")->setText("5");
  Child<QLineEdit>(form.get(), "GenChannels_Tbx")->setText("3");
  Press(form.get(), "Generate_Cbt");
  int runs = 0, optimising = 0;
  for (const auto& call : port.busyCalls) {
    runs += call.text.rfind("Already found", 0) == 0;
    optimising += call.text.rfind("Optimising (", 0) == 0;
  }
  EXPECT_EQ(runs, 1);
  EXPECT_GE(optimising, 2);  // started and ended
  ASSERT_EQ(port.shownProposals.size(), 1u);
  const auto proposals = app.proposals->GxGetItem(port.shownProposals[0]);
  ASSERT_GE(proposals->GlCount(), 1);
  EXPECT_EQ(proposals->GxGetProject(1)->GcSystem(0)->GcMics()->GCount(), 3);
}

}  // namespace
}  // namespace kova

namespace kova {
namespace {

// The tables show the channels and the search spectrum of the current system after every way of
// changing the current system or its type.
TEST_F(MainFormTest, TablesFollowEveryChangeOfTheCurrentSystem) {
  CProject& p = *app.project;
  const auto expectTablesShowProject = [&](const char* path) {
    SCOPED_TRACE(path);
    const CMicCollection& mics = *p.GcCurrSystem()->GcMics();
    ASSERT_EQ(form->SetupGrid().Rows(), mics.GCount() + 2);
    for (int32_t i = 1; i <= mics.GCount(); ++i)
      EXPECT_EQ(form->SetupGrid().TextMatrix(i, 1).toStdString(), MN_FormatFreq(mics.GcItem(i)->GfGetFreq()));
    const CSpectrum& bands = *p.GcSpectrum();
    ASSERT_EQ(form->SpectrumGrid().Rows(), bands.GlBands() + 2);
    for (int32_t i = 1; i <= bands.GlBands(); ++i) {
      EXPECT_EQ(form->SpectrumGrid().TextMatrix(i, 1).toStdString(), MN_FormatFreq(bands.GxGetBand(i)->GfLo()));
      EXPECT_EQ(form->SpectrumGrid().TextMatrix(i, 2).toStdString(), MN_FormatFreq(bands.GxGetBand(i)->GfHi()));
    }
  };
  const struct {
    const char* path;
    int32_t from, to;  // current system before and after
    std::function<void()> act;
  } paths[] = {
      {"option #2", 0, 1, [&] { QTest::mouseClick(Child<QRadioButton>(form.get(), "SystemOn_Obt_1"), Qt::LeftButton); }},
      {"label #1", 1, 0, [&] { QTest::mouseClick(Child<QLabel>(form.get(), "SystemUsed_Lbl_0"), Qt::LeftButton); }},
      {"... of #2", 0, 1,
       [&] {
         form->showSystemDesigner = [](int32_t) { return 6; };  // a type with another label
         port.answers = {kYes};
         Press(form.get(), "SelectSystem_Cbt_1");
       }},
      {"#2 off while current", 1, 0, [&] { Child<QCheckBox>(form.get(), "System2On_Chk")->click(); }},
  };
  for (const auto& path : paths) {
    p.GbSecondSystem(true);
    p.GcSystem(1)->GcSystemType(app.systems[3]->GGetCopy());
    test::SetSearchSpectrum(p, 0, {{470, 514}});
    test::SetSearchSpectrum(p, 1, {{600, 700}});
    p.GlCurr(0);
    SetChannels({520, 530});
    p.GlCurr(1);
    SetChannels({640});
    p.GlCurr(path.from);
    form->RefreshViews(2);
    path.act();
    Settle();
    EXPECT_EQ(p.GlCurr(), path.to) << path.path;
    expectTablesShowProject(path.path);
  }
}

// A command of the window first ends an open cell edit: the remove acts on the channel the user
// selected, nothing asks about the entry row and nothing comes back.
TEST_F(MainFormTest, ACommandEndsAnOpenEditFirst) {
  for (bool mouse : {true, false}) {
    SetChannels({520, 530, 540});
    port.messages.clear();
    ClickCell(form->SetupGrid(), 3, 1);  // one click opens the editor on the last channel
    ASSERT_TRUE(form->SetupGrid().Editing());
    auto* remove = Child<QPushButton>(form.get(), "SetupRem_Cbt");
    mouse ? QTest::mouseClick(remove, Qt::LeftButton) : remove->click();
    Settle();
    EXPECT_TRUE(port.messages.empty()) << mouse;
    EXPECT_EQ(Freqs(), (std::vector<float>{520, 530}));
    EXPECT_EQ(form->SetupGrid().Rows(), 4);
  }
}

TEST_F(MainFormTest, TextThatIsNotAFrequencyIsRefused) {
  SetChannels({520, 530});
  FlexGrid& setup = form->SetupGrid();
  Type(setup, 2, 1, "abc");  // a channel keeps its frequency
  Type(setup, 3, 1, "abc");  // the entry row adds nothing
  Type(setup, 1, 1, "");     // an emptied cell is no edit
  Type(form->SpectrumGrid(), 1, 2, "x");
  EXPECT_EQ(port.messageTexts(), std::vector<std::string>(3, "Please enter a frequency in MHz."));
  EXPECT_EQ(Freqs(), (std::vector<float>{520, 530}));
  EXPECT_EQ(setup.TextMatrix(2, 1), "530.000");
  EXPECT_EQ(setup.Rows(), 4);
  EXPECT_EQ(form->SpectrumGrid().TextMatrix(1, 2).toStdString(),
            MN_FormatFreq(app.project->GcSpectrum()->GxGetBand(1)->GfHi()));

  // A number off the grid: the question says what OK makes of it.
  port.messages.clear();
  port.answers = {kOk};
  Type(setup, 1, 1, "5000");
  ASSERT_EQ(port.messages.size(), 1u);
  const std::string& q = port.messages[0].text;
  EXPECT_EQ(q.substr(q.rfind('\r') + 1),
            "5000.000 MHz becomes 870.000 MHz (tuning ranges 518.000\u2013550.000, 630.000\u2013662.000, "
            "740.000\u2013772.000, 790.000\u2013822.000, 838.000\u2013870.000 MHz).");
  EXPECT_EQ(Freqs(), (std::vector<float>{870, 530}));
}

// The light answers for the channels on screen after every committed change: neutral without
// channels, red while one sits in a gap of the search spectrum, green once it is fixed.
TEST_F(MainFormTest, StatusLightFollowsEveryChange) {
  EXPECT_EQ(form->StatusLight(), 0);
  test::SetSearchSpectrum(*app.project, 0, {{470, 514}, {522, 608}});
  form->RefreshViews(2);
  Settle();
  const struct {
    const char* typed;
    int light;
  } steps[] = {{"520", 3}, {"530", 1}, {"530.2", 3}, {"540", 1}};
  int row = 1;
  // The check runs in the background; its answer arrives with the events.
  const auto light = [&] { return QTest::qWaitFor([&] { return !form->SilentCheckBusy(); }, test::kStateWaitMs) ? form->StatusLight() : -1; };
  for (const auto& step : steps) {
    Type(form->SetupGrid(), row, 1, step.typed);
    row = step.light == 3 ? row : row + 1;
    EXPECT_EQ(light(), step.light) << step.typed;
  }
  form->SetupGrid().Select(1, 1, 2, 1);
  Press(form.get(), "SetupRem_Cbt");
  EXPECT_EQ(light(), 0);
}

TEST(MainWindowInFrame, PlacesOfTheWindowsSurviveARestart) {
  test::TempDir dir;
  ScriptedPort scripted;
  PortScope scope(scripted);
  AppState app;
  app.appDir = dir.Dir();
  MN_StartUp(app);
  QRect placed;
  {
    QtPort hooks;
    Container_Form frame;
    frame.show();
    MN_CreateMainWindow(frame, app, hooks);
    MN_KeepWindowPlaces(frame, app.appDir);
    QMdiSubWindow* child = frame.MdiArea()->subWindowList().value(0);
    ASSERT_NE(child, nullptr);
    child->setGeometry(30, 40, 700, 450);
    placed = child->geometry();
    frame.Unload();
  }
  QtPort hooks;
  Container_Form frame;
  frame.show();
  MN_CreateMainWindow(frame, app, hooks);
  MN_KeepWindowPlaces(frame, app.appDir);
  EXPECT_EQ(frame.MdiArea()->subWindowList().value(0)->geometry(), placed);
}

}  // namespace
}  // namespace kova

namespace kova {
namespace {

// The system list drives the project and the per-system table follows: systems added up to four
// with their types, a type chosen by a row's "...", the current system switched by its row, one
// removed after the question (Cancel first), and the last one kept.
TEST_F(MainFormTest, SystemListAddsChoosesSwitchesAndRemovesSystems) {
  CProject& p = *app.project;
  test::SetSearchSpectrum(p, 0, {{470, 608}});
  auto box = [&](const char* stem, int k) {
    const std::string name = stem + (k == 0 ? std::string() : std::to_string(k + 1)) + "_Tbx";
    return Child<QLineEdit>(form.get(), name.c_str());
  };
  auto label = [&](int k) { return p.GcSystem(k)->GcSystemType()->GsGetLabel(); };
  for (int32_t type : {4, 7, 5}) {
    form->showSystemDesigner = [type](int32_t) { return type; };
    Press(form.get(), "AddSystem_Cbt");
    const int32_t k = p.GlSystems() - 1;
    EXPECT_EQ(p.GlCurr(), k);
    EXPECT_EQ(label(k), app.systems[static_cast<size_t>(type - 1)]->GsGetLabel());
    EXPECT_FLOAT_EQ(p.GcSpectrumOf(k)->GxGetBand(1)->GfHi(), 608.0f);
    EXPECT_EQ(box("SearchStep", k)->text().toStdString(), MN_FormatFreq(p.GcSystem(k)->GcSystemType()->GfGetSearchStep()));
  }
  ASSERT_EQ(p.GlSystems(), 4);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(box("GenChannels", k)->isVisible(), k < 4) << k;

  // "..." of #3 starts the chooser at #3's type, whichever system is current.
  int32_t offered = 0;
  form->showSystemDesigner = [&offered](int32_t position) { return offered = position, 2; };
  port.answers = {kYes};
  Press(form.get(), "SelectSystem_Cbt_2");
  EXPECT_EQ(offered, 7);
  EXPECT_EQ(label(2), app.systems[1]->GsGetLabel());

  Child<QRadioButton>(form.get(), "SystemOn_Obt_1")->click();
  Settle();
  EXPECT_EQ(p.GlCurr(), 1);
  Type(form->SetupGrid(), 1, 1, "500");
  EXPECT_EQ(p.GcSystem(1)->GcMics()->GCount(), 1);
  EXPECT_EQ(Child<QLabel>(form.get(), "SystemCount_Lbl_1")->text(), "(1)");
  QTest::keyClicks(box("GenChannels", 2), "7");  // after the 10 there: 107 is refused
  box("GenChannels", 3)->clear();
  QTest::keyClicks(box("GenChannels", 3), "5");
  EXPECT_EQ(p.GcSystem(2)->GlAddCount(), 10);

  // Removing #2 asks; Cancel keeps it, OK removes it and the systems after it move up with
  // their columns.
  for (int answer : {kCancel, kOk}) {
    port.messages.clear();
    port.answers = {answer};
    Press(form.get(), "RemoveSystem_Cbt");
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_NE(port.messages[0].text.find("Remove system #2 (" + app.systems[3]->GsGetLabel() + ") with its 1 channel?"),
              std::string::npos);
  }
  ASSERT_EQ(p.GlSystems(), 3);
  EXPECT_EQ(label(1), app.systems[1]->GsGetLabel());
  EXPECT_EQ(p.GlCurr(), 1);
  EXPECT_EQ(box("GenChannels", 1)->text(), "10");
  EXPECT_EQ(box("GenChannels", 2)->text(), "5");
  EXPECT_FALSE(box("GenChannels", 3)->isVisible());
  EXPECT_EQ(form->SetupGrid().Rows(), 2);  // the tables show the system now current

  port.answers = {kOk, kOk};
  for (int i = 0; i < 2; ++i) Press(form.get(), "RemoveSystem_Cbt");
  EXPECT_EQ(p.GlSystems(), 1);
  EXPECT_FALSE(Child<QPushButton>(form.get(), "RemoveSystem_Cbt")->isEnabled());
  EXPECT_FALSE(box("GenChannels", 1)->isVisible());
}

// A system goes into a new zone from its row's zone choice; the Zones dialog renames the zone and
// sets the pair apart, its matrix mirroring the choice; nothing reaches the project before Apply.
TEST_F(MainFormTest, ZoneChoiceAndZonesDialog) {
  CProject& p = *app.project;
  Child<QCheckBox>(form.get(), "System2On_Chk")->click();
  Settle();
  auto* zone = Child<QComboBox>(form.get(), "SystemZone_Cbx_1");
  ASSERT_EQ(zone->count(), 2);
  EXPECT_EQ(zone->itemText(1), "New Zone");
  zone->setFocus();
  QTest::keyClick(zone, Qt::Key_Down);
  Settle();
  EXPECT_EQ(p.GcSystem(1)->GlZone(), 2);
  EXPECT_EQ(p.GcZones().GlCount(), 2);
  EXPECT_EQ(Child<QComboBox>(form.get(), "SystemZone_Cbx_0")->itemText(1), "2 Zone 2");

  Zones_Form dialog(p);
  dialog.PrepareZones();
  auto* names = Child<QTableWidget>(&dialog, "flxZones");
  EXPECT_EQ(names->item(1, 1)->text(), "#2");
  names->item(1, 0)->setText("Stage B");
  auto* relation = Child<QComboBox>(&dialog, "Relation_Cbx_1_2");
  EXPECT_EQ(relation->currentText(), "near");
  relation->setFocus();
  QTest::keyClick(relation, Qt::Key_Down);
  EXPECT_EQ(Child<QTableWidget>(&dialog, "flxRelations")->item(1, 0)->text(), "apart");
  EXPECT_EQ(p.GcZones().GsName(2), "Zone 2");
  EXPECT_TRUE(dialog.Apply());
  EXPECT_EQ(p.GcZones().GsName(2), "Stage B");
  EXPECT_EQ(p.GcZones().GeRelation(1, 2), kZoneApart);
}

TEST_F(MainFormTest, KeepingChannelsOnATypeChangeSaysWhatMovesAndNeverStacksThem) {
  // A system without channels takes another type without a question.
  form->showSystemDesigner = [](int32_t) { return 4; };  // 450 - 960 MHz
  Press(form.get(), "SelectSystem_Cbt_0");
  EXPECT_TRUE(port.messages.empty());
  const struct {
    std::vector<float> before;
    const char* says;
    std::vector<float> after;
  } cases[] = {
      {{600, 640, 700}, "2 of 3 channels lie outside the new type's tuning ranges and would move to its nearest edge.",
       {630, 640, 662}},
      {{610, 620, 640}, "2 channels would land on the frequency of another channel and keep their frequencies", {610, 620, 640}},
  };
  form->showSystemDesigner = [](int32_t) { return 1; };  // 518 - 550, 630 - 662, ... MHz
  for (const auto& c : cases) {
    app.project->GcCurrSystem()->GcSystemType(app.systems[3]->GGetCopy());
    SetChannels(c.before);
    port.messages.clear();
    port.answers = {kYes};
    Press(form.get(), "SelectSystem_Cbt_0");
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_NE(port.messages[0].text.find(c.says), std::string::npos) << port.messages[0].text;
    EXPECT_EQ(Freqs(), c.after);
  }
  // The channels left where the new type cannot tune are marked.
  EXPECT_EQ(form->SetupGrid().Table()->item(0, 0)->toolTip(), "Outside the tuning range of Meridian");
  EXPECT_EQ(form->SetupGrid().Table()->item(2, 0)->toolTip(), "");
}

TEST_F(MainFormTest, NumberBoxesRefuseWhatTheSearchCannotUseAndShowWhatItUses) {
  const struct {
    const char* box;
    const char* typed;
    const char* shown;
  } cases[] = {
      {"SearchStep_Tbx", "abc", "0.025"}, {"SearchStep_Tbx", "0", "0.025"},   {"SearchStep_Tbx", "0.0001", "0.025"},
      {"SearchStep_Tbx", "50", "0.025"},  {"SearchStep_Tbx", "0.5", "0.500"}, {"GenChannels_Tbx", "-5", "5"},
      {"GenChannels_Tbx", "abc", "0"},    {"GenChannels_Tbx", "1000", "100"}, {"GenRuns_Tbx", "abc", "1"},
      {"GenShow_Tbx", "0", "1"},
  };
  for (const auto& c : cases) {
    auto* box = Child<QLineEdit>(form.get(), c.box);
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, c.typed);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->text(), c.shown) << c.box << " " << c.typed;
  }
  EXPECT_FLOAT_EQ(app.project->GcSystem(0)->GcSystemType()->GfGetSearchStep(), 0.5f);
  EXPECT_EQ(app.project->GcSystem(0)->GlAddCount(), 100);

  // A band never ends below its start.
  Type(form->SpectrumGrid(), 1, 1, "640");
  Type(form->SpectrumGrid(), 1, 2, "635");
  ASSERT_FALSE(port.messages.empty());
  EXPECT_NE(port.messages.back().text.find("A band cannot end below its start"), std::string::npos);
  EXPECT_EQ(form->SpectrumGrid().TextMatrix(1, 2), "1000.000");
  EXPECT_FLOAT_EQ(app.project->GcSpectrum()->GxGetBand(1)->GfHi(), 1000.0f);
}

TEST_F(MainFormTest, AnEditThatChangesNothingLeavesTheProjectUnmodified) {
  SetChannels({520});
  TL_SetChanged(app.flags, false, false, true, false);
  port.answers = {kCancel};
  Type(form->SetupGrid(), 1, 1, "5000");  // Cancel on the question for the nearest grid point
  Type(form->SetupGrid(), 1, 1, "520");   // the same frequency again
  EXPECT_EQ(Freqs(), std::vector<float>{520});
  EXPECT_FALSE(app.flags.projectModified);
}

TEST_F(MainFormTest, ChannelsToAddBelongToTheirSystem) {
  ProjectHistory history(app);
  auto box = [&](int k) { return Child<QLineEdit>(form.get(), k == 0 ? "GenChannels_Tbx" : "GenChannels2_Tbx"); };
  form->showSystemDesigner = [](int32_t) { return 4; };
  Press(form.get(), "AddSystem_Cbt");
  for (int k : {0, 1}) {
    box(k)->selectAll();
    QTest::keyClicks(box(k), k == 0 ? "3" : "7");
  }
  Child<QRadioButton>(form.get(), "SystemOn_Obt_0")->click();
  Settle();
  port.answers = {kOk};
  Press(form.get(), "RemoveSystem_Cbt");
  EXPECT_EQ(box(0)->text(), "7");
  history.Stack()->undo();
  Settle();
  EXPECT_EQ(box(0)->text(), "3");
  EXPECT_EQ(box(1)->text(), "7");
  port.answers = {kNo};
  ASSERT_TRUE(MN_FileNew(app));
  EXPECT_EQ(box(0)->text(), "10");
}

TEST_F(MainFormTest, ASmallWindowScrollsToEveryCommand) {
  form->resize(800, 600);
  Settle();
  auto* scroll = Child<QScrollArea>(form.get(), "MainScroll");
  ASSERT_NE(scroll, nullptr);
  for (const char* name : {"Generate_Cbt", "Check_Cbt"}) {
    auto* button = Child<QPushButton>(form.get(), name);
    scroll->ensureWidgetVisible(button);
    Settle();
    EXPECT_TRUE(form->rect().contains(QRect(button->mapTo(form.get(), QPoint(0, 0)), button->size()))) << name;
  }
}

// The festival's four systems in two zones: at 1024 x 700 every control lies in the window with
// nothing to scroll sideways, and no column head is cut, there or larger.
TEST_F(MainFormTest, EveryControlFitsA1024By700WindowWithWholeHeads) {
  for (int32_t type : {2, 3, 4}) MN_AddSystem(app, *app.systems[static_cast<size_t>(type - 1)]);
  for (int32_t k : {2, 3}) app.project->GSetSystemZone(k, 2);
  MN_RefreshViews(2);
  for (const QSize size : {QSize(1024, 700), QSize(1400, 900)}) {
    form->resize(size);
    Settle();
    EXPECT_EQ(Child<QScrollArea>(form.get(), "MainScroll")->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(Child<QScrollArea>(form.get(), "SystemParams_Scroll")->horizontalScrollBar()->maximum(), 0);
    for (QWidget* w : form->findChildren<QWidget*>()) {
      const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                           qobject_cast<QComboBox*>(w) || qobject_cast<QTableWidget*>(w);
      if (!control || !w->isVisibleTo(form.get())) continue;
      const QRect box(w->mapTo(form.get(), QPoint(0, 0)), w->size());
      EXPECT_TRUE(form->rect().contains(box)) << w->objectName().toStdString() << " at " << size.width();
    }
    for (QHeaderView* head : form->findChildren<QHeaderView*>())
      for (int c = 0; head->orientation() == Qt::Horizontal && c < head->count(); ++c)
        EXPECT_GE(head->sectionSize(c), head->fontMetrics().horizontalAdvance(head->model()->headerData(c, Qt::Horizontal).toString()) + 8);
  }
}

// A paste never moves a frequency: what the type cannot tune stays out, named with its reason.
TEST_F(MainFormTest, PasteLeavesOutWhatTheTypeCannotTuneAndNamesIt) {
  CSpectrum& tuning = *app.project->GcCurrSystem()->GcSystemType()->GxSpectrum();
  tuning.GDefine();
  tuning.GAddBand(626.0f, 698.0f, 0.025f);
  SetChannels({650});
  QApplication::clipboard()->setText(
      QStringLiteral("Frequency\tLabel\n606.500\tHouse 1\n612,250\tHouse 2\n650.010\tOff\n660,5\tIEM\nabc\n"));
  port.messages.clear();
  form->PasteChannels();
  EXPECT_EQ(Freqs(), (std::vector<float>{650.0f, 660.5f}));
  ASSERT_EQ(port.messages.size(), 1u);
  const std::string& text = port.messages[0].text;
  for (const char* named : {"line 1 (Frequency Label): heading, no frequency",
                            "606.500: outside the tuning range 626.000\u2013698.000 MHz of ", "612.250: outside",
                            "650.010: off the tuning grid of ", "line 6 (abc): no frequency"})
    EXPECT_NE(text.find(named), std::string::npos) << named << " in " << text;
}

// The last search's summary and shortfall go with New and with a change of zones.
TEST_F(MainFormTest, SearchSummaryGoesWithNewAndAZoneChange) {
  auto* summary = Child<QLabel>(form.get(), "OptimiseResult_Lbl");
  Child<QCheckBox>(form.get(), "Optimise_Chk")->setChecked(true);
  Child<QLineEdit>(form.get(), "GenChannels_Tbx")->setText("3");
  for (int step = 0; step < 2; ++step) {
    if (step == 1) MN_AddSystem(app, *app.systems[1]), MN_RefreshViews(2);
    SetChannels({});
    Press(form.get(), "Generate_Cbt");
    EXPECT_FALSE(summary->isHidden());
    app.project = app.project->GGetCopy(), MN_NotePlan(app, {}), MN_RefreshViews(2);  // a proposal taken into use
    EXPECT_FALSE(summary->isHidden());
    port.answers = {kNo};
    EXPECT_TRUE(step == 0 ? MN_FileNew(app) : app.project->GSetSystemZone(1, 2));
    MN_RefreshViews(2);
    Settle();
    EXPECT_TRUE(summary->isHidden()) << step;
  }
}

}  // namespace
}  // namespace kova
