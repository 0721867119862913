#include "ui/Input_Form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/FormStyle.h"

namespace kova {

Input_Form::Input_Form(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Input_Form"));
  setWindowTitle(QStringLiteral("Input_Form"));
  setModal(true);

  textLbl_ = new QLabel(this);
  textLbl_->setObjectName(QStringLiteral("Text_Lbl"));
  textLbl_->setWordWrap(true);
  inputTbx_ = new QLineEdit(this);
  inputTbx_->setObjectName(QStringLiteral("Input_Tbx"));
  MN_MakeOkCancel(this, okCbt_, cancelCbt_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okCbt_);
  buttons->addWidget(cancelCbt_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(textLbl_);
  layout->addWidget(inputTbx_);
  layout->addLayout(buttons);

  connect(okCbt_, &QPushButton::clicked, this, [this] {
    accepted_ = true;
    accept();
  });
  connect(cancelCbt_, &QPushButton::clicked, this, [this] {
    accepted_ = false;
    reject();
  });
  resize(320, sizeHint().height());
}

int32_t Input_Form::GShowDialog(std::string& sInputText, const std::string& sLabel) {
  MN_ApplyFormStyle(this);
  textLbl_->setText(QString::fromStdString(sLabel));
  inputTbx_->setText(QString::fromStdString(sInputText));
  inputTbx_->selectAll();
  inputTbx_->setFocus();
  accepted_ = false;
  exec();
  if (!accepted_) return 2;
  sInputText = inputTbx_->text().toStdString();
  return 1;
}

}  // namespace kova
