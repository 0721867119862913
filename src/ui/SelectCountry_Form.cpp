#include "ui/SelectCountry_Form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/AppState.h"
#include "app/Storage.h"
#include "model/ChannelList.h"
#include "tools/Tools.h"
#include "ui/FormStyle.h"

namespace kova {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

SelectCountry_Form::SelectCountry_Form(AppState& app, QWidget* parent) : QDialog(parent), app_(app) {
  setObjectName(QStringLiteral("SelectCountry_Form"));
  setWindowTitle(QStringLiteral("Select Search Spectrum"));
  setModal(true);

  countryCbx_ = new QComboBox(this);
  countryCbx_->setObjectName(QStringLiteral("Country_Cbx"));
  tvChannelsLbx_ = new QListWidget(this);
  tvChannelsLbx_->setObjectName(QStringLiteral("TVChannels_Lbx"));
  tvChannelsLbx_->setSelectionMode(QAbstractItemView::MultiSelection);
  selectAllCbt_ = Button("SelectAll_Cbt", "Select All", this);
  deselectAllCbt_ = Button("DeselectAll_Cbt", "Deselect All", this);
  keepOldChk_ = new QCheckBox(QStringLiteral("Keep Old"), this);
  keepOldChk_->setObjectName(QStringLiteral("KeepOld_Chk"));
  okCbt_ = Button("Ok_Cbt", "Ok", this);
  okCbt_->setDefault(true);
  cancelCbt_ = Button("Cancel_Cbt", "Cancel", this);
  occupiedRow_ = new QWidget(this);
  auto* occupiedLbl = new QLabel(QStringLiteral("Occupied channels"), occupiedRow_);
  occupiedLbl->setObjectName(QStringLiteral("Occupied_Lbl"));
  occupiedTbx_ = new QLineEdit(occupiedRow_);
  occupiedTbx_->setObjectName(QStringLiteral("Occupied_Tbx"));
  occupiedTbx_->setPlaceholderText(QStringLiteral("23, 27, 31-33"));
  occupiedTbx_->installEventFilter(this);
  occupiedLbl->setBuddy(occupiedTbx_);
  allExceptCbt_ = Button("AllExcept_Cbt", "All except these", occupiedRow_);
  everySystemChk_ = new QCheckBox(QStringLiteral("Every system"), this);
  everySystemChk_->setObjectName(QStringLiteral("EverySystem_Chk"));
  problemsLbl_ = new QLabel(this);
  problemsLbl_->setObjectName(QStringLiteral("Problems_Lbl"));
  problemsLbl_->setWordWrap(true);

  auto* selection = new QHBoxLayout;
  selection->addWidget(selectAllCbt_);
  selection->addWidget(deselectAllCbt_);
  auto* occupied = new QHBoxLayout(occupiedRow_);
  occupied->setContentsMargins(0, 0, 0, 0);
  occupied->addWidget(occupiedLbl);
  occupied->addWidget(occupiedTbx_, 1);
  occupied->addWidget(allExceptCbt_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(keepOldChk_);
  buttons->addWidget(everySystemChk_);
  buttons->addStretch(1);
  buttons->addWidget(okCbt_);
  buttons->addWidget(cancelCbt_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(countryCbx_);
  layout->addWidget(tvChannelsLbx_, 1);
  layout->addLayout(selection);
  layout->addWidget(occupiedRow_);
  layout->addWidget(problemsLbl_);
  layout->addLayout(buttons);

  connect(countryCbx_, &QComboBox::currentIndexChanged, this, [this] { PrepareSource(); });
  connect(selectAllCbt_, &QPushButton::clicked, this, [this] { SetAllSelected(true); });
  connect(deselectAllCbt_, &QPushButton::clicked, this, [this] { SetAllSelected(false); });
  connect(allExceptCbt_, &QPushButton::clicked, this, [this] { AllExcept(); });
  connect(okCbt_, &QPushButton::clicked, this, [this] {
    exceptBands_.reset();
    accepted_ = true;
    accept();
  });
  connect(cancelCbt_, &QPushButton::clicked, this, [this] {
    accepted_ = false;
    reject();
  });

  MN_ApplyFormStyle(this);
  resize(420, 460);
}

bool SelectCountry_Form::eventFilter(QObject* watched, QEvent* event) {
  // Return in the occupied channels means "All except these", never "Ok" with no line picked.
  if (watched == occupiedTbx_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      AllExcept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void SelectCountry_Form::AllExcept() {
  const int index = countryCbx_->currentIndex();
  if (mode_ != kCountries || index < 0 || static_cast<size_t>(index) >= app_.countries.size()) return;
  const CCountrySpectrum& table = *app_.countries[static_cast<size_t>(index)];
  const ChannelListResult occupied = MN_ParseChannelList(occupiedTbx_->text().toStdString(), table);
  if (!occupied.ok) {
    TL_ShowInfo("Occupied channels: " + occupied.error);
    occupiedTbx_->setFocus();
    return;
  }
  exceptBands_ = MN_ChannelSpectrum(table, occupied.channels, true);
  accepted_ = true;
  accept();
}

void SelectCountry_Form::PrepareSource() {
  const int index = countryCbx_->currentIndex();
  if (index < 0) return;
  const auto row = static_cast<size_t>(index);
  if (mode_ == kCountries) {
    tvChannelsLbx_->clear();
    if (row >= app_.countries.size()) return;
    const CCountrySpectrum& table = *app_.countries[row];
    for (int32_t i = 1; i <= table.GxSpectrum()->GlBands(); ++i) tvChannelsLbx_->addItem(Q(table.GsGetChannelText(i)));
  } else if (mode_ == kPresets) {
    tvChannelsLbx_->clear();
    if (row >= app_.presets.size()) return;
    const CMicCollection& preset = *app_.presets[row];
    for (int32_t i = 1; i <= preset.GCount(); ++i)
      tvChannelsLbx_->addItem(Q(MN_FormatFreq(preset.GcItem(i)->GfGetFreq())));
  }
  // The tuning bands of mode 2 are listed once when the dialog opens.
}

void SelectCountry_Form::SetAllSelected(bool selected) {
  for (int i = 0; i < tvChannelsLbx_->count(); ++i) tvChannelsLbx_->item(i)->setSelected(selected);
}

int32_t SelectCountry_Form::GShowDialog(int32_t lMode, SpectrumRef& XCurrSpectrum, const TypeRef& XCurrSystemType,
                                        bool& bKeptOld, bool* bEverySystem) {
  mode_ = lMode;
  systemType_ = XCurrSystemType;
  exceptBands_.reset();
  occupiedRow_->setVisible(mode_ == kCountries);
  const bool severalSystems = app_.project && app_.project->GlSystems() > 1;
  everySystemChk_->setVisible(mode_ == kCountries && bEverySystem && severalSystems);
  everySystemChk_->setChecked(severalSystems);
  QStringList problems;
  for (const std::string& problem : app_.countryErrors) problems << Q(problem);
  problemsLbl_->setText(QStringLiteral("Tables not read from %1:\n%2")
                            .arg(Q(app_.CountryDir()), problems.join(QLatin1Char('\n'))));
  problemsLbl_->setVisible(mode_ == kCountries && !problems.isEmpty());
  {
    const QSignalBlocker block(countryCbx_);
    countryCbx_->clear();
  }
  tvChannelsLbx_->clear();

  if (mode_ == kTuningBands) {
    countryCbx_->setEnabled(false);
    if (systemType_) {
      {
        const QSignalBlocker block(countryCbx_);
        countryCbx_->addItem(Q(systemType_->GsGetLabel()));
      }
      const CSpectrum& tuning = *systemType_->GxSpectrum();
      for (int32_t i = 1; i <= tuning.GlBands(); ++i)
        tvChannelsLbx_->addItem(Q(tuning.GxGetBand(i)->GsGetFromToString(0)));
    }
  } else {
    if (mode_ == kPresets) MN_LoadPresets(app_);
    countryCbx_->setEnabled(true);
    {
      const QSignalBlocker block(countryCbx_);
      if (mode_ == kCountries)
        for (const CountryRef& country : app_.countries) countryCbx_->addItem(Q(country->GsGetLabel()));
      else
        for (const MicsRef& preset : app_.presets) countryCbx_->addItem(Q(preset->GsGetLabel()));
      countryCbx_->setCurrentIndex(countryCbx_->count() > 0 ? 0 : -1);
    }
    PrepareSource();
  }

  accepted_ = false;
  exec();
  if (!accepted_) return 0;

  SpectrumRef result;
  if (keepOldChk_->isChecked() && XCurrSpectrum) {
    bKeptOld = true;
    result = XCurrSpectrum;
  } else {
    bKeptOld = keepOldChk_->isChecked();
    result = std::make_shared<CSpectrum>();
    result->GDefine();
  }
  if (exceptBands_)
    for (int32_t i = 1; i <= exceptBands_->GlBands(); ++i) result->GxAddBand(exceptBands_->GxGetBand(i)->GGetCopy());
  else
    AddSelected(*result);
  XCurrSpectrum = result;
  if (bEverySystem) *bEverySystem = everySystemChk_->isVisibleTo(this) && everySystemChk_->isChecked();
  return 1;
}

void SelectCountry_Form::AddSelected(CSpectrum& result) const {
  auto picked = [this](int32_t line) {
    const QListWidgetItem* item = tvChannelsLbx_->item(line - 1);
    return item && item->isSelected();
  };
  // The counts are taken first: the result may be the very spectrum the lines came from.
  auto addBands = [&](const CSpectrum& source) {
    const int32_t count = source.GlBands();
    for (int32_t i = 1; i <= count; ++i)
      if (picked(i)) result.GxAddBand(source.GxGetBand(i)->GGetCopy());
  };

  const int index = countryCbx_->currentIndex();
  const auto row = static_cast<size_t>(index);
  switch (mode_) {
    case kCountries:
      if (index >= 0 && row < app_.countries.size()) addBands(*app_.countries[row]->GxSpectrum());
      break;
    case kPresets:
      if (index >= 0 && row < app_.presets.size()) {
        const CMicCollection& preset = *app_.presets[row];
        const int32_t count = preset.GCount();
        for (int32_t i = 1; i <= count; ++i) {
          if (!picked(i)) continue;
          const float f = preset.GcItem(i)->GfGetFreq();
          result.GAddBand(f, f, 1.0f);
        }
      }
      break;
    case kTuningBands:
      if (systemType_) addBands(*systemType_->GxSpectrum());
      break;
    default:
      break;
  }
}

}  // namespace kova
