#include "ui/Display_Form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/AppState.h"
#include "app/Check.h"
#include "app/CheckConflicts.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/FormStyle.h"
#include "ui/PictureBoxWidget.h"
#include "ui/ProjectHistory.h"

namespace kova {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

QCheckBox* Check(const char* name, const char* caption, bool checked, QWidget* parent) {
  auto* c = new QCheckBox(QString::fromLatin1(caption), parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setChecked(checked);
  return c;
}

QLineEdit* LimitBox(const char* name, QWidget* parent) {
  auto* t = new QLineEdit(parent);
  t->setObjectName(QString::fromLatin1(name));
  t->setAlignment(Qt::AlignRight);
  t->setFixedWidth(t->fontMetrics().horizontalAdvance(QStringLiteral("0000.0000")) + 12);
  return t;
}

// The tuning spectrum of the type of the project's current system, or none.
SpectrumRef CurrentTuning(const AppState& app) {
  const SystemRef& system = app.project->GcCurrSystem();
  if (!system || !system->GcSystemType()) return nullptr;
  return system->GcSystemType()->GxSpectrum();
}

// The highlighted channel of the current system, or none when the number is out of range.
MicRef HighlightedMic(const AppState& app) {
  const MicsRef& mics = app.project->GcCurrSystem()->GcMics();
  if (app.highlighted < 1 || app.highlighted > mics->GCount()) return nullptr;
  return mics->GcItem(app.highlighted);
}

}  // namespace

QPixmap TL_DraggingPointer() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath arrow;
  // A double arrow from left to right with a short stem in the middle.
  arrow.moveTo(2, 16);
  arrow.lineTo(10, 8);
  arrow.lineTo(10, 13);
  arrow.lineTo(22, 13);
  arrow.lineTo(22, 8);
  arrow.lineTo(30, 16);
  arrow.lineTo(22, 24);
  arrow.lineTo(22, 19);
  arrow.lineTo(10, 19);
  arrow.lineTo(10, 24);
  arrow.closeSubpath();
  p.setPen(QPen(Qt::black, 1.5));
  p.setBrush(Qt::white);
  p.drawPath(arrow);
  p.drawLine(16, 4, 16, 28);
  return pixmap;
}

Display_Form::Display_Form(AppState& app, QWidget* parent) : QWidget(parent), app_(app) {
  setObjectName(QStringLiteral("Display_Form"));
  setWindowTitle(QStringLiteral("Spectrum Display"));

  tvStationPbx_ = new PictureBoxWidget(this);
  tvStationPbx_->setObjectName(QStringLiteral("TVStation_Pbx"));
  contPbx_ = new QWidget(this);
  contPbx_->setObjectName(QStringLiteral("Cont_Pbx"));

  freqHScroll_ = new QScrollBar(Qt::Horizontal, contPbx_);
  freqHScroll_->setObjectName(QStringLiteral("Freq_HScroll"));
  freqHScroll_->setRange(0, DisplayMapping::kScrollMax);
  freqHScroll_->setSingleStep(10);  // 1 MHz
  freqHScroll_->setPageStep(100);
  minFreqTbx_ = LimitBox("MinFreq_Tbx", contPbx_);
  maxFreqTbx_ = LimitBox("MaxFreq_Tbx", contPbx_);

  auto* label1 = Label("Label1", QStringLiteral("IM Products : "), contPbx_);
  channelsIMLbl_ = Label("ChannelsIM_Lbl", QStringLiteral("Channels : 0"), contPbx_);
  maxIMLbl_ = Label("MaxIM_Lbl", QStringLiteral("Maximum : 0"), contPbx_);
  overallIMLbl_ = Label("OverallIM_Lbl", QStringLiteral("Overall : 0"), contPbx_);

  auto* fullView = new QGroupBox(QStringLiteral("Full View"), contPbx_);
  fullView->setObjectName(QStringLiteral("FullView_Frame"));
  fullCbt_ = new QPushButton(QStringLiteral("Full"), fullView);
  fullCbt_->setObjectName(QStringLiteral("Full_Cbt"));
  fullCbt_->setAutoDefault(false);
  scaleMicsChk_ = Check("ScaleMics_Chk", "Used Channels", true, fullView);
  scaleRangeChk_ = Check("ScaleRange_Chk", "Range", false, fullView);
  scaleTVChk_ = Check("ScaleTV_Chk", "Search Spectrum", true, fullView);

  zoneCbx_ = new QComboBox(contPbx_);
  zoneCbx_->setObjectName(QStringLiteral("Zone_Cbx"));
  zoneCbx_->setToolTip(QStringLiteral("Every zone, or one zone with the products its transmitters form"));
  zoneCbx_->hide();

  draggingImg_ = new QLabel(this);
  draggingImg_->setObjectName(QStringLiteral("Dragging_Img"));
  draggingImg_->setPixmap(TL_DraggingPointer());
  draggingImg_->hide();

  // The strip: limit boxes at both ends of the scroll bar, then statistics and zoom controls.
  auto* scrollRow = new QHBoxLayout;
  scrollRow->setContentsMargins(0, 0, 0, 0);
  scrollRow->addWidget(minFreqTbx_);
  scrollRow->addWidget(freqHScroll_, 1);
  scrollRow->addWidget(maxFreqTbx_);
  auto* fullRow = new QHBoxLayout(fullView);
  fullRow->setContentsMargins(6, 2, 6, 2);
  fullRow->addWidget(fullCbt_);
  fullRow->addWidget(scaleMicsChk_);
  fullRow->addWidget(scaleRangeChk_);
  fullRow->addWidget(scaleTVChk_);
  // The statistics in two lines, so the zoom controls keep their full captions at the
  // window's smallest width.
  auto* statsLine1 = new QHBoxLayout;
  statsLine1->addWidget(label1);
  statsLine1->addWidget(channelsIMLbl_);
  statsLine1->addStretch(1);
  auto* statsLine2 = new QHBoxLayout;
  statsLine2->addWidget(maxIMLbl_);
  statsLine2->addSpacing(12);
  statsLine2->addWidget(overallIMLbl_);
  statsLine2->addStretch(1);
  auto* stats = new QVBoxLayout;
  stats->setSpacing(2);
  stats->addLayout(statsLine1);
  stats->addLayout(statsLine2);
  auto* statsRow = new QHBoxLayout;
  statsRow->setContentsMargins(4, 0, 0, 0);
  statsRow->addLayout(stats, 1);
  statsRow->addWidget(zoneCbx_);
  statsRow->addWidget(fullView);
  auto* strip = new QVBoxLayout(contPbx_);
  strip->setContentsMargins(2, 2, 2, 2);
  strip->setSpacing(2);
  strip->addLayout(scrollRow);
  strip->addLayout(statsRow);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tvStationPbx_, 1);
  layout->addWidget(contPbx_);

  tvStationPbx_->mouseDown = [this](QMouseEvent* e) { MouseDown(e->button(), FreqAt(e->position().x())); };
  tvStationPbx_->mouseMove = [this](QMouseEvent* e) { MouseMove(e->buttons(), FreqAt(e->position().x())); };
  tvStationPbx_->mouseUp = [this](QMouseEvent* e) { MouseUp(e->button()); };
  tvStationPbx_->wheel = [this](QWheelEvent* e) {
    const int notches = e->angleDelta().y() / 120;
    if (notches == 0) return;
    if (view_.mapping.ZoomAround(FreqAt(e->position().x()), std::pow(0.8, notches))) PrepareTVStationPbx(false);
    e->accept();
  };
  tvStationPbx_->keyDown = [this](QKeyEvent* e) {
    if (e->key() == Qt::Key_Left) return StepHighlighted(-1);
    if (e->key() == Qt::Key_Right) return StepHighlighted(1);
    return false;
  };
  tvStationPbx_->toolTipAt = [this](const QPoint& pos) { return ToolTipAt(FreqAt(pos.x())); };
  tvStationPbx_->resized = [this] { PrepareTVStationPbx(false); };

  connect(freqHScroll_, &QScrollBar::valueChanged, this, [this](int value) {
    if (scrollGuard_) return;
    view_.mapping.ScrollTo(value, freqHScroll_->minimum(), freqHScroll_->maximum());
    PrepareTVStationPbx(false);
  });
  connect(minFreqTbx_, &QLineEdit::editingFinished, this, [this] { LimitEdited(minFreqTbx_, true); });
  connect(maxFreqTbx_, &QLineEdit::editingFinished, this, [this] { LimitEdited(maxFreqTbx_, false); });
  connect(fullCbt_, &QPushButton::clicked, this, [this] { PrepareTVStationPbx(true); });
  connect(zoneCbx_, &QComboBox::activated, this, [this](int index) {
    zone_ = index;
    PrepareTVStationPbx(false);
  });
  for (QCheckBox* c : {scaleMicsChk_, scaleRangeChk_, scaleTVChk_})
    connect(c, &QCheckBox::clicked, this, [this] { PrepareTVStationPbx(false); });

  MN_ApplyFormStyle(this);
  setMinimumSize(kWidth, kHeight);
  resize(kWidth, kHeight);
}

int32_t Display_Form::ZoomFlags() const {
  int32_t flags = 0;
  if (scaleTVChk_->isChecked()) flags |= kZoomSearchSpectrum;
  if (scaleRangeChk_->isChecked() && app_.highlighted > 0) flags |= kZoomRange;
  if (scaleMicsChk_->isChecked()) flags |= kZoomUsedChannels;
  return flags;
}

void Display_Form::ShowZoneChoice() {
  const CZones& zones = app_.project->GcZones();
  QStringList items{QStringLiteral("All Zones")};
  for (int32_t z = 1; z <= zones.GlCount(); ++z)
    items << QStringLiteral("%1 %2").arg(z).arg(QString::fromStdString(zones.GsName(z)));
  QStringList shown;
  for (int i = 0; i < zoneCbx_->count(); ++i) shown << zoneCbx_->itemText(i);
  if (shown != items) {
    zoneCbx_->clear();
    zoneCbx_->addItems(items);
  }
  if (zone_ > zones.GlCount()) zone_ = 0;
  zoneCbx_->setCurrentIndex(zone_);
  zoneCbx_->setVisible(zones.GlCount() > 1);
}

void Display_Form::PrepareTVStationPbx(bool bFullView) {
  ShowZoneChoice();
  const std::vector<CheckConflict>& conflicts = MN_Conflicts(app_);
  SpectrumInput in{*app_.project,
                         app_.project->GlCurr(),
                         app_.highlighted,
                         ZoomFlags(),
                         app_.flags.productsStale,
                         app_.scan.empty() ? nullptr : &app_.scan,
                         conflicts.empty() ? nullptr : &conflicts,
                         app_.productTracker.get()};
  in.zone = zone_;
  in.layOutLabels = true;
  const SpectrumStats stats = kova::PrepareTVStationPbx(tvStationPbx_->Box(), view_, in, bFullView);
  ShowLimits();
  if (stats.productsRecomputed) {
    channelsIMLbl_->setText(Q(stats.ChannelsText()));
    maxIMLbl_->setText(Q(stats.MaximumText()));
  }
  overallIMLbl_->setText(Q(stats.OverallText()));
  tvStationPbx_->update();
}

bool Display_Form::AskForLimits() {
  if (TL_ParseNumber(minFreqTbx_->text().toStdString()) == 0 &&
      TL_ParseNumber(maxFreqTbx_->text().toStdString()) == 1000) {
    const int answer = TL_AskYesNoCancel(
        "The limits of the spectrum display are still at 0Hz and 1000MHz. Do you want KOVA to zoom in "
        "automatically?",
        kAppTitle);
    if (answer == kYes) {
      PrepareTVStationPbx(true);
      return true;
    }
    return answer == kNo;
  }
  return true;
}

int32_t Display_Form::FindChannelAt(double x) const {
  return kova::FindChannelAt(*app_.project, app_.project->GlCurr(), app_.highlighted, x, view_.mapping.Span());
}

void Display_Form::ShowLimits() {
  scrollGuard_ = true;
  // The thumb is as long as the visible part of 0 ... 1000 MHz.
  freqHScroll_->setPageStep(std::max(1, TL_RoundLong(view_.mapping.Span() * 10)));
  freqHScroll_->setValue(view_.mapping.ScrollValue());
  minFreqTbx_->setText(Q(MN_FormatFreq(view_.mapping.Lower())));
  maxFreqTbx_->setText(Q(MN_FormatFreq(view_.mapping.Upper())));
  scrollGuard_ = false;
}

const QImage& Display_Form::Picture() { return tvStationPbx_->Box().Image(); }

int Display_Form::PixelOf(double f) const {
  return static_cast<int>(std::floor(view_.mapping.XOf(f, tvStationPbx_->width())));
}

double Display_Form::FreqAt(double x) const { return view_.mapping.FreqAt(x, tvStationPbx_->width()); }

void Display_Form::LimitEdited(QLineEdit* box, bool lower) {
  const double f = TL_ParseNumber(box->text().toStdString());
  if (lower) view_.mapping.SetLower(f);
  else view_.mapping.SetUpper(f);
  PrepareTVStationPbx(false);
}

void Display_Form::MouseDown(Qt::MouseButton button, double x) {
  dragging_ = false;
  const int32_t i = FindChannelAt(x);
  if (i > 0) {
    if (button == Qt::LeftButton) app_.highlighted = i;
    if (button == Qt::RightButton && app_.highlighted > 0) {
      // The highlighted channel is the one that moves: its products are kept apart now, so that
      // every move of the drag generates only those again.
      app_.productTracker->Prepare(*app_.project, app_.project->GlCurr(), app_.highlighted);
    }
    if (button == Qt::RightButton) {
      dragging_ = true;
      tvStationPbx_->setCursor(QCursor(draggingImg_->pixmap(), 16, 16));
    }
  } else if (button == Qt::LeftButton) {
    app_.highlighted = 0;
  }
  MN_RefreshViews(0);
}

void Display_Form::MouseMove(Qt::MouseButtons buttons, double x) {
  if (buttons == Qt::NoButton) {
    tvStationPbx_->setCursor(FindChannelAt(x) > 0 ? Qt::ArrowCursor : Qt::CrossCursor);
    return;
  }
  if (!(buttons & Qt::RightButton) || !dragging_ || app_.highlighted <= 0) return;
  const SpectrumRef tuning = CurrentTuning(app_);
  if (!tuning || tuning->GlFreqs() < 1) return;
  MoveHighlightedTo(tuning->GlGetFreqIndexNext(static_cast<float>(x)), 0);
}

void Display_Form::MouseUp(Qt::MouseButton button) {
  if (button == Qt::RightButton && dragging_) {
    dragging_ = false;
    tvStationPbx_->setCursor(Qt::ArrowCursor);
    // The channel table is the master copy while the user types in it: it must show the moved
    // frequency, or its next edit would write the old one back.
    ProjectHistory::SetLabel(QStringLiteral("Move channel"));
    MN_RefreshViews(1);
  }
}

void Display_Form::MoveHighlightedTo(int32_t k, int refreshMode) {
  const MicRef mic = HighlightedMic(app_);
  const SpectrumRef tuning = CurrentTuning(app_);
  if (!mic || !tuning || k < 1 || k > tuning->GlFreqs()) return;
  const float f = tuning->GfGetFreq(k);
  // A move within the same grid point changes nothing and is not a change of the project.
  if (f == mic->GfGetFreq()) return;
  mic->GfSetFreq(f);
  TL_SetChanged(app_.flags, true, false, false, false);
  // The check first, so that the views show what it found at the new place.
  MN_RunCheck(app_, false, false, true, nullptr);
  // A drag is one step when it ends; an arrow key makes one each.
  if (refreshMode != 0) ProjectHistory::SetLabel(QStringLiteral("Move channel"));
  MN_RefreshViews(refreshMode);
}

bool Display_Form::StepHighlighted(int32_t direction) {
  const MicRef mic = HighlightedMic(app_);
  const SpectrumRef tuning = CurrentTuning(app_);
  if (!mic || !tuning || tuning->GlFreqs() < 1) return false;
  MoveHighlightedTo(tuning->GlGetFreqIndexNext(mic->GfGetFreq()) + direction, 1);
  return true;
}

QString Display_Form::ToolTipAt(double x) const {
  const CProject& project = *app_.project;
  const double width = view_.mapping.Span();
  // The current system's channel first, then one of the other systems in their order.
  int32_t slot = project.GlCurr();
  int32_t i = kova::FindChannelAt(project, slot, app_.highlighted, x, width);
  for (int32_t other = 0; i < 1 && other < project.GlSystems(); ++other) {
    if (other == project.GlCurr()) continue;
    slot = other;
    i = kova::FindChannelAt(project, slot, 0, x, width);
  }
  if (i < 1) return {};
  const MicRef mic = project.GcSystem(slot)->GcMics()->GcItem(i);
  QString text = Q(mic->GsGetLabel()) + QStringLiteral("  ") + Q(MN_FormatFreq(mic->GfGetFreq())) +
                 QStringLiteral(" MHz");
  if (project.GbSecondSystem()) text += QStringLiteral("  (System %1)").arg(slot + 1);
  const std::string conflicts = MN_ConflictTip(project, MN_Conflicts(app_), slot, i);
  if (!conflicts.empty()) text += QStringLiteral("\n") + Q(conflicts);
  return text;
}

}  // namespace kova
