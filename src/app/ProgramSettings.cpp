#include "app/ProgramSettings.h"

#include <QSettings>
#include <QStringList>

#include <sys/stat.h>

#include "tools/InputFile.h"

namespace kova {

namespace {

// A saved frame geometry is some 60 bytes; anything far longer is not one.
constexpr qsizetype kMaxGeometryBytes = 4096;
// No screen reaches this far.
constexpr int kMaxCoordinate = 100000;

bool Plausible(const QRect& r) {
  return r.isValid() && r.width() > 50 && r.height() > 50 && r.width() <= kMaxCoordinate &&
         r.height() <= kMaxCoordinate && r.x() >= -kMaxCoordinate && r.x() <= kMaxCoordinate &&
         r.y() >= -kMaxCoordinate && r.y() <= kMaxCoordinate;
}

}  // namespace

QString MN_SettingsFile(const std::string& appDir) {
  return QString::fromStdString(appDir) + QStringLiteral("config/kova.ini");
}

bool MN_SettingsFileUsable(const QString& file) {
  const std::string path = file.toStdString();
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return true;  // missing: written anew when needed
  InputFile in;
  return in.Open(path, kMaxSettingsBytes) == ReadStatus::kOk;
}

ProgramSettings MN_ReadProgramSettings(const QString& file) {
  ProgramSettings result;
  if (!MN_SettingsFileUsable(file)) return result;
  QSettings settings(file, QSettings::IniFormat);
  bool ok = false;
  const int level = settings.value(QStringLiteral("Program/userLevel"), 0).toInt(&ok);
  result.userLevel = ok && level >= 0 && level <= 2 ? level : 0;
  const QByteArray geometry = settings.value(QStringLiteral("Frame/geometry")).toByteArray();
  if (geometry.size() <= kMaxGeometryBytes) result.frameGeometry = geometry;
  settings.beginGroup(QStringLiteral("Windows"));
  for (const QString& key : settings.childKeys()) {
    const QRect place = settings.value(key).toRect();
    if (Plausible(place)) result.places[key] = place;
  }
  settings.endGroup();
  return result;
}

}  // namespace kova
