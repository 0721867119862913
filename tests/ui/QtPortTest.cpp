#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QTest>
#include <filesystem>

#include "support/TestSupport.h"
#include "ui/BusyForm.h"
#include "ui/QtPort.h"
#include "ui/UiTestSupport.h"

using namespace kova;

TEST(QtPort, NameFiltersFromFilterText) {
  struct {
    const char* filter;
    QStringList expected;
  } cases[] = {
      {"KOVA Project (*.kova)|*.kova|All files (*.*)|*.*", {"KOVA Project (*.kova)", "All files (*)"}},
      {"Projects (*.kova;*.zel)|*.kova;*.zel", {"Projects (*.kova *.zel)"}},
      {"Text|*.txt", {"Text (*.txt)"}},
      {"|*.spg", {"*.spg"}},
      {"Odd (*.a)|*.b", {"Odd (*.b)"}},
      {"", {"All files (*)"}},
      {"Dangling description", {"All files (*)"}},
  };
  for (const auto& c : cases) EXPECT_EQ(TL_QtNameFilters(c.filter), c.expected) << c.filter;
}

TEST(QtPort, MessageBoxKindsAndAnswers) {
  struct {
    MsgKind kind;
    const char* title;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton press;  // NoButton: Escape
    int result;
  } cases[] = {
      {MsgKind::Info, "", QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok, kOk},
      {MsgKind::OkCancel, "Check", QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question, QMessageBox::NoButton,
       kCancel},
      {MsgKind::YesNo, "", QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QMessageBox::NoButton, kNo},
      {MsgKind::YesNoCancel, "", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question,
       QMessageBox::No, kNo},
      {MsgKind::YesNoCancel, "", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question,
       QMessageBox::Cancel, kCancel},
  };
  QtPort port;
  for (const auto& c : cases) {
    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    test::WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      title = box->windowTitle();
      text = box->text();
      buttons = box->standardButtons();
      icon = box->icon();
      if (c.press == QMessageBox::NoButton) QTest::keyClick(box, Qt::Key_Escape);
      else box->button(c.press)->click();
    });
    EXPECT_EQ(port.messageBox("Save the current Project?", c.title, c.kind), c.result);
    EXPECT_EQ(title, *c.title ? c.title : "KOVA");
    EXPECT_EQ(text, "Save the current Project?");
    EXPECT_EQ(buttons, c.buttons);
    EXPECT_EQ(icon, c.icon);
  }
}

TEST(QtPort, InputBoxReturnsTheTypedText) {
  QtPort port;
  std::string value = "old";
  test::WhenModal([](QWidget* modal) {
    auto* dlg = qobject_cast<QInputDialog*>(modal);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->textValue(), "old");
    dlg->setTextValue("new name");
    dlg->accept();
  });
  EXPECT_TRUE(port.inputBox("Name:", "", value));
  EXPECT_EQ(value, "new name");
  test::WhenModal([](QWidget* modal) { qobject_cast<QInputDialog*>(modal)->reject(); });
  EXPECT_FALSE(port.inputBox("Name:", "", value));
  EXPECT_EQ(value, "new name");
}

TEST(QtPort, FileDialogStartsAtThePathAndWritesTheFilterBack) {
  test::TempDir dir;
  test::WriteFile(dir.File("show.kova"), "x");
  test::WriteFile(dir.File("old.zel"), "x");
  QtPort port;
  FileDialogRequest req;
  req.title = "Open Project";
  req.initialPath = dir.Dir() + "show.kova";
  req.filter = "KOVA Project (*.kova)|*.kova|Old Project (*.zel)|*.zel|All files (*.*)|*.*";
  req.filterIndex = 2;
  QStringList filters;
  QString selectedFilter, directory, title;
  test::WhenModal([&](QWidget* modal) {
    auto* dlg = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dlg, nullptr);
    title = dlg->windowTitle();
    filters = dlg->nameFilters();
    selectedFilter = dlg->selectedNameFilter();
    directory = dlg->directory().absolutePath();
    dlg->selectNameFilter("All files (*)");
    test::PickFile(dlg, dir.File("old.zel"));
    QMetaObject::invokeMethod(dlg, "accept");
  });
  ASSERT_TRUE(port.fileDialog(req));
  EXPECT_EQ(title, "Open Project");
  EXPECT_EQ(filters, QStringList({"KOVA Project (*.kova)", "Old Project (*.zel)", "All files (*)"}));
  EXPECT_EQ(selectedFilter, "Old Project (*.zel)");
  EXPECT_EQ(directory, QString::fromStdString(dir.Path().string()));
  EXPECT_EQ(req.chosenPath, dir.File("old.zel"));
  EXPECT_EQ(req.filterIndex, 3);
}

TEST(QtPort, LoadedWindowsAndProgressBox) {
  QtPort port;
  // Without a hook a window counts as loaded when a widget of that name exists.
  EXPECT_FALSE(port.isFormLoaded("Main_Form"));
  QWidget main;
  main.setObjectName("Main_Form");
  EXPECT_TRUE(port.isFormLoaded("Main_Form"));
  port.formLoadedHook = [](const std::string& name) { return name == "Display_Form"; };
  EXPECT_FALSE(port.isFormLoaded("Main_Form"));
  EXPECT_TRUE(port.isFormLoaded("Display_Form"));

  port.abortBusy();  // no box yet: nothing happens
  double fraction = 0;
  EXPECT_TRUE(port.busy("Search ", fraction, BusyForm::kShowAtOnce));
  EXPECT_TRUE(port.busyForm().isVisible());
  EXPECT_TRUE(port.busyForm().IsActive());
  port.abortBusy();
  EXPECT_FALSE(port.busyForm().isVisible());
  EXPECT_FALSE(port.busyForm().IsActive());
}

// xdg-open says by its exit code whether a program took the file.
TEST(QtPort, DesktopOpenReportsWhatXdgOpenSays) {
  test::TempDir dir;
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(dir.Dir()) + ':' + path);
  for (const int exitCode : {3, 0}) {
    const std::string opener = dir.File("xdg-open");
    test::WriteFile(opener, "#!/bin/sh\ntest \"$1\" = /tmp/a.log && exit " + std::to_string(exitCode) + "\nexit 9\n");
    std::filesystem::permissions(opener, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    auto failed = std::make_shared<bool>(false);
    TL_DesktopOpen("/tmp/a.log", [failed] { *failed = true; });
    EXPECT_EQ(QTest::qWaitFor([failed] { return *failed; }, exitCode ? test::kStateWaitMs : 1000), exitCode != 0) << exitCode;
  }
  qputenv("PATH", path);
}
