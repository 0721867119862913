#include "search/Shortfall.h"

#include <algorithm>

#include "model/CProject.h"
#include "tools/Tools.h"

namespace kova {

std::vector<Shortfall> ShortfallsOf(const CProject& proposal, const std::vector<SystemRequest>& requests) {
  std::vector<Shortfall> out;
  const auto systems = std::min(static_cast<size_t>(proposal.GlSystems()), requests.size());
  for (size_t s = 0; s < systems; ++s) {
    const SystemRequest& request = requests[s];
    const CSystemInstance& system = *proposal.GcSystem(static_cast<int32_t>(s));
    const int32_t found = system.GcMics()->GCount() - request.existing;
    if (request.requested <= 0 || found >= request.requested) continue;
    out.push_back({static_cast<int32_t>(s), system.GcSystemType()->GsGetLabel(), found, request.requested,
                   request.bound, request.reason});
  }
  return out;
}

std::string ShortfallText(const Shortfall& s, bool capital, bool why) {
  std::string text = std::string(capital ? "System " : "system ") + TL_Str(s.slot + 1) + " (" + s.type + "): " +
                     TL_Str(s.found) + " of " + TL_Str(s.requested) + " requested channels";
  if (!why) return text;
  if (s.bound >= 0 && s.bound < s.requested)
    text += "; at most " + TL_Str(s.bound) + " fit (bound)";
  else if (s.bound >= 0)
    text += "; the other systems' channels take the room (on its own at most " + TL_Str(s.bound) + " fit)";
  else if (!s.reason.empty())
    text += "; " + s.reason;
  return text;
}

std::string ShortfallLines(const CProject& proposal, const std::vector<SystemRequest>& requests, bool capital,
                           const std::string& prefix, bool why) {
  std::string text;
  for (const Shortfall& s : ShortfallsOf(proposal, requests)) text += prefix + ShortfallText(s, capital, why) + "\n";
  return text;
}

}  // namespace kova
