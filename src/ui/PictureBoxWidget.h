#pragma once
// A window control that shows a PictureBox: the picture is drawn into the box's image by the
// owner, the control paints that image and hands its mouse, wheel, key and tool-tip events to
// the owner's handlers. Resizing the control resizes the image (the owner redraws).

#include <QWidget>
#include <functional>

#include "display/PictureBox.h"

namespace kova {

class PictureBoxWidget : public QWidget {
 public:
  explicit PictureBoxWidget(QWidget* parent = nullptr);

  PictureBox& Box() { return box_; }

  std::function<void(QMouseEvent*)> mouseDown;
  std::function<void(QMouseEvent*)> mouseMove;
  std::function<void(QMouseEvent*)> mouseUp;
  std::function<void(QWheelEvent*)> wheel;
  std::function<bool(QKeyEvent*)> keyDown;            // true when the key was used
  std::function<QString(const QPoint&)> toolTipAt;  // empty for no tool tip
  std::function<void()> resized;

  QSize sizeHint() const override { return {760, 160}; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  PictureBox box_;
};

}  // namespace kova
