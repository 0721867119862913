#pragma once
// Helpers of the widget tests.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

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

}  // namespace kova::test
