#include "ui/SelectSystem_Form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/AppState.h"
#include "app/Storage.h"
#include "tools/BinaryFile.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/EntryRules.h"
#include "ui/FormStyle.h"
#include "ui/TypeFactsText.h"

namespace kova {

namespace {

// Sizes in pixels (15 twips each).
constexpr int kNarrowWidth = 180;   // 2700 twips: the list only
constexpr int kExpertWidth = 559;   // 8385 twips: the list, the tabs and the pages
constexpr int kNarrowListHeight = 225;  // 3375 twips
constexpr int kExpertListHeight = 160;  // 2400 twips
constexpr int kHeight = 440;
constexpr int kMargin = 8;
constexpr int kButtonHeight = 26;
// Top of the marker beside tab 0, 1 and 2 (100, 940 and 1780 twips).
constexpr int kGliderTop[SelectSystem_Form::kPages] = {7, 63, 119};
constexpr int kTabLeft = 198;
constexpr int kPageLeft = 288;

const char* const kChangedQuestion =
    "You have changed some receiver system parameters. Do you want to save these changes?";

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }
QString Freq(double value) { return Q(MN_FormatFreq(value)); }
double Number(const QLineEdit* box) { return TL_ParseNumber(S(box->text())); }
// A field's text is stored only while it is a whole number: a half-typed "-" or an emptied field
// keeps the stored value, which comes back when the field is left.
bool Typed(const QString& text) { return MN_ClassifyTyped(text) == TypedText::Number; }

template <class T>
T* Named(T* w, const QString& name) {
  w->setObjectName(name);
  return w;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* b = Named(new QPushButton(QString::fromLatin1(caption), parent), QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

QLineEdit* TextBox(const QString& name, const char* text, QWidget* parent) {
  auto* box = Named(new QLineEdit(QString::fromLatin1(text), parent), name);
  MN_AcceptNumbersOnly(box);
  box->setAlignment(Qt::AlignRight);
  return box;
}

QString Indexed(const char* name, int index) { return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(index); }

// The marker beside the chosen tab: a small arrow pointing at it.
QPixmap GliderPicture() {
  QPixmap pixmap(12, 20);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 128));
  const QPointF arrow[] = {{1, 2}, {11, 10}, {1, 18}};
  p.drawPolygon(arrow, 3);
  return pixmap;
}

// A head above a column of controls.
QLabel* Head(const char* text, QWidget* parent) { return new QLabel(QString::fromLatin1(text), parent); }

}  // namespace

SelectSystem_Form::SelectSystem_Form(AppState& app, QWidget* parent) : QDialog(parent), app_(app) {
  setObjectName(QStringLiteral("SelectSystem_Form"));
  setWindowTitle(QStringLiteral("Select Receiver System"));
  setModal(true);
  BuildControls();
  SetFlagCaptions();
  MN_ApplyFormStyle(this);
  // The facts read as a note beside the bold controls.
  QFont plain = typeFactsLbl_->font();
  plain.setBold(false);
  typeFactsLbl_->setFont(plain);
  ShowPage(0);
  ApplyLayout(false);
}

void SelectSystem_Form::BuildControls() {
  // The list and the buttons that act on the whole list.
  micTypeCbx_ = Named(new QListWidget(this), QStringLiteral("MicType_Cbx"));
  addSystemCbt_ = Button("AddSystem_Cbt", "Add", this);
  removeSystemCbt_ = Button("RemoveSystem_Cbt", "Remove", this);
  defaultCbt_ = Button("Default_Cbt", "Default", this);
  okCbt_ = Button("Ok_Cbt", "Ok", this);
  okCbt_->setDefault(true);
  cancelCbt_ = Button("Cancel_Cbt", "Cancel", this);
  typeFactsLbl_ = Named(new QLabel(this), QStringLiteral("TypeFacts_Lbl"));
  typeFactsLbl_->setWordWrap(true);
  typeFactsLbl_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // The tabs with their marker, and the pages; they lie right of the list.
  editor_ = Named(new QWidget(this), QStringLiteral("Editor"));
  static const char* const kTabCaptions[kPages] = {"Range", "Parameters", "Local Oscillator"};
  for (int k = 0; k < kPages; ++k) {
    auto* tab = Named(new QFrame(editor_), Indexed("SelectParam_Frame", k));
    tab->setFrameShape(QFrame::StyledPanel);
    tab->setFrameShadow(QFrame::Raised);
    tab->setGeometry(kTabLeft - 180, kGliderTop[k] - 3, kPageLeft - kTabLeft - 6, 50);
    auto* label = Named(new QLabel(QString::fromLatin1(kTabCaptions[k]), tab), Indexed("SelectParam_Lbl", k));
    label->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    label->setWordWrap(true);
    auto* tabLayout = new QVBoxLayout(tab);
    tabLayout->setContentsMargins(2, 2, 2, 2);
    tabLayout->addWidget(label);
    tab->installEventFilter(this);
    label->installEventFilter(this);
    tab->setCursor(Qt::PointingHandCursor);
    selectParamFrame_[static_cast<size_t>(k)] = tab;
    selectParamLbl_[static_cast<size_t>(k)] = label;
  }
  gliderPbx_ = Named(new QLabel(editor_), QStringLiteral("Glider_Pbx"));
  gliderPbx_->setPixmap(GliderPicture());
  gliderPbx_->resize(12, 20);

  const QRect pageRect(kPageLeft - 180, kMargin, kExpertWidth - kPageLeft - kMargin, kHeight - 2 * kMargin);
  static const char* const kPageNames[kPages] = {"FreqBands_Frame", "Parameters_Frame", "LO_Frame"};
  for (int k = 0; k < kPages; ++k) {
    auto* page = Named(new QFrame(editor_), QString::fromLatin1(kPageNames[k]));
    page->setFrameShape(QFrame::StyledPanel);
    page->setFrameShadow(QFrame::Sunken);
    page->setGeometry(pageRect);
    pages_[static_cast<size_t>(k)] = page;
  }

  // Page 0: the tuning bands and the search step.
  QFrame* range = pages_[0];
  freqBandLbx_ = Named(new QListWidget(range), QStringLiteral("FreqBand_Lbx"));
  fromTbx_ = TextBox(QStringLiteral("From_Tbx"), "", range);
  toTbx_ = TextBox(QStringLiteral("To_Tbx"), "", range);
  spacingTbx_ = TextBox(QStringLiteral("Spacing_Tbx"), "0.025", range);
  addBandCbt_ = Button("AddBand_Cbt", "Add", range);
  removeBandCbt_ = Button("RemoveBand_Cbt", "Remove", range);
  searchStepTbx_ = TextBox(QStringLiteral("Range_SearchStep_Tbx"), "0.100", range);
  auto* rangeLayout = new QGridLayout(range);
  rangeLayout->addWidget(freqBandLbx_, 0, 0, 1, 2);
  rangeLayout->addWidget(Head("From : ", range), 1, 0);
  rangeLayout->addWidget(fromTbx_, 1, 1);
  rangeLayout->addWidget(Head("To : ", range), 2, 0);
  rangeLayout->addWidget(toTbx_, 2, 1);
  rangeLayout->addWidget(Head("Steps : ", range), 3, 0);
  rangeLayout->addWidget(spacingTbx_, 3, 1);
  rangeLayout->addWidget(addBandCbt_, 4, 0);
  rangeLayout->addWidget(removeBandCbt_, 4, 1);
  rangeLayout->addWidget(Head("Search Step : ", range), 5, 0);
  rangeLayout->addWidget(searchStepTbx_, 5, 1);
  rangeLayout->setRowStretch(0, 1);

  // Page 1: the default checks and the minimum distance of each check.
  QFrame* parameters = pages_[1];
  auto* parametersLayout = new QGridLayout(parameters);
  parametersLayout->setVerticalSpacing(2);
  parametersLayout->addWidget(Head("Default Checks : ", parameters), 0, 0);
  // The head of the narrow column may take two lines, so that the check names keep their room.
  QLabel* distanceHead = Head("Min. Distance : ", parameters);
  distanceHead->setWordWrap(true);
  distanceHead->setMaximumWidth(72);
  parametersLayout->addWidget(distanceHead, 0, 1);
  parametersLayout->setColumnStretch(0, 1);
  for (int i = 0; i < kChecks; ++i) {
    auto* check = Named(new QCheckBox(parameters), Indexed("Flag_Chk", i));
    auto* distance = TextBox(Indexed("MinDist_Tbx", i), "0.0", parameters);
    distance->setMaximumWidth(72);
    parametersLayout->addWidget(check, i + 1, 0);
    parametersLayout->addWidget(distance, i + 1, 1);
    flagChk_[static_cast<size_t>(i)] = check;
    minDistTbx_[static_cast<size_t>(i)] = distance;
    connect(check, &QCheckBox::clicked, this, [this] { FlagClicked(); });
    connect(distance, &QLineEdit::textEdited, this, [this, i](const QString& t) {
      if (Typed(t)) MinDistEdited(i);
    });
  }
  parametersLayout->setRowStretch(kChecks + 1, 1);

  // Page 2: the two local oscillators with their injection sides.
  QFrame* lo = pages_[2];
  auto* loLayout = new QGridLayout(lo);
  loLayout->addWidget(Head("Local Oscillator", lo), 0, 0);
  loLayout->addWidget(Head("Injection Side", lo), 0, 1, 1, 2);
  loLayout->addWidget(Head("2nd Frequency", lo), 2, 0);
  loLayout->addWidget(Head("Injection Side", lo), 2, 1, 1, 2);
  static const char* const kFreqNames[2] = {"LOFreq_Tbx", "LOFreq2_Tbx"};
  static const char* const kSideNames[2] = {"LOSide_Obt", "LOSide2_Obt"};
  for (int osc = 0; osc < 2; ++osc) {
    auto* box = TextBox(QString::fromLatin1(kFreqNames[osc]), "", lo);
    box->setMaximumWidth(90);
    loFreqTbx_[static_cast<size_t>(osc)] = box;
    auto* group = new QButtonGroup(lo);
    for (int side = 0; side < 2; ++side) {
      auto* option = Named(new QRadioButton(side == 0 ? QStringLiteral("Low") : QStringLiteral("High"), lo),
                           Indexed(kSideNames[osc], side));
      group->addButton(option);
      loSideObt_[static_cast<size_t>(osc)][static_cast<size_t>(side)] = option;
      loLayout->addWidget(option, 2 * osc + 1, 1 + side);
      connect(option, &QRadioButton::clicked, this, [this, osc] { LOEdited(osc); });
    }
    loLayout->addWidget(box, 2 * osc + 1, 0);
    connect(box, &QLineEdit::textEdited, this, [this, osc](const QString& t) {
      if (Typed(t)) LOEdited(osc);
    });
  }
  loLayout->setRowStretch(4, 1);

  connect(micTypeCbx_, &QListWidget::currentRowChanged, this, [this](int row) { TypeSelected(row); });
  connect(freqBandLbx_, &QListWidget::currentRowChanged, this, [this](int row) { BandSelected(row); });
  connect(fromTbx_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (Typed(t)) FromEdited();
  });
  connect(toTbx_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (Typed(t)) ToEdited();
  });
  connect(spacingTbx_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (Typed(t)) SpacingEdited();
  });
  connect(searchStepTbx_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (Typed(t)) SearchStepEdited();
  });
  for (QLineEdit* box : findChildren<QLineEdit*>())
    connect(box, &QLineEdit::editingFinished, this, [this] { ShowStoredValues(); });
  connect(addBandCbt_, &QPushButton::clicked, this, [this] { AddBand(); });
  connect(removeBandCbt_, &QPushButton::clicked, this, [this] { RemoveBand(); });
  connect(addSystemCbt_, &QPushButton::clicked, this, [this] { AddSystem(); });
  connect(removeSystemCbt_, &QPushButton::clicked, this, [this] { RemoveSystem(); });
  connect(defaultCbt_, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
  connect(okCbt_, &QPushButton::clicked, this, [this] {
    ok_ = true;
    accept();
  });
  connect(cancelCbt_, &QPushButton::clicked, this, [this] { reject(); });
}

void SelectSystem_Form::ApplyLayout(bool expert) {
  const int listWidth = kNarrowWidth - 2 * kMargin;
  const int listHeight = expert ? kExpertListHeight : kNarrowListHeight;
  micTypeCbx_->setGeometry(kMargin, kMargin, listWidth, listHeight);
  const int half = (listWidth - 4) / 2;
  addSystemCbt_->setGeometry(kMargin, kMargin + listHeight + 6, half, kButtonHeight);
  removeSystemCbt_->setGeometry(kMargin + listWidth - half, kMargin + listHeight + 6, half, kButtonHeight);
  addSystemCbt_->setVisible(expert);
  removeSystemCbt_->setVisible(expert);
  const int bottom = kHeight - kMargin - kButtonHeight;
  const int defaultTop = bottom - kButtonHeight - 6;
  defaultCbt_->setGeometry(kMargin, defaultTop, listWidth, kButtonHeight);
  // The facts of the selected type fill the room between the list (with its buttons) and
  // "Default".
  const int factsTop = kMargin + listHeight + 6 + (expert ? kButtonHeight + 6 : 0);
  typeFactsLbl_->setGeometry(kMargin, factsTop, listWidth, defaultTop - 6 - factsTop);
  okCbt_->setGeometry(kMargin, bottom, half, kButtonHeight);
  cancelCbt_->setGeometry(kMargin + listWidth - half, bottom, half, kButtonHeight);

  // The pages lie right of the list; the narrow layout leaves them outside the window, and
  // hidden so that the keyboard cannot wander off to them either.
  editor_->setGeometry(180, 0, kExpertWidth - 180, kHeight);
  editor_->setVisible(expert);
  setFixedSize(expert ? kExpertWidth : kNarrowWidth, kHeight);
}

bool SelectSystem_Form::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    for (int k = 0; k < kPages; ++k) {
      if (watched == selectParamFrame_[static_cast<size_t>(k)] || watched == selectParamLbl_[static_cast<size_t>(k)]) {
        ShowPage(k);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void SelectSystem_Form::ShowPage(int page) {
  if (page < 0 || page >= kPages) return;
  for (QFrame* p : pages_) p->hide();
  pages_[static_cast<size_t>(page)]->show();
  gliderPbx_->move(kTabLeft - 180 - 16, kGliderTop[page]);
  page_ = page;
}

void SelectSystem_Form::SetFlagCaptions() {
  for (int i = 0; i < kChecks; ++i) flagChk_[static_cast<size_t>(i)]->setText(Q(MN_GetCheckLabel(i)));
}

CSystemType* SelectSystem_Form::Type() const {
  if (selectedType_ < 1 || selectedType_ > static_cast<int32_t>(app_.systems.size())) return nullptr;
  return app_.systems[static_cast<size_t>(selectedType_ - 1)].get();
}

CBand* SelectSystem_Form::Band() const {
  const CSystemType* type = Type();
  if (!type || selectedBand_ < 1 || selectedBand_ > type->GxSpectrum()->GlBands()) return nullptr;
  return type->GxSpectrum()->GxGetBand(selectedBand_).get();
}

void SelectSystem_Form::Changed() {
  listChanged_ = true;
  ShowTypeFacts();
}

void SelectSystem_Form::ShowTypeFacts() {
  const CSystemType* type = Type();
  const QString facts = type ? MN_TypeFactsText(*type) : QString();
  typeFactsLbl_->setText(facts);
  if (QListWidgetItem* item = micTypeCbx_->item(selectedType_ - 1)) item->setToolTip(facts);
}

void SelectSystem_Form::FillSystemList(int32_t position) {
  micTypeCbx_->clear();
  for (const TypeRef& type : app_.systems) {
    micTypeCbx_->addItem(Q(type->GsGetLabel()));
    micTypeCbx_->item(micTypeCbx_->count() - 1)->setToolTip(MN_TypeFactsText(*type));
  }
  micTypeCbx_->setCurrentRow(position > 0 && position <= micTypeCbx_->count() ? position - 1 : -1);
}

void SelectSystem_Form::FillBandList() {
  freqBandLbx_->clear();
  selectedBand_ = 0;
  const CSystemType* type = Type();
  if (!type) return;
  const CSpectrum& tuning = *type->GxSpectrum();
  for (int32_t i = 1; i <= tuning.GlBands(); ++i) freqBandLbx_->addItem(Q(tuning.GxGetBand(i)->GsGetFromToString(1)));
}

void SelectSystem_Form::TypeSelected(int row) {
  selectedType_ = row + 1;
  ShowTypeFacts();
  if (filling_) return;
  const CSystemType* type = Type();
  if (!type) {
    FillBandList();
    return;
  }
  filling_ = true;
  for (int i = 0; i < kChecks; ++i) {
    flagChk_[static_cast<size_t>(i)]->setChecked(TL_IsBitSet(type->GlGetFlags(), 1 << i));
    minDistTbx_[static_cast<size_t>(i)]->setText(Freq(type->GfBandwidth(i)));
  }
  const float lo[2] = {type->GfGetLOFreq(), type->GfGetLOFreq2()};
  for (size_t osc = 0; osc < 2; ++osc) {
    loFreqTbx_[osc]->setText(Freq(std::fabs(lo[osc])));
    loSideObt_[osc][lo[osc] >= 0 ? 1 : 0]->setChecked(true);
  }
  searchStepTbx_->setText(Freq(type->GfGetSearchStep()));
  FillBandList();
  filling_ = false;
  if (type->GxSpectrum()->GlBands() >= 1) freqBandLbx_->setCurrentRow(0);
}

void SelectSystem_Form::BandSelected(int row) {
  if (filling_) return;
  selectedBand_ = row + 1;
  const CBand* band = Band();
  if (!band) return;
  const bool saved = filling_;
  filling_ = true;
  fromTbx_->setText(Freq(band->GfLo()));
  toTbx_->setText(Freq(band->GfHi()));
  spacingTbx_->setText(Freq(band->GfSteps()));
  filling_ = saved;
}

void SelectSystem_Form::RewriteBandEntry() {
  const CBand* band = Band();
  QListWidgetItem* item = freqBandLbx_->item(selectedBand_ - 1);
  if (band && item) item->setText(Q(band->GsGetFromToString(1)));
}

void SelectSystem_Form::FromEdited() {
  CBand* band = Band();
  if (!band) return;
  band->GSetLo(static_cast<float>(MN_Clamp10To1000(Number(fromTbx_))));
  RewriteBandEntry();
  Changed();
}

void SelectSystem_Form::ToEdited() {
  CBand* band = Band();
  if (!band) return;
  band->GSetHi(static_cast<float>(MN_Clamp10To1000(Number(toTbx_))));
  RewriteBandEntry();
  Changed();
}

void SelectSystem_Form::SpacingEdited() {
  CBand* band = Band();
  if (!band) return;
  band->GSetFreqStep(std::max(static_cast<float>(Number(spacingTbx_)), 0.005f));
  RewriteBandEntry();
  Changed();
}

void SelectSystem_Form::SearchStepEdited() {
  CSystemType* type = Type();
  if (!type) return;
  type->GSetSearchStep(std::max(static_cast<float>(Number(searchStepTbx_)), 0.005f));
  Changed();
}

void SelectSystem_Form::LOEdited(int which) {
  CSystemType* type = Type();
  if (filling_ || !type) return;
  const auto osc = static_cast<size_t>(which);
  float value = static_cast<float>(MN_Clamp1000(Number(loFreqTbx_[osc])));
  if (loSideObt_[osc][0]->isChecked()) value = -value;
  if (osc == 0) type->GSetFreqLO(value);
  else type->GSetFreqLO2(value);
  Changed();
}

void SelectSystem_Form::MinDistEdited(int check) {
  CSystemType* type = Type();
  if (!type) return;
  type->GfBandwidth(check, static_cast<float>(MN_Clamp100(Number(minDistTbx_[static_cast<size_t>(check)]))));
  Changed();
}

void SelectSystem_Form::FlagClicked() {
  CSystemType* type = Type();
  if (filling_ || !type) return;
  int32_t flags = 0;
  for (int k = 0; k < kChecks; ++k)
    if (flagChk_[static_cast<size_t>(k)]->isChecked()) flags += 1 << k;
  type->GlSetFlags(flags);
  Changed();
}

void SelectSystem_Form::ShowStoredValues() {
  const CSystemType* type = Type();
  if (filling_ || !type) return;
  const bool saved = filling_;
  filling_ = true;
  if (const CBand* band = Band()) {
    fromTbx_->setText(Freq(band->GfLo()));
    toTbx_->setText(Freq(band->GfHi()));
    spacingTbx_->setText(Freq(band->GfSteps()));
  }
  searchStepTbx_->setText(Freq(type->GfGetSearchStep()));
  for (int i = 0; i < kChecks; ++i) minDistTbx_[static_cast<size_t>(i)]->setText(Freq(type->GfBandwidth(i)));
  loFreqTbx_[0]->setText(Freq(std::fabs(type->GfGetLOFreq())));
  loFreqTbx_[1]->setText(Freq(std::fabs(type->GfGetLOFreq2())));
  filling_ = saved;
}

void SelectSystem_Form::AddBand() {
  const CSystemType* type = Type();
  const CBand* band = Band();
  if (!type || !band) return;
  CSpectrum& tuning = *type->GxSpectrum();
  if (tuning.GlBands() >= kMaxBands) return;
  selectedBand_ = tuning.GxAddBand(band->GGetCopy());
  FillBandList();
  freqBandLbx_->setCurrentRow(freqBandLbx_->count() - 1);
  Changed();
}

void SelectSystem_Form::RemoveBand() {
  const CSystemType* type = Type();
  if (!Band()) return;
  CSpectrum& tuning = *type->GxSpectrum();
  if (tuning.GlBands() <= 1) {
    TL_ShowInfo("Cannot delete last band!");
    return;
  }
  tuning.GDelBand(selectedBand_);
  FillBandList();
  freqBandLbx_->setCurrentRow(freqBandLbx_->count() - 1);
  Changed();
}

void SelectSystem_Form::AddSystem() {
  std::string name;
  if (!TL_Port().inputBox("Please enter a name for the new system: ", "", name)) return;
  if (TL_Trim(name).empty()) return;
  // The name is also the type's file name.
  std::replace_if(name.begin(), name.end(), [](char c) { return c == '\\' || c == '/' || c == '.' || c == ':'; },
                  '-');
  const std::string wanted = TL_ToLower(name);
  for (const TypeRef& type : app_.systems) {
    // The name of the file the type is saved in counts too: a new type must never write over it.
    const std::string stored = TL_ToLower(TL_StripExtension(MN_SystemDataFileName(*type)));
    if (TL_ToLower(type->GsGetLabel()) == wanted || TL_ToLower(type->GsGetFileName()) == wanted || stored == wanted) {
      TL_ShowInfo("This system name is already in use!");
      return;
    }
  }
  if (app_.systems.empty()) return;
  TypeRef added = app_.systems.back()->GGetCopy();
  added->GsSetLabel(name);
  added->GsSetFileName(name);
  app_.systems.push_back(added);
  Changed();
  FillSystemList(static_cast<int32_t>(app_.systems.size()));
}

void SelectSystem_Form::RemoveSystem() {
  if (!Type()) return;
  if (app_.systems.size() < 2) {
    TL_ShowInfo("Cannot delete last system!");
    return;
  }
  if (TL_AskOkCancel("Do you really want to delete the selected system?") == kCancel) return;
  app_.systems.erase(app_.systems.begin() + (selectedType_ - 1));
  Changed();
  FillSystemList(static_cast<int32_t>(app_.systems.size()));
}

void SelectSystem_Form::RestoreDefaults() {
  if (TL_AskOkCancel(
          "Do you really want to restore the default systems? Any additional or modified data will be deleted.") !=
      kOk)
    return;
  MN_InstallDefaultSystems(app_);
  FillSystemList(1);
  Changed();
}

namespace {

// The whole list of types as the system-data files hold it, to tell a real change from edits
// that came back to where they started.
std::vector<char> ListBytes(const std::vector<TypeRef>& types) {
  BinaryWriter out;
  out.WriteInt32(static_cast<int32_t>(types.size()));
  for (const TypeRef& type : types) type->GWriteToFile(out);
  return out.Bytes();
}

}  // namespace

int32_t SelectSystem_Form::GShowDialog(int32_t iMicType) {
  if (iMicType < 0) return -1;
  const std::vector<char> before = ListBytes(app_.systems);
  selectedType_ = 0;
  FillSystemList(iMicType);
  ApplyLayout(TL_IsExpert());
  listChanged_ = false;
  ok_ = false;
  micTypeCbx_->setFocus();
  exec();

  // Typing a value and then the old one again, or choosing a side that was chosen, is no change.
  if (listChanged_ && ListBytes(app_.systems) == before) listChanged_ = false;
  if (listChanged_) {
    if (ok_ || TL_AskOkCancel(kChangedQuestion) == kOk) {
      MN_SaveSystemData(app_);
    } else if (MN_LoadSystemData(app_) != 0) {
      // Nothing could be read back (the list was never saved): the built-in types replace the
      // declined changes, so the list is never left empty or half edited.
      MN_InstallDefaultSystems(app_);
    }
  }
  return ok_ ? micTypeCbx_->currentRow() + 1 : -1;
}

int32_t MN_ShowSystemDesigner(QWidget* parent, AppState& app, int32_t position) {
  if (position < 0) return -1;
  SelectSystem_Form* form =
      parent ? parent->findChild<SelectSystem_Form*>(QStringLiteral("SelectSystem_Form"), Qt::FindDirectChildrenOnly)
             : nullptr;
  if (form) return form->GShowDialog(position);
  if (!parent) {
    SelectSystem_Form dialog(app);
    return dialog.GShowDialog(position);
  }
  return (new SelectSystem_Form(app, parent))->GShowDialog(position);
}

}  // namespace kova
