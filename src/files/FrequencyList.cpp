#include "files/FrequencyList.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <set>

#include "files/ScanFile.h"
#include "tools/BinaryFile.h"
#include "tools/Encoding.h"
#include "tools/InputFile.h"
#include "tools/Tools.h"

namespace kova {

namespace {

constexpr int32_t kYellow = 255 + 256 * 255;

std::string CsvField(const std::string& text) {
  const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

struct Record {
  int line = 0;  // line the record starts on
  std::vector<std::string> fields;
};

// Splits CSV text into records, one at a time, so that reading can stop early; quoted fields
// may hold separators, doubled quotes and line breaks. Blank lines give no record.
class RecordReader {
 public:
  RecordReader(const std::string& text, char separator) : text_(text), separator_(separator) {}

  // The next record; false at the end of the text.
  bool Next(Record& rec) {
    while (!done_) {
      rec = Record{};
      rec.line = line_;
      if (ReadRecord(rec)) return true;
    }
    return false;
  }

 private:
  // Reads up to the end of a line (outside quotes) or of the text; false for a blank line.
  bool ReadRecord(Record& rec) {
    std::string field;
    bool quoted = false, fieldStarted = false;
    auto endField = [&] {
      rec.fields.push_back(fieldStarted ? field : TL_Trim(field));
      field.clear();
      fieldStarted = false;
    };
    bool lineEnded = false;
    for (; pos_ < text_.size(); ++pos_) {
      const char c = text_[pos_];
      if (quoted) {
        if (c == '"') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
            field += '"';
            ++pos_;
          } else {
            quoted = false;
          }
        } else {
          if (c == '\n') ++line_;
          field += c;
        }
        continue;
      }
      if (c == '"' && TL_Trim(field).empty() && !fieldStarted) {
        // A quoted field: what stands between the quotes is taken as it is.
        field.clear();
        quoted = true;
        fieldStarted = true;
      } else if (c == separator_) {
        endField();
      } else if (c == '\r' || c == '\n') {
        if (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        ++line_;
        lineEnded = true;
        break;
      } else if (!fieldStarted) {
        field += c;
      }
      // Text after a closing quote is dropped.
    }
    done_ = !lineEnded;  // the text after the last line end (empty when there is none) is the last
    endField();
    return !(rec.fields.size() == 1 && rec.fields[0].empty());
  }

  const std::string& text_;
  const char separator_;
  size_t pos_ = 0;
  int line_ = 1;
  bool done_ = false;
};

std::string Normalised(const std::string& name) {
  std::string out;
  for (char c : TL_ToLower(name))
    if (c >= 'a' && c <= 'z') out += c;
  return out;
}

// MHz per unit for a unit name ("mhz", "khz", "hz", "ghz"); 0 for anything else.
double UnitFactor(const std::string& unit) {
  if (unit == "ghz") return 1000.0;
  if (unit == "mhz") return 1.0;
  if (unit == "khz") return 0.001;
  if (unit == "hz") return 0.000001;
  return 0.0;
}

// A frequency field: a number, optionally followed by a unit. `columnUnit` (MHz per unit, 0 =
// none) applies when the field names none; without either the size of the number tells.
bool ReadFrequency(std::string field, bool decimalComma, double columnUnit, double& mhz) {
  field = TL_Trim(field);
  size_t end = field.size();
  while (end > 0 && std::isalpha(static_cast<unsigned char>(field[end - 1]))) --end;
  double unit = 0.0;
  if (end < field.size()) {
    unit = UnitFactor(TL_ToLower(field.substr(end)));
    if (unit == 0.0) return false;
    field = TL_Trim(field.substr(0, end));
  }
  if (decimalComma && field.find('.') == std::string::npos) std::replace(field.begin(), field.end(), ',', '.');
  const char* first = field.data();
  const char* last = first + field.size();
  if (first != last && *first == '+') ++first;
  double value = 0.0;
  auto [stop, ec] = std::from_chars(first, last, value);
  if (first == last || ec != std::errc() || stop != last || !std::isfinite(value)) return false;
  if (unit == 0.0) unit = columnUnit;
  mhz = unit != 0.0 ? value * unit : MN_FreqToMHzByMagnitude(value);
  return true;
}

bool IsNumber(const std::string& field, bool decimalComma) {
  double mhz = 0;
  return ReadFrequency(field, decimalComma, 1.0, mhz);
}

bool InRange(double mhz) { return IsValidFrequency(mhz); }

bool ReadColour(const std::string& field, int32_t& colour) {
  std::string t = TL_Trim(field);
  if (t.size() != 7 || t[0] != '#') return false;
  unsigned value = 0;
  auto [end, ec] = std::from_chars(t.data() + 1, t.data() + t.size(), value, 16);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  const int32_t r = static_cast<int32_t>((value >> 16) & 0xFF), g = static_cast<int32_t>((value >> 8) & 0xFF),
                b = static_cast<int32_t>(value & 0xFF);
  colour = r + 256 * g + 65536 * b;
  return true;
}

}  // namespace

std::string MN_FrequencyListCsv(const CProject& project) {
  std::string out = "System,Channel,Label,Frequency (MHz),Colour\r\n";
  for (int32_t slot = 0; slot < project.GlSystems(); ++slot) {
    const CMicCollection& mics = *project.GcSystem(slot)->GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i) {
      const CMicInstance& mic = *mics.GcItem(i);
      const auto c = static_cast<uint32_t>(mic.GlGetColor());
      char tail[64];
      std::snprintf(tail, sizeof tail, ",%.3f,#%02x%02x%02x\r\n", static_cast<double>(mic.GfGetFreq()), c & 0xFF,
                    (c >> 8) & 0xFF, (c >> 16) & 0xFF);
      out += TL_Str(slot + 1) + "," + TL_Str(i) + "," + CsvField(mic.GsGetLabel()) + tail;
    }
  }
  return out;
}

void MN_WriteFrequencyListFile(const CProject& project, const std::string& path) {
  const std::string text = MN_FrequencyListCsv(project);
  TL_WriteFileAtomic(path, std::vector<char>(text.begin(), text.end()));
}

FrequencyListReadResult MN_ParseFrequencyList(const std::string& bytes) {
  FrequencyListReadResult result;
  std::string text = bytes.rfind("\xef\xbb\xbf", 0) == 0 ? bytes.substr(3) : bytes;
  if (!TL_IsValidUtf8(text)) text = TL_AnsiToUtf8(text);

  // The separator: the first of tab, semicolon and comma on the first non-blank line.
  const size_t start = text.find_first_not_of(" \r\n");
  const std::string firstLine = start == std::string::npos ? "" : text.substr(start, text.find_first_of("\r\n", start) - start);
  const char separator = firstLine.find('\t') != std::string::npos  ? '\t'
                         : firstLine.find(';') != std::string::npos ? ';'
                                                                    : ',';
  const bool decimalComma = separator != ',';
  RecordReader records(text, separator);
  Record head;
  if (!records.Next(head)) {
    result.error = "the list is empty";
    return result;
  }

  int freqCol = -1, labelCol = -1, colourCol = -1, systemCol = -1;
  double freqUnit = 0.0;
  const bool hasHeader = std::none_of(head.fields.begin(), head.fields.end(),
                                      [&](const std::string& f) { return IsNumber(f, decimalComma); });
  if (hasHeader) {
    for (size_t i = 0; i < head.fields.size(); ++i) {
      const std::string n = Normalised(head.fields[i]);
      const int col = static_cast<int>(i);
      if (freqCol < 0 && (n.find("freq") != std::string::npos || UnitFactor(n) != 0.0 || n == "f")) {
        freqCol = col;
        // "Frequency (kHz)": the unit is what follows the name.
        for (const char* unit : {"ghz", "mhz", "khz", "hz"}) {
          if (n.size() > 3 && n.rfind(unit) == n.size() - std::string(unit).size()) {
            freqUnit = UnitFactor(unit);
            break;
          }
        }
        if (UnitFactor(n) != 0.0) freqUnit = UnitFactor(n);
      } else if (labelCol < 0 && (n.find("label") != std::string::npos || n.find("name") != std::string::npos ||
                                  n.find("desc") != std::string::npos || n.find("title") != std::string::npos)) {
        labelCol = col;
      } else if (colourCol < 0 && (n.find("colour") != std::string::npos || n.find("color") != std::string::npos)) {
        colourCol = col;
      } else if (systemCol < 0 && n.rfind("sys", 0) == 0) {
        systemCol = col;
      }
    }
    if (freqCol < 0) {
      result.error = "no frequency column (a column named \"Frequency\" or \"MHz\")";
      return result;
    }
  } else {
    // No names: the first column with a plausible frequency, and the first one of text.
    const Record& row = head;
    for (size_t i = 0; i < row.fields.size(); ++i) {
      double mhz = 0;
      if (freqCol < 0 && ReadFrequency(row.fields[i], decimalComma, 0.0, mhz) && mhz >= 10.0 && mhz <= 1000.0)
        freqCol = static_cast<int>(i);
      else if (labelCol < 0 && !row.fields[i].empty() && !IsNumber(row.fields[i], decimalComma) &&
               !(row.fields[i][0] == '#'))
        labelCol = static_cast<int>(i);
    }
    if (freqCol < 0) freqCol = 0;
  }

  auto field = [](const Record& r, int col) -> std::string {
    return col >= 0 && static_cast<size_t>(col) < r.fields.size() ? r.fields[static_cast<size_t>(col)] : "";
  };
  // The first record is data unless it names the columns.
  Record r = head;
  for (bool more = !hasHeader || records.Next(r); more; more = records.Next(r)) {
    FrequencyListEntry e;
    e.line = r.line;
    if (!ReadFrequency(field(r, freqCol), decimalComma, freqUnit, e.mhz) || !InRange(e.mhz)) {
      if (result.badRows++ == 0) result.firstBadLine = r.line;
      continue;
    }
    if (result.entries.size() == static_cast<size_t>(kMaxProjectChannels)) {
      result.entries.clear();
      result.error = "more than " + TL_GroupedNumber(kMaxProjectChannels) + " channels (line " + TL_Str(r.line) +
                     "); a project holds at most " + TL_GroupedNumber(kMaxProjectChannels);
      return result;
    }
    e.label = field(r, labelCol);
    if (TL_CharCount(e.label) > static_cast<size_t>(kMaxLabelChars)) {
      result.entries.clear();
      result.error = "line " + TL_Str(r.line) + ": the label has " + TL_GroupedNumber(static_cast<int64_t>(TL_CharCount(e.label))) +
                     " characters; a label holds at most " + TL_Str(kMaxLabelChars);
      return result;
    }
    e.hasColour = ReadColour(field(r, colourCol), e.colour);
    double system = 0;
    const std::string sys = TL_Trim(field(r, systemCol));
    if (!sys.empty() && std::from_chars(sys.data(), sys.data() + sys.size(), system).ec == std::errc() &&
        (system == 1.0 || system == 2.0))
      e.system = static_cast<int>(system);
    result.entries.push_back(e);
  }
  if (result.entries.empty()) {
    result.error = result.badRows > 0 ? "no row with a frequency from 0 to 1000 MHz (" + TL_Str(result.badRows) +
                                            " bad rows)"
                                      : "the list holds no channel";
    return result;
  }
  result.ok = true;
  return result;
}

FrequencyListReadResult MN_ReadFrequencyListFile(const std::string& path) {
  std::vector<char> bytes;
  const ReadStatus status = TL_ReadWholeFile(path, kMaxDataFileBytes, bytes);
  if (status != ReadStatus::kOk) {
    FrequencyListReadResult r;
    r.error = TL_ReadStatusText(status, kMaxDataFileBytes);
    return r;
  }
  return MN_ParseFrequencyList(std::string(bytes.begin(), bytes.end()));
}

namespace {

// Whether the entries name more than one system number, so that each slot takes only its own.
bool BySystem(const std::vector<FrequencyListEntry>& entries) {
  std::set<int> systems;
  for (const FrequencyListEntry& e : entries) systems.insert(e.system);
  return systems.size() > 1;
}

}  // namespace

bool MN_ImportFits(const CProject& project, int32_t slot, const std::vector<FrequencyListEntry>& entries,
                   std::string& why) {
  const bool bySystem = BySystem(entries);
  int64_t total = project.GlGetOverallMics();
  for (const FrequencyListEntry& e : entries)
    if (!bySystem || e.system == slot + 1) ++total;
  if (total <= kMaxProjectChannels) return true;
  why = "the project would hold " + TL_GroupedNumber(total) + " channels; a project holds at most " +
        TL_GroupedNumber(kMaxProjectChannels);
  return false;
}

std::vector<ImportedChannel> MN_ImportFrequencyList(CProject& project, int32_t slot,
                                                    const std::vector<FrequencyListEntry>& entries) {
  const bool bySystem = BySystem(entries);

  CSystemInstance& system = *project.GcSystem(slot);
  const CSystemType& type = *system.GcSystemType();
  const CSpectrum& tuning = *type.GxSpectrum();
  CMicCollection& mics = *system.GcMics();
  std::vector<ImportedChannel> added;
  for (const FrequencyListEntry& e : entries) {
    if (bySystem && e.system != slot + 1) continue;
    ImportedChannel c;
    c.line = e.line;
    c.given = e.mhz;
    c.placed = tuning.GfGetFreqNext(static_cast<float>(e.mhz));
    c.moved = TL_RoundDecimals(e.mhz, 3) != TL_RoundDecimals(c.placed, 3);
    c.label = TL_Trim(e.label).empty() ? mics.GsNextFree("Mic") : e.label;
    mics.GAddMic(c.label, type.GsGetLabel(), c.placed, e.hasColour ? e.colour : kYellow, type.GlGetFlags(), 0, 0);
    added.push_back(c);
  }
  return added;
}

}  // namespace kova
