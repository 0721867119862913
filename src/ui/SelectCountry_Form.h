#pragma once
// The dialog that composes a spectrum from one of three sources: the television channels of a
// built-in country (mode 0), the frequencies of a channel preset (mode 1) or the tuning bands of
// a receiver system type (mode 2). The user picks lines of the chosen source; "Ok" turns the
// picked lines into bands, either of a new spectrum or added to the given one ("Keep Old").

#include <QDialog>
#include <cstdint>

#include "model/CSpectrum.h"
#include "model/CSystemType.h"

class QCheckBox;
class QComboBox;
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
  // again first.
  int32_t GShowDialog(int32_t lMode, SpectrumRef& XCurrSpectrum, const TypeRef& XCurrSystemType, bool& bKeptOld);

  // Fills the list with the entries of the chosen source (what choosing in the combo box runs).
  void PrepareSource();

 private:
  void SetAllSelected(bool selected);
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

  int32_t mode_ = kCountries;
  TypeRef systemType_;  // the type of a mode 2 call
  bool accepted_ = false;
};

}  // namespace kova
