#include "ui/Report_Form.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/Storage.h"
#include "app/TextExport.h"
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

// One line per channel: frequency and label.
void FillChannels(QListWidget* list, const CSystemInstance& system) {
  list->clear();
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
  useCbt_ = Button("Use_Cbt", "Use", resultsFrame_);
  saveCbt_ = Button("Save_Cbt", "Save", resultsFrame_);
  auto* resultButtons = new QHBoxLayout;
  resultButtons->addWidget(useCbt_);
  resultButtons->addWidget(saveCbt_);
  auto* results = new QVBoxLayout(resultsFrame_);
  results->addWidget(reportAllLbx_, 1);
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
  connect(useCbt_, &QPushButton::clicked, this, [this] { Use(); });
  connect(saveCbt_, &QPushButton::clicked, this, [this] { Save(); });
  connect(exportCbt_, &QPushButton::clicked, this, [this] { Export(); });
  connect(closeCbt_, &QPushButton::clicked, this, [this] { Discard(); });

  MN_ApplyFormStyle(this);
  // Wide enough for the longest lines in the bold style font.
  const int margin = reportAllLbx_->verticalScrollBar()->sizeHint().width() + 4 * reportAllLbx_->frameWidth() + 8;
  reportAllLbx_->setMinimumWidth(
      reportAllLbx_->fontMetrics().horizontalAdvance(QStringLiteral("Compatible Channels: 000(000/000)")) + margin);
  for (QListWidget* list : {reportOneLbx_, reportTwoLbx_})
    list->setMinimumWidth(list->fontMetrics().horizontalAdvance(QStringLiteral(" 000.000 MHz Mic000")) + margin);
  resize(minimumSizeHint().expandedTo(QSize(600, 340)));
}

void Report_Form::GShowReport(int32_t iReport) {
  listNumber_ = iReport;
  selected_ = 0;
  report_.reset();
  reportAllLbx_->clear();
  reportOneLbx_->clear();
  reportTwoLbx_->clear();
  reportTwoLbx_->setEnabled(false);
  try {
    report_ = app_.proposals->GxGetItem(iReport);
  } catch (const std::out_of_range&) {
    return;  // no such list: the window stays empty
  }

  for (int32_t i = 1; i <= report_->GlCount(); ++i) {
    const CProject& proposal = *report_->GxGetProject(i);
    std::string line = "Compatible Channels: " + TL_Str(proposal.GlGetOverallMics());
    if (proposal.GbSecondSystem())
      line += "(" + TL_Str(proposal.GcSystem(0)->GcMics()->GCount()) + "/" +
              TL_Str(proposal.GcSystem(1)->GcMics()->GCount()) + ")";
    reportAllLbx_->addItem(QString::fromStdString(line));
  }
  if (reportAllLbx_->count() > 0) reportAllLbx_->setCurrentRow(0);
}

void Report_Form::PrepareChannels(int row) {
  if (row < 0 || !report_ || row >= report_->GlCount()) return;
  selected_ = row + 1;
  const CProject& proposal = *report_->GxGetProject(selected_);
  FillChannels(reportOneLbx_, *proposal.GcSystem(0));
  reportTwoLbx_->clear();
  reportTwoLbx_->setEnabled(false);
  if (proposal.GbSecondSystem()) {
    FillChannels(reportTwoLbx_, *proposal.GcSystem(1));
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
  ProjectHistory::Note(QStringLiteral("Use proposal"));
  MN_RefreshViews(2);
}

void Report_Form::Save() {
  const ProjectRef proposal = listNumber_ >= 1 ? Proposal() : nullptr;
  if (!proposal) return;
  std::string directory = app_.projectDir.empty() ? app_.appDir : app_.projectDir;
  std::string fileName = app_.projectFile.empty() ? "*.kova" : app_.projectFile;
  int filterIndex = 1;
  if (TL_SaveFileDialog("Save Project As", directory, fileName, kProjectSaveFilter, filterIndex) == 0) return;
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
