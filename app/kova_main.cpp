// kova: the desktop program.
#include <QApplication>
#include <QTimer>

#include "app/AppState.h"
#include "app/Commands.h"
#include "tools/PlatformPort.h"
#include "ui/Container_Form.h"
#include "ui/DesktopShell.h"
#include "ui/QtPort.h"
#include "ui/Wizard_Form.h"

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
  kova::MN_CreateDisplay(frame, app);
  kova::MN_KeepWindowPlaces(frame, app.appDir);
  // The start wizard leads from the choice of the system to the first result; it runs inside
  // the event loop so that leaving it can end the program.
  QTimer::singleShot(0, &frame, [&frame, &app] { kova::MN_ShowStartWizard(frame, app, 1); });
  return qapp.exec();
}
