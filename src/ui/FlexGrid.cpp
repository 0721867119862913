#include "ui/FlexGrid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

#include "ui/QtPort.h"

namespace kova {

// Asks the grid before an editor opens, reports the committed edit once the editor is gone,
// and paints cells that carry a colour with that colour also while they are selected.
class FlexGridDelegate : public QStyledItemDelegate {
 public:
  FlexGridDelegate(FlexGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    bool cancel = false;
    emit grid_->beforeEdit(index.row() + 1, index.column() + 1, cancel);
    if (cancel) return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    QStyledItemDelegate::setModelData(editor, model, index);
    // The handler may rebuild the grid; it runs once the view has closed the editor, or at once
    // when a command ends the edit (EndEdit).
    grid_->pendingRow_ = index.row() + 1;
    grid_->pendingCol_ = index.column() + 1;
    QPointer<FlexGrid> grid(grid_);
    QTimer::singleShot(0, grid_, [grid] {
      if (grid) grid->DeliverPendingEdit();
    });
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QVariant background = index.data(Qt::BackgroundRole);
    if (!background.isValid()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    painter->save();
    painter->fillRect(option.rect, background.value<QBrush>());
    if (!index.data(Qt::DisplayRole).toString().isEmpty()) {
      // Text on a background of its own (a marked cell): the frame below shows the selection.
      QStyleOptionViewItem text(option);
      initStyleOption(&text, index);
      text.backgroundBrush = Qt::NoBrush;
      text.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
      const QWidget* view = option.widget;
      QStyle* style = view ? view->style() : QApplication::style();
      style->drawControl(QStyle::CE_ItemViewItem, &text, painter, view);
    }
    if (option.state & QStyle::State_Selected) {
      QPen pen(option.palette.highlight().color(), 3);
      pen.setJoinStyle(Qt::MiterJoin);
      painter->setPen(pen);
      painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
    }
    painter->restore();
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      // Tab and Backtab commit the edit and move across without opening the next editor.
      if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor) {
          grid_->editEnd_ = key->key() == Qt::Key_Tab ? FlexGrid::EditEnd::Right : FlexGrid::EditEnd::Left;
          emit commitData(editor);
          emit closeEditor(editor, QAbstractItemDelegate::NoHint);
          return true;
        }
      }
      // Undo ends the edit as the desktop's Undo does everywhere: typing in the cell is dropped,
      // and in a cell without typing it undoes the last change.
      if (key->matches(QKeySequence::Undo)) {
        auto* editor = qobject_cast<QLineEdit*>(object);
        if (editor) {
          const bool typed = editor->isUndoAvailable();
          emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
          if (!typed) {
            QPointer<FlexGrid> grid(grid_);
            QTimer::singleShot(0, grid_, [grid] {
              if (grid) emit grid->undoRequested();
            });
          }
          return true;
        }
      }
      // Enter commits and moves down; any other way out of the editor leaves the cursor put.
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) grid_->editEnd_ = FlexGrid::EditEnd::Down;
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  FlexGrid* grid_;
};

FlexGrid::FlexGrid(QTableWidget* table) : QObject(table), table_(table) {
  delegate_ = new FlexGridDelegate(this);
  table_->setItemDelegate(delegate_);
  table_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::DoubleClicked);
  table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  table_->setSelectionBehavior(QAbstractItemView::SelectItems);
  table_->setTabKeyNavigation(true);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  table_->horizontalHeader()->setHighlightSections(false);
  table_->viewport()->installEventFilter(this);
  table_->verticalHeader()->viewport()->installEventFilter(this);
  cellsViewport_ = table_->viewport();
  headerViewport_ = table_->verticalHeader()->viewport();
  table_->installEventFilter(this);
  connect(table_, &QTableWidget::currentCellChanged, this, [this] { emit rowColChange(); });
}

int FlexGrid::Rows() const { return table_->rowCount() + 1; }

void FlexGrid::SetRows(int rows) { table_->setRowCount(std::max(0, rows - 1)); }

int FlexGrid::Cols() const { return table_->columnCount() + 1; }

void FlexGrid::SetCols(int cols) { table_->setColumnCount(std::max(0, cols - 1)); }

void FlexGrid::SetFixed(int rows, int cols) {
  table_->horizontalHeader()->setVisible(rows > 0);
  table_->verticalHeader()->setVisible(cols > 0);
}

void FlexGrid::SetColWidth(int col, int width) {
  if (col == 0)
    table_->verticalHeader()->setFixedWidth(std::max(0, width));
  else if (col >= 1 && col < Cols())
    table_->setColumnWidth(col - 1, std::max(0, width));
}

QString FlexGrid::TextMatrix(int row, int col) const {
  if (row < 0 || col < 0 || row >= Rows() || col >= Cols()) return {};
  if (row == 0 && col == 0) return {};
  if (row == 0) {
    const QTableWidgetItem* item = table_->horizontalHeaderItem(col - 1);
    return item ? item->text() : QString();
  }
  if (col == 0) {
    const QTableWidgetItem* item = table_->verticalHeaderItem(row - 1);
    return item ? item->text() : QString();
  }
  const QTableWidgetItem* item = table_->item(row - 1, col - 1);
  return item ? item->text() : QString();
}

void FlexGrid::SetTextMatrix(int row, int col, const QString& text) {
  if (row < 0 || col < 0 || row >= Rows() || col >= Cols() || (row == 0 && col == 0)) return;
  if (row == 0) {
    QTableWidgetItem* item = table_->horizontalHeaderItem(col - 1);
    if (!item) table_->setHorizontalHeaderItem(col - 1, item = new QTableWidgetItem);
    item->setText(text);
  } else if (col == 0) {
    QTableWidgetItem* item = table_->verticalHeaderItem(row - 1);
    if (!item) table_->setVerticalHeaderItem(row - 1, item = new QTableWidgetItem);
    item->setText(text);
  } else {
    QTableWidgetItem* item = table_->item(row - 1, col - 1);
    if (!item) table_->setItem(row - 1, col - 1, item = new QTableWidgetItem);
    item->setText(text);
  }
}

void FlexGrid::SetCellBackColor(int32_t color) {
  const int row = table_->currentRow();
  const int col = table_->currentColumn();
  if (row < 0 || col < 0) return;
  QTableWidgetItem* item = table_->item(row, col);
  if (!item) table_->setItem(row, col, item = new QTableWidgetItem);
  int r = 0, g = 0, b = 0;
  TL_LongToColor(color, r, g, b);
  item->setBackground(QColor(r, g, b));
}

void FlexGrid::SetCellMark(int row, int col, const QColor& background, const QString& toolTip) {
  if (row < 1 || col < 1 || row >= Rows() || col >= Cols()) return;
  QTableWidgetItem* item = table_->item(row - 1, col - 1);
  if (!item) table_->setItem(row - 1, col - 1, item = new QTableWidgetItem);
  item->setBackground(background.isValid() ? QBrush(background) : QBrush());
  item->setToolTip(toolTip);
}

int32_t FlexGrid::CellBackColor(int row, int col) const {
  constexpr int32_t kWhite = 0xFFFFFF;
  if (row < 1 || col < 1 || row >= Rows() || col >= Cols()) return kWhite;
  const QTableWidgetItem* item = table_->item(row - 1, col - 1);
  if (!item || item->background().style() == Qt::NoBrush) return kWhite;
  const QColor c = item->background().color();
  return TL_ColorToLong(c.red(), c.green(), c.blue());
}

namespace {

// The selection range that holds the current cell (the first range when none does).
bool CursorRange(const QTableWidget* table, QTableWidgetSelectionRange& range) {
  const QList<QTableWidgetSelectionRange> ranges = table->selectedRanges();
  if (ranges.isEmpty()) return false;
  range = ranges.first();
  for (const QTableWidgetSelectionRange& r : ranges) {
    if (table->currentRow() >= r.topRow() && table->currentRow() <= r.bottomRow() &&
        table->currentColumn() >= r.leftColumn() && table->currentColumn() <= r.rightColumn()) {
      range = r;
      break;
    }
  }
  return true;
}

}  // namespace

int FlexGrid::Row() const {
  QTableWidgetSelectionRange range;
  if (CursorRange(table_, range)) return range.topRow() + 1;
  return table_->currentRow() + 1;
}

int FlexGrid::Col() const {
  QTableWidgetSelectionRange range;
  if (CursorRange(table_, range)) return range.leftColumn() + 1;
  return table_->currentColumn() + 1;
}

int FlexGrid::RowSel() const {
  QTableWidgetSelectionRange range;
  if (CursorRange(table_, range)) return range.bottomRow() + 1;
  return table_->currentRow() + 1;
}

int FlexGrid::ColSel() const {
  QTableWidgetSelectionRange range;
  if (CursorRange(table_, range)) return range.rightColumn() + 1;
  return table_->currentColumn() + 1;
}

void FlexGrid::Select(int row, int col, int rowSel, int colSel) {
  if (row < 1 || col < 1 || row >= Rows() || col >= Cols()) return;
  if (rowSel < 1 || rowSel >= Rows()) rowSel = row;
  if (colSel < 1 || colSel >= Cols()) colSel = col;
  // The cursor cell alone first, whatever was selected before (also by the user's dragging).
  table_->setCurrentCell(row - 1, col - 1, QItemSelectionModel::ClearAndSelect);
  if (rowSel != row || colSel != col) {
    table_->setRangeSelected(QTableWidgetSelectionRange(std::min(row, rowSel) - 1, std::min(col, colSel) - 1,
                                                        std::max(row, rowSel) - 1, std::max(col, colSel) - 1),
                             true);
  }
}

void FlexGrid::EditCell() {
  const int row = table_->currentRow();
  const int col = table_->currentColumn();
  if (row < 0 || col < 0) return;
  QTableWidgetItem* item = table_->item(row, col);
  if (!item) table_->setItem(row, col, item = new QTableWidgetItem);
  table_->editItem(item);
}

bool FlexGrid::Editing() const { return table_->indexWidget(table_->currentIndex()) != nullptr; }

void FlexGrid::EndEdit() {
  if (QWidget* editor = table_->indexWidget(table_->currentIndex())) {
    emit delegate_->commitData(editor);
    emit delegate_->closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
  DeliverPendingEdit();
}

void FlexGrid::DeliverPendingEdit() {
  if (pendingRow_ < 0) return;
  const int row = pendingRow_;
  const int col = pendingCol_;
  pendingRow_ = pendingCol_ = -1;
  emit afterEdit(row, col);
  const EditEnd end = editEnd_;
  editEnd_ = EditEnd::Stay;
  if (end == EditEnd::Right || end == EditEnd::Left) {
    const int next = Col() + (end == EditEnd::Right ? 1 : -1);
    if (next >= 1 && next < Cols()) Select(Row(), next);
  }
}

void FlexGrid::UpdateMouseCell(const QPoint& pos) {
  const int row = table_->rowAt(pos.y());
  const int col = table_->columnAt(pos.x());
  mouseRow_ = row < 0 ? -1 : row + 1;
  mouseCol_ = col < 0 ? -1 : col + 1;
}

void FlexGrid::UpdateMouseCellFromHeader(const QPoint& pos, bool vertical) {
  if (vertical) {
    const int row = table_->verticalHeader()->logicalIndexAt(pos);
    mouseRow_ = row < 0 ? -1 : row + 1;
    mouseCol_ = 0;
  }
}

bool FlexGrid::eventFilter(QObject* watched, QEvent* event) {
  // Compared by address only: while the table is taken down its viewports still send events,
  // and the table can no longer be asked for them.
  const bool onCells = watched == cellsViewport_;
  const bool onRowHeader = watched == headerViewport_;
  if ((onCells || onRowHeader) &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
    const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (onCells)
      UpdateMouseCell(pos);
    else
      UpdateMouseCellFromHeader(pos, true);
    if (event->type() == QEvent::MouseButtonPress) {
      pressed_ = true;
      emit mouseDown();
    } else if (pressed_) {
      pressed_ = false;
      // After the view has handled the release, so the cursor and selection are final.
      QPointer<FlexGrid> self(this);
      QTimer::singleShot(0, this, [self] {
        if (self) emit self->click();
      });
    }
  } else if (watched == table_ && event->type() == QEvent::KeyPress) {
    // While an editor is open it has the keys; the table sees them only between edits.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete) {
      emit deletePressed();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kova
