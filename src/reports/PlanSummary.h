#pragma once
// The summary at the head of the print document (RTF and PDF): which project, when, its zones
// with their systems and relations, each system's type, channels, the count a search was asked
// for and what it lacks, and whether the check passes the plan ("compatible", or which channels
// are hit and by what). A coordinator sees on the first page whether the plan works.

#include <string>
#include <vector>

#include "search/Shortfall.h"

namespace kova {

class CProject;
struct RtfItem;

// What the document knows beyond the project itself.
struct PlanFacts {
  std::string projectFile;  // the name of the project's file; empty for a project never saved
  std::string created;      // date and time the document is made
  // What the search that found the plan asked of each system (by slot), when the project is
  // that plan as it was taken into use; empty otherwise (no count asked is then known).
  std::vector<SystemRequest> requests;
};

// "compatible", "1 channel is hit" or "N channels are hit", and the hit channels, each once, in
// slot and list order.
struct PlanVerdict {
  std::string text;
  std::vector<std::string> hits;  // "531.925 MHz Mic11 (system #1): 2Tx IM(5) at 531.725 MHz"
};
PlanVerdict MN_PlanVerdict(const CProject& project);

// Appends the summary's items to `items`.
void RTF_AddPlanSummary(const CProject& project, const PlanFacts& facts, std::vector<RtfItem>& items);

}  // namespace kova
