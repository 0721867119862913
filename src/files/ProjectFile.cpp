#include "files/ProjectFile.h"

#include <algorithm>
#include <exception>

#include "files/Defaults.h"
#include "files/AddCountBlock.h"
#include "files/ZoneBlock.h"
#include "tools/BinaryFile.h"
#include "tools/InputFile.h"
#include "tools/Tools.h"

namespace kova {

void MN_WriteFileHeader(BinaryWriter& file, const std::string& magic, const std::string& kind, int16_t oldVersion) {
  file.WriteFixed(magic);
  file.WriteInt16(1);
  file.WriteInt16(20);
  file.WriteFixed(kind);
  file.WriteInt16(oldVersion);
  file.WriteInt32(0);
  file.WriteInt32(1);
  file.WriteInt32(0);
  file.WriteInt32(31);
}

bool MN_ReadFileHeader(BinaryReader& file, FileHeader& h) {
  file.ReadFixed(6, h.magic);
  file.ReadInt16(h.word6);
  file.ReadInt16(h.word8);
  file.ReadFixed(2, h.kind);
  file.ReadInt16(h.oldVersion);
  file.ReadInt32(h.long14);
  file.ReadInt32(h.long18);
  file.ReadInt32(h.long22);
  file.ReadInt32(h.long26);
  return !file.Failed();
}

namespace {

// The constants every header carries besides magic, kind and the old-format version.
bool HasHeaderConstants(const FileHeader& h) {
  return h.word6 == 1 && h.word8 == 20 && h.long14 == 0 && h.long18 == 1 && h.long22 == 0 && h.long26 == 31;
}

// The header of a project of either format; anything else is refused before the rest is read.
bool IsProjectHeader(const std::vector<char>& bytes) {
  BinaryReader file(bytes);
  FileHeader h;
  if (!MN_ReadFileHeader(file, h) || h.kind != "pr" || !HasHeaderConstants(h)) return false;
  if (h.magic == kOldMagic) return h.oldVersion == 1 || h.oldVersion == 2;
  return h.magic == kProjectMagic && h.oldVersion == 0;
}

}  // namespace

std::string MN_ProjectFileName(const std::string& fileName) {
  std::string ext = TL_ToLower(TL_GetExtension(fileName));
  if (ext == "kova" || ext == "$$$") return fileName;
  return TL_StripExtension(fileName) + ".kova";
}

std::vector<char> MN_ProjectFileBytes(const CProject& project) {
  BinaryWriter file;
  MN_WriteFileHeader(file, kProjectMagic, "pr");
  project.GWriteToFile(file);
  MN_WriteZoneBlock(file, project);
  MN_WriteAddCountBlock(file, project);
  return file.Bytes();
}

void MN_WriteProjectFile(const CProject& project, const std::string& path) {
  if (project.GlGetOverallMics() > kMaxProjectChannels)
    throw KovaError(6, "Overflow", path,
                    "more than " + TL_GroupedNumber(kMaxProjectChannels) + " channels (a project holds at most " +
                        TL_GroupedNumber(kMaxProjectChannels) + ")");
  const std::vector<char> bytes = MN_ProjectFileBytes(project);
  // A file the reader would refuse is not written.
  if (bytes.size() > kMaxDataFileBytes)
    throw KovaError(6, "Overflow", path,
                    "the project would take " + TL_GroupedNumber(static_cast<int64_t>(bytes.size())) +
                        " bytes; a project file holds at most " + TL_Str(static_cast<int64_t>(kMaxDataFileBytes >> 20)) +
                        " MB");
  TL_WriteFileAtomic(path, bytes);
}

bool MN_SpectrumValid(const CSpectrum& spectrum) {
  for (int32_t b = 1; b <= spectrum.GlBands(); ++b) {
    const CBand& band = *spectrum.GxGetBand(b);
    if (!IsValidFrequency(band.GfLo()) || !IsValidFrequency(band.GfHi()) || !IsValidFrequency(band.GfSteps()))
      return false;
  }
  return true;
}

bool MN_FrequenciesValid(const CProject& project) {
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const CSystemInstance& system = *project.GcSystem(s);
    if (!MN_SpectrumValid(*project.GcSpectrumOf(s)) || !MN_SpectrumValid(*system.GcSystemType()->GxSpectrum()))
      return false;
    const CMicCollection& mics = *system.GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i)
      if (!IsValidFrequency(mics.GcItem(i)->GfGetFreq())) return false;
  }
  return true;
}

namespace {

ProjectReadResult ReadProject(const std::vector<TypeRef>& systems, std::vector<char> bytes) {
  ProjectReadResult result;
  BinaryReader file(std::move(bytes));
  FileHeader h;
  result.status = ProjectReadStatus::kBadHeader;
  if (!MN_ReadFileHeader(file, h) || h.kind != "pr" || !HasHeaderConstants(h)) return result;

  if (h.magic == kOldMagic) {
    if (h.oldVersion != 1 && h.oldVersion != 2) return result;
    result.oldFormat = true;
    result.oldVersion = h.oldVersion;
    auto project = std::make_shared<CProject>();
    MN_InitProject(systems, *project);
    auto system = std::make_shared<CSystemInstance>();
    result.status = ProjectReadStatus::kBadRecord;
    if (system->GReadFromFile(file) != 0) {
      result.tooManyChannels = file.OverLimit();
      return result;
    }
    project->GcSystem(0, system);
    // Version 1 files have no search spectrum: the default one stays.
    if (h.oldVersion == 2 && project->GcSpectrumOf(0)->GReadFromFile(file) != 0) return result;
    result.status = ProjectReadStatus::kLoaded;
    result.project = project;
    return result;
  }

  if (h.magic != kProjectMagic || h.oldVersion != 0) return result;
  auto project = std::make_shared<CProject>();
  MN_InitProject(systems, *project);
  result.status = ProjectReadStatus::kBadRecord;
  if (project->GReadFromFile(file) != 0) {
    result.tooManyChannels = file.OverLimit();
    return result;
  }
  if (!MN_ReadZoneBlock(file, *project)) return result;
  result.status = ProjectReadStatus::kLoaded;
  result.project = project;
  return result;
}

}  // namespace

ProjectReadResult MN_ReadProjectBytes(const std::vector<TypeRef>& systems, std::vector<char> bytes) {
  try {
    ProjectReadResult result = ReadProject(systems, std::move(bytes));
    if (result.status != ProjectReadStatus::kLoaded) return result;
    // What no valid file holds: frequencies outside the program's range, more channels than a
    // project may have (the check of so many would never end).
    result.tooManyChannels = result.project->GlGetOverallMics() > kMaxProjectChannels;
    if (result.tooManyChannels || !MN_FrequenciesValid(*result.project)) {
      result.status = ProjectReadStatus::kBadRecord;
      result.project.reset();
    }
    return result;
  } catch (const std::exception&) {
    // The readers check every count before allocating; anything thrown still only means the
    // file could not be read.
    ProjectReadResult result;
    result.status = ProjectReadStatus::kBadRecord;
    return result;
  }
}

ProjectReadResult MN_ReadProjectFile(const std::vector<TypeRef>& systems, const std::string& path) {
  ProjectReadResult result;
  InputFile in;
  std::vector<char> bytes(kFileHeaderSize);
  if (in.Open(path, kMaxDataFileBytes) == ReadStatus::kOk) bytes.resize(in.Read(bytes.data(), bytes.size()));
  if (in.Status() != ReadStatus::kOk) {
    result.readError = TL_ReadStatusText(in.Status(), kMaxDataFileBytes);
    return result;
  }
  if (!IsProjectHeader(bytes)) {
    result.status = ProjectReadStatus::kBadHeader;
    return result;
  }
  // The rest: the size at the open, and more should the file have grown since.
  size_t used = bytes.size();
  bytes.resize(static_cast<size_t>(std::max<uint64_t>(in.Size(), used)) + 1);
  while (const size_t n = in.Read(bytes.data() + used, bytes.size() - used)) {
    used += n;
    if (used == bytes.size()) bytes.resize(bytes.size() + 65536);
  }
  if (in.Status() != ReadStatus::kOk) {
    result.readError = TL_ReadStatusText(in.Status(), kMaxDataFileBytes);
    return result;
  }
  bytes.resize(used);
  return MN_ReadProjectBytes(systems, std::move(bytes));
}

}  // namespace kova
