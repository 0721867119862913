#pragma once
// The dialog that composes a spectrum from one of three sources: the television channels of a
// built-in country (mode 0), the frequencies of a channel preset (mode 1) or the tuning bands of
// a receiver system type (mode 2). The user picks lines of the chosen source; "Ok" turns the
// picked lines into bands, either of a new spectrum or added to the given one ("Keep Old").
// For the TV tables the user may instead name the channels the local stations occupy ("23, 27,
// 31-33"): "All except these" takes every other channel of the table in one step, channels that
// meet joined into one band. A call that offers it may also let the choice go to every system
// ("Every system", ticked at first when the project has several).

#include <QDialog>
#include <cstdint>

#include "model/CSpectrum.h"
#include "model/CSystemType.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kova {

struct AppState;

class SelectCountry_Form : public QDialog {
  Q_OBJECT
 public:
  static constexpr int32_t kCountries = 0;
  static constexpr int32_t kPresets = 1;
  static constexpr int32_t kTuningBands = 2;

  // The countries and presets come from `app`, which must outlive the dialog.
  explicit SelectCountry_Form(AppState& app, QWidget* parent = nullptr);

  // Shows the dialog modally for lMode (kCountries, kPresets or kTuningBands; XCurrSystemType
  // is read in mode 2 only). 1 after "Ok": XCurrSpectrum is then the result spectrum (the given
  // object itself, extended, when "Keep Old" was ticked, else a new one) and bKeptOld tells
  // which. 0 otherwise, with both left as they were. In mode 1 the presets are read from disk
  // again first. With `bEverySystem` given, mode 0 offers "Every system" when the project has
  // several systems, and after "Ok" or "All except these" it tells whether that was ticked.
  int32_t GShowDialog(int32_t lMode, SpectrumRef& XCurrSpectrum, const TypeRef& XCurrSystemType, bool& bKeptOld,
                      bool* bEverySystem = nullptr);

  // Fills the list with the entries of the chosen source (what choosing in the combo box runs).
  void PrepareSource();

 private:
  void SetAllSelected(bool selected);
  // "All except these": every channel of the chosen table but the occupied ones becomes the
  // result; a list that cannot be read is explained and the dialog stays open.
  void AllExcept();
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Appends the picked lines of the current source to `result`.
  void AddSelected(CSpectrum& result) const;

  AppState& app_;
  QComboBox* countryCbx_;
  QListWidget* tvChannelsLbx_;
  QPushButton* selectAllCbt_;
  QPushButton* deselectAllCbt_;
  QCheckBox* keepOldChk_;
  QPushButton* okCbt_;
  QPushButton* cancelCbt_;
  QWidget* occupiedRow_;  // the occupied channels with "All except these" (TV tables only)
  QLineEdit* occupiedTbx_;
  QPushButton* allExceptCbt_;
  QCheckBox* everySystemChk_;
  QLabel* problemsLbl_;   // the user's table files that could not be read
  SpectrumRef exceptBands_;  // the result of "All except these"; null after "Ok"

  int32_t mode_ = kCountries;
  TypeRef systemType_;  // the type of a mode 2 call
  bool accepted_ = false;
};

}  // namespace kova
