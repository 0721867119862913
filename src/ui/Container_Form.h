#pragma once
// The frame window of the program: the menu bar and the area that holds the main window and the
// spectrum display as child windows. Menu items are found by their object names ("File_New",
// "Calc_Check", ...); the commands behind them are connected with SetCommand by the parts of the
// program that provide them, and an item without a command stays disabled. "About" opens the
// about box and "Exit" closes the frame until a command is connected to them.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace kova {

class KOVA_Form;

class Container_Form : public QMainWindow {
  Q_OBJECT
 public:
  explicit Container_Form(QWidget* parent = nullptr);

  // The menu item or menu with that object name; nullptr when there is none.
  QAction* Action(const QString& name) const;
  QMenu* Menu(const QString& name) const;
  // Runs `handler` when the item `name` is chosen and enables the item (disables it for an
  // empty handler). False when there is no such item.
  bool SetCommand(const QString& name, std::function<void()> handler);

  QMdiArea* MdiArea() const { return mdiArea_; }
  // Puts `child` into the frame as a child window.
  QMdiSubWindow* AddChild(QWidget* child);

  // The title names the project's file (its name from `path`, "Untitled" when empty) and marks
  // unsaved changes: "show.kova[*] — KOVA", shown as "show.kova* — KOVA" when modified.
  void ShowProjectFile(const QString& path, bool modified);

  // The about box (created on first use) and the "About" command: shows it modeless.
  KOVA_Form* AboutBox();
  void ShowAbout();

  // The views that MN_RefreshViews reaches (the main window, the spectrum display): each target
  // gets the mode (0 and 3 redraw the display, 1 also the channel table, 2 also the spectrum
  // table and the check panel) and decides what it redraws. RefreshViews calls them in the
  // order they were added.
  void AddRefreshTarget(std::function<void(int)> target);
  void RefreshViews(int mode);

  // Asked when the user closes the frame through its close control; false keeps the program
  // running. Not asked when the program closes the frame with Unload.
  std::function<bool()> queryClose;
  // Closes the frame and the other windows without asking.
  void Unload();

 signals:
  // A menu command is about to run (its item's object name): windows end open edits here, so
  // the command sees what the user typed.
  void aboutToRunCommand(const QString& name);
  // A menu command ran (its item's object name), after its handler.
  void commandTriggered(const QString& name);
  // The frame is about to close (the program ends): the last moment to look at its windows.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void Run(const QString& name);

  QMdiArea* mdiArea_;
  KOVA_Form* aboutBox_ = nullptr;
  bool unloading_ = false;
  std::map<QString, std::function<void()>> handlers_;
  std::vector<std::function<void(int)>> refreshTargets_;
};

}  // namespace kova
