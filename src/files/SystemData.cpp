#include "files/SystemData.h"

#include <exception>
#include <filesystem>
#include <set>

#include "files/FileList.h"
#include "files/ProjectFile.h"
#include "tools/BinaryFile.h"
#include "tools/Tools.h"

namespace kova {

std::vector<char> MN_SystemDataBytes(const CSystemType& type) {
  BinaryWriter file;
  MN_WriteFileHeader(file, kOldMagic, "sd");
  type.GWriteToFile(file);
  return file.Bytes();
}

std::string MN_SystemDataFileName(const CSystemType& type) {
  std::string name = type.GsGetFileName();
  for (char& c : name)
    if (TL_IsSeparator(c)) c = '-';
  return name + ".wsd";
}

int32_t MN_LoadSystemData(const std::string& dir, std::vector<TypeRef>& result) {
  if (!TL_DirExists(dir)) return 1;
  std::vector<TypeRef> systems;
  for (const std::string& name : MN_ListFiles(dir, "wsd")) {
    std::vector<char> bytes;
    if (!TL_ReadFileBytes(dir + name, bytes)) continue;
    BinaryReader file(std::move(bytes));
    FileHeader header;
    MN_ReadFileHeader(file, header);  // read past, not examined
    CSystemType type;
    if (type.GReadFromFile(file) != 0 || !MN_SpectrumValid(*type.GxSpectrum())) continue;
    systems.push_back(type.GGetCopy());
  }
  if (systems.empty()) return 1;
  result = std::move(systems);
  return 0;
}

void MN_WriteSystemData(const std::string& dir, const std::vector<TypeRef>& systems) {
  namespace fs = std::filesystem;
  std::set<std::string> keep;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!TL_DirExists(dir)) throw KovaError(76, "Path not found");
  for (const TypeRef& type : systems) {
    type->GxSpectrum()->GSortBands(false);
    std::string name = MN_SystemDataFileName(*type);
    TL_WriteFileAtomic(dir + name, MN_SystemDataBytes(*type));
    keep.insert(TL_ToLower(name));
  }
  // Collect first, delete afterwards, so the listing is not changed while it runs.
  std::vector<std::string> stale;
  for (const std::string& name : MN_ListFiles(dir, "wsd"))
    if (!keep.count(TL_ToLower(name))) stale.push_back(name);
  for (const std::string& name : stale) {
    std::error_code ec;
    fs::remove(dir + name, ec);
  }
}

}  // namespace kova
