// Fuzz target of the CSV frequency-list reader: the bytes are read as a list and imported into a
// new project. Nothing may crash; every entry read has a usable frequency; and the list the
// project then exports reads back to as many channels as the project has, and imports again to
// the same list.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/Defaults.h"
#include "files/FrequencyList.h"
#include "model/CSystemType.h"

namespace {

const std::vector<kova::TypeRef>& Systems() {
  static const std::vector<kova::TypeRef>* systems = new std::vector<kova::TypeRef>(kova::MN_DefaultSystems());
  return *systems;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

// Imports the list's channels into a new project and exports them again.
std::string ImportAndExport(const kova::FrequencyListReadResult& list, int32_t& channels) {
  kova::CProject project;
  kova::MN_InitProject(Systems(), project);
  channels = static_cast<int32_t>(kova::MN_ImportFrequencyList(project, 0, list.entries).size());
  return kova::MN_FrequencyListCsv(project);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kova::FrequencyListReadResult list =
      kova::MN_ParseFrequencyList(std::string(reinterpret_cast<const char*>(data), size));
  Require(list.ok == !list.entries.empty() && list.ok == list.error.empty());
  int previousLine = 0;
  for (const kova::FrequencyListEntry& e : list.entries) {
    Require(e.mhz >= 0 && e.mhz <= 1000 && e.line > previousLine && e.system >= 0 && e.system <= 2);
    previousLine = e.line;
  }
  if (!list.ok) return 0;

  int32_t channels = 0;
  const std::string once = ImportAndExport(list, channels);
  if (channels == 0) return 0;
  const kova::FrequencyListReadResult back = kova::MN_ParseFrequencyList(once);
  Require(back.ok && back.badRows == 0 && static_cast<int32_t>(back.entries.size()) == channels);
  int32_t again = 0;
  Require(ImportAndExport(back, again) == once && again == channels);
  return 0;
}
