#pragma once
// File menu commands for venue scans and CSV frequency lists. The imported scan stays in the
// application state (for the spectrum display) and is never written into the project file.

#include "app/AppState.h"

namespace kova {

// Import Scan...: asks for a scan file and the threshold (noise floor + 10 dB offered), keeps
// the scan and cuts what exceeds the threshold out of the search spectrum of every system in
// use (system 1, and system 2 when the second system is on), each widened by half its own
// type's channel width. The closing message lists the ranges per system (under "System #n
// (type)" headings when there are two). True when the scan was read and a threshold given.
bool MN_ImportScan(AppState& app);
// Import Frequency List (CSV)...: appends the list's channels to the current system, moved onto
// its tuning grid; the moved ones are listed in the closing message. True when channels came in.
bool MN_ImportFrequencyList(AppState& app);
// Export Frequency List (CSV)...: writes the channels of the project. True when written.
bool MN_ExportFrequencyList(AppState& app);

}  // namespace kova
