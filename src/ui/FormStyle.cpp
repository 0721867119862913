#include "ui/FormStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QTableView>
#include <QVariant>
#include <QWidget>

namespace kova {

QColor MN_StyleColor() { return QColor(186, 206, 228); }

namespace {

// The desktop's plain face colours: what a control shows when nobody coloured it.
bool IsFaceColor(const QColor& c) {
  const QPalette app = QApplication::palette();
  return c == app.color(QPalette::Button) || c == app.color(QPalette::Window);
}

void SetRoleColor(QWidget* w, QPalette::ColorRole role, const QColor& color) {
  QPalette pal = w->palette();
  pal.setColor(role, color);
  w->setPalette(pal);
}

void ColourFixedCells(QWidget* w, const QColor& style) {
  if (auto* header = qobject_cast<QHeaderView*>(w)) {
    QPalette pal = header->palette();
    pal.setColor(QPalette::Button, style);
    pal.setColor(QPalette::Window, style);
    header->setPalette(pal);
  }
  // Grids that keep their own fixed rows and columns offer this property.
  if (w->property("backColorFixed").isValid()) w->setProperty("backColorFixed", style);
}

}  // namespace

void MN_ApplyFormStyle(QWidget* form) {
  if (!form) return;
  const QColor style = MN_StyleColor();

  SetRoleColor(form, QPalette::Window, style);
  form->setAutoFillBackground(true);
  QFont formFont = form->font();
  formFont.setFamily(kStyleFontName);
  form->setFont(formFont);

  const QList<QWidget*> controls = form->findChildren<QWidget*>();
  for (QWidget* w : controls) {
    if (qobject_cast<QMenu*>(w) || qobject_cast<QMenuBar*>(w)) continue;

    if (auto* button = qobject_cast<QPushButton*>(w); button && button->isFlat()) button->setFlat(false);

    const QPalette::ColorRole role = w->backgroundRole();
    if (IsFaceColor(w->palette().color(role))) SetRoleColor(w, role, style);
    // Push buttons paint their face with the button colour whatever their background role.
    if (qobject_cast<QAbstractButton*>(w) && IsFaceColor(w->palette().color(QPalette::Button)))
      SetRoleColor(w, QPalette::Button, style);

    QFont font = w->font();
    font.setFamily(kStyleFontName);
    font.setBold(true);
    w->setFont(font);

    ColourFixedCells(w, style);
  }
}

void MN_MakeOkCancel(QWidget* parent, QPushButton*& ok, QPushButton*& cancel) {
  ok = new QPushButton(QStringLiteral("Ok"), parent);
  ok->setObjectName(QStringLiteral("Ok_Cbt"));
  ok->setDefault(true);
  cancel = new QPushButton(QStringLiteral("Cancel"), parent);
  cancel->setObjectName(QStringLiteral("Cancel_Cbt"));
  cancel->setAutoDefault(false);
}

}  // namespace kova
