#include "ui/SystemList_Panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "app/AppState.h"
#include "app/SystemCommands.h"
#include "app/TypeChange.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/TypeFactsText.h"

namespace kova {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Rows the list shows at least; it grows to show more where the window has room.
constexpr int kLeastRows = 2;

// A label that ends its text in "…" where the room runs out instead of cutting it off; text()
// keeps the whole text.
class ElidingLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room, alignment(), palette(), isEnabled(), shown, foregroundRole());
  }
};

// The facts of a type: over as many lines as they need for the current system, on one line
// ending in "…" for the others (whole in the tool tip), so that many systems fit. The label
// takes the height of its lines itself: wrapped text would leave that to the layout, which does
// not ask a label in a scrolling panel how tall it gets.
class FactsLabel : public ElidingLabel {
 public:
  using ElidingLabel::ElidingLabel;
  void SetWrapped(bool wrapped) {
    wrapped_ = wrapped;
    Fit();
    update();
  }
  void Fit() {
    const QRect room(0, 0, std::max(1, contentsRect().width()), 1 << 20);
    const int lines = wrapped_ ? fontMetrics().boundingRect(room, Qt::TextWordWrap, text()).height() : fontMetrics().height();
    const int height = lines + contentsMargins().top() + contentsMargins().bottom();
    if (minimumHeight() != height || maximumHeight() != height) setFixedHeight(height);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (!wrapped_) return ElidingLabel::paintEvent(event);
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), alignment() | Qt::TextWordWrap, palette(), isEnabled(), text(),
                          foregroundRole());
  }
  void resizeEvent(QResizeEvent* event) override {
    ElidingLabel::resizeEvent(event);
    Fit();
  }

 private:
  bool wrapped_ = false;
};

// The scroll area of the rows: it asks for the height of all rows and makes do with less.
class RowsScrollArea : public QScrollArea {
 public:
  void SetHeightHint(int height) {
    if (height == hint_) return;
    hint_ = height;
    updateGeometry();
  }
  QSize sizeHint() const override { return {QScrollArea::sizeHint().width(), hint_}; }

 private:
  int hint_ = 0;
};

QPushButton* MakeButton(const QString& caption, const QString& name) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// The names the rows' controls had when the panel held two fixed rows.
QString RowName(const char* stem, int k) { return QStringLiteral("%1_%2").arg(QLatin1String(stem)).arg(k); }

}  // namespace

SystemList_Panel::SystemList_Panel(AppState& app, QWidget* parent) : QGroupBox(parent), app_(app) {
  setTitle(QStringLiteral("Choose System"));
  setObjectName(QStringLiteral("System_Frame"));
  inner_ = new QWidget;
  inner_->setObjectName(QStringLiteral("SystemRows"));
  grid_ = new QGridLayout(inner_);
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setColumnStretch(1, 1);
  secondOn_ = new QCheckBox(QStringLiteral("ON"));
  secondOn_->setObjectName(QStringLiteral("System2On_Chk"));
  secondOn_->setToolTip(QStringLiteral("The second and later systems take part in check and search"));
  // Every row exists from the start, so that the window's style reaches them all; Prepare shows
  // those the project has.
  for (int k = 0; k < kMaxSystems; ++k) AddRow();
  // The switch sits under "#2", where the facts line leaves room.
  grid_->addWidget(secondOn_, 3, 0, Qt::AlignTop);
  grid_->setRowStretch(2 * kMaxSystems, 1);

  scroll_ = new RowsScrollArea;
  scroll_->setObjectName(QStringLiteral("SystemList_Scroll"));
  scroll_->setWidget(inner_);
  scroll_->setWidgetResizable(true);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->viewport()->setAutoFillBackground(false);
  inner_->setAutoFillBackground(false);

  add_ = MakeButton(QStringLiteral("Add System"), QStringLiteral("AddSystem_Cbt"));
  remove_ = MakeButton(QStringLiteral("Remove System"), QStringLiteral("RemoveSystem_Cbt"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add_);
  buttons->addWidget(remove_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll_);
  layout->addLayout(buttons);

  connect(secondOn_, &QCheckBox::clicked, this, [this] {
    if (!guard_) Run([this] { ToggleSecond(); });
  });
  connect(add_, &QPushButton::clicked, this, [this] { Run([this] { AddSystem(); }); });
  connect(remove_, &QPushButton::clicked, this, [this] { Run([this] { RemoveSystem(); }); });
}

void SystemList_Panel::AddRow() {
  const int k = static_cast<int>(rows_.size());
  Row row;
  row.number = new QRadioButton(QStringLiteral("#%1").arg(k + 1));
  row.number->setObjectName(RowName("SystemOn_Obt", k));
  row.name = new ElidingLabel(QStringLiteral("System : "));
  row.name->setObjectName(RowName("SystemUsed_Lbl", k));
  row.name->installEventFilter(this);
  // The facts of the type, on a line of their own under its name; they never widen the panel.
  row.facts = new FactsLabel;
  row.facts->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  row.facts->setObjectName(RowName("SystemFacts_Lbl", k));
  row.facts->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Minimum);
  row.facts->installEventFilter(this);
  row.count = new QLabel;
  row.count->setObjectName(RowName("SystemCount_Lbl", k));
  row.count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  row.count->setToolTip(QStringLiteral("Channels of the system"));
  row.choose = MakeButton(QStringLiteral("..."), RowName("SelectSystem_Cbt", k));
  row.choose->setMaximumWidth(32);
  row.choose->setToolTip(QStringLiteral("Choose the type of system #%1").arg(k + 1));
  grid_->addWidget(row.number, 2 * k, 0);
  grid_->addWidget(row.name, 2 * k, 1);
  grid_->addWidget(row.count, 2 * k, 2);
  row.zone = new QComboBox;
  row.zone->setObjectName(RowName("SystemZone_Cbx", k));
  row.zone->setToolTip(QStringLiteral("The zone (stage or venue) of system #%1").arg(k + 1));
  row.zone->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  row.zone->setMinimumContentsLength(7);
  grid_->addWidget(row.choose, 2 * k, 3);
  grid_->addWidget(row.zone, 2 * k, 4);
  grid_->addWidget(row.facts, 2 * k + 1, 1, 1, 3);
  connect(row.choose, &QPushButton::clicked, this, [this, k] { Run([this, k] { ChooseSystemType(k); }); });
  connect(row.zone, &QComboBox::activated, this, [this, k](int index) {
    if (!guard_) Run([this, k, index] { SetZone(k, index); });
  });
  connect(row.number, &QRadioButton::toggled, this, [this, k](bool on) {
    if (on && !guard_) Run([this, k] { SelectSystem(k); });
  });
  rows_.push_back(row);
}

void SystemList_Panel::Run(const std::function<void()>& action) {
  if (command)
    command(action);
  else
    action();
}

bool SystemList_Panel::eventFilter(QObject* watched, QEvent* event) {
  // A click on a system's name chooses it as the option button does.
  if (event->type() == QEvent::MouseButtonPress) {
    for (const Row& row : rows_)
      if (watched == row.name && row.number->isEnabled()) row.number->setChecked(true);
  }
  // A facts label that changed its lines changes the height of the rows.
  if (event->type() == QEvent::Resize) {
    for (const Row& row : rows_)
      if (watched == row.facts) FitRowsHeight();
  }
  return QGroupBox::eventFilter(watched, event);
}

void SystemList_Panel::Prepare() {
  const CProject& project = *app_.project;
  const bool second = project.GbSecondSystem();
  const int slotCount = project.GlSlots();
  {
    // Showing the state is no click of the user.
    const bool saved = guard_;
    guard_ = true;
    for (int k = 0; k < static_cast<int>(rows_.size()); ++k) {
      const Row& row = rows_[static_cast<size_t>(k)];
      const bool shown = k < slotCount;
      const bool used = k == 0 || second;
      for (QWidget* w : std::initializer_list<QWidget*>{row.number, row.name, row.facts, row.count, row.choose, row.zone}) {
        w->setVisible(shown);
        w->setEnabled(used);
      }
      static_cast<FactsLabel*>(row.facts)->SetWrapped(k == project.GlCurr());
    }
    secondOn_->setChecked(second);
    rows_[static_cast<size_t>(project.GlCurr())].number->setChecked(true);
    guard_ = saved;
  }
  add_->setEnabled(project.GlSystems() < kMaxSystems);
  remove_->setEnabled(project.GlSystems() > 1);
  ShowSystemTypes();
  FitRowsHeight();
  // The current system's row comes into sight once the rows have their places.
  const Row& current = rows_[static_cast<size_t>(project.GlCurr())];
  QMetaObject::invokeMethod(
      this,
      [this, facts = current.facts, number = current.number] {
        scroll_->ensureWidgetVisible(facts, 0, 0);
        scroll_->ensureWidgetVisible(number, 0, 0);
      },
      Qt::QueuedConnection);
}

void SystemList_Panel::ShowSystemTypes() {
  const CProject& project = *app_.project;
  for (int k = 0; k < project.GlSlots(); ++k) {
    const Row& row = rows_[static_cast<size_t>(k)];
    const CSystemInstance& system = *project.GcSystem(k);
    const CSystemType& type = *system.GcSystemType();
    const QString facts = MN_TypeFactsText(type);
    row.name->setText(QStringLiteral("System : ") + Q(type.GsGetLabel()));
    row.name->setToolTip(Q(type.GsGetLabel()) + QLatin1Char('\n') + facts);
    row.facts->setText(facts);
    row.facts->setToolTip(facts);
    static_cast<FactsLabel*>(row.facts)->Fit();
  }
  ShowCounts();
  ShowZones();
}

void SystemList_Panel::ShowZones() {
  const CProject& project = *app_.project;
  const CZones& zones = project.GcZones();
  QStringList items;
  for (int32_t z = 1; z <= zones.GlCount(); ++z) items << QStringLiteral("%1 %2").arg(z).arg(Q(zones.GsName(z)));
  if (zones.GlCount() < CZones::kMaxZones) items << QStringLiteral("New Zone");
  const bool saved = guard_;
  guard_ = true;
  for (int k = 0; k < project.GlSlots(); ++k) {
    QComboBox* choice = rows_[static_cast<size_t>(k)].zone;
    QStringList shown;
    for (int i = 0; i < choice->count(); ++i) shown << choice->itemText(i);
    if (shown != items) {
      choice->clear();
      choice->addItems(items);
    }
    choice->setCurrentIndex(std::clamp(project.GcSystem(k)->GlZone(), 1, zones.GlCount()) - 1);
  }
  guard_ = saved;
}

void SystemList_Panel::ShowCounts() {
  const CProject& project = *app_.project;
  for (int k = 0; k < project.GlSlots(); ++k)
    rows_[static_cast<size_t>(k)].count->setText(QStringLiteral("(%1)").arg(project.GcSystem(k)->GcMics()->GCount()));
}

void SystemList_Panel::Styled() {
  for (const Row& row : rows_) {
    QFont plain = row.facts->font();
    plain.setBold(false);
    plain.setPointSizeF(plain.pointSizeF() * 0.92);
    row.facts->setFont(plain);
    // Room for the names of the built-in types beside the zone choice; a longer name ends in
    // "…" and shows whole in the tool tip.
    const QFontMetrics metrics = row.name->fontMetrics();
    row.name->setMinimumWidth(std::max(metrics.horizontalAdvance(QStringLiteral("System : Kestrel")),
                                       metrics.horizontalAdvance(QStringLiteral("System : Kestrel Professional")) -
                                           row.zone->sizeHint().width()));
  }
}

int SystemList_Panel::RowsHeight(int n) const {
  int height = 0;
  for (int k = 0; k < n; ++k) {
    const Row& row = rows_[static_cast<size_t>(k)];
    int line = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{row.number, row.name, row.count, row.choose, row.zone})
      line = std::max(line, w->sizeHint().height());
    int facts = row.facts->minimumHeight();
    if (k == 1) facts = std::max(facts, secondOn_->sizeHint().height());
    height += line + facts + (k > 0 ? 2 : 1) * grid_->verticalSpacing();
  }
  return height;
}

void SystemList_Panel::FitRowsHeight() {
  // The list asks for the room of all its rows and takes at least that of the first two; with
  // less it scrolls, and its scroll bar takes room of its own.
  const int slotCount = app_.project ? app_.project->GlSlots() : 2;
  const int low = RowsHeight(std::min(slotCount, kLeastRows));
  const int high = std::max(RowsHeight(slotCount), inner_->minimumSizeHint().height());
  int width = inner_->minimumSizeHint().width();
  if (high > low) width += scroll_->verticalScrollBar()->sizeHint().width();
  if (scroll_->minimumHeight() != low) scroll_->setMinimumHeight(low);
  static_cast<RowsScrollArea*>(scroll_)->SetHeightHint(high);
  if (scroll_->minimumWidth() != width) scroll_->setMinimumWidth(width);
}

void SystemList_Panel::SelectSystem(int k) {
  if (app_.project->GlCurr() == k) return;
  app_.project->GlCurr(k);
  app_.highlighted = 0;
  MN_RefreshViews(2);
}

int32_t SystemList_Panel::TypePosition(int k) const {
  const std::string& label = app_.project->GcSystem(k)->GcSystemType()->GsGetLabel();
  for (size_t i = 0; i < app_.systems.size(); ++i)
    if (app_.systems[i]->GsGetLabel() == label) return static_cast<int32_t>(i) + 1;
  return 1;
}

void SystemList_Panel::ChooseSystemType(int k) {
  // The chooser starts at the type of the row's system, whichever system is current.
  const int32_t q = chooseType ? chooseType(TypePosition(k)) : 0;
  if (q <= 0 || q > static_cast<int32_t>(app_.systems.size())) return;
  CProject& project = *app_.project;
  project.GlCurr(k);
  CSystemInstance& system = *project.GcCurrSystem();
  const TypeRef& chosen = app_.systems[static_cast<size_t>(q - 1)];
  // What keeping the channels means is worked out first, so that the question can say it; a
  // system without channels has nothing to keep and is not asked.
  const TypeChangePlan plan = MN_PlanTypeChange(system, *chosen);
  if (chosen->GsGetLabel() != system.GcSystemType()->GsGetLabel() && plan.channels > 0) {
    std::string question =
        "You have switched to a different receiver system. Do you want to keep the current channel configuration?";
    const std::string consequences = MN_TypeChangeText(plan);
    if (!consequences.empty()) question += "\r\r" + consequences;
    const int answer = TL_AskYesNoCancel(question, kAppTitle);
    if (answer == kCancel) {
      MN_RefreshViews(2);  // the current system may have changed
      return;
    }
    if (answer == kNo)
      system.GDefine(chosen->GGetCopy());
    else
      MN_ApplyTypeChange(system, chosen->GGetCopy(), plan);
  } else {
    MN_ApplyTypeChange(system, chosen->GGetCopy(), plan);
  }
  app_.highlighted = 0;
  if (changed) changed(QStringLiteral("Change system type"));
  // The current system may have changed with the type: both tables and the check panel follow.
  MN_RefreshViews(2);
}

void SystemList_Panel::ToggleSecond() {
  CProject& project = *app_.project;
  project.GbSecondSystem(!project.GbSecondSystem());
  // Switched off, the first system is the only one left to be current.
  if (!project.GbSecondSystem() && project.GlCurr() != 0) {
    project.GlCurr(0);
    app_.highlighted = 0;
  }
  if (changed) changed(project.GbSecondSystem() ? QStringLiteral("Second system on") : QStringLiteral("Second system off"));
  MN_RefreshViews(2);
}

void SystemList_Panel::SetZone(int k, int index) {
  CProject& project = *app_.project;
  if (k >= project.GlSlots()) return;
  const int32_t zone = std::min(index + 1, project.GcZones().GlCount() + 1);
  if (zone == project.GcSystem(k)->GlZone() || !project.GSetSystemZone(k, zone)) {
    ShowZones();
    return;
  }
  if (changed) changed(QStringLiteral("Change zone"));
  MN_RefreshViews(2);
}

void SystemList_Panel::AddSystem() {
  // The new system starts with the type of the current one preselected in the chooser.
  const int32_t q = chooseType ? chooseType(TypePosition(app_.project->GlCurr())) : 0;
  if (q <= 0 || q > static_cast<int32_t>(app_.systems.size())) return;
  const int32_t slot = MN_AddSystem(app_, *app_.systems[static_cast<size_t>(q - 1)]);
  if (slot < 0) return;
  app_.project->GlCurr(slot);
  app_.highlighted = 0;
  if (changed) changed(QStringLiteral("Add system"));
  MN_RefreshViews(2);
}

void SystemList_Panel::RemoveSystem() {
  CProject& project = *app_.project;
  const int32_t k = project.GlCurr();
  if (project.GlSystems() < 2 || k >= project.GlSystems()) return;
  const CSystemInstance& system = *project.GcSystem(k);
  const int32_t n = system.GcMics()->GCount();
  std::string question = "Remove system #" + TL_Str(k + 1) + " (" + system.GcSystemType()->GsGetLabel() + ")";
  question += n == 0 ? "?" : " with its " + TL_Str(n) + (n == 1 ? " channel?" : " channels?");
  if (TL_AskOkCancel(question, kAppTitle) != kOk) return;
  if (!MN_RemoveSystem(app_, k)) return;
  if (changed) changed(QStringLiteral("Remove system"));
  MN_RefreshViews(2);
}

}  // namespace kova
