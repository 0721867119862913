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

std::string MN_OpenProjectName(const AppState& app) {
  return app.projectPath.empty() ? std::string() : TL_GetFileName(app.projectPath);
}

std::string MN_ExportOfferedName(const AppState& app, const std::string& extension, const std::string& fallback) {
  const std::string open = MN_OpenProjectName(app);
  if (open.empty()) return fallback;
  return TL_StripExtension(open) + "." + extension;
}

bool MN_MayReplace(const std::string& path, const std::string& openFile) {
  std::error_code ec;
  if (!fs::exists(path, ec) || MN_SameFile(path, openFile)) return true;
  return TL_AskYesNo(TL_ShowName(TL_GetFileName(path)) + " already exists. Replace it?") == kYes;
}

bool MN_ChooseSaveFile(const std::string& title, const std::string& filter, std::string& directory,
                       std::string& fileName, std::string (*finalName)(const std::string&),
                       const std::string& openFile) {
  for (;;) {
    int filterIndex = 1;
    if (TL_SaveFileDialog(title, directory, fileName, filter, filterIndex) == 0) return false;
    directory = TL_AddBackslash(directory);
    if (finalName) fileName = finalName(fileName);
    if (MN_MayReplace(directory + fileName, openFile)) return true;
  }
}

std::string MN_FreeProjectName(const std::string& directory) {
  for (int n = 1;; ++n) {
    const std::string name = "Project" + std::to_string(n) + ".kova";
    std::error_code ec;
    if (!fs::exists(fs::path(TL_AddBackslash(directory) + name), ec) || n >= 100000) return name;
  }
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
    if (MN_MayReplace(path)) return true;
  }
}

}  // namespace kova
