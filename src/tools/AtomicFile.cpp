#include "tools/AtomicFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/BinaryFile.h"
#include "tools/SignalStop.h"
#include "tools/Tools.h"

namespace kova {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxNameBytes = 255;    // longest file name of the file systems we write to
constexpr char kTempTag[] = ".kova-tmp-";
constexpr size_t kPidDigits = 10;        // room for any process id
constexpr size_t kTempRandom = 6;        // random letters or digits at the end of the name
constexpr size_t kBufferBytes = 1 << 16;

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

uint32_t Fnv1a(const std::string& text) {
  uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return h;
}

// Removes `file` when it is provably dead: a regular file of this user whose writer has gone
// (no such process, and nobody holds its lock). The lock is taken on the very file the name
// still names, so a file put in its place meanwhile is not removed.
void RemoveIfDead(const fs::path& file, long owner) {
  if (owner <= 0 || TL_ProcessAlive(owner)) return;
  const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return;
  struct stat opened{}, named{};
  if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
      ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(file.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
      named.st_ino == opened.st_ino)
    ::unlink(file.c_str());
  ::close(fd);
}

void RemoveDeadLeftovers(const fs::path& dir, const std::string& prefix) {
  std::error_code ec;
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string file = it->path().filename().string();
    RemoveIfDead(it->path(), TL_TempNameOwner(file, prefix));
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

long TL_TempNameOwner(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::string rest = name.substr(prefix.size());
  const size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string::npos || dash > kPidDigits || rest.size() - dash - 1 != kTempRandom) return 0;
  long pid = 0;
  for (size_t i = 0; i < dash; ++i) {
    if (!IsDigit(rest[i])) return 0;
    pid = pid * 10 + (rest[i] - '0');
  }
  for (size_t i = dash + 1; i < rest.size(); ++i)
    if (!IsAlnum(rest[i])) return 0;
  return pid;
}

bool TL_ProcessAlive(long pid) {
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

std::string AtomicFile::TempPrefix(const std::string& name) {
  const size_t room = kMaxNameBytes - 1 - (sizeof kTempTag - 1) - kPidDigits - 1 - kTempRandom;
  if (name.size() <= room) return "." + name + kTempTag;
  char hash[16];
  std::snprintf(hash, sizeof hash, "~%08x", static_cast<unsigned>(Fnv1a(name)));
  size_t keep = room - 9;
  while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;  // whole characters only
  return "." + name.substr(0, keep) + hash + kTempTag;
}

AtomicFile::AtomicFile(const std::string& path, MissingFolder missing) : shown_(path) {
  fs::path target(path);
  std::error_code ec;
  if (fs::is_symlink(target, ec)) {
    // A link to nothing is refused: replacing it would put a plain file in place of the link.
    fs::path linked = fs::canonical(target, ec);
    if (ec) throw KovaError(75, "Path/File access error", path, "a link to a file that does not exist");
    target = linked;
  }
  const fs::file_status status = fs::status(target, ec);
  constexpr char kNamesFolder[] = "names a folder, not a file";
  if (!path.empty() && TL_IsSeparator(path.back())) throw KovaError(75, "Path/File access error", path, kNamesFolder);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    if (fs::is_directory(status)) throw KovaError(75, "Path/File access error", path, "is a folder, not a file");
    // Without a reader a pipe would keep the open waiting for ever: fail at once instead.
    fd_ = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
      const int errnum = errno;
      throw KovaError(75, "Path/File access error", path,
                      errnum == ENXIO ? "a pipe that nobody reads" : TL_SystemReason(errnum));
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    target_ = target.string();
    return;
  }
  const fs::path dir = target.parent_path();
  if (!dir.empty() && !fs::is_directory(dir, ec)) {
    if (missing == MissingFolder::kPathNotFound) throw KovaError(76, "Path not found", path, "no such folder");
    throw KovaError(75, "Path/File access error", path, "no such folder");
  }
  const std::string name = target.filename().string();
  if (name.empty() || name == "." || name == "..") throw KovaError(75, "Path/File access error", path, kNamesFolder);

  // A file the user may not write stays as it is, although its folder would let it be replaced.
  if (fs::exists(status) && ::access(target.c_str(), W_OK) != 0)
    throw KovaError(75, "Path/File access error", path, TL_SystemReason(errno));

  const std::string prefix = TempPrefix(name);
  RemoveDeadLeftovers(dir, prefix);
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  int errnum = 0;
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    std::string file = prefix + std::to_string(static_cast<long>(::getpid())) + "-";
    for (size_t i = 0; i < kTempRandom; ++i) file += kLetters[random() % (sizeof kLetters - 1)];
    const fs::path temp = dir / file;
    // Created and listed in one step, so that a signal's clean-up finds every temporary file.
    const std::unique_lock<std::mutex> lock = TempRegistry::Lock();
    fd_ = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    errnum = errno;
    if (fd_ >= 0) {
      temp_ = temp.string();
      registered_ = TempRegistry::Add(temp_, false, lock);
    } else if (errnum != EEXIST) {
      break;
    }
  }
  if (fd_ < 0) throw KovaError(75, "Path/File access error", path, TL_SystemReason(errnum));
  // Held until the file is renamed or removed: while it is, no other writer takes the file for a
  // leftover (the process id in the name covers the moment before the lock).
  ::flock(fd_, LOCK_EX | LOCK_NB);
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
    if (n < 0) Fail(61, "Disk full", errno);
    if (n == 0) Fail(61, "Disk full", ENOSPC);
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
}

void AtomicFile::Fail(int number, const char* description, int errnum) {
  Discard();
  throw KovaError(number, description, shown_, TL_SystemReason(errnum));
}

void AtomicFile::Commit() {
  if (fd_ < 0 && temp_.empty()) throw KovaError(75, "Path/File access error");
  if (temp_.empty()) {  // a device or a pipe: nothing to rename
    FlushBuffer();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) Fail(61, "Disk full", errno);
    return;
  }
  Finish();
  int errnum = 0;
  {
    const std::unique_lock<std::mutex> lock = TempRegistry::Lock();
    if (::rename(temp_.c_str(), target_.c_str()) == 0) {
      TempRegistry::Drop(registered_, lock);
      registered_ = 0;
      temp_.clear();
    } else {
      errnum = errno;
    }
  }
  if (errnum != 0) Fail(75, "Path/File access error", errnum);
  SyncFolder(fs::path(target_).parent_path());
}

void AtomicFile::Finish() {
  if (fd_ < 0) return;
  FlushBuffer();
  if (::fsync(fd_) != 0) Fail(61, "Disk full", errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) Fail(61, "Disk full", errno);
}

bool AtomicFile::CommitNew(const std::string& path) {
  if (temp_.empty() && fd_ < 0) throw KovaError(75, "Path/File access error");
  if (temp_.empty()) throw KovaError(75, "Path/File access error", shown_, "not a plain file");
  Finish();
  int errnum = 0;
  {
    const std::unique_lock<std::mutex> lock = TempRegistry::Lock();
    // Put in place only where no file is: the rename that does not replace, else a hard link,
    // which fails alike on a name that exists.
    int result = ::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
      result = ::link(temp_.c_str(), path.c_str());
      if (result == 0) ::unlink(temp_.c_str());
    }
    if (result == 0) {
      TempRegistry::Drop(registered_, lock);
      registered_ = 0;
      temp_.clear();
      return true;
    }
    errnum = errno;
  }
  if (errnum == EEXIST) return false;
  shown_ = path;
  Fail(75, "Path/File access error", errnum);
}

void AtomicFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  const std::unique_lock<std::mutex> lock = TempRegistry::Lock();
  if (!temp_.empty()) ::unlink(temp_.c_str());
  if (registered_) TempRegistry::Drop(registered_, lock);
  registered_ = 0;
  temp_.clear();
  buffer_.clear();
}

void TL_WriteFileAtomic(const std::string& path, const std::vector<char>& bytes) {
  AtomicFile file(path);
  file.Write(bytes.data(), bytes.size());
  file.Commit();
}

}  // namespace kova
