#include "ui/Report_Form.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/ExportTarget.h"
#include "app/Storage.h"
#include "app/TextExport.h"
#include "engine/Margin.h"
#include "reports/TextReports.h"
#include "tools/Tools.h"
#include "ui/FormStyle.h"
#include "ui/ProjectHistory.h"

namespace kova {

namespace {

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

QListWidget* List(const char* name, QWidget* parent) {
  auto* l = new QListWidget(parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

// Draws a proposal line as usual, its margin right-aligned beside it and, in a row under it,
// where it first differs from the line above, so that the line's own text stays what it is.
class MarginColumn : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QString difference = index.data(Report_Form::kDifferenceRole).toString();
    QStyleOptionViewItem line(option);
    if (!difference.isEmpty()) {
      // The selection spans both rows; the line keeps its place above the difference.
      QStyleOptionViewItem whole(option);
      initStyleOption(&whole, index);
      const QWidget* view = option.widget;
      (view ? view->style() : QApplication::style())->drawPrimitive(QStyle::PE_PanelItemViewItem, &whole, painter, view);
      line.rect.setHeight(option.rect.height() - option.fontMetrics.height());
    }
    QStyledItemDelegate::paint(painter, line, index);
    const QString margin = index.data(Report_Form::kMarginRole).toString();
    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                 : QPalette::Text));
    // Beside the line's first row: the rows below it name what a short proposal lacks.
    QRect first = line.rect.adjusted(0, 0, -6, 0);
    first.setHeight(first.height() / (static_cast<int>(index.data(Qt::DisplayRole).toString().count(u'\n')) + 1));
    if (!margin.isEmpty()) painter->drawText(first, Qt::AlignRight | Qt::AlignVCenter, margin);
    if (!difference.isEmpty()) {
      const QRect below(option.rect.left() + 6, line.rect.bottom() + 1, option.rect.width() - 12,
                        option.fontMetrics.height());
      painter->drawText(below, Qt::AlignLeft | Qt::AlignVCenter,
                        option.fontMetrics.elidedText(difference, Qt::ElideRight, below.width()));
    }
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (!index.data(Report_Form::kDifferenceRole).toString().isEmpty()) size.rheight() += option.fontMetrics.height();
    return size;
  }
};

// The frequencies of system `slot` in rising order (none when the project has no such system).
std::vector<float> SortedFrequencies(const CProject& project, int32_t slot) {
  std::vector<float> f;
  if (slot >= project.GlSystems()) return f;
  const CMicCollection& mics = *project.GcSystem(slot)->GcMics();
  for (int32_t i = 1; i <= mics.GCount(); ++i) f.push_back(mics.GcItem(i)->GfGetFreq());
  std::sort(f.begin(), f.end());
  return f;
}

// Where `p` first differs from `above`, system by system in rising frequency: "#2 612.275 MHz
// (line above: 612.250 MHz)", with "none" for a frequency one of them lacks; empty when both hold
// the same frequencies.
std::string FirstDifference(const CProject& p, const CProject& above) {
  for (int32_t s = 0; s < std::max(p.GlSystems(), above.GlSystems()); ++s) {
    const std::vector<float> a = SortedFrequencies(p, s), b = SortedFrequencies(above, s);
    const std::string system = "#" + TL_Str(s + 1) + " ";
    for (size_t k = 0; k < std::max(a.size(), b.size()); ++k) {
      if (k >= a.size()) return system + "none (line above: " + MN_FormatFreq(b[k]) + " MHz)";
      if (k >= b.size()) return system + MN_FormatFreq(a[k]) + " MHz (line above: none)";
      if (a[k] != b[k]) return system + MN_FormatFreq(a[k]) + " MHz (line above: " + MN_FormatFreq(b[k]) + " MHz)";
    }
  }
  return {};
}

QString MarginText(const std::optional<double>& margin) {
  if (!margin) return QStringLiteral("margin \u2013");
  return QStringLiteral("margin ") + QString::fromStdString(TL_FormatNumber(*margin, "0")) + QStringLiteral(" kHz");
}

// One line per channel of system `slot`: frequency and label; with `heading` first a line naming
// the system ("#3 Osprey Series") that cannot be selected.
void FillChannels(QListWidget* list, const CProject& project, int32_t slot, bool heading) {
  const CSystemInstance& system = *project.GcSystem(slot);
  if (heading) {
    auto* item = new QListWidgetItem(QStringLiteral("#%1 %2").arg(slot + 1).arg(QString::fromStdString(
                                                                                  system.GcSystemType()->GsGetLabel())));
    item->setFlags(Qt::ItemIsEnabled);
    QFont font = list->font();
    font.setUnderline(true);
    item->setFont(font);
    list->addItem(item);
  }
  const CMicCollection& mics = *system.GcMics();
  for (int32_t i = 1; i <= mics.GCount(); ++i)
    list->addItem(QString::fromStdString(mics.GcItem(i)->GsGetDescription(5)));
}

}  // namespace

Report_Form::Report_Form(AppState& app, QWidget* parent) : QWidget(parent), app_(app) {
  setObjectName(QStringLiteral("Report_Form"));
  setWindowTitle(QStringLiteral("Possible Channel Setups"));

  resultsFrame_ = new QGroupBox(QStringLiteral("Results"), this);
  resultsFrame_->setObjectName(QStringLiteral("Results_Frame"));
  reportAllLbx_ = List("ReportAll_Lbx", resultsFrame_);
  reportAllLbx_->setItemDelegate(new MarginColumn(reportAllLbx_));
  sortMarginChk_ = new QCheckBox(QStringLiteral("Sort by margin"), resultsFrame_);
  sortMarginChk_->setObjectName(QStringLiteral("SortMargin_Chk"));
  sortMarginChk_->setToolTip(
      QStringLiteral("Margin: the smallest distance in kHz between a channel and a product or another channel, beyond "
                     "the protection width its checks keep. Larger is safer."));
  useCbt_ = Button("Use_Cbt", "Use", resultsFrame_);
  saveCbt_ = Button("Save_Cbt", "Save", resultsFrame_);
  auto* resultButtons = new QHBoxLayout;
  resultButtons->addWidget(useCbt_);
  resultButtons->addWidget(saveCbt_);
  auto* results = new QVBoxLayout(resultsFrame_);
  results->addWidget(reportAllLbx_, 1);
  results->addWidget(sortMarginChk_);
  results->addLayout(resultButtons);

  channelsFrame_ = new QGroupBox(QStringLiteral("Compatible Channels"), this);
  channelsFrame_->setObjectName(QStringLiteral("Channels_Frame"));
  reportOneLbx_ = List("ReportOne_Lbx", channelsFrame_);
  reportTwoLbx_ = List("ReportTwo_Lbx", channelsFrame_);
  reportTwoLbx_->setEnabled(false);
  auto* channels = new QHBoxLayout(channelsFrame_);
  channels->addWidget(reportOneLbx_);
  channels->addWidget(reportTwoLbx_);

  exportCbt_ = Button("Export_Cbt", "Export", this);
  closeCbt_ = Button("Close_Cbt", "Discard", this);

  auto* frames = new QHBoxLayout;
  frames->addWidget(resultsFrame_, 1);
  frames->addWidget(channelsFrame_, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(exportCbt_);
  bottom->addWidget(closeCbt_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(frames, 1);
  layout->addLayout(bottom);

  connect(reportAllLbx_, &QListWidget::currentRowChanged, this, [this](int row) { PrepareChannels(row); });
  connect(sortMarginChk_, &QCheckBox::toggled, this, [this](bool on) { SortByMargin(on); });
  connect(useCbt_, &QPushButton::clicked, this, [this] { Use(); });
  connect(saveCbt_, &QPushButton::clicked, this, [this] { Save(); });
  connect(exportCbt_, &QPushButton::clicked, this, [this] { Export(); });
  connect(closeCbt_, &QPushButton::clicked, this, [this] { Discard(); });

  MN_ApplyFormStyle(this);
  // Wide enough for the longest lines in the bold style font.
  const int margin = reportAllLbx_->verticalScrollBar()->sizeHint().width() + 4 * reportAllLbx_->frameWidth() + 8;
  const QFontMetrics metrics = reportAllLbx_->fontMetrics();
  reportAllLbx_->setMinimumWidth(
      std::max(metrics.horizontalAdvance(QStringLiteral("Compatible Channels: 000(000/000)   margin -0000 kHz")),
               metrics.horizontalAdvance(QStringLiteral("first difference: #00 000.000 MHz (line above: 000.000 MHz)"))) +
      margin);
  for (QListWidget* list : {reportOneLbx_, reportTwoLbx_})
    list->setMinimumWidth(list->fontMetrics().horizontalAdvance(QStringLiteral(" 000.000 MHz Mic000")) + margin);
  resize(minimumSizeHint().expandedTo(QSize(600, 340)));
}

void Report_Form::GShowReport(int32_t iReport) {
  listNumber_ = iReport;
  selected_ = 0;
  report_.reset();
  margins_.clear();
  order_.clear();
  reportAllLbx_->clear();
  reportOneLbx_->clear();
  reportTwoLbx_->clear();
  reportTwoLbx_->setEnabled(false);
  try {
    report_ = app_.proposals->GxGetItem(iReport);
  } catch (const std::out_of_range&) {
    return;  // no such list: the window stays empty
  }

  // The margins are worked out once, when the list comes to the window.
  for (int32_t i = 1; i <= report_->GlCount(); ++i) {
    margins_.push_back(MN_GetMarginKHz(*report_->GxGetProject(i)));
    order_.push_back(i);
  }
  SortByMargin(sortMarginChk_->isChecked());
  if (reportAllLbx_->count() > 0) reportAllLbx_->setCurrentRow(0);
}

void Report_Form::FillResults() {
  const QSignalBlocker quiet(reportAllLbx_);
  reportAllLbx_->clear();
  for (size_t row = 0; row < order_.size(); ++row) {
    const int32_t i = order_[row];
    const CProject& proposal = *report_->GxGetProject(i);
    std::string line = "Compatible Channels: " + TL_Str(proposal.GlGetOverallMics());
    if (proposal.GbSecondSystem()) {
      // The count of each system, "(8/4/6)".
      for (int32_t s = 0; s < proposal.GlSystems(); ++s)
        line += (s == 0 ? "(" : "/") + TL_Str(proposal.GcSystem(s)->GcMics()->GCount());
      line += ")";
    }
    // A proposal short of what was asked says so under its count, and why in its tooltip.
    const std::vector<Shortfall> shortfalls = ShortfallsOf(proposal, report_->GRequests());
    std::string why;
    for (const Shortfall& s : shortfalls) {
      line += "\n   " + ShortfallText(s, true, false);
      why += ShortfallText(s, true) + "\n";
    }
    auto* item = new QListWidgetItem(QString::fromStdString(line));
    item->setData(kMarginRole, MarginText(Margin(i)));
    // Two proposals of one count and margin read alike: the first frequency in which they differ
    // tells them apart.
    if (row > 0) {
      const std::string difference = FirstDifference(proposal, *report_->GxGetProject(order_[row - 1]));
      item->setData(kDifferenceRole, QString::fromStdString(difference.empty() ? "the same frequencies as the line above"
                                                                               : "first difference: " + difference));
    }
    item->setToolTip(QString::fromStdString(why) + sortMarginChk_->toolTip());
    reportAllLbx_->addItem(item);
  }
  const auto row = std::find(order_.begin(), order_.end(), selected_);
  if (row != order_.end()) reportAllLbx_->setCurrentRow(static_cast<int>(row - order_.begin()));
}

void Report_Form::SortByMargin(bool on) {
  if (sortMarginChk_->isChecked() != on) {
    sortMarginChk_->setChecked(on);  // comes back here through the box's signal
    return;
  }
  if (!report_) return;
  std::sort(order_.begin(), order_.end());
  if (on) {
    // Nothing to keep clear of counts as the most room; equal margins keep the list's order.
    std::stable_sort(order_.begin(), order_.end(), [this](int32_t a, int32_t b) {
      const std::optional<double> ma = Margin(a), mb = Margin(b);
      return !ma ? mb.has_value() : (mb && *ma > *mb);
    });
  }
  FillResults();
}

std::optional<double> Report_Form::Margin(int32_t i) const {
  if (i < 1 || i > static_cast<int32_t>(margins_.size())) return std::nullopt;
  return margins_[static_cast<size_t>(i - 1)];
}

void Report_Form::PrepareChannels(int row) {
  if (row < 0 || !report_ || row >= static_cast<int>(order_.size())) return;
  selected_ = order_[static_cast<size_t>(row)];
  const CProject& proposal = *report_->GxGetProject(selected_);
  // System 1 on the left, the others on the right; beyond two systems each under its name.
  const bool headings = proposal.GlSystems() > 2;
  reportOneLbx_->clear();
  FillChannels(reportOneLbx_, proposal, 0, headings);
  reportTwoLbx_->clear();
  reportTwoLbx_->setEnabled(false);
  for (int32_t s = 1; s < proposal.GlSystems(); ++s) {
    FillChannels(reportTwoLbx_, proposal, s, headings);
    reportTwoLbx_->setEnabled(true);
  }
}

ProjectRef Report_Form::Proposal() const {
  if (!report_ || selected_ < 1 || selected_ > report_->GlCount()) return nullptr;
  return report_->GxGetProject(selected_);
}

void Report_Form::Use() {
  const ProjectRef proposal = listNumber_ >= 1 ? Proposal() : nullptr;
  if (!proposal) return;
  app_.project = proposal->GGetCopy();
  app_.highlighted = 0;
  // The current project was replaced: it has unsaved changes and its products must be
  // generated again.
  TL_SetChanged(app_.flags, true, false, false, false);
  // The main window goes on naming what the proposal lacks while it stays the project as it is.
  MN_NotePlan(app_, report_->GRequests());
  ProjectHistory::Note(QStringLiteral("Use proposal"));
  MN_RefreshViews(2);
}

void Report_Form::Save() {
  const ProjectRef proposal = listNumber_ >= 1 ? Proposal() : nullptr;
  if (!proposal) return;
  std::string directory = app_.projectDir.empty() ? app_.appDir : app_.projectDir;
  std::string fileName = MN_OpenProjectName(app_);
  if (fileName.empty()) fileName = MN_FreeProjectName(directory);
  // Every existing file is asked about, the open project's own one too: the proposal is not it.
  if (!MN_ChooseSaveFile("Save Project As", kProjectSaveFilter, directory, fileName, MN_ProjectFileName)) return;
  MN_SaveProject(*proposal, directory, fileName);
  app_.projectDir = directory;
}

void Report_Form::Export() {
  if (report_) MN_ExportReport(app_, *report_);
}

void Report_Form::Discard() {
  // Inside the frame the child window goes with its contents.
  for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
      sub->close();
      return;
    }
  }
  close();
}

}  // namespace kova
