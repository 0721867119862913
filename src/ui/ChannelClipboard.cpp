#include "ui/ChannelClipboard.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <algorithm>

#include "model/CProject.h"
#include "model/CSystemType.h"
#include "tools/Tools.h"
#include "ui/FlexGrid.h"
#include "ui/Main_Form.h"

namespace kova {

QString ChannelClipboard::Text(const CMicCollection& mics, int first, int last) {
  QString text;
  for (int i = std::max(first, 1); i <= std::min(last, mics.GCount()); ++i) {
    const MicRef& mic = mics.GcItem(i);
    text += QString::fromStdString(MN_FormatFreq(mic->GfGetFreq())) + QLatin1Char('\t') +
            QString::fromStdString(mic->GsGetLabel()) + QLatin1Char('\n');
  }
  return text;
}

namespace {

// A frequency in MHz as a field of pasted text holds it ("610.500", "610,5", "610.5 MHz"); false
// for anything else or a frequency beyond 0 … 1000 MHz.
bool PastedFrequency(QString field, double& mhz) {
  field = field.trimmed();
  if (field.endsWith(QLatin1String("mhz"), Qt::CaseInsensitive)) field.chop(3);
  const std::string s = field.trimmed().toStdString();
  if (!TL_IsNumber(s)) return false;
  mhz = TL_ParseNumber(s);
  return mhz > 0.0 && mhz <= 1000.0;
}

}  // namespace

ChannelClipboard::Pasted ChannelClipboard::Read(const QString& text) {
  Pasted pasted;
  const QStringList lines = QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')).split(QLatin1Char('\n'));
  int number = 0;
  for (const QString& raw : lines) {
    ++number;
    const QString line = raw.trimmed();
    if (line.isEmpty()) continue;
    // Cells as a table or a list separates them; in plain text the first word is the frequency
    // and the rest the label.
    QStringList fields;
    if (line.contains(QLatin1Char('\t')))
      fields = line.split(QLatin1Char('\t'));
    else if (line.contains(QLatin1Char(';')))
      fields = line.split(QLatin1Char(';'));
    else
      fields = {line.section(QLatin1Char(' '), 0, 0), line.section(QLatin1Char(' '), 1).trimmed()};
    FrequencyListEntry entry;
    entry.line = number;
    int freqField = -1;
    for (int i = 0; i < fields.size() && freqField < 0; ++i)
      if (PastedFrequency(fields[i], entry.mhz)) freqField = i;
    if (freqField < 0) {
      // A first line without any digit names the columns (a copied table's head).
      const bool head = pasted.entries.empty() && pasted.skipped.empty() &&
                        std::none_of(line.begin(), line.end(), [](QChar c) { return c.isDigit(); });
      QString shown = line.left(40);
      shown.replace(QLatin1Char('\t'), QLatin1Char(' '));
      pasted.skipped.push_back({number, (head ? QStringLiteral("line %1 (%2): heading, no frequency")
                                              : QStringLiteral("line %1 (%2): no frequency"))
                                            .arg(number)
                                            .arg(shown.simplified())});
      continue;
    }
    for (int i = 0; i < fields.size() && entry.label.empty(); ++i)
      if (i != freqField) entry.label = fields[i].trimmed().toStdString();
    pasted.entries.push_back(entry);
  }
  return pasted;
}

void ChannelClipboard::KeepTunable(Pasted& pasted, const CSystemType& type) {
  const CSpectrum& tuning = *type.GxSpectrum();
  QString ranges;
  for (int32_t i = 1; i <= tuning.GlBands(); ++i) {
    const BandRef band = tuning.GxGetBand(i);
    if (!ranges.isEmpty()) ranges += QStringLiteral(", ");
    ranges += QString::fromStdString(MN_FormatFreq(band->GfLo()) + "\u2013" + MN_FormatFreq(band->GfHi()));
  }
  const QString name = QString::fromStdString(type.GsGetLabel());
  std::vector<FrequencyListEntry> kept;
  for (const FrequencyListEntry& e : pasted.entries) {
    const auto f = static_cast<float>(e.mhz);
    const float gridPoint = tuning.GfGetFreqNext(f);
    if (TL_RoundDecimals(e.mhz, 3) == TL_RoundDecimals(gridPoint, 3)) {
      kept.push_back(e);
      continue;
    }
    const QString given = QString::fromStdString(MN_FormatFreq(e.mhz));
    if (tuning.GIsFreqAvailable(f, 0.0f))
      pasted.skipped.push_back({e.line, QStringLiteral("%1: off the tuning grid of %2 (nearest point %3 MHz)")
                                            .arg(given, name, QString::fromStdString(MN_FormatFreq(gridPoint)))});
    else
      pasted.skipped.push_back({e.line, QStringLiteral("%1: outside the tuning range%2 %3 MHz of %4")
                                            .arg(given, tuning.GlBands() > 1 ? QStringLiteral("s") : QString(),
                                                 ranges, name)});
  }
  pasted.entries = std::move(kept);
  std::stable_sort(pasted.skipped.begin(), pasted.skipped.end(),
                   [](const Skipped& a, const Skipped& b) { return a.line < b.line; });
}

QString ChannelClipboard::Report(const Pasted& pasted, int added) {
  if (pasted.skipped.empty()) return {};
  QString text = added == 0   ? QStringLiteral("No channel pasted.")
                 : added == 1 ? QStringLiteral("1 channel pasted.")
                              : QStringLiteral("%1 channels pasted.").arg(added);
  text += QStringLiteral("\n\nNot added:");
  for (const Skipped& s : pasted.skipped) text += QLatin1Char('\n') + s.text;
  return text;
}

namespace {

// The selected cells of a table as text: a tab between cells, one row a line.
QString SelectedCells(const QAbstractItemView& view) {
  QModelIndexList cells = view.selectionModel() ? view.selectionModel()->selectedIndexes() : QModelIndexList();
  std::sort(cells.begin(), cells.end(), [](const QModelIndex& a, const QModelIndex& b) {
    return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
  });
  QString text;
  for (int i = 0; i < cells.size(); ++i) {
    text += cells[i].data().toString();
    const bool rowEnds = i + 1 == cells.size() || cells[i + 1].row() != cells[i].row();
    text += rowEnds ? QLatin1Char('\n') : QLatin1Char('\t');
  }
  return text;
}

// The widget that has the focus, or the view whose cell editor or viewport has it.
template <class T>
T* Focused(QWidget* focus) {
  for (QWidget* w = focus; w; w = w->parentWidget())
    if (auto* found = qobject_cast<T*>(w)) return found;
  return nullptr;
}

}  // namespace

void MN_RunEditAction(EditAction action, Main_Form* editor) {
  QWidget* focus = QApplication::focusWidget();
  if (auto* box = qobject_cast<QLineEdit*>(focus)) {
    switch (action) {
      case EditAction::kCut: box->cut(); break;
      case EditAction::kCopy: box->copy(); break;
      case EditAction::kPaste: box->paste(); break;
      case EditAction::kSelectAll: box->selectAll(); break;
    }
    return;
  }
  if (auto* text = qobject_cast<QPlainTextEdit*>(focus)) {
    if (action == EditAction::kCopy) text->copy();
    if (action == EditAction::kSelectAll) text->selectAll();
    if (!text->isReadOnly() && action == EditAction::kCut) text->cut();
    if (!text->isReadOnly() && action == EditAction::kPaste) text->paste();
    return;
  }
  auto* view = Focused<QAbstractItemView>(focus);
  if (!view) return;
  if (editor && view == editor->SetupGrid().Table()) {
    switch (action) {
      case EditAction::kCut: editor->CutChannels(); break;
      case EditAction::kCopy: editor->CopyChannels(); break;
      case EditAction::kPaste: editor->PasteChannels(); break;
      case EditAction::kSelectAll: view->selectAll(); break;
    }
    return;
  }
  if (action == EditAction::kSelectAll) view->selectAll();
  if (action == EditAction::kCopy) QApplication::clipboard()->setText(SelectedCells(*view));
}

}  // namespace kova
