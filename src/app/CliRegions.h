#pragma once
// kova-cli commands for the channel tables by region.

#include <iosfwd>
#include <string>
#include <vector>

namespace kova {

// kova-cli regions [--data-dir DIR]: one line per table, tab separated: its name, its channel
// numbers as ranges and the frequencies it spans.
int CLI_Regions(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// kova-cli spectrum PROJECT --region NAME (--channels LIST | --except LIST) [--system K] --apply OUT
// Sets the search spectrum of system K, or of every system in use, from the named table.
int CLI_Spectrum(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kova
