#pragma once
// The command-line companion: subcommands on a project file, answers on stdout, errors as one
// line on stderr. Exit codes: 0 success, 1 negative answer, 2 usage or file error.

#include <iosfwd>
#include <string>
#include <vector>

namespace kova {

int CLI_Main(int argc, char** argv);
// Runs with the given arguments (without the program name) and streams; used by the tests.
int CLI_Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kova
