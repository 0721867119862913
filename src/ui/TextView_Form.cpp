#include "ui/TextView_Form.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <vector>

#include "tools/TextFile.h"
#include "tools/Tools.h"
#include "ui/FormStyle.h"

namespace kova {

TextView_Form::TextView_Form(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("TextView_Form"));

  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("Text_Txt"));
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->installEventFilter(this);

  findBar_ = new QWidget(this);
  findBar_->setObjectName(QStringLiteral("Find_Bar"));
  findBox_ = new QLineEdit(findBar_);
  findBox_->setObjectName(QStringLiteral("Find_Txt"));
  findBox_->setClearButtonEnabled(true);
  auto* next = new QPushButton(QStringLiteral("Find Next"), findBar_);
  next->setObjectName(QStringLiteral("FindNext_Cbt"));
  next->setAutoDefault(false);
  auto* close = new QPushButton(QStringLiteral("Close"), findBar_);
  close->setObjectName(QStringLiteral("FindClose_Cbt"));
  close->setAutoDefault(false);
  findNote_ = new QLabel(findBar_);
  findNote_->setObjectName(QStringLiteral("FindNote_Lbl"));

  auto* bar = new QHBoxLayout(findBar_);
  bar->setContentsMargins(0, 0, 0, 0);
  bar->addWidget(new QLabel(QStringLiteral("Find:"), findBar_));
  bar->addWidget(findBox_, 1);
  bar->addWidget(next);
  bar->addWidget(findNote_, 1);
  bar->addWidget(close);
  findBar_->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(text_, 1);
  layout->addWidget(findBar_);

  MN_ApplyFormStyle(this);
  // The text keeps the desktop's fixed-width font, so the columns of a log line up; the common
  // style set its own bold font on the text box and its viewport, whose weight the fixed font
  // would otherwise take over.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setWeight(QFont::Normal);
  text_->setFont(fixed);
  text_->viewport()->setFont(fixed);

  const QFontMetrics metrics(fixed);
  resize(metrics.horizontalAdvance(QLatin1Char('0')) * 90 + 40, metrics.lineSpacing() * 30 + 40);

  connect(findBox_, &QLineEdit::returnPressed, this, &TextView_Form::FindNext);
  // Typing searches again from the start of the current match, so that a longer word stays on
  // the same place while it still matches.
  connect(findBox_, &QLineEdit::textEdited, this, [this] { FindFrom(text_->textCursor().selectionStart()); });
  connect(next, &QPushButton::clicked, this, &TextView_Form::FindNext);
  connect(close, &QPushButton::clicked, this, &TextView_Form::CloseFindBar);

  auto* find = new QShortcut(QKeySequence::Find, this);
  find->setContext(Qt::WidgetWithChildrenShortcut);
  connect(find, &QShortcut::activated, this, &TextView_Form::ShowFindBar);
  auto* findNext = new QShortcut(QKeySequence(Qt::Key_F3), this);
  findNext->setContext(Qt::WidgetWithChildrenShortcut);
  connect(findNext, &QShortcut::activated, this, [this] {
    if (findBox_->text().isEmpty()) ShowFindBar();
    else FindNext();
  });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), findBar_);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, &TextView_Form::CloseFindBar);
}

bool TextView_Form::LoadFile(const std::string& path) {
  std::vector<std::string> lines;
  if (!TL_ReadTextLines(path, lines)) return false;
  QStringList text;
  text.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) text << QString::fromStdString(line);
  text_->setPlainText(text.join(QLatin1Char('\n')));
  path_ = path;
  setWindowTitle(QString::fromStdString(TL_GetFileName(path)));
  setToolTip(QString::fromStdString(path));
  return true;
}

void TextView_Form::ShowFindBar() {
  findBar_->show();
  findBox_->setFocus(Qt::ShortcutFocusReason);
  findBox_->selectAll();
}

void TextView_Form::CloseFindBar() {
  findBar_->hide();
  findNote_->clear();
  text_->setFocus(Qt::OtherFocusReason);
}

bool TextView_Form::FindNext() {
  if (!findBar_->isVisible()) findBar_->show();
  return FindFrom(text_->textCursor().selectionEnd());
}

bool TextView_Form::FindFrom(int position) {
  const QString word = findBox_->text();
  findNote_->clear();
  if (word.isEmpty()) return false;
  QTextDocument* document = text_->document();
  QTextCursor match = document->find(word, position);
  const bool wrapped = match.isNull();
  if (wrapped) match = document->find(word, 0);
  if (match.isNull()) {
    findNote_->setText(QStringLiteral("\"%1\" was not found.").arg(word));
    return false;
  }
  text_->setTextCursor(match);
  text_->ensureCursorVisible();
  if (wrapped && position > 0) findNote_->setText(QStringLiteral("Continued from the top."));
  return true;
}

bool TextView_Form::eventFilter(QObject* watched, QEvent* event) {
  // A read-only text box does not claim Copy and Select All itself; it takes their keys here, so
  // that they copy and select in the text as in every other text box.
  if (watched == text_ && event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
      key->accept();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kova
