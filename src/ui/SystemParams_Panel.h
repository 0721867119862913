#pragma once
// The per-system table of the main window: one column per system in use with its check switches
// (the check kinds of its type), its search step and the number of channels Generate adds to it,
// captions on the left; the columns scroll sideways when they outgrow the room.

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QScrollArea;

namespace kova {

struct AppState;

class SystemParams_Panel : public QWidget {
  Q_OBJECT
 public:
  // `app` must outlive the panel.
  explicit SystemParams_Panel(AppState& app, QWidget* parent = nullptr);

  // What the window connects: `command` runs an action as a command of the window (open edits
  // end first, errors are reported); `changed` takes a committed change of the check switches
  // or search steps with the name of its undo step (typing: a search step being typed).
  std::function<void(const std::function<void()>&)> command;
  std::function<void(const QString&, bool)> changed;

  // The columns of the systems in use, filled from their types.
  void Prepare();
  // The captions of the check kinds.
  void SetCaptions();
  // The channels to add to each system in use (0 … 100), as the boxes hold them.
  std::vector<int32_t> ChannelsToAdd();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Column {
    QLabel* head;
    std::array<QCheckBox*, 5> flags;
    QLineEdit* step;
    QLineEdit* channels;
  };
  void AddColumn();
  void Store(bool typing);
  void StoreAddCounts();
  void FitHeight();
  void Run(const std::function<void()>& action);

  AppState& app_;
  bool updating_ = false;
  int rowHeight_ = 0;
  std::vector<Column> columns_;
  std::array<QLabel*, 5> captions_{};
  QGridLayout* captionGrid_;
  QGridLayout* columnGrid_;
  QScrollArea* scroll_;
  QWidget* inner_;
};

}  // namespace kova
