#include "app/Generate.h"

#include "app/TextExport.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {
const char* const kNoFreeFrequencies = "Search Spectrum Invalid: No free frequencies left.";
const char* const kNothingFound = "No additional compatible channels found!";
}  // namespace

GenerateOutcome GenerateProposals(AppState& app, int32_t lRuns, int32_t lKeep, int32_t lChannels1, int32_t lChannels2,
                                  int32_t lShow, int32_t lMode, const OptimiseSettings& optimise) {
  PlatformPort& port = TL_Port();
  GenerateOutcome outcome =
      RunGenerateSearch(*app.project, lRuns, lKeep, lChannels1, lChannels2, lMode, port, optimise);
  if (outcome.highlighted) app.highlighted = *outcome.highlighted;

  switch (outcome.status) {
    case GenerateStatus::kNoFreeFrequencies:
      TL_ShowInfo(kNoFreeFrequencies);
      return outcome;
    case GenerateStatus::kNothingFound:
      TL_ShowInfo(kNothingFound);
      return outcome;
    case GenerateStatus::kProposals:
      break;
  }

  CReportInstance& proposals = *outcome.proposals;
  if (lShow == kShowProposals) {
    TL_SetChanged(app.flags, true, false, false, false);
    for (int32_t i = 1; i <= proposals.GlCount(); ++i) proposals.GxGetProject(i)->GSortAllMics();
    outcome.reportNumber = app.proposals->GxAddItem(outcome.proposals);
    port.showProposals(outcome.reportNumber);
  } else if (lShow == kApplyAndReport || lShow == kApplyOnly) {
    TL_SetChanged(app.flags, true, false, false, false);
    const ProjectRef bestProposal = proposals.GxGetProject(1);
    bestProposal->GSortAllMics();
    // The proposal's current system is the one searched last; it replaces the system in the
    // same slot of the project, whichever system the project shows.
    app.project->GcSystem(bestProposal->GlCurr(), bestProposal->GcCurrSystem()->GGetCopy());
    if (lShow == kApplyAndReport) MN_ExportReport(app, proposals);
  }
  return outcome;
}

}  // namespace kova
