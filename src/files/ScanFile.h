#pragma once
// Venue scans from spectrum analysers and SDR sweep tools, read as frequency/level points.
//
// Two layouts are understood:
// - Two columns, frequency and level, separated by comma, semicolon, tab or blanks, with
//   optional header lines before the data and "#" comment lines anywhere. The frequency unit
//   (Hz, kHz, MHz) comes from the frequency column's header, failing that from the size of the
//   values; the level unit (dBm, dBuV, dBmV) from the header, dBm when it names none. With a
//   semicolon or tab separator a decimal comma is accepted.
// - Sweep lines: date, time, lowest Hz, highest Hz, step Hz, sample count, then one level (dBm)
//   per step. Level i stands for the bin from low + i * step to low + (i + 1) * step and is
//   placed at the bin's centre. A file holds any number of sweeps.
// Points of the same frequency (repeated sweeps) keep their highest level.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "search/ScanExclusions.h"

namespace kova {

enum class ScanFormat { kNone, kTwoColumn, kSweep };

struct ScanReadResult {
  bool ok = false;                // at least one line gave points
  std::string error;              // why nothing could be read (when !ok)
  ScanFormat format = ScanFormat::kNone;
  std::vector<ScanPoint> points;  // ascending by frequency, one per frequency, levels in dBm
  int dataLines = 0;              // lines that gave points
  int badLines = 0;               // lines that were neither header, comment nor data
  int firstBadLine = 0;           // 1-based number of the first bad line, 0 when none
};

// Frequency in MHz of a value given without a unit, judged by its size: from 10,000,000 on it
// is Hz, from 10,000 on kHz, below that MHz.
double MN_FreqToMHzByMagnitude(double value);

// Reads a scan given in pieces of any size (a line may run on into the next piece). Only the
// points are kept (16 bytes each), not the text.
class ScanReader {
 public:
  ScanReader();
  ~ScanReader();
  ScanReader(const ScanReader&) = delete;
  ScanReader& operator=(const ScanReader&) = delete;
  void Feed(const char* data, size_t size);
  // The result of everything fed. Fails with "no usable points" when no level is a finite
  // number (sweep tools write nan or inf for bins they did not measure).
  ScanReadResult Finish();

 private:
  class Parser;
  std::unique_ptr<Parser> parser_;
};

// Reads the text of a scan file.
ScanReadResult MN_ParseScan(const std::string& text);
// Reads a scan file line by line; fails with "cannot be read (...)" for anything but a regular
// file of at most 1 GB.
ScanReadResult MN_ReadScanFile(const std::string& path);

}  // namespace kova
