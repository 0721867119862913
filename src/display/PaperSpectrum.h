#pragma once
// The spectrum picture for paper: dark on white, the television stations hatched, products in
// grey, every system in its display colour made dark enough to read on white. Only the
// current system's channels carry labels; labels that would overlap are staggered in rows and,
// where no row has room, left out and counted. With more than two systems a legend names them
// in a strip of its own above the scale, where nothing else is drawn.

#include <cstdint>

#include "display/SpectrumPicture.h"

namespace kova {

// A colour as it reads on white: colours too light for paper are darkened (hue kept), light
// greys and white turned dark.
QColor TL_PaperColor(const QColor& c);

// Draws the picture of in.current (in.highlighted, in.scan and in.conflicts are not drawn).
// With bFullView (or a visible range under 1 MHz) the range is first fitted to the data. The
// products are those of the view, recomputed as PrepareTVStationPbx does. Returns the number
// of labels left out.
int32_t DrawPaperSpectrum(PictureBox& pbx, SpectrumView& view, const SpectrumInput& in, bool bFullView);

}  // namespace kova
