#pragma once
// The Zones dialog: how many zones the project has, their names, which systems stand in each,
// and in a small matrix the relation of every pair of zones (together, near, apart). Nothing
// reaches the project before Ok.

#include <QDialog>
#include <cstdint>

#include "model/CProject.h"

class QPushButton;
class QSpinBox;
class QTableWidget;

namespace kova {

class Zones_Form : public QDialog {
  Q_OBJECT
 public:
  // `project` must outlive the dialog.
  explicit Zones_Form(CProject& project, QWidget* parent = nullptr);

  // Fills the dialog from the project's zones; public so tests can look at it without exec().
  void PrepareZones();
  // Shows the dialog; true when the user chose Ok and the zones changed (they are then the
  // project's).
  bool GShowDialog();
  // Writes the dialog's zones into the project; true when they differ from what it had.
  bool Apply();

 private:
  // The tables for the zones as the dialog holds them.
  void ShowZones();
  void CountChanged(int count);

  CProject& project_;
  CZones zones_;
  bool guard_ = false;
  QSpinBox* countSpn_;
  QTableWidget* zonesFlx_;
  QTableWidget* relationsFlx_;
  QPushButton* okCbt_;
  QPushButton* cancelCbt_;
};

}  // namespace kova
