#pragma once
// Helpers of the widget tests.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/QtPort.h"

namespace kova::test {

// Runs `action` with the modal window as soon as one is shown (inside its exec loop).
inline void WhenModal(std::function<void(QWidget*)> action) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    action(modal);
  });
  poll->start(10);
}

template <class T>
T* Child(QWidget* parent, const char* name) {
  return parent->findChild<T*>(QString::fromLatin1(name));
}

// Answers the modal windows that appear one after another, each with the next action of the
// script; a window is answered once, the next action waits until it has gone. The progress box
// is no question and is left alone. Done() tells how many actions ran.
class ModalScript {
 public:
  using Action = std::function<void(QWidget*)>;
  explicit ModalScript(std::vector<Action> actions) : actions_(std::move(actions)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }
  size_t Done() const { return next_; }

 private:
  void Poll() {
    if (current_ && current_->isVisible()) return;
    current_ = nullptr;
    if (next_ >= actions_.size()) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->objectName() == QLatin1String("BusyForm")) return;
    current_ = modal;
    const Action action = actions_[next_++];
    action(modal);
  }

  std::vector<Action> actions_;
  size_t next_ = 0;
  QPointer<QWidget> current_;
  QTimer timer_;
};

// Upper limit of every wait for a state in the widget tests: generous, because a sanitizer
// build on a loaded machine is many times slower than a release build on an idle one. A wait
// that reaches it is a failure, so it never decides a passing test.
inline constexpr int kStateWaitMs = 30000;

// A file dialog lists its folder in a background thread and, when the listing arrives, selects
// the file it was opened with. A person can pick a file only after it is listed, so the scripts
// wait for the same moment; otherwise, on a busy machine, the late listing replaces the scripted
// choice. The watcher, installed on the application by the test program's main(), notes on every
// file dialog the folders whose listing has arrived, after the dialog's own handling of it.
class FileDialogWatcher : public QObject {
 public:
  static constexpr const char* kListed = "kovaTestListedFolders";

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    // The dialog connects its model before it is shown and the listing arrives through the event
    // loop, so connecting on the first Show misses nothing.
    if (event->type() != QEvent::Show) return false;
    auto* dialog = qobject_cast<QFileDialog*>(object);
    if (!dialog || dialog->property("kovaTestWatched").toBool()) return false;
    dialog->setProperty("kovaTestWatched", true);
    if (auto* model = dialog->findChild<QFileSystemModel*>())
      connect(model, &QFileSystemModel::directoryLoaded, dialog, [dialog](const QString& folder) {
        QStringList listed = dialog->property(kListed).toStringList();
        listed << QDir(folder).absolutePath();
        dialog->setProperty(kListed, listed);
      });
    return false;
  }
};

// Waits until the dialog's current folder is listed.
inline bool WaitForListing(QFileDialog* dialog) {
  return QTest::qWaitFor(
      [dialog] {
        return dialog->property(FileDialogWatcher::kListed).toStringList().contains(dialog->directory().absolutePath());
      },
      kStateWaitMs);
}

// Picks `path` as a person does: goes to its folder, waits for the listing, types the name into
// the name field. (QFileDialog::selectFile leaves the name field alone once it has the focus,
// which it gets when the dialog becomes active, so it cannot stand in for typing.)
inline void PickFile(QFileDialog* dialog, const std::string& path) {
  const QFileInfo file(QString::fromStdString(path));
  ASSERT_TRUE(WaitForListing(dialog)) << "no listing of " << dialog->directory().absolutePath().toStdString();
  dialog->setDirectory(file.absolutePath());
  ASSERT_TRUE(WaitForListing(dialog)) << "no listing of " << dialog->directory().absolutePath().toStdString();
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(name, nullptr);
  if (auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView")))
    list->selectionModel()->clearSelection();
  name->setText(file.fileName());
  ASSERT_EQ(dialog->selectedFiles(), QStringList(file.absoluteFilePath()));
}

// Script actions: press a button of a message box (recording its text), choose a file in a
// file dialog (recording the dialog's title), cancel a file dialog.
inline ModalScript::Action Press(QMessageBox::StandardButton button, QString* text = nullptr) {
  return [button, text](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr) << "expected a message box, got " << modal->metaObject()->className();
    if (text) *text = box->text();
    ASSERT_NE(box->button(button), nullptr);
    box->button(button)->click();
  };
}

inline ModalScript::Action ChooseFile(const std::string& path, QString* title = nullptr) {
  return [path, title](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr) << "expected a file dialog, got " << modal->metaObject()->className();
    if (title) *title = dialog->windowTitle();
    PickFile(dialog, path);
    QMetaObject::invokeMethod(dialog, "accept");
  };
}

inline ModalScript::Action CancelFile(QString* title = nullptr) {
  return [title](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr) << "expected a file dialog, got " << modal->metaObject()->className();
    if (title) *title = dialog->windowTitle();
    dialog->reject();
  };
}

// For a window that must not appear: records a failure and closes it.
inline ModalScript::Action Unexpected() {
  return [](QWidget* modal) {
    ADD_FAILURE() << "unexpected window \"" << modal->windowTitle().toStdString() << "\"";
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    else modal->close();
  };
}

// The desktop port with a scripted clock (each reading advances it by clockStep, so a test
// decides when the progress box appears) and without the desktop's file opening: opened files
// are recorded instead. Every progress call is counted; from failSafeBusyCall on the port
// answers "aborted" itself, so that a test whose abort did not arrive still ends.
class TestQtPort : public QtPort {
 public:
  double clock = 8 * 3600.0;
  double clockStep = 0.0;
  std::vector<std::string> openedFiles;
  long busyCalls = 0;
  long failSafeBusyCall = 0;  // 0 = never
  bool failSafeUsed = false;

  double timeOfDay() override {
    const double now = clock;
    clock += clockStep;
    return now;
  }
  void openFile(const std::string& path, const std::string&) override { openedFiles.push_back(path); }
  bool busy(const std::string& text, double& fraction, int32_t flags) override {
    ++busyCalls;
    if (failSafeBusyCall > 0 && busyCalls >= failSafeBusyCall && fraction > 0 && fraction < 1) {
      failSafeUsed = true;
      abortBusy();
      return false;
    }
    return QtPort::busy(text, fraction, flags);
  }
};

// Saves a picture of `w` as <name>.png in $KOVA_UI_SHOTS when that is set (for looking at the
// windows); does nothing otherwise.
inline void SaveShot(QWidget* w, const char* name) {
  const QString dir = qEnvironmentVariable("KOVA_UI_SHOTS");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  w->grab().save(QDir(dir).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

}  // namespace kova::test
