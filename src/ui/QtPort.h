#pragma once
// The desktop's platform port: Qt message boxes, input box, file dialogs, colour chooser,
// opening files with their default program (and what happens when there is none), and the
// progress box. The clock and the random
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

  // Hands `file` (absolute) to the desktop's default program and calls onFailure, perhaps later
  // from the event loop, when that fails. Set to TL_DesktopOpen; tests put their own in.
  std::function<void(const QString& file, std::function<void()> onFailure)> desktopOpen;
  // Shows a text file (a log, a text report) that no program opened; the frame sets it to its
  // own text window. Unset: a message says where the file is.
  std::function<void(const std::string& path)> showTextFileHook;

 private:
  void NotOpened(const std::string& path);

  std::unique_ptr<BusyForm> busyForm_;
  // Lets a failure that arrives after the port is gone do nothing.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// Opens `file` with the desktop's default program: through xdg-open when it is on the PATH
// (started without waiting; a start failure or a non-zero exit, which is how it says that no
// program handles the file, calls onFailure from the event loop), else through Qt's desktop
// services (onFailure at once when they refuse).
void TL_DesktopOpen(const QString& file, std::function<void()> onFailure);

// Colours as the program stores them (red + 256 * green + 65536 * blue).
int32_t TL_ColorToLong(int red, int green, int blue);
void TL_LongToColor(int32_t color, int& red, int& green, int& blue);

}  // namespace kova
