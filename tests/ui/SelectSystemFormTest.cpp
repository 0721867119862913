#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <array>
#include <cstdlib>
#include <filesystem>

#include "app/AppState.h"
#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "app/TypeFacts.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"
#include "ui/SelectSystem_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;

namespace {

// Sets the user level for the lifetime of the object.
struct UserLevel {
  explicit UserLevel(const char* level) { setenv("KOVA_USER_LEVEL", level, 1); }
  ~UserLevel() { unsetenv("KOVA_USER_LEVEL"); }
};

std::vector<std::string> Labels(const std::vector<TypeRef>& systems) {
  std::vector<std::string> out;
  for (const TypeRef& t : systems) out.push_back(t->GsGetLabel());
  return out;
}

// The designer in the expert layout on the built-in types, the port answering from its queue.
struct DesignerFixture : ::testing::Test {
  test::TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
  UserLevel expert{"2"};
  std::unique_ptr<SelectSystem_Form> form;

  void SetUp() override {
    test::InitApp(app, dir.Dir());
    form = std::make_unique<SelectSystem_Form>(app);
  }

  // Opens the dialog with type `position` and runs `inside` while it is shown; `inside` ends
  // by pressing "Ok" or "Cancel".
  int32_t Show(int32_t position, std::function<void()> inside) {
    test::WhenModal([inside](QWidget*) { inside(); });
    return form->GShowDialog(position);
  }
  template <class T = QPushButton>
  T* W(const char* name) {
    T* w = Child<T>(form.get(), name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Click(const char* name) { QTest::mouseClick(W<QAbstractButton>(name), Qt::LeftButton); }
  // Types `text` over the whole content of a text box, then leaves it.
  void Type(const char* box, const char* text) {
    QLineEdit* edit = W<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
    emit edit->editingFinished();
  }
  void SelectType(int position) { W<QListWidget>("MicType_Cbx")->setCurrentRow(position - 1); }
  CSystemType& Selected() { return *app.systems[static_cast<size_t>(form->SelectedType() - 1)]; }
  const CBand& Band(int32_t i) { return *Selected().GxSpectrum()->GxGetBand(i); }
  std::vector<std::string> SavedLabels() {
    std::vector<TypeRef> saved;
    if (MN_LoadSystemData(app.SystemDataDir(), saved) != 0) return {};
    return Labels(saved);
  }
};

}  // namespace

TEST(SelectSystemForm, NegativePositionReturnsWithoutShowing) {
  test::TempDir dir;
  AppState app;
  test::InitApp(app, dir.Dir());
  SelectSystem_Form form(app);
  test::ModalScript script({test::Unexpected()});
  EXPECT_EQ(form.GShowDialog(-1), -1);
  EXPECT_EQ(MN_ShowSystemDesigner(nullptr, app, -1), -1);
  EXPECT_EQ(script.Done(), 0u);
}

TEST(SelectSystemForm, LayoutsAndTheChoice) {
  const struct {
    const char* level;
    int width;
    int listHeight;
    bool addRemove;
  } cases[] = {{"0", 180, 225, false}, {"2", 559, 160, true}};
  for (const auto& c : cases) {
    UserLevel level(c.level);
    test::TempDir dir;
    AppState app;
    test::InitApp(app, dir.Dir());
    SelectSystem_Form form(app);
    for (const bool ok : {true, false}) {
      test::WhenModal([&](QWidget*) {
        EXPECT_EQ(form.width(), c.width) << c.level;
        EXPECT_EQ(Child<QListWidget>(&form, "MicType_Cbx")->height(), c.listHeight) << c.level;
        EXPECT_EQ(Child<QPushButton>(&form, "AddSystem_Cbt")->isVisible(), c.addRemove) << c.level;
        EXPECT_EQ(Child<QPushButton>(&form, "RemoveSystem_Cbt")->isVisible(), c.addRemove) << c.level;
        Child<QListWidget>(&form, "MicType_Cbx")->setCurrentRow(3);
        // The facts of the selected type show under the list in both layouts.
        auto* facts = Child<QLabel>(&form, "TypeFacts_Lbl");
        EXPECT_TRUE(facts->isVisible());
        EXPECT_EQ(facts->text().remove(QChar(0x2060)), QString::fromStdString(MN_TypeFacts(*app.systems[3])));
        test::SaveShot(&form, (std::string("SelectSystem_Form_level") + c.level).c_str());
        QTest::mouseClick(Child<QPushButton>(&form, ok ? "Ok_Cbt" : "Cancel_Cbt"), Qt::LeftButton);
      });
      EXPECT_EQ(form.GShowDialog(2), ok ? 4 : -1) << c.level;
    }
    EXPECT_FALSE(std::filesystem::exists(app.SystemDataDir())) << "nothing changed, nothing written";
  }
}

TEST_F(DesignerFixture, FieldsStoreTheirValuesWithinTheirLimits) {
  const struct {
    const char* box;
    const char* typed;
    std::function<float(DesignerFixture&)> stored;
    float expected;
    const char* shown;
  } cases[] = {
      {"From_Tbx", "5", [](auto& f) { return f.Band(1).GfLo(); }, 10.0f, "10.000"},
      {"From_Tbx", "1200", [](auto& f) { return f.Band(1).GfLo(); }, 1000.0f, "1000.000"},
      {"From_Tbx", "512,5", [](auto& f) { return f.Band(1).GfLo(); }, 512.5f, "512.500"},
      {"To_Tbx", "abc", [](auto& f) { return f.Band(1).GfHi(); }, 554.0f, "554.000"},  // letters cannot be typed
      {"Spacing_Tbx", "0.001", [](auto& f) { return f.Band(1).GfSteps(); }, 0.005f, "0.005"},
      {"Spacing_Tbx", "2", [](auto& f) { return f.Band(1).GfSteps(); }, 2.0f, "2.000"},
      {"Range_SearchStep_Tbx", "0", [](auto& f) { return f.Selected().GfGetSearchStep(); }, 0.005f, "0.005"},
      {"MinDist_Tbx_4", "150", [](auto& f) { return f.Selected().GfBandwidth(4); }, 100.0f, "100.000"},
      {"MinDist_Tbx_9", "-3", [](auto& f) { return f.Selected().GfBandwidth(9); }, 0.0f, "0.000"},
      {"LOFreq_Tbx", "2000", [](auto& f) { return f.Selected().GfGetLOFreq(); }, 1000.0f, "1000.000"},
      {"LOFreq2_Tbx", "21.4", [](auto& f) { return f.Selected().GfGetLOFreq2(); }, 21.4f, "21.400"},
  };
  Show(2, [&] {
    for (const auto& c : cases) {
      W<QRadioButton>("LOSide_Obt_1")->setChecked(true);
      W<QRadioButton>("LOSide2_Obt_1")->setChecked(true);
      Type(c.box, c.typed);
      EXPECT_FLOAT_EQ(c.stored(*this), c.expected) << c.box << " " << c.typed;
      EXPECT_EQ(W<QLineEdit>(c.box)->text(), c.shown) << c.box << " " << c.typed;
    }
    // The band's list entry follows its fields.
    EXPECT_EQ(W<QListWidget>("FreqBand_Lbx")->item(0)->text().toStdString(), Band(1).GsGetFromToString(1));
    EXPECT_TRUE(form->ListChanged());
    Click("Cancel_Cbt");
  });
}

TEST_F(DesignerFixture, InjectionSideAndCheckBoxes) {
  Show(1, [&] {
    Type("LOFreq_Tbx", "300");
    Click("LOSide_Obt_0");
    EXPECT_FLOAT_EQ(Selected().GfGetLOFreq(), -300.0f);
    Click("LOSide_Obt_1");
    EXPECT_FLOAT_EQ(Selected().GfGetLOFreq(), 300.0f);
    Click("LOSide_Obt_0");
    SelectType(2);
    SelectType(1);
    EXPECT_EQ(W<QLineEdit>("LOFreq_Tbx")->text(), "300.000");
    EXPECT_TRUE(W<QRadioButton>("LOSide_Obt_0")->isChecked());

    // The flag word is the sum of the ticked boxes.
    for (int k = 0; k < SelectSystem_Form::kChecks; ++k) W<QCheckBox>(("Flag_Chk_" + std::to_string(k)).c_str())->setChecked(false);
    Click("Flag_Chk_1");
    Click("Flag_Chk_9");
    EXPECT_EQ(Selected().GlGetFlags(), 2 + 512);
    EXPECT_EQ(W<QCheckBox>("Flag_Chk_9")->text(), "2Tx IM(5)");

    // The tabs choose the page; the marker follows.
    for (int page : {1, 2, 0}) {
      QTest::mouseClick(W<QLabel>(("SelectParam_Lbl_" + std::to_string(page)).c_str()), Qt::LeftButton);
      EXPECT_EQ(form->CurrentPage(), page);
      EXPECT_EQ(W<QLabel>("Glider_Pbx")->y(), (std::array<int, 3>{7, 63, 119})[static_cast<size_t>(page)]);
      test::SaveShot(form.get(), ("SelectSystem_Form_page" + std::to_string(page)).c_str());
    }
    Click("Ok_Cbt");
  });
  std::vector<TypeRef> saved;
  ASSERT_EQ(MN_LoadSystemData(app.SystemDataDir(), saved), 0);
  const auto it = std::find_if(saved.begin(), saved.end(), [](const TypeRef& t) { return t->GsGetLabel() == "Meridian"; });
  ASSERT_NE(it, saved.end());
  EXPECT_FLOAT_EQ((*it)->GfGetLOFreq(), -300.0f);
  EXPECT_EQ((*it)->GlGetFlags(), 2 + 512);
  EXPECT_TRUE(port.messages.empty()) << "Ok saves without asking";
}

TEST_F(DesignerFixture, BandsUpToElevenAndNeverNone) {
  Show(1, [&] {
    CSpectrum& tuning = *Selected().GxSpectrum();
    while (tuning.GlBands() < SelectSystem_Form::kMaxBands) {
      const int32_t before = tuning.GlBands();
      Click("AddBand_Cbt");
      ASSERT_EQ(tuning.GlBands(), before + 1);
      EXPECT_EQ(form->SelectedBand(), before + 1);
      EXPECT_EQ(W<QListWidget>("FreqBand_Lbx")->currentRow(), before);
    }
    Click("AddBand_Cbt");
    EXPECT_EQ(tuning.GlBands(), 11) << "with 11 bands Add does nothing";
    while (tuning.GlBands() > 1) Click("RemoveBand_Cbt");
    EXPECT_TRUE(port.messages.empty());
    Click("RemoveBand_Cbt");
    EXPECT_EQ(tuning.GlBands(), 1);
    EXPECT_EQ(port.messageTexts(), std::vector<std::string>{"Cannot delete last band!"});
    Click("Cancel_Cbt");
  });
}

TEST_F(DesignerFixture, NewTypesTakeSafeUniqueNames) {
  port.inputAnswers = {"A/B.C", "a-b-c", "meridian", "  ", std::nullopt, "x:y"};
  Show(1, [&] {
    for (int i = 0; i < 6; ++i) Click("AddSystem_Cbt");
    Click("Ok_Cbt");
  });
  const std::vector<std::string> expected = {"Meridian",      "Kestrel Standard", "Kestrel Professional",
                                             "Osprey Series", "Condor Series",    "Swift Monitor",
                                             "Heron Monitor", "A-B-C",            "x-y"};
  EXPECT_EQ(Labels(app.systems), expected);
  EXPECT_EQ(app.systems[7]->GsGetFileName(), "A-B-C");
  EXPECT_EQ(SavedLabels().size(), expected.size());
  int refusals = 0;
  for (const auto& m : port.messages) refusals += m.text == "This system name is already in use!";
  EXPECT_EQ(refusals, 2);
}

TEST_F(DesignerFixture, RemovingTypes) {
  port.answers = {kCancel, kOk};
  Show(3, [&] {
    Click("RemoveSystem_Cbt");  // Cancel
    EXPECT_EQ(app.systems.size(), 7u);
    Click("RemoveSystem_Cbt");  // OK
    EXPECT_EQ(app.systems.size(), 6u);
    EXPECT_EQ(form->SelectedType(), 6) << "the new last type is selected";
    Click("Ok_Cbt");
  });
  EXPECT_EQ(SavedLabels().size(), 6u);

  app.systems.resize(1);
  port.messages.clear();
  Show(1, [&] {
    Click("RemoveSystem_Cbt");
    Click("Cancel_Cbt");
  });
  EXPECT_EQ(app.systems.size(), 1u);
  EXPECT_EQ(port.messageTexts(), std::vector<std::string>{"Cannot delete last system!"});
}

// Declined changes are read back from the files; when none were ever saved the built-in types
// come back.
TEST_F(DesignerFixture, DefaultThenCancelAsksAndRestores) {
  const std::string defaultQuestion =
      "Do you really want to restore the default systems? Any additional or modified data will be deleted.";
  const std::string saveQuestion =
      "You have changed some receiver system parameters. Do you want to save these changes?";
  const struct {
    bool savedBefore;
    int saveAnswer;
    size_t typesAfter;
  } cases[] = {{true, kCancel, 8}, {true, kOk, 7}, {false, kCancel, 7}};
  for (const auto& c : cases) {
    test::TempDir own;
    app.appDir = own.Dir();
    MN_InstallDefaultSystems(app);
    if (c.savedBefore) {
      port.inputAnswers = {"Mine"};
      Show(1, [&] {
        Click("AddSystem_Cbt");
        Click("Ok_Cbt");
      });
    } else {
      app.systems.push_back(app.systems[0]->GGetCopy());  // an unsaved change
    }
    port.messages.clear();
    port.answers = {kOk, c.saveAnswer};
    const int32_t result = Show(1, [&] {
      Click("Default_Cbt");
      EXPECT_EQ(app.systems.size(), 7u);
      Click("Cancel_Cbt");
    });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(port.messageTexts(), (std::vector<std::string>{defaultQuestion, saveQuestion}));
    EXPECT_EQ(app.systems.size(), c.typesAfter) << c.savedBefore << " " << c.saveAnswer;
  }
}
