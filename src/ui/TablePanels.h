#pragma once
// What the System Editor and its table panels share: commands that report their errors, a guard
// flag held for a scope, the tables, buttons and column shares of the window.

#include <QString>
#include <exception>
#include <vector>

#include "tools/PlatformPort.h"
#include "tools/Tools.h"

class QPushButton;
class QTableWidget;

namespace kova {

class FlexGrid;

// Runs a command of the window; an error that reaches it is reported like those of the menu
// commands, and a progress box left open by it is closed.
template <typename F>
void MN_Guarded(const char* routine, F&& action) {
  try {
    action();
  } catch (const std::exception& e) {
    TL_Port().abortBusy();
    TL_ReportError(routine, e);
  }
}

// Saves and sets a guard for the lifetime of the object, then restores the saved value.
class GuardScope {
 public:
  explicit GuardScope(bool& guard) : guard_(guard), saved_(guard) { guard_ = true; }
  ~GuardScope() { guard_ = saved_; }
  GuardScope(const GuardScope&) = delete;
  GuardScope& operator=(const GuardScope&) = delete;

 private:
  bool& guard_;
  bool saved_;
};

// A table of the window: the last column stretches, no sideways scrolling.
QTableWidget* MN_MakeGrid(const char* name);
// A button that never takes Enter as the window's default.
QPushButton* MN_MakeButton(const QString& caption, const QString& name);
// Column widths as shares of the grid's inner width (what the vertical scroll bar leaves), none
// narrower than its head.
void MN_SetShares(FlexGrid& grid, const std::vector<double>& shares);
// Makes the grid at least as wide as every column head needs to show whole.
void MN_FitHeads(FlexGrid& grid, const std::vector<double>& shares);
// A frequency as the tables show it.
QString MN_FreqText(double f);
// The number a cell's text stands for.
double MN_CellNumber(const QString& s);

}  // namespace kova
