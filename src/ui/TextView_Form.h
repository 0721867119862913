#pragma once
// A read-only window for a text file the program wrote (a check log, a text report), for when the
// desktop has no program to show it. Title: the file's name; the text in the fixed-width font of
// the desktop. Ctrl+F opens a find bar below the text: typing finds as you type, Enter or F3 finds
// the next match (after the last one it goes on from the top), a word that does not occur is
// said in the bar, and Escape closes the bar. Copy and Select All work on the text even though
// the frame uses their keys for menu commands.

#include <QWidget>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace kova {

class TextView_Form : public QWidget {
  Q_OBJECT
 public:
  explicit TextView_Form(QWidget* parent = nullptr);

  // Shows the file (Windows-1252, CR LF, LF or CR line ends) and takes its name as the title.
  // False when the file cannot be read; the window is then left as it was.
  bool LoadFile(const std::string& path);
  const std::string& Path() const { return path_; }

  QPlainTextEdit* Text() const { return text_; }
  QLineEdit* FindBox() const { return findBox_; }

  // Opens the find bar with its text selected and the focus in it; closes it and gives the
  // focus back to the text.
  void ShowFindBar();
  void CloseFindBar();
  // Selects the next match of the find text after the current selection, wrapping round to the
  // top; false, with a note in the bar, when the text does not occur at all.
  bool FindNext();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool FindFrom(int position);

  std::string path_;
  QPlainTextEdit* text_;
  QWidget* findBar_;
  QLineEdit* findBox_;
  QLabel* findNote_;
};

}  // namespace kova
