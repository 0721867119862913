#pragma once
// The desktop program's command line: `kova [--editor] [PROJECT]`, `kova --help`, `kova --version`,
// and the project named there opened at start-up with the rules of File > Open.

#include <string>
#include <vector>

#include "app/AppState.h"

namespace kova {

struct DesktopArgs {
  enum class Action { kRun, kHelp, kVersion, kError };
  Action action = Action::kRun;
  std::string project;  // the project file to open at start; empty = start with a new project
  bool editor = false;  // --editor: this run starts in the System Editor (user level 2), nothing stored
  std::string error;    // for kError: one line saying what is wrong
};

// Reads the arguments after the program name. --help (-h) and --version (-v) win over anything
// else before "--", so they answer even beside arguments meant for the toolkit; --editor may
// stand anywhere before "--"; any other option is an error, and so is a second file. "--" ends
// the options.
DesktopArgs MN_ParseDesktopArgs(const std::vector<std::string>& args);

// The text of `kova --help` and the line of `kova --version`.
std::string MN_DesktopUsage();
std::string MN_DesktopVersion();

// Opens the project file `path` (absolute, or relative to the working directory) in place of the
// new project of the start-up, as File > Open opens a chosen file: a file that cannot be read is
// reported and the new project stays; a loaded project takes over the directory, the file name
// and (".kova") the save target. True when the project was loaded, so the start-up skips
// everything that would create a project.
bool MN_OpenFromCommandLine(AppState& app, const std::string& path);

}  // namespace kova
