#pragma once
// The about box: the program's logo, its name and version, a line about its makers and a
// "Close" button that hides the box.

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;

namespace kova {

// The program's logo, drawn by the program itself, `size` pixels square.
QPixmap VersionResource_Logo(int size);

class KOVA_Form : public QDialog {
  Q_OBJECT
 public:
  explicit KOVA_Form(QWidget* parent = nullptr);

 private:
  QLabel* logoImg_;
  QPushButton* closeCbt_;
};

}  // namespace kova
