#pragma once
// A small modal dialog asking for one line of text under a prompt.

#include <QDialog>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kova {

class Input_Form : public QDialog {
  Q_OBJECT
 public:
  explicit Input_Form(QWidget* parent = nullptr);

  // Shows `sLabel` as the prompt and `sInputText` for editing. 1 when accepted ("Ok"), with the
  // edited text written back; 2 when cancelled or closed, with `sInputText` unchanged.
  int32_t GShowDialog(std::string& sInputText, const std::string& sLabel);

 private:
  QLabel* textLbl_;
  QLineEdit* inputTbx_;
  QPushButton* okCbt_;
  QPushButton* cancelCbt_;
  bool accepted_ = false;
};

}  // namespace kova
