#pragma once
// Shared pieces of the search-preparation, driver and CLI tests: receiver types built for a
// test and an application state around them.

#include <array>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "model/CProject.h"
#include "app/AppState.h"

namespace kova::test {

inline constexpr int32_t kFlagSpectrum = 1, kFlagSpacing = 2, kFlagIM3 = 16;

// A type with one tuning band lo..hi, the given search step, widths per check kind and flag word.
inline TypeRef MakeType(float lo, float hi, float step, std::initializer_list<std::pair<int, float>> widths,
                        int32_t flags, const std::string& label = "Test") {
  std::array<float, 11> bw{};
  for (auto [k, w] : widths) bw[static_cast<size_t>(k)] = w;
  auto type = std::make_shared<CSystemType>();
  type->GDefine(label, label, "", bw, flags, 20.0f, 20.0f, 0.0f, 0.0f, step);
  type->GxSpectrum()->GAddBand(lo, hi, 0.025f);
  return type;
}

// An application state whose system list holds `types` (entry 1 first) and a new project.
inline void InitAppWith(AppState& app, std::vector<TypeRef> types) {
  app.systems = std::move(types);
  MN_NewProject(app);
}

inline void SetSearchSpectrum(CProject& project, int32_t slot, std::initializer_list<std::pair<float, float>> bands) {
  const int32_t keep = project.GlCurr();
  project.GlCurr(slot);
  auto spectrum = std::make_shared<CSpectrum>();
  spectrum->GDefine();
  for (auto [lo, hi] : bands) spectrum->GAddBand(lo, hi, 0.025f);
  project.GcSpectrum(spectrum);
  project.GlCurr(keep);
}

inline void AddChannel(CProject& project, int32_t slot, float f, const std::string& label) {
  project.GcSystem(slot)->GcMics()->GAddMic(label, "Test", f, 0, 0, 0, 0);
}

inline std::vector<float> ChannelFreqs(const CSystemInstance& system) {
  std::vector<float> out;
  for (int32_t i = 1; i <= system.GcMics()->GCount(); ++i) out.push_back(system.GcMics()->GcItem(i)->GfGetFreq());
  return out;
}

// Three grid points 500.000, 500.025, 500.050 inside a search spectrum 499..501, spacing 0.01.
// With 2Tx IM(3) at 0.01 any two are compatible but not all three (the middle one is a product
// of the outer ones): the maximal sets are the three pairs. Without it the points form one set.
inline void InitThreePoints(AppState& app, bool im3) {
  const int32_t flags = kFlagSpectrum | kFlagSpacing | (im3 ? kFlagIM3 : 0);
  InitAppWith(app, {MakeType(500.0f, 500.05f, 0.025f, {{1, 0.01f}, {4, 0.01f}}, flags)});
  SetSearchSpectrum(*app.project, 0, {{499.0f, 501.0f}});
  SetSearchSpectrum(*app.project, 1, {{499.0f, 501.0f}});
}

}  // namespace kova::test
