#pragma once
// The channel table on the clipboard: copied rows become text, one channel a line with its
// frequency and label separated by a tab (what spreadsheets and text editors take), and pasted
// text becomes channels: each line that holds a frequency in MHz the system can tune is one (a
// copied row, a column of numbers, "610.5 MHz Vocals"; cells split by tabs or semicolons, else
// the first word is the frequency and the rest the label), and the other lines are named.
//
// MN_RunEditAction carries out Edit > Cut, Copy, Paste and Select All (and their standard keys)
// on the widget that has the focus: a text box or text view does what it always does, the main
// window's channel table works on channels, another table selects all its cells or copies the
// selected ones as text.

#include <QString>
#include <QStringList>
#include <vector>

#include "files/FrequencyList.h"

namespace kova {

class CMicCollection;
class CSystemType;
class Main_Form;

class ChannelClipboard {
 public:
  // Channels first … last (1-based) as text.
  static QString Text(const CMicCollection& mics, int first, int last);

  // A pasted line that adds no channel and why ("612.250: outside the tuning range …").
  struct Skipped {
    int line = 0;
    QString text;
  };
  struct Pasted {
    std::vector<FrequencyListEntry> entries;  // the lines with a frequency
    std::vector<Skipped> skipped;             // "line 3 (abc): no frequency" for each line without one
  };
  static Pasted Read(const QString& text);

  // Moves the entries whose frequency `type` cannot tune (outside its tuning range or off its
  // grid) to the skipped lines: a paste never puts a channel anywhere but where the user said.
  static void KeepTunable(Pasted& pasted, const CSystemType& type);

  // What the user is told after a paste of which `added` channels came in: every line left out
  // with its reason, in the order of the text; empty when everything went in as given.
  static QString Report(const Pasted& pasted, int added);
};

enum class EditAction { kCut, kCopy, kPaste, kSelectAll };

// Carries out `action` on the focused widget; `editor` (may be null) is the main window whose
// channel table takes channel actions.
void MN_RunEditAction(EditAction action, Main_Form* editor);

}  // namespace kova
