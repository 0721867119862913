#include "files/Presets.h"

#include <exception>
#include <vector>

#include "files/FileList.h"
#include "tools/BinaryFile.h"
#include "tools/Encoding.h"
#include "tools/TextFile.h"
#include "tools/Tools.h"

namespace kova {

bool MN_ReadPresetFile(const std::string& path, const std::string& label, CMicCollection& preset) {
  preset.GDefine();
  preset.GsSetLabel(label);
  std::vector<std::string> lines;
  if (!TL_ReadTextLines(path, lines)) return false;
  for (size_t i = 0; i < lines.size(); ++i) {
    // The title line does not begin with a number; read like the others it would become a
    // channel at 0 MHz.
    if (i == 0 && lines[i] == kPresetTitle) continue;
    double value = TL_ParseNumber(lines[i]);
    if (!IsValidFrequency(value)) continue;
    // More would never fit into a project.
    if (preset.GCount() == kMaxProjectChannels) break;
    preset.GAddMic(TL_Str(preset.GCount() + 1), "", static_cast<float>(value), 0, 0, 0, 0);
  }
  return true;
}

int32_t MN_LoadPresets(const std::string& dir, std::vector<MicsRef>& presets) {
  presets.clear();
  if (!TL_DirExists(dir)) return 1;
  std::vector<std::string> names = MN_ListFiles(dir, "spg");
  for (const std::string& name : names) {
    auto preset = std::make_shared<CMicCollection>();
    MN_ReadPresetFile(dir + name, name, *preset);
    if (preset->GCount() > 0) presets.push_back(preset);
  }
  return names.empty() ? 1 : 0;
}

std::string MN_PresetFileText(const CMicCollection& mics) {
  StringSink text;
  text.Line(kPresetTitle);
  for (int32_t i = 1; i <= mics.GCount(); ++i) text.Line(MN_FormatFreq(mics.GcItem(i)->GfGetFreq()));
  return TL_Utf8ToAnsi(text.Text());
}

void MN_WritePresetFile(const CMicCollection& mics, const std::string& path) {
  const std::string ansi = MN_PresetFileText(mics);
  TL_WriteFileAtomic(path, std::vector<char>(ansi.begin(), ansi.end()));
}

}  // namespace kova
