#include "tools/Tools.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <new>
#include <system_error>

#include "tools/PlatformPort.h"

namespace kova {

namespace {

// Decimal digits of |value| rounded half away from zero to `decimals` decimals, starting from
// the value's 15 significant digits (the precision a desktop number formatter works with).
// Returns the integer digits and the fraction digits.
void DecimalDigits(double value, int decimals, std::string& intDigits, std::string& fracDigits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  // buf = d.dddddddddddddde[+-]XX
  std::string mant;
  mant.push_back(buf[0]);
  mant.append(buf + 2, buf + 16);
  int exp10 = std::atoi(buf + 17);
  // value = 0.mant * 10^(exp10 + 1); keep the digits up to `decimals` after the point.
  int pointPos = exp10 + 1;  // digits of mant before the decimal point
  int keep = pointPos + decimals;
  std::string digits;
  if (keep < 0) {
    digits = "";
    pointPos = -decimals;  // nothing survives
  } else if (keep >= static_cast<int>(mant.size())) {
    digits = mant + std::string(keep - mant.size(), '0');
  } else {
    digits = mant.substr(0, keep);
    if (mant[keep] >= '5') {
      int i = keep - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i >= 0) {
        ++digits[i];
      } else {
        digits.insert(digits.begin(), '1');
        ++pointPos;
      }
    }
  }
  // Split into integer and fraction digits.
  if (pointPos <= 0) {
    intDigits = "";
    fracDigits = std::string(-pointPos, '0') + digits;
  } else {
    intDigits = digits.substr(0, std::min<size_t>(pointPos, digits.size()));
    fracDigits = static_cast<size_t>(pointPos) < digits.size() ? digits.substr(pointPos) : "";
  }
  if (static_cast<int>(fracDigits.size()) > decimals) fracDigits.resize(decimals);
  while (static_cast<int>(fracDigits.size()) < decimals) fracDigits.push_back('0');
  size_t nz = intDigits.find_first_not_of('0');
  intDigits = nz == std::string::npos ? "" : intDigits.substr(nz);
}

}  // namespace

std::string TL_FormatNumber(double value, const std::string& pattern) {
  if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "Inf" : "-Inf");
  size_t dot = pattern.find('.');
  std::string intPat = dot == std::string::npos ? pattern : pattern.substr(0, dot);
  std::string fracPat = dot == std::string::npos ? "" : pattern.substr(dot + 1);
  int minInt = 0;
  for (char c : intPat) minInt += c == '0';
  int reqFrac = 0, optFrac = 0;
  for (char c : fracPat) {
    if (c == '0') ++reqFrac;
    if (c == '#') ++optFrac;
  }
  std::string intDigits, fracDigits;
  DecimalDigits(value, reqFrac + optFrac, intDigits, fracDigits);
  while (static_cast<int>(fracDigits.size()) > reqFrac && fracDigits.back() == '0') fracDigits.pop_back();
  while (static_cast<int>(intDigits.size()) < minInt) intDigits.insert(intDigits.begin(), '0');
  std::string out;
  if (value < 0) out.push_back('-');
  out += intDigits;
  if (dot != std::string::npos) out += "." + fracDigits;
  if (!out.empty() && out.back() == '.') out.pop_back();
  if (out.size() < pattern.size()) out.insert(0, pattern.size() - out.size(), ' ');
  return out;
}

std::string MN_FormatFreq(double value) { return TL_FormatNumber(value, "0.000"); }

double TL_Val(const std::string& text) {
  // Leading number the lenient way: blanks are skipped, reading stops at the first character
  // that cannot continue the number.
  std::string num;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
  };
  skipBlanks();
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    if (text[i] == '-') num.push_back('-');
    ++i;
  }
  bool anyDigit = false, seenDot = false;
  for (;; ++i) {
    skipBlanks();
    if (i >= text.size()) break;
    char c = text[i];
    if (c >= '0' && c <= '9') {
      num.push_back(c);
      anyDigit = true;
    } else if (c == '.' && !seenDot) {
      num.push_back('.');
      seenDot = true;
    } else {
      break;
    }
  }
  if (!anyDigit) return 0.0;
  // Optional exponent, only when digits follow.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    size_t j = i + 1;
    std::string expo = "e";
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) expo.push_back(text[j++]);
    size_t startDigits = j;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9' && j - startDigits < 6) expo.push_back(text[j++]);
    if (j > startDigits) num += expo;
  }
  double v = 0.0;
  const char* b = num.data();
  if (*b == '-') ++b;
  auto res = std::from_chars(b, num.data() + num.size(), v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) v = std::numeric_limits<double>::infinity();
  else if (res.ec != std::errc()) v = 0.0;
  return num[0] == '-' ? -v : v;
}

double TL_ParseNumber(const std::string& text) {
  std::string t = text;
  size_t comma = t.find(',');
  if (comma != std::string::npos) t[comma] = '.';
  return TL_Val(t);
}

bool TL_IsNumber(const std::string& text) {
  const std::string t = TL_Trim(text);
  size_t i = 0;
  const auto digits = [&t, &i] {
    const size_t start = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i - start;
  };
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t mantissa = digits();
  if (i < t.size() && (t[i] == '.' || t[i] == ',')) {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

std::string TL_Trim(const std::string& text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  size_t e = text.find_last_not_of(' ');
  return text.substr(b, e - b + 1);
}

std::string TL_CleanText(const std::string& text) {
  size_t nul = text.find('\0');
  return TL_Trim(nul == std::string::npos ? text : text.substr(0, nul));
}

double TL_Clamp(double value, double low, double high) {
  if (!(value >= low)) value = low;
  if (value > high) value = high;
  return value;
}

int32_t TL_RoundLong(double value) {
  if (std::isnan(value)) return 0;
  double r = std::nearbyint(value);
  if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

double TL_RoundDecimals(double value, int decimals) {
  double scale = std::pow(10.0, decimals);
  double scaled = value * scale;
  if (!std::isfinite(scaled)) return value;
  return std::nearbyint(scaled) / scale;
}

double TL_Uniform01(std::mt19937& rng) {
  uint64_t a = rng() >> 5, b = rng() >> 6;
  return (static_cast<double>(a) * 67108864.0 + static_cast<double>(b)) * (1.0 / 9007199254740992.0);
}

std::string TL_GroupedNumber(int64_t value) {
  std::string digits = std::to_string(value < 0 ? -(value + 1) + uint64_t{1} : uint64_t(value));
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return (value < 0 ? "-" : "") + digits;
}

std::string TL_Str(int64_t value) { return std::to_string(value); }

bool TL_IsBitSet(int32_t value, int32_t mask) { return (value & mask) != 0; }

void TL_SetBit(int32_t& value, int32_t mask, bool set) {
  if (set) value |= mask;
  else value &= ~mask;
}

bool TL_IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string TL_AddBackslash(const std::string& path) {
  std::string p = TL_Trim(path);
  if (p.empty()) return p;
  if (!TL_IsSeparator(p.back())) p.push_back('/');
  return p;
}

static size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

std::string TL_GetFileName(const std::string& path) {
  size_t s = LastSeparator(path);
  return s == std::string::npos ? path : path.substr(s + 1);
}

std::string TL_GetDirectory(const std::string& path) {
  size_t s = LastSeparator(path);
  return s == std::string::npos ? path : path.substr(0, s + 1);
}

std::string TL_StripExtension(const std::string& fileName) {
  size_t d = fileName.rfind('.');
  return d == std::string::npos ? fileName : fileName.substr(0, d);
}

std::string TL_GetExtension(const std::string& fileName) {
  size_t d = fileName.rfind('.');
  return d == std::string::npos ? "" : fileName.substr(d + 1);
}

bool TL_DirExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

bool TL_FileExists(const std::string& directory, const std::string& fileName) {
  try {
    std::string dir = TL_CleanText(directory), name = TL_CleanText(fileName);
    if (name.empty()) return false;
    std::string full = dir.empty() ? name : TL_AddBackslash(dir) + name;
    std::error_code ec;
    return std::filesystem::is_regular_file(full, ec);
  } catch (...) {
    return false;
  }
}

std::string TL_ToLower(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool TL_SetChanged(ChangeFlags& flags, bool bChanged, bool bNew, bool bSaved, bool bReordered) {
  if (bNew) {
    flags.projectModified = false;
    flags.productsStale = true;
  }
  if (bChanged) {
    flags.projectModified = true;
    flags.productsStale = true;
  }
  if (bReordered) flags.projectModified = true;
  if (bSaved) flags.projectModified = false;
  if (bNew || bChanged || bReordered) ++flags.changes;
  return true;
}

namespace {
int g_userLevel = 0;
}  // namespace

int TL_UserLevel() {
  const char* v = std::getenv("KOVA_USER_LEVEL");
  if (!v || !*v) return g_userLevel;
  return TL_RoundLong(TL_Val(v));
}

void TL_SetUserLevel(int level) { g_userLevel = level; }

bool TL_IsExpert() { return TL_UserLevel() == 2; }

static std::string Title(const std::string& title) {
  std::string t = TL_CleanText(title);
  return t.empty() ? kAppTitle : t;
}

int TL_AskOkCancel(const std::string& text, const std::string& title) {
  return TL_Port().messageBox(TL_CleanText(text), Title(title), MsgKind::OkCancel);
}
int TL_AskYesNo(const std::string& text, const std::string& title) {
  return TL_Port().messageBox(TL_CleanText(text), Title(title), MsgKind::YesNo);
}
int TL_AskYesNoCancel(const std::string& text, const std::string& title) {
  return TL_Port().messageBox(TL_CleanText(text), Title(title), MsgKind::YesNoCancel);
}
int TL_ShowInfo(const std::string& text, const std::string& title) {
  TL_Port().messageBox(TL_CleanText(text), Title(title), MsgKind::Info);
  return kOk;
}
bool TL_IsFormLoaded(const std::string& formName) { return TL_Port().isFormLoaded(formName); }

static int FileDialog(bool save, const std::string& title, std::string& directory, std::string& fileName,
                      const std::string& filter, int& filterIndex) {
  FileDialogRequest req;
  req.save = save;
  req.title = TL_CleanText(title);
  req.filter = filter + "|All files (*.*)|*.*";
  req.filterIndex = filterIndex;
  req.initialPath = directory + fileName;
  try {
    if (!TL_Port().fileDialog(req) || req.chosenPath.empty()) return 0;
  } catch (const std::exception&) {
    TL_ShowInfo(save ? "Error during SaveFile" : "Error during OpenFile");
    return 0;
  }
  filterIndex = req.filterIndex;
  directory = TL_GetDirectory(req.chosenPath);
  fileName = TL_GetFileName(req.chosenPath);
  if (directory == req.chosenPath) directory.clear();  // a bare name has no directory part
  return 1;
}

int TL_OpenFileDialog(const std::string& title, std::string& directory, std::string& fileName,
                      const std::string& filter, int& filterIndex) {
  return FileDialog(false, title, directory, fileName, filter, filterIndex);
}

int TL_SaveFileDialog(const std::string& title, std::string& directory, std::string& fileName,
                      const std::string& filter, int& filterIndex) {
  return FileDialog(true, title, directory, fileName, filter, filterIndex);
}

std::string TL_ErrorText(const std::string& routine, const std::exception& e) {
  int number = 5;
  if (auto* k = dynamic_cast<const KovaError*>(&e)) number = k->number();
  else if (dynamic_cast<const std::out_of_range*>(&e)) number = 9;
  else if (dynamic_cast<const std::overflow_error*>(&e)) number = 6;
  else if (dynamic_cast<const std::bad_alloc*>(&e)) number = 7;
  std::string text = "An Error Occured During " + routine + ": " + std::to_string(number) + " " + e.what();
  if (auto* k = dynamic_cast<const KovaError*>(&e); k && !k->file().empty() && !k->reason().empty())
    text += "\n" + TL_ShowName(k->file()) + ": " + k->reason();
  return text;
}

std::string TL_ErrorReason(const std::exception& e) {
  if (auto* k = dynamic_cast<const KovaError*>(&e); k && !k->reason().empty()) return k->reason();
  return e.what();
}

std::string TL_SystemReason(int errnum) {
  std::string reason = std::generic_category().message(errnum);
  // "No space left on device" -> "no space ..."; an abbreviation ("I/O error") keeps its letters.
  const auto upper = [&reason](size_t i) { return i < reason.size() && reason[i] >= 'A' && reason[i] <= 'Z'; };
  if (upper(0) && !upper(1) && !(reason.size() > 1 && reason[1] == '/'))
    reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
  return reason;
}

std::string TL_ShowName(const std::string& name) {
  std::string shown;
  shown.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    unsigned control = 256;
    if (c < 0x20 || c == 0x7F) control = c;
    // U+0080 to U+009F in UTF-8: C2 80 to C2 9F.
    else if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
             static_cast<unsigned char>(name[i + 1]) <= 0x9F)
      control = static_cast<unsigned char>(name[++i]);
    if (control == 256) {
      shown.push_back(name[i]);
      continue;
    }
    switch (control) {
      case '\n': shown += "\\n"; break;
      case '\t': shown += "\\t"; break;
      case '\r': shown += "\\r"; break;
      case 0x1B: shown += "\\e"; break;
      default: {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", control);
        shown += hex;
      }
    }
  }
  return shown;
}

void TL_ReportError(const std::string& routine, const std::exception& e) { TL_ShowInfo(TL_ErrorText(routine, e)); }

}  // namespace kova
