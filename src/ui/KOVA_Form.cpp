#include "ui/KOVA_Form.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/FormStyle.h"

namespace kova {

QPixmap VersionResource_Logo(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;

  // Tile: a deep blue rounded square.
  QLinearGradient tile(0, 0, 0, s);
  tile.setColorAt(0, QColor(31, 64, 112));
  tile.setColorAt(1, QColor(14, 33, 66));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(0.02 * s, 0.02 * s, 0.96 * s, 0.96 * s), 0.16 * s, 0.16 * s);

  // A handheld microphone: grille, neck and handle.
  const QColor light(236, 242, 250);
  p.setBrush(light);
  p.drawEllipse(QPointF(0.32 * s, 0.30 * s), 0.11 * s, 0.11 * s);
  QPainterPath handle;
  handle.moveTo(0.25 * s, 0.40 * s);
  handle.lineTo(0.39 * s, 0.40 * s);
  handle.lineTo(0.35 * s, 0.68 * s);
  handle.lineTo(0.29 * s, 0.68 * s);
  handle.closeSubpath();
  p.drawPath(handle);
  p.setPen(QPen(QColor(31, 64, 112), std::max(1.0, s / 64)));
  for (int i = -1; i <= 1; ++i)
    p.drawLine(QPointF(0.24 * s, (0.30 + 0.045 * i) * s), QPointF(0.40 * s, (0.30 + 0.045 * i) * s));

  // Radio waves leaving the microphone: three arcs in the window colour, the outer one amber.
  const QColor waves[] = {MN_StyleColor(), MN_StyleColor(), QColor(245, 176, 65)};
  for (int i = 0; i < 3; ++i) {
    const double r = (0.16 + 0.09 * i) * s;
    QPen pen(waves[i], std::max(1.5, s * 0.035));
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(0.32 * s - r, 0.30 * s - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
  }

  // The name.
  QFont font(QStringLiteral("Sans Serif"));
  font.setBold(true);
  font.setPixelSize(std::max(6, static_cast<int>(0.2 * s)));
  font.setLetterSpacing(QFont::PercentageSpacing, 112);
  p.setFont(font);
  p.setPen(light);
  p.drawText(QRectF(0, 0.72 * s, s, 0.22 * s), Qt::AlignCenter, QStringLiteral("KOVA"));
  return pm;
}

namespace {
QFrame* Line(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}
}  // namespace

KOVA_Form::KOVA_Form(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("KOVA_Form"));
  setWindowTitle(QStringLiteral("KOVA"));
  setModal(false);

  logoImg_ = new QLabel(this);
  logoImg_->setObjectName(QStringLiteral("Logo_Img"));
  auto* title = new QLabel(QStringLiteral("KOVA Software " KOVA_VERSION), this);
  title->setObjectName(QStringLiteral("Title_Lbl"));
  auto* purpose = new QLabel(
      QStringLiteral("Frequency coordination for wireless microphones\nand in-ear monitor systems"), this);
  purpose->setObjectName(QStringLiteral("Purpose_Lbl"));
  auto* developer = new QLabel(QStringLiteral("Developed by the KOVA Software team"), this);
  developer->setObjectName(QStringLiteral("Developer_Lbl"));
  closeCbt_ = new QPushButton(QStringLiteral("Close"), this);
  closeCbt_->setObjectName(QStringLiteral("Close_Cbt"));
  closeCbt_->setDefault(true);

  auto* text = new QVBoxLayout;
  text->addWidget(title);
  text->addWidget(purpose);
  text->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addWidget(logoImg_, 0, Qt::AlignTop);
  top->addSpacing(10);
  top->addLayout(text, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(closeCbt_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(Line(this));
  layout->addWidget(developer);
  layout->addWidget(Line(this));
  layout->addLayout(bottom);

  connect(closeCbt_, &QPushButton::clicked, this, &QWidget::hide);

  MN_ApplyFormStyle(this);
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  title->setFont(big);
  logoImg_->setPixmap(VersionResource_Logo(96));
  logoImg_->setFixedSize(96, 96);
  adjustSize();
}

}  // namespace kova
