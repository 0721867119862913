// kova_render_icons DIR SIZE...: writes the program's logo as DIR/<SIZE>x<SIZE>/kova.png for each
// size, drawn by the same code as the about box, for the icon theme of the installation.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "ui/KOVA_Form.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kova_render_icons DIR SIZE...\n");
    return 2;
  }
  // Drawing needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 8 || size > 1024) {
      std::fprintf(stderr, "kova_render_icons: bad size '%s'\n", argv[i]);
      return 2;
    }
    const QString dir = root + QStringLiteral("/%1x%1").arg(size);
    if (!QDir().mkpath(dir) || !kova::VersionResource_Logo(size).save(dir + QStringLiteral("/kova.png"), "PNG")) {
      std::fprintf(stderr, "kova_render_icons: cannot write %s\n", qPrintable(dir));
      return 1;
    }
  }
  return 0;
}
