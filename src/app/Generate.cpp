#include "app/Generate.h"

#include <algorithm>
#include <string>

#include "app/TextExport.h"
#include "app/TypeFacts.h"
#include "search/SearchPreparation.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {
const char* const kNoFreeFrequencies = "Search Spectrum Invalid: No free frequencies left.";
const char* const kNothingFound = "No additional compatible channels found!";

std::string Points(int32_t n) { return TL_Str(n) + (n == 1 ? " grid point" : " grid points"); }

// The heading of a system's lines when the project has more than one.
std::string SystemHeading(const CProject& project, int32_t slot) {
  if (!project.GbSecondSystem()) return "";
  return "System #" + TL_Str(slot + 1) + " (" + project.GcSystem(slot)->GcSystemType()->GsGetLabel() + "):\n";
}

CandidateCensus Census(const AppState& app, int32_t slot) {
  return TakeCandidateCensus(*app.project, slot, app.scanCuts[static_cast<size_t>(slot)], TL_Port());
}

// Why system `slot` gives the search no candidate or fewer channels than asked for: the grid
// points inside the search spectrum and what blocks them. `found` is the number of new channels
// of the best set.
std::string WhyShort(const AppState& app, int32_t slot, const CandidateCensus& c, int32_t found) {
  const CProject& project = *app.project;
  const CSystemType& type = *project.GcSystem(slot)->GcSystemType();
  const std::string blockers =
      TL_Str(c.bySpacing) + " by spacing, " + TL_Str(c.byProducts) + " by intermodulation products";
  std::string text;
  if (c.gridPoints == 0) {
    text = "No grid point of " + type.GsGetLabel() + " lies inside the search spectrum.\nTuning range: " +
           MN_FormatBands(*type.GxSpectrum()) + " (step " + MN_FormatFreq(type.GfGetSearchStep()) +
           " MHz)\nSearch spectrum: " + MN_FormatBands(*project.GcSpectrumOf(slot));
  } else if (c.left == 0) {
    text = "All " + Points(c.gridPoints) + " inside the search spectrum are blocked by the channels already present: " +
           blockers + ".";
  } else {
    if (c.left < c.gridPoints)
      text = "Of the " + Points(c.gridPoints) + " inside the search spectrum, " + TL_Str(c.gridPoints - c.left) +
             " are blocked by the channels already present (" + blockers + ").\nAmong the " + Points(c.left) +
             " left";
    else
      text = "None of the " + Points(c.gridPoints) +
             " inside the search spectrum is blocked by a channel already present.\nAmong them";
    const int32_t most = std::max(found, 0);
    text += " the search found no set of more than " + TL_Str(most) + (most == 1 ? " channel" : " channels") +
            " that keep their spacing and stay clear of each other's intermodulation products.";
  }
  if (c.inScanRanges > 0)
    text += "\n" + Points(c.inScanRanges) + " of " + type.GsGetLabel() +
            " lie in ranges the venue scan found occupied, outside the search spectrum.";
  return text;
}

void AddParagraph(std::string& text, const std::string& paragraph) {
  if (paragraph.empty()) return;
  text += "\n\n" + paragraph;
}

// Channels asked of system `slot`; none for a system the list does not reach.
int32_t Wanted(const std::vector<int32_t>& lChannels, int32_t slot) {
  return static_cast<size_t>(slot) < lChannels.size() ? lChannels[static_cast<size_t>(slot)] : 0;
}

// The systems that the search could not start on, each with its reason.
std::string WhyNoFreeFrequencies(const AppState& app, const std::vector<int32_t>& lChannels) {
  const CProject& project = *app.project;
  std::string text;
  for (int32_t slot = 0; slot < project.GlSystems(); ++slot) {
    if (slot > 0 && Wanted(lChannels, slot) == 0) continue;
    const CandidateCensus c = Census(app, slot);
    if (c.left == 0) AddParagraph(text, SystemHeading(project, slot) + WhyShort(app, slot, c, 0));
  }
  return text;
}

std::string WhyNothingFound(const GenerateOutcome& outcome, const CProject& project,
                            const std::vector<int32_t>& lChannels) {
  bool asked = false;
  for (int32_t slot = 0; slot < project.GlSystems(); ++slot) asked = asked || Wanted(lChannels, slot) > 0;
  if (!asked) return "\n\nNo new channel was asked for (0 channels to add).";
  if (outcome.mostNew > 0)
    return "\n\nThe runs found up to " + TL_Str(outcome.mostNew) +
           " new channels, but none of those sets passed the full check of the project.";
  if (outcome.stopped) return "\n\nThe search was stopped before it found a set.";
  return "";
}

// A best proposal applied at once that falls short of the requested channels says so and why.
void TellShortfall(const AppState& app, const CProject& best, const std::vector<SystemRequest>& requests) {
  std::string text;
  for (Shortfall s : ShortfallsOf(best, requests)) {
    if (!text.empty()) text += "\n\n";
    s.reason.clear();  // the paragraph below says it at length
    text += ShortfallText(s, true) + ".\n\n" + WhyShort(app, s.slot, Census(app, s.slot), s.found);
  }
  if (!text.empty()) TL_ShowInfo(text);
}

// Why system `slot` may get fewer channels than asked, in one clause.
std::string ShortReason(const AppState& app, int32_t slot) {
  const CandidateCensus c = Census(app, slot);
  if (c.gridPoints == 0)
    return "no grid point of " + app.project->GcSystem(slot)->GcSystemType()->GsGetLabel() +
           " lies inside the search spectrum";
  if (c.left == 0)
    return "all " + Points(c.gridPoints) + " inside the search spectrum are blocked by the channels already present";
  return "the search found no more among the " + Points(c.left) + " left free";
}

// What the search asked of each system, with the bound and the reason for each system that a
// proposal leaves short. The systematic search is asked no number of channels.
std::vector<SystemRequest> Requests(const AppState& app, const GenerateOutcome& outcome,
                                    const std::vector<int32_t>& lChannels, int32_t lMode) {
  const CProject& project = *app.project;
  std::vector<SystemRequest> requests(static_cast<size_t>(project.GlSystems()));
  for (int32_t slot = 0; slot < project.GlSystems(); ++slot) {
    SystemRequest& r = requests[static_cast<size_t>(slot)];
    r.requested = lMode == kSearchSystematic ? 0 : std::max(0, Wanted(lChannels, slot));
    r.existing = project.GcSystem(slot)->GcMics()->GCount();
    // A bound at or above the request means room taken by the other systems searched along;
    // searched alone, it only says the bound is not tight.
    for (const OptimiseSummary& summary : outcome.optimised)
      if (summary.system == slot && (outcome.joint || summary.upperBound < r.requested)) r.bound = summary.upperBound;
  }
  std::vector<uint8_t> isShort(requests.size(), 0);
  for (int32_t i = 1; i <= outcome.proposals->GlCount(); ++i)
    for (const Shortfall& s : ShortfallsOf(*outcome.proposals->GxGetProject(i), requests))
      isShort[static_cast<size_t>(s.slot)] = 1;
  for (size_t slot = 0; slot < requests.size(); ++slot)
    if (isShort[slot]) requests[slot].reason = ShortReason(app, static_cast<int32_t>(slot));
  return requests;
}

}  // namespace

GenerateOutcome GenerateProposals(AppState& app, int32_t lRuns, int32_t lKeep, int32_t lChannels1, int32_t lChannels2,
                                  int32_t lShow, int32_t lMode, const OptimiseSettings& optimise, bool explain) {
  return GenerateProposals(app, lRuns, lKeep, std::vector<int32_t>{lChannels1, lChannels2}, lShow, lMode, optimise,
                           explain);
}

GenerateOutcome GenerateProposals(AppState& app, int32_t lRuns, int32_t lKeep, const std::vector<int32_t>& lChannels,
                                  int32_t lShow, int32_t lMode, const OptimiseSettings& optimise, bool explain) {
  PlatformPort& port = TL_Port();
  GenerateOutcome outcome = RunGenerateSearch(*app.project, lRuns, lKeep, lChannels, lMode, port, optimise);
  if (outcome.highlighted) app.highlighted = *outcome.highlighted;

  // The reasons are worked out here, once the search is over, and only when they are shown.
  switch (outcome.status) {
    case GenerateStatus::kNoFreeFrequencies:
      TL_ShowInfo(kNoFreeFrequencies + (explain ? WhyNoFreeFrequencies(app, lChannels) : std::string()));
      return outcome;
    case GenerateStatus::kNothingFound:
      TL_ShowInfo(kNothingFound +
                  (explain ? WhyNothingFound(outcome, *app.project, lChannels) : std::string()));
      return outcome;
    case GenerateStatus::kProposals:
      break;
  }

  CReportInstance& proposals = *outcome.proposals;
  proposals.GRequests(Requests(app, outcome, lChannels, lMode));
  if (lShow == kShowProposals) {
    // Only "Use" in the proposal window changes the project.
    for (int32_t i = 1; i <= proposals.GlCount(); ++i) proposals.GxGetProject(i)->GSortAllMics();
    outcome.reportNumber = app.proposals->GxAddItem(outcome.proposals);
    port.showProposals(outcome.reportNumber);
  } else if (lShow == kApplyAndReport || lShow == kApplyOnly) {
    TL_SetChanged(app.flags, true, false, false, false);
    const ProjectRef bestProposal = proposals.GxGetProject(1);
    bestProposal->GSortAllMics();
    // The systematic search is asked for no number of channels.
    if (explain) TellShortfall(app, *bestProposal, proposals.GRequests());
    // The proposal's current system is the one searched last; it replaces the system in the
    // same slot of the project, whichever system the project shows. Systems searched together
    // all take their new channels.
    for (int32_t slot = 0; slot < app.project->GlSystems(); ++slot)
      if (slot == bestProposal->GlCurr() || outcome.joint)
        app.project->GcSystem(slot, bestProposal->GcSystem(slot)->GGetCopy());
    MN_NotePlan(app, proposals.GRequests());
    if (lShow == kApplyAndReport) MN_ExportReport(app, proposals);
  }
  return outcome;
}

std::string OptimiseResultText(const std::vector<OptimiseSummary>& summaries, const JointSummary* joint) {
  std::string text;
  if (joint) {
    int32_t wanted = 0;
    for (int32_t w : joint->wanted) wanted += w;
    text = "All systems: " + TL_Str(joint->total) + " of " + TL_Str(wanted) + " requested channels" +
           (joint->optimal ? ", optimal: " : "; ") + "no plan has more than " + TL_Str(joint->totalBound) + ".";
  }
  for (const OptimiseSummary& s : summaries) {
    if (!text.empty()) text += "\n";
    if (summaries.size() > 1) text += "System " + TL_Str(s.system + 1) + ": ";
    text += TL_Str(s.best) + (s.best == 1 ? " channel found" : " channels found") + (s.optimal ? ", optimal: " : "; ") +
            "no set of more than " + TL_Str(s.upperBound) + " exists" + (s.aborted ? " (search stopped)." : ".");
  }
  return text;
}

}  // namespace kova
