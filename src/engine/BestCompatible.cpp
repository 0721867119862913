#include "engine/BestCompatible.h"

#include "engine/TcCheckHandler.h"
#include "model/CProject.h"
#include "tools/PlatformPort.h"
#include "tools/TextFile.h"

namespace kova {

int32_t TL_NextCombination(std::vector<bool>& flags, int32_t k) {
  const int32_t m = static_cast<int32_t>(flags.size());
  int32_t h = m - 1;
  while (h >= 0 && !flags[static_cast<size_t>(h)]) --h;
  if (h < 0) {
    // First call: flag the last k positions.
    if (k < 1 || k > m) return -1;
    for (int32_t i = m - k; i < m; ++i) flags[static_cast<size_t>(i)] = true;
    return 0;
  }
  // The block of flags ending at the highest flagged position moves: the clear position q
  // below it becomes flagged and the rest of the block goes to the top positions.
  int32_t q = h;
  while (q >= 0 && flags[static_cast<size_t>(q)]) --q;
  if (q < 0) return -1;
  const int32_t j = h - q;
  flags[static_cast<size_t>(q)] = true;
  for (int32_t i = q + 1; i < m; ++i) flags[static_cast<size_t>(i)] = i >= m - j + 1;
  return 0;
}

void TL_BestCompatibleSystem(const CProject& project, int32_t iSystem, TextSink& log, PlatformPort& port) {
  double fraction = 0.0;
  port.busy("Testing", fraction, 0);
  const int32_t n = project.GcSystem(iSystem)->GcMics()->GCount();
  std::vector<bool> flags;
  ProjectRef found;
  TcCheckHandler handler;
  for (int32_t kept = n - 1; kept >= 1 && !found; --kept) {
    flags.assign(static_cast<size_t>(n), false);
    fraction = static_cast<double>(n - kept) / n;
    if (!port.busy("Testing", fraction, 0)) return;  // aborted: the log stays as it is
    while (TL_NextCombination(flags, n - kept) == 0) {
      ProjectRef trial = project.GGetCopy();
      CMicCollection& mics = *trial->GcSystem(iSystem)->GcMics();
      for (int32_t i = n - 1; i >= 0; --i)
        if (flags[static_cast<size_t>(i)]) mics.GDelMic(i + 1);
      handler.GInit(nullptr, false, false, false);
      trial->RunChecks(handler);
      if (!handler.GbIncompatible()) {
        found = trial;
        break;
      }
    }
  }
  fraction = 1.0;
  port.busy("Testing", fraction, 0);

  log.Line();
  log.Line();
  log.Line();
  log.Line("------------------ Best Compatible System ---------------------------------------");
  if (found)
    found->GExport(log, 0);
  else
    log.Line("No compatible channel configuration found.");
}

}  // namespace kova
