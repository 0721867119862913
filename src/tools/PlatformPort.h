#pragma once
// Everything the program takes from the desktop goes through this interface: message boxes,
// the input box, file dialogs, the colour chooser, opening a file with its default program,
// the clock, random numbers, the progress box, the status light and a few view notifications.
// The desktop installs a Qt implementation, kova-cli a console one and the tests a scripted one.

#include <cstdint>
#include <string>

namespace kova {

// Answers of the message boxes, as the desktop numbers them.
enum MsgResult : int { kOk = 1, kCancel = 2, kYes = 6, kNo = 7 };

enum class MsgKind {
  Info,         // OK, information icon
  OkCancel,     // OK and Cancel, question icon
  YesNo,        // Yes and No, question icon
  YesNoCancel,  // Yes, No and Cancel, question icon
};

struct FileDialogRequest {
  bool save = false;          // Save dialog instead of Open
  std::string title;
  std::string initialPath;    // directory followed by the proposed file name
  std::string filter;         // "Text|*.txt|All files (*.*)|*.*" pairs
  int filterIndex = 1;        // 1-based, written back
  std::string chosenPath;     // filled when the user chose a file
};

class PlatformPort {
 public:
  virtual ~PlatformPort() = default;

  // Message box with caption `title` ("KOVA" when empty); returns a MsgResult.
  virtual int messageBox(const std::string& text, const std::string& title, MsgKind kind) = 0;
  // Input box; returns false when cancelled, else writes the typed text to `value`.
  virtual bool inputBox(const std::string& prompt, const std::string& title, std::string& value) = 0;
  // Standard file dialog; true when a file was chosen (request.chosenPath set).
  // Throws std::runtime_error on a failure of the dialog itself.
  virtual bool fileDialog(FileDialogRequest& request) = 0;
  // Colour chooser; true when a colour was chosen (red + 256 * green + 65536 * blue).
  virtual bool chooseColor(int32_t& color) = 0;
  // Open a file with the desktop's default program (the shell's open action).
  virtual void openFile(const std::string& path, const std::string& workingDirectory) = 0;

  // Seconds since midnight, with fractions.
  virtual double timeOfDay() = 0;
  // Short date ("yyyy-MM-dd") and time ("HH:mm:ss") texts.
  virtual std::string shortDate() = 0;
  virtual std::string shortTime() = 0;

  // Random numbers: randomize() seeds the generator (from the time of day unless the port was
  // given a fixed seed, in which case only the first call seeds); rnd() is uniform in [0, 1).
  virtual void randomize() = 0;
  virtual double rnd() = 0;

  // Progress box: fraction <= 0 starts a task, 0 < fraction < 1 updates it, >= 1 ends it.
  // Returns false once the user aborted. `fraction` may be written back.
  virtual bool busy(const std::string& text, double& fraction, int32_t flags) = 0;
  virtual void abortBusy() = 0;

  // Status light of the main window: 1 = checking, 3 = problem found.
  virtual void setStatusLight(int picture) = 0;
  // Whether a window of that name is loaded (e.g. "Main_Form", "Display_Form").
  virtual bool isFormLoaded(const std::string& formName) = 0;
  // Views: rebuild the main window grids (mode 1 or 2), and show a proposal list in a new window.
  virtual void refreshViews(int mode) = 0;
  virtual void showProposals(int32_t reportNumber) = 0;
};

// The installed port. Tool routines reach the desktop only through it.
PlatformPort& TL_Port();
// Installs `port` (not owned) and returns the previous one; nullptr restores the silent default.
PlatformPort* TL_SetPort(PlatformPort* port);

// Installs a port for the lifetime of the object and restores the previous one afterwards.
class PortScope {
 public:
  explicit PortScope(PlatformPort& port) : previous_(TL_SetPort(&port)) {}
  ~PortScope() { TL_SetPort(previous_); }
  PortScope(const PortScope&) = delete;
  PortScope& operator=(const PortScope&) = delete;

 private:
  PlatformPort* previous_;
};

}  // namespace kova
