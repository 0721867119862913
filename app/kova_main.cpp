// kova: the desktop program.
#include <QApplication>
#include <QTimer>
#include <iostream>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/Commands.h"
#include "tools/PlatformPort.h"
#include "ui/Container_Form.h"
#include "ui/DesktopIdentity.h"
#include "ui/DesktopShell.h"
#include "ui/QtPort.h"
#include "ui/Wizard_Form.h"

namespace {
std::vector<std::string> Arguments(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }
}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer before the toolkit starts, so they need no display.
  const kova::DesktopArgs early = kova::MN_ParseDesktopArgs(Arguments(argc, argv));
  if (early.action == kova::DesktopArgs::Action::kHelp) {
    std::cout << kova::MN_DesktopUsage();
    return 0;
  }
  if (early.action == kova::DesktopArgs::Action::kVersion) {
    std::cout << kova::MN_DesktopVersion();
    return 0;
  }

  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("KOVA"));
  kova::MN_SetDesktopIdentity();

  // The toolkit has taken its own options out of argv; what is left is ours.
  const kova::DesktopArgs args = kova::MN_ParseDesktopArgs(Arguments(argc, argv));
  if (args.action == kova::DesktopArgs::Action::kError) {
    std::cerr << "kova: " << args.error << " (see kova --help)\n";
    return 2;
  }

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

  // A project named on the command line replaces the new project of the start-up; the start
  // wizard is for starting without one. It runs inside the event loop so that leaving it can end
  // the program.
  const bool opened = !args.project.empty() && kova::MN_OpenFromCommandLine(app, args.project);
  if (!opened) QTimer::singleShot(0, &frame, [&frame, &app] { kova::MN_ShowStartWizard(frame, app, 1); });
  return qapp.exec();
}
