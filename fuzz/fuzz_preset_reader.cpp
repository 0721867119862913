// Fuzz target of the preset reader: the bytes are read as a preset file. Nothing may crash;
// every channel read lies within 0 to 1000 MHz and there are at most as many as a project
// holds; and the preset written from them reads back to the same file.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "files/Presets.h"
#include "model/CMicInstance.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// A file of this process for the bytes of one run.
std::string Scratch(const char* name) {
  return std::string(P_tmpdir) + "/kova-fuzz-" + std::to_string(getpid()) + "-" + name;
}

void Put(const std::string& path, const char* data, size_t size) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(data, static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = Scratch("in.spg"), output = Scratch("out.spg");
  Put(input, reinterpret_cast<const char*>(data), size);
  kova::CMicCollection preset;
  Require(kova::MN_ReadPresetFile(input, "in.spg", preset));
  Require(preset.GCount() <= kova::kMaxProjectChannels);
  for (int32_t i = 1; i <= preset.GCount(); ++i) Require(kova::IsValidFrequency(preset.GcItem(i)->GfGetFreq()));

  const std::string once = kova::MN_PresetFileText(preset);
  Put(output, once.data(), once.size());
  kova::CMicCollection again;
  Require(kova::MN_ReadPresetFile(output, "out.spg", again) && again.GCount() == preset.GCount());
  Require(kova::MN_PresetFileText(again) == once);
  return 0;
}
