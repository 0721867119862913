#include "search/GenerateDriver.h"

#include <algorithm>
#include <exception>
#include <string>

#include "engine/TcCheckHandler.h"
#include "search/JointSearch.h"
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
    bool equal = true;
    for (int32_t s = 0; s < copy.GlSystems() && equal; ++s)
      equal = proposal->GcSystem(s)->GHasEqualFreqs(*copy.GcSystem(s));
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

// Takes new channels out of `copy` until it passes the full check: each time, of the channels
// that the problems involve, the last new one of the system searched last. The channels the
// project held before the search stay.
void KeepWhatPasses(CProject& copy, const CProject& project) {
  std::vector<CheckConflict> conflicts;
  for (;;) {
    conflicts.clear();
    TcCheckHandler handler;
    handler.GInit(nullptr, false, false, true);
    handler.GCollect(&conflicts);
    copy.RunChecks(handler);
    if (!handler.GbIncompatible()) return;
    CheckChannel last{-1, 0};
    auto consider = [&](const CheckChannel& c) {
      if (c.mic <= project.GcSystem(c.system)->GcMics()->GCount()) return;
      if (c.system > last.system || (c.system == last.system && c.mic > last.mic)) last = c;
    };
    for (const CheckConflict& conflict : conflicts) {
      consider(conflict.channel);
      for (int32_t i = 0; i < conflict.sources; ++i) consider(conflict.source[static_cast<size_t>(i)]);
    }
    if (last.system < 0) return;
    copy.GcSystem(last.system)->GcMics()->GDelMic(last.mic);
  }
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

// The status of a search that ran: proposals, ranked (by channels in all unless `ranked` says
// they come in their order already), or nothing found.
GenerateOutcome Finished(GenerateOutcome outcome, bool ranked = false) {
  if (outcome.proposals->GlCount() < 1) {
    outcome.status = GenerateStatus::kNothingFound;
  } else {
    if (!ranked) outcome.proposals->GSortItems(true);
    outcome.status = GenerateStatus::kProposals;
  }
  return outcome;
}

// The optimising search of several systems at once: each plan becomes one proposal, the
// systems with new channels extended in slot order; the last of them is the current system.
GenerateOutcome RunJointSearch(const CProject& project, int32_t lKeep, const std::vector<int32_t>& wanted,
                               PlatformPort& port, const OptimiseSettings& optimise) {
  GenerateOutcome outcome;
  const int32_t systems = project.GlSystems();
  std::vector<JointSystemInput> inputs(static_cast<size_t>(systems));
  const ZoneLayout zones = project.GZoneLayout();
  bool anyCandidate = false;
  for (int32_t s = 0; s < systems; ++s) {
    const CSystemInstance& system = *project.GcSystem(s);
    JointSystemInput& in = inputs[static_cast<size_t>(s)];
    in.params = system.GcSystemType()->GGetCheckParams();
    if (!zones.Single()) {
      const auto g = static_cast<size_t>(zones.groupOf[static_cast<size_t>(s)]);
      in.group = zones.members[g];
      in.reach = zones.reach[g];
    }
    const CMicCollection& mics = *system.GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i) in.fixed.push_back(mics.GcItem(i)->GfGetFreq());
    in.wanted = wanted[static_cast<size_t>(s)];
    in.candidates = in.wanted > 0 ? BuildCandidateGrid(system, *project.GcSpectrumOf(s)) : std::vector<double>{0.0};
    anyCandidate = anyCandidate || CandidateCount(in.candidates) > 0;
  }
  if (!anyCandidate) {
    outcome.status = GenerateStatus::kNoFreeFrequencies;
    return outcome;
  }

  auto proposals = std::make_shared<CReportInstance>();
  proposals->GDefine();
  outcome.proposals = proposals;
  BusyGuard guard(port);
  port.timeOfDay();
  double fraction = 0.0;
  port.busy("Testing", fraction, 0);
  port.randomize();
  JointSummary summary;
  const std::vector<JointPlan> plans = JointOptimise(inputs, lKeep, optimise, port, summary);
  const bool verify = IsCompatible(project);
  const int32_t existing = project.GlGetOverallMics();
  for (const JointPlan& plan : plans) {
    ProjectRef copy = project.GGetCopy();
    std::vector<SystemRef> extended;
    for (int32_t s = 0; s < systems; ++s) {
      if (plan[static_cast<size_t>(s)].empty()) continue;
      std::vector<double> set{0.0};
      set.insert(set.end(), plan[static_cast<size_t>(s)].begin(), plan[static_cast<size_t>(s)].end());
      ExtendSystem({set}, *copy->GcSystem(s), extended);
      copy->GcSystem(s, extended[1]);
      copy->GlCurr(s);
    }
    outcome.mostNew = std::max(outcome.mostNew, copy->GlGetOverallMics() - existing);
    if (verify && !IsCompatible(*copy)) continue;
    proposals->GxAddItem(copy);
    // The summary describes the plan that becomes proposal 1, the best that passed the check.
    if (proposals->GlCount() == 1) {
      summary.total = 0;
      for (size_t t = 0; t < plan.size(); ++t) {
        summary.found[t] = static_cast<int32_t>(plan[t].size());
        summary.total += summary.found[t];
      }
      summary.complete = summary.found == summary.wanted;
      summary.optimal = summary.total >= summary.totalBound;
    }
  }
  fraction = 1.0;
  port.busy("Testing", fraction, 0);

  for (int32_t s = 0; s < systems; ++s) {
    const auto t = static_cast<size_t>(s);
    if (summary.wanted[t] <= 0) continue;
    OptimiseSummary line;
    line.system = s;
    line.best = summary.found[t];
    line.upperBound = summary.bound[t];
    line.seconds = summary.seconds;
    line.secondsToBest = summary.secondsToBest;
    line.rounds = summary.rounds;
    line.aborted = summary.aborted;
    line.complete = summary.found[t] >= summary.wanted[t];
    line.optimal = summary.found[t] >= summary.bound[t];
    outcome.optimised.push_back(line);
  }
  outcome.joint = summary;
  outcome.stopped = summary.aborted;
  // The plans come best first by the joint search's own aim; a count of channels in all would
  // put a plan that starves a system first.
  return Finished(std::move(outcome), true);
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
  return RunGenerateSearch(project, lRuns, lKeep, std::vector<int32_t>{lChannels1, lChannels2}, lMode, port, optimise);
}

GenerateOutcome RunGenerateSearch(const CProject& project, int32_t lRuns, int32_t lKeep,
                                  const std::vector<int32_t>& lChannels, int32_t lMode, PlatformPort& port,
                                  const OptimiseSettings& optimise) {
  auto busy = [&port](const std::string& text, double fraction) { return port.busy(text, fraction, 0); };
  const int32_t systems = project.GlSystems();
  const auto wanted = [&lChannels](int32_t s) {
    return static_cast<size_t>(s) < lChannels.size() ? lChannels[static_cast<size_t>(s)] : 0;
  };
  if (lMode == kSearchOptimise) {
    std::vector<int32_t> asked(static_cast<size_t>(systems));
    for (int32_t s = 0; s < systems; ++s) asked[static_cast<size_t>(s)] = std::max(0, wanted(s));
    if (std::count_if(asked.begin(), asked.end(), [](int32_t n) { return n > 0; }) > 1)
      return RunJointSearch(project, lKeep, asked, port, optimise);
  }
  // All search state of this command lives in this one object.
  Seeker_Module seeker(port);
  GenerateOutcome outcome;

  // Candidates of every system as they are before the first run, and the systems' channels and
  // parameter records as the preparation of system 0 leaves them. The systems after the first
  // are prepared first, in slot order; each takes part in the runs (`searched`) when it has
  // candidates and channels are asked of it.
  std::vector<std::vector<double>> candidates(static_cast<size_t>(systems), std::vector<double>{0.0});
  std::vector<std::vector<double>> freqs;
  std::vector<TCheckParams> params(static_cast<size_t>(std::max(systems, 2)), TCheckParams{});
  std::vector<bool> searched(static_cast<size_t>(systems), false);
  for (int32_t s = 1; s < systems; ++s) {
    PrepareCandidates(project, s, seeker, candidates[static_cast<size_t>(s)], freqs, params);
    searched[static_cast<size_t>(s)] = CandidateCount(candidates[static_cast<size_t>(s)]) > 0 && wanted(s) != 0;
  }
  PrepareCandidates(project, 0, seeker, candidates[0], freqs, params);
  const bool haveCandidates1 = CandidateCount(candidates[0]) > 0;
  const int32_t lChannels1 = wanted(0);
  const int32_t later = static_cast<int32_t>(std::count(searched.begin() + 1, searched.end(), true));

  if (later == 0 && !haveCandidates1) {
    outcome.status = GenerateStatus::kNoFreeFrequencies;
    return outcome;
  }

  // Systems whose types differ can let an incompatible set through the pruning (see the run
  // loop); their runs are checked before they become proposals, as is every proposal of the
  // optimising search.
  const bool optimising = lMode == kSearchOptimise;
  const bool verifyRuns = (project.GbSecondSystem() || optimising) && IsCompatible(project);
  if (optimising) lRuns = 1;
  // The optimising search shares its budget between the systems it searches.
  OptimiseSettings share = optimise;
  const int32_t sharing = later + (haveCandidates1 && lChannels1 > 0 ? 1 : 0);
  if (sharing > 1) {
    share.seconds /= sharing;
    share.rounds = optimise.rounds > 0 ? std::max<int64_t>(1, optimise.rounds / sharing) : 0;
  }
  auto searchSystem = [&](int32_t slot, int32_t lCount, const std::vector<double>& slotCandidates,
                          std::vector<SystemRef>& found, const CProject& copy) {
    const CSystemInstance& system = *copy.GcSystem(slot);
    if (!optimising) return SearchOneSystem(seeker, lMode, lCount, slotCandidates, system, lKeep, found);
    OptimiseSummary summary;
    const auto sets = OptimiseChannels(seeker, slotCandidates, lCount, lKeep, share, port, summary);
    summary.system = slot;
    outcome.optimised.push_back(summary);
    return ExtendSystem(sets, system, found);
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
  std::vector<double> runCandidates;
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
    for (int32_t s = 0; s < copy->GlSystems(); ++s)
      seeker.SetContext(freqs[static_cast<size_t>(s)], params[static_cast<size_t>(s)], s);

    seeker.SetChosenSide(params[0]);
    seeker.SetCandidateSide(params[0]);
    int32_t total = 0;
    found.assign(1, nullptr);
    int32_t foundSlot = 0;  // the system the sets in `found` extend
    bool anySearched = haveCandidates1 && lChannels1 != 0;
    bool starved = false;  // a later system was left without candidates in this run
    std::vector<uint8_t> ran(static_cast<size_t>(systems), 0);  // the systems searched in this run

    if (haveCandidates1 && lChannels1 > 0) {
      ran[0] = 1;
      total += searchSystem(0, lChannels1, candidates[0], found, *copy);
      if (found.size() > 1) outcome.highlighted = total;
      if (found.size() > 1) copy->GcSystem(0, found[1]->GGetCopy());
    }

    for (int32_t s = 1; s < systems; ++s) {
      if (!searched[static_cast<size_t>(s)]) continue;
      // System s is searched against the systems before it as this run left them. The records
      // of this run go into their own variables: the ones prepared before the first run still
      // describe the project's unchanged systems for the system-0 search of the next run, even
      // when this run's channels leave system s no candidate.
      std::vector<std::vector<double>> runFreqs;
      std::vector<TCheckParams> runParams = params;
      PrepareCandidates(*copy, s, seeker, runCandidates, runFreqs, runParams);
      for (int32_t t = 0; t < systems; ++t)
        seeker.SetContext(runFreqs[static_cast<size_t>(t)], runParams[static_cast<size_t>(t)], t);

      copy->GlCurr(s);
      seeker.SetChosenSide(runParams[static_cast<size_t>(s)]);
      seeker.SetCandidateSide(runParams[static_cast<size_t>(s)]);
      if (CandidateCount(runCandidates) > 0 && wanted(s) >= 1) {
        ran[static_cast<size_t>(s)] = 1;
        const int32_t count = searchSystem(s, wanted(s), runCandidates, found, *copy);
        total += count;
        anySearched = true;
        if (found.size() > 1) outcome.highlighted = count;
        foundSlot = s;
        if (found.size() > 1) copy->GcSystem(s, found[1]->GGetCopy());
      } else {
        starved = true;
      }
    }
    if (starved && !anySearched) {
      busy("Testing", 1.0);
      outcome.status = GenerateStatus::kNoFreeFrequencies;
      outcome.proposals = nullptr;
      return outcome;
    }

    outcome.mostNew = std::max(outcome.mostNew, copy->GlGetOverallMics() - existing);
    // The pruning of candidates protects each new channel with the widths of the system being
    // searched. Where the systems' types protect with different widths, a product landing on a
    // channel of another system can slip through; such a run is not offered as a proposal
    // unless the project was incompatible to begin with. Beyond two systems a run keeps what
    // passes the check instead, so that one system's slip does not void the others' channels.
    if (verifyRuns && total > 0 && systems > 2 && lMode == kSearchRandom) {
      KeepWhatPasses(*copy, project);
      total = 0;
      for (int32_t s = 0; s < systems; ++s)
        if (ran[static_cast<size_t>(s)]) total += copy->GcSystem(s)->GcMics()->GCount();
    }
    if (verifyRuns && total > 0 && !IsCompatible(*copy)) total = 0;
    best = std::max(best, total);

    if (lMode == kSearchRandom && total > 0) {
      copy->GSortAllMics();
      if (!IsDuplicate(*proposals, *copy)) RankProposal(*proposals, copy, lKeep);
    }
    if (lMode == kSearchSystematic || optimising) {
      // Each kept set of the system searched last gives one proposal. When the later systems
      // were left without candidates, the sets are system 0's and go into system 0's slot.
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

  return Finished(std::move(outcome));
}

}  // namespace kova
