#include "app/CommandLine.h"

#include <filesystem>
#include <system_error>

#include "app/Commands.h"

namespace kova {

DesktopArgs MN_ParseDesktopArgs(const std::vector<std::string>& args) {
  DesktopArgs result;
  std::vector<std::string> files;
  std::string firstError;
  bool optionsEnded = false;
  for (const std::string& a : args) {
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (a == "--help" || a == "-h")) {
      result.action = DesktopArgs::Action::kHelp;
      return result;
    } else if (!optionsEnded && (a == "--version" || a == "-v")) {
      result.action = DesktopArgs::Action::kVersion;
      return result;
    } else if (!optionsEnded && a == "--editor") {
      result.editor = true;
    } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
      if (firstError.empty()) firstError = "unknown option '" + a + "'";
    } else {
      files.push_back(a);
    }
  }
  if (firstError.empty() && files.size() > 1) firstError = "only one project file can be opened";
  if (!firstError.empty()) {
    result.action = DesktopArgs::Action::kError;
    result.error = firstError;
    return result;
  }
  if (!files.empty()) result.project = files.front();
  return result;
}

std::string MN_DesktopUsage() {
  return "Usage: kova [options] [PROJECT]\n"
         "\n"
         "Coordinates the frequencies of wireless microphones and in-ear monitors.\n"
         "\n"
         "  PROJECT          a project file (.kova, or .zel of the predecessor) to open\n"
         "                   instead of starting with a new project\n"
         "      --editor     start in the System Editor instead of the start wizard, for\n"
         "                   this run only (View > Editor Mode keeps it for every start)\n"
         "  -h, --help       this text\n"
         "  -v, --version    the program's version\n"
         "\n"
         "The options of the Qt toolkit (-platform NAME, -style NAME, ...) work as well.\n"
         "Environment: KOVA_HOME is the application directory (SystemData/, Presets/,\n"
         "Checks/ below it; default ~/.local/share/KOVA); KOVA_USER_LEVEL sets the user\n"
         "level (2 = editor mode with the expert layouts, 0 = start wizard) over the\n"
         "stored editor mode and --editor. kova-cli runs the same computations without a\n"
         "display.\n";
}

std::string MN_DesktopVersion() { return std::string("kova ") + KOVA_VERSION + "\n"; }

bool MN_OpenFromCommandLine(AppState& app, const std::string& path) {
  if (path.empty()) return false;
  // The Open dialog hands over an absolute directory with a trailing separator and a bare file
  // name; a path from the command line is brought into the same form, so that Save, Save As and
  // the next dialog start where the file is even after the working directory has changed.
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path full = fs::absolute(fs::path(path), ec);
  if (ec) full = fs::path(path);
  full = full.lexically_normal();
  std::string dir = full.parent_path().string();
  if (dir.empty() || dir.back() != '/') dir.push_back('/');
  return MN_OpenProjectFile(app, dir, full.filename().string());
}

}  // namespace kova
