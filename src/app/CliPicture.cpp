// kova-cli picture: the spectrum display drawn offscreen into a PNG file, zoomed to the data as
// the display's "Full" does with its default ticks (search spectrum and used channels).
#include <charconv>
#include <exception>
#include <memory>
#include <ostream>

#include "app/CliSupport.h"
#include "app/SpectrumPictures.h"
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

}  // namespace

int CLI_Picture(const std::vector<std::string>& args, std::ostream& err) {
  CliArgs a;
  if (!CLI_ParseArgs(args, {"--out", "--width", "--height", "--system", "--zone"}, {}, a, err)) return 2;
  const std::string file = a.Option("--out");
  if (file.empty()) {
    err << "kova-cli: picture needs --out FILE.png\n";
    return 2;
  }
  int width = 0, height = 0, system = 0, zone = 0;
  if (!ReadInt(a, "--width", 1600, 16, 10000, width, err) || !ReadInt(a, "--height", 600, 16, 10000, height, err) ||
      !ReadInt(a, "--zone", 0, 1, CZones::kMaxZones, zone, err))
    return 2;
  AppState app;
  if (!CLI_LoadProject(a, app, err) || !ReadInt(a, "--system", 0, 0, app.project->GlSlots() - 1, system, err))
    return 2;
  if (zone > app.project->GcZones().GlCount()) {
    err << "kova-cli: " << a.project << ": the project has no zone " << zone << " (zones 1 to "
        << app.project->GcZones().GlCount() << ")\n";
    return 2;
  }
  if (system == 1 && !app.project->GbSecondSystem()) {
    err << "kova-cli: " << a.project << ": the project has no second system (--system 1)\n";
    return 2;
  }

  // Text needs a GUI application; without a display the offscreen platform draws.
  OffscreenDrawing drawing;
  if (!drawing.Ok()) {
    err << "kova-cli: picture cannot draw without a GUI application\n";
    return 2;
  }
  std::vector<char> png;
  if (!MN_RenderSpectrumPng(*app.project, system, width, height, png, nullptr, zone)) {
    err << "kova-cli: " << file << ": the picture could not be encoded\n";
    return 2;
  }
  try {
    TL_WriteFileAtomic(file, png);
  } catch (const std::exception& e) {
    err << "kova-cli: " << file << ": cannot be written (" << e.what() << ")\n";
    return 2;
  }
  return 0;
}

}  // namespace kova
