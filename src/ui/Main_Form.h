#pragma once
// The main working window ("System Editor"): the channel table of the current system, the
// search spectrum table, the list of the project's receiver systems, the per-system check
// switches and search parameters (each a panel of its own), the status light with Check, and
// Generate. It lays the panels out, routes the commands between them and keeps the status light
// true to the channels on screen.

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/CheckConflict.h"
#include "model/CProject.h"
#include "model/CSpectrum.h"
#include "model/CSystemType.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kova {

struct AppState;
class ChannelTable_Panel;
class FlexGrid;
class SearchSpectrum_Panel;
class SystemList_Panel;
class SystemParams_Panel;

class Main_Form : public QWidget {
  Q_OBJECT
 public:
  // `app` must outlive the window.
  explicit Main_Form(AppState& app, QWidget* parent = nullptr);

  // Channel table of the current system, and the system panel with it.
  void PrepareSetup();
  void PrepareMicList();
  void GOrganize();
  // Makes the window (or the frame's child window holding it) as large as its content asks;
  // the content scrolls only when the user makes the window smaller.
  void FitContent();
  // Search spectrum table of the current system.
  void PrepareSpectrum();
  // Check switches and search parameters of the systems in use.
  void PrepareChecks();
  // The "Check" and "Generate" buttons.
  void Check();
  void Generate();

  // What MN_RefreshViews asks of this window: 1 refills the channel table and system panel,
  // 2 also the spectrum table and the check panel; 0 and 3 concern the display only.
  void RefreshViews(int mode);
  // Status light: 0 nothing to check (no channels), 1 compatible (or a full check running),
  // 2 a silent check taking long, 3 a problem found.
  void SetStatusLight(int picture);
  // Commits an open cell edit of either table and delivers one on its way (see FlexGrid::EndEdit);
  // every command of the window does this first.
  void EndEdits();
  // The channel table's clipboard commands (Edit > Cut, Copy, Paste on the table; see
  // ChannelTable_Panel).
  void CopyChannels();
  void CutChannels();
  void PasteChannels();
  int StatusLight() const { return light_; }
  // True while the silent check that answers for the last change has not reported yet.
  bool SilentCheckBusy() const;

  // The dialogs this window opens, replaceable by tests. The system designer gets the 1-based
  // position of the current type and returns the chosen one (0 or less: none). The country
  // selection dialog gets its mode (0 countries, 1 presets, 2 tuning bands) and returns 1 on OK;
  // given the last argument, it may offer the choice for every system and tells whether it is.
  std::function<int32_t(int32_t)> showSystemDesigner;
  std::function<int32_t(int32_t, SpectrumRef&, const TypeRef&, bool&, bool*)> showCountryDialog;
  // The input dialog of Shift and Mirror: shows the prompt with the preset text in `value`;
  // false on Cancel, else `value` holds the typed text.
  std::function<bool(const std::string&, std::string&)> askValue;
  // Shows what the full check of "Check" found (the frame opens its results window); none: nothing.
  std::function<void()> showCheckResults;

  FlexGrid& SetupGrid() const;
  FlexGrid& SpectrumGrid() const;

 private:
  void BuildLayout();
  // Runs `action` as a command of the window: open edits end first, errors are reported.
  template <typename F>
  void Command(F&& action);
  // The silent check that keeps the status light true to the channels on screen runs once the
  // events of a change are handled, however many changes came together.
  void ScheduleSilentCheck();
  void RunSilentCheck();
  void SilentCheckDone(int generation, bool compatible, std::vector<CheckConflict> conflicts, uint32_t changes);
  // A committed change of the project (MarkModified: a new order only); `label` names its undo
  // step.
  void MarkChanged(const QString& label, bool typing = false);
  void MarkModified(const QString& label);

  AppState& app_;
  int light_ = 0;
  QTimer* silentCheck_ = nullptr;
  QTimer* silentLate_ = nullptr;   // shows "checking" when the answer takes long
  int silentGeneration_ = 0;       // counts the changes; only the newest result shows
  bool silentRunning_ = false;
  bool silentAgain_ = false;       // a change came while a check was running

  ChannelTable_Panel* channels_;
  SearchSpectrum_Panel* spectrum_;
  SystemList_Panel* systemList_;
  SystemParams_Panel* params_;
  QLabel* ampelImg_;
  QPushButton* checkCbt_;

  QLineEdit* genShowTbx_;
  QLineEdit* genRunsTbx_;
  QCheckBox* systematicChk_;
  QCheckBox* optimiseChk_;
  QPushButton* generateCbt_;
  QLabel* optimiseResultLbl_;  // how the last optimising search went
  // The project and what of it the last search's summary speaks of (systems, types, zones,
  // search spectra): once it changes, the summary goes.
  std::weak_ptr<const CProject> searchedProject_;
  std::string searchedSetup_;
  QLabel* planNoteLbl_;        // what the proposal in use lacks of the channels asked
  int32_t shownSystems_ = 0;   // systems in use when the check panel was last prepared
};

// The status light's pictures, drawn by the program: 1 green, 2 yellow, 3 red.
QPixmap Ampel_Picture(int picture, int height);

}  // namespace kova
