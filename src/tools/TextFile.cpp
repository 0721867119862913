#include "tools/TextFile.h"

#include "tools/AtomicFile.h"
#include "tools/BinaryFile.h"
#include "tools/Encoding.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// Names tried by CloseNew before it gives up.
constexpr int kMaxNewNames = 100000;

}  // namespace

TextWriter::TextWriter() = default;
TextWriter::TextWriter(const std::string& path) { Open(path); }
TextWriter::~TextWriter() = default;

void TextWriter::Open(const std::string& path) {
  file_.reset();
  file_ = std::make_unique<AtomicFile>(path, AtomicFile::MissingFolder::kAccessError);
}

void TextWriter::Line(const std::string& text) {
  if (!file_) throw KovaError(75, "Path/File access error");
  std::string ansi = TL_Utf8ToAnsi(text);
  ansi += "\r\n";
  file_->Write(ansi);
}

void TextWriter::Close() {
  if (!file_) return;
  std::unique_ptr<AtomicFile> file = std::move(file_);
  file->Commit();
}

std::string TextWriter::CloseNew(const std::function<std::string(int)>& name) {
  if (!file_) throw KovaError(75, "Path/File access error");
  std::unique_ptr<AtomicFile> file = std::move(file_);
  for (int k = 1;; ++k) {
    const std::string path = name(k);
    if (file->CommitNew(path)) return path;
    if (k >= kMaxNewNames) throw KovaError(75, "Path/File access error", path, "every free name is taken");
  }
}

void TextWriter::Discard() { file_.reset(); }

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
