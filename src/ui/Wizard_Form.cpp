#include "ui/Wizard_Form.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "app/AppState.h"
#include "app/Check.h"
#include "app/Commands.h"
#include "app/Generate.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/Container_Form.h"
#include "ui/DesktopShell.h"
#include "ui/EntryRules.h"
#include "ui/FormStyle.h"
#include "ui/TypeFactsText.h"
#include "ui/KOVA_Form.h"
#include "ui/ProjectHistory.h"
#include "ui/SaveQuestion.h"
#include "ui/SelectCountry_Form.h"
#include "ui/SelectSystem_Form.h"

namespace kova {

namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 392;
constexpr int kPageLeft = 124;
constexpr int kPageTop = 8;
constexpr int kPageWidth = kWidth - kPageLeft - 8;
constexpr int kPageHeight = 330;
constexpr int kButtonTop = kPageTop + kPageHeight + 14;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 28;
// The rows of the "Used" and frequency columns.
constexpr int kUsedColumn = 0;
// The light red of the sixteen-colour palette, as channel colours are stored.
constexpr int32_t kLightRed = 255;

const char* const kQuitQuestion = "Do you really want to quit KOVA ?";

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Freq(double value) { return Q(MN_FormatFreq(value)); }
double Number(const QString& text) { return TL_ParseNumber(text.toStdString()); }
QString Indexed(const char* name, int index) { return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(index); }

template <class T>
T* Named(T* w, const QString& name) {
  w->setObjectName(name);
  return w;
}

QPushButton* Button(const QString& name, const char* caption, QWidget* parent) {
  auto* b = Named(new QPushButton(QString::fromLatin1(caption), parent), name);
  b->setAutoDefault(false);
  return b;
}

// An arrow pointing right: the marker beside the current tab, and the hint towards "Start".
QPixmap Arrow(int width, int height, const QColor& color) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  const double w = width, h = height;
  const QPointF arrow[] = {{1, h * 0.3}, {w * 0.55, h * 0.3}, {w * 0.55, 1}, {w - 1, h / 2}, {w * 0.55, h - 1},
                           {w * 0.55, h * 0.7}, {1, h * 0.7}};
  p.drawPolygon(arrow, 7);
  return pixmap;
}

// The page's heading.
QLabel* Heading(const QString& name, const char* text, QWidget* parent) {
  auto* label = Named(new QLabel(QString::fromLatin1(text), parent), name);
  QFont font = label->font();
  font.setPointSizeF(font.pointSizeF() * 1.15);
  label->setFont(font);
  return label;
}

}  // namespace

Wizard_Form::Wizard_Form(AppState& app, QWidget* parent) : QDialog(parent), app_(app) {
  setObjectName(QStringLiteral("Wizard_Form"));
  setWindowTitle(QStringLiteral("KOVA"));
  setModal(true);
  BuildControls();
  MN_ApplyFormStyle(this);
  // The headings a little larger than the rest (the style has set the family and the weight).
  {
    QFont font = spectrumCaptionLbl_->font();
    font.setPointSizeF(font.pointSizeF() * 1.15);
    spectrumCaptionLbl_->setFont(font);
  }
  QFont big = systemLbl_->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  systemLbl_->setFont(big);
  QFont plain = systemFactsLbl_->font();
  plain.setBold(false);
  systemFactsLbl_->setFont(plain);

  SetupGrid(kSpectrumMode);
  SetupGrid(kChannelMode);
  SetGridMode(kSpectrumMode);
  ShowPage(-1);
  setFixedSize(kWidth, kHeight);
}

void Wizard_Form::BuildControls() {
  // The tabs on the left with the marker beside the current one.
  static const char* const kTabs[kPages] = {"System", "Compute", "Spectrum"};
  for (int k = 0; k < kPages; ++k) {
    auto* tab = Named(new QFrame(this), Indexed("Wizard_Frame", k));
    tab->setFrameShape(QFrame::StyledPanel);
    tab->setFrameShadow(QFrame::Raised);
    tab->setGeometry(22, 48 * k + 8, 92, 40);
    auto* label = Named(new QLabel(QString::fromLatin1(kTabs[k]), tab), Indexed("WizardTab_Lbl", k));
    label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(label);
    tab->setCursor(Qt::PointingHandCursor);
    tab->installEventFilter(this);
    label->installEventFilter(this);
    tabFrames_[static_cast<size_t>(k)] = tab;
    tabLabels_[static_cast<size_t>(k)] = label;
  }
  gliderPbx_ = Named(new QLabel(this), QStringLiteral("Glider_Pbx"));
  gliderPbx_->setPixmap(Arrow(16, 20, QColor(0, 0, 128)));
  gliderPbx_->resize(16, 20);

  // The opening state shows the program's picture where the pages go.
  introImg_ = Named(new QLabel(this), QStringLiteral("Intro_Img"));
  introImg_->setPixmap(VersionResource_Logo(160));
  introImg_->setAlignment(Qt::AlignCenter);
  introImg_->setGeometry(kPageLeft, kPageTop, kPageWidth, kPageHeight);

  static const char* const kPageCaptions[kPages] = {"Select System in Use", "Select Aim",
                                                    "Enter Search Spectrum [MHz]"};
  for (int k = 0; k < kPages; ++k) {
    auto* page = Named(new QFrame(this), Indexed("WizardTab_Frame", k));
    page->setFrameShape(QFrame::StyledPanel);
    page->setFrameShadow(QFrame::Sunken);
    page->setGeometry(kPageLeft, kPageTop, kPageWidth, kPageHeight);
    page->setProperty("caption", QString::fromLatin1(kPageCaptions[k]));
    pageFrames_[static_cast<size_t>(k)] = page;
  }

  // Page 0: the system in use.
  QFrame* system = pageFrames_[0];
  auto* picture = Named(new QLabel(system), QStringLiteral("System_Img"));
  picture->setPixmap(VersionResource_Logo(96));
  picture->setAlignment(Qt::AlignCenter);
  systemLbl_ = Named(new QLabel(system), QStringLiteral("System_Lbl"));
  systemLbl_->setAlignment(Qt::AlignCenter);
  systemLbl_->setWordWrap(true);
  systemFactsLbl_ = Named(new QLabel(system), QStringLiteral("SystemFacts_Lbl"));
  systemFactsLbl_->setAlignment(Qt::AlignCenter);
  systemFactsLbl_->setWordWrap(true);
  systemChangeCbt_ = Button(QStringLiteral("SystemChange_Cbt"), "Change", system);
  systemChangeCbt_->setMinimumWidth(kButtonWidth);
  auto* systemLayout = new QVBoxLayout(system);
  systemLayout->addWidget(Heading(QStringLiteral("Heading"), "Select System in Use", system));
  systemLayout->addStretch(1);
  systemLayout->addWidget(picture);
  systemLayout->addSpacing(12);
  systemLayout->addWidget(systemLbl_);
  systemLayout->addSpacing(4);
  systemLayout->addWidget(systemFactsLbl_);
  systemLayout->addSpacing(12);
  systemLayout->addWidget(systemChangeCbt_, 0, Qt::AlignHCenter);
  systemLayout->addStretch(1);

  // Page 1: the aim and the number of channels.
  QFrame* aim = pageFrames_[1];
  auto* aimLayout = new QGridLayout(aim);
  aimLayout->addWidget(Heading(QStringLiteral("Heading"), "Select Aim", aim), 0, 0, 1, 2);
  aimLayout->setRowMinimumHeight(1, 12);
  static const char* const kAims[3] = {"Compute Compatible Frequencies", "Calculate Maximum Number of Frequencies",
                                       "Check Channel Compatibility"};
  auto* aims = new QButtonGroup(aim);
  for (int k = 0; k < 3; ++k) {
    auto* option = Named(new QRadioButton(QString::fromLatin1(kAims[k]), aim), Indexed("Compute_Obt", k));
    aims->addButton(option, k);
    aimLayout->addWidget(option, 2 + k, 0, 1, 2);
    computeObt_[static_cast<size_t>(k)] = option;
    connect(option, &QRadioButton::clicked, this, [this, k] { SetGridMode(k == kAimCheck ? kChannelMode : kSpectrumMode); });
  }
  computeObt_[0]->setChecked(true);
  channelsTbx_ = Named(new QLineEdit(QStringLiteral("5"), aim), QStringLiteral("Channels_Tbx"));
  channelsTbx_->setAlignment(Qt::AlignRight);
  channelsTbx_->setMaximumWidth(70);
  aimLayout->setRowMinimumHeight(5, 12);
  aimLayout->addWidget(new QLabel(QStringLiteral("Number of Channels : "), aim), 6, 0);
  aimLayout->addWidget(channelsTbx_, 6, 1, Qt::AlignLeft);
  aimLayout->setColumnStretch(1, 1);
  aimLayout->setRowStretch(7, 1);

  // Page 2: the search spectrum or the channels to check.
  QFrame* spectrum = pageFrames_[2];
  spectrumCaptionLbl_ = Named(new QLabel(spectrum), QStringLiteral("SpectrumCaption_Lbl"));
  static const char* const kSources[3] = {"Select TV Ch.", "Presets", "Range"};
  auto* spectrumLayout = new QGridLayout(spectrum);
  spectrumLayout->addWidget(spectrumCaptionLbl_, 0, 0, 1, 2);
  for (int mode = 0; mode < 2; ++mode) {
    auto* grid = Named(new QTableWidget(spectrum), Indexed("flxSpectrum", mode));
    grids_[static_cast<size_t>(mode)] = grid;
    spectrumLayout->addWidget(grid, 1, 0, 4, 1);
  }
  for (int k = 0; k < 3; ++k) {
    auto* b = Button(Indexed("Spectrum_Range_Cbt", k), kSources[k], spectrum);
    b->setMinimumWidth(112);
    spectrumRangeCbt_[static_cast<size_t>(k)] = b;
    spectrumLayout->addWidget(b, 1 + k, 1, Qt::AlignTop);
    connect(b, &QPushButton::clicked, this, [this, k] { SelectSpectrum(k); });
  }
  spectrumLayout->setRowStretch(4, 1);
  spectrumLayout->setColumnStretch(0, 1);

  // The buttons below the pages, and the arrow towards "Start".
  contPbx_ = Named(new QLabel(this), QStringLiteral("Cont_Pbx"));
  contPbx_->setPixmap(Arrow(36, 22, QColor(0, 128, 0)));
  contPbx_->setGeometry(kWidth - 8 - 3 * kButtonWidth - 2 * 8 - 48, kButtonTop + 3, 36, 22);
  contPbx_->hide();
  backCbt_ = Button(QStringLiteral("Back_Cbt"), "&Back", this);
  nextCbt_ = Button(QStringLiteral("Next_Cbt"), "&Next", this);
  skipCbt_ = Button(QStringLiteral("Skip_Cbt"), "&Cancel", this);
  // The way from the wizard to the editing windows, at the left end of the row.
  openEditorCbt_ = Button(QStringLiteral("OpenEditor_Cbt"), "Open the &Editor", this);
  openEditorCbt_->setToolTip(QStringLiteral("Work in the System Editor, and start there from now on"));
  openEditorCbt_->setGeometry(8, kButtonTop, 140, kButtonHeight);
  nextCbt_->setDefault(true);
  backCbt_->setGeometry(kWidth - 8 - 3 * kButtonWidth - 2 * 8, kButtonTop, kButtonWidth, kButtonHeight);
  nextCbt_->setGeometry(kWidth - 8 - 2 * kButtonWidth - 8, kButtonTop, kButtonWidth, kButtonHeight);
  skipCbt_->setGeometry(kWidth - 8 - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight);
  connect(backCbt_, &QPushButton::clicked, this, [this] { ShowPage(page_ - 1); });
  connect(nextCbt_, &QPushButton::clicked, this, [this] { NextClicked(); });
  connect(skipCbt_, &QPushButton::clicked, this, [this] { SkipClicked(); });
  connect(openEditorCbt_, &QPushButton::clicked, this, [this] { OpenEditorClicked(); });
  connect(systemChangeCbt_, &QPushButton::clicked, this, [this] { ChangeSystem(); });

  // The keyboard walks through the page, then the buttons below it.
  QWidget* order[] = {systemChangeCbt_, computeObt_[0], computeObt_[1], computeObt_[2],
                      channelsTbx_,     grids_[0],      grids_[1],      spectrumRangeCbt_[0],
                      spectrumRangeCbt_[1], spectrumRangeCbt_[2], backCbt_, nextCbt_, skipCbt_, openEditorCbt_};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void Wizard_Form::SetupGrid(int mode) {
  QTableWidget* grid = Grid(mode);
  const bool spectrum = mode == kSpectrumMode;
  grid->setColumnCount(spectrum ? 3 : 2);
  grid->setHorizontalHeaderLabels(spectrum ? QStringList{QStringLiteral("Used"), QStringLiteral("From [MHz]"),
                                                         QStringLiteral("To [MHz]")}
                                           : QStringList{QStringLiteral("Used"), QStringLiteral("Frequency [MHz]")});
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::DoubleClicked);
  grid->verticalHeader()->setDefaultSectionSize(22);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->setColumnWidth(kUsedColumn, 48);
  for (int c = 1; c < grid->columnCount(); ++c) grid->setColumnWidth(c, spectrum ? 100 : 130);
  grid->horizontalHeader()->setStretchLastSection(true);
  grid->setTabKeyNavigation(false);
  grid->installEventFilter(this);

  connect(grid, &QTableWidget::cellClicked, this, [this, mode](int row, int column) {
    if (column == kUsedColumn) ToggleUsed(mode, row);
    else if (QTableWidgetItem* item = Grid(mode)->item(row, column)) Grid(mode)->editItem(item);
  });
  connect(grid, &QTableWidget::itemChanged, this, [this, mode](QTableWidgetItem* item) { CellEdited(mode, item); });

  const bool saved = updating_;
  updating_ = true;
  grid->setRowCount(0);
  updating_ = saved;
  if (spectrum) {
    AppendEntryRow(mode);
    SetCell(mode, 0, kUsedColumn, QString::fromLatin1(kOn));
    SetCell(mode, 0, 1, Freq(530));
    SetCell(mode, 0, 2, Freq(540));
  }
  AppendEntryRow(mode);
}

void Wizard_Form::AppendEntryRow(int mode) {
  QTableWidget* grid = Grid(mode);
  const bool saved = updating_;
  updating_ = true;
  const int row = grid->rowCount();
  grid->insertRow(row);
  for (int c = 0; c < grid->columnCount(); ++c) {
    auto* item = new QTableWidgetItem;
    if (c == kUsedColumn) {
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      item->setTextAlignment(Qt::AlignCenter);
    } else {
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    grid->setItem(row, c, item);
  }
  updating_ = saved;
  SetCell(mode, row, kUsedColumn, QString::fromLatin1(kOff));
}

void Wizard_Form::SetCell(int mode, int row, int column, const QString& text) {
  QTableWidgetItem* item = Grid(mode)->item(row, column);
  if (!item) return;
  const bool saved = updating_;
  updating_ = true;
  item->setText(text);
  item->setData(Qt::UserRole, text);  // what an edit that is not kept falls back to
  updating_ = saved;
}

QString Wizard_Form::CellText(int mode, int row, int column) const {
  const QTableWidgetItem* item = Grid(mode)->item(row, column);
  return item ? item->text() : QString();
}

bool Wizard_Form::RowUsed(int mode, int row) const { return CellText(mode, row, kUsedColumn) == QLatin1String(kOn); }

void Wizard_Form::ToggleUsed(int mode, int row) {
  if (row < 0 || row >= Grid(mode)->rowCount()) return;
  if (RowUsed(mode, row)) {
    SetCell(mode, row, kUsedColumn, QString::fromLatin1(kOff));
    return;
  }
  SetCell(mode, row, kUsedColumn, QString::fromLatin1(kOn));
  CheckRow(mode, row);
  if (row == Grid(mode)->rowCount() - 1) AppendEntryRow(mode);
}

bool Wizard_Form::CheckRow(int mode, int row, int editedColumn) {
  // Typed text that is not a frequency: the cell gets back what it held before the edit.
  if (editedColumn >= 1) {
    QTableWidgetItem* item = Grid(mode)->item(row, editedColumn);
    const TypedText kind = item ? MN_ClassifyTyped(item->text()) : TypedText::Number;
    if (kind != TypedText::Number) {
      if (kind == TypedText::NotANumber) TL_ShowInfo(kEnterFrequency);
      SetCell(mode, row, editedColumn, item->data(Qt::UserRole).toString());
      return false;
    }
  }
  if (mode == kSpectrumMode) {
    for (int c = 1; c <= 2; ++c) SetCell(mode, row, c, Freq(MN_Clamp10To1000(Number(CellText(mode, row, c)))));
    return true;
  }
  const double typed = Number(CellText(mode, row, 1));
  double f = MN_Clamp1000(typed);
  if (f != 0 && chosen_ >= 1 && chosen_ <= static_cast<int32_t>(app_.systems.size())) {
    const CSpectrum& tuning = *app_.systems[static_cast<size_t>(chosen_ - 1)]->GxSpectrum();
    const double onGrid = tuning.GfGetFreqNext(static_cast<float>(f));
    if (TL_RoundDecimals(f, 3) != TL_RoundDecimals(onGrid, 3)) {
      if (TL_AskOkCancel(MN_OffGridQuestion(typed, onGrid, tuning, "\n")) == kOk) {
        f = onGrid;
      } else {
        // The value goes back to what the cell held before the edit.
        QTableWidgetItem* item = Grid(mode)->item(row, 1);
        if (item) SetCell(mode, row, 1, editedColumn == 1 ? item->data(Qt::UserRole).toString() : item->text());
        return true;
      }
    }
  }
  SetCell(mode, row, 1, Freq(f));
  return true;
}

void Wizard_Form::CheckAllRows() {
  // The entry row stays empty until the user fills it.
  const int rows = Grid(gridMode_)->rowCount() - 1;
  for (int row = 0; row < rows; ++row) CheckRow(gridMode_, row);
}

void Wizard_Form::CellEdited(int mode, QTableWidgetItem* item) {
  if (updating_ || !item || item->column() == kUsedColumn) return;
  // Checked once the editor has closed: the check may ask a question.
  pendingEdits_.push_back({mode, item->row(), item->column()});
  QTimer::singleShot(0, this, [this] { FlushEdits(); });
}

void Wizard_Form::FlushEdits() {
  while (!pendingEdits_.empty()) {
    const PendingEdit edit = pendingEdits_.front();
    pendingEdits_.erase(pendingEdits_.begin());
    AfterEdit(edit.mode, edit.row, edit.column);
  }
}

void Wizard_Form::EndGridEdits() {
  for (QTableWidget* grid : grids_) {
    if (QWidget* editor = grid->indexWidget(grid->currentIndex())) {
      emit grid->itemDelegate()->commitData(editor);
      emit grid->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
  }
  FlushEdits();
}

void Wizard_Form::AfterEdit(int mode, int row, int column) {
  QTableWidget* grid = Grid(mode);
  if (row < 0 || row >= grid->rowCount()) return;
  const bool wasUsed = RowUsed(mode, row);
  const bool entryRow = row == grid->rowCount() - 1;
  if (!CheckRow(mode, row, column)) return;
  if (!wasUsed) SetCell(mode, row, kUsedColumn, QString::fromLatin1(kOn));
  if (entryRow) AppendEntryRow(mode);
  else if (row + 1 < grid->rowCount()) grid->setCurrentCell(row + 1, column);
}

void Wizard_Form::FillGrid(int mode, const CSpectrum& spectrum) {
  QTableWidget* grid = Grid(mode);
  const bool saved = updating_;
  updating_ = true;
  grid->setRowCount(0);
  updating_ = saved;
  for (int32_t i = 1; i <= spectrum.GlBands(); ++i) {
    const CBand& band = *spectrum.GxGetBand(i);
    AppendEntryRow(mode);
    SetCell(mode, i - 1, kUsedColumn, QString::fromLatin1(kOn));
    SetCell(mode, i - 1, 1, Freq(band.GfLo()));
    if (mode == kSpectrumMode) SetCell(mode, i - 1, 2, Freq(band.GfHi()));
  }
  AppendEntryRow(mode);
}

void Wizard_Form::ReadGrid(int mode, CSpectrum& spectrum) const {
  for (int row = 0; row < Grid(mode)->rowCount(); ++row) {
    if (!RowUsed(mode, row)) continue;
    if (mode == kSpectrumMode) {
      const auto from = static_cast<float>(MN_Clamp10To1000(Number(CellText(mode, row, 1))));
      const auto to = static_cast<float>(MN_Clamp10To1000(Number(CellText(mode, row, 2))));
      spectrum.GAddBand(from, to, 1.0f);
    } else {
      const auto f = static_cast<float>(Number(CellText(mode, row, 1)));
      if (f >= 10) spectrum.GAddBand(f, f, 1.0f);
    }
  }
}

bool Wizard_Form::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    for (int k = 0; k < kPages; ++k) {
      if (watched == tabFrames_[static_cast<size_t>(k)] || watched == tabLabels_[static_cast<size_t>(k)]) {
        ShowPage(k);
        return true;
      }
    }
  }
  // The space bar switches a "Used" cell, as a click does (while a cell is edited its editor
  // has the keys).
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
    for (int mode = 0; mode < 2; ++mode) {
      QTableWidget* grid = Grid(mode);
      if (watched == grid && grid->currentColumn() == kUsedColumn) {
        ToggleUsed(mode, grid->currentRow());
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void Wizard_Form::ShowPage(int p) {
  if (p < -1 || p >= kPages) return;
  backCbt_->setEnabled(p >= 1);
  nextCbt_->setText(p == 2 ? QStringLiteral("&Start") : QStringLiteral("&Next"));
  if (p == 2) contPbx_->show();
  for (int k = 0; k < kPages; ++k) pageFrames_[static_cast<size_t>(k)]->setVisible(k == p);
  introImg_->setVisible(p < 0);
  gliderPbx_->move(4, 48 * p + 15);
  gliderPbx_->setVisible(!contPbx_->isHidden());
  page_ = p;

  // The keyboard starts on the page's first control.
  if (!isVisible()) return;
  switch (p) {
    case 0: systemChangeCbt_->setFocus(); break;
    case 1: computeObt_[static_cast<size_t>(Aim())]->setFocus(); break;
    case 2: Grid(gridMode_)->setFocus(); break;
    default: nextCbt_->setFocus(); break;
  }
}

int Wizard_Form::Aim() const {
  for (int k = 0; k < 3; ++k)
    if (computeObt_[static_cast<size_t>(k)]->isChecked()) return k;
  return kAimCompatible;
}

void Wizard_Form::SetGridMode(int mode) {
  gridMode_ = mode;
  const bool spectrum = mode == kSpectrumMode;
  spectrumCaptionLbl_->setText(spectrum ? QStringLiteral("Enter Search Spectrum [MHz]")
                                        : QStringLiteral("Enter Channels To Check [MHz]"));
  pageFrames_[2]->setProperty("caption", spectrumCaptionLbl_->text());
  spectrumRangeCbt_[0]->setVisible(spectrum);
  spectrumRangeCbt_[2]->setVisible(spectrum);
  Grid(kChannelMode)->setVisible(!spectrum);
  Grid(kSpectrumMode)->setVisible(spectrum);
  CheckAllRows();
}

void Wizard_Form::ChangeSystem() {
  EndGridEdits();
  const int32_t result = MN_ShowSystemDesigner(this, app_, chosen_);
  if (result > 0) chosen_ = result;
  // The designer may have shortened the list.
  const auto count = static_cast<int32_t>(app_.systems.size());
  if (chosen_ > count) chosen_ = count;
  if (chosen_ < 1) chosen_ = 1;
  ShowChosenSystem();
  CheckAllRows();
}

void Wizard_Form::ShowChosenSystem() {
  if (chosen_ < 1 || chosen_ > static_cast<int32_t>(app_.systems.size())) return;
  const CSystemType& type = *app_.systems[static_cast<size_t>(chosen_ - 1)];
  systemLbl_->setText(Q(type.GsGetLabel()));
  systemFactsLbl_->setText(MN_TypeFactsText(type));
}

void Wizard_Form::SelectSpectrum(int source) {
  EndGridEdits();
  if (chosen_ < 1 || chosen_ > static_cast<int32_t>(app_.systems.size())) return;
  // The dialog may keep what the visible grid holds ("Keep Old"), so that grid is its start.
  auto spectrum = std::make_shared<CSpectrum>();
  spectrum->GDefine();
  ReadGrid(gridMode_, *spectrum);
  if (!countryForm_) countryForm_ = new SelectCountry_Form(app_, this);
  bool kept = false;
  if (countryForm_->GShowDialog(source, spectrum, app_.systems[static_cast<size_t>(chosen_ - 1)], kept) == 1)
    FillGrid(gridMode_, *spectrum);
}

void Wizard_Form::NextClicked() {
  if (page_ < 2) ShowPage(page_ + 1);
  else Start();
}

void Wizard_Form::Start() {
  EndGridEdits();
  const int aim = Aim();
  int32_t channels = 0;
  if (aim != kAimCheck) {
    channels = TL_RoundLong(Number(channelsTbx_->text()));
    if (channels < 1 && aim == kAimCompatible) {
      TL_ShowInfo("Number of channels is zero!");
      return;
    }
    if (channels < 1) channels = 1;
    if (channels > 1000) channels = 1000;
  }
  if (chosen_ < 1 || chosen_ > static_cast<int32_t>(app_.systems.size())) return;
  // The wizard builds a new project: unsaved work is saved or given up first, as File > New asks.
  if (!SaveQuestion::GoOn(app_)) return;
  BuildProject(aim);
  pendingAim_ = aim;
  pendingChannels_ = channels;
  startPending_ = true;
  hide();  // leaves the modal loop, which runs the aim
}

void Wizard_Form::BuildProject(int aim) {
  CProject& project = *app_.project;
  const TypeRef& type = app_.systems[static_cast<size_t>(chosen_ - 1)];
  // The systems after the second belong to the old project, even while switched off: switching
  // the second system on again must not bring them back into the new one.
  project.GKeepTwoSlots();
  if (project.GbSecondSystem()) {
    project.GlCurr(1);
    project.GcCurrSystem()->GDefine(type->GGetCopy());
    project.GcSpectrum()->GDefine();
    project.GbSecondSystem(false);
  }
  project.GlCurr(0);
  project.GcCurrSystem()->GDefine(type->GGetCopy());
  app_.highlighted = 0;
  CSpectrum& spectrum = *project.GcSpectrum();
  spectrum.GDefine();
  if (aim == kAimCheck) {
    spectrum.GAddBand(10.0f, 1000.0f, 1.0f);
    CSystemInstance& system = *project.GcCurrSystem();
    CMicCollection& mics = *system.GcMics();
    QTableWidget* grid = Grid(kChannelMode);
    for (int row = 0; row < grid->rowCount(); ++row) {
      const auto f = static_cast<float>(Number(CellText(kChannelMode, row, 1)));
      if (f < 10 || !RowUsed(kChannelMode, row)) continue;
      // The label is the row's number, so a skipped row leaves a gap.
      mics.GAddMic(TL_Str(row + 1), system.GcSystemType()->GsGetLabel(), f, kLightRed,
                   system.GcSystemType()->GlGetFlags(), 0, 0);
    }
  } else {
    ReadGrid(kSpectrumMode, spectrum);
  }
  TL_SetChanged(app_.flags, true, false, false, false);
}

void Wizard_Form::RunAim() {
  const int32_t show = expert_ ? kApplyOnly : kApplyAndReport;
  try {
    switch (pendingAim_) {
      case kAimMaximum:
        GenerateProposals(app_, 1, 1, pendingChannels_, 0, show, kSearchSystematic, {}, /*explain=*/true);
        break;
      case kAimCompatible:
        GenerateProposals(app_, 300, 1, pendingChannels_, 0, show, kSearchRandom, {}, /*explain=*/true);
        break;
      default: MN_RunCheckToFile(app_, true); break;
    }
  } catch (const std::exception& e) {
    TL_Port().abortBusy();
    TL_ReportError(pendingAim_ == kAimCheck ? "MN_RunCheckToFile" : "GenerateProposals", e);
  }
}

bool Wizard_Form::AskToLeave() {
  if (!SaveQuestion::GoOn(app_)) return false;
  return TL_AskOkCancel(kQuitQuestion) == kOk;
}

void Wizard_Form::SkipClicked() {
  if (expert_) LeaveForEditor();
  else reject();
}

void Wizard_Form::OpenEditorClicked() {
  if (openEditor) openEditor();
  LeaveForEditor();
}

void Wizard_Form::LeaveForEditor() {
  leaving_ = true;
  QDialog::reject();
  if (showEditor) showEditor();
}

void Wizard_Form::reject() {
  // Escape and the window's close control come here: they leave as "Exit" does.
  if (!leaving_ && !expert_) {
    if (!AskToLeave()) return;
    quit_ = true;
  }
  leaving_ = true;
  QDialog::reject();
}

void Wizard_Form::closeEvent(QCloseEvent* event) {
  // Closed by the program (the frame closing its windows): no question.
  if (!event->spontaneous()) leaving_ = true;
  QDialog::closeEvent(event);
}

void Wizard_Form::GOrganize(int32_t iSystem) {
  if (QWidget* frame = parentWidget()) {
    const QRect f = frame->geometry();
    move(f.left() + f.width() / 2 - width() / 2, f.top() + f.height() / 2 - height() / 2);
  }
  expert_ = TL_UserLevel() != 0;
  const auto count = static_cast<int32_t>(app_.systems.size());
  chosen_ = iSystem < 1 ? 1 : (iSystem > count ? count : iSystem);
  ShowPage(-1);
  ShowChosenSystem();
  skipCbt_->setText(expert_ ? QStringLiteral("&Cancel") : QStringLiteral("E&xit"));
  // With a level other than 0 "Cancel" already leads to the editor.
  openEditorCbt_->setVisible(!expert_);

  leaving_ = false;
  quit_ = false;
  for (;;) {
    startPending_ = false;
    exec();
    if (!startPending_) break;
    RunAim();
    ProjectHistory::Note(QStringLiteral("Start from the wizard"));
    MN_RefreshViews(2);
    ShowPage(page_);  // back on the same page
  }
  if (quit_ && quitProgram) quitProgram();
}

void MN_ShowStartWizard(Container_Form& frame, AppState& app, int32_t iSystem) {
  auto* wizard = frame.findChild<Wizard_Form*>(QStringLiteral("Wizard_Form"), Qt::FindDirectChildrenOnly);
  if (!wizard) wizard = new Wizard_Form(app, &frame);
  QPointer<Container_Form> target(&frame);
  wizard->quitProgram = [target] {
    if (target) target->Unload();
  };
  wizard->showEditor = [target] {
    QAction* editor = target ? target->Action(QStringLiteral("View_Editor")) : nullptr;
    if (editor && editor->isEnabled()) editor->trigger();
  };
  AppState* state = &app;
  wizard->openEditor = [target, state] {
    if (target) MN_SetEditorMode(*target, state->appDir, true);
  };
  wizard->GOrganize(iSystem);
}

}  // namespace kova
