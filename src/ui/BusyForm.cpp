#include "ui/BusyForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "tools/PlatformPort.h"
#include "tools/Tools.h"
#include "ui/FormStyle.h"

namespace kova {

namespace {

// Colours of the 16-colour palette the box draws with.
const QColor kNavy(0, 0, 128);       // 1
const QColor kLightBlue(0, 0, 255);  // 9
const QColor kYellow(255, 255, 0);   // 14

// A small bell, drawn by the program itself.
QPixmap BellPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  QPainterPath bell;
  bell.moveTo(0.18 * s, 0.74 * s);
  bell.cubicTo(0.28 * s, 0.62 * s, 0.26 * s, 0.50 * s, 0.28 * s, 0.38 * s);
  bell.cubicTo(0.31 * s, 0.16 * s, 0.69 * s, 0.16 * s, 0.72 * s, 0.38 * s);
  bell.cubicTo(0.74 * s, 0.50 * s, 0.72 * s, 0.62 * s, 0.82 * s, 0.74 * s);
  bell.closeSubpath();
  p.setPen(QPen(QColor(90, 60, 0), std::max(1.0, s / 20)));
  p.setBrush(QColor(230, 180, 40));
  p.drawPath(bell);
  p.drawEllipse(QPointF(0.5 * s, 0.16 * s), 0.05 * s, 0.05 * s);
  p.setBrush(QColor(90, 60, 0));
  p.drawEllipse(QPointF(0.5 * s, 0.80 * s), 0.08 * s, 0.08 * s);
  return pm;
}

}  // namespace

std::optional<QPoint> BusyForm::position_;

// ---- BusyPicture ----

BusyPicture::BusyPicture(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAutoFillBackground(true);
  setMinimumHeight(22);
}

void BusyPicture::Draw(const QString& line, double fraction, const QColor& textColor, const QColor& barColor) {
  line_ = line;
  fraction_ = fraction;
  textColor_ = textColor;
  barColor_ = barColor;
  update();
}

void BusyPicture::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter p(this);
  const QRect all = contentsRect();
  const int barWidth = static_cast<int>(std::lround(std::clamp(fraction_, 0.0, 1.0) * all.width()));
  const QRect bar(all.left(), all.top(), barWidth, all.height());
  if (barWidth > 0) p.fillRect(bar, barColor_);
  if (line_.isEmpty()) return;
  // The line stays readable where it crosses the bar: on a dark bar it is written in white.
  const QRect textRect = all.adjusted(0, 1, 0, 0);
  const int flags = Qt::AlignHCenter | Qt::AlignTop;
  p.save();
  p.setClipRect(QRect(all.left() + barWidth, all.top(), all.width() - barWidth, all.height()));
  p.setPen(textColor_);
  p.drawText(textRect, flags, line_);
  p.restore();
  p.setClipRect(bar);
  p.setPen(qGray(barColor_.rgb()) < 128 ? QColor(Qt::white) : textColor_);
  p.drawText(textRect, flags, line_);
}

void ClickImage::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (rect().contains(event->position().toPoint())) emit clicked();
}

// ---- BusyForm ----

BusyForm::BusyForm(PlatformPort* port) : QWidget(nullptr), port_(port) {
  setObjectName(QStringLiteral("BusyForm"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  // While a task runs only the box takes input, also when the task was started from a dialog.
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(QStringLiteral("BUSY..."));

  busyBox_ = new BusyPicture(this);
  busyBox_->setObjectName(QStringLiteral("BusyBox"));
  doneLabel_ = new QLabel(QStringLiteral("Done 0.0%, still 1h 5m"), this);
  doneLabel_->setObjectName(QStringLiteral("DoneLabel"));
  doneLabel_->setAlignment(Qt::AlignCenter);
  bellImg_ = new ClickImage(this);
  bellImg_->setObjectName(QStringLiteral("Bell_Img"));
  bellImg_->setPixmap(BellPixmap(22));
  bellImg_->setCursor(Qt::PointingHandCursor);
  checkBell_ = new QCheckBox(QStringLiteral("Bell"), this);
  checkBell_->setObjectName(QStringLiteral("CheckBell"));
  topChk_ = new QCheckBox(QStringLiteral("Top"), this);
  topChk_->setObjectName(QStringLiteral("Top_Chk"));
  abortCbt_ = new QPushButton(QStringLiteral("Abort ( ESC )"), this);
  abortCbt_->setObjectName(QStringLiteral("Abort_Cbt"));
  abortCbt_->setAutoDefault(false);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(bellImg_);
  bottom->addWidget(checkBell_);
  bottom->addSpacing(12);
  bottom->addWidget(topChk_);
  bottom->addStretch(1);
  bottom->addWidget(abortCbt_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(busyBox_);
  layout->addWidget(doneLabel_);
  layout->addLayout(bottom);

  connect(abortCbt_, &QPushButton::clicked, this, [this] { abortRequest_ = true; });
  connect(abortCbt_, &QPushButton::released, this, [this] { abortRequest_ = true; });
  connect(bellImg_, &ClickImage::clicked, checkBell_, &QCheckBox::toggle);

  MN_ApplyFormStyle(this);
  busyBox_->setMinimumHeight(busyBox_->fontMetrics().height() + 6);
  resize(420, sizeHint().height());

  if (!position_) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect g = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    position_ = QPoint(g.x() + g.width() / 4, g.y() + g.height() / 4);
  }
  move(*position_);
}

BusyForm::~BusyForm() {
  if (waitCursor_) QApplication::restoreOverrideCursor();
}

double BusyForm::Now() { return (port_ ? *port_ : TL_Port()).timeOfDay(); }

void BusyForm::SetCaption(const std::string& text) {
  setWindowTitle(QString::fromStdString(text) + QStringLiteral("BUSY... "));
}

void BusyForm::TakeFocus() {
  raise();
  activateWindow();
  abortCbt_->setFocus();
}

void BusyForm::SetUp(const std::string& text) {
  if (!waitCursor_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    waitCursor_ = true;
  }
  clock_.Start(static_cast<float>(Now()));
  SetCaption(text);
  abortRequest_ = false;
  if (isVisible()) TakeFocus();
  Forms_Enabled(this, false);
  active_ = true;
}

bool BusyForm::BUSY(const std::string& text, double& fraction, int32_t flags) {
  const BusyThresholds thresholds = BusyShowThresholds(flags);
  if (fraction >= 1) {
    Finish(fraction);
    return true;
  }
  if (fraction <= 0) {
    SetUp(text);
    if (TL_IsBitSet(flags, kShowAtOnce)) {
      clock_.LastTime = static_cast<float>(Now()) - 1.0f;
      fraction = 1.0 / 60.0;
      RedrawStep(text, fraction, thresholds);
    }
  } else {
    RedrawStep(text, fraction, thresholds);
  }

  // Let the user's clicks and keys through; they are the only way to reach the program now.
  if (!abortRequest_) QCoreApplication::processEvents();
  if (isVisible()) repaint();
  if (abortRequest_) {
    abortbusy();
    return false;
  }
  return true;
}

void BusyForm::RedrawStep(const std::string& text, double fraction, const BusyThresholds& thresholds) {
  if (!active_) SetUp(text);
  const float t = static_cast<float>(Now());
  float elapsed = 0;
  // Between redraws the box keeps showing the last step (clearing it there would leave the bar
  // empty for most of the task).
  if (!clock_.Tick(t, elapsed)) return;

  int32_t secondUnit = 0;
  const std::string line = BusyProgressLine(fraction, elapsed, &secondUnit);
  if (isHidden() && std::fabs(t - clock_.StartTime) >= thresholds.wait && secondUnit >= thresholds.unit) show();
  if (!text.empty()) SetCaption(text);
  const QString qline = QString::fromStdString(line);
  doneLabel_->setText(qline);
  busyBox_->Draw(qline, fraction, kNavy, kYellow);
  active_ = true;
  if (isVisible() && topChk_->isChecked()) TakeFocus();
}

void BusyForm::Finish(double fraction) {
  const int32_t seconds = clock_.FinishSeconds(static_cast<float>(Now()));
  const QString line = QString::fromStdString(BusyFinishLine(fraction, seconds));
  doneLabel_->setText(line);
  busyBox_->Draw(line, fraction, Qt::black, kLightBlue);
  if (checkBell_->isChecked()) WaitForBell();
  abortbusy();
}

void BusyForm::WaitForBell() {
  QTimer wake;  // keeps the waiting event loop turning so that the clock is read again
  wake.start(50);
  while (checkBell_->isChecked() && !abortRequest_) {
    show();
    raise();
    QApplication::beep();
    const double start = Now();
    while (checkBell_->isChecked() && !abortRequest_) {
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
      double waited = Now() - start;
      if (waited < 0) waited += 86400.0;
      if (waited >= 3.0) break;
    }
  }
}

void BusyForm::abortbusy() {
  Forms_Enabled(this, true);
  active_ = false;
  hide();
  if (waitCursor_) {
    QApplication::restoreOverrideCursor();
    waitCursor_ = false;
  }
}

void BusyForm::Break() {
  clock_.Break(static_cast<float>(Now()));
  active_ = false;
  hide();
}

void BusyForm::Restart() {
  clock_.Restart(static_cast<float>(Now()));
  if (isVisible()) TakeFocus();
  active_ = true;
}

void BusyForm::Forms_Enabled(QWidget* oneForm, bool toset) {
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* w : windows) {
    if (w == oneForm) continue;
    const Qt::WindowType type = w->windowType();
    if (type != Qt::Window && type != Qt::Dialog && type != Qt::Tool && type != Qt::Sheet) continue;
    w->setEnabled(toset);
  }
}

void BusyForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    abortCbt_->click();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void BusyForm::closeEvent(QCloseEvent* event) {
  // The user closed the box: hide it and end the task's set-up, but do not abort the task.
  if (windowState() == Qt::WindowNoState) position_ = pos();
  abortbusy();
  event->ignore();
}

}  // namespace kova
