#pragma once
// The desktop's platform port: Qt message boxes, input box, file dialogs, colour chooser,
// opening files with their default program, and the progress box. The clock and the random
// numbers are those of the default port. Status light, loaded-window test and view refreshes
// are hooks that the windows set when they exist.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "tools/DefaultPort.h"

namespace kova {

class BusyForm;

// Qt name filters of a "Description|*.a;*.b|All files (*.*)|*.*" filter text: each pair becomes
// "Description (*.a *.b)"; a parenthesised pattern list at the end of a description is replaced
// by the real patterns, and "*.*" matches every file.
QStringList TL_QtNameFilters(const std::string& filter);

class QtPort : public DefaultPort {
 public:
  QtPort();
  ~QtPort() override;

  int messageBox(const std::string& text, const std::string& title, MsgKind kind) override;
  bool inputBox(const std::string& prompt, const std::string& title, std::string& value) override;
  bool fileDialog(FileDialogRequest& request) override;
  bool chooseColor(int32_t& color) override;
  void openFile(const std::string& path, const std::string& workingDirectory) override;
  bool busy(const std::string& text, double& fraction, int32_t flags) override;
  void abortBusy() override;
  void setStatusLight(int picture) override;
  bool isFormLoaded(const std::string& formName) override;
  void refreshViews(int mode) override;
  void showProposals(int32_t reportNumber) override;

  // The progress box, created on first use.
  BusyForm& busyForm();

  // Hooks of the windows; an unset hook does nothing (isFormLoaded then looks for a widget of
  // that object name).
  std::function<void(int)> statusLightHook;
  std::function<bool(const std::string&)> formLoadedHook;
  std::function<void(int)> refreshViewsHook;
  std::function<void(int32_t)> showProposalsHook;

 private:
  std::unique_ptr<BusyForm> busyForm_;
};

// Colours as the program stores them (red + 256 * green + 65536 * blue).
int32_t TL_ColorToLong(int red, int green, int blue);
void TL_LongToColor(int32_t color, int& red, int& green, int& blue);

}  // namespace kova
