#include "display/PaperSpectrum.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "display/LabelLayout.h"
#include "model/CSystemType.h"
#include "model/ShownColors.h"
#include "tools/Tools.h"

namespace kova {

namespace {

constexpr double kLabelBase = DisplayMapping::kStationTop + 0.02;  // lowest label row
constexpr double kLabelTop = DisplayMapping::kChannelTop - 0.03;   // highest label row's top
constexpr int kLabelGap = 3;                                        // pixels between two labels in a row
constexpr int kMargin = 6;                                          // pixels around legend entries

// Pixels of a text's width and of a text row on the surface.
double WidthPx(const PictureBox& pbx, const std::string& text) {
  return pbx.TextWidth(text) / pbx.ScaleWidth() * pbx.PixelWidth();
}
double RowPx(const PictureBox& pbx) { return pbx.TextHeight("#") / pbx.ScaleHeight() * pbx.PixelHeight() + 2; }

std::string LegendText(const CProject& project, int32_t s, bool zoned) {
  return " #" + TL_Str(s + 1) + " " + project.GcSystem(s)->GcSystemType()->GsGetLabel() +
         (zoned ? ", " + project.GsZoneName(s) : std::string()) + " ";
}

// The legend's entries laid out from the left in rows: per system its row (-1: not shown, in
// another zone) and left edge (px).
struct LegendLayout {
  std::vector<int32_t> row;
  std::vector<double> left;
  int32_t rows = 0;
};
LegendLayout LayOutLegend(const PictureBox& pbx, const CProject& project, int32_t zone, bool zoned) {
  LegendLayout l;
  if (project.GlSystems() <= 2 && !zoned) return l;
  double x = kMargin;
  int32_t row = 0;
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    if (!TL_ShowsSystem(project, zone, s)) {
      l.row.push_back(-1);
      l.left.push_back(0);
      continue;
    }
    const double w = WidthPx(pbx, LegendText(project, s, zoned));
    if (x > kMargin && x + w > pbx.PixelWidth() - kMargin) {
      x = kMargin;
      ++row;
    }
    l.row.push_back(row);
    l.left.push_back(x);
    x += w + kMargin;
  }
  l.rows = row + 1;
  return l;
}

}  // namespace

QColor TL_PaperColor(const QColor& c) {
  const int32_t v = TL_PaperColorValue(c.red() + 256 * c.green() + 65536 * c.blue());
  return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

int32_t DrawPaperSpectrum(PictureBox& pbx, SpectrumView& view, const SpectrumInput& in, bool bFullView) {
  const SpectrumPalette& palette = TL_PaperPalette();
  const CProject& project = in.project;
  DisplayMapping& m = view.mapping;
  pbx.BackColor(palette.background);
  pbx.Cls();
  if (m.NeedsFullView()) bFullView = true;
  if (bFullView) {
    const auto [lo, hi] = GetDataLimits(project, in.current, in.zoomFlags);
    m.ZoomTo(lo, hi);
  }
  // The labels and the legend are laid out in pixels, which the frequency scale fixes; the
  // strip above the scale then takes its rows from the picture's height.
  pbx.Scale(m.Lower(), m.Span(), DisplayMapping::kScaleTop, DisplayMapping::kScaleHeight);
  const int width = pbx.PixelWidth();
  const double rowPx = RowPx(pbx);
  const bool zoned = project.GZoneLayout().zoned;
  const LegendLayout legend = LayOutLegend(pbx, project, in.zone, zoned);

  const CMicCollection& mics = *project.GcSystem(in.current)->GcMics();
  std::vector<LabelBox> boxes;
  std::vector<int32_t> labelled;  // channel of each box
  for (int32_t i = 1; i <= mics.GCount(); ++i) {
    const MicRef mic = mics.GcItem(i);
    if (mic->GsGetLabel().empty()) continue;
    const double centre = (mic->GfGetFreq() - m.Lower()) / m.Span() * width;
    boxes.push_back({centre, WidthPx(pbx, " " + mic->GsGetLabel() + " ")});
    labelled.push_back(i);
  }
  // Label rows for a strip that holds the legend and the note of labels left out; without the
  // note the rows only come closer.
  auto stripPx = [&](int32_t rows) { return rows > 0 ? rows * rowPx + 4 : 0.0; };
  auto unitsPerPx = [&](double strip) {
    return -DisplayMapping::kScaleHeight / std::max(1.0, pbx.PixelHeight() - strip);
  };
  const double rowUnitsAtMost = rowPx * unitsPerPx(stripPx(legend.rows + 1));
  const auto rowCount = static_cast<int32_t>(std::floor((kLabelTop - kLabelBase) / rowUnitsAtMost));
  const LabelPlacement placement = TL_PlaceLabels(boxes, rowCount, kLabelGap, width);

  const double strip = stripPx(legend.rows + (placement.leftOut > 0 ? 1 : 0));
  const double perPx = unitsPerPx(strip);
  const double top = DisplayMapping::kScaleTop + strip * perPx;
  pbx.Scale(m.Lower(), m.Span(), top, DisplayMapping::kScaleHeight - strip * perPx);
  const double pxToMHz = m.Span() / width;

  DrawStations(pbx, project, in.current, m, palette);
  DrawScale(pbx, m, palette.scale);
  SpectrumStats stats;
  UpdateProducts(view, in, stats);
  // The products stay below the top line, clear of the scale's numbers and the strip.
  DrawProducts(pbx, view, palette.products, DisplayMapping::kTopLine - 2 * perPx);

  // The other systems' channels as thin lines, the current system's over them.
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    if (s == in.current || !TL_ShowsSystem(project, in.zone, s)) continue;
    const CMicCollection& other = *project.GcSystem(s)->GcMics();
    pbx.DrawWidth(1);
    for (int32_t i = 1; i <= other.GCount(); ++i) {
      const MicRef mic = other.GcItem(i);
      const double f = mic->GfGetFreq();
      const QColor c = TL_PaperColor(TL_ChannelDrawColor(project, s, mic->GlGetColor()));
      pbx.Line(f, 0, f, DisplayMapping::kChannelTop, c);
    }
  }
  pbx.DrawWidth(2);
  for (int32_t i = 1; i <= mics.GCount(); ++i) {
    const MicRef mic = mics.GcItem(i);
    const double f = mic->GfGetFreq();
    const QColor c = TL_PaperColor(TL_ChannelDrawColor(project, in.current, mic->GlGetColor()));
    pbx.Line(f, 0, f, DisplayMapping::kChannelTop, c);
  }
  pbx.DrawWidth(1);
  const double rowUnits = rowPx * perPx;
  for (size_t k = 0; k < boxes.size(); ++k) {
    const int32_t row = placement.rows[k];
    if (row < 0) continue;
    const MicRef mic = mics.GcItem(labelled[k]);
    const QColor c = TL_PaperColor(TL_ChannelDrawColor(project, in.current, mic->GlGetColor()));
    const double left = m.Lower() + placement.lefts[k] * pxToMHz;
    const double right = left + boxes[k].width * pxToMHz;
    const double bottom = kLabelBase + row * rowUnits;
    pbx.FilledBox(left, bottom, right, bottom + rowUnits, palette.labelGround);
    const std::string& label = mic->GsGetLabel();
    pbx.ForeColor(c);
    pbx.CurrentX((left + right) / 2 - pbx.TextWidth(label) / 2);
    pbx.CurrentY(bottom + rowUnits - perPx);
    pbx.Print(label);
  }

  // The strip: the legend's rows from the top, the note in the row below them at the right.
  auto stripRowTop = [&](int32_t row) { return top - (2 + row * rowPx) * perPx; };
  for (int32_t s = 0; s < static_cast<int32_t>(legend.row.size()); ++s) {
    if (legend.row[static_cast<size_t>(s)] < 0) continue;
    const std::string text = LegendText(project, s, zoned);
    const QColor c = TL_PaperColor(TL_SystemColor(s));
    const double x = m.Lower() + legend.left[static_cast<size_t>(s)] * pxToMHz;
    const double y = stripRowTop(legend.row[static_cast<size_t>(s)]);
    if (s == in.current) pbx.Box(x, y, x + pbx.TextWidth(text), y - rowPx * perPx, c);
    pbx.ForeColor(c);
    pbx.CurrentX(x);
    pbx.CurrentY(y - perPx);
    pbx.Print(text);
  }
  if (placement.leftOut > 0) {
    const std::string note = TL_Str(placement.leftOut) + (placement.leftOut == 1 ? " label" : " labels") +
                             " left out for lack of room ";
    pbx.ForeColor(palette.scale);
    pbx.CurrentX(m.Upper() - pbx.TextWidth(note) - kMargin * pxToMHz);
    pbx.CurrentY(stripRowTop(legend.rows) - perPx);
    pbx.Print(note);
  }
  return placement.leftOut;
}

}  // namespace kova
