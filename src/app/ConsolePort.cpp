#include "app/ConsolePort.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <unistd.h>

#include "tools/Tools.h"

namespace kova {

bool CLI_IsErrorMessage(const std::string& text) {
  for (const char* prefix : {"An Error Occured During ", "Error during", "Cannot read file"})
    if (text.rfind(prefix, 0) == 0) return true;
  return false;
}

namespace {

// The message on one line: line breaks become blanks, other control characters are shown
// escaped (a file name in a message never reaches the terminal raw).
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line.push_back(' ');
    } else {
      line.push_back(c);
    }
  }
  return TL_ShowName(TL_Trim(line));
}

}  // namespace

InterruptScope::InterruptScope() = default;
InterruptScope::~InterruptScope() = default;

bool InterruptScope::Interrupted() { return SoftInterrupt::Requested(); }

ConsolePort::ConsolePort(std::ostream& err, std::optional<uint32_t> seed)
    : DefaultPort(seed), progressBar(::isatty(STDERR_FILENO) == 1), err_(err) {}

int ConsolePort::messageBox(const std::string& text, const std::string&, MsgKind kind) {
  switch (kind) {
    case MsgKind::YesNo: return yesNoAnswer;
    case MsgKind::OkCancel: return okCancelAnswer;
    case MsgKind::YesNoCancel: return yesNoCancelAnswer;
    case MsgKind::Info: break;
  }
  bool error = CLI_IsErrorMessage(text);
  if (error) {
    ++errorCount;
    lastError = OneLine(text);
  }
  if ((error && printErrors) || (!error && echoAllMessages)) {
    if (drawn_) err_ << "\n";
    drawn_ = false;
    if (error) {
      // An error's lines each on their own line: the message, then the file and the reason.
      for (size_t from = 0; from <= text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size());
        // The lines after the first name a file, which may begin with a blank.
        const std::string piece = text.substr(from, end - from);
        const std::string line = from == 0 ? OneLine(piece) : TL_ShowName(piece);
        if (!line.empty()) err_ << "kova-cli: " << line << "\n";
        from = end + 1;
      }
    } else {
      err_ << "kova-cli: " << OneLine(text) << "\n";
    }
    err_.flush();
  }
  return kOk;
}

bool ConsolePort::busy(const std::string& text, double& fraction, int32_t) {
  if (SoftInterrupt::Requested()) return false;
  if (!progressBar) return true;
  // The search reports at every node: between redraws only a cheap monotonic clock is read.
  auto tick = std::chrono::steady_clock::now();
  if (active_ && fraction > 0 && fraction < 1 && tick - lastRedraw_ < std::chrono::milliseconds(250)) return true;
  lastRedraw_ = tick;
  float now = static_cast<float>(timeOfDay());
  if (fraction <= 0 || !active_) {
    clock_.Start(now);
    active_ = true;
    if (fraction <= 0) return true;
  }
  if (fraction >= 1) {
    err_ << "\r" << text << " " << BusyFinishLine(fraction, clock_.FinishSeconds(now)) << "\n";
    err_.flush();
    active_ = drawn_ = false;
    return true;
  }
  float elapsed = 0;
  if (clock_.Tick(now, elapsed)) {
    constexpr int kWidth = 30;
    int filled = static_cast<int>(fraction * kWidth);
    if (filled > kWidth) filled = kWidth;
    err_ << "\r[" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(kWidth - filled), '.')
         << "] " << text << " " << BusyProgressLine(fraction, elapsed) << "   ";
    err_.flush();
    drawn_ = true;
  }
  return true;
}

void ConsolePort::abortBusy() {
  if (drawn_) err_ << "\n";
  active_ = drawn_ = false;
}

}  // namespace kova
