#pragma once
// Helpers of the widget tests.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
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
    dialog->selectFile(QString::fromStdString(path));
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
