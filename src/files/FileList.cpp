#include "files/FileList.h"

#include <algorithm>
#include <filesystem>

#include "tools/Tools.h"

namespace kova {

std::vector<std::string> MN_ListFiles(const std::string& dir, const std::string& ext, bool everyKind) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code fec;
    if (!everyKind && !it->is_regular_file(fec)) continue;
    std::string name = it->path().filename().string();
    if (TL_ToLower(TL_GetExtension(name)) == ext) names.push_back(name);
  }
  // The directory listing has no defined order; sorting makes the preset and system lists the
  // same on every run and every file system.
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace kova
