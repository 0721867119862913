#pragma once
// The proposal window ("Possible Channel Setups"): one proposal list made by a search, one line
// per proposal with its channel count and its margin (how far its channels stay clear of what
// the checks guard against; the lines can be sorted by it) and, for the selected proposal, its
// channels system by system. "Use" takes the selected proposal over as the current project,
// "Save" writes it to a project file, "Export" writes the whole list as a text report and
// "Discard" closes the window. Every search that shows its result opens a window of its own.

#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/CProject.h"
#include "search/CReportInstance.h"

class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;

namespace kova {

struct AppState;

class Report_Form : public QWidget {
  Q_OBJECT
 public:
  // Item data of a line of ReportAll_Lbx: the margin text shown beside it.
  static constexpr int kMarginRole = Qt::UserRole + 1;
  // Where a proposal first differs from the one on the line above it, drawn in a row of its own
  // under the line ("first difference: #2 612.275 MHz (line above: 612.250 MHz)"); empty for the
  // first line.
  static constexpr int kDifferenceRole = Qt::UserRole + 2;

  // `app` holds the proposal collection and the current project; it must outlive the window.
  explicit Report_Form(AppState& app, QWidget* parent = nullptr);

  // Shows list iReport of the application's proposal collection and selects its first proposal.
  // The window keeps the list itself, so it stays usable when a new project starts a new
  // collection.
  void GShowReport(int32_t iReport);

  int32_t ListNumber() const { return listNumber_; }
  int32_t SelectedProposal() const { return selected_; }
  // The selected proposal; null before a selection.
  ProjectRef Proposal() const;
  // The margin of proposal i (1-based) in kHz (MN_GetMarginKHz), worked out when the list was
  // shown; none when it has nothing to keep clear of.
  std::optional<double> Margin(int32_t i) const;
  // Lists the proposals safest first (largest margin; those with nothing to keep clear of
  // before all others), or in the list's own order; the selected proposal stays selected.
  void SortByMargin(bool on);

  // The button handlers.
  void Use();
  void Save();
  void Export();
  void Discard();

 private:
  void PrepareChannels(int row);
  void FillResults();

  AppState& app_;
  QGroupBox* resultsFrame_;
  QGroupBox* channelsFrame_;
  QListWidget* reportAllLbx_;
  QListWidget* reportOneLbx_;
  QListWidget* reportTwoLbx_;
  QPushButton* useCbt_;
  QPushButton* saveCbt_;
  QPushButton* exportCbt_;
  QPushButton* closeCbt_;
  QCheckBox* sortMarginChk_;

  int32_t listNumber_ = 0;  // number of the list in the proposal collection, 0 before GShowReport
  int32_t selected_ = 0;    // 1-based selected proposal, 0 before the first selection
  ReportRef report_;
  std::vector<std::optional<double>> margins_;  // per proposal, [0] is proposal 1
  std::vector<int32_t> order_;                  // per line of ReportAll_Lbx, the proposal it shows
};

}  // namespace kova
