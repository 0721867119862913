#include "app/RegionCommands.h"

#include "files/Defaults.h"
#include "files/RegionTables.h"
#include "tools/Tools.h"

namespace kova {

void MN_LoadUserCountries(AppState& app) {
  std::vector<std::string> builtIn;
  for (const CountryRef& table : MN_CountryTables()) builtIn.push_back(table->GsGetLabel());
  RegionFolderRead read = MN_ReadRegionFolder(app.CountryDir(), builtIn);
  app.userCountries = std::move(read.tables);
  app.countryErrors = std::move(read.errors);
}

CountryRef MN_FindCountry(const AppState& app, const std::string& name, std::string& error) {
  for (const CountryRef& table : app.countries)
    if (table->GsGetLabel() == name) return table;
  const std::string lower = TL_ToLower(name);
  for (const CountryRef& table : app.countries)
    if (TL_ToLower(table->GsGetLabel()) == lower) return table;
  std::vector<CountryRef> fits;
  for (const CountryRef& table : app.countries)
    if (!lower.empty() && TL_ToLower(table->GsGetLabel()).rfind(lower, 0) == 0) fits.push_back(table);
  if (fits.size() == 1) return fits[0];
  std::string names;
  for (const CountryRef& table : fits.empty() ? app.countries : fits)
    names += (names.empty() ? "\"" : ", \"") + table->GsGetLabel() + "\"";
  error = fits.empty() ? "no table \"" + name + "\" (known: " + names + ")"
                       : "\"" + name + "\" fits several tables: " + names;
  return nullptr;
}

std::vector<int32_t> MN_SystemsInUse(const CProject& project) {
  std::vector<int32_t> slots;
  for (int32_t s = 0; s < project.GlSystems(); ++s) slots.push_back(s);
  return slots;
}

void MN_PutSearchBands(CProject& project, const std::vector<int32_t>& slots, const CSpectrum& bands, bool keepOwn) {
  for (int32_t s : slots) {
    SpectrumRef spectrum = keepOwn ? project.GcSpectrumOf(s)->GGetCopy() : std::make_shared<CSpectrum>();
    if (!keepOwn) spectrum->GDefine();
    for (int32_t i = 1; i <= bands.GlBands(); ++i) spectrum->GxAddBand(bands.GxGetBand(i)->GGetCopy());
    project.GcSpectrumOf(s, spectrum);
  }
}

void MN_ShareNewBands(CProject& project, int32_t kept, bool keepOwn) {
  const CSpectrum& current = *project.GcSpectrum();
  CSpectrum added;
  added.GDefine();
  for (int32_t i = kept + 1; i <= current.GlBands(); ++i) added.GxAddBand(current.GxGetBand(i)->GGetCopy());
  std::vector<int32_t> others;
  for (int32_t s : MN_SystemsInUse(project))
    if (s != project.GlCurr()) others.push_back(s);
  MN_PutSearchBands(project, others, added, keepOwn);
}

}  // namespace kova
