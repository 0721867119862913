#include "ui/CheckResults_Form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <set>
#include <utility>

#include "app/AppState.h"
#include "app/CheckConflicts.h"
#include "tools/Tools.h"
#include "ui/FormStyle.h"

namespace kova {

namespace {

constexpr int kKeyRole = Qt::UserRole;         // numeric sort key of a cell
constexpr int kMicRole = Qt::UserRole + 1;      // the channel's position, in the first column

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A cell that sorts by its number when it has one, else by its text.
class ResultItem : public QTableWidgetItem {
 public:
  explicit ResultItem(const QString& text) : QTableWidgetItem(text) {
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  }
  ResultItem(const QString& text, double key) : ResultItem(text) { setData(kKeyRole, key); }

  bool operator<(const QTableWidgetItem& other) const override {
    const QVariant a = data(kKeyRole);
    const QVariant b = other.data(kKeyRole);
    if (a.isValid() && b.isValid()) return a.toDouble() < b.toDouble();
    if (a.isValid() != b.isValid()) return b.isValid();  // empty cells (no number) first
    return text().compare(other.text(), Qt::CaseInsensitive) < 0;
  }
};

}  // namespace

CheckResults_Form::CheckResults_Form(AppState& app, QWidget* parent) : QWidget(parent), app_(app) {
  setObjectName(QStringLiteral("CheckResults_Form"));
  setWindowTitle(QStringLiteral("Check Results"));

  summaryLbl_ = new QLabel(this);
  summaryLbl_->setObjectName(QStringLiteral("Summary_Lbl"));
  flxResults_ = new QTableWidget(0, kColumns, this);
  flxResults_->setObjectName(QStringLiteral("flxResults"));
  flxResults_->setHorizontalHeaderLabels({QStringLiteral("System"), QStringLiteral("Label"),
                                          QStringLiteral("Frq. [MHz]"), QStringLiteral("Hit by"),
                                          QStringLiteral("Created by"), QStringLiteral("Product [MHz]"),
                                          QStringLiteral("Distance [kHz]")});
  flxResults_->verticalHeader()->hide();
  flxResults_->verticalHeader()->setDefaultSectionSize(22);
  flxResults_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  flxResults_->setSelectionBehavior(QAbstractItemView::SelectRows);
  flxResults_->setSelectionMode(QAbstractItemView::SingleSelection);
  flxResults_->horizontalHeader()->setStretchLastSection(true);
  flxResults_->setWordWrap(false);
  flxResults_->setSortingEnabled(true);
  connect(flxResults_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { HighlightRow(row); });

  againCbt_ = new QPushButton(QStringLiteral("Check again"), this);
  againCbt_->setObjectName(QStringLiteral("CheckAgain_Cbt"));
  againCbt_->setAutoDefault(false);
  againCbt_->hide();
  connect(againCbt_, &QPushButton::clicked, this, [this] {
    if (checkAgain) checkAgain();
  });
  auto* top = new QHBoxLayout;
  top->addWidget(summaryLbl_, 1);
  top->addWidget(againCbt_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(flxResults_, 1);

  auto* follow = new QTimer(this);
  connect(follow, &QTimer::timeout, this, [this] { FollowProject(); });
  follow->start(250);

  MN_ApplyFormStyle(this);
  resize(960, 300);
}

void CheckResults_Form::FollowProject() {
  if (stale_ || app_.flags.changes == shownChanges_) return;
  stale_ = true;
  flxResults_->setEnabled(false);
  summaryLbl_->setText(QStringLiteral("The project has changed since this check; these results no longer describe it."));
  againCbt_->setVisible(static_cast<bool>(checkAgain));
}

void CheckResults_Form::PrepareResults() {
  const CProject& project = *app_.project;
  shownChanges_ = app_.flags.changes;
  stale_ = false;
  flxResults_->setEnabled(true);
  againCbt_->hide();
  const std::vector<CheckConflict>& conflicts = MN_Conflicts(app_);
  flxResults_->setSortingEnabled(false);
  flxResults_->clearContents();
  flxResults_->setRowCount(static_cast<int>(conflicts.size()));
  int row = 0;
  for (const CheckConflict& c : conflicts) {
    const CheckChannel& ch = c.channel;
    const MicsRef& mics = project.GcSystem(ch.system)->GcMics();
    const MicRef mic = ch.mic >= 1 && ch.mic <= mics->GCount() ? mics->GcItem(ch.mic) : nullptr;
    const double f = mic ? mic->GfGetFreq() : 0.0;
    auto* system = new ResultItem(QString::number(ch.system + 1), ch.system + 1);
    system->setData(kMicRole, ch.mic);
    flxResults_->setItem(row, kSystem, system);
    flxResults_->setItem(row, kLabel, new ResultItem(mic ? Q(mic->GsGetLabel()) : QString()));
    flxResults_->setItem(row, kFreq, new ResultItem(Q(MN_FormatFreq(f)), f));
    flxResults_->setItem(row, kKind, new ResultItem(Q(TL_GetCheckLabel(c.kind))));
    const bool product = c.kind != kCheckSpectrum;
    flxResults_->setItem(row, kSources, new ResultItem(product ? Q(MN_ConflictSources(project, c))
                                                               : QStringLiteral("outside the search spectrum")));
    if (product) {
      const double distance = MN_ConflictDistanceKHz(project, c);
      flxResults_->setItem(row, kProduct, new ResultItem(Q(MN_FormatFreq(c.freq)), c.freq));
      flxResults_->setItem(row, kDistance, new ResultItem(Q(TL_Trim(TL_FormatNumber(distance, "0.#"))), distance));
    } else {
      flxResults_->setItem(row, kProduct, new ResultItem(QString()));
      flxResults_->setItem(row, kDistance, new ResultItem(QString()));
    }
    // The whole words as tool tip of the row, for a column too narrow to show them.
    const QString words = Q(MN_ConflictText(project, c));
    for (int col = 0; col < kColumns; ++col) flxResults_->item(row, col)->setToolTip(words);
    ++row;
  }
  // Problems in the order the check found them, until a column is chosen.
  flxResults_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  flxResults_->setSortingEnabled(true);
  flxResults_->resizeColumnsToContents();

  // A channel can be reported twice (outside the spectrum and hit by a product).
  std::set<std::pair<int32_t, int32_t>> hit;
  for (const CheckConflict& c : conflicts) hit.insert({c.channel.system, c.channel.mic});
  const size_t channels = hit.size();
  summaryLbl_->setText(channels == 0 ? QStringLiteral("Channel configuration is compatible.")
                       : channels == 1
                           ? QStringLiteral("Channel configuration is not compatible: 1 channel is hit.")
                           : QStringLiteral("Channel configuration is not compatible: %1 channels are hit.").arg(channels));
}

void CheckResults_Form::HighlightRow(int row) {
  const QTableWidgetItem* item = flxResults_->item(row, kSystem);
  if (!item || stale_) return;
  const int32_t system = item->data(kKeyRole).toInt() - 1;
  const int32_t checked = item->data(kMicRole).toInt();
  CProject& project = *app_.project;
  if (system < 0 || system >= project.GlSystems()) return;
  // The channel where the check found it, or where it went since (same label and frequency).
  const CMicCollection& mics = *project.GcSystem(system)->GcMics();
  const QString label = flxResults_->item(row, kLabel)->text();
  const float f = static_cast<float>(flxResults_->item(row, kFreq)->data(kKeyRole).toDouble());
  const auto same = [&](int32_t i) {
    return i >= 1 && i <= mics.GCount() && mics.GcItem(i)->GfGetFreq() == f && Q(mics.GcItem(i)->GsGetLabel()) == label;
  };
  int32_t mic = same(checked) ? checked : 0;
  for (int32_t i = 1; i <= mics.GCount() && mic == 0; ++i) mic = same(i) ? i : 0;
  if (mic == 0) return;
  const bool otherSystem = project.GlCurr() != system;
  if (otherSystem) project.GlCurr(system);
  app_.highlighted = mic;
  MN_RefreshViews(otherSystem ? 2 : 1);
}

}  // namespace kova
