#pragma once
// Helpers shared by the tests: temporary directories and file contents.

#include <filesystem>
#include <string>
#include <vector>

namespace kova::test {

// A fresh directory below the system's temp directory, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // The directory with a trailing "/".
  std::string Dir() const { return path_.string() + "/"; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
// Splits a CR LF text into lines (the last empty piece after a final CR LF is dropped).
std::vector<std::string> SplitCrLf(const std::string& text);

}  // namespace kova::test
