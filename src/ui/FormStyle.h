#pragma once
// The common look of every window: a light blue-grey background, bold "Sans Serif" text and
// raised buttons. Each window calls MN_ApplyFormStyle once when it is built.

#include <QColor>
#include <QString>

class QPushButton;
class QWidget;

namespace kova {

// Background of all windows, RGB(186, 206, 228).
QColor MN_StyleColor();
// Font family of all windows.
inline const QString kStyleFontName = QStringLiteral("Sans Serif");

// Applies the common window style to `form` and all its controls:
// - the form gets the style colour as background and the style font family;
// - flat push buttons become raised;
// - a control whose background is the desktop's plain face colour (the button face and window
//   colour of the application palette) gets the style colour; other backgrounds (white text
//   boxes, coloured cells) are kept;
// - every control gets the style font family in bold;
// - the header cells of tables get the style colour, and so does a control that offers a
//   "backColorFixed" property (the fixed cells of a grid).
// Menus and menu bars are left alone. A null form is ignored.
void MN_ApplyFormStyle(QWidget* form);

// The "Ok" (Ok_Cbt, the default button) and "Cancel" (Cancel_Cbt) buttons of a dialog, made
// as children of `parent`; Enter presses Ok wherever the focus is.
void MN_MakeOkCancel(QWidget* parent, QPushButton*& ok, QPushButton*& cancel);

}  // namespace kova
