#pragma once
// Today's channel tables by region, and the tables a user adds as CSV files.
//
// Built in, after the two historic tables of MN_CountryTables: the UHF television channels as
// they are left after the recent reallocations (USA and Canada 14-36, Europe 21-48 and the
// United Kingdom without channel 38, Japan 13-52, Australia 28-51), each channel with its
// number, and the well-known windows for wireless microphones outside TV (not TV channels;
// local rules decide).
//
// A user table is a CSV file (comma, semicolon or tab separated; UTF-8 or Windows-1252): its
// first line names the table (empty: the file name), an optional line of column names follows,
// then one line per channel: number, lower edge and upper edge in MHz (10 to 1000, lower below
// upper), each number once. Blank lines and lines starting with "#" are skipped. A file that
// breaks any of this is not used at all; the reason names its first bad line.

#include <string>
#include <vector>

#include "model/CSpectrum.h"

namespace kova {

// The most channels a user table may hold (far more than any television band has).
inline constexpr int32_t kMaxTableChannels = 1000;

// The built-in tables that follow the two historic ones.
std::vector<CountryRef> MN_RegionTables();

struct RegionTableRead {
  CountryRef table;   // null when the text is not a table
  std::string error;  // why not: "line 4: ..."
};
// Reads a table from the bytes of a CSV file; `fileName` names it when its first line does not.
RegionTableRead MN_ParseRegionTable(const std::string& bytes, const std::string& fileName);

struct RegionFolderRead {
  std::vector<CountryRef> tables;   // in file name order
  std::vector<std::string> errors;  // one per file not used: "NAME.csv: reason"
};
// Reads every "*.csv" of `dir` (any letter case), each through the bounded reader of data files;
// an entry that is not a plain file (a folder, a pipe, a device) is named among the errors, and
// so is a table named like one of `builtIn` or an earlier table (letter case aside). A missing
// folder reads as no tables and no errors.
RegionFolderRead MN_ReadRegionFolder(const std::string& dir, const std::vector<std::string>& builtIn = {});

}  // namespace kova
