// Fuzz target of the system-data loader: the bytes are the one system-data file of a folder.
// Nothing may crash or allocate for counts the bytes cannot hold; a type that loads has its
// tuning bands within 0 to 1000 MHz, and its file written anew loads to the same bytes.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/ProjectFile.h"
#include "files/SystemData.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// A folder of this process, holding only the file of one run.
std::string Folder(const char* name) {
  const std::string dir = std::string(P_tmpdir) + "/kova-fuzz-" + std::to_string(getpid()) + "-" + name + "/";
  std::filesystem::create_directories(dir);
  return dir;
}

// Loads the folder; the one type it holds, or none.
std::vector<kova::TypeRef> Load(const std::string& dir) {
  std::vector<kova::TypeRef> systems;
  if (kova::MN_LoadSystemData(dir, systems) != 0) systems.clear();
  return systems;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string in = Folder("in"), out = Folder("out");
  std::ofstream(in + "type.wsd", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const std::vector<kova::TypeRef> systems = Load(in);
  Require(systems.size() <= 1);
  if (systems.empty()) return 0;
  Require(kova::MN_SpectrumValid(*systems[0]->GxSpectrum()));

  const std::vector<char> once = kova::MN_SystemDataBytes(*systems[0]);
  std::ofstream(out + "type.wsd", std::ios::binary | std::ios::trunc)
      .write(once.data(), static_cast<std::streamsize>(once.size()));
  const std::vector<kova::TypeRef> again = Load(out);
  Require(again.size() == 1 && kova::MN_SystemDataBytes(*again[0]) == once);
  return 0;
}
