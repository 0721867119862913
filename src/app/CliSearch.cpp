// kova-cli candidates and generate: the prepared candidate list of a system, and the frequency
// search as the Generate command runs it, with the proposal report on stdout or in a file.

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "app/CliSupport.h"
#include "app/ConsolePort.h"
#include "app/Storage.h"
#include "reports/TextReports.h"
#include "app/Generate.h"
#include "search/SearchPreparation.h"
#include "search/Seeker_Module.h"
#include "tools/AtomicFile.h"
#include "tools/Encoding.h"
#include "tools/TextFile.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// Limits of the Generate command's text boxes.
constexpr int64_t kMaxRuns = 1000000;
constexpr int64_t kMaxChannels = 100;
constexpr int64_t kMaxResults = 1000;
// Default and longest time budget of the optimising search.
constexpr double kOptimiseSeconds = 3.0;
constexpr int kMaxSeconds = 86400;

// Reads option `name` as a number of seconds above 0 and at most a day (`fallback` when absent).
bool ReadSeconds(const CliArgs& args, const std::string& name, double fallback, double& value, std::ostream& err) {
  value = fallback;
  auto it = args.options.find(name);
  if (it == args.options.end()) return true;
  const std::string& text = it->second;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !(value > 0) || value > kMaxSeconds) {
    err << "kova-cli: option " << name << " needs a number of seconds above 0 and at most " << kMaxSeconds
        << ", not '" << TL_ShowName(text) << "'\n";
    return false;
  }
  return true;
}

// How the optimising search went for one system, as one line.
std::string OptimiseLine(const OptimiseSummary& s) {
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "kova-cli: optimise: %d channels for system %d in %.2f s (best after %.2f s, %lld rounds), "
                "upper bound %d%s\n",
                s.best, s.system + 1, s.seconds, s.secondsToBest, static_cast<long long>(s.rounds), s.upperBound,
                s.optimal ? ", optimal" : (s.aborted ? ", stopped" : (s.complete ? ", complete" : "")));
  return buf;
}

// How the search of several systems together went in all, as one line.
std::string JointLine(const JointSummary& s) {
  int32_t wanted = 0;
  for (int32_t w : s.wanted) wanted += w;
  char buf[256];
  std::snprintf(buf, sizeof buf, "kova-cli: optimise: %d of %d requested channels in all, upper bound %d%s\n", s.total,
                wanted, s.totalBound, s.optimal ? ", optimal" : (s.aborted ? ", stopped" : (s.complete ? ", complete" : "")));
  return buf;
}

// One --add-to SYSTEM=COUNT: the count (0 … 100) for that system of the project.
// False with one line on `err` for a malformed text or a system the project does not have.
bool ReadAddTo(const std::string& text, std::vector<int32_t>& counts, std::ostream& err) {
  const size_t eq = text.find('=');
  int64_t system = -1, count = 0;
  if (eq == std::string::npos || !CLI_ParseWhole(text.substr(0, eq), system) ||
      !CLI_ParseWhole(text.substr(eq + 1), count)) {
    err << "kova-cli: option --add-to needs SYSTEM=COUNT (whole numbers), not '" << TL_ShowName(text) << "'\n";
    return false;
  }
  if (system < 0 || system >= static_cast<int64_t>(counts.size())) {
    err << "kova-cli: option --add-to " << TL_ShowName(text) << ": the project has no system " << system << " (systems 0 to "
        << counts.size() - 1 << ")\n";
    return false;
  }
  if (count < 0 || count > kMaxChannels) {
    err << "kova-cli: option --add-to " << TL_ShowName(text) << ": the count needs a whole number from 0 to " << kMaxChannels
        << "\n";
    return false;
  }
  counts[static_cast<size_t>(system)] = static_cast<int32_t>(count);
  return true;
}

std::string CandidateLine(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6f\n", value);
  return buf;
}

// Writes `bytes` to `path` whole or not at all; false with one line on `err` when that fails.
bool WriteOutputFile(const std::string& path, const std::string& bytes, std::ostream& err) {
  try {
    AtomicFile file(path);
    file.Write(bytes);
    file.Commit();
  } catch (const std::exception& e) {
    CLI_WriteFailure(path, e, err);
    return false;
  }
  return true;
}

}  // namespace

int CLI_Candidates(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  if (!CLI_ParseArgs(args, {"--system"}, {}, a, err)) return 2;
  AppState app;
  int32_t system = 0;
  // At least two system slots exist; with the second system off, slot 1 holds the new-project
  // defaults and is prepared against system 0's channels only.
  if (!CLI_LoadProject(a, app, err) || !CLI_ReadSystem(a, "--system", app.project->GlSlots(), 0, system, err))
    return 2;

  Seeker_Module seeker(TL_Port());
  std::vector<double> candidates, freqs0, freqs1;
  TCheckParams params0{}, params1{};
  PrepareCandidates(*app.project, system, seeker, candidates, freqs0, params0, freqs1, params1);
  const int32_t count = CandidateCount(candidates);
  if (count == 0) {
    err << "kova-cli: Search Spectrum Invalid: No free frequencies left.\n";
    return 1;
  }
  std::string text;
  for (int32_t i = 1; i <= count; ++i) text += CandidateLine(candidates[static_cast<size_t>(i)]);
  out << text;
  return 0;
}

int CLI_Generate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  if (!CLI_ParseArgs(args,
                     CliGrammar{{"--runs", "--keep", "--add", "--add2", "--add-to", "--seed", "--report", "--apply",
                                 "--seconds"},
                                {"--systematic", "--optimise"},
                                {"--add-to"}},
                     a, err))
    return 2;
  const bool optimise = a.Has("--optimise");
  double seconds = 0;
  if (!ReadSeconds(a, "--seconds", kOptimiseSeconds, seconds, err)) return 2;
  if (optimise && a.Has("--systematic")) {
    err << "kova-cli: --optimise and --systematic exclude each other\n";
    return 2;
  }
  // The limits of the Generate command's text boxes; the seed is any 32-bit value.
  int64_t runs = 0, keep = 0, add = 0, add2 = 0, seedValue = 0;
  if (!CLI_ReadWhole(a, "--runs", 100, 1, kMaxRuns, runs, err) ||
      !CLI_ReadWhole(a, "--keep", 10, 1, kMaxResults, keep, err) ||
      !CLI_ReadWhole(a, "--add", 10, 0, kMaxChannels, add, err) ||
      !CLI_ReadWhole(a, "--add2", 10, 0, kMaxChannels, add2, err) ||
      !CLI_ReadWhole(a, "--seed", 0, 0, 0xFFFFFFFFLL, seedValue, err))
    return 2;
  std::optional<uint32_t> seed;
  if (a.options.count("--seed")) seed = static_cast<uint32_t>(seedValue);
  const auto lKeep = static_cast<int32_t>(std::min(runs, keep));

  const std::string reportFile = a.Option("--report");
  const std::string applyFile = a.Option("--apply");
  AppState app;
  if (!CLI_CheckTargets(a, {"--apply", "--report"}, err) || !CLI_LoadProject(a, app, err)) return 2;
  // Channels per system: --add and --add2 for the first two, 10 for the others, then each
  // --add-to SYSTEM=COUNT in the order given.
  std::vector<int32_t> counts(static_cast<size_t>(app.project->GlSystems()), kDefaultAddCount);
  counts[0] = static_cast<int32_t>(add);
  if (counts.size() > 1) counts[1] = static_cast<int32_t>(add2);
  if (auto it = a.repeated.find("--add-to"); it != a.repeated.end())
    for (const std::string& text : it->second)
      if (!ReadAddTo(text, counts, err)) return 2;
  int64_t most = app.project->GlGetOverallMics();
  for (int32_t c : counts) most += c;
  if (most > kMaxProjectChannels) {
    err << "kova-cli: " << TL_ShowName(a.project) << ": the search could make the project hold "
        << TL_GroupedNumber(most) << " channels; a project holds at most " << TL_GroupedNumber(kMaxProjectChannels) << "\n";
    return 2;
  }

  ConsolePort port(err, seed);
  port.echoAllMessages = true;  // the search's messages are its answer
  PortScope scope(port);

  bool systematic = a.Has("--systematic");
  if (systematic && app.project->GbSecondSystem()) {
    err << "kova-cli: --systematic searches one-system projects only; running the random search\n";
    systematic = false;
  }
  // Ctrl+C stops the search as the progress box's abort would; what it found until then is still
  // reported and saved, each file whole, and the exit code then says that it was interrupted.
  InterruptScope interrupt;
  auto finish = [&err](int code) {
    if (!InterruptScope::Interrupted() || code == 2) return code;
    err << "kova-cli: interrupted, the search was stopped\n";
    return 130;
  };
  GenerateOutcome outcome;
  if (optimise) {
    // With a seed the budget becomes a fixed amount of work, so that the result is reproducible.
    OptimiseSettings settings;
    settings.seconds = seconds;
    settings.threads = 2;
    if (seed) settings.rounds = OptimiseRoundsFor(seconds);
    outcome = GenerateProposals(app, 1, static_cast<int32_t>(keep), counts, kShowProposals, kSearchOptimise, settings);
    for (const OptimiseSummary& summary : outcome.optimised) err << OptimiseLine(summary);
    if (outcome.joint) err << JointLine(*outcome.joint);
  } else if (systematic) {
    outcome = GenerateProposals(app, 1, lKeep, counts[0], 0, kShowProposals, kSearchSystematic);
  } else {
    outcome = GenerateProposals(app, static_cast<int32_t>(runs), lKeep, counts, kShowProposals, kSearchRandom);
  }
  if (outcome.status != GenerateStatus::kProposals || !outcome.proposals) return finish(1);
  // Every system the best proposal leaves short of its request, with the bound or the reason.
  err << ShortfallLines(*outcome.proposals->GxGetProject(1), outcome.proposals->GRequests(), false, "kova-cli: ");

  StringSink report;
  MN_WriteReport(report, *outcome.proposals);
  const std::string bytes = TL_Utf8ToAnsi(report.Text());
  // The project first, then the report: a report that is new always goes with a new project.
  if (!applyFile.empty()) {
    // The best proposal, shown on the system the project was saved with.
    ProjectRef best = outcome.proposals->GxGetProject(1)->GGetCopy();
    best->GlCurr(app.project->GlCurr());
    if (!MN_SaveProjectTo(*best, applyFile)) return 2;
  }
  if (reportFile.empty()) {
    out << bytes;
    out.flush();
  } else if (!WriteOutputFile(reportFile, bytes, err)) {
    return 2;
  }
  if (!applyFile.empty()) err << "kova-cli: " << CLI_WrittenLine(applyFile);
  return finish(0);
}

}  // namespace kova
