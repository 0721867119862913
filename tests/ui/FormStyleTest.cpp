#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/FormStyle.h"

using namespace kova;

namespace {
const QString kStyle = QStringLiteral("#bacee4");  // RGB(186, 206, 228)
}

TEST(FormStyle, ColoursFaceBackgroundsAndKeepsOthers) {
  QWidget form;
  auto* layout = new QVBoxLayout(&form);
  auto* button = new QPushButton("Check", &form);
  button->setFlat(true);
  auto* edit = new QLineEdit(&form);
  auto* check = new QCheckBox("Bell", &form);
  auto* red = new QLabel("red", &form);
  red->setAutoFillBackground(true);
  QPalette redPal = red->palette();
  redPal.setColor(QPalette::Window, QColor(255, 0, 0));
  red->setPalette(redPal);
  auto* grid = new QTableWidget(2, 2, &form);
  auto* cell = new QTableWidgetItem("518.200");
  cell->setBackground(QColor(255, 255, 0));
  grid->setItem(0, 0, cell);
  for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(edit), static_cast<QWidget*>(check),
                     static_cast<QWidget*>(red), static_cast<QWidget*>(grid)})
    layout->addWidget(w);

  MN_ApplyFormStyle(&form);

  EXPECT_EQ(form.palette().color(QPalette::Window).name(), kStyle);
  EXPECT_EQ(button->palette().color(QPalette::Button).name(), kStyle);
  EXPECT_FALSE(button->isFlat());
  EXPECT_EQ(check->palette().color(QPalette::Button).name(), kStyle);
  EXPECT_EQ(edit->palette().color(QPalette::Base).name(), "#ffffff");
  EXPECT_EQ(red->palette().color(QPalette::Window).name(), "#ff0000");
  EXPECT_EQ(grid->horizontalHeader()->palette().color(QPalette::Button).name(), kStyle);
  EXPECT_EQ(grid->verticalHeader()->palette().color(QPalette::Button).name(), kStyle);
  EXPECT_EQ(grid->item(0, 0)->background().color().name(), "#ffff00");
  EXPECT_EQ(grid->viewport()->palette().color(QPalette::Base).name(), "#ffffff");

  // What the user sees: the form's own background is painted in the style colour.
  form.resize(300, 300);
  const QImage shot = form.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(1, 1)).name(), kStyle);

  for (QWidget* w : {static_cast<QWidget*>(button), static_cast<QWidget*>(edit), static_cast<QWidget*>(check),
                     static_cast<QWidget*>(red), static_cast<QWidget*>(grid->horizontalHeader())}) {
    EXPECT_EQ(w->font().family(), "Sans Serif") << w->metaObject()->className();
    EXPECT_TRUE(w->font().bold()) << w->metaObject()->className();
    EXPECT_TRUE(QFontMetrics(w->font()).inFont(QChar('K')));
  }
}

TEST(FormStyle, EmptyFormAndGridFixedCells) {
  QWidget empty;
  MN_ApplyFormStyle(&empty);
  EXPECT_EQ(empty.palette().color(QPalette::Window).name(), kStyle);
  EXPECT_EQ(empty.font().family(), "Sans Serif");
  MN_ApplyFormStyle(nullptr);  // ignored

  // A grid that keeps its own fixed cells offers their colour as a property.
  QWidget form;
  QWidget grid(&form);
  grid.setProperty("backColorFixed", QColor(Qt::gray));
  MN_ApplyFormStyle(&form);
  EXPECT_EQ(grid.property("backColorFixed").value<QColor>().name(), kStyle);
}
