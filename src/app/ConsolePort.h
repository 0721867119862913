#pragma once
// The platform port of kova-cli: no windows. Questions get the answers the command line chose,
// nothing is opened, information boxes reach stderr only when they report an error, and
// progress is drawn as a one-line bar on stderr when stderr is a terminal.

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "tools/DefaultPort.h"
#include "tools/ProgressText.h"
#include "tools/SignalStop.h"

namespace kova {

// True for the texts of error messages ("An Error Occured During ...", "Error during load!",
// "Cannot read file: ...").
bool CLI_IsErrorMessage(const std::string& text);

// Ctrl+C during a long command: while an InterruptScope lives, the first SIGINT only raises a
// flag, and the console port's progress calls then answer "abort", so the search stops as if its
// progress box had been cancelled and the command can still report what it found. A second
// Ctrl+C ends the program at once (see SoftInterrupt); one scope lives at a time.
class InterruptScope {
 public:
  InterruptScope();
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;
  // Whether SIGINT arrived since the scope began.
  static bool Interrupted();

 private:
  SoftInterrupt soft_;
};

class ConsolePort : public DefaultPort {
 public:
  // `err` receives error messages and the progress bar. With a seed the random numbers are
  // reproducible.
  explicit ConsolePort(std::ostream& err, std::optional<uint32_t> seed = std::nullopt);

  // Answers of the questions, by kind of box.
  int yesNoAnswer = kNo;
  int okCancelAnswer = kCancel;
  int yesNoCancelAnswer = kCancel;
  // Print every information box, not only errors.
  bool echoAllMessages = false;
  // Draw the progress bar (default: whether stderr is a terminal).
  bool progressBar = false;
  // Print error messages (otherwise they are only kept in lastError).
  bool printErrors = true;
  // Number of error messages so far, and the text of the last one.
  int errorCount = 0;
  std::string lastError;

  int messageBox(const std::string& text, const std::string& title, MsgKind kind) override;
  bool busy(const std::string& text, double& fraction, int32_t flags) override;
  void abortBusy() override;

 private:
  std::ostream& err_;
  BusyClock clock_;
  bool active_ = false;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point lastRedraw_{};
};

}  // namespace kova
