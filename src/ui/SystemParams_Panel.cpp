#include "ui/SystemParams_Panel.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "app/AppState.h"
#include "app/SystemCommands.h"
#include "tools/Tools.h"
#include "ui/EntryRules.h"
#include "ui/ProjectHistory.h"

namespace kova {

namespace {

// Row i of the check switches shows check kind kFlagChecks[i].
constexpr std::array<int32_t, 5> kFlagChecks = {kCheckSpectrum, kCheckSpacing, kCheck2TxIM3, kCheck2TxIM5,
                                                kCheck3TxIM3};
constexpr int kStepRow = 6;
constexpr int kChannelsRow = 7;
constexpr int kBoxWidth = 54;
constexpr int kSpacing = 4;  // between the rows, the same on both sides

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The names the controls of the first two systems had before the table: their own names without
// a number for system 1 ("Flag_Chk_0") and with "2" for system 2 ("Flag2_Chk_0"); the systems
// after them go on counting.
QString Numbered(const char* stem, const char* tail, int k) {
  const QString number = k == 0 ? QString() : QString::number(k + 1);
  return QLatin1String(stem) + number + QLatin1String(tail);
}

}  // namespace

SystemParams_Panel::SystemParams_Panel(AppState& app, QWidget* parent) : QWidget(parent), app_(app) {
  setObjectName(QStringLiteral("SystemParams_Panel"));
  rowHeight_ = QLineEdit().sizeHint().height();
  auto* captions = new QWidget;
  captionGrid_ = new QGridLayout(captions);
  captionGrid_->setContentsMargins(0, 0, 0, 0);
  captionGrid_->setVerticalSpacing(kSpacing);
  auto caption = [this](const QString& text, int row) {
    auto* label = new QLabel(text);
    label->setFixedHeight(rowHeight_);
    captionGrid_->addWidget(label, row, 0);
    return label;
  };
  caption(QString(), 0);
  for (int i = 0; i < 5; ++i) captions_[static_cast<size_t>(i)] = caption(QString(), i + 1);
  caption(QStringLiteral("Search step [MHz]"), kStepRow);
  caption(QStringLiteral("Add channels"), kChannelsRow);

  inner_ = new QWidget;
  inner_->setObjectName(QStringLiteral("SystemParams_Columns"));
  columnGrid_ = new QGridLayout(inner_);
  columnGrid_->setContentsMargins(0, 0, 0, 0);
  columnGrid_->setVerticalSpacing(kSpacing);
  columnGrid_->setHorizontalSpacing(kSpacing);
  // Every column exists from the start, so that the window's style reaches them all; Prepare
  // shows those of the systems in use.
  for (int k = 0; k < kMaxSystems; ++k) AddColumn();
  columnGrid_->setColumnStretch(kMaxSystems, 1);
  scroll_ = new QScrollArea;
  scroll_->setObjectName(QStringLiteral("SystemParams_Scroll"));
  scroll_->setWidget(inner_);
  scroll_->setWidgetResizable(true);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scroll_->viewport()->setAutoFillBackground(false);
  inner_->setAutoFillBackground(false);
  scroll_->installEventFilter(this);
  // Two systems, the usual case, fit without scrolling; more scroll sideways.
  scroll_->setMinimumWidth(2 * kBoxWidth + kSpacing);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(captions, 0, Qt::AlignTop);
  layout->addWidget(scroll_, 1, Qt::AlignTop);
  FitHeight();
}

void SystemParams_Panel::AddColumn() {
  const int k = static_cast<int>(columns_.size());
  Column c{};
  c.head = new QLabel(QStringLiteral("#%1").arg(k + 1));
  c.head->setObjectName(QStringLiteral("SystemParamsHead_%1").arg(k));
  c.head->setFixedHeight(rowHeight_);
  columnGrid_->addWidget(c.head, 0, k, Qt::AlignHCenter);
  for (int i = 0; i < 5; ++i) {
    auto* box = new QCheckBox;
    box->setObjectName(Numbered("Flag", "_Chk_", k) + QString::number(i));
    box->setFixedHeight(rowHeight_);
    columnGrid_->addWidget(box, i + 1, k, Qt::AlignHCenter);
    connect(box, &QCheckBox::clicked, this, [this] { Run([this] { Store(false); }); });
    c.flags[static_cast<size_t>(i)] = box;
  }
  auto makeBox = [this](const QString& text, const QString& name, int row, int col) {
    auto* box = new QLineEdit(text);
    box->setObjectName(name);
    box->setFixedWidth(kBoxWidth);
    box->setFixedHeight(rowHeight_);
    box->setAlignment(Qt::AlignRight);
    columnGrid_->addWidget(box, row, col);
    return box;
  };
  c.step = makeBox(QStringLiteral("0.025"), Numbered("SearchStep", "_Tbx", k), kStepRow, k);
  c.channels = makeBox(QString::number(kDefaultAddCount), Numbered("GenChannels", "_Tbx", k), kChannelsRow, k);
  connect(c.step, &QLineEdit::textEdited, this, [this] { Run([this] { Store(true); }); });
  // The counts live with the application, so that they follow their systems when one is removed.
  connect(c.channels, &QLineEdit::textEdited, this, [this] { StoreAddCounts(); });
  columns_.push_back(c);
}

void SystemParams_Panel::Run(const std::function<void()>& action) {
  if (command)
    command(action);
  else
    action();
}

void SystemParams_Panel::SetCaptions() {
  for (int i = 0; i < 5; ++i) {
    const QString caption = Q(TL_GetCheckLabel(kFlagChecks[static_cast<size_t>(i)]));
    captions_[static_cast<size_t>(i)]->setText(caption);
    for (const Column& c : columns_) c.flags[static_cast<size_t>(i)]->setToolTip(caption);
  }
}

void SystemParams_Panel::Prepare() {
  const bool saved = updating_;
  updating_ = true;
  const CProject& project = *app_.project;
  const int used = project.GlSystems();
  for (int k = 0; k < static_cast<int>(columns_.size()); ++k) {
    const Column& c = columns_[static_cast<size_t>(k)];
    const bool shown = k < used;
    c.head->setVisible(shown);
    for (QCheckBox* box : c.flags) box->setVisible(shown);
    c.step->setVisible(shown);
    c.channels->setVisible(shown);
    if (!shown) continue;
    const CSystemType& type = *project.GcSystem(k)->GcSystemType();
    c.head->setToolTip(Q(type.GsGetLabel()));
    for (int i = 0; i < 5; ++i) c.flags[static_cast<size_t>(i)]->setChecked(type.GbCheckFlag(kFlagChecks[static_cast<size_t>(i)]));
    c.step->setText(Q(MN_FormatFreq(type.GfGetSearchStep())));
    const int32_t count = project.GcSystem(k)->GlAddCount();
    if (MN_WholeNumber(c.channels, 0, kMaxAddCount) != count) c.channels->setText(QString::number(count));
  }
  updating_ = saved;
  // The columns of the usual festival (up to four systems) show whole; more scroll sideways.
  scroll_->setMinimumWidth(std::clamp(used, 2, 4) * (kBoxWidth + kSpacing));
  FitHeight();
  // The current system's column comes into sight once the scroll bar knows the columns' width.
  // Every column is as wide as its boxes.
  const int left = std::min(project.GlCurr(), used - 1) * (kBoxWidth + kSpacing);
  QMetaObject::invokeMethod(
      this,
      [this, left] {
        QScrollBar* bar = scroll_->horizontalScrollBar();
        const int room = scroll_->viewport()->width();
        if (left < bar->value())
          bar->setValue(left);
        else if (left + kBoxWidth > bar->value() + room)
          bar->setValue(left + kBoxWidth - room);
      },
      Qt::QueuedConnection);
}

void SystemParams_Panel::Store(bool typing) {
  if (updating_) return;
  const CProject& project = *app_.project;
  for (int k = 0; k < project.GlSystems(); ++k) {
    const Column& c = columns_[static_cast<size_t>(k)];
    CSystemType& type = *project.GcSystem(k)->GcSystemType();
    for (int i = 0; i < 5; ++i) type.GbCheckFlag(kFlagChecks[static_cast<size_t>(i)], c.flags[static_cast<size_t>(i)]->isChecked());
    // The step is a whole number of 25 kHz steps, 1 to 40 of them.
    const double n = TL_Clamp(TL_ParseNumber(c.step->text().toStdString()) / 0.025, 1.0, 40.0);
    type.GSetSearchStep(static_cast<float>(n * 0.025));
  }
  if (changed) changed(typing ? QStringLiteral("Change search step") : QStringLiteral("Change checks"), typing);
}

void SystemParams_Panel::StoreAddCounts() {
  const std::vector<int32_t> before = MN_AddCounts(app_);
  for (int k = 0; k < app_.project->GlSystems(); ++k)
    MN_SetAddCount(app_, k, MN_WholeNumber(columns_[static_cast<size_t>(k)].channels, 0, kMaxAddCount));
  // The counts are kept in the project file: a change is one to save (the products stay as they
  // are) and a step to undo, typed digit by digit as one.
  if (MN_AddCounts(app_) == before) {
    ProjectHistory::Note();
    return;
  }
  TL_SetChanged(app_.flags, false, false, false, true);
  ProjectHistory::Note(QStringLiteral("Change channels to add"), true);
}

std::vector<int32_t> SystemParams_Panel::ChannelsToAdd() {
  StoreAddCounts();
  return MN_AddCounts(app_);
}

bool SystemParams_Panel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == scroll_ && event->type() == QEvent::Resize) FitHeight();
  return QWidget::eventFilter(watched, event);
}

void SystemParams_Panel::FitHeight() {
  // The rows show whole; the scroll bar, when the columns need it, comes below them.
  constexpr int kRows = kChannelsRow + 1;
  int height = kRows * rowHeight_ + (kRows - 1) * kSpacing;
  columnGrid_->activate();
  if (inner_->minimumSizeHint().width() > scroll_->viewport()->width())
    height += scroll_->horizontalScrollBar()->sizeHint().height();
  if (scroll_->height() != height) scroll_->setFixedHeight(height);
  captionGrid_->parentWidget()->setFixedHeight(kRows * rowHeight_ + (kRows - 1) * kSpacing);
}

}  // namespace kova
