#include "display/PictureBox.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace kova {

QFont TL_DisplayFont(int pixels) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setBold(true);
  return font;
}

PictureBox::PictureBox(int width, int height) : font_(TL_DisplayFont()), metrics_(font_) {
  Resize(width, height);
  Scale(0, image_.width(), 0, image_.height());
}

PictureBox::PictureBox(QPainter& painter, int width, int height)
    : image_(1, 1, QImage::Format_RGB32), external_(&painter), font_(TL_DisplayFont()), metrics_(font_) {
  Resize(width, height);
  Scale(0, pixelWidth_, 0, pixelHeight_);
  external_->setFont(font_);
}

PictureBox::~PictureBox() { EndPainting(); }

void PictureBox::Resize(int width, int height) {
  EndPainting();
  pixelWidth_ = std::max(width, 1);
  pixelHeight_ = std::max(height, 1);
  if (!external_) {
    image_ = QImage(pixelWidth_, pixelHeight_, QImage::Format_RGB32);
    image_.fill(back_);
  }
  metrics_ = QFontMetrics(font_, &image_);
  advances_.clear();
  laidOut_.clear();
}

void PictureBox::Scale(double left, double width, double top, double height) {
  left_ = left;
  width_ = width != 0 ? width : 1;
  top_ = top;
  height_ = height != 0 ? height : 1;
}

QPainter& PictureBox::Painter() {
  if (external_) return *external_;
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
    painter_->setFont(font_);
  }
  return *painter_;
}

void PictureBox::EndPainting() {
  penSet_ = false;
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
}

const QImage& PictureBox::Image() {
  EndPainting();
  return image_;
}

void PictureBox::Cls() {
  EndPainting();
  if (external_) Painter().fillRect(QRect(0, 0, pixelWidth_, pixelHeight_), back_);
  else image_.fill(back_);
}

void PictureBox::DrawWidth(int pixels) { lineWidth_ = std::max(pixels, 1); }

void PictureBox::SetFont(const QFont& font) {
  font_ = font;
  metrics_ = QFontMetrics(font_, &image_);
  advances_.clear();
  laidOut_.clear();
  if (painter_) painter_->setFont(font_);
  if (external_) external_->setFont(font_);
}

void PictureBox::UsePen(const QColor& c) {
  QPainter& p = Painter();
  if (penSet_ && penColor_ == c && penWidth_ == lineWidth_) return;
  QPen pen(c);
  pen.setWidth(lineWidth_);
  // A wide line covers the whole extent of its ends, as a one-pixel line does.
  pen.setCapStyle(lineWidth_ == 1 ? Qt::FlatCap : Qt::SquareCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  penSet_ = true;
  penColor_ = c;
  penWidth_ = lineWidth_;
}

void PictureBox::Line(double x1, double y1, double x2, double y2, const QColor& c) {
  const QPoint a(PixelX(x1), PixelY(y1));
  const QPoint b(PixelX(x2), PixelY(y2));
  if (lineWidth_ <= 2 && (a.x() == b.x() || a.y() == b.y())) {
    // An upright or level line one or two pixels wide covers a rectangle, which is filled at a
    // fraction of the stroker's cost: one pixel wide from the smaller end up to the larger one
    // (one pixel for a point), two pixels wide with a pixel more on every side before each end.
    const bool upright = a.x() == b.x();
    const int lo = upright ? std::min(a.y(), b.y()) : std::min(a.x(), b.x());
    const int hi = upright ? std::max(a.y(), b.y()) : std::max(a.x(), b.x());
    const int across = upright ? a.x() : a.y();
    const int grow = lineWidth_ - 1;
    const int from = lo - grow;
    const int length = lineWidth_ == 1 ? std::max(hi - lo, 1) : hi - lo + 2;
    const QRect r = upright ? QRect(across - grow, from, lineWidth_, length) : QRect(from, across - grow, length, lineWidth_);
    Painter().fillRect(r, c);
    return;
  }
  UsePen(c);
  Painter().drawLine(a, b);
}

void PictureBox::Box(double x1, double y1, double x2, double y2, const QColor& c) {
  UsePen(c);
  QPainter& p = Painter();
  p.setBrush(Qt::NoBrush);
  const QRect r = QRect(QPoint(PixelX(x1), PixelY(y1)), QPoint(PixelX(x2), PixelY(y2))).normalized();
  // A one-pixel outline of QRect (l, t, w, h) covers l ... l + w; the box covers its corner pixels.
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

void PictureBox::FilledBox(double x1, double y1, double x2, double y2, const QColor& c) {
  QPainter& p = Painter();
  const QRect r = QRect(QPoint(PixelX(x1), PixelY(y1)), QPoint(PixelX(x2), PixelY(y2))).normalized();
  p.fillRect(r, c);
}

void PictureBox::HatchedBox(double x1, double y1, double x2, double y2, const QColor& c, int spacing) {
  const QRect r = QRect(QPoint(PixelX(x1), PixelY(y1)), QPoint(PixelX(x2), PixelY(y2))).normalized();
  if (r.isEmpty()) return;
  QPainter& p = Painter();
  p.save();
  p.setClipRect(r, p.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  penSet_ = false;
  UsePen(c);
  const int step = std::max(spacing, 2);
  for (int d = -r.height(); d <= r.width(); d += step)
    p.drawLine(QPoint(r.left() + d, r.bottom() + 1), QPoint(r.left() + d + r.height() + 1, r.top()));
  p.restore();
  penSet_ = false;
}

double PictureBox::TextWidth(const std::string& text) const {
  auto it = advances_.find(text);
  if (it == advances_.end()) {
    if (advances_.size() > 4096) advances_.clear();  // texts of projects long gone
    it = advances_.emplace(text, metrics_.horizontalAdvance(QString::fromStdString(text))).first;
  }
  return it->second * width_ / pixelWidth_;
}

double PictureBox::TextHeight(const std::string&) const { return metrics_.height() * height_ / pixelHeight_; }

void PictureBox::Print(const std::string& text) {
  UsePen(fore_);
  QPainter& p = Painter();
  if (external_) {
    // A document keeps the text as text: drawn plainly, its top at the position.
    const QPoint at(PixelX(curX_), PixelY(curY_));
    p.drawText(QPointF(at.x(), at.y() + metrics_.ascent()), QString::fromStdString(text));
    curX_ += TextWidth(text);
    return;
  }
  auto it = laidOut_.find(text);
  if (it == laidOut_.end()) {
    if (laidOut_.size() > 4096) laidOut_.clear();
    QStaticText laid(QString::fromStdString(text));
    laid.setTextFormat(Qt::PlainText);
    laid.prepare(QTransform(), font_);
    it = laidOut_.emplace(text, std::move(laid)).first;
  }
  p.drawStaticText(QPoint(PixelX(curX_), PixelY(curY_)), it->second);
  curX_ += TextWidth(text);
}

}  // namespace kova
