#pragma once
// Opening and reading the files the program reads, under one rule for all of them:
// - only a regular file is opened. A folder, a FIFO, a device or a socket is refused from its
//   directory entry before anything is opened (opening a FIFO without a writer would wait
//   forever, a device such as /dev/zero never ends), and once more from the opened file, in
//   case the name was pointed elsewhere in between;
// - a file larger than any valid file of its kind is refused before a byte of it is read, and
//   reading stops with the same answer if the file grows past the limit while it is read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kova {

// The largest file of each kind the program reads. Valid files are far smaller (a project with
// two full systems is a few hundred kilobytes, a scan of a million points some 20 MB), so the
// limits only stop files that are not what they claim to be.
//  - projects (.kova, .zel), presets, system data, CSV frequency lists and other texts: 64 MB
//  - venue scans: 1 GB
inline constexpr uint64_t kMaxDataFileBytes = uint64_t{64} << 20;
inline constexpr uint64_t kMaxScanFileBytes = uint64_t{1} << 30;

enum class ReadStatus {
  kOk,
  kMissing,     // no such file, or it cannot be opened (permissions)
  kNotRegular,  // a folder, FIFO, device or socket
  kTooLarge,    // larger than the limit of its kind
  kFailed,      // an error while reading
};

// The message for a file that could not be read: "cannot be read (...)" with the reason.
std::string TL_ReadStatusText(ReadStatus status, uint64_t maxBytes);

class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Opens `path` for reading when it is a regular file of at most `maxBytes` bytes.
  ReadStatus Open(const std::string& path, uint64_t maxBytes);
  // Reads up to `size` bytes (fewer only at the end); 0 at the end of the file or after a
  // failure, which Status() then tells.
  size_t Read(char* buffer, size_t size);
  ReadStatus Status() const { return status_; }
  // The size the file had when it was opened.
  uint64_t Size() const { return size_; }

 private:
  int fd_ = -1;
  uint64_t max_ = 0;
  uint64_t size_ = 0;
  uint64_t done_ = 0;
  ReadStatus status_ = ReadStatus::kMissing;
};

// Reads the whole of `path` (at most `maxBytes`) into `bytes`; `bytes` is empty on failure.
ReadStatus TL_ReadWholeFile(const std::string& path, uint64_t maxBytes, std::vector<char>& bytes);

}  // namespace kova
