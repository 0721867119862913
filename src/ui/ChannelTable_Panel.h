#pragma once
// The channel table of the System Editor: the channels of the current system with frequency,
// label and colour, typed into directly (the table is the master copy while the user types; the
// channel list is rebuilt from it after every committed edit), with Presets, Sort, Remove, Shift
// and Mirror below it, the clipboard commands, and red marks on the channels the last check
// found incompatible or that lie off their type's tuning range or grid.

#include <QGroupBox>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>

#include "model/CSpectrum.h"
#include "model/CSystemType.h"

class QTableWidget;

namespace kova {

struct AppState;
class FlexGrid;

class ChannelTable_Panel : public QGroupBox {
  Q_OBJECT
 public:
  // `app` must outlive the panel.
  explicit ChannelTable_Panel(AppState& app, QWidget* parent = nullptr);

  // What the window connects. `command` runs an action as a command of the window (open edits
  // end first, errors are reported); `changed` takes a committed change of the channels with
  // the name of its undo step, `reordered` a new order only; `countsChanged` follows every change
  // of the channel count; `askValue` and `chooseFromList` are the input dialog of Shift and
  // Mirror and the preset dialog (see Main_Form).
  std::function<void(const std::function<void()>&)> command;
  std::function<void(const QString&)> changed;
  std::function<void(const QString&)> reordered;
  std::function<void()> countsChanged;
  std::function<bool(const std::string&, std::string&)> askValue;
  std::function<int32_t(int32_t, SpectrumRef&, const TypeRef&, bool&, bool*)> chooseFromList;

  FlexGrid& Grid() const { return *setup_; }
  // Fills the table from the current system's channels; the cursor stays where it was.
  void Prepare();
  // Commits an open cell edit (see FlexGrid::EndEdit).
  void EndEdit();
  // Puts the cursor on the highlighted channel (chosen in the display or the check results).
  void ShowHighlighted();
  // Marks the frequency cells of the channels that the last check found incompatible or that
  // lie off their type's tuning range or grid (red, with the reasons as tool tip) and clears the
  // other cells' marks.
  void ShowConflictMarks();
  // Copy puts the selected channels on the clipboard as text, Cut also removes them, Paste adds
  // the channels of the clipboard's text in one step and names the lines it leaves out.
  void Copy();
  void Cut();
  void Paste();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddRow();
  void Store();
  // False when the edit was dropped (the cell holds its text from before the edit again).
  bool CheckCell(int row, int col);
  void ShowCount();
  // Mode 0 removes the selected channels (named `verb` in the undo step), 1 shifts, 2 mirrors.
  void EditSelected(int mode, const char* verb = "Remove");
  void AfterEdit(int row, int col);
  void Click();
  void Sort();
  void FromPresets();
  void Run(const std::function<void()>& action);
  void RefreshDisplay();

  AppState& app_;
  bool updating_ = false;
  QString textBeforeEdit_;
  int downRow_ = -1;
  int downCol_ = -1;
  QStringList shownMarks_;  // the tool tips of the marked rows as shown (empty: unmarked)
  QTableWidget* table_;
  FlexGrid* setup_;
};

}  // namespace kova
