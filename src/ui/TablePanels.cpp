#include "ui/TablePanels.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>
#include <cmath>

#include "ui/FlexGrid.h"

namespace kova {

QTableWidget* MN_MakeGrid(const char* name) {
  auto* table = new QTableWidget;
  table->setObjectName(QString::fromLatin1(name));
  table->horizontalHeader()->setStretchLastSection(true);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->verticalHeader()->setDefaultSectionSize(22);
  return table;
}

QPushButton* MN_MakeButton(const QString& caption, const QString& name) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

void MN_SetShares(FlexGrid& grid, const std::vector<double>& shares) {
  QTableWidget* table = grid.Table();
  int width = table->contentsRect().width() - 2;
  if (table->verticalScrollBar()->isVisible()) width -= table->verticalScrollBar()->width();
  width = std::max(120, width);
  for (size_t c = 0; c < shares.size(); ++c)
    grid.SetColWidth(static_cast<int>(c), static_cast<int>(std::floor(shares[c] * width)));
}

QString MN_FreqText(double f) { return QString::fromStdString(MN_FormatFreq(f)); }

double MN_CellNumber(const QString& s) { return TL_ParseNumber(s.toStdString()); }

}  // namespace kova
