// kova: the desktop program.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow frame;
  frame.setWindowTitle(QStringLiteral("KOVA Software " KOVA_VERSION));
  frame.setCentralWidget(new QLabel(QStringLiteral("KOVA Software " KOVA_VERSION)));
  frame.resize(1000, 700);
  frame.show();
  return app.exec();
}
