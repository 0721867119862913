#include "tools/TextFile.h"

#include "tools/BinaryFile.h"
#include "tools/Encoding.h"
#include "tools/Tools.h"

namespace kova {

void TextWriter::Open(const std::string& path) {
  out_.open(path, std::ios::binary | std::ios::trunc);
  if (!out_) throw KovaError(75, "Path/File access error");
}

void TextWriter::Line(const std::string& text) {
  std::string ansi = TL_Utf8ToAnsi(text);
  ansi += "\r\n";
  out_.write(ansi.data(), static_cast<std::streamsize>(ansi.size()));
  if (!out_) throw KovaError(61, "Disk full");
}

void TextWriter::Close() {
  if (out_.is_open()) out_.close();
}

bool TL_ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  std::vector<char> bytes;
  if (!TL_ReadFileBytes(path, bytes)) return false;
  std::string cur;
  for (size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(TL_AnsiToUtf8(cur));
      cur.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      cur.push_back(c);
    }
  }
  if (!cur.empty()) lines.push_back(TL_AnsiToUtf8(cur));
  return true;
}

}  // namespace kova
