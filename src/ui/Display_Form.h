#pragma once
// The spectrum display: the picture of the project's spectrum (stations, channels of both
// systems, intermodulation products, scale, tuning grid of the highlighted channel) over a strip
// with the scroll bar, the limit boxes, the product statistics and the zoom controls.
//
// Mouse on the picture: the left button highlights the channel under the pointer (repeated
// clicks step through channels on top of each other) or clears the highlight; dragging with the
// right button moves the highlighted channel along its system's tuning grid, with a silent check
// on every move. The wheel zooms around the pointer, Left/Right move the highlighted channel one
// grid step, and the tool tip names the channel under the pointer. In a project of several zones
// a choice shows every zone or one (its systems and the products its group forms).

#include <QPixmap>
#include <QWidget>
#include <cstdint>

#include "display/SpectrumPicture.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace kova {

struct AppState;
class PictureBoxWidget;

class Display_Form : public QWidget {
  Q_OBJECT
 public:
  // Window size when it opens and its smallest size, in pixels (11456 x 3570 twips).
  static constexpr int kWidth = 764;
  static constexpr int kHeight = 238;

  // `app` must outlive the window.
  explicit Display_Form(AppState& app, QWidget* parent = nullptr);

  // Recomputes what is needed and redraws; with bFullView the range is first fitted to the data.
  void PrepareTVStationPbx(bool bFullView = false);
  // Before a print: when the limits are still 0 and 1000 MHz, asks whether to zoom in. False when
  // the user cancelled.
  bool AskForLimits();
  // The channel of the current system at frequency x, or -1.
  int32_t FindChannelAt(double x) const;
  // Scroll bar and limit boxes from the visible range.
  void ShowLimits();

  const DisplayMapping& Mapping() const { return view_.mapping; }
  // The picture as last drawn.
  const QImage& Picture();
  // Pixel column of a frequency on the picture, and the frequency at a pixel column.
  int PixelOf(double f) const;
  double FreqAt(double x) const;

 private:
  void MouseDown(Qt::MouseButton button, double x);
  void MouseMove(Qt::MouseButtons buttons, double x);
  void MouseUp(Qt::MouseButton button);
  // Moves the highlighted channel to grid point k of its system's tuning grid and runs the
  // silent check; nothing when it is there already. refreshMode goes to MN_RefreshViews: 0 while
  // a drag goes on (the channel table follows when it ends), 1 for a single step.
  void MoveHighlightedTo(int32_t k, int refreshMode);
  bool StepHighlighted(int32_t direction);
  QString ToolTipAt(double x) const;
  void LimitEdited(QLineEdit* box, bool lower);
  int32_t ZoomFlags() const;
  // The zone choice for the project's zones, shown while it has more than one.
  void ShowZoneChoice();

  AppState& app_;
  SpectrumView view_;
  bool dragging_ = false;
  bool scrollGuard_ = false;

  PictureBoxWidget* tvStationPbx_;
  QWidget* contPbx_;
  QScrollBar* freqHScroll_;
  QLineEdit* minFreqTbx_;
  QLineEdit* maxFreqTbx_;
  QLabel* channelsIMLbl_;
  QLabel* maxIMLbl_;
  QLabel* overallIMLbl_;
  QPushButton* fullCbt_;
  QCheckBox* scaleMicsChk_;
  QCheckBox* scaleRangeChk_;
  QCheckBox* scaleTVChk_;
  QLabel* draggingImg_;
  QComboBox* zoneCbx_;
  int32_t zone_ = 0;  // the zone shown, 0 = all
};

// The picture of the pointer shown while a channel is dragged: a double arrow along the
// frequency axis.
QPixmap TL_DraggingPointer();

}  // namespace kova
