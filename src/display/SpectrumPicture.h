#pragma once
// The picture of the spectrum display: the television stations outside the search spectrum, the
// frequency scale, the intermodulation products with their density, the channels of every
// system with their labels, the tuning grid of the highlighted channel and, with more than two
// systems, a legend of the systems' colours. Everything comes in
// as arguments, so the window, the tests and the command line draw the same picture.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "display/DisplayMapping.h"
#include "display/PictureBox.h"
#include "engine/CheckConflict.h"
#include "engine/IMGeneration.h"
#include "model/CProject.h"
#include "search/ScanExclusions.h"

namespace kova {

class TcIMFrequencyBuffer;
class TcProductTracker;

// What "Full" takes into account (the bits of GetDataLimits).
enum DisplayZoomFlag : int32_t {
  kZoomSearchSpectrum = 1,  // the bands of the search spectrum
  kZoomRange = 2,           // the tuning range of the current system's type
  kZoomUsedChannels = 4,    // the channels of all systems
};

// Colours of the picture.
QColor TL_DisplayScaleColor();    // base line, top line, ticks, numbers, station outlines
QColor TL_DisplayStationColor();  // filled station boxes
// A colour as the program stores it (red + 256 * green + 65536 * blue).
QColor TL_DisplayColor(int32_t color);
// The colour of system `slot` (0 … kMaxSystems - 1) in a project of more than two systems: its
// channels that keep a default colour (yellow or white) are drawn in it, and the legend names
// the system in it. System 1 is yellow and system 2 white, the colours channels get by default.
QColor TL_SystemColor(int32_t slot);
// The colour channel `color` of system `slot` is drawn in.
QColor TL_ChannelDrawColor(const CProject& project, int32_t slot, int32_t color);

// One intermodulation product as the picture shows it: its frequency and the number of
// products counted on its kilohertz.
using ProductLine = IMLine;

// The drawing's state between two drawings: the visible range and the products.
struct SpectrumView {
  DisplayMapping mapping;
  // The products: a buffer of a full generation, or the tracker that follows a moving channel
  // (read as it stood at version trackedVersion). Neither until the first drawing.
  std::shared_ptr<const TcIMFrequencyBuffer> products;
  const TcProductTracker* tracked = nullptr;
  uint64_t trackedVersion = 0;
  // Read from the products once when they are computed, so that zooming, scrolling and
  // highlighting draw from a compact list instead of visiting the kilohertz bins again.
  std::vector<ProductLine> lines;
  double overall = 0;    // all counted products
  int32_t count = 0;     // products in the buffer
  int32_t maximum = 0;   // the largest number of products on one kilohertz
  int32_t zone = 0;      // the zone the products were read for (SpectrumInput::zone)
};

// The texts of the product statistics after a drawing.
struct SpectrumStats {
  bool productsRecomputed = false;
  int32_t channels = 0;  // products in the buffer
  int32_t maximum = 0;   // the largest number of products on one kilohertz
  double overall = 0;    // all counted products
  std::string ChannelsText() const;  // "Channels : N"
  std::string MaximumText() const;   // "Maximum : N"
  std::string OverallText() const;   // "Overall : N"
};

struct SpectrumInput {
  const CProject& project;
  int32_t current;            // the system drawn as current
  int32_t highlighted;        // highlighted channel of that system, 0 = none
  int32_t zoomFlags;          // DisplayZoomFlag bits
  bool& productsStale;        // recompute the products when set; cleared after recomputing
  const std::vector<ScanPoint>* scan = nullptr;  // an imported venue scan, drawn as a dim trace
  // The conflicts of the last check: each channel hit gets a red outline, each product that hits
  // one a red line.
  const std::vector<CheckConflict>* conflicts = nullptr;
  // Where the products come from when they are recomputed: a tracker that keeps them up to date
  // while a channel moves (shared with the silent check), or a full generation (nullptr). The
  // tracker serves a project whose systems form one group of zones, shown whole.
  TcProductTracker* tracker = nullptr;
  // 0: every zone; 1 … 16: only the systems of that zone and the products their group forms.
  int32_t zone = 0;
  // Labels that would overlap go up a row or are left out (the display on screen); otherwise
  // every label stands at its usual height.
  bool layOutLabels = false;
};

// The colour of conflict marks.
QColor TL_DisplayConflictColor();

// The colours of a picture: the screen's (light on black) or paper's (dark on white, the
// television stations hatched).
struct SpectrumPalette {
  QColor background;
  QColor scale;           // base line, top line, ticks, numbers
  QColor stationFill;
  QColor stationOutline;  // also the hatching
  QColor products;
  QColor labelGround;     // the box that blanks a channel's line behind its label
  bool hatchStations = false;
};
const SpectrumPalette& TL_ScreenPalette();
const SpectrumPalette& TL_PaperPalette();

// Recomputes what is needed and draws everything. With bFullView (or a visible range under
// 1 MHz) the range is first fitted to the data.
SpectrumStats PrepareTVStationPbx(PictureBox& pbx, SpectrumView& view, const SpectrumInput& in, bool bFullView);

// The products of the view brought up to date for `in` (recomputed when there are none, when
// the products-stale flag is set or when the tracker moved on), and their statistics.
void UpdateProducts(SpectrumView& view, const SpectrumInput& in, SpectrumStats& stats);

// Parts of the drawing, on a surface whose scale is set: the television stations outside the
// current system's search spectrum with the base line, the frequency scale with its numbers,
// and the product lines (of each pixel column the tallest, none reaching above `top`).
void DrawStations(PictureBox& pbx, const CProject& project, int32_t current, const DisplayMapping& m,
                  const SpectrumPalette& palette);
void DrawScale(PictureBox& pbx, const DisplayMapping& m, const QColor& scale);
void DrawProducts(PictureBox& pbx, const SpectrumView& view, const QColor& color,
                  double top = std::numeric_limits<double>::infinity());

// Whether system `slot` is drawn when the picture shows `zone` (0: every zone).
bool TL_ShowsSystem(const CProject& project, int32_t zone, int32_t slot);

// Lower and upper data limit for the zoom flags; 0 ... 1000 when nothing counts.
std::pair<double, double> GetDataLimits(const CProject& project, int32_t current, int32_t flags);

// Channel i of system `slot` with its label, as current system or (bOther) as the other one; the
// highlighted channel gets the outline of its label and the tuning grid of its system. The label
// stands on `labelBase` (by default 0.5, or 0.7 for another system); NaN draws no label.
void DrawChannel(PictureBox& pbx, const CProject& project, int32_t slot, int32_t i, bool bOther, int32_t highlighted,
                 double labelBase = -1);

// The channel of the current system at frequency x (within 1 % of the scale width), searched
// from the one after the highlighted channel onwards and around; -1 when none (also when the
// system has no channel).
int32_t FindChannelAt(const CProject& project, int32_t current, int32_t highlighted, double x, double scaleWidth);

}  // namespace kova
