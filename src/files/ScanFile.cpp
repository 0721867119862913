#include "files/ScanFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "tools/Tools.h"

namespace kova {

namespace {

// Level offsets to dBm at 50 ohm.
constexpr double kDbuvToDbm = -107.0;
constexpr double kDbmvToDbm = -47.0;
// Nothing a scan measures lies beyond this many Hz; larger values are damage (and would not
// survive the rounding to whole hertz).
constexpr double kMaxHz = 1e12;

// Reads a whole field as a number; with `decimalComma` a "," is the decimal point. Infinity and
// not-a-number are read too (sweep tools write them for empty bins); callers decide.
bool ReadNumber(std::string field, bool decimalComma, double& value) {
  field = TL_Trim(field);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = TL_Trim(field.substr(1, field.size() - 2));
  if (decimalComma && field.find('.') == std::string::npos) std::replace(field.begin(), field.end(), ',', '.');
  const char* first = field.data();
  const char* last = first + field.size();
  if (first != last && *first == '+') ++first;
  if (first == last) return false;
  auto [end, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && end == last;
}

// The fields of one line: tab, semicolon or comma separated (the first of these present), else
// separated by blanks.
std::vector<std::string> SplitFields(const std::string& line, char& separator) {
  separator = line.find('\t') != std::string::npos   ? '\t'
              : line.find(';') != std::string::npos  ? ';'
              : line.find(',') != std::string::npos  ? ','
                                                     : ' ';
  std::vector<std::string> fields;
  if (separator == ' ') {
    std::istringstream in(line);
    for (std::string f; in >> f;) fields.push_back(f);
    return fields;
  }
  size_t start = 0;
  for (;;) {
    size_t end = line.find(separator, start);
    fields.push_back(TL_Trim(line.substr(start, end == std::string::npos ? std::string::npos : end - start)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  // A separator at the end of the line ("470.0;-80;") adds no column.
  while (!fields.empty() && fields.back().empty()) fields.pop_back();
  return fields;
}

// MHz per unit named in a header text; 0 when it names none.
double FreqUnitOf(const std::string& text) {
  const std::string t = TL_ToLower(text);
  if (t.find("ghz") != std::string::npos) return 1000.0;
  if (t.find("mhz") != std::string::npos) return 1.0;
  if (t.find("khz") != std::string::npos) return 0.001;
  if (t.find("hz") != std::string::npos) return 0.000001;
  return 0.0;
}

// Offset to dBm of the level unit named in a header text: true when it names exactly one kind.
bool LevelUnitOf(const std::string& text, double& offset) {
  const std::string t = TL_ToLower(text);
  // dBuV written with a plain u, a micro sign (UTF-8 or Windows-1252) or a Greek mu.
  const bool uv = t.find("dbuv") != std::string::npos || t.find("db\xc2\xb5v") != std::string::npos ||
                  t.find("db\xb5v") != std::string::npos || t.find("db\xce\xbcv") != std::string::npos;
  const bool mv = t.find("dbmv") != std::string::npos;
  bool m = false;
  for (size_t at = t.find("dbm"); at != std::string::npos; at = t.find("dbm", at + 1))
    if (at + 3 >= t.size() || t[at + 3] != 'v') m = true;
  if (uv + mv + m != 1) return false;
  offset = uv ? kDbuvToDbm : mv ? kDbmvToDbm : 0.0;
  return true;
}

bool NamesFrequency(const std::string& field) {
  const std::string t = TL_ToLower(field);
  return t.find("freq") != std::string::npos || FreqUnitOf(t) != 0.0;
}

bool NamesLevel(const std::string& field) {
  const std::string t = TL_ToLower(field);
  for (const char* word : {"level", "db", "power", "ampl", "magn", "pegel"})
    if (t.find(word) != std::string::npos) return true;
  return false;
}

// A sweep line: a date and a time, then low, high, step and sample count, then the levels.
bool IsSweepLine(const std::vector<std::string>& fields) {
  if (fields.size() < 7) return false;
  double v = 0;
  if (ReadNumber(fields[0], false, v)) return false;
  for (size_t i = 2; i <= 5; ++i)
    if (!ReadNumber(fields[i], false, v)) return false;
  return true;
}

// Adds the levels of a sweep line at their bin centres (Hz); false when the line is damaged.
bool ReadSweepLine(const std::vector<std::string>& fields, std::map<int64_t, double>& levels) {
  double low = 0, high = 0, step = 0, samples = 0;
  if (!ReadNumber(fields[2], false, low) || !ReadNumber(fields[3], false, high) ||
      !ReadNumber(fields[4], false, step) || !ReadNumber(fields[5], false, samples))
    return false;
  std::vector<double> values(fields.size() - 6);
  if (!(low > 0) || !(high > low) || !(step > 0) || !(low + static_cast<double>(values.size()) * step <= kMaxHz))
    return false;
  for (size_t i = 6; i < fields.size(); ++i)
    if (!ReadNumber(fields[i], false, values[i - 6])) return false;
  for (size_t i = 0; i < values.size(); ++i) {
    if (!std::isfinite(values[i])) continue;  // an empty bin
    const auto hz = static_cast<int64_t>(std::llround(low + (static_cast<double>(i) + 0.5) * step));
    auto [it, added] = levels.emplace(hz, values[i]);
    if (!added) it->second = std::max(it->second, values[i]);
  }
  return true;
}

struct PairLine {
  double freq;
  double level;
};

}  // namespace

double MN_FreqToMHzByMagnitude(double value) {
  const double a = std::fabs(value);
  if (a >= 1e7) return value / 1e6;
  if (a >= 1e4) return value / 1e3;
  return value;
}

ScanReadResult MN_ParseScan(const std::string& text) {
  ScanReadResult result;
  std::vector<std::string> lines;
  {
    size_t start = text.rfind("\xef\xbb\xbf", 0) == 0 ? 3 : 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }

  std::string headerText;                // every line before the first data line
  std::vector<std::string> columnNames;  // the last header line with two fields or more
  std::vector<PairLine> pairs;
  std::map<int64_t, double> sweepLevels;  // Hz -> highest level
  size_t freqColumn = 0, levelColumn = 1;
  bool columnsFixed = false;

  auto bad = [&](size_t index) {
    if (result.badLines++ == 0) result.firstBadLine = static_cast<int>(index + 1);
  };

  for (size_t n = 0; n < lines.size(); ++n) {
    const std::string line = TL_Trim(lines[n]);
    if (line.empty()) continue;
    const bool comment = line[0] == '#' || line.rfind("//", 0) == 0;
    if (comment) {
      if (result.format == ScanFormat::kNone) headerText += line + "\n";
      continue;
    }
    char separator = ',';
    const std::vector<std::string> fields = SplitFields(line, separator);
    const bool decimalComma = separator != ',';

    if (result.format != ScanFormat::kTwoColumn && IsSweepLine(fields)) {
      if (result.format == ScanFormat::kNone) result.format = ScanFormat::kSweep;
      if (ReadSweepLine(fields, sweepLevels))
        ++result.dataLines;
      else
        bad(n);
      continue;
    }
    if (result.format != ScanFormat::kSweep) {
      if (result.format == ScanFormat::kNone && !columnsFixed && !columnNames.empty()) {
        // The column names decide which column is which; without them the first two.
        for (size_t i = 0; i < columnNames.size(); ++i) {
          if (NamesFrequency(columnNames[i])) {
            freqColumn = i;
            break;
          }
        }
        for (size_t i = 0; i < columnNames.size(); ++i) {
          if (i != freqColumn && NamesLevel(columnNames[i])) {
            levelColumn = i;
            break;
          }
        }
        if (levelColumn == freqColumn) levelColumn = freqColumn == 0 ? 1 : 0;
        columnsFixed = true;
      }
      double f = 0, l = 0;
      if (fields.size() > std::max(freqColumn, levelColumn) && ReadNumber(fields[freqColumn], decimalComma, f) &&
          ReadNumber(fields[levelColumn], decimalComma, l)) {
        if (f > 0 && f <= kMaxHz && std::isfinite(l)) {
          result.format = ScanFormat::kTwoColumn;
          pairs.push_back({f, l});
          ++result.dataLines;
        } else {
          bad(n);
        }
        continue;
      }
    }
    if (result.format == ScanFormat::kNone) {
      headerText += line + "\n";
      if (fields.size() >= 2) columnNames = fields;
    } else {
      bad(n);
    }
  }

  if (result.dataLines == 0) {
    result.error = result.badLines > 0 ? "no usable scan line (" + TL_Str(result.badLines) + " bad lines)"
                                       : "no scan data (frequency and level) found";
    return result;
  }

  if (result.format == ScanFormat::kSweep) {
    for (const auto& [hz, level] : sweepLevels) result.points.push_back({static_cast<double>(hz) / 1e6, level});
  } else {
    double mhzPerUnit = columnNames.size() > freqColumn ? FreqUnitOf(columnNames[freqColumn]) : 0.0;
    if (mhzPerUnit == 0.0) {
      // No unit named: the size of the typical value tells.
      std::vector<double> freqs;
      for (const PairLine& p : pairs) freqs.push_back(p.freq);
      std::nth_element(freqs.begin(), freqs.begin() + static_cast<std::ptrdiff_t>(freqs.size() / 2), freqs.end());
      const double typical = freqs[freqs.size() / 2];
      mhzPerUnit = MN_FreqToMHzByMagnitude(typical) / typical;
    }
    double offset = 0.0;
    if (!(columnNames.size() > levelColumn && LevelUnitOf(columnNames[levelColumn], offset))) {
      if (!LevelUnitOf(headerText, offset)) offset = 0.0;
    }
    // The same frequency twice (a max-hold export, two traces): the higher level counts.
    std::map<int64_t, double> levels;
    for (const PairLine& p : pairs) {
      const auto hz = static_cast<int64_t>(std::llround(p.freq * mhzPerUnit * 1e6));
      auto [it, added] = levels.emplace(hz, p.level + offset);
      if (!added) it->second = std::max(it->second, p.level + offset);
    }
    for (const auto& [hz, level] : levels) result.points.push_back({static_cast<double>(hz) / 1e6, level});
  }
  result.ok = true;
  return result;
}

ScanReadResult MN_ReadScanFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ScanReadResult r;
    r.error = "cannot be read (no such file or not readable)";
    return r;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    ScanReadResult r;
    r.error = "cannot be read";
    return r;
  }
  return MN_ParseScan(text);
}

}  // namespace kova
