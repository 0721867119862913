#pragma once
// Shared pieces of the search-preparation, driver and CLI tests: receiver types built for a
// test, an application state around them, and an independent compatibility reference that
// applies the check's rules to every product of every pair and triple (no kilohertz merging).

#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "model/CProject.h"
#include "persistence/AppState.h"

namespace kova::test {

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

// Flag words.
inline constexpr int32_t kFlagSpectrum = 1, kFlagSpacing = 2, kFlagIM3 = 16, kFlag3Tx = 32, kFlagIM5 = 512;

// An application state whose system list holds `types` (entry 1 first) and a new project.
inline void InitAppWith(AppState& app, std::vector<TypeRef> types) {
  app.systems = std::move(types);
  MN_NewProject(app);
}

// Replaces the search spectrum of slot `slot` by the given bands.
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
  const CMicCollection& mics = *system.GcMics();
  for (int32_t i = 1; i <= mics.GCount(); ++i) out.push_back(mics.GcItem(i)->GfGetFreq());
  return out;
}

// One problem found by the reference check, for the failure message.
struct Problem {
  int32_t system;
  float freq;
  std::string what;
};

// The check's rules, applied independently: every channel of a system whose type checks the
// spectrum fits into that slot's search spectrum; no product whose kind the channel's own type
// checks lies within its width minus 0.002 MHz (0 + 0.002 for width 0). Products are formed from
// every pair and triple of all channels of the project (both systems when the second is on), for
// every kind switched on in any system, inside 0..1000 MHz, and compared in single precision.
inline std::vector<Problem> ReferenceCheck(const CProject& project) {
  std::vector<Problem> problems;
  struct Channel {
    double f;
    int32_t system;
    int32_t index;
  };
  std::vector<Channel> all;
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i) all.push_back({mics.GcItem(i)->GfGetFreq(), s, i});
  }
  auto active = [&](int32_t kind) {
    for (int32_t s = 0; s < project.GlSystems(); ++s)
      if (project.GcSystem(s)->GcSystemType()->GbCheckFlag(kind)) return true;
    return false;
  };
  struct Product {
    double f;
    int32_t kind;
    int32_t ownerSystem, ownerIndex;  // for "Channel" products
  };
  std::vector<Product> products;
  auto add = [&](double f, int32_t kind, int32_t s = -1, int32_t i = -1) {
    if (f >= 0 && f <= 1000) products.push_back({f, kind, s, i});
  };
  if (active(1))
    for (const Channel& c : all) add(c.f, 1, c.system, c.index);
  const size_t n = all.size();
  for (size_t a = 0; a < n; ++a) {
    for (size_t b = a + 1; b < n; ++b) {
      const double f1 = all[a].f, f2 = all[b].f;
      if (active(4)) {
        add(2 * f1 - f2, 4);
        add(2 * f2 - f1, 4);
      }
      if (active(9)) {
        add(3 * f1 - 2 * f2, 9);
        add(3 * f2 - 2 * f1, 9);
      }
      if (active(5))
        for (size_t c = b + 1; c < n; ++c) {
          const double f3 = all[c].f;
          add(f1 + f2 - f3, 5);
          add(f3 + (f1 - f2), 5);
          add(f3 + (f2 - f1), 5);
        }
    }
  }
  for (const Channel& c : all) {
    const CSystemType& type = *project.GcSystem(c.system)->GcSystemType();
    const float f = static_cast<float>(c.f);
    if (type.GbCheckFlag(0) && !project.GcSpectrumOf(c.system)->GIsFreqAvailable(f, type.GfBandwidth(0)))
      problems.push_back({c.system, f, "outside the search spectrum"});
    for (const Product& p : products) {
      if (!type.GbCheckFlag(p.kind)) continue;
      if (p.kind == 1 && p.ownerSystem == c.system && p.ownerIndex == c.index) continue;
      const float w = type.GfBandwidth(p.kind);
      const float wd = w > 0 ? w - 0.002f : w + 0.002f;
      const float pf = static_cast<float>(p.f);
      if (pf - wd <= f && f <= pf + wd) {
        problems.push_back({c.system, f, "hit by a product of kind " + std::to_string(p.kind) + " at " + std::to_string(pf)});
        break;
      }
    }
  }
  return problems;
}

inline std::string Describe(const std::vector<Problem>& problems) {
  std::string text;
  for (const Problem& p : problems)
    text += "system " + std::to_string(p.system) + " channel " + std::to_string(p.freq) + ": " + p.what + "\n";
  return text;
}

}  // namespace kova::test
