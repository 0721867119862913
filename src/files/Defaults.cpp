#include "files/Defaults.h"

#include <array>

#include "files/RegionTables.h"

namespace kova {

void MN_InitProject(const std::vector<TypeRef>& systems, CProject& project) {
  TypeRef first = systems.empty() ? std::make_shared<CSystemType>() : systems[0];
  project = CProject();  // the two slots of a new project, whatever it held
  for (int32_t s = 0; s <= 1; ++s) {
    auto system = std::make_shared<CSystemInstance>();
    system->GDefine(first->GGetCopy());
    project.GcSystem(s, system);
  }
  for (int32_t s = 0; s <= 1; ++s) {
    auto spectrum = std::make_shared<CSpectrum>();
    spectrum->GDefine();
    spectrum->GAddBand(10.0f, 1000.0f, 0.025f);
    project.GcSpectrumOf(s, spectrum);
  }
  project.GlCurr(0);
  project.GbSecondSystem(false);
}

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

std::vector<TypeRef> MN_DefaultSystems() {
  std::vector<TypeRef> systems;
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
    systems.push_back(type);
  }
  return systems;
}

std::vector<CountryRef> MN_CountryTables() {
  auto germany = std::make_shared<CCountrySpectrum>();
  germany->GDefine("Germany");
  for (int n = 5; n <= 12; ++n)
    germany->GAddChannel(n, static_cast<float>(174 + 7 * (n - 5)), static_cast<float>(181 + 7 * (n - 5)));
  for (int n = 21; n <= 69; ++n)
    germany->GAddChannel(n, static_cast<float>(470 + 8 * (n - 21)), static_cast<float>(478 + 8 * (n - 21)));
  auto usa = std::make_shared<CCountrySpectrum>();
  usa->GDefine("USA");
  for (int n = 14; n <= 69; ++n)
    usa->GAddChannel(n, static_cast<float>(470 + 6 * (n - 14)), static_cast<float>(476 + 6 * (n - 14)));
  std::vector<CountryRef> tables{germany, usa};
  for (CountryRef& table : MN_RegionTables()) tables.push_back(std::move(table));
  return tables;
}

}  // namespace kova
