#pragma once
// The system list of the main window: one row per receiver system of the project with its
// number (choosing it makes the system current), the name and facts of its type, its channel
// count, "..." to choose another type and the zone it stands in (a new zone can be chosen
// there too); the second row carries the switch of the second and later systems. Add System puts a system of a chosen type after the last one; Remove System
// takes the current one out after asking.

#include <QGroupBox>
#include <cstdint>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace kova {

struct AppState;

class SystemList_Panel : public QGroupBox {
  Q_OBJECT
 public:
  // `app` must outlive the panel.
  explicit SystemList_Panel(AppState& app, QWidget* parent = nullptr);

  // What the window connects. `command` runs an action as a command of the window (open edits
  // end first, errors are reported); `chooseType` gets the 1-based position of a type in the
  // type list and returns the chosen one (0 or less: none); `changed` takes a committed change
  // of the project with the name of its undo step.
  std::function<void(const std::function<void()>&)> command;
  std::function<int32_t(int32_t)> chooseType;
  std::function<void(const QString&)> changed;

  // One row per system slot, the current one chosen; the rows beyond the first are greyed while
  // the second system is off.
  void Prepare();
  // Name (cut to the room with "…", whole in the tool tip), facts and channel count of each row.
  void ShowSystemTypes();
  // The channel count of each row.
  void ShowCounts();
  // The zone choice of each row: the project's zones and "New Zone" while there is room.
  void ShowZones();
  // After the window's style has reached the panel: the facts in a smaller plain font.
  void Styled();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Row {
    QRadioButton* number;
    QLabel* name;
    QLabel* facts;
    QLabel* count;
    QPushButton* choose;
    QComboBox* zone;
  };
  void AddRow();
  void FitRowsHeight();
  // The height of the first n rows.
  int RowsHeight(int n) const;
  void Run(const std::function<void()>& action);
  void SelectSystem(int k);
  void ChooseSystemType(int k);
  // The 1-based position of system k's type in the type list; 1 when it is not there.
  int32_t TypePosition(int k) const;
  void ToggleSecond();
  // Puts system k into the zone at position `index` of its zone choice (past the zones: a new one).
  void SetZone(int k, int index);
  void AddSystem();
  void RemoveSystem();

  AppState& app_;
  bool guard_ = false;
  std::vector<Row> rows_;
  QScrollArea* scroll_;
  QWidget* inner_;
  QGridLayout* grid_;
  QCheckBox* secondOn_;
  QPushButton* add_;
  QPushButton* remove_;
};

}  // namespace kova
