#pragma once
// Pieces shared by the kova-cli subcommands: option parsing, the application directory and
// loading the project named on the command line.

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
  std::map<std::string, std::string> options;  // "--runs" -> "100" (the last value given)
  std::map<std::string, std::vector<std::string>> repeated;  // every value of an option, in order
  std::set<std::string> flags;                 // "--systematic"
  bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
  std::string Option(const std::string& name, const std::string& fallback = "") const;
};

// Parses "PROJECT [options]": `valueOptions` take a value, `flagOptions` do not; --data-dir is
// always accepted. False with one line on `err` for anything else.
bool CLI_ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                   const std::set<std::string>& flagOptions, CliArgs& out, std::ostream& err);

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
