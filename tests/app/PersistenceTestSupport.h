#pragma once
// Shared pieces of the persistence tests: an application state on a temporary directory,
// sample projects, and a writer of record bytes built by hand from the documented layouts
// (independent of the model's own writers).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "tools/BinaryFile.h"

namespace kova::test {

// The built-in types, a new project, `dir` as application directory.
inline void InitApp(AppState& app, const std::string& dir) {
  app.appDir = dir;
  MN_InstallDefaultSystems(app);
  MN_NewProject(app);
}

// A project with channels in system 0 (and, with `twoSystems`, a different type and channels in
// system 1, and its own search spectrum).
inline ProjectRef SampleProject(AppState& app, bool twoSystems) {
  auto p = std::make_shared<CProject>();
  MN_InitProject(app, *p);
  CMicCollection& a = *p->GcSystem(0)->GcMics();
  a.GAddMic("Mic1", "Meridian", 518.2f, 65535, 511, 0, 0);
  a.GAddMic("", "Meridian", 530.0f, 255, 3, 0, 0);
  a.GAddMic("Vocal \xC3\xA9", "Meridian", 640.025f, 16711680, 16, 0, 0);
  p->GcSpectrumOf(0)->GDefine();
  p->GcSpectrumOf(0)->GAddBand(518.0f, 550.0f, 0.025f);
  p->GcSpectrumOf(0)->GAddBand(630.0f, 662.0f, 0.025f);
  if (twoSystems) {
    p->GbSecondSystem(true);
    p->GlCurr(1);
    p->GcCurrSystem()->GDefine(app.systems[3]->GGetCopy());
    p->GcCurrSystem()->GcMics()->GAddMic("IEM1", "Osprey Series", 470.5f, 0, 1023, 0, 0);
    p->GcSpectrum()->GDefine();
    p->GcSpectrum()->GAddBand(470.0f, 480.0f, 0.025f);
    p->GlCurr(0);
  }
  return p;
}

inline std::vector<char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
inline std::string Str(const std::vector<char>& b) { return {b.begin(), b.end()}; }

// Hand-built records.
namespace rec {

inline void Header(BinaryWriter& w, const std::string& magic, const std::string& kind, int16_t oldVersion) {
  w.WriteFixed(magic);
  w.WriteInt16(1);
  w.WriteInt16(20);
  w.WriteFixed(kind);
  w.WriteInt16(oldVersion);
  w.WriteInt32(0);
  w.WriteInt32(1);
  w.WriteInt32(0);
  w.WriteInt32(31);
}

inline void String(BinaryWriter& w, const std::string& ansi) {
  w.WriteInt32(static_cast<int32_t>(ansi.size()));
  w.WriteFixed(ansi);
}

struct Band {
  float lo, hi, step;
};

inline void Spectrum(BinaryWriter& w, const std::vector<Band>& bands) {
  w.WriteInt32(0);
  w.WriteInt32(static_cast<int32_t>(bands.size()));
  for (const Band& b : bands) {
    w.WriteInt32(0);
    w.WriteFloat(b.lo);
    w.WriteFloat(b.hi);
    w.WriteFloat(b.step);
  }
}

struct Type {
  int32_t version = 2;
  std::string fileName = "Hand", label = "Hand Made", descr = "R1";
  std::array<float, 11> bw{0, 0.4f, 0, 0, 0.1f, 0.1f, 0, 0, 0, 0.1f, 0};
  float im2 = 20, im3 = 20, lo = -110.6f, lo2 = 10.8f, step = 0.1f;
  int32_t flags = 511;
  std::vector<Band> bands{{518, 550, 0.025f}};
};

inline void SystemType(BinaryWriter& w, const Type& t) {
  w.WriteInt32(t.version);
  String(w, t.fileName);
  String(w, t.label);
  String(w, t.descr);
  for (float b : t.bw) w.WriteFloat(b);
  w.WriteFloat(t.im2);
  w.WriteFloat(t.im3);
  w.WriteFloat(t.lo);
  w.WriteFloat(t.lo2);
  if (t.version == 2) w.WriteFloat(t.step);
  w.WriteInt32(t.flags);
  Spectrum(w, t.bands);
}

struct Mic {
  float freq;
  int32_t color;
  std::string label;
  int32_t flags;
};

inline void Mics(BinaryWriter& w, const std::vector<Mic>& mics) {
  w.WriteInt32(0);
  w.WriteInt32(static_cast<int32_t>(mics.size()));
  for (const Mic& m : mics) {
    w.WriteInt32(0);
    w.WriteFloat(m.freq);
    w.WriteInt32(m.color);
    String(w, m.label);
    w.WriteInt32(m.flags);
  }
}

inline void SystemInstance(BinaryWriter& w, const Type& t, const std::vector<Mic>& mics) {
  w.WriteInt32(0);
  SystemType(w, t);
  Mics(w, mics);
}

// An old single-system project file of old-format version 1 or 2.
inline std::vector<char> OldProject(int16_t oldVersion, const Type& t, const std::vector<Mic>& mics,
                                    const std::vector<Band>& search) {
  BinaryWriter w;
  Header(w, "ZELTA1", "pr", oldVersion);
  SystemInstance(w, t, mics);
  if (oldVersion == 2) Spectrum(w, search);
  return w.Bytes();
}

}  // namespace rec

}  // namespace kova::test
