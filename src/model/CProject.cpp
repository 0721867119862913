#include "model/CProject.h"

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

void CProject::GlCurr(int32_t index) {
  if (index < 0 || index > 1) throw std::out_of_range("Subscript out of range");
  lCurr_ = index;
}

const SystemRef& CProject::GcSystem(int32_t iIndex0) const {
  if (iIndex0 < 0 || iIndex0 > 1) throw std::out_of_range("Subscript out of range");
  return systems_[iIndex0];
}

const SpectrumRef& CProject::GcSpectrumOf(int32_t iIndex0) const {
  if (iIndex0 < 0 || iIndex0 > 1) throw std::out_of_range("Subscript out of range");
  return spectra_[iIndex0];
}

void CProject::GcSystem(int32_t iIndex0, SystemRef system) {
  if (iIndex0 < 0 || iIndex0 > 1) throw std::out_of_range("Subscript out of range");
  systems_[iIndex0] = std::move(system);
}

void CProject::GcSpectrumOf(int32_t iIndex0, SpectrumRef spectrum) {
  if (iIndex0 < 0 || iIndex0 > 1) throw std::out_of_range("Subscript out of range");
  spectra_[iIndex0] = std::move(spectrum);
}

int32_t CProject::GlGetOverallMics() const {
  int32_t n = systems_[0]->GcMics()->GCount();
  if (bSecondSystem_) n += systems_[1]->GcMics()->GCount();
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
  systems_[0]->GcMics()->GSortMics(false);
  if (bSecondSystem_) systems_[1]->GcMics()->GSortMics(false);
}

std::shared_ptr<CProject> CProject::GGetCopy() const {
  auto c = std::make_shared<CProject>();
  for (int32_t s = 0; s <= 1; ++s) {
    c->spectra_[s] = spectra_[s] ? spectra_[s]->GGetCopy() : nullptr;
    c->systems_[s] = systems_[s] ? systems_[s]->GGetCopy() : nullptr;
  }
  c->lCurr_ = lCurr_;
  c->bSecondSystem_ = bSecondSystem_;
  return c;
}

MicsRef CProject::GetAllMics() const {
  auto all = std::make_shared<CMicCollection>();
  all->GDefine();
  for (int32_t s = 0; s < GlSystems(); ++s) {
    const CMicCollection& mics = *systems_[s]->GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i) all->GAddMicX(mics.GcItem(i)->GGetCopy());
  }
  return all;
}

bool CProject::IsCheckActive(int32_t eCheck) const {
  if (systems_[0]->GcSystemType()->GbCheckFlag(eCheck)) return true;
  return bSecondSystem_ && systems_[1]->GcSystemType()->GbCheckFlag(eCheck);
}

std::string CProject::SystemPrefix(int32_t slot) const {
  return bSecondSystem_ ? "[ #" + TL_Str(slot + 1) + "] " : "";
}

int32_t CProject::GWriteToFile(BinaryWriter& file) const {
  file.WriteInt32(0);
  int32_t count = GlSystems();
  file.WriteInt32(count);
  for (int32_t i = 0; i < count; ++i) {
    systems_[i]->GWriteToFile(file);
    spectra_[i]->GWriteToFile(file);
  }
  return 0;
}

int32_t CProject::GReadFromFile(BinaryReader& file) {
  int32_t version = 0, count = 0;
  if (!file.ReadInt32(version) || version != 0) return -1;
  if (!file.ReadInt32(count) || count < 1 || count > 2) return -1;
  GbSecondSystem(count == 2);
  for (int32_t i = 0; i < count; ++i) {
    auto system = std::make_shared<CSystemInstance>();
    if (system->GReadFromFile(file) != 0) return -1;
    systems_[i] = system;
    if (!spectra_[i]) spectra_[i] = std::make_shared<CSpectrum>();
    if (spectra_[i]->GReadFromFile(file) != 0) return -1;
  }
  GlCurr(0);
  return 0;
}

void CProject::GExport(TextSink& out, int32_t n) const {
  if (!bSecondSystem_) {
    if (n > 0) out.Line("------------------ System Proposal #" + TL_Str(n) + " ---------------------------------------");
    out.Line("Compatible Channels: " + TL_Str(GcCurrSystem()->GcMics()->GCount()));
    out.Line();
    systems_[0]->GExport(out);
    return;
  }
  if (n > 0) out.Line("------------------ Dual-System Proposal #" + TL_Str(n) + " ---------------------------------------");
  out.Line("Overall Compatible Channels: " + TL_Str(GlGetOverallMics()));
  out.Line();
  for (int32_t s = 0; s <= 1; ++s) {
    if (s == 1) out.Line();
    out.Line("System #" + TL_Str(s + 1));
    out.Line("Compatible Channels: " + TL_Str(systems_[s]->GcMics()->GCount()));
    out.Line();
    systems_[s]->GExport(out);
  }
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
