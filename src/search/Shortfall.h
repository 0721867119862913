#pragma once
// A plan that gives a system fewer new channels than were asked of it is never shown as done:
// every place that shows a search result (the proposal lines and the report, the state after a
// proposal is used, the start wizard, kova-cli's error output) names each short system with the
// same words, made here.
//
// The requests travel with the proposal list (CReportInstance::GRequests), so each proposal's
// shortfall is worked out from its own channel counts.

#include <cstdint>
#include <string>
#include <vector>

namespace kova {

class CProject;

// What a search asked of one system, and what is known about why it may fall short.
struct SystemRequest {
  int32_t requested = 0;  // new channels asked for (0: none asked, never short)
  int32_t existing = 0;   // channels the system held before the search
  int32_t bound = -1;     // most new channels that can fit into the system, -1 when unknown
  std::string reason;     // why fewer were found, when known (one clause, no full stop)
};

// One short system of one plan.
struct Shortfall {
  int32_t slot = 0;   // 0-based system slot
  std::string type;   // label of the system's type
  int32_t found = 0;  // new channels of the plan
  int32_t requested = 0;
  int32_t bound = -1;
  std::string reason;
};

// The systems of `proposal` that got fewer new channels than `requests` asked, in slot order.
std::vector<Shortfall> ShortfallsOf(const CProject& proposal, const std::vector<SystemRequest>& requests);

// "system 3 (G3): 14 of 20 requested channels; at most 16 fit (bound)": the bound when it is
// below the request; a bound at or above it means the other systems took the room; without a
// bound the reason, when there is one. `capital` starts with "System"; without `why` the text
// ends after "requested channels" (for narrow places, with the whole text at hand elsewhere).
std::string ShortfallText(const Shortfall& shortfall, bool capital = false, bool why = true);

// The lines of every short system, each after `prefix` and ended by a line break; empty when
// nothing is short.
std::string ShortfallLines(const CProject& proposal, const std::vector<SystemRequest>& requests, bool capital = false,
                           const std::string& prefix = "", bool why = true);

}  // namespace kova
