#pragma once
// The desktop program's connections between its windows and the application state: where the
// program keeps its folders, which project command each menu item of the frame runs, the
// question when the user closes the frame, and the proposal windows that a search opens.

#include <cstdint>
#include <string>

#include "app/PrintDocument.h"

namespace kova {

struct AppState;
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

// Connects the File menu (New, Open, Save, Save As, Export Project, Save As Preset, Exit) and
// Check to the commands on `app`, View > Spectrum Display to the display (MN_CreateDisplay), System
// Designer to the start wizard, asks "Save the current Project?" when the user closes the
// frame through its close control, and closes it without asking when the desktop session ends.
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
