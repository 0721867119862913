#pragma once
// The results of the last full check ("Check Results"): one row per problem found, as the check
// log lists them — the system, label and frequency of the channel, the kind of what hits it, the
// channels that make the product, the product's frequency and its distance from the channel.
// Any column sorts; a double click highlights the channel in the channel table and the display.
// Once the project changes (an edit, an undo, another project) the rows no longer describe it:
// they are greyed out and cannot be chosen, the summary says so, and "Check again" runs the
// check anew.

#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace kova {

struct AppState;

class CheckResults_Form : public QWidget {
  Q_OBJECT
 public:
  enum Column { kSystem, kLabel, kFreq, kKind, kSources, kProduct, kDistance, kColumns };

  // `app` must outlive the window.
  explicit CheckResults_Form(AppState& app, QWidget* parent = nullptr);

  // Fills the table from the conflicts of the last check of the current project.
  void PrepareResults();
  // Marks the results stale when the project has changed since they were filled; the window
  // looks by itself four times a second.
  void FollowProject();
  bool IsStale() const { return stale_; }
  // What "Check again" runs (the frame connects the full check); none: the button stays hidden.
  std::function<void()> checkAgain;
  // Highlights the channel of table row `row` (as sorted now): its system becomes the current
  // one if needed, and the views follow. A channel that is no longer there is left alone.
  void HighlightRow(int row);

  QTableWidget* Table() const { return flxResults_; }

 private:
  AppState& app_;
  QLabel* summaryLbl_;
  QPushButton* againCbt_;
  QTableWidget* flxResults_;
  uint32_t shownChanges_ = 0;  // the project's change count when the rows were filled
  bool stale_ = false;
};

}  // namespace kova
