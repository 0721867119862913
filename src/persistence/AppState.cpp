#include "persistence/AppState.h"

#include <cstdlib>
#include <filesystem>

#include "tools/PlatformPort.h"

namespace kova {

std::string TL_DefaultAppDirectory() {
  std::string dir;
  if (const char* home = std::getenv("KOVA_HOME"); home && *home) {
    dir = home;
  } else if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
    dir = std::string(data) + "/KOVA";  // the per-user data directory, as the desktop finds it
  } else if (const char* user = std::getenv("HOME"); user && *user) {
    dir = std::string(user) + "/.local/share/KOVA";
  } else {
    dir = "KOVA";
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return TL_AddBackslash(dir);
}

void MN_InitProject(AppState& app, CProject& project) {
  TypeRef first = app.systems.empty() ? std::make_shared<CSystemType>() : app.systems[0];
  for (int32_t s = 0; s <= 1; ++s) {
    project.GlCurr(s);
    auto system = std::make_shared<CSystemInstance>();
    system->GDefine(first->GGetCopy());
    project.GcCurrSystem(system);
  }
  for (int32_t s = 0; s <= 1; ++s) {
    project.GlCurr(s);
    auto spectrum = std::make_shared<CSpectrum>();
    spectrum->GDefine();
    spectrum->GAddBand(10.0f, 1000.0f, 0.025f);
    project.GcSpectrum(spectrum);
  }
  project.GlCurr(0);
  project.GbSecondSystem(false);
}

void MN_NewProject(AppState& app) {
  auto project = std::make_shared<CProject>();
  MN_InitProject(app, *project);
  app.project = project;
  MN_BuildCountryTables(app);
  MN_NewReportCollection(app);
}

void MN_NewReportCollection(AppState& app) {
  app.proposals = std::make_shared<CReportCollection>();
  app.proposals->GDefine();
}

void MN_AppendChannel(CSystemInstance& system) {
  CMicCollection& mics = *system.GcMics();
  if (mics.GCount() > 0) {
    mics.GDuplicateMic(mics.GCount());
    return;
  }
  const CSystemType& type = *system.GcSystemType();
  constexpr int32_t kYellow = 255 + 256 * 255;  // colour 14 of the 16-colour palette
  mics.GAddMic("Mic1", type.GsGetLabel(), type.GxSpectrum()->GfGetFreq(1), kYellow, type.GlGetFlags(), 0, 0);
}

int32_t MN_FindCurrentSystemType(const AppState& app) {
  const std::string& label = app.project->GcCurrSystem()->GcSystemType()->GsGetLabel();
  for (size_t i = 0; i < app.systems.size(); ++i)
    if (app.systems[i]->GsGetLabel() == label) return static_cast<int32_t>(i) + 1;
  return 1;
}

void MN_RefreshViews(int mode) { TL_Port().refreshViews(mode); }

namespace {
struct DefaultType {
  const char* label;
  const char* descr;
  float lo, lo2, step;
  float spacing, receiver, im;
  bool fiveBands;  // else one band 450-960
  bool kestrelBands;
};
}  // namespace

void MN_InstallDefaultSystems(AppState& app) {
  static const DefaultType kTypes[7] = {
      {"Meridian", "R1, R2, R3, R4", -110.6f, 10.8f, 0.1f, 0.4f, 0.0f, 0.1f, true, false},
      {"Kestrel Standard", "R1, R2, R3, R4", 241.0f, 10.7f, 0.1f, 0.4f, 0.1f, 0.1f, true, true},
      {"Kestrel Professional", "R1, R2, R3, R4", 241.0f, 10.7f, 0.05f, 0.4f, 0.1f, 0.05f, true, true},
      {"Osprey Series", "RX-A, RX-B, RX-C", -65.75f, 10.7f, 0.075f, 0.3f, 0.0f, 0.075f, false, false},
      {"Condor Series", "RX-M", -71.0f, 10.7f, 0.05f, 0.3f, 0.0f, 0.05f, false, false},
      {"Swift Monitor", "In-Ear System", -110.6f, 10.8f, 0.2f, 0.4f, 0.0f, 0.2f, true, false},
      {"Heron Monitor", "In-Ear System", 243.0f, 10.7f, 0.2f, 0.4f, 0.0f, 0.2f, false, false},
  };
  static const float kMeridianBands[5][2] = {{518, 550}, {630, 662}, {740, 772}, {790, 822}, {838, 870}};
  static const float kKestrelBands[5][2] = {{518, 554}, {626, 662}, {740, 776}, {786, 822}, {830, 866}};
  app.systems.clear();
  for (const DefaultType& d : kTypes) {
    std::array<float, 11> bw{};
    bw[kCheckSpacing] = d.spacing;
    for (int32_t k : {kCheckLocalOscillator, kCheckReferenceImage, kCheckRefImageHalf, kCheckRefImageThird,
                      kCheck2ndRefImage})
      bw[k] = d.receiver;
    for (int32_t k : {kCheck2TxIM3, kCheck3TxIM3, kCheck2TxIM5}) bw[k] = d.im;
    auto type = std::make_shared<CSystemType>();
    type->GDefine(d.label, d.label, d.descr, bw, 511, 20.0f, 20.0f, d.lo, d.lo2, d.step);
    if (d.fiveBands) {
      const auto& bands = d.kestrelBands ? kKestrelBands : kMeridianBands;
      for (const auto& b : bands) type->GxSpectrum()->GAddBand(b[0], b[1], 0.025f);
    } else {
      type->GxSpectrum()->GAddBand(450.0f, 960.0f, 0.025f);
    }
    app.systems.push_back(type);
  }
}

void MN_BuildCountryTables(AppState& app) {
  app.countries.clear();
  auto germany = std::make_shared<CCountrySpectrum>();
  germany->GDefine("Germany");
  for (int n = 5; n <= 12; ++n)
    germany->GxSpectrum()->GAddBand(static_cast<float>(174 + 7 * (n - 5)), static_cast<float>(181 + 7 * (n - 5)), 1.0f);
  for (int n = 21; n <= 69; ++n)
    germany->GxSpectrum()->GAddBand(static_cast<float>(470 + 8 * (n - 21)), static_cast<float>(478 + 8 * (n - 21)), 1.0f);
  auto usa = std::make_shared<CCountrySpectrum>();
  usa->GDefine("USA");
  for (int n = 14; n <= 69; ++n)
    usa->GxSpectrum()->GAddBand(static_cast<float>(470 + 6 * (n - 14)), static_cast<float>(476 + 6 * (n - 14)), 1.0f);
  app.countries = {germany, usa};
}

double MN_Clamp100(double x) { return x > 100 ? 100 : (x < 0 ? 0 : x); }
double MN_Clamp1000(double x) { return x > 1000 ? 1000 : (x < 0 ? 0 : x); }
double MN_Clamp10To1000(double x) { return x > 1000 ? 1000 : (x < 10 ? 10 : x); }
bool MN_IsFreqInRange(double x) { return x >= 0 && x <= 1000; }
bool MN_IsIMCheckType(int32_t t) { return t == kCheck2TxIM3 || t == kCheck3TxIM3 || t == kCheck2TxIM5; }

}  // namespace kova
