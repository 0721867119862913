#pragma once
// Listing the files of one kind in the program's fixed directories.

#include <string>
#include <vector>

namespace kova {

// Names (without directory) of the regular files in `dir` whose extension is `ext` in any
// letter case, as a "*.ext" pattern matches them, sorted by name; with `everyKind` also the
// folders, pipes, devices and other entries so named. Empty when the directory cannot be listed.
std::vector<std::string> MN_ListFiles(const std::string& dir, const std::string& ext, bool everyKind = false);

}  // namespace kova
