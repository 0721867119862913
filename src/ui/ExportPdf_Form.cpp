#include "ui/ExportPdf_Form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/FormStyle.h"

namespace kova {

ExportPdf_Form::ExportPdf_Form(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ExportPdf_Form"));
  setWindowTitle(QStringLiteral("Export PDF"));
  setModal(true);

  sheetChk_ = new QCheckBox(QStringLiteral("&Frequency sheet: one line per channel, to hand out"), this);
  sheetChk_->setObjectName(QStringLiteral("Sheet_Chk"));
  byFrequencyObt_ = new QRadioButton(QStringLiteral("sorted by fre&quency"), this);
  byFrequencyObt_->setObjectName(QStringLiteral("SheetByFrequency_Obt"));
  bySystemObt_ = new QRadioButton(QStringLiteral("sorted by &system"), this);
  bySystemObt_->setObjectName(QStringLiteral("SheetBySystem_Obt"));
  paperCbx_ = new QComboBox(this);
  paperCbx_->setObjectName(QStringLiteral("Paper_Cbx"));
  paperCbx_->addItems({QStringLiteral("A4"), QStringLiteral("Letter")});
  paperPicturesChk_ = new QCheckBox(QStringLiteral("&Pictures for paper (dark on white)"), this);
  paperPicturesChk_->setObjectName(QStringLiteral("PaperPictures_Chk"));
  MN_MakeOkCancel(this, okCbt_, cancelCbt_);

  auto* order = new QHBoxLayout;
  order->setContentsMargins(24, 0, 0, 0);
  order->addWidget(byFrequencyObt_);
  order->addWidget(bySystemObt_);
  order->addStretch(1);
  auto* paper = new QFormLayout;
  paper->addRow(QStringLiteral("Paper size:"), paperCbx_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okCbt_);
  buttons->addWidget(cancelCbt_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(sheetChk_);
  layout->addLayout(order);
  layout->addWidget(paperPicturesChk_);
  layout->addLayout(paper);
  layout->addLayout(buttons);

  // The order belongs to the sheet.
  connect(sheetChk_, &QCheckBox::toggled, this, [this](bool on) {
    byFrequencyObt_->setEnabled(on);
    bySystemObt_->setEnabled(on);
  });
  connect(okCbt_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelCbt_, &QPushButton::clicked, this, &QDialog::reject);
}

bool ExportPdf_Form::GShowDialog(PdfOptions& options) {
  MN_ApplyFormStyle(this);
  sheetChk_->setChecked(options.contents.sheet);
  byFrequencyObt_->setChecked(options.contents.order == SheetOrder::kByFrequency);
  bySystemObt_->setChecked(options.contents.order == SheetOrder::kBySystem);
  byFrequencyObt_->setEnabled(options.contents.sheet);
  bySystemObt_->setEnabled(options.contents.sheet);
  paperCbx_->setCurrentIndex(options.paper == PaperSize::kLetter ? 1 : 0);
  paperPicturesChk_->setChecked(options.paperPictures);
  if (exec() != QDialog::Accepted) return false;
  options.contents.sheet = sheetChk_->isChecked();
  options.contents.order = bySystemObt_->isChecked() ? SheetOrder::kBySystem : SheetOrder::kByFrequency;
  options.paper = paperCbx_->currentIndex() == 1 ? PaperSize::kLetter : PaperSize::kA4;
  options.paperPictures = paperPicturesChk_->isChecked();
  return true;
}

}  // namespace kova
