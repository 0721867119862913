#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/AppState.h"
#include "app/PersistenceTestSupport.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"
#include "ui/SelectCountry_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;

namespace {

struct Band {
  float lo, hi, step;
  bool operator==(const Band&) const = default;
};

std::vector<Band> Bands(const CSpectrum& s) {
  std::vector<Band> out;
  for (int32_t i = 1; i <= s.GlBands(); ++i)
    out.push_back({s.GxGetBand(i)->GfLo(), s.GxGetBand(i)->GfHi(), s.GxGetBand(i)->GfSteps()});
  return out;
}

CountryRef Country(const std::string& label, std::vector<Band> bands) {
  auto c = std::make_shared<CCountrySpectrum>();
  c->GDefine(label);
  for (const Band& b : bands) c->GxSpectrum()->GAddBand(b.lo, b.hi, b.step);
  return c;
}

SpectrumRef Spectrum(std::vector<Band> bands) {
  auto s = std::make_shared<CSpectrum>();
  s->GDefine();
  for (const Band& b : bands) s->GAddBand(b.lo, b.hi, b.step);
  return s;
}

struct SelectCountryFixture : ::testing::Test {
  test::TempDir dir;
  AppState app;
  std::unique_ptr<SelectCountry_Form> form;

  void SetUp() override {
    test::InitApp(app, dir.Dir());
    app.countries = {Country("Northland", {{470, 478, 1}, {478, 486, 1}, {486, 494, 1}}),
                     Country("Southland", {{174, 181, 1}, {606, 614, 1}})};
    form = std::make_unique<SelectCountry_Form>(app);
  }

  QComboBox* Combo() { return Child<QComboBox>(form.get(), "Country_Cbx"); }
  QListWidget* List() { return Child<QListWidget>(form.get(), "TVChannels_Lbx"); }
  QStringList Lines() {
    QStringList out;
    for (int i = 0; i < List()->count(); ++i) out << List()->item(i)->text();
    return out;
  }
  std::vector<int> Selected() {
    std::vector<int> out;
    for (int i = 0; i < List()->count(); ++i)
      if (List()->item(i)->isSelected()) out.push_back(i + 1);
    return out;
  }
  void ClickLine(int line) {
    QListWidget* list = List();
    list->scrollToItem(list->item(line - 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(line - 1)).center());
  }
  void Click(const char* button) { QTest::mouseClick(Child<QPushButton>(form.get(), button), Qt::LeftButton); }

  // Opens the dialog and runs `inside` while it is shown.
  int32_t Show(int32_t mode, SpectrumRef& spectrum, bool& kept, std::function<void()> inside,
               const TypeRef& type = nullptr) {
    test::WhenModal([inside](QWidget*) { inside(); });
    return form->GShowDialog(mode, spectrum, type, kept);
  }
};

}  // namespace

TEST_F(SelectCountryFixture, ControlsCaptionsAndStyle) {
  EXPECT_EQ(form->windowTitle(), "Select Search Spectrum");
  EXPECT_EQ(Child<QPushButton>(form.get(), "SelectAll_Cbt")->text(), "Select All");
  EXPECT_EQ(Child<QPushButton>(form.get(), "DeselectAll_Cbt")->text(), "Deselect All");
  EXPECT_EQ(Child<QCheckBox>(form.get(), "KeepOld_Chk")->text(), "Keep Old");
  EXPECT_EQ(Child<QPushButton>(form.get(), "Ok_Cbt")->text(), "Ok");
  EXPECT_EQ(Child<QPushButton>(form.get(), "Cancel_Cbt")->text(), "Cancel");
  EXPECT_NE(Combo(), nullptr);
  EXPECT_NE(List(), nullptr);
  EXPECT_EQ(form->palette().color(QPalette::Window).name(), "#bacee4");
  EXPECT_TRUE(List()->font().bold());
}

TEST_F(SelectCountryFixture, CountriesPickedBandsBecomeANewSpectrum) {
  SpectrumRef given = Spectrum({{100, 200, 0.5f}});
  const SpectrumRef original = given;
  bool kept = true;
  QStringList countries, firstLines, secondLines;
  const int32_t result = Show(SelectCountry_Form::kCountries, given, kept, [&] {
    for (int i = 0; i < Combo()->count(); ++i) countries << Combo()->itemText(i);
    firstLines = Lines();
    Combo()->setCurrentIndex(1);  // choosing another country lists its channels
    secondLines = Lines();
    Combo()->setCurrentIndex(0);
    ClickLine(1);
    ClickLine(3);
    ClickLine(2);
    ClickLine(2);  // a second click takes the line back
    test::SaveShot(form.get(), "SelectCountry_Form");
    Click("Ok_Cbt");
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(countries, QStringList({"Northland", "Southland"}));
  EXPECT_TRUE(Combo()->isEnabled());
  EXPECT_EQ(firstLines, QStringList({"470.000 - 478.000", "478.000 - 486.000", "486.000 - 494.000"}));
  EXPECT_EQ(secondLines, QStringList({"174.000 - 181.000", "606.000 - 614.000"}));
  EXPECT_FALSE(kept);
  ASSERT_NE(given, original);  // a new spectrum; the given one is untouched
  EXPECT_EQ(Bands(*original), std::vector<Band>({{100, 200, 0.5f}}));
  EXPECT_EQ(Bands(*given), std::vector<Band>({{470, 478, 1}, {486, 494, 1}}));
  // Copies: changing the result leaves the country table alone.
  given->GxGetBand(1)->GSetLo(471);
  EXPECT_EQ(app.countries[0]->GxSpectrum()->GxGetBand(1)->GfLo(), 470.0f);
}

TEST_F(SelectCountryFixture, KeepOldExtendsTheGivenSpectrumBehindItsBands) {
  SpectrumRef given = Spectrum({{100, 200, 0.5f}});
  const SpectrumRef original = given;
  bool kept = false;
  EXPECT_EQ(Show(SelectCountry_Form::kCountries, given, kept,
                 [&] {
                   Combo()->setCurrentIndex(1);
                   Child<QCheckBox>(form.get(), "KeepOld_Chk")->click();
                   ClickLine(2);
                   Click("Ok_Cbt");
                 }),
            1);
  EXPECT_TRUE(kept);
  EXPECT_EQ(given, original);
  EXPECT_EQ(Bands(*given), std::vector<Band>({{100, 200, 0.5f}, {606, 614, 1}}));
}

TEST_F(SelectCountryFixture, SelectAllDeselectAllAndEmptyResult) {
  SpectrumRef given = Spectrum({{100, 200, 0.5f}});
  bool kept = true;
  std::vector<int> afterAll, afterNone;
  EXPECT_EQ(Show(SelectCountry_Form::kCountries, given, kept,
                 [&] {
                   Click("SelectAll_Cbt");
                   afterAll = Selected();
                   Click("DeselectAll_Cbt");
                   afterNone = Selected();
                   Click("Ok_Cbt");
                 }),
            1);
  EXPECT_EQ(afterAll, std::vector<int>({1, 2, 3}));
  EXPECT_TRUE(afterNone.empty());
  EXPECT_FALSE(kept);
  EXPECT_TRUE(given->GbDefined());
  EXPECT_EQ(given->GlBands(), 0);

  // Select All picks every band in order.
  EXPECT_EQ(Show(SelectCountry_Form::kCountries, given, kept,
                 [&] {
                   Click("SelectAll_Cbt");
                   Click("Ok_Cbt");
                 }),
            1);
  EXPECT_EQ(Bands(*given), Bands(*app.countries[0]->GxSpectrum()));
}

TEST_F(SelectCountryFixture, AllExceptTheOccupiedChannelsForEverySystem) {
  ScriptedPort port;
  PortScope scope(port);
  auto westland = std::make_shared<CCountrySpectrum>();
  westland->GDefine("Westland");
  for (int32_t n = 21; n <= 26; ++n) westland->GAddChannel(n, 470.0f + 8 * (n - 21), 478.0f + 8 * (n - 21));
  app.countries.push_back(westland);
  app.countryErrors = {"bad.csv: line 2: needs three columns: channel, from MHz, to MHz"};
  app.project->GbSecondSystem(true);
  SpectrumRef given = Spectrum({{100, 200, 0.5f}});
  bool kept = true, every = false, stayedOpen = false;
  test::WhenModal([&](QWidget*) {
    EXPECT_TRUE(Child<QLabel>(form.get(), "Problems_Lbl")->text().contains("bad.csv: line 2"));
    EXPECT_TRUE(Child<QCheckBox>(form.get(), "EverySystem_Chk")->isChecked());
    Combo()->setCurrentIndex(2);
    auto* occupied = Child<QLineEdit>(form.get(), "Occupied_Tbx");
    QTest::keyClicks(occupied, "23, 27");
    QTest::keyClick(occupied, Qt::Key_Return);  // 27 is no channel here: explained, the dialog stays
    stayedOpen = form->isVisible();
    occupied->clear();
    QTest::keyClicks(occupied, "25 23");
    test::SaveShot(form.get(), "SelectCountry_Form_AllExcept");
    QTest::keyClick(occupied, Qt::Key_Return);
  });
  EXPECT_EQ(form->GShowDialog(SelectCountry_Form::kCountries, given, nullptr, kept, &every), 1);
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "Occupied channels: not in the table \"Westland\" (channels 21-26): 27");
  EXPECT_TRUE(every);
  EXPECT_FALSE(kept);
  EXPECT_EQ(Bands(*given), std::vector<Band>({{470, 486, 1}, {494, 502, 1}, {510, 518, 1}}));

  // A caller that cannot give the choice to every system is not offered it.
  test::WhenModal([&](QWidget*) {
    EXPECT_FALSE(Child<QCheckBox>(form.get(), "EverySystem_Chk")->isVisible());
    Click("Ok_Cbt");
  });
  EXPECT_EQ(form->GShowDialog(SelectCountry_Form::kCountries, given, nullptr, kept), 1);
}

TEST_F(SelectCountryFixture, CancelAndCloseChangeNothing) {
  SpectrumRef given = Spectrum({{100, 200, 0.5f}});
  const SpectrumRef original = given;
  bool kept = true;
  EXPECT_EQ(Show(SelectCountry_Form::kCountries, given, kept,
                 [&] {
                   Click("SelectAll_Cbt");
                   Click("Cancel_Cbt");
                 }),
            0);
  EXPECT_EQ(Show(SelectCountry_Form::kCountries, given, kept,
                 [&] {
                   Click("SelectAll_Cbt");
                   QTest::keyClick(form.get(), Qt::Key_Escape);
                 }),
            0);
  EXPECT_TRUE(kept);
  EXPECT_EQ(given, original);
  EXPECT_EQ(Bands(*given), std::vector<Band>({{100, 200, 0.5f}}));
}

TEST_F(SelectCountryFixture, PresetsAreReadFromDiskEachTime) {
  SpectrumRef given = Spectrum({});
  bool kept = false;
  QStringList presets, lines;

  // No preset folder: nothing to choose, "Ok" gives an empty spectrum.
  EXPECT_EQ(Show(SelectCountry_Form::kPresets, given, kept,
                 [&] {
                   presets << QString::number(Combo()->count());
                   lines << QString::number(List()->count());
                   Click("SelectAll_Cbt");
                   Click("Ok_Cbt");
                 }),
            1);
  EXPECT_EQ(presets, QStringList({"0"}));
  EXPECT_EQ(lines, QStringList({"0"}));
  EXPECT_EQ(given->GlBands(), 0);

  // Files written while the program runs are there the next time.
  std::filesystem::create_directories(app.PresetDir());
  test::WriteFile(app.PresetDir() + "Stage A.spg", "KOVA Preset File\r\n518.025\r\n530.5\r\n612,1\r\n");
  test::WriteFile(app.PresetDir() + "Stage B.spg", "KOVA Preset File\r\n700\r\n");
  presets.clear();
  lines.clear();
  EXPECT_EQ(Show(SelectCountry_Form::kPresets, given, kept,
                 [&] {
                   for (int i = 0; i < Combo()->count(); ++i) presets << Combo()->itemText(i);
                   lines = Lines();
                   ClickLine(1);
                   ClickLine(3);
                   Click("Ok_Cbt");
                 }),
            1);
  EXPECT_EQ(presets, QStringList({"Stage A.spg", "Stage B.spg"}));
  EXPECT_EQ(lines, QStringList({"518.025", "530.500", "612.100"}));
  EXPECT_EQ(Bands(*given), std::vector<Band>({{518.025f, 518.025f, 1.0f}, {612.1f, 612.1f, 1.0f}}));
  EXPECT_EQ(app.presets.size(), 2u);

  // The second preset, added to what is there.
  EXPECT_EQ(Show(SelectCountry_Form::kPresets, given, kept,
                 [&] {
                   Combo()->setCurrentIndex(1);
                   lines = Lines();
                   Child<QCheckBox>(form.get(), "KeepOld_Chk")->setChecked(true);
                   Click("SelectAll_Cbt");
                   Click("Ok_Cbt");
                 }),
            1);
  EXPECT_EQ(lines, QStringList({"700.000"}));
  EXPECT_TRUE(kept);
  EXPECT_EQ(Bands(*given), std::vector<Band>({{518.025f, 518.025f, 1.0f}, {612.1f, 612.1f, 1.0f}, {700, 700, 1}}));
}

TEST_F(SelectCountryFixture, TuningBandsOfTheSystemType) {
  auto type = std::make_shared<CSystemType>();
  type->GDefine("Osprey", "Osprey", "", {}, 0, 20, 20, 0, 0, 0.025f);
  type->GxSpectrum()->GAddBand(470, 500, 0.025f);
  type->GxSpectrum()->GAddBand(520, 550.5f, 0.05f);
  SpectrumRef given = type->GxSpectrum();  // even the type's own spectrum may be extended
  bool kept = false;
  QStringList combo, lines;
  bool comboEnabled = true;
  EXPECT_EQ(Show(
                SelectCountry_Form::kTuningBands, given, kept,
                [&] {
                  for (int i = 0; i < Combo()->count(); ++i) combo << Combo()->itemText(i);
                  comboEnabled = Combo()->isEnabled();
                  lines = Lines();
                  Child<QCheckBox>(form.get(), "KeepOld_Chk")->setChecked(true);
                  Click("SelectAll_Cbt");
                  Click("Ok_Cbt");
                },
                type),
            1);
  EXPECT_EQ(combo, QStringList({"Osprey"}));
  EXPECT_FALSE(comboEnabled);
  EXPECT_EQ(lines, QStringList({"470.000 - 500.000", "520.000 - 550.500"}));
  EXPECT_EQ(Bands(*given),
            std::vector<Band>({{470, 500, 0.025f}, {520, 550.5f, 0.05f}, {470, 500, 0.025f}, {520, 550.5f, 0.05f}}));
  // The next call for countries enables the combo box again.
  Show(SelectCountry_Form::kCountries, given, kept, [&] {
    comboEnabled = Combo()->isEnabled();
    Click("Cancel_Cbt");
  });
  EXPECT_TRUE(comboEnabled);
}
