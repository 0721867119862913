#pragma once
// The program's own settings, "config/kova.ini" below the application directory (never in
// project files): the stored user level and the places of the windows. The file is read with
// the same care as every other file: only a regular file of at most kMaxSettingsBytes is
// opened (a FIFO or a device in its place would hold up the start for ever), and every value
// is checked before it is used, so a damaged file only loses its settings.

#include <QByteArray>
#include <QRect>
#include <QString>
#include <cstdint>
#include <map>
#include <string>

namespace kova {

// Larger than any settings file the program writes by far.
inline constexpr uint64_t kMaxSettingsBytes = uint64_t{1} << 20;

// What the program takes from its settings file.
struct ProgramSettings {
  int userLevel = 0;                  // 0, 1 or 2; any other value reads as 0
  QByteArray frameGeometry;           // the frame's saved geometry, empty when none or too long
  std::map<QString, QRect> places;    // window name -> place, only places larger than 50 x 50
};

// The settings file below the application directory `appDir` (ending with "/").
QString MN_SettingsFile(const std::string& appDir);
// Whether the settings file may be read and written: missing, or a regular file within the size.
bool MN_SettingsFileUsable(const QString& file);
// Reads the settings file; the defaults when it is missing, unusable or damaged.
ProgramSettings MN_ReadProgramSettings(const QString& file);

}  // namespace kova
