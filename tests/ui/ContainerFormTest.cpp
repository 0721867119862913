#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMdiSubWindow>
#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include "ui/Container_Form.h"
#include "ui/KOVA_Form.h"
#include "ui/UiTestSupport.h"

using namespace kova;

namespace {

struct MenuEntry {
  const char* name;  // "-" for a separator
  const char* caption;
  const char* shortcut;  // the key of a command that has no standard key
  QKeySequence::StandardKey standard = QKeySequence::UnknownKey;

  QString Key() const {
    return standard != QKeySequence::UnknownKey ? QKeySequence(standard).toString(QKeySequence::PortableText)
                                                : QString::fromLatin1(shortcut);
  }
};

const struct {
  const char* menu;
  const char* caption;
  std::vector<MenuEntry> items;
} kExpected[] = {
    {"File_Menu",
     "&File",
     {{"File_New", "&New Project", "", QKeySequence::New},
      {"File_Open", "&Open Project", "", QKeySequence::Open},
      {"-", "", ""},
      {"File_Save", "&Save Project", "", QKeySequence::Save},
      {"File_SaveAs", "Save Project &As", "Ctrl+Shift+S"},
      {"-", "", ""},
      {"File_ExportProject", "&Export Project", ""},
      {"-", "", ""},
      {"File_ImportScan", "Import S&can...", ""},
      {"File_ImportFrequencyList", "&Import Frequency List (CSV)...", ""},
      {"File_ExportFrequencyList", "Export &Frequency List (CSV)...", ""},
      {"-", "", ""},
      {"File_SavePreset", "Save As &Preset", ""},
      {"-", "", ""},
      {"File_CreatePrintVersion", "Create Print Version", "", QKeySequence::Print},
      {"File_ExportPdf", "Export P&DF...", ""},
      {"-", "", ""},
      {"File_Exit", "E&xit", ""}}},
    {"Edit_Menu",
     "&Edit",
     {{"Edit_Undo", "&Undo", "", QKeySequence::Undo},
      {"Edit_Redo", "&Redo", "", QKeySequence::Redo},
      {"-", "", ""},
      {"Edit_Cut", "Cu&t", "", QKeySequence::Cut},
      {"Edit_Copy", "&Copy", "", QKeySequence::Copy},
      {"Edit_Paste", "&Paste", "", QKeySequence::Paste},
      {"-", "", ""},
      {"Edit_SelectAll", "Select &All", "", QKeySequence::SelectAll}}},
    {"View_Menu",
     "&View",
     {{"View_SystemDesigner", "System &Designer", "Ctrl+D"},
      {"-", "", ""},
      {"View_Editor", "System &Editor", "Ctrl+E"},
      {"View_Graphics", "&Spectrum Display", "Ctrl+M"},
      {"View_Zones", "&Zones...", ""},
      {"-", "", ""},
      {"View_EditorMode", "Editor &Mode", ""}}},
    {"Calc_Menu", "&Calculate", {{"Calc_Check", "&Check", "F5"}, {"Calc_Generate", "&Generate", "Ctrl+G"}}},
    {"Help_Menu", "&Help", {{"Help_About", "&About", ""}}},
};

}  // namespace

TEST(ContainerForm, CaptionAndMenuTree) {
  Container_Form frame;
  EXPECT_EQ(frame.windowTitle(), QStringLiteral("Untitled[*] \u2014 KOVA"));
  EXPECT_NE(frame.findChild<QMdiArea*>(), nullptr);

  const QList<QAction*> bar = frame.menuBar()->actions();
  ASSERT_EQ(bar.size(), static_cast<qsizetype>(std::size(kExpected)));
  for (size_t m = 0; m < std::size(kExpected); ++m) {
    QMenu* menu = frame.Menu(kExpected[m].menu);
    ASSERT_NE(menu, nullptr) << kExpected[m].menu;
    EXPECT_EQ(bar[m]->menu(), menu);
    EXPECT_EQ(menu->title(), kExpected[m].caption);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(kExpected[m].items.size())) << kExpected[m].menu;
    for (qsizetype i = 0; i < actions.size(); ++i) {
      const MenuEntry& e = kExpected[m].items[static_cast<size_t>(i)];
      QAction* a = actions[i];
      if (std::string(e.name) == "-") {
        EXPECT_TRUE(a->isSeparator()) << kExpected[m].menu << " " << i;
        continue;
      }
      EXPECT_EQ(a->objectName(), e.name);
      EXPECT_EQ(a, frame.Action(e.name));
      EXPECT_EQ(a->text(), e.caption) << e.name;
      EXPECT_EQ(a->shortcut().toString(QKeySequence::PortableText), e.Key()) << e.name;
      EXPECT_EQ(a->isCheckable(), a->objectName() == "View_EditorMode") << e.name;
      // Only About and Exit work before the other parts of the program connect their commands.
      const bool builtIn = a->objectName() == "Help_About" || a->objectName() == "File_Exit";
      EXPECT_EQ(a->isEnabled(), builtIn) << e.name;
    }
  }
}

TEST(ContainerForm, ShortcutsReachTheirCommands) {
  Container_Form frame;
  std::vector<QString> ran;
  for (const auto& menu : kExpected)
    for (const MenuEntry& e : menu.items)
      if (!e.Key().isEmpty()) frame.SetCommand(e.name, [&ran, name = QString(e.name)] { ran.push_back(name); });
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame, test::kStateWaitMs));
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame, test::kStateWaitMs));
  for (const auto& menu : kExpected)
    for (const MenuEntry& e : menu.items) {
      if (e.Key().isEmpty()) continue;
      ran.clear();
      const QKeyCombination key = QKeySequence::fromString(e.Key())[0];
      QTest::keyClick(&frame, key.key(), key.keyboardModifiers());
      ASSERT_EQ(ran.size(), 1u) << e.name;
      EXPECT_EQ(ran[0], e.name) << e.name;
    }
}

TEST(ContainerForm, AboutBoxOpensModelessAndCloses) {
  Container_Form frame;
  frame.show();
  frame.Action("Help_About")->trigger();
  KOVA_Form* about = frame.AboutBox();
  ASSERT_TRUE(about->isVisible());
  EXPECT_FALSE(about->isModal());
  EXPECT_EQ(about->windowTitle(), "KOVA");
  EXPECT_EQ(about->palette().color(QPalette::Window).name(), "#bacee4");
  auto* close = test::Child<QPushButton>(about, "Close_Cbt");
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->text(), "Close");
  QTest::mouseClick(close, Qt::LeftButton);
  EXPECT_FALSE(about->isVisible());
  frame.Action("Help_About")->trigger();  // the same box again
  EXPECT_EQ(frame.AboutBox(), about);
  EXPECT_TRUE(about->isVisible());
}

TEST(ContainerForm, OnlyTheUsersCloseAsks) {
  Container_Form frame;
  int asked = 0;
  bool answer = false;
  frame.queryClose = [&] {
    ++asked;
    return answer;
  };
  frame.show();
  frame.ShowAbout();
  EXPECT_FALSE(frame.close());  // "Cancel": the program keeps running
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(frame.isVisible());
  EXPECT_TRUE(frame.AboutBox()->isVisible());

  answer = true;
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(frame.AboutBox()->isVisible());  // the other windows go with the frame

  frame.show();
  frame.Action("File_Exit")->trigger();  // the program's own close does not ask
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(frame.isVisible());
}

namespace kova {
namespace {

TEST(ContainerForm, CopyIsNeverACommandOfTheMenu) {
  Container_Form frame;
  int checks = 0;
  frame.SetCommand(QStringLiteral("Calc_Check"), [&checks] { ++checks; });
  frame.SetCommand(QStringLiteral("Edit_Copy"), [] {});
  auto* box = new QLineEdit(QStringLiteral("520.000"));
  frame.AddChild(box)->show();
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame, test::kStateWaitMs));
  frame.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame, test::kStateWaitMs));
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(checks, 0);  // the text box copied
  frame.setFocus();
  box->clearFocus();
  QTest::keyClick(&frame, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(checks, 0);  // Copy, not Check
  QTest::keyClick(&frame, Qt::Key_F5);
  EXPECT_EQ(checks, 1);
}

}  // namespace
}  // namespace kova
