#include "ui/Main_Form.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QThreadPool>
#include <QTimer>
#include <QUndoStack>
#include <QPointer>
#include <QCoreApplication>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "app/AppState.h"
#include "app/Check.h"
#include "app/CheckConflicts.h"
#include "app/Generate.h"
#include "app/RegionCommands.h"
#include "engine/TcCheckHandler.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/ChannelClipboard.h"
#include "ui/EntryRules.h"
#include "ui/FlexGrid.h"
#include "ui/FormStyle.h"
#include "ui/Input_Form.h"
#include "ui/NumberFields.h"
#include "ui/ProjectHistory.h"
#include "ui/SelectCountry_Form.h"
#include "ui/SystemList_Panel.h"
#include "ui/SystemParams_Panel.h"

namespace kova {

namespace {

constexpr int32_t kWhite = 0xFFFFFF;  // colour 15 of the 16-colour palette

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }
double Num(const QString& s) { return TL_ParseNumber(S(s)); }
QString Freq(double f) { return Q(MN_FormatFreq(f)); }

// Runs a command of the window; an error that reaches it is reported like those of the menu
// commands, and a progress box left open by it is closed.
template <typename F>
void Guarded(const char* routine, F&& action) {
  try {
    action();
  } catch (const std::exception& e) {
    TL_Port().abortBusy();
    TL_ReportError(routine, e);
  }
}

// Saves and sets a guard for the lifetime of the object, then restores the saved value.
class GuardScope {
 public:
  explicit GuardScope(bool& guard) : guard_(guard), saved_(guard) { guard_ = true; }
  ~GuardScope() { guard_ = saved_; }
  GuardScope(const GuardScope&) = delete;
  GuardScope& operator=(const GuardScope&) = delete;

 private:
  bool& guard_;
  bool saved_;
};

QTableWidget* MakeGrid(const char* name) {
  auto* table = new QTableWidget;
  table->setObjectName(QString::fromLatin1(name));
  table->horizontalHeader()->setStretchLastSection(true);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->verticalHeader()->setDefaultSectionSize(22);
  return table;
}

QPushButton* MakeButton(const QString& caption, const QString& name) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* MakeBox(const QString& text, const QString& name) {
  auto* box = new QLineEdit(text);
  box->setObjectName(name);
  box->setMaximumWidth(70);
  box->setAlignment(Qt::AlignRight);
  return box;
}

// Column widths as shares of the grid's inner width (what the vertical scroll bar leaves).
void SetShares(FlexGrid& grid, const std::vector<double>& shares) {
  QTableWidget* table = grid.Table();
  int width = table->contentsRect().width() - 2;
  if (table->verticalScrollBar()->isVisible()) width -= table->verticalScrollBar()->width();
  width = std::max(120, width);
  for (size_t c = 0; c < shares.size(); ++c)
    grid.SetColWidth(static_cast<int>(c), static_cast<int>(std::floor(shares[c] * width)));
}

const std::vector<double> kSetupShares = {0.1, 0.3, 0.4, 0.1};
const std::vector<double> kSpectrumShares = {0.1, 0.4, 0.4};

}  // namespace

template <typename F>
void Main_Form::Command(F&& action) {
  EndEdits();
  Guarded("Main_Form", std::forward<F>(action));
}

QPixmap Ampel_Picture(int picture, int height) {
  const int width = std::max(12, height * 2 / 5);
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 40), 1));
  p.setBrush(QColor(55, 58, 64));
  p.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), width / 4.0, width / 4.0);
  const QColor lit[3] = {QColor(220, 30, 30), QColor(245, 200, 20), QColor(30, 200, 60)};
  const QColor dark[3] = {QColor(90, 30, 30), QColor(95, 85, 30), QColor(30, 80, 40)};
  // Top red (picture 3), middle yellow (2), bottom green (1).
  const double d = std::min(width - 6.0, (height - 8.0) / 3.0 - 2.0);
  for (int i = 0; i < 3; ++i) {
    const int shown = 3 - i;
    const double cy = 4.0 + (height - 8.0) * (i + 0.5) / 3.0;
    p.setBrush(picture == shown ? lit[i] : dark[i]);
    p.drawEllipse(QPointF(width / 2.0, cy), d / 2.0, d / 2.0);
  }
  return pixmap;
}

Main_Form::Main_Form(AppState& app, QWidget* parent) : QWidget(parent), app_(app) {
  setObjectName(QStringLiteral("Main_Form"));
  setWindowTitle(QStringLiteral("System Editor"));
  BuildLayout();
  MN_ApplyNumberRules(this);

  showSystemDesigner = [this](int32_t position) -> int32_t {
    // A plain list of the receiver system types until a designer window is connected.
    QStringList names;
    for (const TypeRef& type : app_.systems) names << Q(type->GsGetLabel());
    if (names.isEmpty()) return 0;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, QStringLiteral("KOVA"), QStringLiteral("Receiver system:"),
                                                 names, std::clamp(position, 1, static_cast<int32_t>(names.size())) - 1,
                                                 false, &ok);
    if (!ok) return 0;
    return static_cast<int32_t>(names.indexOf(chosen)) + 1;
  };
  askValue = [this](const std::string& prompt, std::string& value) {
    Input_Form dialog(this);
    return dialog.GShowDialog(value, prompt) != 2;
  };
  showCountryDialog = [this](int32_t mode, SpectrumRef& spectrum, const TypeRef& type, bool& keptOld,
                             bool* everySystem) {
    SelectCountry_Form dialog(app_, this);
    return dialog.GShowDialog(mode, spectrum, type, keptOld, everySystem);
  };

  // Window load: captions, style, check panel, spectrum table; the channel table comes with
  // GOrganize.
  Guarded("Main_Form", [this] { params_->SetCaptions(); });
  MN_ApplyFormStyle(this);
  systemList_->Styled();
  Guarded("Main_Form", [this] { PrepareChecks(); });
  Guarded("Main_Form", [this] { PrepareSpectrum(); });
  silentCheck_ = new QTimer(this);
  silentCheck_->setSingleShot(true);
  silentCheck_->setInterval(0);
  connect(silentCheck_, &QTimer::timeout, this, [this] { RunSilentCheck(); });
  silentLate_ = new QTimer(this);
  silentLate_->setSingleShot(true);
  silentLate_->setInterval(150);
  connect(silentLate_, &QTimer::timeout, this, [this] { SetStatusLight(2); });
  SetStatusLight(0);
  resize(1100, 660);
}

void Main_Form::FitContent() {
  auto* scroll = findChild<QScrollArea*>(QStringLiteral("MainScroll"));
  if (!scroll) return;
  layout()->activate();
  const QSize grow = (scroll->widget()->minimumSizeHint() - scroll->viewport()->size()).expandedTo(QSize(0, 0));
  if (grow.width() == 0 && grow.height() == 0) return;
  QWidget* outer = parentWidget() ? parentWidget() : this;  // the frame's child window, if any
  outer->resize(outer->size() + grow);
}

void Main_Form::BuildLayout() {
  // Channel table.
  micSelFrame_ = new QGroupBox(QStringLiteral("Select Channels"));
  micSelFrame_->setObjectName(QStringLiteral("MicSel_Frame"));
  flxSetup_ = MakeGrid("flxSetup");
  flxSetup_->installEventFilter(this);
  setup_ = new FlexGrid(flxSetup_);
  auto* setupButtons = new QHBoxLayout;
  QPushButton* presets = MakeButton(QStringLiteral("Presets"), QStringLiteral("SetupSelect_Cbt"));
  QPushButton* sort = MakeButton(QStringLiteral("Sort"), QStringLiteral("MicSort_Cbt"));
  QPushButton* remove = MakeButton(QStringLiteral("Remove"), QStringLiteral("SetupRem_Cbt"));
  QPushButton* shift = MakeButton(QStringLiteral("Shift"), QStringLiteral("Shift_Cbt"));
  QPushButton* mirror = MakeButton(QStringLiteral("Mirror"), QStringLiteral("Mirror_Cbt"));
  for (QPushButton* b : {presets, sort, remove, shift, mirror}) setupButtons->addWidget(b);
  auto* micLayout = new QVBoxLayout(micSelFrame_);
  micLayout->addWidget(flxSetup_, 1);
  micLayout->addLayout(setupButtons);

  // Search spectrum table.
  spectrumFrame_ = new QGroupBox(QStringLiteral("Search Spectrum"));
  spectrumFrame_->setObjectName(QStringLiteral("Spectrum_Frame"));
  flxSpectrum_ = MakeGrid("flxSpectrum");
  flxSpectrum_->installEventFilter(this);
  spectrum_ = new FlexGrid(flxSpectrum_);
  auto* spectrumButtons = new QGridLayout;
  const char* selectCaptions[3] = {"Select TV Channels", "Presets", "Range"};
  for (int k = 0; k < 3; ++k) {
    QPushButton* b = MakeButton(QString::fromLatin1(selectCaptions[k]), QStringLiteral("SpectrumSelect_Cbt_%1").arg(k));
    spectrumButtons->addWidget(b, 0, k);
    connect(b, &QPushButton::clicked, this, [this, k] { Command([this, k] { SelectSpectrum(k); }); });
  }
  QPushButton* spectrumSort = MakeButton(QStringLiteral("Sort"), QStringLiteral("SpectrumSort_Cbt"));
  QPushButton* spectrumRemove = MakeButton(QStringLiteral("Remove"), QStringLiteral("SpectrumRem_Cbt"));
  spectrumButtons->addWidget(spectrumSort, 1, 0);
  spectrumButtons->addWidget(spectrumRemove, 1, 1);
  auto* spectrumLayout = new QVBoxLayout(spectrumFrame_);
  spectrumLayout->addWidget(flxSpectrum_, 1);
  spectrumLayout->addLayout(spectrumButtons);

  // System list and the per-system table.
  systemList_ = new SystemList_Panel(app_);
  params_ = new SystemParams_Panel(app_);
  const auto command = [this](const std::function<void()>& action) { Command(action); };
  systemList_->command = command;
  systemList_->chooseType = [this](int32_t position) { return showSystemDesigner ? showSystemDesigner(position) : 0; };
  systemList_->changed = [this](const QString& label) { MarkChanged(label); };
  params_->command = command;
  params_->changed = [this](const QString& label, bool typing) {
    systemList_->ShowSystemTypes();  // the step and the spacing switch are part of the facts
    MarkChanged(label, typing);
  };

  // Check panel.
  auto* checkFrame = new QGroupBox(QStringLiteral("Check For"));
  checkFrame->setObjectName(QStringLiteral("Check_Frame"));
  auto* checkLayout = new QGridLayout(checkFrame);
  ampelImg_ = new QLabel;
  ampelImg_->setObjectName(QStringLiteral("Ampel_Img"));
  ampelImg_->setAlignment(Qt::AlignCenter);
  checkCbt_ = MakeButton(QStringLiteral("Check"), QStringLiteral("Check_Cbt"));
  checkLayout->addWidget(params_, 0, 0, 2, 1);
  checkLayout->addWidget(ampelImg_, 0, 1);
  checkLayout->addWidget(checkCbt_, 1, 1, Qt::AlignBottom);
  checkLayout->setColumnStretch(0, 1);
  connect(checkCbt_, &QPushButton::clicked, this, [this] { Check(); });

  // Search panel.
  auto* generateFrame = new QGroupBox(QStringLiteral("Find Free Channels"));
  generateFrame->setObjectName(QStringLiteral("Generate_Frame"));
  auto* generateLayout = new QGridLayout(generateFrame);
  genShowTbx_ = MakeBox(QStringLiteral("10"), QStringLiteral("GenShow_Tbx"));
  genRunsTbx_ = MakeBox(QStringLiteral("100"), QStringLiteral("GenRuns_Tbx"));
  systematicChk_ = new QCheckBox(QStringLiteral("Maximum Search"));
  systematicChk_->setObjectName(QStringLiteral("Systematic_Chk"));
  optimiseChk_ = new QCheckBox(QStringLiteral("Optimise"));
  optimiseChk_->setObjectName(QStringLiteral("Optimise_Chk"));
  optimiseChk_->setToolTip(
      QStringLiteral("Search as many channels as a few seconds find. Channels asked of several systems are "
                     "searched for all of them together: every system gets its count where that is possible; "
                     "otherwise the smallest share (channels received \u00f7 requested) is made as large as "
                     "possible, then the next smallest, and so on; then the most channels in all."));
  generateCbt_ = MakeButton(QStringLiteral("Generate"), QStringLiteral("Generate_Cbt"));
  generateLayout->addWidget(new QLabel(QStringLiteral("Number of runs : ")), 0, 0);
  generateLayout->addWidget(genRunsTbx_, 0, 1);
  generateLayout->addWidget(new QLabel(QStringLiteral("Results to show : ")), 1, 0);
  generateLayout->addWidget(genShowTbx_, 1, 1);
  generateLayout->addWidget(systematicChk_, 2, 0);
  generateLayout->addWidget(optimiseChk_, 2, 1);
  // The two ways of searching exclude each other; neither ticked is the random search.
  connect(systematicChk_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) optimiseChk_->setChecked(false);
  });
  connect(optimiseChk_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) systematicChk_->setChecked(false);
  });
  generateLayout->addWidget(generateCbt_, 3, 0, 1, 2);
  optimiseResultLbl_ = new QLabel;
  optimiseResultLbl_->setObjectName(QStringLiteral("OptimiseResult_Lbl"));
  optimiseResultLbl_->setWordWrap(true);
  optimiseResultLbl_->setVisible(false);
  generateLayout->addWidget(optimiseResultLbl_, 4, 0, 1, 2);
  planNoteLbl_ = new QLabel;
  planNoteLbl_->setObjectName(QStringLiteral("PlanNote_Lbl"));
  planNoteLbl_->setWordWrap(true);
  planNoteLbl_->setStyleSheet(QStringLiteral("color: #b00000;"));
  planNoteLbl_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
  planNoteLbl_->setVisible(false);
  generateLayout->addWidget(planNoteLbl_, 5, 0, 1, 2);
  generateLayout->setColumnStretch(0, 1);
  connect(generateCbt_, &QPushButton::clicked, this, [this] { Generate(); });

  auto* right = new QVBoxLayout;
  right->addWidget(systemList_);
  right->addWidget(checkFrame);
  right->addWidget(generateFrame);
  right->addStretch(1);

  // The window's content scrolls when the window is too small for it, so that every command
  // stays in reach on a small screen.
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("MainContent"));
  auto* layout = new QHBoxLayout(content);
  layout->addWidget(micSelFrame_, 5);
  layout->addWidget(spectrumFrame_, 4);
  layout->addLayout(right, 0);
  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("MainScroll"));
  scroll->setWidget(content);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll);

  // Channel table events.
  connect(setup_, &FlexGrid::beforeEdit, this, [this](int row, int col, bool& cancel) {
    cancel = !(row >= 1 && (col == 1 || col == 2));
    if (!cancel) textBeforeEdit_ = setup_->TextMatrix(row, col);
  });
  connect(setup_, &FlexGrid::afterEdit, this,
          [this](int row, int col) { Guarded("Main_Form", [this, row, col] { SetupAfterEdit(row, col); }); });
  connect(setup_, &FlexGrid::mouseDown, this, [this] {
    downRow_ = setup_->MouseRow();
    downCol_ = setup_->MouseCol();
  });
  connect(setup_, &FlexGrid::click, this, [this] { Guarded("Main_Form", [this] { SetupClick(); }); });
  connect(setup_, &FlexGrid::rowColChange, this, [this] {
    if (updating_) return;
    const int row = setup_->Row();
    if (row > 0 && row < setup_->Rows() - 1) {
      app_.highlighted = row;
      MN_RefreshViews(0);
    }
  });
  connect(setup_, &FlexGrid::deletePressed, this, [this] { Command([this] { EditSelectedChannels(0); }); });
  // Undo pressed in a cell editor that holds no typing of its own undoes the last change.
  for (FlexGrid* grid : {setup_, spectrum_}) {
    connect(grid, &FlexGrid::undoRequested, this, [] {
      if (ProjectHistory* history = ProjectHistory::Current()) history->Stack()->undo();
    });
  }
  connect(presets, &QPushButton::clicked, this, [this] { Command([this] { ChannelsFromPresets(); }); });
  connect(sort, &QPushButton::clicked, this, [this] { Command([this] { SortChannels(); }); });
  connect(remove, &QPushButton::clicked, this, [this] { Command([this] { EditSelectedChannels(0); }); });
  connect(shift, &QPushButton::clicked, this, [this] { Command([this] { EditSelectedChannels(1); }); });
  connect(mirror, &QPushButton::clicked, this, [this] { Command([this] { EditSelectedChannels(2); }); });

  // Spectrum table events.
  connect(spectrum_, &FlexGrid::beforeEdit, this, [this](int row, int col, bool& cancel) {
    cancel = !(row >= 1 && (col == 1 || col == 2));
    if (!cancel) spectrumTextBeforeEdit_ = spectrum_->TextMatrix(row, col);
  });
  connect(spectrum_, &FlexGrid::afterEdit, this,
          [this](int row, int col) { Guarded("Main_Form", [this, row, col] { SpectrumAfterEdit(row, col); }); });
  connect(spectrum_, &FlexGrid::click, this, [this] {
    const int row = spectrum_->MouseRow();
    const int col = spectrum_->MouseCol();
    if ((col == 1 || col == 2) && row > 0) {
      spectrum_->Select(row, col);
      spectrum_->EditCell();
    }
  });
  connect(spectrum_, &FlexGrid::deletePressed, this, [this] { Command([this] { RemoveBands(); }); });
  connect(spectrumSort, &QPushButton::clicked, this, [this] { Command([this] { SortBands(); }); });
  connect(spectrumRemove, &QPushButton::clicked, this, [this] { Command([this] { RemoveBands(); }); });

}

bool Main_Form::eventFilter(QObject* watched, QEvent* event) {
  // The grids keep their column shares when the window is resized.
  if (event->type() == QEvent::Resize) {
    if (watched == flxSetup_) SetShares(*setup_, kSetupShares);
    if (watched == flxSpectrum_) SetShares(*spectrum_, kSpectrumShares);
  }
  return QWidget::eventFilter(watched, event);
}

void Main_Form::MarkChanged(const QString& label, bool typing) {
  TL_SetChanged(app_.flags, true, false, false, false);
  MN_ClearConflicts(app_);
  ShowConflictMarks();
  ScheduleSilentCheck();
  ProjectHistory::Note(label, typing);
}
void Main_Form::MarkModified(const QString& label) {
  // A new order moves the channels the marks point at: they go, and the next check brings
  // them back.
  TL_SetChanged(app_.flags, false, false, false, true);
  MN_ClearConflicts(app_);
  ShowConflictMarks();
  ScheduleSilentCheck();
  ProjectHistory::Note(label);
}
void Main_Form::RefreshDisplay() { MN_RefreshViews(3); }

void Main_Form::EndEdits() {
  setup_->EndEdit();
  spectrum_->EndEdit();
}

void Main_Form::RefreshViews(int mode) {
  // Whatever changed the project elsewhere (a drag in the display, a proposal) took the marks
  // of the last check with it.
  ShowConflictMarks();
  const std::string lacking = MN_PlanShortfall(app_, false);
  planNoteLbl_->setText(QString::fromStdString(lacking.empty() ? "" : "Proposal in use:\n" + lacking).trimmed());
  planNoteLbl_->setToolTip(QString::fromStdString(MN_PlanShortfall(app_, true)).trimmed());
  planNoteLbl_->setVisible(!lacking.empty());
  if (mode != 1 && mode != 2) return;
  // An edit still open or on its way belongs to the system the tables show now.
  EndEdits();
  // The tables never show another system than the current one, whatever the caller asked for.
  if (mode == 1 && tablesSystem_ == app_.project->GlCurr()) {
    PrepareMicList();
  } else {
    PrepareMicList();
    PrepareSpectrum();
    PrepareChecks();
  }
  // The table's cursor shows the highlighted channel (chosen in the display or the check results).
  if (app_.highlighted >= 1 && app_.highlighted < setup_->Rows() - 1) {
    GuardScope guard(updating_);
    setup_->Select(app_.highlighted, std::clamp(setup_->Col(), 1, 2));
    flxSetup_->scrollToItem(flxSetup_->item(app_.highlighted - 1, 0));
  }
  ScheduleSilentCheck();
}

void Main_Form::SetStatusLight(int picture) {
  light_ = picture;
  ampelImg_->setPixmap(Ampel_Picture(picture, 84));
}

void Main_Form::ScheduleSilentCheck() { silentCheck_->start(); }

void Main_Form::RunSilentCheck() {
  const CProject& project = *app_.project;
  bool any = false;
  for (int32_t s = 0; s < project.GlSystems() && !any; ++s) any = project.GcSystem(s)->GcMics()->GCount() > 0;
  ++silentGeneration_;  // a result still on its way answers for an older set
  if (!any) {
    silentLate_->stop();
    SetStatusLight(0);  // nothing to judge
    return;
  }
  if (silentRunning_) {
    silentAgain_ = true;  // once the running one is done
    return;
  }
  // The check runs on a copy in the background, so that typing stays instant with hundreds of
  // channels; it goes on after the first problem, so that every channel hit is marked. The light
  // keeps its picture unless the answer is late, then shows that it is checking.
  silentRunning_ = true;
  silentAgain_ = false;
  silentLate_->start();
  const int generation = silentGeneration_;
  const uint32_t changes = app_.flags.changes;
  const ProjectRef copy = project.GGetCopy();
  QPointer<Main_Form> self(this);
  QThreadPool::globalInstance()->start([self, copy, generation, changes] {
    bool compatible = false;
    std::vector<CheckConflict> conflicts;
    try {
      TcCheckHandler handler;
      handler.GInit(nullptr, false, false, true);
      handler.GCollect(&conflicts);
      copy->RunChecks(handler);
      compatible = !handler.GbIncompatible();
    } catch (const std::exception&) {
      // A check that cannot run leaves the light red rather than green.
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, generation, compatible, conflicts = std::move(conflicts), changes]() mutable {
          if (self) self->SilentCheckDone(generation, compatible, std::move(conflicts), changes);
        },
        Qt::QueuedConnection);
  });
}

void Main_Form::SilentCheckDone(int generation, bool compatible, std::vector<CheckConflict> conflicts,
                                uint32_t changes) {
  silentRunning_ = false;
  if (generation == silentGeneration_) {
    silentLate_->stop();
    SetStatusLight(compatible ? 1 : 3);
    // A check of the project as it is now: its marks show (unless a full check of the same
    // project has shown more).
    const bool marked = !MN_Conflicts(app_).empty();
    MN_KeepConflicts(app_, std::move(conflicts), true, changes);
    if (marked || !MN_Conflicts(app_).empty()) MN_RefreshViews(0);
  }
  if (silentAgain_) RunSilentCheck();
}

void Main_Form::ShowConflictMarks() {
  const CProject& project = *app_.project;
  const std::vector<CheckConflict>& conflicts = MN_Conflicts(app_);
  const int32_t system = project.GlCurr();
  const int rows = setup_->Rows() - 2;  // the entry row is no channel
  QStringList tips;
  for (int row = 1; row <= rows; ++row) tips << QString();
  const auto add = [&tips](int mic, const QString& text) {
    QString& tip = tips[mic - 1];
    if (!tip.isEmpty()) tip += QLatin1Char('\n');
    tip += text;
  };
  for (const CheckConflict& c : conflicts)
    if (c.channel.system == system && c.channel.mic >= 1 && c.channel.mic <= rows)
      add(c.channel.mic, Q(MN_ConflictText(project, c)));
  // A channel that its type cannot tune to (kept there by a change of type, a shift or an old
  // file) is marked too, whatever the check says.
  const CMicCollection& mics = *project.GcCurrSystem()->GcMics();
  const CSystemType& type = *project.GcCurrSystem()->GcSystemType();
  for (int mic = 1; mic <= std::min(rows, static_cast<int>(mics.GCount())); ++mic) {
    const float f = mics.GcItem(mic)->GfGetFreq();
    if (TL_RoundDecimals(type.GxSpectrum()->GfGetFreqNext(f), 3) == TL_RoundDecimals(f, 3)) continue;
    add(mic, Q((type.GxSpectrum()->GIsFreqAvailable(f, 0.0f) ? "Off the tuning grid of " : "Outside the tuning range of ") +
               type.GsGetLabel()));
  }
  if (std::all_of(tips.begin(), tips.end(), [](const QString& t) { return t.isEmpty(); })) tips.clear();
  if (tips == shownMarks_) return;
  const QColor red(255, 128, 128);
  for (int row = 1; row <= rows; ++row) {
    const QString tip = tips.value(row - 1);
    if (tip.isEmpty() && shownMarks_.value(row - 1).isEmpty()) continue;
    setup_->SetCellMark(row, 1, tip.isEmpty() ? QColor() : red, tip);
  }
  shownMarks_ = tips;
}

bool Main_Form::SilentCheckBusy() const { return silentRunning_ || silentCheck_->isActive(); }

// ---- Channel table ----

void Main_Form::PrepareSetup() {
  GuardScope guard(updating_);
  const CSystemInstance& system = *app_.project->GcCurrSystem();
  const CMicCollection& mics = *system.GcMics();
  // Filling paints the colour cells through the cursor; the user's cursor comes back afterwards.
  const int cursorRow = setup_->Row();
  const int cursorCol = setup_->Col();
  setup_->SetFixed(1, 1);
  setup_->SetCols(4);
  SetShares(*setup_, kSetupShares);
  setup_->SetRows(mics.GCount() + 1);
  setup_->SetTextMatrix(0, 1, QStringLiteral("Frq. [MHz]"));
  setup_->SetTextMatrix(0, 2, QStringLiteral("Label"));
  setup_->SetTextMatrix(0, 3, QStringLiteral("Color"));
  for (int32_t i = 1; i <= mics.GCount(); ++i) {
    const MicRef& mic = mics.GcItem(i);
    setup_->SetTextMatrix(i, 0, QString::number(i));
    setup_->SetTextMatrix(i, 1, Freq(mic->GfGetFreq()));
    setup_->SetTextMatrix(i, 2, Q(mic->GsGetLabel()));
    setup_->SetTextMatrix(i, 3, QString());
    setup_->Select(i, 3);
    setup_->SetCellBackColor(mic->GlGetColor());
  }
  AddSetupRow();
  setup_->Select(std::clamp(cursorRow, 1, setup_->Rows() - 1), std::clamp(cursorCol, 1, 2));
  ShowMicCount();
  // The rows are new: every mark is put on again.
  shownMarks_.clear();
  for (int row = 1; row < setup_->Rows(); ++row) setup_->SetCellMark(row, 1, QColor(), QString());
  ShowConflictMarks();
}

void Main_Form::PrepareMicList() {
  systemList_->Prepare();
  PrepareSetup();
}

void Main_Form::GOrganize() { PrepareMicList(); }

void Main_Form::AddSetupRow() {
  GuardScope guard(updating_);
  const int col = std::max(1, setup_->Col());
  const int r = setup_->Rows();
  setup_->SetRows(r + 1);
  setup_->SetTextMatrix(r, 0, QString::number(r));
  setup_->SetTextMatrix(r, 1, Freq(0));
  setup_->SetTextMatrix(r, 2, QString());
  setup_->SetTextMatrix(r, 3, QString());
  setup_->Select(r, 3);
  setup_->SetCellBackColor(kWhite);
  setup_->Select(r, col);
}

void Main_Form::ShowMicCount() {
  micSelFrame_->setTitle(QStringLiteral("Select Channels (%1/%2)")
                             .arg(app_.project->GcCurrSystem()->GcMics()->GCount())
                             .arg(app_.project->GlGetOverallMics()));
  systemList_->ShowCounts();
}

void Main_Form::StoreSetup() {
  CSystemInstance& system = *app_.project->GcCurrSystem();
  CMicCollection& mics = *system.GcMics();
  const CSystemType& type = *system.GcSystemType();
  mics.GDefine();
  GuardScope guard(updating_);
  const int row = setup_->Row(), col = setup_->Col(), rowSel = setup_->RowSel(), colSel = setup_->ColSel();
  for (int i = 1; i <= setup_->Rows() - 2; ++i) {
    const double f = TL_Clamp(Num(setup_->TextMatrix(i, 1)), 10.0, 1000.0);
    const std::string label = S(setup_->TextMatrix(i, 2));
    mics.GAddMic(label, type.GsGetLabel(), static_cast<float>(f), setup_->CellBackColor(i, 3), type.GlGetFlags(), 0, 0);
  }
  setup_->Select(row, col, rowSel, colSel);
}

bool Main_Form::CheckSetupCell(int row, int col) {
  if (row < 1 || row > setup_->Rows() - 1 || col != 1) return true;
  const QString text = setup_->TextMatrix(row, col);
  const TypedText kind = MN_ClassifyTyped(text);
  if (kind != TypedText::Number) {
    // Not a frequency: the cell gets back its text and nothing else happens (no channel at the
    // grid point nearest to 0).
    if (kind == TypedText::NotANumber) TL_ShowInfo(kEnterFrequency, kAppTitle);
    setup_->SetTextMatrix(row, col, textBeforeEdit_);
    return false;
  }
  const double typed = Num(text);
  double f = TL_Clamp(typed, 0.0, 1000.0);
  const CSpectrum& tuning = *app_.project->GcCurrSystem()->GcSystemType()->GxSpectrum();
  const float g = tuning.GfGetFreqNext(static_cast<float>(f));
  if (TL_RoundDecimals(f, 3) != TL_RoundDecimals(g, 3)) {
    if (TL_AskOkCancel(MN_OffGridQuestion(typed, g, tuning), kAppTitle) == kOk) {
      f = g;
    } else {
      // Cancel: the edit is dropped, nothing has changed.
      setup_->SetTextMatrix(row, col, textBeforeEdit_);
      return false;
    }
  }
  setup_->SetTextMatrix(row, col, Freq(f));
  return true;
}

void Main_Form::SetupAfterEdit(int row, int col) {
  const bool kept = CheckSetupCell(row, col);
  if (row <= 0 || col <= 0) return;
  // A dropped edit, or one that leaves the cell as it was, changes nothing; Enter still moves on.
  if (!kept || setup_->TextMatrix(row, col) == textBeforeEdit_) {
    if (row < setup_->Rows() - 1 && setup_->LastEditEnd() == FlexGrid::EditEnd::Down) setup_->Select(row + 1, col);
    return;
  }
  if (col == 1 || col == 2) {
    if (row == setup_->Rows() - 1 &&
        (Num(setup_->TextMatrix(row, 1)) != 0 || !TL_Trim(S(setup_->TextMatrix(row, 2))).empty()))
      AddSetupRow();
    if (row < setup_->Rows() - 1 && setup_->LastEditEnd() == FlexGrid::EditEnd::Down) setup_->Select(row + 1, col);
  }
  StoreSetup();
  ShowMicCount();
  MarkChanged(QStringLiteral("Edit channel"));
  RefreshDisplay();
}

void Main_Form::SetupClick() {
  const int col = setup_->MouseCol();
  const int row = setup_->MouseRow();
  if (col < 1 || row <= 0) return;
  if (col == 1 || col == 2) {
    if (row == downRow_ && col == downCol_) {
      setup_->Select(row, col);
      setup_->EditCell();
    }
  } else if (col == 3) {
    setup_->Select(row, 3);
    int32_t color = setup_->CellBackColor(row, 3);
    try {
      if (TL_Port().chooseColor(color)) setup_->SetCellBackColor(color);
    } catch (const std::exception&) {
      // A failure inside the chooser leaves the colour as it was.
    }
    StoreSetup();
    MarkChanged(QStringLiteral("Change channel colour"));
    RefreshDisplay();
  }
}

void Main_Form::EditSelectedChannels(int mode, const char* verb) {
  if (setup_->Rows() < 3 || setup_->Row() == setup_->Rows() - 1) return;
  double value = 0;
  if (mode == 1 || mode == 2) {
    std::string text = MN_FormatFreq(mode == 1 ? 0.0 : 500.0);
    if (!askValue(mode == 1 ? "Shift by : " : "Mirror at : ", text)) return;
    value = mode == 1 ? TL_Clamp(TL_ParseNumber(text), -1000.0, 1000.0) : TL_Clamp(TL_ParseNumber(text), 0.0, 1000.0);
  }
  const int cursor = setup_->Row();
  int end = setup_->RowSel();
  StoreSetup();
  if (end == setup_->Rows() - 1) --end;
  CMicCollection& mics = *app_.project->GcCurrSystem()->GcMics();
  if (mode == 0) {
    for (int i = end; i >= cursor; --i) mics.GDelMic(i);
  } else {
    for (int i = cursor; i <= end; ++i) {
      const MicRef& mic = mics.GcItem(i);
      const double f = mic->GfGetFreq();
      mic->GfSetFreq(static_cast<float>(TL_Clamp(mode == 1 ? f + value : 2 * value - f, 0.0, 1000.0)));
    }
  }
  PrepareSetup();
  app_.highlighted = 0;
  const int n = end - cursor + 1;
  if (mode != 0) verb = mode == 1 ? "Shift" : "Mirror";
  MarkChanged(QStringLiteral("%1 %2 channel%3").arg(QLatin1String(verb)).arg(n).arg(n == 1 ? "" : "s"));
  RefreshDisplay();
}

void Main_Form::CopyChannels() {
  EndEdits();
  const int last = std::min(setup_->RowSel(), setup_->Rows() - 2);
  const QString text = ChannelClipboard::Text(*app_.project->GcCurrSystem()->GcMics(), setup_->Row(), last);
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void Main_Form::CutChannels() {
  CopyChannels();
  Command([this] { EditSelectedChannels(0, "Cut"); });
}

void Main_Form::PasteChannels() {
  Command([this] {
    const ChannelClipboard::Pasted pasted = ChannelClipboard::Read(QApplication::clipboard()->text());
    const std::vector<ImportedChannel> added =
        MN_ImportFrequencyList(*app_.project, app_.project->GlCurr(), pasted.entries);
    if (!added.empty()) {
      PrepareSetup();
      const auto n = static_cast<int>(added.size());
      MarkChanged(n == 1 ? QStringLiteral("Paste 1 channel") : QStringLiteral("Paste %1 channels").arg(n));
      RefreshDisplay();
    }
    const QString report = added.empty() && pasted.bad.isEmpty() ? QStringLiteral("The clipboard holds no frequency.")
                                                                 : ChannelClipboard::Report(pasted, added);
    if (!report.isEmpty()) TL_ShowInfo(S(report), kAppTitle);
  });
}

void Main_Form::SortChannels() {
  CMicCollection& mics = *app_.project->GcCurrSystem()->GcMics();
  if (mics.GCount() < 2) return;
  mics.GSortMics(mics.GcItem(1)->GfGetFreq() < mics.GcItem(mics.GCount())->GfGetFreq());
  MarkModified(QStringLiteral("Sort channels"));
  PrepareMicList();
}

void Main_Form::ChannelsFromPresets() {
  CSystemInstance& system = *app_.project->GcCurrSystem();
  CMicCollection& mics = *system.GcMics();
  auto temp = std::make_shared<CSpectrum>();
  temp->GDefine();
  for (int32_t i = 1; i <= mics.GCount(); ++i) {
    const float f = mics.GcItem(i)->GfGetFreq();
    temp->GAddBand(f, f, 1.0f);
  }
  bool keptOld = false;
  if (showCountryDialog(SelectCountry_Form::kPresets, temp, system.GcSystemType(), keptOld, nullptr) != 1) return;
  int32_t start = 1;
  if (!keptOld)
    mics.GDefine();
  else
    start = mics.GCount() + 1;
  for (int32_t b = start; b <= temp->GlBands(); ++b) {
    MN_AppendChannel(system);
    const MicRef& mic = mics.GcItem(mics.GCount());
    mic->GfSetFreq(temp->GxGetBand(b)->GfLo());
    mic->GsSetLabel(mics.GsNextFree(""));
  }
  PrepareSetup();
  app_.highlighted = 0;
  MarkChanged(QStringLiteral("Channels from presets"));
  RefreshDisplay();
}

// ---- Search spectrum table ----

void Main_Form::PrepareSpectrum() {
  GuardScope guard(updating_);
  const CSpectrum& spectrum = *app_.project->GcSpectrum();
  tablesSystem_ = app_.project->GlCurr();
  spectrum_->SetFixed(1, 1);
  spectrum_->SetCols(3);
  SetShares(*spectrum_, kSpectrumShares);
  spectrum_->SetRows(spectrum.GlBands() + 1);
  spectrum_->SetTextMatrix(0, 1, QStringLiteral("From [MHz]"));
  spectrum_->SetTextMatrix(0, 2, QStringLiteral("To [MHz]"));
  for (int32_t i = 1; i <= spectrum.GlBands(); ++i) {
    const BandRef band = spectrum.GxGetBand(i);
    spectrum_->SetTextMatrix(i, 0, QString::number(i));
    spectrum_->SetTextMatrix(i, 1, Freq(band->GfLo()));
    spectrum_->SetTextMatrix(i, 2, Freq(band->GfHi()));
  }
  AddSpectrumRow();
  ShowBandCount();
}

void Main_Form::AddSpectrumRow() {
  const int r = spectrum_->Rows();
  spectrum_->SetRows(r + 1);
  spectrum_->SetTextMatrix(r, 0, QString::number(r));
  spectrum_->SetTextMatrix(r, 1, Freq(0));
  spectrum_->SetTextMatrix(r, 2, Freq(0));
}

void Main_Form::ShowBandCount() {
  spectrumFrame_->setTitle(QStringLiteral("Search Spectrum (%1)").arg(app_.project->GcSpectrum()->GlBands()));
}

bool Main_Form::CheckSpectrumCell(int row, int col) {
  if (row < 1 || row > spectrum_->Rows() - 1 || (col != 1 && col != 2)) return true;
  const TypedText kind = MN_ClassifyTyped(spectrum_->TextMatrix(row, col));
  if (kind != TypedText::Number) {
    // Not a frequency: the band keeps its edge instead of moving to 10 MHz.
    if (kind == TypedText::NotANumber) TL_ShowInfo(kEnterFrequency, kAppTitle);
    spectrum_->SetTextMatrix(row, col, spectrumTextBeforeEdit_);
    return false;
  }
  double v = Num(spectrum_->TextMatrix(row, col));
  if (v != 0) v = TL_Clamp(v, 10.0, 1000.0);
  // A band never ends below its start: a "To" below the row's "From" is refused.
  const double from = Num(spectrum_->TextMatrix(row, 1));
  if (col == 2 && v != 0 && from != 0 && v < TL_Clamp(from, 10.0, 1000.0)) {
    TL_ShowInfo("A band cannot end below its start: \"To\" (" + MN_FormatFreq(v) + ") lies below \"From\" (" +
                    MN_FormatFreq(TL_Clamp(from, 10.0, 1000.0)) + ").",
                kAppTitle);
    spectrum_->SetTextMatrix(row, col, spectrumTextBeforeEdit_);
    return false;
  }
  spectrum_->SetTextMatrix(row, col, Freq(v));
  if (col == 1) {
    double w = TL_Clamp(Num(spectrum_->TextMatrix(row, 2)), 10.0, 1000.0);
    if (v > w) w = v;
    spectrum_->SetTextMatrix(row, 2, Freq(w));
  }
  return true;
}

void Main_Form::SpectrumAfterEdit(int row, int col) {
  if (!CheckSpectrumCell(row, col)) return;
  if (row <= 0 || col <= 0) return;
  const bool grows = row == spectrum_->Rows() - 1 && Num(spectrum_->TextMatrix(row, col)) != 0;
  if (!grows && StoredSpectrumMatchesGrid()) {
    // Nothing changed (the edit left the row as it was): no change to record.
    if (row < spectrum_->Rows() - 1 && spectrum_->LastEditEnd() == FlexGrid::EditEnd::Down) spectrum_->Select(row + 1, col);
    return;
  }
  if ((col == 1 || col == 2) && row == spectrum_->Rows() - 1 && Num(spectrum_->TextMatrix(row, col)) != 0)
    AddSpectrumRow();
  StoreSpectrum();
  ShowBandCount();
  MarkChanged(QStringLiteral("Edit search spectrum"));
  RefreshDisplay();
  // Enter moves down as in the channel table.
  if (row < spectrum_->Rows() - 1 && spectrum_->LastEditEnd() == FlexGrid::EditEnd::Down) spectrum_->Select(row + 1, col);
}

float Main_Form::GridEdge(int row, int col) const {
  return static_cast<float>(TL_Clamp(Num(spectrum_->TextMatrix(row, col)), 10.0, 1000.0));
}

void Main_Form::StoreSpectrum() {
  CSpectrum& spectrum = *app_.project->GcSpectrum();
  spectrum.GDefine();
  for (int i = 1; i <= spectrum_->Rows() - 2; ++i) spectrum.GAddBand(GridEdge(i, 1), GridEdge(i, 2), 1.0f);
}

bool Main_Form::StoredSpectrumMatchesGrid() const {
  const CSpectrum& spectrum = *app_.project->GcSpectrum();
  if (spectrum.GlBands() != spectrum_->Rows() - 2) return false;
  for (int i = 1; i <= spectrum.GlBands(); ++i) {
    const BandRef band = spectrum.GxGetBand(i);
    if (band->GfLo() != GridEdge(i, 1) || band->GfHi() != GridEdge(i, 2)) return false;
  }
  return true;
}

void Main_Form::RemoveBands() {
  if (spectrum_->Rows() < 3 || spectrum_->Row() == spectrum_->Rows() - 1) return;
  const int cursor = spectrum_->Row();
  int end = spectrum_->RowSel();
  StoreSpectrum();
  if (end == spectrum_->Rows() - 1) --end;
  CSpectrum& spectrum = *app_.project->GcSpectrum();
  for (int i = end; i >= cursor; --i) spectrum.GDelBand(i);
  PrepareSpectrum();
  const int n = end - cursor + 1;
  MarkChanged(QStringLiteral("Remove %1 band%2").arg(n).arg(n == 1 ? "" : "s"));
  RefreshDisplay();
}

void Main_Form::SortBands() {
  CSpectrum& spectrum = *app_.project->GcSpectrum();
  if (spectrum.GlBands() < 1) return;
  spectrum.GSortBands(spectrum.GxGetBand(1)->GfLo() < spectrum.GxGetBand(spectrum.GlBands())->GfLo());
  MarkModified(QStringLiteral("Sort bands"));
  PrepareSpectrum();
}

void Main_Form::SelectSpectrum(int32_t mode) {
  SpectrumRef spectrum = app_.project->GcSpectrum();
  const int32_t own = spectrum->GlBands();
  bool keptOld = false, everySystem = false;
  if (showCountryDialog(mode, spectrum, app_.project->GcCurrSystem()->GcSystemType(), keptOld, &everySystem) != 1)
    return;
  app_.project->GcSpectrum(spectrum);
  // Every system changes in the same undo step.
  if (everySystem) MN_ShareNewBands(*app_.project, keptOld ? own : 0, keptOld);
  MarkChanged(everySystem ? QStringLiteral("Choose search spectrum of every system")
                          : QStringLiteral("Choose search spectrum"));
  PrepareSpectrum();
  RefreshDisplay();
}

// ---- Systems, checks and commands ----

void Main_Form::PrepareChecks() {
  params_->Prepare();
  // The maximum search works on one system only. Three systems or more are searched together
  // unless the user says otherwise; fewer are one click away from it.
  const int32_t systems = app_.project->GlSystems();
  systematicChk_->setVisible(systems == 1);
  if ((systems >= 3) != (shownSystems_ >= 3)) optimiseChk_->setChecked(systems >= 3);
  shownSystems_ = systems;
}

void Main_Form::Check() {
  EndEdits();
  bool completed = false;
  Guarded("MN_RunCheckToFile", [this, &completed] { completed = MN_RunCheckToFile(app_, true).completed; });
  // The table and the display have marked what the check found; its window lists it.
  if (completed && showCheckResults) showCheckResults();
}

void Main_Form::Generate() {
  EndEdits();
  const int32_t runs = MN_WholeNumber(genRunsTbx_, 1, 1000000);
  const std::vector<int32_t> channels = params_->ChannelsToAdd();
  const int32_t results = MN_WholeNumber(genShowTbx_, 1, 1000);
  // The search works on copies and addresses systems by index: the current system stays.
  optimiseResultLbl_->clear();
  optimiseResultLbl_->setVisible(false);
  Guarded("Generate", [&] {
    if (optimiseChk_->isChecked()) {
      // One worker thread: the other core stays with the window (which works out the bound
      // between its progress updates on short bands).
      OptimiseSettings settings;
      settings.threads = 1;
      const GenerateOutcome outcome = GenerateProposals(app_, 1, results, channels, kShowProposals, kSearchOptimise,
                                                        settings, /*explain=*/true);
      optimiseResultLbl_->setText(QString::fromStdString(
          OptimiseResultText(outcome.optimised, outcome.joint ? &*outcome.joint : nullptr)));
      optimiseResultLbl_->setVisible(!outcome.optimised.empty());
    } else if (app_.project->GbSecondSystem() || !systematicChk_->isChecked())
      GenerateProposals(app_, runs, std::min(runs, results), channels, kShowProposals, kSearchRandom, {},
                        /*explain=*/true);
    else
      GenerateProposals(app_, 1, std::min(runs, results), {channels[0]}, kShowProposals, kSearchSystematic, {},
                        /*explain=*/true);
  });
  MN_RefreshViews(2);
}

}  // namespace kova
