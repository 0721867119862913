#pragma once
// A grid of text cells over QTableWidget with exactly the operations the windows' tables use:
// row 0 is the fixed header row (the table's horizontal header) and column 0 the fixed column
// of row numbers (its vertical header), so the grid's row r, column c (r, c >= 1) is the
// table's cell (r - 1, c - 1). The cursor is the top-left cell of the selection and the
// selection end its bottom-right cell, whichever way the user dragged.
//
// Editing: a key typed on a cell, F2 or a double click starts an edit; `beforeEdit` may cancel
// it; `afterEdit` comes once the edit is committed and the editor is gone, so its handler may
// rebuild the grid. Clicks open nothing by themselves: the window decides in `click`.

#include <QColor>
#include <QObject>
#include <QString>
#include <cstdint>

class QTableWidget;

namespace kova {
class FlexGridDelegate;
}

namespace kova {

class FlexGrid : public QObject {
  Q_OBJECT
 public:
  explicit FlexGrid(QTableWidget* table);

  QTableWidget* Table() const { return table_; }

  // Counts including the fixed row and column.
  int Rows() const;
  void SetRows(int rows);
  int Cols() const;
  void SetCols(int cols);
  // Only one fixed row and one fixed column are offered (the headers).
  void SetFixed(int rows, int cols);
  void SetColWidth(int col, int width);

  QString TextMatrix(int row, int col) const;
  void SetTextMatrix(int row, int col, const QString& text);

  // Background of the current cell, and of any cell, as stored colours (r + 256 g + 65536 b).
  void SetCellBackColor(int32_t color);
  int32_t CellBackColor(int row, int col) const;
  // A mark on cell (row, col), r, c >= 1: its background (an invalid colour: none) and tool tip.
  // The cell's text stays readable on the background.
  void SetCellMark(int row, int col, const QColor& background, const QString& toolTip);

  // Cursor and selection end.
  int Row() const;
  int Col() const;
  int RowSel() const;
  int ColSel() const;
  // Selects (row, col) .. (rowSel, colSel) and puts the cursor on (row, col); a single cell
  // when rowSel / colSel are left out.
  void Select(int row, int col, int rowSel = -1, int colSel = -1);
  // Opens the editor on the cursor cell (beforeEdit may still cancel it).
  void EditCell();

  // The cell under the mouse at the last mouse event on the grid (-1 outside any cell).
  int MouseRow() const { return mouseRow_; }
  int MouseCol() const { return mouseCol_; }

  // How the edit being reported by afterEdit was left: Enter moves down (the window does
  // that), Tab / Backtab across (the grid does that after afterEdit), and an edit ended any
  // other way (the focus went elsewhere, a command ended it) leaves the cursor where it is.
  enum class EditEnd { Stay, Down, Right, Left };
  EditEnd LastEditEnd() const { return editEnd_; }

  // True while a cell editor is open.
  bool Editing() const;
  // Ends an open edit the way leaving the cell does (its text is committed) and delivers a
  // committed edit whose afterEdit is still to come, so that a command that follows sees the
  // grid and the model agree. Does nothing when no edit is open or pending.
  void EndEdit();

 signals:
  void beforeEdit(int row, int col, bool& cancel);
  void afterEdit(int row, int col);
  void mouseDown();
  void click();
  void rowColChange();
  // Delete pressed while no editor is open.
  void deletePressed();
  // Undo pressed in a cell editor that holds nothing typed: the editor has closed without a
  // change, and the window's last change is to be undone. (With typing, Undo drops the typing
  // and closes the editor, the cell keeping its text.)
  void undoRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class FlexGridDelegate;
  void DeliverPendingEdit();
  void UpdateMouseCell(const QPoint& viewportPos);
  void UpdateMouseCellFromHeader(const QPoint& headerPos, bool vertical);

  QTableWidget* table_;
  const QObject* cellsViewport_ = nullptr;
  const QObject* headerViewport_ = nullptr;
  int mouseRow_ = -1;
  int mouseCol_ = -1;
  FlexGridDelegate* delegate_ = nullptr;
  EditEnd editEnd_ = EditEnd::Stay;
  int pendingRow_ = -1;  // a committed edit whose afterEdit has not run yet
  int pendingCol_ = -1;
  bool pressed_ = false;
};

}  // namespace kova
