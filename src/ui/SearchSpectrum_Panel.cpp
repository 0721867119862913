#include "ui/SearchSpectrum_Panel.h"

#include <QEvent>
#include <QGridLayout>
#include <QPushButton>
#include <QTableWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include "app/AppState.h"
#include "app/RegionCommands.h"
#include "tools/Tools.h"
#include "ui/EntryRules.h"
#include "ui/FlexGrid.h"
#include "ui/ProjectHistory.h"
#include "ui/TablePanels.h"

namespace kova {

namespace {

const std::vector<double> kShares = {0.1, 0.4, 0.4};

}  // namespace

SearchSpectrum_Panel::SearchSpectrum_Panel(AppState& app, QWidget* parent)
    : QGroupBox(QStringLiteral("Search Spectrum"), parent), app_(app) {
  setObjectName(QStringLiteral("Spectrum_Frame"));
  table_ = MN_MakeGrid("flxSpectrum");
  table_->installEventFilter(this);
  spectrum_ = new FlexGrid(table_);
  auto* buttons = new QGridLayout;
  // Two buttons a row, so that the table can be narrow on a small screen.
  const char* selectCaptions[3] = {"Select TV Channels", "Presets", "Range"};
  for (int k = 0; k < 3; ++k) {
    QPushButton* b = MN_MakeButton(QString::fromLatin1(selectCaptions[k]), QStringLiteral("SpectrumSelect_Cbt_%1").arg(k));
    buttons->addWidget(b, k / 2, k % 2);
    connect(b, &QPushButton::clicked, this, [this, k] { Run([this, k] { SelectSpectrum(k); }); });
  }
  QPushButton* sort = MN_MakeButton(QStringLiteral("Sort"), QStringLiteral("SpectrumSort_Cbt"));
  QPushButton* remove = MN_MakeButton(QStringLiteral("Remove"), QStringLiteral("SpectrumRem_Cbt"));
  buttons->addWidget(sort, 1, 1);
  buttons->addWidget(remove, 2, 0);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);

  connect(spectrum_, &FlexGrid::beforeEdit, this, [this](int row, int col, bool& cancel) {
    cancel = !(row >= 1 && (col == 1 || col == 2));
    if (!cancel) textBeforeEdit_ = spectrum_->TextMatrix(row, col);
  });
  connect(spectrum_, &FlexGrid::afterEdit, this,
          [this](int row, int col) { MN_Guarded("Main_Form", [this, row, col] { AfterEdit(row, col); }); });
  connect(spectrum_, &FlexGrid::click, this, [this] {
    const int row = spectrum_->MouseRow();
    const int col = spectrum_->MouseCol();
    if ((col == 1 || col == 2) && row > 0) {
      spectrum_->Select(row, col);
      spectrum_->EditCell();
    }
  });
  connect(spectrum_, &FlexGrid::deletePressed, this, [this] { Run([this] { RemoveBands(); }); });
  // Undo pressed in a cell editor that holds no typing of its own undoes the last change.
  connect(spectrum_, &FlexGrid::undoRequested, this, [] {
    if (ProjectHistory* history = ProjectHistory::Current()) history->Stack()->undo();
  });
  connect(sort, &QPushButton::clicked, this, [this] { Run([this] { SortBands(); }); });
  connect(remove, &QPushButton::clicked, this, [this] { Run([this] { RemoveBands(); }); });
}

bool SearchSpectrum_Panel::eventFilter(QObject* watched, QEvent* event) {
  // The table keeps its column shares when the window is resized.
  if (event->type() == QEvent::Resize && watched == table_) MN_SetShares(*spectrum_, kShares);
  return QGroupBox::eventFilter(watched, event);
}

void SearchSpectrum_Panel::Run(const std::function<void()>& action) {
  if (command)
    command(action);
  else
    MN_Guarded("Main_Form", action);
}

void SearchSpectrum_Panel::EndEdit() { spectrum_->EndEdit(); }

void SearchSpectrum_Panel::Prepare() {
  const CSpectrum& spectrum = *app_.project->GcSpectrum();
  shownSystem_ = app_.project->GlCurr();
  spectrum_->SetFixed(1, 1);
  spectrum_->SetCols(3);
  MN_SetShares(*spectrum_, kShares);
  spectrum_->SetRows(spectrum.GlBands() + 1);
  spectrum_->SetTextMatrix(0, 1, QStringLiteral("From [MHz]"));
  spectrum_->SetTextMatrix(0, 2, QStringLiteral("To [MHz]"));
  for (int32_t i = 1; i <= spectrum.GlBands(); ++i) {
    const BandRef band = spectrum.GxGetBand(i);
    spectrum_->SetTextMatrix(i, 0, QString::number(i));
    spectrum_->SetTextMatrix(i, 1, MN_FreqText(band->GfLo()));
    spectrum_->SetTextMatrix(i, 2, MN_FreqText(band->GfHi()));
  }
  MN_FitHeads(*spectrum_, kShares);
  AddRow();
  ShowBandCount();
}

void SearchSpectrum_Panel::AddRow() {
  const int r = spectrum_->Rows();
  spectrum_->SetRows(r + 1);
  spectrum_->SetTextMatrix(r, 0, QString::number(r));
  spectrum_->SetTextMatrix(r, 1, MN_FreqText(0));
  spectrum_->SetTextMatrix(r, 2, MN_FreqText(0));
}

void SearchSpectrum_Panel::ShowBandCount() {
  setTitle(QStringLiteral("Search Spectrum (%1)").arg(app_.project->GcSpectrum()->GlBands()));
}

bool SearchSpectrum_Panel::CheckCell(int row, int col) {
  if (row < 1 || row > spectrum_->Rows() - 1 || (col != 1 && col != 2)) return true;
  const TypedText kind = MN_ClassifyTyped(spectrum_->TextMatrix(row, col));
  if (kind != TypedText::Number) {
    // Not a frequency: the band keeps its edge instead of moving to 10 MHz.
    if (kind == TypedText::NotANumber) TL_ShowInfo(kEnterFrequency, kAppTitle);
    spectrum_->SetTextMatrix(row, col, textBeforeEdit_);
    return false;
  }
  double v = MN_CellNumber(spectrum_->TextMatrix(row, col));
  if (v != 0) v = TL_Clamp(v, 10.0, 1000.0);
  // A band never ends below its start: a "To" below the row's "From" is refused.
  const double from = MN_CellNumber(spectrum_->TextMatrix(row, 1));
  if (col == 2 && v != 0 && from != 0 && v < TL_Clamp(from, 10.0, 1000.0)) {
    TL_ShowInfo("A band cannot end below its start: \"To\" (" + MN_FormatFreq(v) + ") lies below \"From\" (" +
                    MN_FormatFreq(TL_Clamp(from, 10.0, 1000.0)) + ").",
                kAppTitle);
    spectrum_->SetTextMatrix(row, col, textBeforeEdit_);
    return false;
  }
  spectrum_->SetTextMatrix(row, col, MN_FreqText(v));
  if (col == 1) {
    double w = TL_Clamp(MN_CellNumber(spectrum_->TextMatrix(row, 2)), 10.0, 1000.0);
    if (v > w) w = v;
    spectrum_->SetTextMatrix(row, 2, MN_FreqText(w));
  }
  return true;
}

void SearchSpectrum_Panel::AfterEdit(int row, int col) {
  if (!CheckCell(row, col)) return;
  if (row <= 0 || col <= 0) return;
  const bool grows = row == spectrum_->Rows() - 1 && MN_CellNumber(spectrum_->TextMatrix(row, col)) != 0;
  if (!grows && StoredMatchesGrid()) {
    // Nothing changed (the edit left the row as it was): no change to record.
    if (row < spectrum_->Rows() - 1 && spectrum_->LastEditEnd() == FlexGrid::EditEnd::Down) spectrum_->Select(row + 1, col);
    return;
  }
  if ((col == 1 || col == 2) && row == spectrum_->Rows() - 1 && MN_CellNumber(spectrum_->TextMatrix(row, col)) != 0)
    AddRow();
  Store();
  ShowBandCount();
  changed(QStringLiteral("Edit search spectrum"));
  MN_RefreshViews(3);
  // Enter moves down as in the channel table.
  if (row < spectrum_->Rows() - 1 && spectrum_->LastEditEnd() == FlexGrid::EditEnd::Down) spectrum_->Select(row + 1, col);
}

float SearchSpectrum_Panel::GridEdge(int row, int col) const {
  return static_cast<float>(TL_Clamp(MN_CellNumber(spectrum_->TextMatrix(row, col)), 10.0, 1000.0));
}

void SearchSpectrum_Panel::Store() {
  CSpectrum& spectrum = *app_.project->GcSpectrum();
  spectrum.GDefine();
  for (int i = 1; i <= spectrum_->Rows() - 2; ++i) spectrum.GAddBand(GridEdge(i, 1), GridEdge(i, 2), 1.0f);
}

bool SearchSpectrum_Panel::StoredMatchesGrid() const {
  const CSpectrum& spectrum = *app_.project->GcSpectrum();
  if (spectrum.GlBands() != spectrum_->Rows() - 2) return false;
  for (int i = 1; i <= spectrum.GlBands(); ++i) {
    const BandRef band = spectrum.GxGetBand(i);
    if (band->GfLo() != GridEdge(i, 1) || band->GfHi() != GridEdge(i, 2)) return false;
  }
  return true;
}

void SearchSpectrum_Panel::RemoveBands() {
  if (spectrum_->Rows() < 3 || spectrum_->Row() == spectrum_->Rows() - 1) return;
  const int cursor = spectrum_->Row();
  int end = spectrum_->RowSel();
  Store();
  if (end == spectrum_->Rows() - 1) --end;
  CSpectrum& spectrum = *app_.project->GcSpectrum();
  for (int i = end; i >= cursor; --i) spectrum.GDelBand(i);
  Prepare();
  const int n = end - cursor + 1;
  changed(QStringLiteral("Remove %1 band%2").arg(n).arg(n == 1 ? "" : "s"));
  MN_RefreshViews(3);
}

void SearchSpectrum_Panel::SortBands() {
  CSpectrum& spectrum = *app_.project->GcSpectrum();
  if (spectrum.GlBands() < 1) return;
  spectrum.GSortBands(spectrum.GxGetBand(1)->GfLo() < spectrum.GxGetBand(spectrum.GlBands())->GfLo());
  reordered(QStringLiteral("Sort bands"));
  Prepare();
}

void SearchSpectrum_Panel::SelectSpectrum(int32_t mode) {
  SpectrumRef spectrum = app_.project->GcSpectrum();
  const int32_t own = spectrum->GlBands();
  bool keptOld = false, everySystem = false;
  if (chooseBands(mode, spectrum, app_.project->GcCurrSystem()->GcSystemType(), keptOld, &everySystem) != 1) return;
  app_.project->GcSpectrum(spectrum);
  // Every system changes in the same undo step.
  if (everySystem) MN_ShareNewBands(*app_.project, keptOld ? own : 0, keptOld);
  changed(everySystem ? QStringLiteral("Choose search spectrum of every system")
                      : QStringLiteral("Choose search spectrum"));
  Prepare();
  MN_RefreshViews(3);
}

}  // namespace kova
