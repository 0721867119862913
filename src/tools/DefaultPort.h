#pragma once
// A port without a desktop: the real clock and random numbers, no windows. Questions get the
// neutral answer (OK for information, Cancel for questions), nothing is opened, progress always
// goes on. The console and desktop ports derive from it.

#include <optional>
#include <random>

#include "tools/PlatformPort.h"

namespace kova {

class DefaultPort : public PlatformPort {
 public:
  // With a seed, the random numbers are reproducible: only the first randomize() seeds.
  explicit DefaultPort(std::optional<uint32_t> seed = std::nullopt) : seed_(seed) {}

  int messageBox(const std::string& text, const std::string& title, MsgKind kind) override;
  bool inputBox(const std::string&, const std::string&, std::string&) override { return false; }
  bool fileDialog(FileDialogRequest&) override { return false; }
  bool chooseColor(int32_t&) override { return false; }
  void openFile(const std::string&, const std::string&) override {}
  double timeOfDay() override;
  std::string shortDate() override;
  std::string shortTime() override;
  void randomize() override;
  double rnd() override;
  bool busy(const std::string&, double&, int32_t) override { return true; }
  void abortBusy() override {}
  void setStatusLight(int) override {}
  bool isFormLoaded(const std::string&) override { return false; }
  void refreshViews(int) override {}
  void showProposals(int32_t) override {}

 private:
  std::optional<uint32_t> seed_;
  bool seeded_ = false;
  std::mt19937 rng_;
};

}  // namespace kova
