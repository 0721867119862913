#pragma once
// PNG images built byte by byte for the picture tests: an RGB image of one colour with a frame
// of another, stored without compression (zlib "stored" blocks), so any PNG reader accepts it.

#include <algorithm>
#include <cstdint>
#include <string>

namespace kova::test {

inline uint32_t PngCrc(const std::string& bytes) {
  uint32_t crc = 0xffffffffu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xffffffffu;
}

inline void PngPut32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xff);
}

inline void PngChunk(std::string& out, const std::string& type, const std::string& data) {
  PngPut32(out, static_cast<uint32_t>(data.size()));
  out += type + data;
  PngPut32(out, PngCrc(type + data));
}

// `fill` and `frame` as 0xRRGGBB; width and height at least 1.
inline std::string MakePng(uint32_t width, uint32_t height, uint32_t fill, uint32_t frame = 0x000000) {
  std::string raw;
  for (uint32_t y = 0; y < height; ++y) {
    raw += '\0';  // filter: none
    for (uint32_t x = 0; x < width; ++x) {
      const bool edge = x < 2 || y < 2 || x + 2 >= width || y + 2 >= height;
      const uint32_t c = edge ? frame : fill;
      raw += static_cast<char>(c >> 16);
      raw += static_cast<char>((c >> 8) & 0xff);
      raw += static_cast<char>(c & 0xff);
    }
  }
  std::string z = "\x78\x01";
  for (size_t at = 0; at < raw.size(); at += 65535) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z += static_cast<char>(at + n >= raw.size() ? 1 : 0);
    z += static_cast<char>(n & 0xff);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xff);
    z += static_cast<char>((~n >> 8) & 0xff);
    z += raw.substr(at, n);
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PngPut32(z, (b << 16) | a);

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  PngPut32(ihdr, width);
  PngPut32(ihdr, height);
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  PngChunk(png, "IHDR", ihdr);
  PngChunk(png, "IDAT", z);
  PngChunk(png, "IEND", "");
  return png;
}

}  // namespace kova::test
