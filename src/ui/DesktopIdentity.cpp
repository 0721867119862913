#include "ui/DesktopIdentity.h"

#include <QGuiApplication>

#include "ui/KOVA_Form.h"

namespace kova {

QIcon MN_ProgramIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(VersionResource_Logo(size));
  return icon;
}

void MN_SetDesktopIdentity() {
  QGuiApplication::setApplicationVersion(QStringLiteral(KOVA_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("kova"));
  QGuiApplication::setWindowIcon(MN_ProgramIcon());
}

}  // namespace kova
