#include "app/SpectrumPictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QPainter>
#include <QRectF>
#include <algorithm>
#include <cmath>

#include "display/PaperSpectrum.h"
#include "display/PictureBox.h"
#include "display/SpectrumPicture.h"

namespace kova {

namespace {

// The platform's notes (no runtime directory, features the offscreen platform lacks) are no
// concern of a command that only draws; errors still pass.
QtMessageHandler g_previousHandler = nullptr;
int g_quietScopes = 0;
void QuietNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  if (g_previousHandler) g_previousHandler(type, context, message);
}

}  // namespace

OffscreenDrawing::OffscreenDrawing() {
  if (g_quietScopes++ == 0) g_previousHandler = qInstallMessageHandler(QuietNotes);
  if (!QCoreApplication::instance()) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kova-cli";
    static char* argv[] = {name, nullptr};
    ownApp_ = std::make_unique<QGuiApplication>(argc, argv);
  }
  ok_ = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

OffscreenDrawing::~OffscreenDrawing() {
  ownApp_.reset();
  if (--g_quietScopes == 0) qInstallMessageHandler(g_previousHandler);
}

bool MN_RenderSpectrumPng(const CProject& project, int32_t iSystem, int width, int height, std::vector<char>& png,
                          const DisplayMapping* limits, SpectrumView* shared, int32_t zone) {
  PictureBox pbx(width, height);
  SpectrumView own;
  SpectrumView& view = shared ? *shared : own;
  if (limits) view.mapping = *limits;
  bool stale = !shared;
  SpectrumInput in{project, iSystem, 0, kZoomSearchSpectrum | kZoomUsedChannels, stale};
  in.zone = zone;
  PrepareTVStationPbx(pbx, view, in, limits == nullptr);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!pbx.Image().save(&buffer, "PNG")) return false;
  png.assign(bytes.begin(), bytes.end());
  return true;
}

int32_t MN_PictureZoneOf(const CProject& project, int32_t iSystem) {
  return project.GZoneLayout().zoned ? project.GcSystem(iSystem)->GlZone() : 0;
}

void MN_DrawSpectrum(QPainter& painter, const QRectF& area, const CProject& project, int32_t iSystem, bool paper,
                     SpectrumView& view, const DisplayMapping* limits, int32_t zone) {
  // The picture is laid out on a grid as wide as a print picture, its height from the area.
  constexpr int kWidth = 1000;
  const int height = std::max(16, static_cast<int>(std::lround(kWidth * area.height() / area.width())));
  painter.save();
  painter.translate(area.topLeft());
  painter.scale(area.width() / kWidth, area.height() / height);
  painter.setClipRect(QRect(0, 0, kWidth, height));
  {
    PictureBox pbx(painter, kWidth, height);
    if (paper) pbx.SetFont(TL_DisplayFont(12));
    if (limits) view.mapping = *limits;
    bool stale = false;
    SpectrumInput in{project, iSystem, 0, kZoomSearchSpectrum | kZoomUsedChannels, stale};
    in.zone = zone;
    if (paper) DrawPaperSpectrum(pbx, view, in, limits == nullptr);
    else PrepareTVStationPbx(pbx, view, in, limits == nullptr);
  }
  painter.restore();
}

}  // namespace kova
