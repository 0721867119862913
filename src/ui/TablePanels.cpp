#include "ui/TablePanels.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
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

namespace {

// The room column `col`'s head needs to show whole: its text, the head's margins and some air.
int HeadRoom(FlexGrid& grid, int col) {
  const QHeaderView& head = *grid.Table()->horizontalHeader();
  return head.fontMetrics().horizontalAdvance(grid.TextMatrix(0, col)) +
         2 * head.style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
}

}  // namespace

void MN_SetShares(FlexGrid& grid, const std::vector<double>& shares) {
  QTableWidget* table = grid.Table();
  int width = table->contentsRect().width() - 2;
  if (table->verticalScrollBar()->isVisible()) width -= table->verticalScrollBar()->width();
  width = std::max(120, width);
  // A column never gets less than its head needs; the last one takes what the others leave.
  for (size_t c = 0; c < shares.size(); ++c) {
    const int col = static_cast<int>(c);
    const int share = static_cast<int>(std::floor(shares[c] * width));
    grid.SetColWidth(col, col == 0 || col + 1 >= grid.Cols() ? share : std::max(share, HeadRoom(grid, col)));
  }
}

void MN_FitHeads(FlexGrid& grid, const std::vector<double>& shares) {
  QTableWidget* table = grid.Table();
  const int columns = std::min(static_cast<int>(shares.size()), grid.Cols());
  // The row numbers get their share of the narrowest table, the other columns their heads.
  int inner = 0;
  for (int c = 1; c < columns; ++c) inner += HeadRoom(grid, c);
  inner = std::max(120, static_cast<int>(std::ceil(inner / (1.0 - shares[0]))));
  const int width = inner + 2 + 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
  if (table->minimumWidth() != width) table->setMinimumWidth(width);
}

QString MN_FreqText(double f) { return QString::fromStdString(MN_FormatFreq(f)); }

double MN_CellNumber(const QString& s) { return TL_ParseNumber(s.toStdString()); }

}  // namespace kova
