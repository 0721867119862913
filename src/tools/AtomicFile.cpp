#include "tools/AtomicFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/BinaryFile.h"
#include "tools/Tools.h"

namespace kova {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxNameBytes = 255;    // longest file name of the file systems we write to
constexpr char kTempTag[] = ".kova-tmp-";
constexpr size_t kTempRandom = 6;        // random letters or digits at the end of the name
constexpr size_t kBufferBytes = 1 << 16;

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

uint32_t Fnv1a(const std::string& text) {
  uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return h;
}

// Whether `file` is a temporary file an earlier run left behind while writing `name`: the
// current naming, or "NAME.tmp" followed by 1 to 6 digits as older versions named them.
bool IsLeftover(const std::string& file, const std::string& name, const std::string& prefix) {
  auto restIs = [&file](size_t from, size_t least, size_t most, bool (*ok)(char)) {
    const size_t n = file.size() - from;
    if (n < least || n > most) return false;
    for (size_t i = from; i < file.size(); ++i)
      if (!ok(file[i])) return false;
    return true;
  };
  if (file.size() > prefix.size() && file.compare(0, prefix.size(), prefix) == 0)
    return restIs(prefix.size(), kTempRandom, kTempRandom, IsAlnum);
  const std::string legacy = name + ".tmp";
  if (file.size() > legacy.size() && file.compare(0, legacy.size(), legacy) == 0)
    return restIs(legacy.size(), 1, 6, [](char c) { return c >= '0' && c <= '9'; });
  return false;
}

void RemoveLeftovers(const fs::path& dir, const std::string& name, const std::string& prefix) {
  std::error_code ec;
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string file = it->path().filename().string();
    std::error_code typeEc;
    if (IsLeftover(file, name, prefix) && it->is_regular_file(typeEc) && !it->is_symlink(typeEc)) {
      std::error_code removeEc;
      fs::remove(it->path(), removeEc);
    }
  }
}

// Syncs the folder, so that the rename itself survives a power loss. Best effort: not every
// file system lets a folder be opened or synced.
void SyncFolder(const fs::path& dir) {
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string AtomicFile::TempPrefix(const std::string& name) {
  const size_t room = kMaxNameBytes - 1 - (sizeof kTempTag - 1) - kTempRandom;
  if (name.size() <= room) return "." + name + kTempTag;
  char hash[16];
  std::snprintf(hash, sizeof hash, "~%08x", static_cast<unsigned>(Fnv1a(name)));
  size_t keep = room - 9;
  while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;  // whole characters only
  return "." + name.substr(0, keep) + hash + kTempTag;
}

AtomicFile::AtomicFile(const std::string& path, MissingFolder missing) {
  fs::path target(path);
  std::error_code ec;
  if (fs::is_symlink(target, ec)) {
    fs::path linked = fs::canonical(target, ec);
    if (!ec) target = linked;
  }
  const fs::file_status status = fs::status(target, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    if (fs::is_directory(status)) throw KovaError(75, "Path/File access error");
    fd_ = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) throw KovaError(75, "Path/File access error");
    target_ = target.string();
    return;
  }
  const fs::path dir = target.parent_path();
  if (!dir.empty() && !fs::is_directory(dir, ec)) {
    if (missing == MissingFolder::kPathNotFound) throw KovaError(76, "Path not found");
    throw KovaError(75, "Path/File access error");
  }
  const std::string name = target.filename().string();
  if (name.empty() || name == "." || name == "..") throw KovaError(75, "Path/File access error");

  // A file the user may not write stays as it is, although its folder would let it be replaced.
  if (fs::exists(status) && ::access(target.c_str(), W_OK) != 0) throw KovaError(75, "Path/File access error");

  const std::string prefix = TempPrefix(name);
  RemoveLeftovers(dir, name, prefix);
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    std::string file = prefix;
    for (size_t i = 0; i < kTempRandom; ++i) file += kLetters[random() % (sizeof kLetters - 1)];
    const fs::path temp = dir / file;
    fd_ = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) temp_ = temp.string();
    else if (errno != EEXIST) break;
  }
  if (fd_ < 0) throw KovaError(75, "Path/File access error");
  // The new file keeps the permissions of the one it replaces.
  struct stat old{};
  if (::stat(target.c_str(), &old) == 0) ::fchmod(fd_, old.st_mode & 07777);
  target_ = target.string();
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Write(const char* data, size_t size) {
  if (fd_ < 0) throw KovaError(75, "Path/File access error");
  buffer_.append(data, size);
  if (buffer_.size() >= kBufferBytes) FlushBuffer();
}

void AtomicFile::FlushBuffer() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(61, "Disk full");
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
}

void AtomicFile::Fail(int number, const char* description) {
  Discard();
  throw KovaError(number, description);
}

void AtomicFile::Commit() {
  if (fd_ < 0) throw KovaError(75, "Path/File access error");
  FlushBuffer();
  if (temp_.empty()) {  // a device or a pipe: nothing to rename
    if (::close(fd_) != 0 && errno != EINTR) {
      fd_ = -1;
      throw KovaError(61, "Disk full");
    }
    fd_ = -1;
    return;
  }
  if (::fsync(fd_) != 0) Fail(61, "Disk full");
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) Fail(61, "Disk full");
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(75, "Path/File access error");
  temp_.clear();
  SyncFolder(fs::path(target_).parent_path());
}

void AtomicFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  buffer_.clear();
}

void TL_WriteFileAtomic(const std::string& path, const std::vector<char>& bytes) {
  AtomicFile file(path);
  file.Write(bytes.data(), bytes.size());
  file.Commit();
}

}  // namespace kova
