#pragma once
// A drawing surface with a user scale, on an image: the operations the spectrum display draws
// with. The scale gives the coordinates of the left and top edges and the width and height of
// the surface in user units; a negative height turns the y axis upwards. Line widths are in
// pixels. Text is measured in user units (the height comes out negative when the y axis points
// upwards) and printed with its top left corner at the current text position.
//
// The surface keeps what was drawn in its image, so a window paints the image and a command
// line tool saves it. A surface on a painter of its caller (a page of a document) draws through
// that painter instead, into the area 0 ... width x 0 ... height of the painter's coordinates,
// so what the painter's device keeps as lines and text stays lines and text.

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <unordered_map>

namespace kova {

class PictureBox {
 public:
  // An image of width x height pixels (at least 1 x 1), scale 0 ... width, 0 ... height.
  PictureBox(int width, int height);
  // Draws through `painter`, which outlives the surface; its pen, brush, font and clipping are
  // the surface's while it draws.
  PictureBox(QPainter& painter, int width, int height);
  ~PictureBox();
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  // A new image size; what was drawn is lost (the next Cls paints the background).
  void Resize(int width, int height);
  int PixelWidth() const { return pixelWidth_; }
  int PixelHeight() const { return pixelHeight_; }

  void Scale(double left, double width, double top, double height);
  double ScaleLeft() const { return left_; }
  double ScaleWidth() const { return width_; }
  double ScaleTop() const { return top_; }
  double ScaleHeight() const { return height_; }

  void BackColor(const QColor& c) { back_ = c; }
  // Fills the surface with the background colour.
  void Cls();
  void DrawWidth(int pixels);
  void ForeColor(const QColor& c) { fore_ = c; }
  void SetFont(const QFont& font);
  const QFont& Font() const { return font_; }

  void Line(double x1, double y1, double x2, double y2, const QColor& c);
  // Outline of the box with corners (x1, y1) and (x2, y2).
  void Box(double x1, double y1, double x2, double y2, const QColor& c);
  // The box filled (and outlined) with c.
  void FilledBox(double x1, double y1, double x2, double y2, const QColor& c);
  // The box hatched with rising lines of colour c, `spacing` pixels apart, in the line width.
  void HatchedBox(double x1, double y1, double x2, double y2, const QColor& c, int spacing);

  double TextWidth(const std::string& text) const;
  double TextHeight(const std::string& text) const;
  void CurrentX(double x) { curX_ = x; }
  void CurrentY(double y) { curY_ = y; }
  double CurrentX() const { return curX_; }
  double CurrentY() const { return curY_; }
  // Prints in the text colour at the current position; the position moves to the end of the text.
  void Print(const std::string& text);

  // Pixel of a user coordinate (rounded to the pixel grid).
  int PixelX(double x) const {
    const double px = (x - left_) / width_ * pixelWidth_;
    return static_cast<int>(std::floor(std::clamp(px, -1e6, 1e6)));
  }
  int PixelY(double y) const {
    const double py = (y - top_) / height_ * pixelHeight_;
    return static_cast<int>(std::floor(std::clamp(py, -1e6, 1e6)));
  }
  // The picture as drawn so far (of a surface on an image).
  const QImage& Image();

 private:
  QPainter& Painter();
  void EndPainting();
  // Sets the pen of colour c and the current line width unless it is set already.
  void UsePen(const QColor& c);

  QImage image_;  // the picture; 1 x 1 for measuring text on a surface with a caller's painter
  int pixelWidth_ = 1, pixelHeight_ = 1;
  std::unique_ptr<QPainter> painter_;
  QPainter* external_ = nullptr;  // the caller's painter
  QFont font_;
  QFontMetrics metrics_;  // of font_ on image_
  // Advances in pixels of the texts measured with metrics_: a drawing measures the same labels
  // and numbers again and again, and shaping a text costs far more than looking it up.
  mutable std::unordered_map<std::string, int> advances_;
  // The texts printed, laid out once each for the current font.
  std::unordered_map<std::string, QStaticText> laidOut_;
  QColor back_{0, 0, 0};
  QColor fore_{0, 0, 0};
  int lineWidth_ = 1;
  double left_ = 0, width_ = 1, top_ = 0, height_ = 1;
  double curX_ = 0, curY_ = 0;
  bool penSet_ = false;
  QColor penColor_;
  int penWidth_ = 0;
};

// The font of the display's texts: bold sans serif, `pixels` high.
QFont TL_DisplayFont(int pixels = 11);

}  // namespace kova
