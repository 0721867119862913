#include "files/RegionTables.h"

#include <cmath>
#include <set>

#include "files/FileList.h"
#include "tools/Encoding.h"
#include "tools/InputFile.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// A table of channels first..last, channel n from base + width * (n - first) MHz; `skip` lists
// numbers the region does not use for television.
CountryRef Raster(const std::string& label, int32_t first, int32_t last, int32_t base, int32_t width,
                  std::set<int32_t> skip = {}) {
  auto table = std::make_shared<CCountrySpectrum>();
  table->GDefine(label);
  for (int32_t n = first; n <= last; ++n)
    if (!skip.count(n))
      table->GAddChannel(n, static_cast<float>(base + width * (n - first)), static_cast<float>(base + width * (n - first + 1)));
  return table;
}

// Ranges without channel numbers of their own, numbered 1, 2, ... in the order given.
CountryRef Windows(const std::string& label, std::initializer_list<std::pair<float, float>> ranges) {
  auto table = std::make_shared<CCountrySpectrum>();
  table->GDefine(label);
  int32_t n = 0;
  for (const auto& [lo, hi] : ranges) table->GAddChannel(++n, lo, hi);
  return table;
}

// The fields of one line; quotes around a field are dropped (doubled quotes inside kept as one).
std::vector<std::string> Fields(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (c == separator && !quoted) {
      fields.push_back(TL_Trim(field));
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(TL_Trim(field));
  while (fields.size() > 1 && fields.back().empty()) fields.pop_back();
  return fields;
}

char Separator(const std::string& line) {
  if (line.find('\t') != std::string::npos) return '\t';
  if (line.find(';') != std::string::npos) return ';';
  return ',';
}

struct Row {
  int32_t channel = 0;
  float lo = 0.0f, hi = 0.0f;
};

// One channel line; false with `error` when the line is not one.
bool ReadRow(const std::string& line, Row& row, std::string& error) {
  const std::vector<std::string> f = Fields(line, Separator(line));
  if (f.size() != 3) {
    error = "needs three columns: channel, from MHz, to MHz";
    return false;
  }
  for (const std::string& field : f) {
    if (!TL_IsNumber(field)) {
      error = "\"" + field + "\" is not a number";
      return false;
    }
  }
  const double channel = TL_ParseNumber(f[0]), lo = TL_ParseNumber(f[1]), hi = TL_ParseNumber(f[2]);
  if (channel != std::floor(channel) || channel < 0 || channel > 99999) {
    error = "the channel must be a whole number from 0 to 99999, not " + f[0];
    return false;
  }
  if (!(lo >= 10.0 && hi <= 1000.0 && lo < hi)) {
    error = "the channel must lie within 10 to 1000 MHz, its lower edge below its upper";
    return false;
  }
  row = {static_cast<int32_t>(channel), static_cast<float>(lo), static_cast<float>(hi)};
  return true;
}

}  // namespace

std::vector<CountryRef> MN_RegionTables() {
  return {
      Raster("USA/Canada UHF 14-36", 14, 36, 470, 6),
      Raster("Europe UHF 21-48", 21, 48, 470, 8),
      // Channel 38 (606-614 MHz) is kept for programme making in the UK, not for television.
      Raster("United Kingdom UHF 21-48 without 38", 21, 48, 470, 8, {38}),
      Raster("Japan UHF 13-52", 13, 52, 470, 6),
      Raster("Australia UHF 28-51", 28, 51, 526, 7),
      Windows("USA wireless microphone windows (not TV; check local rules)", {{614.0f, 616.0f}, {653.0f, 657.0f}}),
      Windows("Europe wireless microphone window (not TV; check local rules)", {{823.0f, 832.0f}}),
  };
}

RegionTableRead MN_ParseRegionTable(const std::string& bytes, const std::string& fileName) {
  RegionTableRead r;
  std::string text = bytes.rfind("\xef\xbb\xbf", 0) == 0 ? bytes.substr(3) : bytes;
  if (!TL_IsValidUtf8(text)) text = TL_AnsiToUtf8(text);

  auto table = std::make_shared<CCountrySpectrum>();
  std::set<int32_t> numbers;
  bool named = false, headerAllowed = false;
  int line = 0;
  for (size_t pos = 0; pos <= text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string content = text.substr(pos, end - pos);
    pos = end + 1;
    ++line;
    if (!content.empty() && content.back() == '\r') content.pop_back();
    content = TL_Trim(content);
    if (content.empty() || content[0] == '#') continue;

    Row row;
    std::string error;
    const bool isRow = ReadRow(content, row, error);
    if (!named) {
      // The first line names the table, unless it is a channel already.
      named = true;
      std::string label;
      if (!isRow) {
        const std::vector<std::string> f = Fields(content, Separator(content));
        // A name holding the separator stays whole unless it was quoted.
        label = content[0] == '"' ? f[0] : TL_Trim(content.substr(0, content.find_last_not_of(",;\t") + 1));
      }
      table->GDefine(label.empty() ? TL_StripExtension(fileName) : label);
      headerAllowed = !isRow;
      if (!isRow) continue;
    } else if (!isRow && headerAllowed && !TL_IsNumber(Fields(content, Separator(content))[0])) {
      headerAllowed = false;  // the column names
      continue;
    }
    headerAllowed = false;
    if (!isRow) {
      r.error = "line " + std::to_string(line) + ": " + error;
      return r;
    }
    if (!numbers.insert(row.channel).second) {
      r.error = "line " + std::to_string(line) + ": channel " + std::to_string(row.channel) + " a second time";
      return r;
    }
    if (static_cast<int32_t>(numbers.size()) > kMaxTableChannels) {
      r.error = "more than " + std::to_string(kMaxTableChannels) + " channels";
      return r;
    }
    table->GAddChannel(row.channel, row.lo, row.hi);
  }
  if (numbers.empty()) {
    r.error = "no channels (each line: channel, from MHz, to MHz)";
    return r;
  }
  r.table = table;
  return r;
}

RegionFolderRead MN_ReadRegionFolder(const std::string& dir, const std::vector<std::string>& builtIn) {
  RegionFolderRead r;
  // Table names in lower case, as --region and the window find them: a second table of one
  // name could never be chosen.
  std::set<std::string> taken;
  for (const std::string& label : builtIn) taken.insert(TL_ToLower(label));
  for (const std::string& name : MN_ListFiles(dir, "csv", true)) {
    std::vector<char> bytes;
    const ReadStatus status = TL_ReadWholeFile(TL_AddBackslash(dir) + name, kMaxDataFileBytes, bytes);
    if (status != ReadStatus::kOk) {
      r.errors.push_back(name + ": " + TL_ReadStatusText(status, kMaxDataFileBytes));
      continue;
    }
    RegionTableRead table = MN_ParseRegionTable(std::string(bytes.begin(), bytes.end()), name);
    if (!table.table) {
      r.errors.push_back(name + ": " + table.error);
    } else if (!taken.insert(TL_ToLower(table.table->GsGetLabel())).second) {
      r.errors.push_back(name + ": another table is named \"" + TL_ShowName(table.table->GsGetLabel()) + "\"");
    } else {
      r.tables.push_back(table.table);
    }
  }
  return r;
}

}  // namespace kova
