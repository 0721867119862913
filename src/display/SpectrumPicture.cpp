#include "display/SpectrumPicture.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "display/LabelLayout.h"
#include "engine/IMGeneration.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "engine/TcProductTracker.h"
#include "model/ShownColors.h"
#include "tools/Tools.h"

namespace kova {

QColor TL_DisplayScaleColor() { return QColor(170, 198, 255); }
QColor TL_DisplayStationColor() { return QColor(2, 62, 159); }
QColor TL_DisplayConflictColor() { return QColor(255, 48, 48); }
QColor TL_DisplayColor(int32_t color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

QColor TL_SystemColor(int32_t slot) { return TL_DisplayColor(TL_SystemColorValue(slot)); }

QColor TL_ChannelDrawColor(const CProject& project, int32_t slot, int32_t color) {
  return TL_DisplayColor(TL_ShownChannelColor(project, slot, color));
}

bool TL_ShowsSystem(const CProject& project, int32_t zone, int32_t slot) {
  return zone <= 0 || project.GcSystem(slot)->GlZone() == zone;
}

std::string SpectrumStats::ChannelsText() const { return "Channels : " + TL_Str(channels); }
std::string SpectrumStats::MaximumText() const { return "Maximum : " + TL_Str(maximum); }
std::string SpectrumStats::OverallText() const { return "Overall : " + TL_Str(TL_RoundLong(overall)); }

namespace {

constexpr double kStationTop = DisplayMapping::kStationTop;
constexpr double kChannelTop = DisplayMapping::kChannelTop;
constexpr double kGridTop = DisplayMapping::kGridTop;
constexpr double kProductBase = DisplayMapping::kProductBase;
constexpr double kTopLine = DisplayMapping::kTopLine;
constexpr double kTickLength = DisplayMapping::kTickLength;

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);

const TypeRef* TypeOf(const CProject& project, int32_t slot) {
  const SystemRef& system = project.GcSystem(slot);
  if (!system || !system->GcSystemType() || !system->GcSystemType()->GxSpectrum()) return nullptr;
  return &system->GcSystemType();
}

}  // namespace

const SpectrumPalette& TL_ScreenPalette() {
  static const SpectrumPalette kScreen{kBlack, TL_DisplayScaleColor(), TL_DisplayStationColor(),
                                       TL_DisplayScaleColor(), kWhite, kBlack, false};
  return kScreen;
}

const SpectrumPalette& TL_PaperPalette() {
  static const SpectrumPalette kPaper{kWhite, QColor(25, 35, 70), kWhite, QColor(60, 80, 130), QColor(165, 165, 165),
                                      kWhite, true};
  return kPaper;
}

void DrawStations(PictureBox& pbx, const CProject& project, int32_t current, const DisplayMapping& m,
                  const SpectrumPalette& palette) {
  const SpectrumRef& searchSpectrum = project.GcSpectrumOf(current);
  if (!searchSpectrum) return;
  SpectrumRef stations = searchSpectrum->GGetCopy();
  stations->GInvertSpectrum(0.0f, 1000.0f);
  const int32_t n = stations->GlBands();
  if (n < 1) return;
  const QColor& scale = palette.scale;
  double from = m.Lower();
  for (int32_t b = 1; b <= n; ++b) {
    const BandRef band = stations->GxGetBand(b);
    const double lo = band->GfLo();
    const double hi = band->GfHi();
    pbx.FilledBox(lo, 0, hi, kStationTop, palette.stationFill);
    if (palette.hatchStations) {
      pbx.DrawWidth(1);
      pbx.HatchedBox(lo, 0, hi, kStationTop, palette.stationOutline, 6);
    }
    pbx.Box(lo, 0, hi, kStationTop, palette.stationOutline);
    pbx.Line(from, 0, lo, 0, scale);
    from = lo;
  }
  pbx.Line(from, 0, m.Upper(), 0, scale);
}

void DrawScale(PictureBox& pbx, const DisplayMapping& m, const QColor& scale) {
  pbx.Line(m.Lower(), kTopLine, m.Upper(), kTopLine, scale);
  pbx.ForeColor(scale);
  const int32_t step = DisplayMapping::TickStep(pbx.TextWidth("000"));
  const int32_t last = TL_RoundLong(m.Upper());
  for (int32_t x = DisplayMapping::FirstTick(m.Lower(), step); x <= last; x += step) {
    const std::string number = TL_Str(x);
    const double w = pbx.TextWidth(number);
    const double h = pbx.TextHeight(number);
    pbx.Line(x, 0, x, -kTickLength, scale);
    pbx.Line(x, kTopLine, x, kTopLine + kTickLength, scale);
    // A number cut by the edge of the picture would be misread ("60" for 460): only the tick.
    if (x - w / 2 < m.Lower() || x + w / 2 > m.Upper()) continue;
    pbx.CurrentX(x - w / 2);
    pbx.CurrentY(-kTickLength);
    pbx.Print(number);
    pbx.CurrentX(x - w / 2);
    pbx.CurrentY(kTopLine + kTickLength - h);
    pbx.Print(number);
  }
}

namespace {

// The product lines of a buffer with the count of each product's kilohertz (the kilohertz it was
// counted on, taken from its frequency before it was narrowed to single precision).
void ReadProductLines(const TcIMFrequencyBuffer& buffer, SpectrumView& view) {
  view.lines.clear();
  view.overall = 0;
  const int32_t count = buffer.GCount();
  view.lines.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const TcIMFrequency& p = buffer.GcItem(i);
    if (!TL_IsCountedIM(p.GeIMType())) continue;
    const int32_t khz = buffer.GlItemKHz(i);
    if (khz < 0 || khz > TcIMFrequencyBuffer::kMaxBin) continue;
    const int32_t n = buffer.GGetBin(khz);
    view.overall += n;
    if (n > 0) view.lines.push_back({p.GfFreq(), n});
  }
}

}  // namespace

// The product lines. Lines that fall on the same pixel column start at the same height, so only
// the tallest of each column is drawn: a dense project costs one line per column, not one per
// product.
void DrawProducts(PictureBox& pbx, const SpectrumView& view, const QColor& color, double top) {
  const int width = pbx.PixelWidth();
  std::vector<int32_t> tallest(static_cast<size_t>(width), 0);
  const DisplayMapping& m = view.mapping;
  // The column as PictureBox::PixelX finds it, for the visible products only.
  const double lo = pbx.ScaleLeft();
  const double hi = lo + pbx.ScaleWidth();
  const double columnsPerMHz = width / pbx.ScaleWidth();
  for (const ProductLine& line : view.lines) {
    if (!(line.freq >= lo && line.freq < hi)) continue;
    const int column = static_cast<int>((line.freq - lo) * columnsPerMHz);
    if (column < 0 || column >= width) continue;
    tallest[static_cast<size_t>(column)] = std::max(tallest[static_cast<size_t>(column)], line.count);
  }
  pbx.DrawWidth(1);
  const double perPixel = m.Span() / width;
  for (int column = 0; column < width; ++column) {
    const int32_t n = tallest[static_cast<size_t>(column)];
    if (n <= 0) continue;
    const double f = m.Lower() + (column + 0.5) * perPixel;
    pbx.Line(f, kProductBase, f, std::min(DisplayMapping::ProductTop(n), top), color);
  }
}

std::pair<double, double> GetDataLimits(const CProject& project, int32_t current, int32_t flags) {
  double lo = 1000.0;
  double hi = 0.0;
  if (flags & kZoomSearchSpectrum) {
    const SpectrumRef& spectrum = project.GcSpectrumOf(current);
    for (int32_t b = 1; spectrum && b <= spectrum->GlBands(); ++b) {
      const BandRef band = spectrum->GxGetBand(b);
      lo = std::min(lo, static_cast<double>(band->GfLo()));
      hi = std::max(hi, static_cast<double>(band->GfHi()));
    }
  }
  if (flags & kZoomRange) {
    if (const TypeRef* type = TypeOf(project, current)) {
      const SpectrumRef tuning = (*type)->GxSpectrum();
      if (tuning->GlFreqs() > 0) {
        hi = std::max(hi, static_cast<double>(tuning->GfGetFreqMax()));
        lo = std::min(lo, static_cast<double>(tuning->GfGetFreqMin()));
      }
    }
  }
  if (flags & kZoomUsedChannels) {
    float fLo = static_cast<float>(lo);
    float fHi = static_cast<float>(hi);
    project.GGetOverallMinMax(fLo, fHi);
    lo = fLo;
    hi = fHi;
  }
  if (lo > hi) return {0.0, 1000.0};
  return {lo, hi};
}

// The tuning grid of system `slot`'s type, in colour c, as the highlighted channel shows it.
static void DrawTuningGrid(PictureBox& pbx, const CProject& project, int32_t slot, const QColor& c) {
  if (const TypeRef* type = TypeOf(project, slot)) {
    const SpectrumRef tuning = (*type)->GxSpectrum();
    const double lo = pbx.ScaleLeft();
    const double hi = lo + pbx.ScaleWidth();
    // Points outside the visible range draw nothing, and of the points on one pixel column
    // one line is enough (a fine grid on a wide range is thousands of points).
    int lastColumn = -1;
    auto point = [&](double g) {
      if (g < lo || g > hi) return;
      const int column = pbx.PixelX(g);
      if (column == lastColumn) return;
      lastColumn = column;
      pbx.Line(g, kChannelTop, g, kGridTop, c);
    };
    // The points of a band with a step rise with their number: its visible ones are found by
    // bisection. Bands without points make the grid's numbering irregular: then point by point.
    bool regular = true;
    int64_t total = 0;
    for (int32_t b = 1; b <= tuning->GlBands(); ++b) {
      const int32_t points = tuning->GxGetBand(b)->GlPoints();
      regular = regular && points >= 1;
      total += points;
    }
    if (const int32_t points = tuning->GlFreqs(); !regular || total != points) {
      for (int32_t k = 1; k <= points; ++k) point(tuning->GfGetFreq(k));
    } else {
      for (int32_t b = 1; b <= tuning->GlBands(); ++b) {
        const BandRef band = tuning->GxGetBand(b);
        const int32_t points = band->GlPoints();
        const bool rising = band->GfSteps() > 0.0f;
        int32_t k = 1;
        for (int32_t count = rising ? points : 0; count > 0;) {  // the first point at or above lo
          const int32_t half = count / 2;
          if (band->GfGetFreq(k + half) < lo) {
            k += half + 1;
            count -= half + 1;
          } else {
            count = half;
          }
        }
        for (; k <= points; ++k) {
          const double g = band->GfGetFreq(k);
          if (rising && g > hi) break;
          point(g);
        }
      }
    }
  }
}

void DrawChannel(PictureBox& pbx, const CProject& project, int32_t slot, int32_t i, bool bOther, int32_t highlighted,
                 double labelBase) {
  const MicsRef& mics = project.GcSystem(slot)->GcMics();
  if (i < 1 || i > mics->GCount()) return;
  const MicRef mic = mics->GcItem(i);
  const double f = mic->GfGetFreq();
  const QColor c = TL_ChannelDrawColor(project, slot, mic->GlGetColor());
  const std::string& label = mic->GsGetLabel();

  pbx.DrawWidth(bOther ? 2 : 3);
  pbx.ForeColor(c);
  const bool isHighlighted = i == highlighted;
  if (std::isnan(labelBase)) {  // the label was left out for lack of room
    pbx.Line(f, 0, f, kChannelTop, c);
    pbx.DrawWidth(1);
    if (isHighlighted) DrawTuningGrid(pbx, project, slot, c);
    return;
  }
  const double h = labelBase >= 0 ? labelBase : bOther ? 0.7 : 0.5;
  pbx.Line(f, kStationTop, f, h, c);

  // A black box blanks the line behind the label (text heights are negative: it reaches up).
  const std::string padded = " " + label + " ";
  const double tw = pbx.TextWidth(padded);
  const double th = pbx.TextHeight(padded);
  pbx.FilledBox(f - tw / 2, h - th, f + tw / 2, h, kBlack);

  const double lh = pbx.TextHeight(label);
  pbx.CurrentX(f - pbx.TextWidth(label) / 2);
  pbx.CurrentY(h - lh);
  pbx.Print(label);

  pbx.Line(f, kChannelTop, f, h - lh, c);
  pbx.Line(f, 0, f, kStationTop, c);

  if (isHighlighted) {
    pbx.DrawWidth(1);
    pbx.Box(f - tw / 2, h - th, f + tw / 2, h, c);
  }
  pbx.DrawWidth(1);
  if (isHighlighted) DrawTuningGrid(pbx, project, slot, c);
}

int32_t FindChannelAt(const CProject& project, int32_t current, int32_t highlighted, double x, double scaleWidth) {
  const MicsRef& mics = project.GcSystem(current)->GcMics();
  const int32_t n = mics->GCount();
  if (n < 1 || !(scaleWidth > 0)) return -1;
  int32_t s = highlighted;
  if (s < 0 || s > n) s = 0;
  for (int32_t visit = 1; visit <= n + 1; ++visit) {
    const int32_t i = (s + visit - 1) % n + 1;
    const float distance = static_cast<float>(std::fabs(mics->GcItem(i)->GfGetFreq() - x) / scaleWidth);
    if (distance < 0.01f) return i;
  }
  return -1;
}

namespace {

// A venue scan as a dim trace between the base line and the channel labels: per pixel column the
// strongest level, scaled from the weakest to the strongest level of the whole scan.
void DrawScan(PictureBox& pbx, const std::vector<ScanPoint>& scan) {
  if (scan.size() < 2) return;
  double weakest = scan.front().dbm, strongest = scan.front().dbm;
  for (const ScanPoint& p : scan) {
    weakest = std::min(weakest, p.dbm);
    strongest = std::max(strongest, p.dbm);
  }
  const double range = strongest > weakest ? strongest - weakest : 1.0;
  const int width = pbx.PixelWidth();
  const double lo = pbx.ScaleLeft();
  const double hi = lo + pbx.ScaleWidth();
  const double columnsPerMHz = width / pbx.ScaleWidth();
  std::vector<double> level(static_cast<size_t>(width), -1.0);
  for (const ScanPoint& p : scan) {
    if (!(p.mhz >= lo && p.mhz < hi)) continue;
    const int column = static_cast<int>((p.mhz - lo) * columnsPerMHz);
    if (column < 0 || column >= width) continue;
    level[static_cast<size_t>(column)] = std::max(level[static_cast<size_t>(column)], (p.dbm - weakest) / range);
  }
  constexpr double kScanTop = 0.85;
  const QColor dim(60, 120, 90);
  pbx.DrawWidth(1);
  const double perPixel = pbx.ScaleWidth() / width;
  bool havePrevious = false;
  double px = 0, py = 0;
  for (int column = 0; column < width; ++column) {
    const double v = level[static_cast<size_t>(column)];
    if (v < 0) continue;
    const double x = lo + (column + 0.5) * perPixel;
    const double y = v * kScanTop;
    if (havePrevious) pbx.Line(px, py, x, y, dim);
    px = x;
    py = y;
    havePrevious = true;
  }
}

// The products that hit channels, red over the white product lines, as tall as their
// kilohertz's count (one for the products of single channels, which the display does not count).
// A picture of one zone marks only the products that hit that zone's channels.
void DrawConflictProducts(PictureBox& pbx, const SpectrumView& view, const CProject& project,
                          const std::vector<CheckConflict>& conflicts, int32_t zone) {
  const double lo = pbx.ScaleLeft();
  const double hi = lo + pbx.ScaleWidth();
  pbx.DrawWidth(2);
  for (const CheckConflict& c : conflicts) {
    if (c.kind == kCheckSpectrum || c.kind == kCheckSpacing) continue;  // no product line of its own
    const int32_t hit = c.channel.system;
    if (hit < 0 || hit >= project.GlSystems() || !TL_ShowsSystem(project, zone, hit)) continue;
    if (!(c.freq >= lo && c.freq <= hi)) continue;
    int32_t n = 1;
    const int32_t khz = TcIMFrequencyBuffer::KHzIndex(c.freq);
    if (khz >= 0 && khz <= TcIMFrequencyBuffer::kMaxBin) {
      if (view.tracked) n = std::max(n, view.tracked->CountAt(khz));
      else if (view.products) n = std::max(n, view.products->GGetBin(khz));
    }
    pbx.Line(c.freq, kProductBase, c.freq, DisplayMapping::ProductTop(n), TL_DisplayConflictColor());
  }
  pbx.DrawWidth(1);
}

// A red outline around each channel hit: around its line and its label.
void DrawConflictOutlines(PictureBox& pbx, const CProject& project, const std::vector<CheckConflict>& conflicts,
                          int32_t zone) {
  const double pad = pbx.ScaleWidth() / std::max(1, pbx.PixelWidth()) * 3;
  pbx.DrawWidth(2);
  for (const CheckConflict& c : conflicts) {
    const CheckChannel& ch = c.channel;
    if (ch.system < 0 || ch.system >= project.GlSystems() || !TL_ShowsSystem(project, zone, ch.system)) continue;
    const MicsRef& mics = project.GcSystem(ch.system)->GcMics();
    if (ch.mic < 1 || ch.mic > mics->GCount()) continue;
    const MicRef mic = mics->GcItem(ch.mic);
    const double f = mic->GfGetFreq();
    const double half = pbx.TextWidth(" " + mic->GsGetLabel() + " ") / 2 + pad;
    pbx.Box(f - half, kStationTop / 4, f + half, kChannelTop + kStationTop / 4, TL_DisplayConflictColor());
  }
  pbx.DrawWidth(1);
}

// The heights the labels of `channels` (system, channel) stand on, in their order: a label that
// would overlap one to its left goes a row up while rows remain between `base` and `top`, else
// it is left out (NaN), as the paper pictures lay theirs out. The channel `keep` (the
// highlighted one) keeps its label, on `base`, over the others.
std::vector<double> LabelBases(const PictureBox& pbx, const CProject& project,
                               const std::vector<std::pair<int32_t, int32_t>>& channels, double base, double top,
                               std::pair<int32_t, int32_t> keep) {
  const double rowHeight = -pbx.TextHeight(" Mg ");  // the y axis points upwards
  const double pixel = pbx.ScaleWidth() / std::max(1, pbx.PixelWidth());
  std::vector<LabelBox> boxes;
  for (const auto& [slot, i] : channels) {
    const MicRef mic = project.GcSystem(slot)->GcMics()->GcItem(i);
    boxes.push_back({mic->GfGetFreq(), pbx.TextWidth(" " + mic->GsGetLabel() + " ")});
  }
  const auto rows = rowHeight > 0 ? static_cast<int32_t>(std::floor((top - base) / rowHeight)) : 1;
  const LabelPlacement placement = TL_PlaceLabels(boxes, std::max(1, rows), 2 * pixel, 0);
  std::vector<double> bases(channels.size());
  for (size_t k = 0; k < channels.size(); ++k) {
    const int32_t row = placement.rows[k];
    bases[k] = row >= 0 ? base + row * rowHeight : channels[k] == keep ? base : std::nan("");
  }
  return bases;
}

// The label of channel i of system `slot` standing on h, on a black box that blanks the lines
// behind it; the highlighted channel's box is outlined.
void DrawChannelLabel(PictureBox& pbx, const CProject& project, int32_t slot, int32_t i, double h, bool outlined) {
  const MicRef mic = project.GcSystem(slot)->GcMics()->GcItem(i);
  const double f = mic->GfGetFreq();
  const QColor c = TL_ChannelDrawColor(project, slot, mic->GlGetColor());
  const std::string& label = mic->GsGetLabel();
  const double tw = pbx.TextWidth(" " + label + " ");
  const double th = pbx.TextHeight(" " + label + " ");
  pbx.FilledBox(f - tw / 2, h - th, f + tw / 2, h, kBlack);
  pbx.ForeColor(c);
  pbx.CurrentX(f - pbx.TextWidth(label) / 2);
  pbx.CurrentY(h - pbx.TextHeight(label));
  pbx.Print(label);
  if (outlined) pbx.Box(f - tw / 2, h - th, f + tw / 2, h, c);
}

// With more than two systems or with zones, "#k type" of each system shown in its colour (with
// its zone's name when the systems stand in several zones), in rows from the top left corner
// under the top line; the current system's entry is framed.
void DrawLegend(PictureBox& pbx, const CProject& project, int32_t current, int32_t zone, bool zoned) {
  const double left = pbx.ScaleLeft();
  const double right = left + pbx.ScaleWidth();
  const double pixel = pbx.ScaleWidth() / std::max(1, pbx.PixelWidth());
  const double margin = 6 * pixel;
  const double rowHeight = -pbx.TextHeight("#");  // the y axis points upwards
  double x = left + margin;
  double y = kTopLine - rowHeight / 4;
  pbx.DrawWidth(1);
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    if (!TL_ShowsSystem(project, zone, s)) continue;
    const QColor c = TL_SystemColor(s);
    std::string text = " #" + TL_Str(s + 1) + " " + project.GcSystem(s)->GcSystemType()->GsGetLabel();
    if (zoned) text += ", " + project.GsZoneName(s);
    text += " ";
    const double width = pbx.TextWidth(text);
    if (x > left + margin && x + width > right - margin) {
      x = left + margin;
      y -= rowHeight * 1.15;
    }
    pbx.FilledBox(x, y - rowHeight, x + width, y, kBlack);
    if (s == current) pbx.Box(x, y - rowHeight, x + width, y, c);
    pbx.ForeColor(c);
    pbx.CurrentX(x);
    pbx.CurrentY(y);
    pbx.Print(text);
    x += width + margin;
  }
}

}  // namespace

SpectrumStats PrepareTVStationPbx(PictureBox& pbx, SpectrumView& view, const SpectrumInput& in, bool bFullView) {
  SpectrumStats stats;
  DisplayMapping& m = view.mapping;
  pbx.BackColor(kBlack);
  pbx.Cls();

  if (m.NeedsFullView()) bFullView = true;
  if (bFullView) {
    const auto [lo, hi] = GetDataLimits(in.project, in.current, in.zoomFlags);
    m.ZoomTo(lo, hi);
  }
  pbx.Scale(m.Lower(), m.Span(), DisplayMapping::kScaleTop, DisplayMapping::kScaleHeight);

  DrawStations(pbx, in.project, in.current, m, TL_ScreenPalette());
  DrawScale(pbx, m, TL_DisplayScaleColor());
  UpdateProducts(view, in, stats);
  DrawProducts(pbx, view, kWhite);
  if (in.conflicts) DrawConflictProducts(pbx, view, in.project, *in.conflicts, in.zone);
  if (in.scan) DrawScan(pbx, *in.scan);

  // On screen, labels that would overlap are staggered upwards or left out: the other systems'
  // from 0.7 up to the channels' top, the current system's from 0.5 up to the others' labels.
  std::vector<std::pair<int32_t, int32_t>> others, own;
  for (int32_t other = 0; other < in.project.GlSystems(); ++other) {
    if (other == in.current || !TL_ShowsSystem(in.project, in.zone, other)) continue;
    for (int32_t i = 1; i <= in.project.GcSystem(other)->GcMics()->GCount(); ++i) others.push_back({other, i});
  }
  const int32_t n =
      TL_ShowsSystem(in.project, in.zone, in.current) ? in.project.GcSystem(in.current)->GcMics()->GCount() : 0;
  for (int32_t i = 1; i <= n; ++i) own.push_back({in.current, i});
  // The highlighted number belongs to the current system: the other systems' channels carry no
  // outline and no grid. Laid out, all lines come first and the labels over them, so that no
  // line crosses a label that stands above another.
  const double lines = in.layOutLabels ? std::nan("") : -1;
  for (const auto& [slot, i] : others) DrawChannel(pbx, in.project, slot, i, true, 0, lines);
  for (int32_t i = 1; i <= n; ++i)
    if (i != in.highlighted) DrawChannel(pbx, in.project, in.current, i, false, in.highlighted, lines);
  if (in.highlighted >= 1 && in.highlighted <= n)
    DrawChannel(pbx, in.project, in.current, in.highlighted, false, in.highlighted, lines);
  if (in.layOutLabels) {
    const std::vector<double> otherBases = LabelBases(pbx, in.project, others, 0.7, kChannelTop, {-1, 0});
    const std::vector<double> ownBases =
        LabelBases(pbx, in.project, own, 0.5, others.empty() ? kChannelTop : 0.7, {in.current, in.highlighted});
    for (size_t k = 0; k < others.size(); ++k)
      if (!std::isnan(otherBases[k])) DrawChannelLabel(pbx, in.project, others[k].first, others[k].second, otherBases[k], false);
    for (int32_t i = 1; i <= n; ++i) {
      const double base = ownBases[static_cast<size_t>(i - 1)];
      if (i != in.highlighted && !std::isnan(base)) DrawChannelLabel(pbx, in.project, in.current, i, base, false);
    }
    if (in.highlighted >= 1 && in.highlighted <= n)
      DrawChannelLabel(pbx, in.project, in.current, in.highlighted, ownBases[static_cast<size_t>(in.highlighted - 1)], true);
  }
  if (in.conflicts) DrawConflictOutlines(pbx, in.project, *in.conflicts, in.zone);
  if (in.project.GlSystems() > 2 || in.project.GZoneLayout().zoned)
    DrawLegend(pbx, in.project, in.current, in.zone, in.project.GZoneLayout().zoned);
  return stats;
}

void UpdateProducts(SpectrumView& view, const SpectrumInput& in, SpectrumStats& stats) {
  // A tracker that changed since it was read (a check brought it up to date) is read again.
  const bool trackerChanged = in.tracker && view.tracked == in.tracker && in.tracker->Version() != view.trackedVersion;
  const ZoneLayout zones = in.project.GZoneLayout();
  if ((!view.products && !view.tracked) || in.productsStale || trackerChanged || view.zone != in.zone) {
    view.zone = in.zone;
    if (in.zone > 0) {
      // One zone: the products of its group's transmitters.
      uint32_t sources = 0;
      for (int32_t s = 0; s < in.project.GlSystems(); ++s)
        if (TL_ShowsSystem(in.project, in.zone, s))
          sources |= zones.members[static_cast<size_t>(zones.groupOf[static_cast<size_t>(s)])];
      view.tracked = nullptr;
      view.products = TL_IMProductsOf(in.project, sources);
      ReadProductLines(*view.products, view);
      view.count = view.products->GCount();
      view.maximum = view.products->GGetBinMax();
    } else if (in.tracker && zones.Single()) {
      in.tracker->Update(in.project);
      view.products.reset();
      view.tracked = in.tracker;
      view.trackedVersion = in.tracker->Version();
      view.lines = in.tracker->Lines();
      view.overall = in.tracker->Overall();
      view.count = in.tracker->Count();
      view.maximum = in.tracker->BinMax();
    } else {
      view.tracked = nullptr;
      view.products = in.project.GGetBadBuffer(true);
      ReadProductLines(*view.products, view);
      view.count = view.products->GCount();
      view.maximum = view.products->GGetBinMax();
    }
    in.productsStale = false;
    stats.productsRecomputed = true;
  }
  stats.channels = view.count;
  stats.maximum = view.maximum;
  stats.overall = view.overall;
}

}  // namespace kova
