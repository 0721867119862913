#pragma once
// Text files of the program: Windows-1252, every line ended by CR LF.

#include <fstream>
#include <string>
#include <vector>

namespace kova {

class TextWriter {
 public:
  TextWriter() = default;
  // Creates or truncates the file; throws KovaError when it cannot be opened.
  explicit TextWriter(const std::string& path) { Open(path); }
  void Open(const std::string& path);
  bool IsOpen() const { return out_.is_open(); }
  // Writes `text` (UTF-8 in memory) and CR LF. Throws KovaError on a write failure.
  void Line(const std::string& text = "");
  void Close();

 private:
  std::ofstream out_;
};

// Collects lines in memory, for texts that are compared or passed on rather than written.
// Same interface as TextWriter for the writers that serve both.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Line(const std::string& text = "") = 0;
};

class FileSink : public TextSink {
 public:
  explicit FileSink(TextWriter& writer) : writer_(writer) {}
  void Line(const std::string& text = "") override { writer_.Line(text); }

 private:
  TextWriter& writer_;
};

class StringSink : public TextSink {
 public:
  void Line(const std::string& text = "") override { text_ += text + "\r\n"; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// Reads a text file as lines (CR LF, LF or CR ended), converted to UTF-8. False when the file
// cannot be read.
bool TL_ReadTextLines(const std::string& path, std::vector<std::string>& lines);

}  // namespace kova
