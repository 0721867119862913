#include "ui/Main_Form.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <utility>

#include "app/AppState.h"
#include "app/Check.h"
#include "app/CheckConflicts.h"
#include "app/Generate.h"
#include "engine/TcCheckHandler.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/ChannelTable_Panel.h"
#include "ui/EntryRules.h"
#include "ui/FormStyle.h"
#include "ui/Input_Form.h"
#include "ui/NumberFields.h"
#include "ui/ProjectHistory.h"
#include "ui/SearchSpectrum_Panel.h"
#include "ui/SelectCountry_Form.h"
#include "ui/SystemList_Panel.h"
#include "ui/SystemParams_Panel.h"
#include "ui/TablePanels.h"

namespace kova {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// What a search's outcome depends on besides the channels: the systems in use with their types
// (label, tuning bands, check switches, search step), their zones and search spectra, and how
// the zones meet.
std::string SearchSetup(const CProject& project) {
  const auto bands = [](const CSpectrum& spectrum) {
    std::string text;
    for (int32_t b = 1; b <= spectrum.GlBands(); ++b) {
      const BandRef band = spectrum.GxGetBand(b);
      text += ' ' + MN_FormatFreq(band->GfLo()) + '-' + MN_FormatFreq(band->GfHi()) + '/' + MN_FormatFreq(band->GfSteps());
    }
    return text;
  };
  std::string text;
  for (int32_t k = 0; k < project.GlSystems(); ++k) {
    const CSystemInstance& system = *project.GcSystem(k);
    const CSystemType& type = *system.GcSystemType();
    text += type.GsGetLabel() + '|' + std::to_string(type.GlGetFlags()) + '|' + MN_FormatFreq(type.GfGetSearchStep()) +
            '|' + std::to_string(system.GlZone()) + '|' + bands(*type.GxSpectrum()) + '|' +
            bands(*project.GcSpectrumOf(k)) + '\n';
  }
  const CZones& zones = project.GcZones();
  for (int32_t a = 1; a <= zones.GlCount(); ++a)
    for (int32_t b = a + 1; b <= zones.GlCount(); ++b) text += std::to_string(zones.GeRelation(a, b));
  return text;
}

QLineEdit* MakeBox(const QString& text, const QString& name) {
  auto* box = new QLineEdit(text);
  box->setObjectName(name);
  box->setMaximumWidth(70);
  box->setAlignment(Qt::AlignRight);
  return box;
}

}  // namespace

template <typename F>
void Main_Form::Command(F&& action) {
  EndEdits();
  MN_Guarded("Main_Form", std::forward<F>(action));
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
  MN_Guarded("Main_Form", [this] { params_->SetCaptions(); });
  MN_ApplyFormStyle(this);
  systemList_->Styled();
  MN_Guarded("Main_Form", [this] { PrepareChecks(); });
  MN_Guarded("Main_Form", [this] { PrepareSpectrum(); });
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
  QWidget* outer = parentWidget() ? parentWidget() : this;  // the frame's child window, if any
  // Never beyond the frame's window area (or the screen): the content scrolls instead.
  QSize wanted = outer->size() + grow;
  if (QWidget* area = outer->parentWidget())
    wanted = wanted.boundedTo(area->size());
  else if (outer->screen())
    wanted = wanted.boundedTo(outer->screen()->availableGeometry().size());
  if (wanted != outer->size()) outer->resize(wanted);
}

void Main_Form::BuildLayout() {
  // The tables.
  channels_ = new ChannelTable_Panel(app_);
  spectrum_ = new SearchSpectrum_Panel(app_);
  const auto command = [this](const std::function<void()>& action) { Command(action); };
  channels_->command = command;
  channels_->changed = [this](const QString& label) { MarkChanged(label); };
  channels_->reordered = [this](const QString& label) {
    MarkModified(label);
    systemList_->Prepare();
  };
  channels_->countsChanged = [this] { systemList_->ShowCounts(); };
  channels_->askValue = [this](const std::string& prompt, std::string& value) { return askValue(prompt, value); };
  channels_->chooseFromList = [this](int32_t mode, SpectrumRef& spectrum, const TypeRef& type, bool& keptOld,
                                     bool* everySystem) {
    return showCountryDialog(mode, spectrum, type, keptOld, everySystem);
  };
  spectrum_->command = command;
  spectrum_->changed = channels_->changed;
  spectrum_->reordered = [this](const QString& label) { MarkModified(label); };
  spectrum_->chooseBands = channels_->chooseFromList;

  // System list and the per-system table.
  systemList_ = new SystemList_Panel(app_);
  params_ = new SystemParams_Panel(app_);
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
  checkCbt_ = MN_MakeButton(QStringLiteral("Check"), QStringLiteral("Check_Cbt"));
  // Check below the switches as Generate below its settings, so that the frame stays narrow.
  checkLayout->addWidget(params_, 0, 0);
  checkLayout->addWidget(ampelImg_, 0, 1, Qt::AlignTop);
  checkLayout->addWidget(checkCbt_, 1, 0, 1, 2);
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
  generateCbt_ = MN_MakeButton(QStringLiteral("Generate"), QStringLiteral("Generate_Cbt"));
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
  layout->addWidget(channels_, 5);
  layout->addWidget(spectrum_, 4);
  layout->addLayout(right, 0);
  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("MainScroll"));
  scroll->setWidget(content);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll);
}

void Main_Form::MarkChanged(const QString& label, bool typing) {
  TL_SetChanged(app_.flags, true, false, false, false);
  MN_ClearConflicts(app_);
  channels_->ShowConflictMarks();
  ScheduleSilentCheck();
  ProjectHistory::Note(label, typing);
}
void Main_Form::MarkModified(const QString& label) {
  // A new order moves the channels the marks point at: they go, and the next check brings
  // them back.
  TL_SetChanged(app_.flags, false, false, false, true);
  MN_ClearConflicts(app_);
  channels_->ShowConflictMarks();
  ScheduleSilentCheck();
  ProjectHistory::Note(label);
}

void Main_Form::EndEdits() {
  channels_->EndEdit();
  spectrum_->EndEdit();
}

FlexGrid& Main_Form::SetupGrid() const { return channels_->Grid(); }
FlexGrid& Main_Form::SpectrumGrid() const { return spectrum_->Grid(); }

void Main_Form::CopyChannels() { channels_->Copy(); }
void Main_Form::CutChannels() { channels_->Cut(); }
void Main_Form::PasteChannels() { channels_->Paste(); }

void Main_Form::RefreshViews(int mode) {
  // Whatever changed the project elsewhere (a drag in the display, a proposal) took the marks
  // of the last check with it.
  channels_->ShowConflictMarks();
  // The last search's summary speaks of its project's systems, zones and spectra as they were; a
  // proposal taken into use (a copy of the project) keeps them.
  if (searchedProject_.lock() != app_.project && app_.planProject.lock() == app_.project)
    searchedProject_ = app_.project;
  if (!optimiseResultLbl_->isHidden() &&
      (searchedProject_.lock() != app_.project || SearchSetup(*app_.project) != searchedSetup_)) {
    optimiseResultLbl_->clear();
    optimiseResultLbl_->setVisible(false);
  }
  const std::string lacking = MN_PlanShortfall(app_, false);
  planNoteLbl_->setText(QString::fromStdString(lacking.empty() ? "" : "Proposal in use:\n" + lacking).trimmed());
  planNoteLbl_->setToolTip(QString::fromStdString(MN_PlanShortfall(app_, true)).trimmed());
  planNoteLbl_->setVisible(!lacking.empty());
  if (mode != 1 && mode != 2) return;
  // An edit still open or on its way belongs to the system the tables show now.
  EndEdits();
  // The tables never show another system than the current one, whatever the caller asked for.
  if (mode == 1 && spectrum_->ShownSystem() == app_.project->GlCurr()) {
    PrepareMicList();
  } else {
    PrepareMicList();
    PrepareSpectrum();
    PrepareChecks();
  }
  // The table's cursor shows the highlighted channel (chosen in the display or the check results).
  channels_->ShowHighlighted();
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

bool Main_Form::SilentCheckBusy() const { return silentRunning_ || silentCheck_->isActive(); }

void Main_Form::PrepareSetup() { channels_->Prepare(); }

void Main_Form::PrepareMicList() {
  systemList_->Prepare();
  channels_->Prepare();
}

void Main_Form::GOrganize() { PrepareMicList(); }

void Main_Form::PrepareSpectrum() { spectrum_->Prepare(); }

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
  MN_Guarded("MN_RunCheckToFile", [this, &completed] { completed = MN_RunCheckToFile(app_, true).completed; });
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
  MN_Guarded("Generate", [&] {
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
      searchedProject_ = app_.project;
      searchedSetup_ = SearchSetup(*app_.project);
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
