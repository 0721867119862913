#include "app/SpectrumPictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>

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
                          const DisplayMapping* limits, int32_t zone) {
  PictureBox pbx(width, height);
  SpectrumView view;
  if (limits) view.mapping = *limits;
  bool stale = true;
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

}  // namespace kova
