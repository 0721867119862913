#include "app/ExportTarget.h"

#include <filesystem>
#include <system_error>

#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace fs = std::filesystem;

bool MN_SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  if (fs::equivalent(a, b, ec) && !ec) return true;
  // A file that does not exist yet can still be named twice alike.
  const fs::path pa = fs::weakly_canonical(fs::path(a), ec);
  if (ec) return false;
  const fs::path pb = fs::weakly_canonical(fs::path(b), ec);
  return !ec && pa == pb;
}

std::string MN_ExportOfferedName(const AppState& app, const std::string& extension, const std::string& fallback) {
  if (app.projectFile.empty()) return fallback;
  return TL_StripExtension(app.projectFile) + "." + extension;
}

bool MN_ChooseExportFile(const AppState& app, const std::string& title, const std::string& filter,
                         const std::string& extension, ExtensionRule rule, std::string& directory,
                         std::string& fileName) {
  for (;;) {
    int filterIndex = 1;
    if (TL_SaveFileDialog(title, directory, fileName, filter, filterIndex) == 0) return false;
    directory = TL_AddBackslash(directory);
    if (rule == ExtensionRule::kReplace || TL_GetExtension(fileName).empty())
      fileName = TL_StripExtension(fileName) + "." + extension;
    const std::string path = directory + fileName;
    if (MN_SameFile(path, app.projectPath)) {
      TL_ShowInfo(fileName + " is the file of the open project. An export never replaces it; please choose another name.");
      return false;
    }
    std::error_code ec;
    if (!fs::exists(path, ec)) return true;
    if (TL_AskYesNo(fileName + " already exists.\rDo you want to replace it?") == kYes) return true;
  }
}

}  // namespace kova
