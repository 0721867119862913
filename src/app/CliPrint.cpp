// kova-cli print: the print document of a project, as File > Create Print Version writes it.

#include <exception>
#include <functional>
#include <ostream>

#include "app/CliSupport.h"
#include "app/SpectrumPictures.h"
#include "app/PrintDocument.h"
#include "tools/Tools.h"

namespace kova {

int CLI_Print(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const std::function<SpectrumPictureProvider(AppState&)>& pictures) {
  (void)out;
  CliArgs a;
  AppState app;
  if (!CLI_ParseArgs(args, {"--out"}, {}, a, err)) return 2;
  const std::string requested = a.Option("--out");
  if (requested.empty()) {
    err << "kova-cli: print: --out FILE.rtf is required\n";
    return 2;
  }
  if (!CLI_LoadProject(a, app, err)) return 2;

  // The extension becomes ".rtf" as in the menu command; the temporary pictures go beside the
  // document, where writing is possible if the document can be written at all.
  const size_t sep = requested.find_last_of("\\/");
  const std::string directory = sep == std::string::npos ? "" : requested.substr(0, sep + 1);
  const std::string path = directory + MN_RtfFileName(requested.substr(directory.size()));
  std::vector<std::string> tempFiles;
  int code = 0;
  try {
    MN_WriteRtfDocument(*app.project, path, directory, pictures(app), tempFiles);
  } catch (const std::exception& e) {
    err << "kova-cli: " << path << ": cannot be written (" << e.what() << ")\n";
    code = 2;
  }
  if (!MN_RemoveTempFiles(tempFiles) && code == 0) {
    err << "kova-cli: " << path << ": written, but a temporary picture could not be removed\n";
    code = 2;
  }
  return code;
}

int CLI_Print(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // One offscreen GUI application for all pictures of the document.
  OffscreenDrawing drawing;
  return CLI_Print(args, out, err, [](AppState& app) { return MN_SpectrumPictureProvider(app); });
}

}  // namespace kova
