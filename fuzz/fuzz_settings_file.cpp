// Fuzz target of the program's settings file: the bytes are read as "config/kova.ini". Nothing
// may crash or hang, and every value handed to the windows is one they can take.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/ProgramSettings.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string file = std::string(P_tmpdir) + "/kova-fuzz-" + std::to_string(getpid()) + "-kova.ini";
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const kova::ProgramSettings s = kova::MN_ReadProgramSettings(QString::fromStdString(file));
  std::remove(file.c_str());
  Require(s.userLevel >= 0 && s.userLevel <= 2);
  Require(s.frameGeometry.size() <= 4096);
  for (const auto& [name, place] : s.places) Require(place.isValid() && place.width() > 50 && place.height() > 50);
  return 0;
}
