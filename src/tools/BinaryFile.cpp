#include "tools/BinaryFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "tools/Encoding.h"
#include "tools/InputFile.h"
#include "tools/Tools.h"

namespace kova {

void BinaryWriter::WriteRaw(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

void BinaryWriter::WriteInt16(int16_t v) {
  auto u = static_cast<uint16_t>(v);
  char b[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  WriteRaw(b, 2);
}

void BinaryWriter::WriteInt32(int32_t v) {
  auto u = static_cast<uint32_t>(v);
  char b[4];
  for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  WriteRaw(b, 4);
}

void BinaryWriter::WriteFloat(float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  WriteInt32(static_cast<int32_t>(u));
}

void BinaryWriter::WriteFixed(const std::string& text) { WriteRaw(text.data(), text.size()); }

bool BinaryReader::Take(void* out, size_t size) {
  if (failed_ || bytes_.size() - pos_ < size) {
    failed_ = true;
    std::memset(out, 0, size);
    return false;
  }
  std::memcpy(out, bytes_.data() + pos_, size);
  pos_ += size;
  return true;
}

bool BinaryReader::ReadInt16(int16_t& v) {
  unsigned char b[2];
  bool ok = Take(b, 2);
  v = static_cast<int16_t>(static_cast<uint16_t>(b[0] | (b[1] << 8)));
  return ok;
}

bool BinaryReader::ReadInt32(int32_t& v) {
  unsigned char b[4];
  bool ok = Take(b, 4);
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(b[i]) << (8 * i);
  v = static_cast<int32_t>(u);
  return ok;
}

bool BinaryReader::ReadFloat(float& v) {
  int32_t i;
  bool ok = ReadInt32(i);
  auto u = static_cast<uint32_t>(i);
  std::memcpy(&v, &u, 4);
  return ok;
}

bool BinaryReader::ReadFixed(size_t size, std::string& text) {
  text.clear();
  if (failed_ || Remaining() < size) {
    failed_ = true;
    return false;
  }
  text.assign(bytes_.data() + pos_, size);
  pos_ += size;
  return true;
}

int32_t TL_ReadString(BinaryReader& file, std::string& text) {
  text.clear();
  int32_t count = 0;
  if (!file.ReadInt32(count)) return -1;
  if (count < 0 || static_cast<size_t>(count) > file.Remaining()) return -1;
  std::string raw;
  if (!file.ReadFixed(static_cast<size_t>(count), raw)) return -1;
  text = TL_AnsiToUtf8(raw);
  return 0;
}

void TL_WriteString(BinaryWriter& file, const std::string& text) {
  std::string ansi = TL_Utf8ToAnsi(text);
  file.WriteInt32(static_cast<int32_t>(ansi.size()));
  file.WriteFixed(ansi);
}

bool TL_ReadFileBytes(const std::string& path, std::vector<char>& bytes) {
  return TL_ReadWholeFile(path, kMaxDataFileBytes, bytes) == ReadStatus::kOk;
}

}  // namespace kova
