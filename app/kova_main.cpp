// kova: the desktop program.
#include <QApplication>

#include "tools/PlatformPort.h"
#include "ui/Container_Form.h"
#include "ui/QtPort.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("KOVA"));

  kova::QtPort port;
  kova::PortScope portScope(port);

  kova::Container_Form frame;
  frame.show();
  return app.exec();
}
