#include "search/GenerateDriver.h"

#include <algorithm>
#include <exception>
#include <string>

#include "engine/TcCheckHandler.h"
#include "search/SearchPreparation.h"
#include "search/Seeker_Module.h"
#include "tools/PlatformPort.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// Closes the progress box when the search ends by an error.
class BusyGuard {
 public:
  explicit BusyGuard(PlatformPort& port) : port_(port), exceptions_(std::uncaught_exceptions()) {}
  ~BusyGuard() {
    if (std::uncaught_exceptions() > exceptions_) port_.abortBusy();
  }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  PlatformPort& port_;
  int exceptions_;
};

// True when an earlier proposal holds the same frequencies in every system (channels sorted).
bool IsDuplicate(const CReportInstance& proposals, const CProject& copy) {
  for (int32_t j = 1; j <= proposals.GlCount(); ++j) {
    const ProjectRef proposal = proposals.GxGetProject(j);
    bool equal = proposal->GcSystem(0)->GHasEqualFreqs(*copy.GcSystem(0));
    if (copy.GbSecondSystem() && equal) equal = proposal->GcSystem(1)->GHasEqualFreqs(*copy.GcSystem(1));
    if (equal) return true;
  }
  return false;
}

// Silent check of a whole project: true when nothing is reported.
bool IsCompatible(const CProject& project) {
  TcCheckHandler handler;
  handler.GInit(nullptr, false, false, false);
  project.RunChecks(handler);
  return !handler.GbIncompatible();
}

}  // namespace

void RankProposal(CReportInstance& proposals, const ProjectRef& copy, int32_t lKeep) {
  if (proposals.GlCount() < lKeep) {
    proposals.GxAddItem(copy);
    if (proposals.GlCount() == lKeep) proposals.GSortItems(true);
    return;
  }
  const int32_t overall = copy->GlGetOverallMics();
  for (int32_t k = 1; k <= lKeep && k <= proposals.GlCount(); ++k) {
    if (proposals.GxGetProject(k)->GlGetOverallMics() < overall) {
      proposals.GxSetItem(k, copy);
      return;
    }
  }
}

namespace {

// Each set becomes a copy of `system` with the set's frequencies appended as new channels;
// returns the channel count of systems(1), 0 when there is no set.
int32_t ExtendSystem(const std::vector<std::vector<double>>& sets, const CSystemInstance& system,
                     std::vector<SystemRef>& systems) {
  systems.assign(1, nullptr);
  for (const std::vector<double>& set : sets) {
    SystemRef extended = system.GGetCopy();
    CMicCollection& mics = *extended->GcMics();
    for (size_t i = 1; i < set.size(); ++i) {
      MN_AppendChannel(*extended);
      const MicRef& mic = mics.GcItem(mics.GCount());
      mic->GfSetFreq(static_cast<float>(set[i]));
      mic->GsSetLabel(mics.GsNextFree(""));
    }
    systems.push_back(std::move(extended));
  }
  // An aborted systematic search may end before its first set is complete.
  if (systems.size() < 2) return 0;
  return systems[1]->GcMics()->GCount();
}

}  // namespace

int32_t SearchOneSystem(Seeker_Module& seeker, int32_t lMode, int32_t lChannels, const std::vector<double>& candidates,
                        const CSystemInstance& system, int32_t lKeep, std::vector<SystemRef>& systems) {
  std::vector<std::vector<double>> sets;
  seeker.RunSearch(candidates, lMode == kSearchSystematic ? 0 : lChannels, lKeep, sets);
  return ExtendSystem(sets, system, systems);
}

GenerateOutcome RunGenerateSearch(const CProject& project, int32_t lRuns, int32_t lKeep, int32_t lChannels1,
                                  int32_t lChannels2, int32_t lMode, PlatformPort& port,
                                  const OptimiseSettings& optimise) {
  auto busy = [&port](const std::string& text, double fraction) { return port.busy(text, fraction, 0); };
  // All search state of this command lives in this one object.
  Seeker_Module seeker(port);
  GenerateOutcome outcome;

  // Candidates of both systems as they are before the first run, and the systems' channels and
  // parameter records as the preparation leaves them.
  std::vector<double> candidates1{0.0}, candidates2{0.0};
  std::vector<double> freqs0{0.0}, freqs1{0.0};
  TCheckParams params0{}, params1{};

  bool dual = false;
  if (project.GbSecondSystem()) {
    PrepareCandidates(project, 1, seeker, candidates2, freqs0, params0, freqs1, params1);
    dual = CandidateCount(candidates2) > 0 && lChannels2 != 0;
  }
  PrepareCandidates(project, 0, seeker, candidates1, freqs0, params0, freqs1, params1);
  const bool haveCandidates1 = CandidateCount(candidates1) > 0;

  if (!dual && !haveCandidates1) {
    outcome.status = GenerateStatus::kNoFreeFrequencies;
    return outcome;
  }

  // Two systems whose types differ can let an incompatible set through the pruning (see the
  // run loop); their runs are checked before they become proposals, as is every proposal of the
  // optimising search.
  const bool optimising = lMode == kSearchOptimise;
  const bool verifyRuns = (project.GbSecondSystem() || optimising) && IsCompatible(project);
  if (optimising) lRuns = 1;
  // The optimising search shares its budget between the systems it searches.
  OptimiseSettings share = optimise;
  if (dual && haveCandidates1 && lChannels1 > 0) {
    share.seconds /= 2;
    share.rounds = optimise.rounds > 0 ? std::max<int64_t>(1, optimise.rounds / 2) : 0;
  }
  auto searchSystem = [&](int32_t slot, int32_t lChannels, const std::vector<double>& candidates,
                          std::vector<SystemRef>& systems, const CProject& copy) {
    const CSystemInstance& system = *copy.GcSystem(slot);
    if (!optimising) return SearchOneSystem(seeker, lMode, lChannels, candidates, system, lKeep, systems);
    OptimiseSummary summary;
    const auto sets = OptimiseChannels(seeker, candidates, lChannels, lKeep, share, port, summary);
    summary.system = slot;
    outcome.optimised.push_back(summary);
    return ExtendSystem(sets, system, systems);
  };

  auto proposals = std::make_shared<CReportInstance>();
  proposals->GDefine();
  outcome.proposals = proposals;
  BusyGuard guard(port);
  port.timeOfDay();
  busy("Testing", 0.0);
  port.randomize();
  int32_t best = 0;

  std::vector<SystemRef> found;
  const int32_t existing = project.GlGetOverallMics();  // channels before the search
  for (int32_t run = 1; run <= lRuns; ++run) {
    if (!busy("Already found: " + TL_Str(best), static_cast<double>(run) / (static_cast<double>(lRuns) + 1.0))) {
      outcome.stopped = true;
      break;
    }

    // The copy's current system records which system was searched last; applying a proposal
    // replaces that system.
    ProjectRef copy = project.GGetCopy();
    copy->GlCurr(0);
    seeker.SetContext(freqs0, params0, 0);
    if (copy->GbSecondSystem()) seeker.SetContext(freqs1, params1, 1);

    seeker.SetChosenSide(params0);
    seeker.SetCandidateSide(params0);
    int32_t count1 = 0, count2 = 0;
    found.assign(1, nullptr);
    int32_t foundSlot = 0;  // the system the sets in `found` extend

    if (haveCandidates1 && lChannels1 > 0) {
      count1 = searchSystem(0, lChannels1, candidates1, found, *copy);
      if (found.size() > 1) outcome.highlighted = count1;
      if (found.size() > 1) copy->GcSystem(0, found[1]->GGetCopy());
    }

    if (dual) {
      // System 1 is searched against system 0 as this run left it. The records of this run go
      // into their own variables: the ones prepared before the first run still describe the
      // project's unchanged system 1 for the system-0 search of the next run, even when this
      // run's system-0 channels leave system 1 no candidate.
      std::vector<double> runFreqs0{0.0}, runFreqs1{0.0};
      TCheckParams runParams0 = params0, runParams1 = params1;
      PrepareCandidates(*copy, 1, seeker, candidates2, runFreqs0, runParams0, runFreqs1, runParams1);
      seeker.SetContext(runFreqs0, runParams0, 0);
      seeker.SetContext(runFreqs1, runParams1, 1);

      copy->GlCurr(1);
      seeker.SetChosenSide(runParams1);
      seeker.SetCandidateSide(runParams1);
      if (CandidateCount(candidates2) > 0 && lChannels2 >= 1) {
        count2 = searchSystem(1, lChannels2, candidates2, found, *copy);
        if (found.size() > 1) outcome.highlighted = count2;
        foundSlot = 1;
        if (found.size() > 1) copy->GcSystem(1, found[1]->GGetCopy());
      } else if (!haveCandidates1 || lChannels1 == 0) {
        busy("Testing", 1.0);
        outcome.status = GenerateStatus::kNoFreeFrequencies;
        outcome.proposals = nullptr;
        return outcome;
      }
    }

    int32_t total = count1 + count2;
    outcome.mostNew = std::max(outcome.mostNew, copy->GlGetOverallMics() - existing);
    // The pruning of candidates protects each new channel with the widths of the system being
    // searched. Where the two systems' types protect with different widths, a product landing on
    // a channel of the other system can slip through; such a run is not offered as a proposal
    // unless the project was incompatible to begin with.
    if (verifyRuns && total > 0 && !IsCompatible(*copy)) total = 0;
    best = std::max(best, total);

    if (lMode == kSearchRandom && total > 0) {
      copy->GSortAllMics();
      if (!IsDuplicate(*proposals, *copy)) RankProposal(*proposals, copy, lKeep);
    }
    if (lMode == kSearchSystematic || optimising) {
      // Each kept set of the system searched last gives one proposal. When system 1 was left
      // without candidates, the sets are system 0's and go into system 0's slot.
      copy->GlCurr(foundSlot);
      for (size_t k = 1; k < found.size(); ++k) {
        copy->GcSystem(foundSlot, found[k]->GGetCopy());
        outcome.mostNew = std::max(outcome.mostNew, copy->GlGetOverallMics() - existing);
        if (optimising && verifyRuns && !IsCompatible(*copy)) continue;
        proposals->GxAddItem(copy->GGetCopy());
      }
    }
    // After each run the highlight goes back to the end of system 0's list as the project has it.
    outcome.highlighted = project.GcSystem(0)->GcMics()->GCount();
  }

  busy("Testing", 1.0);
  if (seeker.SearchProgress().bAbort) outcome.stopped = true;
  for (const OptimiseSummary& summary : outcome.optimised) outcome.stopped = outcome.stopped || summary.aborted;

  if (proposals->GlCount() < 1) {
    outcome.status = GenerateStatus::kNothingFound;
    return outcome;
  }
  proposals->GSortItems(true);
  outcome.status = GenerateStatus::kProposals;
  return outcome;
}

}  // namespace kova
