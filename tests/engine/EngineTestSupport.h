#pragma once
// Project building blocks for the engine tests.

#include <string>
#include <vector>

#include "engine/TcCheckHandler.h"
#include "app/AppState.h"
#include "support/TestSupport.h"
#include "tools/TextFile.h"

namespace kova::test {

// An application state with the built-in types and a new project: slot 0 current, second system
// off, both systems of the first built-in type, search spectra 10..1000 MHz.
inline AppState NewApp() {
  AppState app;
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
  return app;
}

inline CSystemType& TypeOf(AppState& app, int32_t slot) { return *app.project->GcSystem(slot)->GcSystemType(); }

// Flag word and one width for every check kind of the type of `slot`.
inline void SetChecks(AppState& app, int32_t slot, int32_t flags, float width) {
  CSystemType& type = TypeOf(app, slot);
  type.GlSetFlags(flags);
  for (int32_t k = 0; k <= 10; ++k) type.GfBandwidth(k, width);
}

inline int32_t AddMic(AppState& app, int32_t slot, float freq, const std::string& label = "") {
  CMicCollection& mics = *app.project->GcSystem(slot)->GcMics();
  std::string name = label.empty() ? "Mic" + std::to_string(mics.GCount() + 1) : label;
  return mics.GAddMic(name, "T", freq, 0, 0, 0, 0);
}

// The lines a full check reports, in order.
inline std::vector<std::string> CheckLines(const CProject& project) {
  StringSink sink;
  TcCheckHandler handler;
  handler.GInit(&sink, false, false, true);
  project.RunChecks(handler);
  return SplitCrLf(sink.Text());
}

}  // namespace kova::test
