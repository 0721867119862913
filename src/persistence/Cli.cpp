#include "persistence/Cli.h"

#include <iostream>

namespace kova {

namespace {

const char* kUsage =
    "Usage: kova-cli COMMAND PROJECT [options]\n"
    "\n"
    "Commands:\n"
    "  describe PROJECT                      print the project description\n"
    "  products PROJECT [--im-only]          print the interfering products\n"
    "  check PROJECT [--log FILE] [--best]   run the compatibility check with a log\n"
    "  candidates PROJECT [--system 0|1]     print the prepared candidate list\n"
    "  generate PROJECT [--runs N] [--keep K] [--add C] [--add2 C2] [--systematic]\n"
    "           [--seed S] [--report FILE] [--apply OUT]\n"
    "                                        search compatible frequencies\n"
    "  export PROJECT [--out FILE]           write the project text export\n"
    "  print PROJECT --out FILE.rtf          write the print document\n"
    "\n"
    "Common options:\n"
    "  --data-dir DIR   application directory (SystemData/, Presets/, Checks/ below it);\n"
    "                   default: $KOVA_HOME, else the per-user data directory\n"
    "  --help           this text\n";

}  // namespace

int CLI_Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "kova-cli: no command given (see kova-cli --help)\n";
    return 2;
  }
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    }
  }
  err << "kova-cli: unknown command '" << args[0] << "' (see kova-cli --help)\n";
  return 2;
}

int CLI_Main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return CLI_Run(args, std::cout, std::cerr);
}

}  // namespace kova
