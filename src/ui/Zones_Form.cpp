#include "ui/Zones_Form.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/FormStyle.h"

namespace kova {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QTableWidgetItem* Fixed(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled);
  return item;
}

}  // namespace

Zones_Form::Zones_Form(CProject& project, QWidget* parent) : QDialog(parent), project_(project) {
  setObjectName(QStringLiteral("Zones_Form"));
  setWindowTitle(QStringLiteral("Zones"));
  setModal(true);

  auto* countLbl = new QLabel(QStringLiteral("Zones:"), this);
  countSpn_ = new QSpinBox(this);
  countSpn_->setObjectName(QStringLiteral("ZoneCount_Spn"));
  countSpn_->setRange(1, CZones::kMaxZones);
  countSpn_->setToolTip(QStringLiteral("The number of stages or venues; a zone that holds a system stays"));
  countLbl->setBuddy(countSpn_);

  zonesFlx_ = new QTableWidget(this);
  zonesFlx_->setObjectName(QStringLiteral("flxZones"));
  zonesFlx_->setColumnCount(2);
  zonesFlx_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Systems")});
  zonesFlx_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  zonesFlx_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);

  auto* relationsLbl = new QLabel(
      QStringLiteral("Between two zones: together (one air, checked as one zone), near (spacing and receiver "
                     "frequencies kept, no intermodulation across) or apart (nothing checked across)."),
      this);
  relationsLbl->setWordWrap(true);
  relationsFlx_ = new QTableWidget(this);
  relationsFlx_->setObjectName(QStringLiteral("flxRelations"));
  relationsFlx_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

  MN_MakeOkCancel(this, okCbt_, cancelCbt_);

  auto* countRow = new QHBoxLayout;
  countRow->addWidget(countLbl);
  countRow->addWidget(countSpn_);
  countRow->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okCbt_);
  buttons->addWidget(cancelCbt_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(countRow);
  layout->addWidget(zonesFlx_, 1);
  layout->addWidget(relationsLbl);
  layout->addWidget(relationsFlx_, 1);
  layout->addLayout(buttons);

  connect(countSpn_, &QSpinBox::valueChanged, this, [this](int count) { CountChanged(count); });
  connect(zonesFlx_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (guard_ || item->column() != 0) return;
    zones_.GsName(item->row() + 1, item->text().toStdString());
    ShowZones();  // the matrix's headers carry the names
  });
  connect(okCbt_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelCbt_, &QPushButton::clicked, this, &QDialog::reject);
  resize(520, 460);
}

void Zones_Form::PrepareZones() {
  zones_ = project_.GcZones();
  // A zone that holds a system in use cannot be dropped.
  int32_t lowest = 1;
  for (int32_t s = 0; s < project_.GlSystems(); ++s) lowest = std::max(lowest, project_.GcSystem(s)->GlZone());
  const bool saved = guard_;
  guard_ = true;
  countSpn_->setMinimum(std::min(lowest, CZones::kMaxZones));
  countSpn_->setValue(zones_.GlCount());
  guard_ = saved;
  ShowZones();
}

void Zones_Form::CountChanged(int count) {
  if (guard_) return;
  zones_.GlCount(count);
  ShowZones();
}

void Zones_Form::ShowZones() {
  const bool saved = guard_;
  guard_ = true;
  const int n = zones_.GlCount();
  QStringList names;
  for (int z = 1; z <= n; ++z) names << QStringLiteral("%1 %2").arg(z).arg(Q(zones_.GsName(z)));

  zonesFlx_->setRowCount(n);
  for (int z = 1; z <= n; ++z) {
    QString systems;
    for (int32_t s = 0; s < project_.GlSystems(); ++s) {
      if (project_.GcSystem(s)->GlZone() != z) continue;
      if (!systems.isEmpty()) systems += QStringLiteral(", ");
      systems += QStringLiteral("#%1").arg(s + 1);
    }
    zonesFlx_->setVerticalHeaderItem(z - 1, new QTableWidgetItem(QString::number(z)));
    QTableWidgetItem* name = zonesFlx_->item(z - 1, 0);
    if (!name) zonesFlx_->setItem(z - 1, 0, name = new QTableWidgetItem);
    if (name->text() != Q(zones_.GsName(z))) name->setText(Q(zones_.GsName(z)));
    zonesFlx_->setItem(z - 1, 1, Fixed(systems));
  }

  // The matrix: a choice above the diagonal, its mirror below.
  relationsFlx_->setRowCount(n);
  relationsFlx_->setColumnCount(n);
  relationsFlx_->setVerticalHeaderLabels(names);
  QStringList numbers;
  for (int z = 1; z <= n; ++z) numbers << QString::number(z);
  relationsFlx_->setHorizontalHeaderLabels(numbers);
  for (int a = 1; a <= n; ++a) {
    for (int b = 1; b <= n; ++b) {
      if (a < b) {
        auto* choice = qobject_cast<QComboBox*>(relationsFlx_->cellWidget(a - 1, b - 1));
        if (!choice) {
          choice = new QComboBox;
          choice->setObjectName(QStringLiteral("Relation_Cbx_%1_%2").arg(a).arg(b));
          for (int32_t e : {kZoneTogether, kZoneNear, kZoneApart}) choice->addItem(Q(TL_ZoneRelationName(e)), e);
          connect(choice, &QComboBox::activated, this, [this, a, b, choice](int) {
            zones_.GeRelation(a, b, choice->currentData().toInt());
            ShowZones();
          });
          relationsFlx_->setCellWidget(a - 1, b - 1, choice);
        }
        choice->setCurrentIndex(choice->findData(zones_.GeRelation(a, b)));
        choice->setToolTip(names[a - 1] + QStringLiteral(" and ") + names[b - 1]);
      } else {
        relationsFlx_->removeCellWidget(a - 1, b - 1);
        relationsFlx_->setItem(a - 1, b - 1, Fixed(a == b ? QString() : Q(TL_ZoneRelationName(zones_.GeRelation(a, b)))));
      }
    }
  }
  guard_ = saved;
}

bool Zones_Form::Apply() {
  if (zones_ == project_.GcZones()) return false;
  project_.GxZones() = zones_;
  return true;
}

bool Zones_Form::GShowDialog() {
  MN_ApplyFormStyle(this);
  PrepareZones();
  if (exec() != QDialog::Accepted) return false;
  return Apply();
}

}  // namespace kova
