#pragma once
// Frequency lists as CSV, to hand channels to other tools and to take them from there.
//
// Written: UTF-8, CR LF, comma separated, a header row "System,Channel,Label,Frequency
// (MHz),Colour", then one row per channel (system 1's channels first, system 2's when the second
// system is on) with the frequency in MHz with three decimals and the colour as "#rrggbb".
// Fields holding a comma, a quote, a line break or outer blanks are quoted, quotes doubled.
//
// Read: comma, semicolon or tab separated (the first line tells), quoted fields, UTF-8 or
// Windows-1252. A first row without any number names the columns, matched loosely (a name
// holding "freq", "label"/"name", "colo(u)r", "sys"); without it the first column that holds a
// plausible frequency is the frequency and the first text column the label. Frequencies carry
// their unit in the column name or after the number (Hz, kHz, MHz), else their size tells.

#include <cstdint>
#include <string>
#include <vector>

#include "model/CProject.h"

namespace kova {

struct FrequencyListEntry {
  int line = 0;           // 1-based line of the row in the file
  double mhz = 0.0;       // as given, in MHz
  std::string label;      // empty when the list has none
  bool hasColour = false;
  int32_t colour = 0;     // red + 256 * green + 65536 * blue
  int system = 0;         // system number 1 or 2 from a system column, 0 when absent
};

struct FrequencyListReadResult {
  bool ok = false;        // at least one row with a frequency
  std::string error;      // why nothing could be read (when !ok)
  std::vector<FrequencyListEntry> entries;
  int badRows = 0;        // rows without a usable frequency (0 <= f <= 1000 MHz)
  int firstBadLine = 0;   // line of the first of them, 0 when none
};

// The CSV text of the project's channels.
std::string MN_FrequencyListCsv(const CProject& project);
// Writes it to `path` through a temporary file; throws on failure.
void MN_WriteFrequencyListFile(const CProject& project, const std::string& path);

// Reads a list. A list of more than kMaxProjectChannels channels is refused as soon as the row
// past the limit is reached: no project could take it.
FrequencyListReadResult MN_ParseFrequencyList(const std::string& bytes);
FrequencyListReadResult MN_ReadFrequencyListFile(const std::string& path);

// A channel appended by an import; `moved` when the frequency was not on the system's tuning
// grid and went to its nearest grid point.
struct ImportedChannel {
  int line = 0;
  std::string label;
  double given = 0.0;
  float placed = 0.0f;
  bool moved = false;
};

// Appends the entries to the channel list of system slot `slot` (0 or 1), each moved to the
// nearest point of the type's tuning grid as the channel table does. When the entries name
// more than one system number, only the rows of this slot's number (slot + 1) are taken. A
// missing label becomes the next free "Mic<n>", a missing colour yellow.
// Whether the entries MN_ImportFrequencyList would append to slot `slot` leave the project
// within kMaxProjectChannels channels; otherwise `why` tells how many there would be.
bool MN_ImportFits(const CProject& project, int32_t slot, const std::vector<FrequencyListEntry>& entries,
                   std::string& why);

std::vector<ImportedChannel> MN_ImportFrequencyList(CProject& project, int32_t slot,
                                                    const std::vector<FrequencyListEntry>& entries);

}  // namespace kova
