#pragma once
// Text files of the program: Windows-1252, every line ended by CR LF.

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kova {

class AtomicFile;

// Writes a text file all or nothing: the lines go to a temporary file, and only Close puts the
// complete file in place of the target. A writer closed with Discard, or destroyed unclosed (an
// exception on the way), leaves the target as it was.
class TextWriter {
 public:
  TextWriter();
  // Starts the file; throws KovaError when it cannot be created.
  explicit TextWriter(const std::string& path);
  ~TextWriter();
  void Open(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }
  // Writes `text` (UTF-8 in memory) and CR LF. Throws KovaError on a write failure.
  void Line(const std::string& text = "");
  // Puts the written file in place of the target; throws KovaError when that fails.
  void Close();
  // Puts the written file in place under the first of name(1), name(2), ... that no file has
  // (each in the target's folder), taken exclusively, and returns that name; throws KovaError
  // when that fails.
  std::string CloseNew(const std::function<std::string(int)>& name);
  // Drops what was written.
  void Discard();

 private:
  std::unique_ptr<AtomicFile> file_;
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
