#pragma once
// The start wizard: in three pages the user picks the receiver system in use, the aim (find
// compatible frequencies, find as many as possible, or check a set of channels) and the search
// spectrum or the channels to check. "Start" builds a fresh one-system project from these entries
// and runs the search or the check; the wizard comes back afterwards on the same page, so that
// several tries can be made. Leaving it ends the program after a question; "Open the Editor"
// leaves it for the System Editor instead and switches editor mode on.

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTableWidgetItem;

namespace kova {

struct AppState;
class CSpectrum;
class Container_Form;
class SelectCountry_Form;

class Wizard_Form : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kPages = 3;
  // Aims, in the order of their option buttons.
  static constexpr int kAimCompatible = 0;
  static constexpr int kAimMaximum = 1;
  static constexpr int kAimCheck = 2;
  // Grid modes: the search spectrum (grid 0) or the channels to check (grid 1).
  static constexpr int kSpectrumMode = 0;
  static constexpr int kChannelMode = 1;
  // Texts of the "Used" column.
  static constexpr const char* kOn = "ON";
  static constexpr const char* kOff = "--";

  // The project, the system list and the countries come from `app`, which must outlive the
  // wizard.
  explicit Wizard_Form(AppState& app, QWidget* parent = nullptr);

  // Centres the wizard over its parent, takes type iSystem (1-based) as the chosen one, shows
  // the opening state and runs the wizard modally until the user leaves it.
  void GOrganize(int32_t iSystem);

  // Shows page p (-1 the opening state, 0 system, 1 aim, 2 spectrum or channels).
  void ShowPage(int p);
  int CurrentPage() const { return page_; }
  int32_t ChosenSystem() const { return chosen_; }
  int GridMode() const { return gridMode_; }
  // The number of channels the last search was asked for (0 for a check).
  int32_t LastRunChannels() const { return pendingChannels_; }
  // Fills grid `mode` from the bands of `spectrum` (mode 1: each band's lower edge).
  void FillGrid(int mode, const CSpectrum& spectrum);
  // Appends the used rows of grid `mode` to `spectrum` as bands with step 1.
  void ReadGrid(int mode, CSpectrum& spectrum) const;

  // Ends the program once the user agreed to leave (the frame closes itself).
  std::function<void()> quitProgram;
  // With a user level other than 0, "Cancel" hands over to the main window through this.
  std::function<void()> showEditor;
  // "Open the Editor" (shown while the user level is 0) switches editor mode on through this,
  // then leaves as "Cancel" does at user level 2.
  std::function<void()> openEditor;

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void SetupGrid(int mode);
  QTableWidget* Grid(int mode) const { return grids_[static_cast<size_t>(mode)]; }
  int Aim() const;
  void SetGridMode(int mode);
  void ChangeSystem();
  // The chosen type's name and facts on page 0.
  void ShowChosenSystem();
  void SelectSpectrum(int source);
  void NextClicked();
  void SkipClicked();
  void OpenEditorClicked();
  // Hides the wizard without a question and hands over to the main window.
  void LeaveForEditor();
  // The question before leaving; true when the wizard may end the program.
  bool AskToLeave();

  // Grid rows: `row` is the table row (0-based), its number in the grid is row + 1.
  void AppendEntryRow(int mode);
  void ToggleUsed(int mode, int row);
  bool RowUsed(int mode, int row) const;
  void SetCell(int mode, int row, int column, const QString& text);
  QString CellText(int mode, int row, int column) const;
  // False when the edited cell held no frequency and got back its text from before the edit.
  bool CheckRow(int mode, int row, int editedColumn = -1);
  void CheckAllRows();
  void CellEdited(int mode, QTableWidgetItem* item);
  void AfterEdit(int mode, int row, int column);
  // Runs the checks of committed edits that are still to come.
  void FlushEdits();
  // Commits an open cell editor of either grid and runs the pending checks, so that a command
  // sees what the user typed.
  void EndGridEdits();

  // "&Start": builds the project and leaves the modal loop, which then runs the aim.
  void Start();
  void BuildProject(int aim);
  void RunAim();

  AppState& app_;

  std::array<QFrame*, kPages> tabFrames_{};
  std::array<QLabel*, kPages> tabLabels_{};
  std::array<QFrame*, kPages> pageFrames_{};
  QLabel* gliderPbx_;
  QLabel* introImg_;
  QLabel* systemLbl_;
  QLabel* systemFactsLbl_;
  QPushButton* systemChangeCbt_;
  std::array<QRadioButton*, 3> computeObt_{};
  QLineEdit* channelsTbx_;
  QLabel* spectrumCaptionLbl_;
  std::array<QTableWidget*, 2> grids_{};
  std::array<QPushButton*, 3> spectrumRangeCbt_{};
  QPushButton* backCbt_;
  QPushButton* nextCbt_;
  QPushButton* skipCbt_;
  QPushButton* openEditorCbt_;
  QLabel* contPbx_;
  SelectCountry_Form* countryForm_ = nullptr;

  int page_ = -1;
  int32_t chosen_ = 1;
  int gridMode_ = kSpectrumMode;
  bool updating_ = false;
  bool expert_ = false;
  bool leaving_ = false;   // the wizard closes for good (quit, or closed by the program)
  bool quit_ = false;      // ... and the program ends
  bool startPending_ = false;
  int pendingAim_ = 0;
  int32_t pendingChannels_ = 0;
  struct PendingEdit {
    int mode, row, column;
  };
  std::vector<PendingEdit> pendingEdits_;
};

// The frame's start wizard (created on first use) over `frame`, for type iSystem; leaving it
// closes the frame, with a user level other than 0 its "Cancel" shows the main window, and its
// "Open the Editor" switches editor mode on (MN_SetEditorMode) and shows the main window.
void MN_ShowStartWizard(Container_Form& frame, AppState& app, int32_t iSystem);

}  // namespace kova
