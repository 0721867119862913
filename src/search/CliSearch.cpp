#include <ostream>

#include "persistence/CliSupport.h"

namespace kova {

int CLI_Candidates(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
  err << "kova-cli: candidates is not available yet\n";
  return 2;
}

int CLI_Generate(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
  err << "kova-cli: generate is not available yet\n";
  return 2;
}

}  // namespace kova
