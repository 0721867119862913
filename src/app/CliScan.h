#pragma once
// kova-cli commands for venue scans and CSV frequency lists.

#include <iosfwd>
#include <string>
#include <vector>

#include "app/CliSupport.h"

namespace kova {

// kova-cli scan PROJECT SCAN [--threshold DBM | --above-floor DB] [--system 0|1] [--apply OUT]
// Without --system the scan is cut out of every system in use.
int CLI_Scan(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// kova-cli import PROJECT LIST.csv [--system 0|1] --apply OUT
int CLI_Import(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The --csv form of kova-cli export, for a loaded project: the list to --out or to `out`.
int CLI_ExportFrequencyList(const CliArgs& args, const AppState& app, std::ostream& out, std::ostream& err);

}  // namespace kova
