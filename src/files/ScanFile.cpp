#include "files/ScanFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "tools/InputFile.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// Level offsets to dBm at 50 ohm.
constexpr double kDbuvToDbm = -107.0;
constexpr double kDbmvToDbm = -47.0;
// The program's frequencies end at 1000 MHz: a point beyond is of no use, and a value beyond in
// any unit is damage. In MHz, kHz and Hz the values above these are out of range.
constexpr double kMaxMHz = 1000.0;
constexpr double kMaxKHz = 1e6;
constexpr double kMaxHz = 1e9;
// A sweep reaching beyond this many Hz is damage (and would not survive the rounding to whole
// hertz); one that only reaches beyond 1000 MHz keeps its bins below.
constexpr double kSweepDamageHz = 1e12;
// Levels no receiver reports (in dBm, after the unit's offset): such a line is damage.
constexpr double kMinDbm = -200.0;
constexpr double kMaxDbm = 50.0;

bool LevelInRange(double dbm) { return dbm >= kMinDbm && dbm <= kMaxDbm; }

// Trims blanks at both ends, as TL_Trim does.
std::string_view Trim(std::string_view text) {
  const size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

// Reads a whole field as a number; with `decimalComma` a "," is the decimal point. Infinity and
// not-a-number are read too (sweep tools write them for empty bins); callers decide.
bool ReadNumber(std::string_view field, bool decimalComma, double& value) {
  field = Trim(field);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = Trim(field.substr(1, field.size() - 2));
  std::string withPoint;
  if (decimalComma && field.find('.') == std::string_view::npos && field.find(',') != std::string_view::npos) {
    withPoint.assign(field);
    std::replace(withPoint.begin(), withPoint.end(), ',', '.');
    field = withPoint;
  }
  const char* first = field.data();
  const char* last = first + field.size();
  if (first != last && *first == '+') ++first;
  if (first == last) return false;
  auto [end, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && end == last;
}

// The fields of one line (views into it): tab, semicolon or comma separated (the first of these
// present), else separated by white space. Returns the separator, ' ' for white space.
char SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
  const char separator = line.find('\t') != std::string_view::npos   ? '\t'
                         : line.find(';') != std::string_view::npos  ? ';'
                         : line.find(',') != std::string_view::npos  ? ','
                                                                     : ' ';
  fields.clear();
  if (separator == ' ') {
    // The white space of the C locale; a tab is not there (it would be the separator).
    constexpr std::string_view kSpace = " \t\n\v\f\r";
    for (size_t at = line.find_first_not_of(kSpace); at != std::string_view::npos;) {
      const size_t end = line.find_first_of(kSpace, at);
      fields.push_back(line.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
      at = end == std::string_view::npos ? end : line.find_first_not_of(kSpace, end);
    }
    return separator;
  }
  size_t start = 0;
  for (;;) {
    size_t end = line.find(separator, start);
    fields.push_back(Trim(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  // A separator at the end of the line ("470.0;-80;") adds no column.
  while (!fields.empty() && fields.back().empty()) fields.pop_back();
  return separator;
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

// The level units named in header texts, collected line by line.
struct LevelUnits {
  bool uv = false, mv = false, m = false;  // dBuV, dBmV, dBm

  void Add(const std::string& text) {
    const std::string t = TL_ToLower(text);
    // dBuV written with a plain u, a micro sign (UTF-8 or Windows-1252) or a Greek mu.
    uv = uv || t.find("dbuv") != std::string::npos || t.find("db\xc2\xb5v") != std::string::npos ||
         t.find("db\xb5v") != std::string::npos || t.find("db\xce\xbcv") != std::string::npos;
    mv = mv || t.find("dbmv") != std::string::npos;
    for (size_t at = t.find("dbm"); at != std::string::npos; at = t.find("dbm", at + 1))
      if (at + 3 >= t.size() || t[at + 3] != 'v') m = true;
  }
  // The offset to dBm: true when exactly one kind is named.
  bool Offset(double& offset) const {
    if (uv + mv + m != 1) return false;
    offset = uv ? kDbuvToDbm : mv ? kDbmvToDbm : 0.0;
    return true;
  }
};

bool LevelUnitOf(const std::string& text, double& offset) {
  LevelUnits units;
  units.Add(text);
  return units.Offset(offset);
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
bool IsSweepLine(const std::vector<std::string_view>& fields) {
  if (fields.size() < 7) return false;
  double v = 0;
  if (ReadNumber(fields[0], false, v)) return false;
  for (size_t i = 2; i <= 5; ++i)
    if (!ReadNumber(fields[i], false, v)) return false;
  return true;
}

// Points kept while a scan is read. They go into blocks of a fixed size, so the store never
// holds two copies of itself while it grows (as one growing vector would), and are handed over
// as one vector of exactly the right size.
class PointStore {
 public:
  void Add(double mhz, double dbm) {
    if (blocks_.empty() || blocks_.back().size() == kBlockPoints) {
      blocks_.emplace_back();
      blocks_.back().reserve(kBlockPoints);
    }
    blocks_.back().push_back({mhz, dbm});
    ++size_;
  }
  size_t Size() const { return size_; }
  // `head`, then the points in the order added; the store is empty afterwards. Each block is
  // freed as soon as it is copied.
  std::vector<ScanPoint> Take(std::vector<ScanPoint> head = {}) {
    std::vector<ScanPoint> all;
    all.reserve(head.size() + size_);
    all.insert(all.end(), head.begin(), head.end());
    std::vector<ScanPoint>().swap(head);
    for (std::vector<ScanPoint>& block : blocks_) {
      all.insert(all.end(), block.begin(), block.end());
      std::vector<ScanPoint>().swap(block);
    }
    blocks_.clear();
    size_ = 0;
    return all;
  }

 private:
  static constexpr size_t kBlockPoints = size_t{1} << 16;  // 1 MB
  std::vector<std::vector<ScanPoint>> blocks_;
  size_t size_ = 0;
};

// Points sorted by frequency (kept in their order where equal), one per frequency: the highest
// level, the first of equal ones.
void KeepHighest(std::vector<ScanPoint>& points) {
  std::stable_sort(points.begin(), points.end(), [](const ScanPoint& a, const ScanPoint& b) { return a.mhz < b.mhz; });
  size_t kept = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    if (kept > 0 && points[kept - 1].mhz == points[i].mhz)
      points[kept - 1].dbm = std::max(points[kept - 1].dbm, points[i].dbm);
    else
      points[kept++] = points[i];
  }
  points.resize(kept);
}

}  // namespace

double MN_FreqToMHzByMagnitude(double value) {
  const double a = std::fabs(value);
  if (a >= 1e7) return value / 1e6;
  if (a >= 1e4) return value / 1e3;
  return value;
}

// The reading itself. Lines are taken one at a time; what is kept of them is the points (16
// bytes each), the column names and the units named before the data.
class ScanReader::Parser {
 public:
  void Feed(const char* data, size_t size) {
    const char* const end = data + size;
    while (data != end) {
      const char* newline = static_cast<const char*>(std::memchr(data, '\n', static_cast<size_t>(end - data)));
      const std::string_view piece(data, static_cast<size_t>((newline ? newline : end) - data));
      if (newline && line_.empty() && !overlong_ && piece.size() <= kMaxLineBytes) {
        Line(piece);  // a whole line within this piece of text: no copy
      } else {
        if (line_.size() + piece.size() > kMaxLineBytes) {
          overlong_ = true;
          std::string().swap(line_);
        }
        if (!overlong_) line_ += piece;
        if (newline) EndLine();
      }
      if (!newline) break;
      data = newline + 1;
    }
  }

  ScanReadResult Finish() {
    EndLine();  // the text after the last line end (an empty line when there is none)
    ScanReadResult result = std::move(result_);
    if (result.dataLines == 0) {
      result.error = result.badLines > 0 ? "no usable scan line (" + TL_Str(result.badLines) + " bad lines)"
                                         : "no scan data (frequency and level) found";
      return result;
    }
    if (result.format == ScanFormat::kSweep) {
      Compact();
      result.points = std::move(merged_);
    } else {
      result.points = TwoColumnPoints(result);
    }
    if (result.points.empty()) {
      result.error = result.dataLines == 0 ? "no usable scan line (" + TL_Str(result.badLines) + " bad lines)"
                                           : "no usable points (no level is a finite number)";
      return result;
    }
    result.ok = true;
    return result;
  }

 private:
  // No scan tool writes lines anywhere near this long; a longer line is not kept but counted
  // as a bad line.
  static constexpr size_t kMaxLineBytes = size_t{16} << 20;
  // Sweep points are merged into one per frequency whenever this many (or as many as already
  // merged) have come in: repeated sweeps of the same range take no more memory than one.
  static constexpr size_t kMergeAt = size_t{1} << 20;

  void EndLine() {
    if (overlong_) {
      ++lineCount_;
      Bad();
      overlong_ = false;
    } else {
      Line(line_);
    }
    line_.clear();
  }

  void Bad() {
    if (result_.badLines++ == 0) result_.firstBadLine = static_cast<int>(lineCount_);
  }

  void Line(std::string_view raw) {
    ++lineCount_;
    if (lineCount_ == 1 && raw.substr(0, 3) == "\xef\xbb\xbf") raw.remove_prefix(3);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const std::string_view line = Trim(raw);
    if (line.empty()) return;
    ScanFormat& format = result_.format;
    if (line[0] == '#' || line.substr(0, 2) == "//") {  // a comment
      if (format == ScanFormat::kNone) headerUnits_.Add(std::string(line));
      return;
    }
    const bool decimalComma = SplitFields(line, fields_) != ',';

    if (format != ScanFormat::kTwoColumn && IsSweepLine(fields_)) {
      if (format == ScanFormat::kNone) format = ScanFormat::kSweep;
      if (ReadSweepLine())
        ++result_.dataLines;
      else
        Bad();
      if (store_.Size() >= std::max(kMergeAt, merged_.size())) Compact();
      return;
    }
    if (format != ScanFormat::kSweep) {
      if (format == ScanFormat::kNone && !columnsFixed_ && !columnNames_.empty()) {
        // The column names decide which column is which; without them the first two.
        for (size_t i = 0; i < columnNames_.size(); ++i) {
          if (NamesFrequency(columnNames_[i])) {
            freqColumn_ = i;
            break;
          }
        }
        for (size_t i = 0; i < columnNames_.size(); ++i) {
          if (i != freqColumn_ && NamesLevel(columnNames_[i])) {
            levelColumn_ = i;
            break;
          }
        }
        if (levelColumn_ == freqColumn_) levelColumn_ = freqColumn_ == 0 ? 1 : 0;
        columnsFixed_ = true;
      }
      double f = 0, l = 0;
      if (fields_.size() > std::max(freqColumn_, levelColumn_) &&
          ReadNumber(fields_[freqColumn_], decimalComma, f) && ReadNumber(fields_[levelColumn_], decimalComma, l)) {
        // The level first: InRange counts the lines beyond 1000 MHz among the data lines.
        if (f > 0 && LevelInRange(l + LevelOffset()) && InRange(f)) {
          format = ScanFormat::kTwoColumn;
          store_.Add(f, l);  // the frequency as written; its unit is known at the end
          ++result_.dataLines;
        } else {
          Bad();
        }
        return;
      }
    }
    if (format == ScanFormat::kNone) {
      headerUnits_.Add(std::string(line));
      if (fields_.size() >= 2) columnNames_.assign(fields_.begin(), fields_.end());
    } else {
      Bad();
    }
  }

  // Whether a frequency value of a data line can lie within 0 to 1000 MHz. With the unit named
  // in the header that is known at once; without, the unit follows from the typical value at
  // the end, so the lines beyond 1000 and beyond 1000000 are counted for then.
  bool InRange(double f) {
    const double unit = columnNames_.size() > freqColumn_ ? FreqUnitOf(columnNames_[freqColumn_]) : 0.0;
    if (unit != 0.0) return f * unit <= kMaxMHz;
    if (f > kMaxHz) return false;
    for (Beyond* b : {&beyondMHz_, &beyondKHz_}) {
      if (f <= b->limit) continue;
      if (b->lines++ == 0) b->firstLine = lineCount_;
    }
    return true;
  }

  // The offset from the level column's unit to dBm, named in its heading or in the lines before
  // the first data line (0 when none is named). Kept once a data line was read, as no heading
  // follows it.
  double LevelOffset() {
    if (levelOffsetKnown_) return levelOffset_;
    double offset = 0.0;
    if (!(columnNames_.size() > levelColumn_ && LevelUnitOf(columnNames_[levelColumn_], offset))) {
      if (!headerUnits_.Offset(offset)) offset = 0.0;
    }
    levelOffset_ = offset;
    levelOffsetKnown_ = result_.format != ScanFormat::kNone;
    return offset;
  }

  // Adds the levels of a sweep line at their bin centres; false when the line is damaged.
  bool ReadSweepLine() {
    double low = 0, high = 0, step = 0, samples = 0;
    if (!ReadNumber(fields_[2], false, low) || !ReadNumber(fields_[3], false, high) ||
        !ReadNumber(fields_[4], false, step) || !ReadNumber(fields_[5], false, samples))
      return false;
    const size_t count = fields_.size() - 6;
    if (!(low > 0) || !(high > low) || !(step > 0) || !(low + static_cast<double>(count) * step <= kSweepDamageHz) ||
        !(low < kMaxHz))
      return false;
    values_.resize(count);
    for (size_t i = 0; i < count; ++i)
      if (!ReadNumber(fields_[i + 6], false, values_[i]) || (std::isfinite(values_[i]) && !LevelInRange(values_[i])))
        return false;
    for (size_t i = 0; i < count; ++i) {
      if (!std::isfinite(values_[i])) continue;  // an empty bin
      // Whole hertz, so that repeated sweeps meet on the same frequencies.
      const auto hz = static_cast<int64_t>(std::llround(low + (static_cast<double>(i) + 0.5) * step));
      if (static_cast<double>(hz) > kMaxHz) break;
      store_.Add(static_cast<double>(hz) / 1e6, values_[i]);
    }
    return true;
  }

  // Merges the sweep points read since the last merge into the merged ones.
  void Compact() {
    merged_ = store_.Take(std::move(merged_));
    KeepHighest(merged_);
  }

  // The two-column points in MHz and dBm, one per whole hertz.
  std::vector<ScanPoint> TwoColumnPoints(ScanReadResult& result) {
    std::vector<ScanPoint> points = store_.Take();
    // Sorted by the frequency as written, which sorts them by whole hertz as well.
    std::sort(points.begin(), points.end(), [](const ScanPoint& a, const ScanPoint& b) { return a.mhz < b.mhz; });
    double mhzPerUnit = columnNames_.size() > freqColumn_ ? FreqUnitOf(columnNames_[freqColumn_]) : 0.0;
    if (mhzPerUnit == 0.0) {
      // No unit named: the size of the typical value tells. The lines whose values then lie
      // beyond 1000 MHz are bad lines.
      const double typical = points[points.size() / 2].mhz;
      mhzPerUnit = MN_FreqToMHzByMagnitude(typical) / typical;
      const Beyond& beyond = mhzPerUnit == 1.0 ? beyondMHz_ : mhzPerUnit == 0.001 ? beyondKHz_ : Beyond{};
      if (beyond.lines > 0) {
        points.erase(std::upper_bound(points.begin(), points.end(), beyond.limit,
                                      [](double v, const ScanPoint& p) { return v < p.mhz; }),
                     points.end());
        result.dataLines -= static_cast<int>(beyond.lines);
        result.badLines += static_cast<int>(beyond.lines);
        if (result.firstBadLine == 0 || static_cast<size_t>(result.firstBadLine) > beyond.firstLine)
          result.firstBadLine = static_cast<int>(beyond.firstLine);
      }
    }
    const double offset = LevelOffset();
    // The same frequency twice (a max-hold export, two traces): the higher level counts.
    size_t kept = 0;
    int64_t lastHz = 0;
    for (size_t i = 0; i < points.size(); ++i) {
      const double hzValue = points[i].mhz * mhzPerUnit * 1e6;
      if (!(hzValue < 0x1p63)) break;  // beyond whole hertz in 64 bits: damage, as are all after it
      const auto hz = static_cast<int64_t>(std::llround(hzValue));
      const double level = points[i].dbm + offset;
      if (kept > 0 && hz == lastHz) {
        points[kept - 1].dbm = std::max(points[kept - 1].dbm, level);
      } else {
        points[kept++] = {static_cast<double>(hz) / 1e6, level};
        lastHz = hz;
      }
    }
    points.resize(kept);
    return points;
  }

  // Data lines whose value lies above `limit`, for a unit that is known only at the end.
  struct Beyond {
    double limit = 0.0;
    size_t lines = 0;
    size_t firstLine = 0;
  };
  Beyond beyondMHz_{kMaxMHz}, beyondKHz_{kMaxKHz};

  ScanReadResult result_;  // format and line counts; the points come at the end
  size_t lineCount_ = 0;
  std::string line_;  // the start of a line that continues in the next piece of text
  bool overlong_ = false;
  std::vector<std::string_view> fields_;
  std::vector<double> values_;
  LevelUnits headerUnits_;               // units named in every line before the first data line
  std::vector<std::string> columnNames_;  // the last header line with two fields or more
  size_t freqColumn_ = 0, levelColumn_ = 1;
  double levelOffset_ = 0.0;
  bool levelOffsetKnown_ = false;
  bool columnsFixed_ = false;
  PointStore store_;               // two-column points, or sweep points not yet merged
  std::vector<ScanPoint> merged_;  // sweep points, one per frequency
};

ScanReader::ScanReader() : parser_(std::make_unique<Parser>()) {}
ScanReader::~ScanReader() = default;
void ScanReader::Feed(const char* data, size_t size) { parser_->Feed(data, size); }
ScanReadResult ScanReader::Finish() { return parser_->Finish(); }

ScanReadResult MN_ParseScan(const std::string& text) {
  ScanReader reader;
  reader.Feed(text.data(), text.size());
  return reader.Finish();
}

ScanReadResult MN_ReadScanFile(const std::string& path) {
  InputFile in;
  ScanReader reader;
  if (in.Open(path, kMaxScanFileBytes) == ReadStatus::kOk) {
    std::vector<char> buffer(size_t{1} << 16);
    while (const size_t n = in.Read(buffer.data(), buffer.size())) reader.Feed(buffer.data(), n);
  }
  if (in.Status() != ReadStatus::kOk) {
    ScanReadResult r;
    r.error = TL_ReadStatusText(in.Status(), kMaxScanFileBytes);
    return r;
  }
  return reader.Finish();
}

}  // namespace kova
