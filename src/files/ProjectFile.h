#pragma once
// Project files: the 30-byte file header shared with the system-data files, saving a project
// ("KOVA11") and loading either a project or a single-system file of the predecessor format
// ("ZELTA1", old-format versions 1 and 2).
//
// Loading never changes the current project in place: the file is read into a separate project
// that replaces the current one only after the whole read succeeded.

#include <cstdint>
#include <string>
#include <vector>

#include "model/CProject.h"
#include "model/CSystemType.h"

namespace kova {

class BinaryReader;
class BinaryWriter;

// The fixed fields of the file header, as read from a file.
struct FileHeader {
  std::string magic;       // "KOVA11" or "ZELTA1"
  int16_t word6 = 0;       // 1
  int16_t word8 = 0;       // 20
  std::string kind;        // "pr" (project) or "sd" (system data)
  int16_t oldVersion = 0;  // 0; 1 or 2 in an old project file
  int32_t long14 = 0;      // 0
  int32_t long18 = 0;      // 1
  int32_t long22 = 0;      // 0
  int32_t long26 = 0;      // 31
};

inline constexpr size_t kFileHeaderSize = 30;
inline constexpr const char* kProjectMagic = "KOVA11";
inline constexpr const char* kOldMagic = "ZELTA1";

// Appends a header with the given magic and kind and the constants 1, 20, oldVersion, 0, 1, 0, 31.
void MN_WriteFileHeader(BinaryWriter& file, const std::string& magic, const std::string& kind,
                        int16_t oldVersion = 0);
// Reads the 30 header bytes; false when the file is shorter.
bool MN_ReadFileHeader(BinaryReader& file, FileHeader& header);

// The name a project is saved under: kept when its extension is "kova" (any letter case) or
// "$$$", otherwise the extension is replaced by (or, without one, extended with) ".kova".
std::string MN_ProjectFileName(const std::string& fileName);

// The complete bytes of a project file.
std::vector<char> MN_ProjectFileBytes(const CProject& project);

// Writes `project` to `path` through a temporary file; throws on failure (the file that was
// there stays as it was). A project of more than kMaxProjectChannels channels is refused
// (KovaError 6), as no reader would take it back.
void MN_WriteProjectFile(const CProject& project, const std::string& path);

// Outcome of reading a project file without touching the application state.
enum class ProjectReadStatus {
  kLoaded,      // `project` holds the file's project
  kUnreadable,  // the file could not be opened or read
  kBadHeader,   // not a project file of either format
  kBadRecord,   // a record was damaged, truncated or of an unknown version
};

struct ProjectReadResult {
  ProjectReadStatus status = ProjectReadStatus::kUnreadable;
  ProjectRef project;      // set when loaded
  bool oldFormat = false;  // a "ZELTA1" file
  int16_t oldVersion = 0;  // 1 or 2 for an old file
  std::string readError;   // kUnreadable: why, as "cannot be read (...)"
  bool tooManyChannels = false;  // kBadRecord: more than kMaxProjectChannels channels
};

// Whether every frequency of the systems in use (channels, search spectra, the types' tuning
// spectra: band edges and steps) lies within 0 to 1000 MHz. A file holding any other is damaged.
bool MN_FrequenciesValid(const CProject& project);
// Whether the bands of a spectrum lie within 0 to 1000 MHz.
bool MN_SpectrumValid(const CSpectrum& spectrum);

// Reads a project from the bytes of a file. The new project gets the new-project defaults
// first (the first of `systems` supplies the type of unused slots). A project with a frequency
// outside 0 to 1000 MHz (or not a number) or with more than kMaxProjectChannels channels is a
// bad record. Never shows a message.
ProjectReadResult MN_ReadProjectBytes(const std::vector<TypeRef>& systems, std::vector<char> bytes);
// The same for a file on disk. The header is read and checked first: a file that is not a
// project is refused without reading the rest.
ProjectReadResult MN_ReadProjectFile(const std::vector<TypeRef>& systems, const std::string& path);

}  // namespace kova
