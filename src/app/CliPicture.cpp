// kova-cli picture: the spectrum display drawn offscreen into a PNG file, zoomed to the data as
// the display's "Full" does with its default ticks (search spectrum and used channels).
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <charconv>
#include <exception>
#include <memory>
#include <ostream>

#include "app/CliSupport.h"
#include "display/PictureBox.h"
#include "display/SpectrumPicture.h"
#include "tools/BinaryFile.h"

namespace kova {

namespace {

bool ReadInt(const CliArgs& args, const std::string& name, int fallback, int low, int high, int& value,
             std::ostream& err) {
  value = fallback;
  auto it = args.options.find(name);
  if (it == args.options.end()) return true;
  const std::string& text = it->second;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    err << "kova-cli: option " << name << " needs a whole number from " << low << " to " << high << ", not '"
        << text << "'\n";
    return false;
  }
  return true;
}

// The platform's notes (no runtime directory, features the offscreen platform lacks) are no
// concern of a command that only draws; errors still pass.
QtMessageHandler g_previousHandler = nullptr;
void QuietNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  if (g_previousHandler) g_previousHandler(type, context, message);
}

struct QuietScope {
  QuietScope() { g_previousHandler = qInstallMessageHandler(QuietNotes); }
  ~QuietScope() { qInstallMessageHandler(g_previousHandler); }
};

}  // namespace

int CLI_Picture(const std::vector<std::string>& args, std::ostream& err) {
  CliArgs a;
  if (!CLI_ParseArgs(args, {"--out", "--width", "--height", "--system"}, {}, a, err)) return 2;
  const std::string file = a.Option("--out");
  if (file.empty()) {
    err << "kova-cli: picture needs --out FILE.png\n";
    return 2;
  }
  int width = 0, height = 0, system = 0;
  if (!ReadInt(a, "--width", 1600, 16, 10000, width, err) || !ReadInt(a, "--height", 600, 16, 10000, height, err) ||
      !ReadInt(a, "--system", 0, 0, 1, system, err))
    return 2;
  AppState app;
  if (!CLI_LoadProject(a, app, err)) return 2;
  if (system == 1 && !app.project->GbSecondSystem()) {
    err << "kova-cli: " << a.project << ": the project has no second system (--system 1)\n";
    return 2;
  }

  // Text needs a GUI application; without a display the offscreen platform draws.
  QuietScope quiet;
  std::unique_ptr<QGuiApplication> ownApp;
  if (!QCoreApplication::instance()) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kova-cli";
    static char* argv[] = {name, nullptr};
    ownApp = std::make_unique<QGuiApplication>(argc, argv);
  } else if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    err << "kova-cli: picture cannot draw without a GUI application\n";
    return 2;
  }

  QByteArray png;
  {
    PictureBox pbx(width, height);
    SpectrumView view;
    bool stale = true;
    const SpectrumInput in{*app.project, system, 0, kZoomSearchSpectrum | kZoomUsedChannels, stale};
    PrepareTVStationPbx(pbx, view, in, true);
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!pbx.Image().save(&buffer, "PNG")) {
      err << "kova-cli: " << file << ": the picture could not be encoded\n";
      return 2;
    }
  }
  try {
    TL_WriteFileAtomic(file, std::vector<char>(png.begin(), png.end()));
  } catch (const std::exception& e) {
    err << "kova-cli: " << file << ": cannot be written (" << e.what() << ")\n";
    return 2;
  }
  return 0;
}

}  // namespace kova
