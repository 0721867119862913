#pragma once
// The search spectrum table of the System Editor: the bands the search may use for the current
// system, typed into directly (the table is the master copy while the user types; the search
// spectrum is rebuilt from it after every committed edit), with the choice of TV channels,
// presets or a range, Sort and Remove below it.

#include <QGroupBox>
#include <cstdint>
#include <functional>

#include "model/CSpectrum.h"
#include "model/CSystemType.h"

class QTableWidget;

namespace kova {

struct AppState;
class FlexGrid;

class SearchSpectrum_Panel : public QGroupBox {
  Q_OBJECT
 public:
  // `app` must outlive the panel.
  explicit SearchSpectrum_Panel(AppState& app, QWidget* parent = nullptr);

  // What the window connects, as for the channel table: `command` runs an action as a command of
  // the window, `changed` takes a committed change with the name of its undo step, `reordered` a
  // new order only, `chooseBands` is the country selection dialog (see Main_Form).
  std::function<void(const std::function<void()>&)> command;
  std::function<void(const QString&)> changed;
  std::function<void(const QString&)> reordered;
  std::function<int32_t(int32_t, SpectrumRef&, const TypeRef&, bool&, bool*)> chooseBands;

  FlexGrid& Grid() const { return *spectrum_; }
  // Fills the table from the current system's search spectrum.
  void Prepare();
  // Commits an open cell edit (see FlexGrid::EndEdit).
  void EndEdit();
  // The system whose search spectrum the table shows.
  int32_t ShownSystem() const { return shownSystem_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddRow();
  void Store();
  // The band edge that row `row`, column `col` (1 From, 2 To) of the table stands for.
  float GridEdge(int row, int col) const;
  // True when the table's band rows say what the search spectrum holds.
  bool StoredMatchesGrid() const;
  bool CheckCell(int row, int col);
  void ShowBandCount();
  void AfterEdit(int row, int col);
  void RemoveBands();
  void SortBands();
  void SelectSpectrum(int32_t mode);
  void Run(const std::function<void()>& action);

  AppState& app_;
  QString textBeforeEdit_;
  int32_t shownSystem_ = 0;
  QTableWidget* table_;
  FlexGrid* spectrum_;
};

}  // namespace kova
