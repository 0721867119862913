// kova-cli print: the print document of a project, as File > Create Print Version writes it.

#include <exception>
#include <functional>
#include <ostream>

#include <signal.h>

#include "app/CliSupport.h"
#include "app/SpectrumPictures.h"
#include "app/PrintDocument.h"
#include "tools/TempFolder.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// Holds back Ctrl+C, hang-up, quit and terminate while the document is written, so that they
// end the program only once its temporary folder is gone; a signal that came meanwhile takes
// effect when the scope ends.
class DeferSignals {
 public:
  DeferSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, sig);
    sigprocmask(SIG_BLOCK, &set, &previous_);
  }
  ~DeferSignals() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  DeferSignals(const DeferSignals&) = delete;
  DeferSignals& operator=(const DeferSignals&) = delete;

 private:
  sigset_t previous_{};
};

}  // namespace

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
  if (!CLI_CheckTarget(requested, err) || !CLI_LoadProject(a, app, err)) return 2;

  // The document goes exactly where --out names it; its pictures go to a private temporary
  // folder that is removed on every way out.
  const std::string& path = requested;
  DeferSignals defer;
  try {
    TempFolder folder("print");
    MN_WriteRtfDocument(*app.project, path, folder, pictures(app));
    if (!folder.Remove()) {
      err << "kova-cli: " << TL_ShowName(path) << ": written, but a temporary picture could not be removed\n";
      return 2;
    }
  } catch (const std::exception& e) {
    CLI_WriteFailure(path, e, err);
    return 2;
  }
  return 0;
}

int CLI_Print(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // One offscreen GUI application for all pictures of the document.
  OffscreenDrawing drawing;
  return CLI_Print(args, out, err, [](AppState& app) { return MN_SpectrumPictureProvider(app); });
}

}  // namespace kova
