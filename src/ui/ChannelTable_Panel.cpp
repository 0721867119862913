#include "ui/ChannelTable_Panel.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QGridLayout>
#include <QPushButton>
#include <QTableWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/AppState.h"
#include "app/CheckConflicts.h"
#include "app/RegionCommands.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/ChannelClipboard.h"
#include "ui/EntryRules.h"
#include "ui/FlexGrid.h"
#include "ui/ProjectHistory.h"
#include "ui/SelectCountry_Form.h"
#include "ui/TablePanels.h"

namespace kova {

namespace {

constexpr int32_t kWhite = 0xFFFFFF;  // colour 15 of the 16-colour palette
const std::vector<double> kShares = {0.1, 0.3, 0.4, 0.1};

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

}  // namespace

ChannelTable_Panel::ChannelTable_Panel(AppState& app, QWidget* parent)
    : QGroupBox(QStringLiteral("Select Channels"), parent), app_(app) {
  setObjectName(QStringLiteral("MicSel_Frame"));
  table_ = MN_MakeGrid("flxSetup");
  table_->installEventFilter(this);
  setup_ = new FlexGrid(table_);
  auto* buttons = new QGridLayout;
  QPushButton* presets = MN_MakeButton(QStringLiteral("Presets"), QStringLiteral("SetupSelect_Cbt"));
  QPushButton* sort = MN_MakeButton(QStringLiteral("Sort"), QStringLiteral("MicSort_Cbt"));
  QPushButton* remove = MN_MakeButton(QStringLiteral("Remove"), QStringLiteral("SetupRem_Cbt"));
  QPushButton* shift = MN_MakeButton(QStringLiteral("Shift"), QStringLiteral("Shift_Cbt"));
  QPushButton* mirror = MN_MakeButton(QStringLiteral("Mirror"), QStringLiteral("Mirror_Cbt"));
  // Two rows, so that the table can be narrow on a small screen.
  int position = 0;
  for (QPushButton* b : {presets, sort, remove, shift, mirror}) {
    buttons->addWidget(b, position / 3, position % 3);
    ++position;
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);

  connect(setup_, &FlexGrid::beforeEdit, this, [this](int row, int col, bool& cancel) {
    cancel = !(row >= 1 && (col == 1 || col == 2));
    if (!cancel) textBeforeEdit_ = setup_->TextMatrix(row, col);
  });
  connect(setup_, &FlexGrid::afterEdit, this,
          [this](int row, int col) { MN_Guarded("Main_Form", [this, row, col] { AfterEdit(row, col); }); });
  connect(setup_, &FlexGrid::mouseDown, this, [this] {
    downRow_ = setup_->MouseRow();
    downCol_ = setup_->MouseCol();
  });
  connect(setup_, &FlexGrid::click, this, [this] { MN_Guarded("Main_Form", [this] { Click(); }); });
  connect(setup_, &FlexGrid::rowColChange, this, [this] {
    if (updating_) return;
    const int row = setup_->Row();
    if (row > 0 && row < setup_->Rows() - 1) {
      app_.highlighted = row;
      MN_RefreshViews(0);
    }
  });
  connect(setup_, &FlexGrid::deletePressed, this, [this] { Run([this] { EditSelected(0); }); });
  // Undo pressed in a cell editor that holds no typing of its own undoes the last change.
  connect(setup_, &FlexGrid::undoRequested, this, [] {
    if (ProjectHistory* history = ProjectHistory::Current()) history->Stack()->undo();
  });
  connect(presets, &QPushButton::clicked, this, [this] { Run([this] { FromPresets(); }); });
  connect(sort, &QPushButton::clicked, this, [this] { Run([this] { Sort(); }); });
  connect(remove, &QPushButton::clicked, this, [this] { Run([this] { EditSelected(0); }); });
  connect(shift, &QPushButton::clicked, this, [this] { Run([this] { EditSelected(1); }); });
  connect(mirror, &QPushButton::clicked, this, [this] { Run([this] { EditSelected(2); }); });
}

bool ChannelTable_Panel::eventFilter(QObject* watched, QEvent* event) {
  // The table keeps its column shares when the window is resized.
  if (event->type() == QEvent::Resize && watched == table_) MN_SetShares(*setup_, kShares);
  return QGroupBox::eventFilter(watched, event);
}

void ChannelTable_Panel::Run(const std::function<void()>& action) {
  if (command)
    command(action);
  else
    MN_Guarded("Main_Form", action);
}

void ChannelTable_Panel::RefreshDisplay() { MN_RefreshViews(3); }

void ChannelTable_Panel::EndEdit() { setup_->EndEdit(); }

void ChannelTable_Panel::ShowHighlighted() {
  if (app_.highlighted >= 1 && app_.highlighted < setup_->Rows() - 1) {
    GuardScope guard(updating_);
    setup_->Select(app_.highlighted, std::clamp(setup_->Col(), 1, 2));
    table_->scrollToItem(table_->item(app_.highlighted - 1, 0));
  }
}

void ChannelTable_Panel::ShowConflictMarks() {
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

void ChannelTable_Panel::Prepare() {
  GuardScope guard(updating_);
  const CSystemInstance& system = *app_.project->GcCurrSystem();
  const CMicCollection& mics = *system.GcMics();
  // Filling paints the colour cells through the cursor; the user's cursor comes back afterwards.
  const int cursorRow = setup_->Row();
  const int cursorCol = setup_->Col();
  setup_->SetFixed(1, 1);
  setup_->SetCols(4);
  MN_SetShares(*setup_, kShares);
  setup_->SetRows(mics.GCount() + 1);
  setup_->SetTextMatrix(0, 1, QStringLiteral("Frq. [MHz]"));
  setup_->SetTextMatrix(0, 2, QStringLiteral("Label"));
  setup_->SetTextMatrix(0, 3, QStringLiteral("Color"));
  for (int32_t i = 1; i <= mics.GCount(); ++i) {
    const MicRef& mic = mics.GcItem(i);
    setup_->SetTextMatrix(i, 0, QString::number(i));
    setup_->SetTextMatrix(i, 1, MN_FreqText(mic->GfGetFreq()));
    setup_->SetTextMatrix(i, 2, Q(mic->GsGetLabel()));
    setup_->SetTextMatrix(i, 3, QString());
    setup_->Select(i, 3);
    setup_->SetCellBackColor(mic->GlGetColor());
  }
  MN_FitHeads(*setup_, kShares);
  AddRow();
  setup_->Select(std::clamp(cursorRow, 1, setup_->Rows() - 1), std::clamp(cursorCol, 1, 2));
  ShowCount();
  // The rows are new: every mark is put on again.
  shownMarks_.clear();
  for (int row = 1; row < setup_->Rows(); ++row) setup_->SetCellMark(row, 1, QColor(), QString());
  ShowConflictMarks();
}

void ChannelTable_Panel::AddRow() {
  GuardScope guard(updating_);
  const int col = std::max(1, setup_->Col());
  const int r = setup_->Rows();
  setup_->SetRows(r + 1);
  setup_->SetTextMatrix(r, 0, QString::number(r));
  setup_->SetTextMatrix(r, 1, MN_FreqText(0));
  setup_->SetTextMatrix(r, 2, QString());
  setup_->SetTextMatrix(r, 3, QString());
  setup_->Select(r, 3);
  setup_->SetCellBackColor(kWhite);
  setup_->Select(r, col);
}

void ChannelTable_Panel::ShowCount() {
  setTitle(QStringLiteral("Select Channels (%1/%2)")
               .arg(app_.project->GcCurrSystem()->GcMics()->GCount())
               .arg(app_.project->GlGetOverallMics()));
  if (countsChanged) countsChanged();
}

void ChannelTable_Panel::Store() {
  CSystemInstance& system = *app_.project->GcCurrSystem();
  CMicCollection& mics = *system.GcMics();
  const CSystemType& type = *system.GcSystemType();
  mics.GDefine();
  GuardScope guard(updating_);
  const int row = setup_->Row(), col = setup_->Col(), rowSel = setup_->RowSel(), colSel = setup_->ColSel();
  for (int i = 1; i <= setup_->Rows() - 2; ++i) {
    const double f = TL_Clamp(MN_CellNumber(setup_->TextMatrix(i, 1)), 10.0, 1000.0);
    const std::string label = S(setup_->TextMatrix(i, 2));
    mics.GAddMic(label, type.GsGetLabel(), static_cast<float>(f), setup_->CellBackColor(i, 3), type.GlGetFlags(), 0, 0);
  }
  setup_->Select(row, col, rowSel, colSel);
}

bool ChannelTable_Panel::CheckCell(int row, int col) {
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
  const double typed = MN_CellNumber(text);
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
  setup_->SetTextMatrix(row, col, MN_FreqText(f));
  return true;
}

void ChannelTable_Panel::AfterEdit(int row, int col) {
  const bool kept = CheckCell(row, col);
  if (row <= 0 || col <= 0) return;
  // A dropped edit, or one that leaves the cell as it was, changes nothing; Enter still moves on.
  if (!kept || setup_->TextMatrix(row, col) == textBeforeEdit_) {
    if (row < setup_->Rows() - 1 && setup_->LastEditEnd() == FlexGrid::EditEnd::Down) setup_->Select(row + 1, col);
    return;
  }
  if (col == 1 || col == 2) {
    if (row == setup_->Rows() - 1 &&
        (MN_CellNumber(setup_->TextMatrix(row, 1)) != 0 || !TL_Trim(S(setup_->TextMatrix(row, 2))).empty()))
      AddRow();
    if (row < setup_->Rows() - 1 && setup_->LastEditEnd() == FlexGrid::EditEnd::Down) setup_->Select(row + 1, col);
  }
  Store();
  ShowCount();
  changed(QStringLiteral("Edit channel"));
  RefreshDisplay();
}

void ChannelTable_Panel::Click() {
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
    Store();
    changed(QStringLiteral("Change channel colour"));
    RefreshDisplay();
  }
}

void ChannelTable_Panel::EditSelected(int mode, const char* verb) {
  if (setup_->Rows() < 3 || setup_->Row() == setup_->Rows() - 1) return;
  double value = 0;
  if (mode == 1 || mode == 2) {
    std::string text = MN_FormatFreq(mode == 1 ? 0.0 : 500.0);
    if (!askValue(mode == 1 ? "Shift by : " : "Mirror at : ", text)) return;
    value = mode == 1 ? TL_Clamp(TL_ParseNumber(text), -1000.0, 1000.0) : TL_Clamp(TL_ParseNumber(text), 0.0, 1000.0);
  }
  const int cursor = setup_->Row();
  int end = setup_->RowSel();
  Store();
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
  Prepare();
  app_.highlighted = 0;
  const int n = end - cursor + 1;
  if (mode != 0) verb = mode == 1 ? "Shift" : "Mirror";
  changed(QStringLiteral("%1 %2 channel%3").arg(QLatin1String(verb)).arg(n).arg(n == 1 ? "" : "s"));
  RefreshDisplay();
}

void ChannelTable_Panel::Copy() {
  Run([this] {
    const int last = std::min(setup_->RowSel(), setup_->Rows() - 2);
    const QString text = ChannelClipboard::Text(*app_.project->GcCurrSystem()->GcMics(), setup_->Row(), last);
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
  });
}

void ChannelTable_Panel::Cut() {
  Copy();
  Run([this] { EditSelected(0, "Cut"); });
}

void ChannelTable_Panel::Paste() {
  Run([this] {
    ChannelClipboard::Pasted pasted = ChannelClipboard::Read(QApplication::clipboard()->text());
    const int32_t slot = app_.project->GlCurr();
    ChannelClipboard::KeepTunable(pasted, *app_.project->GcSystem(slot)->GcSystemType());
    std::string tooMany;
    if (!MN_ImportFits(*app_.project, slot, pasted.entries, tooMany)) {
      TL_ShowInfo("Nothing pasted: " + tooMany + ".", kAppTitle);
      return;
    }
    const std::vector<ImportedChannel> added = MN_ImportFrequencyList(*app_.project, slot, pasted.entries);
    const auto n = static_cast<int>(added.size());
    if (n > 0) {
      Prepare();
      changed(n == 1 ? QStringLiteral("Paste 1 channel") : QStringLiteral("Paste %1 channels").arg(n));
      RefreshDisplay();
    }
    const QString report = n == 0 && pasted.skipped.empty() ? QStringLiteral("The clipboard holds no frequency.")
                                                            : ChannelClipboard::Report(pasted, n);
    if (!report.isEmpty()) TL_ShowInfo(S(report), kAppTitle);
  });
}

void ChannelTable_Panel::Sort() {
  CMicCollection& mics = *app_.project->GcCurrSystem()->GcMics();
  if (mics.GCount() < 2) return;
  mics.GSortMics(mics.GcItem(1)->GfGetFreq() < mics.GcItem(mics.GCount())->GfGetFreq());
  reordered(QStringLiteral("Sort channels"));
  Prepare();
}

void ChannelTable_Panel::FromPresets() {
  CSystemInstance& system = *app_.project->GcCurrSystem();
  CMicCollection& mics = *system.GcMics();
  auto temp = std::make_shared<CSpectrum>();
  temp->GDefine();
  for (int32_t i = 1; i <= mics.GCount(); ++i) {
    const float f = mics.GcItem(i)->GfGetFreq();
    temp->GAddBand(f, f, 1.0f);
  }
  bool keptOld = false;
  if (chooseFromList(SelectCountry_Form::kPresets, temp, system.GcSystemType(), keptOld, nullptr) != 1) return;
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
  Prepare();
  app_.highlighted = 0;
  changed(QStringLiteral("Channels from presets"));
  RefreshDisplay();
}

}  // namespace kova
