#pragma once
// The progress box. Long tasks call BUSY with a text and the fraction done; the box shows a bar
// and "Done ...%, still ...", keeps all other windows disabled while the task runs, lets pending
// window events run on every call and reports an abort by the user (button or Escape).

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/ProgressText.h"

class QCheckBox;
class QPushButton;

namespace kova {

class PlatformPort;

// The picture of the progress box: the bar, with the progress line centred at the top.
class BusyPicture : public QFrame {
  Q_OBJECT
 public:
  explicit BusyPicture(QWidget* parent = nullptr);
  // Draws `line` and a bar over `fraction` of the width.
  void Draw(const QString& line, double fraction, const QColor& textColor, const QColor& barColor);
  QString Line() const { return line_; }
  double Fraction() const { return fraction_; }
  QColor BarColor() const { return barColor_; }
  QColor TextColor() const { return textColor_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString line_;
  double fraction_ = 0;
  QColor textColor_;
  QColor barColor_;
};

// An image that reports clicks.
class ClickImage : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class BusyForm : public QWidget {
  Q_OBJECT
 public:
  // The clock comes from `port` (the installed port when null), so a test can script it.
  explicit BusyForm(PlatformPort* port = nullptr);
  ~BusyForm() override;

  // Bit 0 of the flags: show the box at once instead of after a second.
  static constexpr int32_t kShowAtOnce = 1;

  // fraction <= 0 starts a task, 0 < fraction < 1 reports progress, >= 1 finishes the task.
  // A start with kShowAtOnce writes 1/60 back to `fraction`. False once the user aborted.
  bool BUSY(const std::string& text, double& fraction, int32_t flags);
  // End of a task: other windows enabled again, box hidden, normal mouse pointer.
  void abortbusy();
  // Pause and resume a task; the pause does not count as elapsed time.
  void Break();
  void Restart();
  void ShutDown() { abortbusy(); }
  // Enables or disables every window of the program except `oneForm`.
  static void Forms_Enabled(QWidget* oneForm, bool toset);

  bool IsActive() const { return active_; }
  bool AbortRequested() const { return abortRequest_; }
  const BusyClock& Clock() const { return clock_; }
  BusyPicture* Picture() const { return busyBox_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  double Now();
  void SetUp(const std::string& text);
  void RedrawStep(const std::string& text, double fraction, const BusyThresholds& thresholds);
  void Finish(double fraction);
  void WaitForBell();
  void TakeFocus();
  void SetCaption(const std::string& text);

  PlatformPort* port_;
  BusyPicture* busyBox_;
  QLabel* doneLabel_;
  QCheckBox* checkBell_;
  ClickImage* bellImg_;
  QCheckBox* topChk_;
  QPushButton* abortCbt_;

  BusyClock clock_;
  bool abortRequest_ = false;
  bool active_ = false;
  bool waitCursor_ = false;

  // Position of the box, kept for the whole run of the program.
  static std::optional<QPoint> position_;
};

}  // namespace kova
