#pragma once
// Shared tool routines: number formatting and reading that always use "." as the decimal
// separator, path parts, bit routines, the change flags, the user level, the dialog wrappers
// and the error type of top-level commands.

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>

namespace kova {

// ---- Numbers and text ----

// Formats `value` with a pattern of "0" and "#" digit placeholders ("0.000", "##0.000", "0").
// Rounds the decimal value half away from zero, always writes "." as decimal separator, drops a
// trailing "." and pads on the left with blanks to the pattern's length.
std::string TL_FormatNumber(double value, const std::string& pattern);
// value with the pattern "0.000".
std::string MN_FormatFreq(double value);
// Reads the leading number of `text` ("," or "." as decimal separator, leading blanks skipped);
// 0 when the text does not begin with a number.
double TL_ParseNumber(const std::string& text);
// Whether the whole of `text` (blanks at either end aside) is one number as TL_ParseNumber reads
// it: an optional sign, digits with at most one "." or "," among them, and an optional exponent.
// Empty text, a lone sign or point, and text with anything after the number are not numbers.
bool TL_IsNumber(const std::string& text);
// The leading number of `text` without the comma rule (digits up to the first character that
// cannot continue a number; 0 when there is none).
double TL_Val(const std::string& text);
// The text up to its first NUL character, blanks removed at both ends.
std::string TL_CleanText(const std::string& text);
std::string TL_Trim(const std::string& text);
double TL_Clamp(double value, double low, double high);

// Rounds to the nearest whole number, ties to even, and converts to a 32-bit integer.
// NaN gives 0; values beyond the 32-bit range are clamped to it.
int32_t TL_RoundLong(double value);
// Rounds to `decimals` decimals, ties to even (on the binary value).
double TL_RoundDecimals(double value, int decimals);
// Uniform random number in [0, 1) with 53 random bits.
double TL_Uniform01(std::mt19937& rng);
// Whole number as decimal text (the way the program writes counts into texts).
std::string TL_Str(int64_t value);
// Whole number with "," between groups of three digits ("10,000"), for texts that name limits.
std::string TL_GroupedNumber(int64_t value);

// ---- Bits ----
bool TL_IsBitSet(int32_t value, int32_t mask);
void TL_SetBit(int32_t& value, int32_t mask, bool set);

// ---- Paths and files ----
// Both "\" and "/" separate path parts; the program itself builds paths with "/".
bool TL_IsSeparator(char c);
std::string TL_AddBackslash(const std::string& path);
std::string TL_GetFileName(const std::string& path);
std::string TL_GetDirectory(const std::string& path);
std::string TL_StripExtension(const std::string& fileName);
std::string TL_GetExtension(const std::string& fileName);
bool TL_DirExists(const std::string& path);
bool TL_FileExists(const std::string& directory, const std::string& fileName);
std::string TL_ToLower(const std::string& text);

// ---- Change flags ----
struct ChangeFlags {
  bool projectModified = false;  // unsaved changes in the current project
  bool productsStale = false;    // the spectrum display must recompute its products
  uint32_t changes = 0;          // counts every new, changed or reordered project (never saves)
};
// Applies the switches in the order bNew, bChanged, bReordered, bSaved; always true.
bool TL_SetChanged(ChangeFlags& flags, bool bChanged, bool bNew, bool bSaved, bool bReordered);

// ---- User level ----
// The level of this run: KOVA_USER_LEVEL when set, otherwise the level given to TL_SetUserLevel
// (0 until then, the delivered configuration; 2 = expert).
int TL_UserLevel();
bool TL_IsExpert();
// The level of this run when KOVA_USER_LEVEL is not set; the desktop program sets it at start
// from its editor mode setting or its --editor option, and when the editor mode is switched on.
void TL_SetUserLevel(int level);

// ---- Dialogs (through the installed platform port) ----
inline constexpr const char* kAppTitle = "KOVA";
int TL_AskOkCancel(const std::string& text, const std::string& title = "");
int TL_AskYesNo(const std::string& text, const std::string& title = "");
int TL_AskYesNoCancel(const std::string& text, const std::string& title = "");
int TL_ShowInfo(const std::string& text, const std::string& title = "");
bool TL_IsFormLoaded(const std::string& formName);
// Open/Save file dialogs. `directory`, `fileName` and `filterIndex` are written back when a
// file was chosen; the result is 1 then, else 0.
int TL_OpenFileDialog(const std::string& title, std::string& directory, std::string& fileName,
                      const std::string& filter, int& filterIndex);
int TL_SaveFileDialog(const std::string& title, std::string& directory, std::string& fileName,
                      const std::string& filter, int& filterIndex);

// ---- Errors ----
// An error with a number and a description, as top-level commands report them.
// A file error may also name the file and the system's reason ("no space left on device"),
// which the error text then gives on a second line.
class KovaError : public std::runtime_error {
 public:
  KovaError(int number, const std::string& description) : std::runtime_error(description), number_(number) {}
  KovaError(int number, const std::string& description, const std::string& file, const std::string& reason)
      : std::runtime_error(description), number_(number), file_(file), reason_(reason) {}
  int number() const { return number_; }
  const std::string& file() const { return file_; }
  const std::string& reason() const { return reason_; }

 private:
  int number_;
  std::string file_;
  std::string reason_;
};
// "An Error Occured During <routine>: <number> <description>" for any exception; a KovaError
// that names a file and a reason adds the line "<file>: <reason>" (the name shown by
// TL_ShowName).
std::string TL_ErrorText(const std::string& routine, const std::exception& e);
// Why `e` happened in the fewest words: the system's reason of a KovaError that has one, else
// its description.
std::string TL_ErrorReason(const std::exception& e);
// The system's reason for error number `errnum`, beginning with a small letter ("no space left
// on device", "read-only file system").
std::string TL_SystemReason(int errnum);
// A file name as it can be shown on a terminal or in a message: control characters (C0, DEL
// and the C1 controls) become "\n", "\t", "\r", "\e" or "\xNN"; everything else stays.
std::string TL_ShowName(const std::string& name);
// Shows TL_ErrorText in an information box.
void TL_ReportError(const std::string& routine, const std::exception& e);

}  // namespace kova
