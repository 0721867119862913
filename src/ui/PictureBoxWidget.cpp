#include "ui/PictureBoxWidget.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

namespace kova {

PictureBoxWidget::PictureBoxWidget(QWidget* parent) : QWidget(parent), box_(1, 1) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

bool PictureBoxWidget::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = toolTipAt ? toolTipAt(help->pos()) : QString();
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

void PictureBoxWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, box_.Image());
}

void PictureBoxWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  box_.Resize(width(), height());
  if (resized) resized();
}

void PictureBoxWidget::mousePressEvent(QMouseEvent* event) {
  if (mouseDown) mouseDown(event);
}

void PictureBoxWidget::mouseMoveEvent(QMouseEvent* event) {
  if (mouseMove) mouseMove(event);
}

void PictureBoxWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (mouseUp) mouseUp(event);
}

void PictureBoxWidget::wheelEvent(QWheelEvent* event) {
  if (wheel) wheel(event);
  else QWidget::wheelEvent(event);
}

void PictureBoxWidget::keyPressEvent(QKeyEvent* event) {
  if (!keyDown || !keyDown(event)) QWidget::keyPressEvent(event);
}

}  // namespace kova
