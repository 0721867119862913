#pragma once
// The binary file type of the record formats: little-endian int16/int32/float32, fixed texts and
// counted strings (a 32-bit count followed by that many Windows-1252 bytes).
//
// BinaryWriter collects the bytes in memory; TL_WriteFileAtomic puts them on disk through a
// temporary file that is renamed over the target, so a failed save never damages the old file.
// BinaryReader reads from bytes in memory with a sticky failure state: reading past the end
// fails (and keeps failing) instead of returning garbage, and nothing is allocated for a count
// that the remaining bytes cannot hold.

#include <cstdint>
#include <string>
#include <vector>

namespace kova {

class BinaryWriter {
 public:
  void WriteInt16(int16_t v);
  void WriteInt32(int32_t v);
  void WriteFloat(float v);
  void WriteFixed(const std::string& text);  // the bytes as they are, no count
  void WriteRaw(const void* data, size_t size);
  const std::vector<char>& Bytes() const { return bytes_; }

 private:
  std::vector<char> bytes_;
};

class BinaryReader {
 public:
  BinaryReader() = default;
  explicit BinaryReader(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

  // Each reader returns false (and sets the failure state) when the bytes run out; the value
  // is then 0 / empty.
  bool ReadInt16(int16_t& v);
  bool ReadInt32(int32_t& v);
  bool ReadFloat(float& v);
  bool ReadFixed(size_t size, std::string& text);

  bool Failed() const { return failed_; }
  // Marks the file as unreadable from here on (a count the remaining bytes cannot hold).
  void MarkFailed() { failed_ = true; }
  // Marks the file as unreadable because it holds more than the program takes (a count beyond
  // a limit of the program, which the bytes might well hold).
  void MarkOverLimit() {
    failed_ = true;
    overLimit_ = true;
  }
  bool OverLimit() const { return overLimit_; }
  size_t Remaining() const { return failed_ ? 0 : bytes_.size() - pos_; }
  size_t Position() const { return pos_; }

 private:
  bool Take(void* out, size_t size);
  std::vector<char> bytes_;
  size_t pos_ = 0;
  bool failed_ = false;
  bool overLimit_ = false;
};

// Counted strings. TL_ReadString: 0 on success, -1 on any error (negative count, count beyond
// the remaining bytes, end of file); `text` is converted to UTF-8.
int32_t TL_ReadString(BinaryReader& file, std::string& text);
void TL_WriteString(BinaryWriter& file, const std::string& text);

// Whole-file helpers. Reading fails with false; writing throws KovaError.
bool TL_ReadFileBytes(const std::string& path, std::vector<char>& bytes);
void TL_WriteFileAtomic(const std::string& path, const std::vector<char>& bytes);

}  // namespace kova
