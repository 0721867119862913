#pragma once
// A kind of wireless receiver system: name, tuning range and grid, local-oscillator offsets,
// search step, and per check kind a switch and a protection width.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "model/CSpectrum.h"
#include "model/TCheckParams.h"

namespace kova {

// Check kinds; the flag bit of kind k is 2^k and k indexes the protection widths.
enum ECheck : int32_t {
  kCheckSpectrum = 0,
  kCheckSpacing = 1,
  kCheckLocalOscillator = 2,
  kCheckReferenceImage = 3,
  kCheck2TxIM3 = 4,
  kCheck3TxIM3 = 5,
  kCheckRefImageHalf = 6,
  kCheckRefImageThird = 7,
  kCheck2ndRefImage = 8,
  kCheck2TxIM5 = 9,
};

// Labels of the ten check kinds; empty for any other value.
std::string MN_GetCheckLabel(int32_t eCheck);
// Label only for the switchable kinds 0, 1, 4, 5, 9; empty otherwise.
std::string TL_GetCheckLabel(int32_t eCheck);

class CSystemType {
 public:
  CSystemType();

  // Only kinds 0, 1, 4, 5 and 9 have a switch; the other bits of the flag word are stored but
  // read as off and ignore writes.
  bool GbCheckFlag(int32_t eCheck) const;
  void GbCheckFlag(int32_t eCheck, bool bNew);
  int32_t GReadFromFile(BinaryReader& file);
  int32_t GWriteToFile(BinaryWriter& file) const;
  void GDefine(const std::string& sLabel, const std::string& sFileName, const std::string& sDescr,
               const std::array<float, 11>& fBandWd, int32_t lDfltFlags, float fIM2, float fIM3, float fLo,
               float fLO2, float fSearchStep_);
  void GsSetLabel(const std::string& sNewLabel) { label_ = sNewLabel; }
  void GsSetFileName(const std::string& sNewFileName) { fileName_ = sNewFileName; }
  void GsSetDescription(const std::string& sNewDescr) { descr_ = sNewDescr; }
  float GfGetIM2Threshold() const { return fIM2_; }
  float GfGetLOFreq() const { return fLo_; }
  float GfGetSearchStep() const { return fSearchStep_; }
  float GfGetLOFreq2() const { return fLO2_; }
  float GfGetIM3Threshold() const { return fIM3_; }
  void GSetIM2Threshold(float fIM2) { fIM2_ = fIM2; }
  void GSetFreqLO(float fLOFreq) { fLo_ = fLOFreq; }
  void GSetFreqLO2(float fLOFreq2) { fLO2_ = fLOFreq2; }
  void GSetSearchStep(float fSearchStep) { fSearchStep_ = fSearchStep; }
  void GSetIM3Threshold(float fIM3) { fIM3_ = fIM3; }
  // The type now refers to that spectrum object (no copy).
  void GSetSpectrum(SpectrumRef xNew) { spectrum_ = std::move(xNew); }
  const std::string& GsGetLabel() const { return label_; }
  const std::string& GsGetFileName() const { return fileName_; }
  const std::string& GsGetDescription() const { return descr_; }
  // Width of check kind eType 0..10; throws std::out_of_range outside.
  float GfBandwidth(int32_t eType) const;
  void GfBandwidth(int32_t eType, float fVal);
  int32_t GlGetFlags() const { return lDfltFlags_; }
  void GlSetFlags(int32_t LNewFlags) { lDfltFlags_ = LNewFlags; }
  std::shared_ptr<CSystemType> GGetCopy() const;
  TCheckParams GGetCheckParams() const;
  SpectrumRef GxSpectrum() const { return spectrum_; }
  bool GbDefined() const { return bDefined_; }

 private:
  bool bDefined_ = false;
  std::string label_;
  std::string fileName_;
  std::string descr_;
  std::array<float, 11> fBandWd_{};
  int32_t lDfltFlags_ = 0;
  SpectrumRef spectrum_;
  float fIM2_ = 0, fIM3_ = 0, fLo_ = 0, fLO2_ = 0, fSearchStep_ = 0;
};

using TypeRef = std::shared_ptr<CSystemType>;

}  // namespace kova
