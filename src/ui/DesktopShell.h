#pragma once
// The desktop program's connections between its windows and the application state: its start,
// where the program keeps its folders and settings, which project command each menu item of the
// frame runs, the question when the user closes the frame, the frame's title, and the proposal
// windows that a search opens.

#include <cstdint>
#include <string>

#include "app/PrintDocument.h"

namespace kova {

struct AppState;
struct DesktopArgs;
class CheckResults_Form;
class Container_Form;
class Main_Form;
class Display_Form;
class QtPort;
class Report_Form;
class TextView_Form;

// The application directory: $KOVA_HOME when set, otherwise the per-user data directory
// ("KOVA" below the desktop's generic data location, ~/.local/share/KOVA). Created when
// missing; with a trailing "/".
std::string MN_DesktopAppDirectory();

// The desktop program from the start-up sequence on, as `kova` runs it once the toolkit and the
// port exist (`app.appDir` set): the user level of the run (MN_ApplyUserLevel with --editor), the
// start-up sequence, the frame with its commands, the main window, the spectrum display and their
// places, and the project named on the command line. Without a project from the command line and
// outside editor mode (user level 2) the start wizard follows, from the event loop, so that
// leaving it can end the program; in editor mode the System Editor is what the user sees.
void MN_StartDesktop(Container_Form& frame, AppState& app, QtPort& port, const DesktopArgs& args);

// Editor mode is the user level 2 kept as a setting of the program: "Program/userLevel" in
// "config/kova.ini" below the application directory (never in project files), 0 when absent.
int MN_StoredUserLevel(const std::string& appDir);
void MN_StoreUserLevel(const std::string& appDir, int level);
// Sets the level of this run (TL_SetUserLevel): 2 with `editorOption` (kova --editor, stored
// nowhere), else the stored one. KOVA_USER_LEVEL still wins over both.
void MN_ApplyUserLevel(const std::string& appDir, bool editorOption);
// Switches editor mode on or off (View > Editor Mode, the wizard's "Open the Editor"): stores the
// level (2 or 0) and keeps the menu item in step. On takes effect at once; off at the next start,
// so that the editor the user works in stays reachable until then.
void MN_SetEditorMode(Container_Form& frame, const std::string& appDir, bool on);

// Connects the File menu (New, Open, Save, Save As, Export Project, Save As Preset, Exit) and
// Check to the commands on `app`, View > Spectrum Display to the display (MN_CreateDisplay), System
// Designer to the start wizard, View > Editor Mode to MN_SetEditorMode (checked in editor mode),
// asks "Save the current Project?" when the user closes the frame through its close control, and
// closes it without asking when the desktop session ends. The frame's title follows the project's
// file and its unsaved changes (Container_Form::ShowProjectFile). Edit > Undo and Redo work on
// the project's history (ProjectHistory, a child of the frame): New and Open start it anew, Save
// and Save As mark its clean state, and every full refresh of the views records what changed.
// Items whose windows the program does not have yet stay disabled. `app` must outlive `frame`.
void MN_ConnectFrame(Container_Form& frame, AppState& app);

// Creates the main window ("System Editor") as a child window of the frame, shown and filled
// (GOrganize); makes it a refresh target of MN_RefreshViews, lets it show the status light and
// connects View > System Editor, Calculate > Check and Calculate > Generate to it. What its Check
// finds is listed in the check results window (MN_ShowCheckResults).
Main_Form* MN_CreateMainWindow(Container_Form& frame, AppState& app, QtPort& port);

// Puts the frame and its child windows where they were at the end of the last run (kept in
// "config/kova.ini" below the application directory, never in project files) and saves their
// places again when the program ends. Call once every child window exists.
void MN_KeepWindowPlaces(Container_Form& frame, const std::string& appDir);
// The spectrum display as a hidden child window of the frame, placed under the main window when
// there is one (else at the top left), reached by MN_RefreshViews; closing it hides it. The
// existing one when it was created before.
Display_Form* MN_CreateDisplay(Container_Form& frame, AppState& app);

// The pictures of the print document: with the spectrum display open, its limits question, its
// range and its redraw; otherwise each system fitted to the data.
SpectrumPictureProvider MN_DisplayPictures(Container_Form& frame, AppState& app);

// A new proposal window showing list iReport of the proposal collection, as a child window of
// the frame; the window is deleted when it is closed.
Report_Form* MN_ShowProposalWindow(Container_Form& frame, AppState& app, int32_t iReport);

// The "Check Results" child window of the frame filled with what the last check found: the
// open one when there is one, else a new one that is deleted when it is closed.
CheckResults_Form* MN_ShowCheckResults(Container_Form& frame, AppState& app);

// A new read-only window showing the text file `path` (a log or text report that no program of
// the desktop opened), as an active child window of the frame that is deleted when it is closed.
// A file that cannot be read gives a message instead, and nullptr.
TextView_Form* MN_ShowTextFile(Container_Form& frame, const std::string& path);

// Sets the port's hooks that need the frame: a search that shows its proposals opens a new
// proposal window in it (MN_ShowProposalWindow); a text file that no program opened is shown in
// it (MN_ShowTextFile); MN_RefreshViews reaches the frame's refresh targets. Once the frame is
// gone the hooks do nothing.
void MN_InstallFrameHooks(QtPort& port, Container_Form& frame, AppState& app);

}  // namespace kova
