#pragma once
// How the desktop knows the running program: its icon (the logo of the about box, drawn in
// the usual icon sizes), its version and the launcher it belongs to ("kova.desktop"), so that
// the task bar and the window switcher show the program's own icon and name.

#include <QIcon>

namespace kova {

// The program's icon: the about box's logo at 16 to 256 pixels.
QIcon MN_ProgramIcon();

// Sets the application's version, launcher name and window icon. Call once after the
// QApplication exists.
void MN_SetDesktopIdentity();

}  // namespace kova
