// kova: the desktop program.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "tools/PlatformPort.h"
#include "ui/Container_Form.h"
#include "ui/DesktopIdentity.h"
#include "ui/DesktopShell.h"
#include "ui/QtPort.h"

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

  // The one application state of the run; the windows refer to it, so it outlives them. The
  // start wizard or the System Editor follows from the event loop.
  kova::AppState app;
  app.appDir = kova::MN_DesktopAppDirectory();
  kova::Container_Form frame;
  kova::MN_StartDesktop(frame, app, port, args);
  return qapp.exec();
}
