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

PictureBox::PictureBox(int width, int height) : font_(TL_DisplayFont()) {
  Resize(width, height);
  Scale(0, image_.width(), 0, image_.height());
}

PictureBox::~PictureBox() { EndPainting(); }

void PictureBox::Resize(int width, int height) {
  EndPainting();
  image_ = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
  image_.fill(back_);
}

void PictureBox::Scale(double left, double width, double top, double height) {
  left_ = left;
  width_ = width != 0 ? width : 1;
  top_ = top;
  height_ = height != 0 ? height : 1;
}

QPainter& PictureBox::Painter() {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
    painter_->setFont(font_);
  }
  return *painter_;
}

void PictureBox::EndPainting() {
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
  image_.fill(back_);
}

void PictureBox::DrawWidth(int pixels) { lineWidth_ = std::max(pixels, 1); }

void PictureBox::SetFont(const QFont& font) {
  font_ = font;
  if (painter_) painter_->setFont(font_);
}

int PictureBox::PixelX(double x) const {
  const double px = (x - left_) / width_ * image_.width();
  return static_cast<int>(std::floor(std::clamp(px, -1e6, 1e6)));
}

int PictureBox::PixelY(double y) const {
  const double py = (y - top_) / height_ * image_.height();
  return static_cast<int>(std::floor(std::clamp(py, -1e6, 1e6)));
}

void PictureBox::Line(double x1, double y1, double x2, double y2, const QColor& c) {
  QPainter& p = Painter();
  QPen pen(c);
  pen.setWidth(lineWidth_);
  pen.setCapStyle(Qt::FlatCap);
  p.setPen(pen);
  const QPoint a(PixelX(x1), PixelY(y1));
  const QPoint b(PixelX(x2), PixelY(y2));
  if (lineWidth_ == 1) {
    p.drawLine(a, b);
  } else {
    // A wide line covers the whole extent of its ends, like a one-pixel line does.
    pen.setCapStyle(Qt::SquareCap);
    p.setPen(pen);
    p.drawLine(a, b);
  }
}

void PictureBox::Box(double x1, double y1, double x2, double y2, const QColor& c) {
  QPainter& p = Painter();
  QPen pen(c);
  pen.setWidth(lineWidth_);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
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

double PictureBox::TextWidth(const std::string& text) const {
  const QFontMetrics fm(font_, &image_);
  return fm.horizontalAdvance(QString::fromStdString(text)) * width_ / image_.width();
}

double PictureBox::TextHeight(const std::string&) const {
  const QFontMetrics fm(font_, &image_);
  return fm.height() * height_ / image_.height();
}

void PictureBox::Print(const std::string& text) {
  QPainter& p = Painter();
  p.setPen(fore_);
  const QString s = QString::fromStdString(text);
  const QFontMetrics fm(font_, &image_);
  p.drawText(QPoint(PixelX(curX_), PixelY(curY_) + fm.ascent()), s);
  curX_ += TextWidth(text);
}

}  // namespace kova
