#include "model/CProject.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "tools/BinaryFile.h"
#include "tools/TextFile.h"
#include "tools/Tools.h"

namespace kova {

// ---- CSystemInstance ----

void CSystemInstance::GcSystemType(TypeRef CBasedOn) {
  type_ = std::move(CBasedOn);
  const CSpectrum& grid = *type_->GxSpectrum();
  for (int32_t i = 1; i <= mics_->GCount(); ++i) {
    CMicInstance& m = *mics_->GcItem(i);
    m.GfSetFreq(grid.GfGetFreqNext(m.GfGetFreq()));
  }
  bDefined_ = true;
}

bool CSystemInstance::GHasEqualFreqs(const CSystemInstance& cSystem) const {
  const CMicCollection& a = *mics_;
  const CMicCollection& b = *cSystem.mics_;
  if (a.GCount() != b.GCount()) return false;
  for (int32_t i = 1; i <= a.GCount(); ++i)
    if (a.GcItem(i)->GfGetFreq() != b.GcItem(i)->GfGetFreq()) return false;
  return true;
}

int32_t CSystemInstance::GWriteToFile(BinaryWriter& file) const {
  file.WriteInt32(0);
  type_->GWriteToFile(file);
  mics_->GWriteToFile(file);
  return 0;
}

int32_t CSystemInstance::GReadFromFile(BinaryReader& file) {
  int32_t version = 0;
  if (!file.ReadInt32(version) || version != 0) return -1;
  auto type = std::make_shared<CSystemType>();
  type_ = type;
  if (type->GReadFromFile(file) != 0) return -1;
  auto mics = std::make_shared<CMicCollection>();
  mics_ = mics;
  if (mics->GReadFromFile(file) != 0) return -1;
  bDefined_ = true;
  return 0;
}

std::shared_ptr<CSystemInstance> CSystemInstance::GGetCopy() const {
  auto c = std::make_shared<CSystemInstance>();
  c->GDefine(type_->GGetCopy());
  c->GcMics(mics_->GGetCopy());
  c->addCount_ = addCount_;
  c->lZone_ = lZone_;
  return c;
}

void CSystemInstance::GDefine(TypeRef XBasedOn) {
  type_ = std::move(XBasedOn);
  mics_ = std::make_shared<CMicCollection>();
  mics_->GDefine();
  bDefined_ = true;
}

void CSystemInstance::GExport(TextSink& out) const {
  out.Line("System: " + type_->GsGetLabel());
  if (TL_IsExpert()) {
    out.Line("Checked For: ");
    for (int32_t k : {kCheckSpectrum, kCheckSpacing, kCheck2TxIM3, kCheck2TxIM5, kCheck3TxIM3}) {
      std::string label = TL_Trim(MN_GetCheckLabel(k));
      if (label.size() < 24) label.append(24 - label.size(), ' ');
      out.Line(" " + label + ": " + (type_->GbCheckFlag(k) ? "On" : "Off") + "\t" +
               TL_FormatNumber(type_->GfBandwidth(k), "##0.000"));
    }
  }
  out.Line();
  out.Line("Channel configuration: " + TL_Str(mics_->GCount()));
  for (int32_t i = 1; i <= mics_->GCount(); ++i) out.Line(" " + TL_Trim(mics_->GcItem(i)->GsGetDescription(5)));
  out.Line();
}

// ---- CProject ----

void CProject::CheckSlot(int32_t index) const {
  if (index < 0 || index >= GlSlots()) throw std::out_of_range("Subscript out of range");
}

void CProject::GlCurr(int32_t index) {
  CheckSlot(index);
  lCurr_ = index;
}

const SystemRef& CProject::GcSystem(int32_t iIndex0) const {
  CheckSlot(iIndex0);
  return systems_[static_cast<size_t>(iIndex0)];
}

const SpectrumRef& CProject::GcSpectrumOf(int32_t iIndex0) const {
  CheckSlot(iIndex0);
  return spectra_[static_cast<size_t>(iIndex0)];
}

void CProject::GcSystem(int32_t iIndex0, SystemRef system) {
  CheckSlot(iIndex0);
  systems_[static_cast<size_t>(iIndex0)] = std::move(system);
}

void CProject::GcSpectrumOf(int32_t iIndex0, SpectrumRef spectrum) {
  CheckSlot(iIndex0);
  spectra_[static_cast<size_t>(iIndex0)] = std::move(spectrum);
}

int32_t CProject::GAddSystem(SystemRef system, SpectrumRef spectrum) {
  if (!bSecondSystem_) {
    systems_.resize(2);
    spectra_.resize(2);
    systems_[1] = std::move(system);
    spectra_[1] = std::move(spectrum);
    if (lCurr_ > 1) lCurr_ = 0;
    bSecondSystem_ = true;
    return 1;
  }
  if (GlSlots() >= kMaxSystems) return -1;
  systems_.push_back(std::move(system));
  spectra_.push_back(std::move(spectrum));
  return GlSlots() - 1;
}

void CProject::GKeepTwoSlots() {
  if (GlSlots() <= 2) return;
  systems_.resize(2);
  spectra_.resize(2);
  if (lCurr_ > 1) lCurr_ = 0;
}

bool CProject::GRemoveSystem(int32_t k) {
  const int32_t used = GlSystems();
  if (k < 0 || k >= used || used < 2) return false;
  if (used == 2) {
    if (k == 0) {
      std::swap(systems_[0], systems_[1]);
      std::swap(spectra_[0], spectra_[1]);
    }
    // The removed system stays behind in slot 1 switched off, as a second system does, but
    // without its channels: removed means they no longer exist anywhere in the project.
    systems_[1]->GcMics(std::make_shared<CMicCollection>());
    bSecondSystem_ = false;
    lCurr_ = 0;
    return true;
  }
  systems_.erase(systems_.begin() + k);
  spectra_.erase(spectra_.begin() + k);
  if (lCurr_ > k || lCurr_ >= GlSlots()) --lCurr_;
  return true;
}

int32_t CProject::GlGetOverallMics() const {
  int32_t n = 0;
  for (int32_t s = 0; s < GlSystems(); ++s) n += systems_[static_cast<size_t>(s)]->GcMics()->GCount();
  return n;
}

void CProject::GGetOverallMinMax(float& fMinFreq, float& fMaxFreq) const {
  MicsRef all = GetAllMics();
  for (int32_t i = 1; i <= all->GCount(); ++i) {
    float f = all->GcItem(i)->GfGetFreq();
    if (!(f >= fMinFreq)) fMinFreq = f;
    if (f > fMaxFreq) fMaxFreq = f;
  }
}

void CProject::GSortAllMics() {
  for (int32_t s = 0; s < GlSystems(); ++s) systems_[static_cast<size_t>(s)]->GcMics()->GSortMics(false);
}

std::shared_ptr<CProject> CProject::GGetCopy() const {
  auto c = std::make_shared<CProject>();
  c->spectra_.resize(spectra_.size());
  c->systems_.resize(systems_.size());
  for (size_t s = 0; s < systems_.size(); ++s) {
    c->spectra_[s] = spectra_[s] ? spectra_[s]->GGetCopy() : nullptr;
    c->systems_[s] = systems_[s] ? systems_[s]->GGetCopy() : nullptr;
  }
  c->lCurr_ = lCurr_;
  c->bSecondSystem_ = bSecondSystem_;
  c->zones_ = zones_;
  return c;
}

MicsRef CProject::GetAllMics() const {
  auto all = std::make_shared<CMicCollection>();
  all->GDefine();
  for (int32_t s = 0; s < GlSystems(); ++s) {
    const CMicCollection& mics = *systems_[static_cast<size_t>(s)]->GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i) all->GAddMicX(mics.GcItem(i)->GGetCopy());
  }
  return all;
}

bool CProject::IsCheckActive(int32_t eCheck) const {
  for (int32_t s = 0; s < GlSystems(); ++s)
    if (systems_[static_cast<size_t>(s)]->GcSystemType()->GbCheckFlag(eCheck)) return true;
  return false;
}

std::string CProject::SystemPrefix(int32_t slot) const {
  if (!bSecondSystem_) return "";
  if (GZoneLayout().zoned) return "[ #" + TL_Str(slot + 1) + ", " + GsZoneName(slot) + "] ";
  return "[ #" + TL_Str(slot + 1) + "] ";
}

ZoneLayout CProject::GZoneLayout() const {
  std::array<int32_t, ZoneLayout::kSlots> zoneOf{};
  const int32_t count = std::min(GlSystems(), ZoneLayout::kSlots);
  for (int32_t s = 0; s < count; ++s)
    zoneOf[static_cast<size_t>(s)] = std::clamp(systems_[static_cast<size_t>(s)]->GlZone(), 1, zones_.GlCount());
  return ZoneLayout::Of(zones_, zoneOf.data(), count);
}

const std::string& CProject::GsZoneName(int32_t slot) const {
  return zones_.GsName(std::clamp(GcSystem(slot)->GlZone(), 1, zones_.GlCount()));
}

bool CProject::GSetSystemZone(int32_t slot, int32_t lZone) {
  if (slot < 0 || slot >= GlSlots() || lZone < 1 || lZone > CZones::kMaxZones) return false;
  if (lZone > zones_.GlCount()) zones_.GlCount(lZone);
  systems_[static_cast<size_t>(slot)]->GlZone(lZone);
  return true;
}

int32_t CProject::GWriteToFile(BinaryWriter& file) const {
  file.WriteInt32(0);
  int32_t count = GlSystems();
  file.WriteInt32(count);
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    systems_[i]->GWriteToFile(file);
    spectra_[i]->GWriteToFile(file);
  }
  return 0;
}

int32_t CProject::GReadFromFile(BinaryReader& file) {
  int32_t version = 0, count = 0;
  if (!file.ReadInt32(version) || version != 0) return -1;
  if (!file.ReadInt32(count) || count < 1 || count > kMaxSystems) return -1;
  GbSecondSystem(count >= 2);
  // With one system the second slot keeps what it holds; beyond two, a slot per system.
  systems_.resize(static_cast<size_t>(std::max(count, 2)));
  spectra_.resize(systems_.size());
  lCurr_ = 0;
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    auto system = std::make_shared<CSystemInstance>();
    if (system->GReadFromFile(file) != 0) return -1;
    systems_[i] = system;
    if (!spectra_[i]) spectra_[i] = std::make_shared<CSpectrum>();
    if (spectra_[i]->GReadFromFile(file) != 0) return -1;
  }
  GlCurr(0);
  return 0;
}

void CProject::GExport(TextSink& out, int32_t n, const std::vector<std::string>& notes) const {
  if (!bSecondSystem_) {
    if (n > 0) out.Line("------------------ System Proposal #" + TL_Str(n) + " ---------------------------------------");
    out.Line("Compatible Channels: " + TL_Str(GcCurrSystem()->GcMics()->GCount()));
    for (const std::string& note : notes) out.Line(note);
    out.Line();
    systems_[0]->GExport(out);
    return;
  }
  const int32_t systems = GlSystems();
  if (n > 0)
    out.Line(std::string("------------------ ") + (systems == 2 ? "Dual" : "Multi") + "-System Proposal #" + TL_Str(n) +
             " ---------------------------------------");
  out.Line("Overall Compatible Channels: " + TL_Str(GlGetOverallMics()));
  for (const std::string& note : notes) out.Line(note);
  out.Line();
  // With systems in several zones, the systems of each zone follow the zone's name.
  const bool zoned = GZoneLayout().zoned;
  std::vector<bool> used(static_cast<size_t>(zones_.GlCount()) + 1, false);
  bool first = true;
  for (int32_t z = 1; z <= (zoned ? zones_.GlCount() : 1); ++z) {
    for (int32_t s = 0; s < systems; ++s) {
      const CSystemInstance& system = *systems_[static_cast<size_t>(s)];
      if (zoned && std::clamp(system.GlZone(), 1, zones_.GlCount()) != z) continue;
      if (!first) out.Line();
      first = false;
      if (zoned && !used[static_cast<size_t>(z)]) {
        used[static_cast<size_t>(z)] = true;
        out.Line("Zone " + TL_Str(z) + ": " + zones_.GsName(z));
        out.Line();
      }
      out.Line("System #" + TL_Str(s + 1));
      out.Line("Compatible Channels: " + TL_Str(system.GcMics()->GCount()));
      out.Line();
      system.GExport(out);
    }
  }
  if (!zoned) return;
  const CZones::RelationTable effective = zones_.GEffective();
  for (int32_t a = 1; a <= zones_.GlCount(); ++a)
    for (int32_t b = a + 1; b <= zones_.GlCount(); ++b)
      if (used[static_cast<size_t>(a)] && used[static_cast<size_t>(b)]) out.Line(zones_.GsPairText(a, b, effective));
  out.Line();
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

}  // namespace kova
