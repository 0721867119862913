// kova-cli picture: the spectrum display drawn offscreen into a PNG file, zoomed to the data as
// the display's "Full" does with its default ticks (search spectrum and used channels).
#include <exception>
#include <memory>
#include <ostream>

#include "app/CliSupport.h"
#include "app/SpectrumPictures.h"
#include "tools/BinaryFile.h"
#include "tools/Tools.h"

namespace kova {

int CLI_Picture(const std::vector<std::string>& args, std::ostream& err) {
  CliArgs a;
  if (!CLI_ParseArgs(args, {"--out", "--width", "--height", "--system", "--zone"}, {}, a, err) ||
      !CLI_CheckTargets(a, {"--out"}, err))
    return 2;
  const std::string file = a.Option("--out");
  if (file.empty()) {
    err << "kova-cli: picture needs --out FILE.png\n";
    return 2;
  }
  int64_t width = 0, height = 0;
  int32_t system = 0;
  int64_t zone = 0;
  if (!CLI_ReadWhole(a, "--width", 1600, 16, 10000, width, err) ||
      !CLI_ReadWhole(a, "--height", 600, 16, 10000, height, err) ||
      !CLI_ReadWhole(a, "--zone", 0, 1, CZones::kMaxZones, zone, err))
    return 2;
  AppState app;
  if (!CLI_LoadProject(a, app, err) ||
      !CLI_ReadSystem(a, "--system", app.project->GlSystems(), 0, system, err))
    return 2;
  if (zone > app.project->GcZones().GlCount()) {
    err << "kova-cli: " << TL_ShowName(a.project) << ": the project has no zone " << zone << " (zones 1 to "
        << app.project->GcZones().GlCount() << ")\n";
    return 2;
  }

  // Text needs a GUI application; without a display the offscreen platform draws.
  OffscreenDrawing drawing;
  if (!drawing.Ok()) {
    err << "kova-cli: picture cannot draw without a GUI application\n";
    return 2;
  }
  std::vector<char> png;
  if (!MN_RenderSpectrumPng(*app.project, system, static_cast<int>(width), static_cast<int>(height), png, nullptr, nullptr, static_cast<int32_t>(zone))) {
    err << "kova-cli: " << TL_ShowName(file) << ": the picture could not be encoded\n";
    return 2;
  }
  try {
    TL_WriteFileAtomic(file, png);
  } catch (const std::exception& e) {
    CLI_WriteFailure(file, e, err);
    return 2;
  }
  return 0;
}

}  // namespace kova
