// Entry point of the widget tests: one QApplication for all of them, on the offscreen platform
// unless the caller chose another one (xvfb-run, for looking at the windows).
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/UiTestSupport.h"

namespace {
// The offscreen platform warns about every window feature it lacks; keep the output readable.
QtMessageHandler g_defaultHandler = nullptr;
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("This plugin does not support"))) return;
  g_defaultHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
  g_defaultHandler = qInstallMessageHandler(FilterMessages);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  kova::test::FileDialogWatcher fileDialogs;
  app.installEventFilter(&fileDialogs);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
