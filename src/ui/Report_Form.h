#pragma once
// The proposal window ("Possible Channel Setups"): one proposal list made by a search, one line
// per proposal with its channel count and, for the selected proposal, its channels system by
// system. "Use" takes the selected proposal over as the current project, "Save" writes it to a
// project file, "Export" writes the whole list as a text report and "Discard" closes the window.
// Every search that shows its result opens a window of its own.

#include <QWidget>
#include <cstdint>

#include "model/CProject.h"
#include "search/CReportInstance.h"

class QGroupBox;
class QListWidget;
class QPushButton;

namespace kova {

struct AppState;

class Report_Form : public QWidget {
  Q_OBJECT
 public:
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

  // The button handlers.
  void Use();
  void Save();
  void Export();
  void Discard();

 private:
  void PrepareChannels(int row);

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

  int32_t listNumber_ = 0;  // number of the list in the proposal collection, 0 before GShowReport
  int32_t selected_ = 0;    // 1-based selected proposal, 0 before the first selection
  ReportRef report_;
};

}  // namespace kova
