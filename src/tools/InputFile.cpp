#include "tools/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kova {

namespace {

std::string SizeText(uint64_t bytes) {
  if (bytes >= (uint64_t{1} << 30) && bytes % (uint64_t{1} << 30) == 0) return std::to_string(bytes >> 30) + " GB";
  if (bytes >= (uint64_t{1} << 20) && bytes % (uint64_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

std::string TL_ReadStatusText(ReadStatus status, uint64_t maxBytes) {
  switch (status) {
    case ReadStatus::kOk:
      return "";
    case ReadStatus::kMissing:
      return "cannot be read (no such file or not readable)";
    case ReadStatus::kNotRegular:
      return "cannot be read (not a regular file)";
    case ReadStatus::kTooLarge:
      return "cannot be read (larger than " + SizeText(maxBytes) + ")";
    case ReadStatus::kFailed:
      break;
  }
  return "cannot be read (read error)";
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

ReadStatus InputFile::Open(const std::string& path, uint64_t maxBytes) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  max_ = maxBytes;
  size_ = done_ = 0;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return status_ = ReadStatus::kMissing;
  if (!S_ISREG(st.st_mode)) return status_ = ReadStatus::kNotRegular;
  if (static_cast<uint64_t>(st.st_size) > maxBytes) return status_ = ReadStatus::kTooLarge;
  // O_NONBLOCK: should the name have become a FIFO since the check, the open returns at once
  // instead of waiting for a writer; the check below then refuses it. (Regular files ignore
  // the flag.)
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return status_ = errno == ENXIO ? ReadStatus::kNotRegular : ReadStatus::kMissing;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxBytes) {
    const bool regular = S_ISREG(st.st_mode);
    ::close(fd);
    return status_ = regular ? ReadStatus::kTooLarge : ReadStatus::kNotRegular;
  }
  fd_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
  return status_ = ReadStatus::kOk;
}

size_t InputFile::Read(char* buffer, size_t size) {
  size_t got = 0;
  while (status_ == ReadStatus::kOk && got < size) {
    // Never more than one byte past the limit: that byte is enough to tell the file grew.
    const uint64_t allowed = max_ - done_ + 1;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(size - got, allowed));
    const ssize_t n = ::read(fd_, buffer + got, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      status_ = ReadStatus::kFailed;
      break;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
    done_ += static_cast<uint64_t>(n);
    if (done_ > max_) status_ = ReadStatus::kTooLarge;
  }
  return status_ == ReadStatus::kOk ? got : 0;
}

ReadStatus TL_ReadWholeFile(const std::string& path, uint64_t maxBytes, std::vector<char>& bytes) {
  bytes.clear();
  InputFile in;
  if (in.Open(path, maxBytes) != ReadStatus::kOk) return in.Status();
  // The size at the open, and more should the file have grown since.
  bytes.resize(static_cast<size_t>(in.Size()) + 1);
  size_t used = 0;
  for (;;) {
    const size_t n = in.Read(bytes.data() + used, bytes.size() - used);
    used += n;
    if (n == 0 || in.Status() != ReadStatus::kOk) break;
    if (used == bytes.size()) bytes.resize(bytes.size() + std::max<size_t>(bytes.size() / 2, 4096));
  }
  if (in.Status() != ReadStatus::kOk) {
    std::vector<char>().swap(bytes);
    return in.Status();
  }
  bytes.resize(used);
  return ReadStatus::kOk;
}

}  // namespace kova
