#pragma once
// Pieces shared by the kova-cli subcommands: option parsing, the application directory and
// loading the project named on the command line.

#include <cstdint>
#include <exception>
#include <functional>
#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/PrintDocument.h"

namespace kova {

struct CliArgs {
  std::string project;                         // the PROJECT argument
  std::vector<std::string> plain;              // plain arguments after PROJECT, in order
  std::map<std::string, std::string> options;  // "--runs" -> "100" (the last value given)
  std::map<std::string, std::vector<std::string>> repeated;  // every value of an option, in order
  std::set<std::string> flags;                 // "--systematic"
  bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
  std::string Option(const std::string& name, const std::string& fallback = "") const;
};

// The options and arguments a command takes.
struct CliGrammar {
  std::set<std::string> values;      // options that take a value
  std::set<std::string> flags;       // options without a value
  std::set<std::string> repeatable;  // options that may be given more than once
  size_t plain = 0;                  // plain arguments allowed after PROJECT
};

// Parses "PROJECT [plain arguments] [options]" by one grammar for every command: an option's
// value is the next argument whatever it looks like, or follows "=" ("--runs=5"); an argument
// that is a negative number ("-1") is a plain argument, not an option; an option given twice is
// refused unless it is repeatable; --data-dir is always accepted. False with one line on `err`
// for anything else.
bool CLI_ParseArgs(const std::vector<std::string>& args, const CliGrammar& grammar, CliArgs& out, std::ostream& err);
// The same for "PROJECT [options]".
bool CLI_ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                   const std::set<std::string>& flagOptions, CliArgs& out, std::ostream& err);

// A whole number in decimal, with an optional "+" or "-".
bool CLI_ParseWhole(const std::string& text, int64_t& value);
// Option `name` as a whole number from `low` to `high` (`fallback` when absent). False with one
// line on `err` naming the option and its range when the text is anything else.
bool CLI_ReadWhole(const CliArgs& args, const std::string& name, int64_t fallback, int64_t low, int64_t high,
                   int64_t& value, std::ostream& err);
// A system number K of the command line (`what`: "option --system", "system", ...), one of the
// `count` systems 0 … count - 1 of the project; the message names that range.
bool CLI_ReadSystemNumber(const std::string& text, const std::string& what, int32_t count, int32_t& slot,
                          std::ostream& err);
// Option `name` (usually --system) as a system number; `fallback` when absent.
bool CLI_ReadSystem(const CliArgs& args, const std::string& name, int32_t count, int32_t fallback, int32_t& slot,
                    std::ostream& err);

// A file a command reads besides its project, and what it is called in messages ("scan").
struct CliInput {
  std::string path;
  std::string what;
};
// The files a command will write, checked before any work: for each option of `outputs` that was
// given, an empty name is a usage error, and a folder, a name ending in "/", a link to nothing,
// or a file that is the project or one of `inputs` (compared by device and inode, so also
// through a symbolic or a hard link) is refused, as are two outputs that name one file. False
// with one line on `err`.
bool CLI_CheckTargets(const CliArgs& args, const std::vector<std::string>& outputs, std::ostream& err,
                      const std::vector<CliInput>& inputs = {});
// The line for a file that could not be written: "kova-cli: PATH: cannot be written (REASON)".
void CLI_WriteFailure(const std::string& path, const std::exception& e, std::ostream& err);
// The line that names the project file a command wrote (saved with MN_SaveProjectTo, exactly
// under the name given).
std::string CLI_WrittenLine(const std::string& path);

// Sets up the application state as the program's start-up does (system data or the built-in
// types, presets, a new project) for the data directory of the arguments, then loads the
// project file. False with one line on `err` naming the file and the reason.
bool CLI_LoadProject(const CliArgs& args, AppState& app, std::ostream& err);

// Subcommands of the frequency search (defined with the search code).
int CLI_Candidates(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int CLI_Generate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// kova-cli print, with the spectrum pictures of the display or of `pictures`.
int CLI_Print(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int CLI_Print(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const std::function<SpectrumPictureProvider(AppState&)>& pictures);
// The spectrum display as a PNG file (defined with the drawing's command).
int CLI_Picture(const std::vector<std::string>& args, std::ostream& err);
// kova-cli system add / remove (the arguments after "system").
int CLI_System(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// kova-cli zone: the zones shown or changed (the arguments after "zone").
int CLI_Zone(std::vector<std::string> args, std::ostream& out, std::ostream& err);

}  // namespace kova
