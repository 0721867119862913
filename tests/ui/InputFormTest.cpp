#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ui/Input_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;
using kova::test::Child;

namespace {

enum class Finish { Ok, Cancel, Escape, Return, Close };

struct InputCase {
  const char* typed;  // nullptr: leave the text alone
  Finish finish;
  int32_t result;
  const char* text;  // sInputText afterwards
};

}  // namespace

TEST(InputForm, AcceptAndCancelPaths) {
  const InputCase cases[] = {
      {nullptr, Finish::Ok, 1, "12.5"},    {nullptr, Finish::Return, 1, "12.5"},
      {"3,25", Finish::Ok, 1, "3,25"},     {"-0.125", Finish::Return, 1, "-0.125"},
      {"", Finish::Ok, 1, ""},             {"99", Finish::Cancel, 2, "12.5"},
      {"99", Finish::Escape, 2, "12.5"},   {"99", Finish::Close, 2, "12.5"},
  };
  for (const InputCase& c : cases) {
    Input_Form form;
    std::string value = "12.5";
    QString seenPrompt, seenText, seenCaption;
    test::WhenModal([&](QWidget* modal) {
      ASSERT_EQ(modal, &form);
      seenCaption = modal->windowTitle();
      seenPrompt = Child<QLabel>(modal, "Text_Lbl")->text();
      auto* box = Child<QLineEdit>(modal, "Input_Tbx");
      seenText = box->text();
      if (c.typed) {
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(c.typed));
      }
      switch (c.finish) {
        case Finish::Ok: QTest::mouseClick(Child<QPushButton>(modal, "Ok_Cbt"), Qt::LeftButton); break;
        case Finish::Cancel: QTest::mouseClick(Child<QPushButton>(modal, "Cancel_Cbt"), Qt::LeftButton); break;
        case Finish::Escape: QTest::keyClick(box, Qt::Key_Escape); break;
        case Finish::Return: QTest::keyClick(box, Qt::Key_Return); break;
        case Finish::Close: modal->close(); break;
      }
    });
    EXPECT_EQ(form.GShowDialog(value, "Shift by (MHz):"), c.result) << c.typed;
    EXPECT_EQ(value, c.text) << c.typed;
    EXPECT_EQ(seenCaption, "Input_Form");
    EXPECT_EQ(seenPrompt, "Shift by (MHz):");
    EXPECT_EQ(seenText, "12.5");
    EXPECT_FALSE(form.isVisible());
  }
}

TEST(InputForm, ReusedDialogStartsFresh) {
  Input_Form form;
  std::string first = "1";
  test::WhenModal([](QWidget* modal) { QTest::mouseClick(Child<QPushButton>(modal, "Ok_Cbt"), Qt::LeftButton); });
  ASSERT_EQ(form.GShowDialog(first, "a"), 1);
  // A cancel after an accepted call must not report the earlier acceptance.
  std::string second = "2";
  test::WhenModal([](QWidget* modal) {
    Child<QLineEdit>(modal, "Input_Tbx")->setText("7");
    modal->close();
  });
  EXPECT_EQ(form.GShowDialog(second, "b"), 2);
  EXPECT_EQ(second, "2");
}
