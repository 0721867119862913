#include "reports/PlanSummary.h"

#include <algorithm>

#include "engine/TcCheckHandler.h"
#include "model/CProject.h"
#include "model/CSystemType.h"
#include "reports/RTF_Generate.h"
#include "reports/RtfGenerator.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char kCR[] = "\r";
// A channel hit by many products names the first few.
constexpr size_t kCausesShown = 2;

// "530.000 MHz (#1 Mic2)".
std::string ChannelWords(const CProject& project, const CheckChannel& ch) {
  const MicRef mic = MicOfCheckChannel(project, ch);
  if (!mic) return "?";
  std::string name = "#" + TL_Str(ch.system + 1);
  if (!mic->GsGetLabel().empty()) name += " " + mic->GsGetLabel();
  return MN_FormatFreq(mic->GfGetFreq()) + " MHz (" + name + ")";
}

// What hits a channel: "outside the search spectrum", "Spacing to 530.000 MHz (#1 Mic2)",
// "2Tx IM(5) at 531.725 MHz of 531.125 MHz (#1 5), 530.825 MHz (#1 14)".
std::string Cause(const CProject& project, const CheckConflict& c) {
  if (c.kind == kCheckSpectrum) return "outside the search spectrum";
  std::string sources;
  for (int32_t i = 0; i < c.sources && i < 3; ++i)
    sources += (i > 0 ? ", " : "") + ChannelWords(project, c.source[static_cast<size_t>(i)]);
  if (c.kind == kCheckSpacing) return TL_GetCheckLabel(c.kind) + " to " + sources;
  return TL_GetCheckLabel(c.kind) + " at " + MN_FormatFreq(c.freq) + " MHz of " + sources;
}

RtfItem Text(const std::string& text, int32_t size = 10) {
  RtfItem item;
  item.text = text;
  item.font.size = size;
  return item;
}

RtfItem Table(const std::string& title, const std::vector<std::vector<std::string>>& rows,
              std::vector<int32_t> widths) {
  RtfItem t;
  t.text = title;
  t.kind = kRtfTable;
  t.rows = static_cast<int32_t>(rows.size());
  t.columns = static_cast<int32_t>(widths.size());
  t.headerRows = 1;
  t.repeatHeader = true;
  t.widths = std::move(widths);
  for (const auto& row : rows) {
    std::vector<RtfCell> cells;
    for (const std::string& text : row) cells.push_back({text});
    t.cells.push_back(std::move(cells));
  }
  return t;
}

// "#1, #3" or "no system".
std::string SystemsOf(const CProject& project, int32_t zone) {
  std::string text;
  for (int32_t s = 0; s < project.GlSystems(); ++s)
    if (project.GcSystem(s)->GlZone() == zone) text += (text.empty() ? "#" : ", #") + TL_Str(s + 1);
  return text.empty() ? "no system" : "systems " + text;
}

}  // namespace

PlanVerdict MN_PlanVerdict(const CProject& project) {
  std::vector<CheckConflict> conflicts;
  TcCheckHandler handler;
  handler.GInit(nullptr, false, false, true);
  handler.GCollect(&conflicts);
  project.RunChecks(handler);

  // Each hit channel once, in slot and list order, with what hits it.
  std::vector<CheckChannel> order;
  for (const CheckConflict& c : conflicts)
    if (std::find(order.begin(), order.end(), c.channel) == order.end()) order.push_back(c.channel);
  std::sort(order.begin(), order.end(), [](const CheckChannel& a, const CheckChannel& b) {
    return a.system != b.system ? a.system < b.system : a.mic < b.mic;
  });
  PlanVerdict verdict;
  for (const CheckChannel& ch : order) {
    std::string causes;
    size_t n = 0;
    for (const CheckConflict& c : conflicts) {
      if (!(c.channel == ch)) continue;
      if (n++ < kCausesShown) causes += (causes.empty() ? "" : "; ") + Cause(project, c);
    }
    if (n > kCausesShown) causes += "; " + TL_Str(static_cast<int32_t>(n - kCausesShown)) + " more";
    verdict.hits.push_back(ChannelWords(project, ch) + ": " + causes);
  }
  const auto hit = static_cast<int32_t>(verdict.hits.size());
  if (!handler.GbIncompatible()) verdict.text = "compatible";
  else if (hit == 1) verdict.text = "1 channel is hit";
  else verdict.text = TL_Str(hit) + " channels are hit";
  return verdict;
}

void RTF_AddPlanSummary(const CProject& project, const PlanFacts& facts, std::vector<RtfItem>& items) {
  items.push_back(Text(std::string("Summary") + kCR, 14));
  items.push_back(Text("Project file: " + (facts.projectFile.empty() ? std::string("not saved") : facts.projectFile) +
                       kCR + "Date: " + facts.created + kCR));

  // Zones, their systems and how they meet.
  const CZones& zones = project.GcZones();
  std::string text;
  for (int32_t z = 1; z <= zones.GlCount(); ++z)
    text += "Zone " + TL_Str(z) + ": " + zones.GsName(z) + ", " + SystemsOf(project, z) + kCR;
  const CZones::RelationTable effective = zones.GEffective();
  for (int32_t a = 1; a <= zones.GlCount(); ++a)
    for (int32_t b = a + 1; b <= zones.GlCount(); ++b) text += zones.GsPairText(a, b, effective) + kCR;
  items.push_back(Text(text));

  // Each system: type, channels, the count asked of it and what it lacks.
  const bool known = !facts.requests.empty();
  const bool zoned = project.GcZones().GlCount() > 1;
  std::vector<std::vector<std::string>> rows = {{"System", "Type", "Channels", "Requested", "Shortfall"}};
  std::vector<int32_t> widths = {1000, 3000, 1300, 1400, 1300};
  if (zoned) {
    rows[0].insert(rows[0].begin() + 2, "Zone");
    widths.insert(widths.begin() + 2, 900);
  }
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const CSystemInstance& system = *project.GcSystem(s);
    const int32_t channels = system.GcMics()->GCount();
    std::string requested = "-", shortfall = "-";
    if (known && static_cast<size_t>(s) < facts.requests.size()) {
      const SystemRequest& r = facts.requests[static_cast<size_t>(s)];
      const int32_t asked = r.existing + std::max(0, r.requested);
      requested = TL_Str(asked);
      shortfall = TL_Str(std::max(0, asked - channels));
    }
    rows.push_back({"#" + TL_Str(s + 1), system.GcSystemType()->GsGetLabel(), TL_Str(channels), requested, shortfall});
    if (zoned) rows.back().insert(rows.back().begin() + 2, TL_Str(system.GlZone()));
  }
  items.push_back(Table("Systems", rows, widths));
  std::string shortText = known ? ShortfallLines(project, facts.requests, true) : std::string();
  for (char& c : shortText)
    if (c == '\n') c = '\r';
  if (!known)
    shortText = "No search result is in use as it was found, so no requested count is known.\r";
  items.push_back(Text(shortText));

  // The check's verdict and the channels it finds hit.
  const PlanVerdict verdict = MN_PlanVerdict(project);
  RtfItem result = Text("Check: " + verdict.text + kCR, 12);
  result.font.style = kRcgBold;
  items.push_back(result);
  if (!verdict.hits.empty()) {
    std::string hits;
    for (const std::string& h : verdict.hits) hits += h + kCR;
    items.push_back(Text(hits));
  }
}

}  // namespace kova
