#pragma once
// The receiver system dialog: the user picks a type from the application's list of receiver
// system types and, in the expert layout, edits that list in place: types are added and removed,
// and each type's tuning bands, search step, default checks with their minimum distances and
// local oscillators are edited on three pages beside the list. Whether the edits are kept is
// decided when the dialog closes: "Ok" writes the list to the system-data folder, "Cancel" asks
// first and, when the changes are declined, reads the list back from the folder.

#include <QDialog>
#include <array>
#include <cstdint>

class QAbstractButton;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QCheckBox;

namespace kova {

struct AppState;
class CBand;
class CSystemType;

class SelectSystem_Form : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kPages = 3;
  static constexpr int kChecks = 10;
  static constexpr int kMaxBands = 11;

  // The system list lives in `app`, which must outlive the dialog.
  explicit SelectSystem_Form(AppState& app, QWidget* parent = nullptr);

  // Shows the dialog modally with type iMicType (1-based) selected; 0 selects none, and a
  // negative value returns -1 at once without showing anything. The result is the chosen
  // type's position after "Ok", else -1 (0 when "Ok" was pressed with nothing selected).
  // Callers treat a result <= 0 as no choice.
  int32_t GShowDialog(int32_t iMicType);

  // Shows page `page` (0 range, 1 parameters, 2 local oscillator) and moves the marker beside
  // its tab.
  void ShowPage(int page);
  int CurrentPage() const { return page_; }
  // The 1-based position of the selected type and band (0 = none).
  int32_t SelectedType() const { return selectedType_; }
  int32_t SelectedBand() const { return selectedBand_; }
  // Whether the list or one of its types was changed since the dialog was opened.
  bool ListChanged() const { return listChanged_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ApplyLayout(bool expert);
  void FillSystemList(int32_t position);
  void FillBandList();
  void SetFlagCaptions();
  void TypeSelected(int row);
  void BandSelected(int row);
  // The selected type / band, or nullptr when there is none.
  CSystemType* Type() const;
  CBand* Band() const;
  void RewriteBandEntry();
  // Every edit changes the list; the facts of the selected type follow it.
  void Changed();
  void ShowTypeFacts();

  // Field edits, one per key typed; each stores the clamped value.
  void FromEdited();
  void ToEdited();
  void SpacingEdited();
  void SearchStepEdited();
  void LOEdited(int which);
  void MinDistEdited(int check);
  void FlagClicked();
  // When the user leaves a field it shows the value that was stored.
  void ShowStoredValues();

  void AddBand();
  void RemoveBand();
  void AddSystem();
  void RemoveSystem();
  void RestoreDefaults();

  AppState& app_;

  QListWidget* micTypeCbx_;
  QPushButton* addSystemCbt_;
  QPushButton* removeSystemCbt_;
  QPushButton* defaultCbt_;
  QPushButton* okCbt_;
  QPushButton* cancelCbt_;
  QLabel* typeFactsLbl_;  // tuning range, search step and spacing of the selected type
  QWidget* editor_;  // the tabs and the pages beside the list
  std::array<QFrame*, kPages> selectParamFrame_{};
  std::array<QLabel*, kPages> selectParamLbl_{};
  QLabel* gliderPbx_;
  std::array<QFrame*, kPages> pages_{};

  QListWidget* freqBandLbx_;
  QLineEdit* fromTbx_;
  QLineEdit* toTbx_;
  QLineEdit* spacingTbx_;
  QPushButton* addBandCbt_;
  QPushButton* removeBandCbt_;
  QLineEdit* searchStepTbx_;

  std::array<QCheckBox*, kChecks> flagChk_{};
  std::array<QLineEdit*, kChecks> minDistTbx_{};

  std::array<QLineEdit*, 2> loFreqTbx_{};
  std::array<std::array<QRadioButton*, 2>, 2> loSideObt_{};  // [oscillator][0 Low, 1 High]

  bool ok_ = false;
  int32_t selectedType_ = 0;
  int32_t selectedBand_ = 0;
  bool filling_ = false;
  bool listChanged_ = false;
  int page_ = 0;
};

// The receiver system dialog of `parent` (created on first use, then reused) shown with type
// `position` selected; returns the chosen position, <= 0 for none.
int32_t MN_ShowSystemDesigner(QWidget* parent, AppState& app, int32_t position);

}  // namespace kova
