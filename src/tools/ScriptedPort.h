#pragma once
// Platform port for tests: answers come from queues the test fills, every question, message,
// file dialog, opened file, progress call and status-light change is recorded, and the clock
// and the random seed are fixed.

#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tools/PlatformPort.h"

namespace kova {

class ScriptedPort : public PlatformPort {
 public:
  struct Message {
    std::string text;
    std::string title;
    MsgKind kind;
    int answer;
  };
  struct BusyCall {
    std::string text;
    double fraction;
    int32_t flags;
  };

  // Queued answers; when a queue is empty the neutral answer is given (OK for information,
  // Cancel for questions, cancel for dialogs).
  std::deque<int> answers;
  std::deque<std::optional<std::string>> fileAnswers;   // chosen path, or nullopt = cancel
  std::deque<std::optional<std::string>> inputAnswers;
  std::deque<std::optional<int32_t>> colorAnswers;

  // Records.
  std::vector<Message> messages;
  std::vector<FileDialogRequest> fileDialogs;
  std::vector<std::string> openedFiles;
  std::vector<BusyCall> busyCalls;
  std::vector<int> statusLights;
  std::vector<int> refreshes;
  std::vector<int32_t> shownProposals;
  int abortBusyCalls = 0;

  // Clock: seconds since midnight, advanced by clockStep after every reading.
  double clock = 8 * 3600 + 45 * 60 + 4;
  double clockStep = 0.0;
  std::string date = "2026-12-06";
  std::string time = "08:45:04";

  // Progress: busy() answers false from this 1-based call on (0 = never abort).
  int abortAtBusyCall = 0;
  bool mainWindowLoaded = true;
  std::vector<std::string> loadedForms;

  explicit ScriptedPort(uint32_t seed = 12345) : seed_(seed) {}

  int messageBox(const std::string& text, const std::string& title, MsgKind kind) override;
  bool inputBox(const std::string& prompt, const std::string& title, std::string& value) override;
  bool fileDialog(FileDialogRequest& request) override;
  bool chooseColor(int32_t& color) override;
  void openFile(const std::string& path, const std::string& workingDirectory) override;
  double timeOfDay() override;
  std::string shortDate() override { return date; }
  std::string shortTime() override { return time; }
  void randomize() override;
  double rnd() override;
  bool busy(const std::string& text, double& fraction, int32_t flags) override;
  void abortBusy() override { ++abortBusyCalls; }
  void setStatusLight(int picture) override { statusLights.push_back(picture); }
  bool isFormLoaded(const std::string& formName) override;
  void refreshViews(int mode) override { refreshes.push_back(mode); }
  void showProposals(int32_t reportNumber) override { shownProposals.push_back(reportNumber); }

  // Texts of all recorded messages, in order.
  std::vector<std::string> messageTexts() const;

 private:
  uint32_t seed_;
  bool seeded_ = false;
  std::mt19937 rng_;
};

}  // namespace kova
