// Fuzz target of the binary readers: the bytes are read as a project file (either format) and
// as a system-data file. Nothing may crash, leak or allocate for counts the bytes cannot hold,
// and whatever was read must survive a write and a second read unchanged.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "model/CSystemType.h"
#include "files/Defaults.h"
#include "files/ProjectFile.h"
#include "tools/BinaryFile.h"

namespace {

// The built-in receiver system types supply the defaults of a project being read.
const std::vector<kova::TypeRef>& Systems() {
  static const std::vector<kova::TypeRef>* systems = new std::vector<kova::TypeRef>(kova::MN_DefaultSystems());
  return *systems;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

void ReadAsProject(const std::vector<char>& bytes) {
  kova::ProjectReadResult r = kova::MN_ReadProjectBytes(Systems(), bytes);
  if (r.status != kova::ProjectReadStatus::kLoaded) return;
  // Only what a project can hold is loaded.
  Require(kova::MN_FrequenciesValid(*r.project) && r.project->GlGetOverallMics() <= kova::kMaxProjectChannels);
  const std::vector<char> once = kova::MN_ProjectFileBytes(*r.project);
  kova::ProjectReadResult again = kova::MN_ReadProjectBytes(Systems(), once);
  Require(again.status == kova::ProjectReadStatus::kLoaded && !again.oldFormat);
  Require(kova::MN_ProjectFileBytes(*again.project) == once);
}

void ReadAsSystemData(const std::vector<char>& bytes) {
  kova::BinaryReader file(bytes);
  kova::FileHeader header;
  kova::MN_ReadFileHeader(file, header);
  kova::CSystemType type;
  if (type.GReadFromFile(file) != 0) return;
  kova::BinaryWriter out;
  type.GWriteToFile(out);
  kova::BinaryReader back(out.Bytes());
  kova::CSystemType again;
  Require(again.GReadFromFile(back) == 0 && back.Remaining() == 0);
  kova::BinaryWriter out2;
  again.GWriteToFile(out2);
  Require(out2.Bytes() == out.Bytes());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> bytes(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size);
  ReadAsProject(bytes);
  ReadAsSystemData(bytes);
  return 0;
}
