#pragma once
// The spectrum picture outside any window: drawn offscreen with the display's drawing, for the
// print document and kova-cli.

#include <cstdint>
#include <memory>
#include <vector>

#include "display/DisplayMapping.h"
#include "display/SpectrumPicture.h"
#include "model/CProject.h"

class QGuiApplication;
class QPainter;
class QRectF;

namespace kova {

// Makes sure a GUI application exists for drawing text (an offscreen one when the process has
// none, removed again at the end of the scope) and keeps the platform's notes quiet meanwhile.
// Ok() is false when a non-GUI application is running, so nothing can be drawn.
class OffscreenDrawing {
 public:
  OffscreenDrawing();
  ~OffscreenDrawing();
  OffscreenDrawing(const OffscreenDrawing&) = delete;
  OffscreenDrawing& operator=(const OffscreenDrawing&) = delete;
  bool Ok() const { return ok_; }

 private:
  std::unique_ptr<QGuiApplication> ownApp_;
  bool ok_ = false;
};

// Draws system iSystem of the project as the current system, no channel highlighted, with the
// display's default ticks, into a PNG of width x height pixels. With `limits` the picture shows
// that range, else it is fitted to the data as "Full" does. With `shared` the products are
// those of that view (worked out at its first picture), so the pictures of one document share
// one product generation. With a zone (1 … 16) only that zone's systems and products. False when
// encoding failed.
bool MN_RenderSpectrumPng(const CProject& project, int32_t iSystem, int width, int height, std::vector<char>& png,
                          const DisplayMapping* limits = nullptr, SpectrumView* shared = nullptr, int32_t zone = 0);

// Draws the same picture into `area` of `painter` (a page of a document), as lines and text
// where the painter's device keeps them so: for paper (dark on white, staggered labels, the
// legend in a strip of its own) or as the display shows it. The products are those of `view`
// (worked out again when it was read for another zone).
void MN_DrawSpectrum(QPainter& painter, const QRectF& area, const CProject& project, int32_t iSystem, bool paper,
                     SpectrumView& view, const DisplayMapping* limits = nullptr, int32_t zone = 0);

// The zone a picture of system iSystem shows in the print document: its own when the systems
// stand in several zones, else 0 (every zone).
int32_t MN_PictureZoneOf(const CProject& project, int32_t iSystem);

}  // namespace kova
