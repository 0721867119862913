#include "tools/TempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/AtomicFile.h"
#include "tools/SignalStop.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// Removes the plain files of the open folder `fd` (never following a link, never entering a
// folder), then the folder `path`; false when something stayed.
bool EmptyAndRemove(int fd, const std::string& path) {
  const int listFd = ::dup(fd);
  if (listFd < 0) return false;
  DIR* dir = ::fdopendir(listFd);
  if (!dir) {
    ::close(listFd);
    return false;
  }
  std::vector<std::string> files;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    struct stat st{};
    if (name == "." || name == "..") continue;
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) files.push_back(name);
  }
  ::closedir(dir);
  bool ok = true;
  for (const std::string& name : files) ok = ::unlinkat(fd, name.c_str(), 0) == 0 && ok;
  return ::rmdir(path.c_str()) == 0 && ok;
}

// Removes the folders of killed runs below `parent` that begin with `prefix`.
void RemoveDeadFolders(const std::string& parent, const std::string& prefix) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
    const long owner = TL_TempNameOwner(it->path().filename().string(), prefix);
    if (owner <= 0 || TL_ProcessAlive(owner)) continue;
    const std::string path = it->path().string();
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st{};
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      EmptyAndRemove(fd, path);
    ::close(fd);
  }
}

}  // namespace

std::string TempFolder::SystemTempDir() {
  const char* env = std::getenv("TMPDIR");
  std::error_code ec;
  if (env && *env && std::filesystem::is_directory(env, ec)) return TL_AddBackslash(env);
  return "/tmp/";
}

TempFolder::TempFolder(const std::string& purpose) : TempFolder(SystemTempDir(), purpose) {}

TempFolder::TempFolder(const std::string& parent, const std::string& purpose) {
  const std::string dir = TL_AddBackslash(parent);
  const std::string prefix = "kova-" + purpose + "-";
  RemoveDeadFolders(dir, prefix);
  std::string pattern = dir + prefix + std::to_string(static_cast<long>(::getpid())) + "-XXXXXX";
  {
    // Created and listed in one step, so that a signal's clean-up finds the folder.
    const std::unique_lock<std::mutex> lock = TempRegistry::Lock();
    if (!::mkdtemp(pattern.data())) throw KovaError(75, "Path/File access error", dir, TL_SystemReason(errno));
    registered_ = TempRegistry::Add(pattern, true, lock);
  }
  lock_ = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (lock_ < 0 || ::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    const int errnum = errno;
    if (lock_ >= 0) ::close(lock_);
    lock_ = -1;
    const std::unique_lock<std::mutex> lock = TempRegistry::Lock();
    ::rmdir(pattern.c_str());
    TempRegistry::Drop(registered_, lock);
    throw KovaError(75, "Path/File access error", pattern, TL_SystemReason(errnum));
  }
  path_ = pattern + "/";
}

TempFolder::~TempFolder() { Remove(); }

bool TempFolder::Remove() {
  if (lock_ < 0) return true;
  const std::unique_lock<std::mutex> lock = TempRegistry::Lock();
  const bool removed = EmptyAndRemove(lock_, path_.substr(0, path_.size() - 1));
  TempRegistry::Drop(registered_, lock);
  ::close(lock_);
  lock_ = -1;
  return removed;
}

}  // namespace kova
