#pragma once
// What File > Export PDF puts into the document: the frequency sheet (sorted by frequency or by
// system), the paper size, and whether the pictures are drawn for paper or as the display
// shows them. Asked before the file is chosen.

#include <QDialog>

#include "app/PdfPrint.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace kova {

class ExportPdf_Form : public QDialog {
  Q_OBJECT
 public:
  explicit ExportPdf_Form(QWidget* parent = nullptr);

  // Shows the choices of `options`; true when accepted, with the choices written back.
  bool GShowDialog(PdfOptions& options);

 private:
  QCheckBox* sheetChk_;
  QRadioButton* byFrequencyObt_;
  QRadioButton* bySystemObt_;
  QComboBox* paperCbx_;
  QCheckBox* paperPicturesChk_;
  QPushButton* okCbt_;
  QPushButton* cancelCbt_;
};

}  // namespace kova
