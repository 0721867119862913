// kova: the desktop program.
#include <QApplication>

#include "app/AppState.h"
#include "app/Commands.h"
#include "tools/PlatformPort.h"
#include "ui/Container_Form.h"
#include "ui/DesktopShell.h"
#include "ui/QtPort.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("KOVA"));

  // Every question, dialog and progress box of the run goes through the desktop's port.
  kova::QtPort port;
  kova::PortScope portScope(port);

  // The one application state of the run; the windows refer to it, so it outlives them.
  kova::AppState app;
  app.appDir = kova::MN_DesktopAppDirectory();
  kova::MN_StartUp(app);

  kova::Container_Form frame;
  kova::MN_ConnectFrame(frame, app);
  kova::MN_InstallFrameHooks(port, frame, app);
  frame.show();
  kova::MN_CreateMainWindow(frame, app, port);
  kova::MN_KeepWindowPlaces(frame, app.appDir);
  return qapp.exec();
}
