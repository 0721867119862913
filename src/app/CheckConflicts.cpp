#include "app/CheckConflicts.h"

#include <cmath>
#include <utility>

#include "app/AppState.h"
#include "model/CProject.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const std::vector<CheckConflict> kNone;

// "527.100 (#1 Mic 6)": the system number only when the second system is on.
std::string ChannelWords(const CProject& project, const CheckChannel& ch) {
  const MicRef mic = MicOfCheckChannel(project, ch);
  if (!mic) return "?";
  std::string name = project.GbSecondSystem() ? "#" + TL_Str(ch.system + 1) : "";
  if (!mic->GsGetLabel().empty()) name += (name.empty() ? "" : " ") + mic->GsGetLabel();
  const std::string freq = MN_FormatFreq(mic->GfGetFreq());
  return name.empty() ? freq : freq + " (" + name + ")";
}

}  // namespace

void MN_KeepConflicts(AppState& app, std::vector<CheckConflict> conflicts, bool bFullCheck, uint32_t changes) {
  if (changes != app.flags.changes) return;
  CheckMarks& marks = app.marks;
  if (marks.valid && marks.changes == changes && marks.full && !bFullCheck) return;
  marks.conflicts = std::move(conflicts);
  marks.changes = changes;
  marks.valid = true;
  marks.full = bFullCheck;
}

void MN_ClearConflicts(AppState& app) { app.marks = CheckMarks(); }

const std::vector<CheckConflict>& MN_Conflicts(const AppState& app) {
  const CheckMarks& marks = app.marks;
  return marks.valid && marks.changes == app.flags.changes ? marks.conflicts : kNone;
}

std::string MN_ConflictSources(const CProject& project, const CheckConflict& c) {
  std::string text;
  for (int32_t i = 0; i < c.sources && i < 3; ++i)
    text += (i > 0 ? ", " : "") + ChannelWords(project, c.source[static_cast<size_t>(i)]);
  return text;
}

std::string MN_ConflictText(const CProject& project, const CheckConflict& c) {
  const std::string kind = TL_GetCheckLabel(c.kind);
  if (c.kind == kCheckSpectrum) return kind + ": outside the search spectrum";
  if (c.kind == kCheckSpacing) return kind + " to " + MN_ConflictSources(project, c);
  return kind + " of " + MN_ConflictSources(project, c) + " at " + MN_FormatFreq(c.freq);
}

double MN_ConflictDistanceKHz(const CProject& project, const CheckConflict& c) {
  const MicRef mic = MicOfCheckChannel(project, c.channel);
  if (c.kind == kCheckSpectrum || !mic) return -1.0;
  return std::fabs(static_cast<double>(mic->GfGetFreq()) - static_cast<double>(c.freq)) * 1000.0;
}

std::string MN_ConflictTip(const CProject& project, const std::vector<CheckConflict>& conflicts, int32_t system,
                           int32_t mic) {
  std::string tip;
  for (const CheckConflict& c : conflicts) {
    if (c.channel.system != system || c.channel.mic != mic) continue;
    if (!tip.empty()) tip += "\n";
    tip += MN_ConflictText(project, c);
  }
  return tip;
}

}  // namespace kova
