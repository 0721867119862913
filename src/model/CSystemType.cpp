#include "model/CSystemType.h"

#include <stdexcept>

#include "tools/BinaryFile.h"
#include "tools/Tools.h"

namespace kova {

namespace {
const char* const kCheckLabels[10] = {"Spectrum",      "Spacing",        "Local Oscillator", "Reference Image",
                                      "2Tx IM(3)",     "3Tx IM(3)",      "Ref. Image 1/2",   "Ref. Image 1/3",
                                      "2nd Ref. Image", "2Tx IM(5)"};

// Bit value of the kinds that have a switch; 0 for the others.
int32_t SwitchBit(int32_t eCheck) {
  switch (eCheck) {
    case kCheckSpectrum: return 1;
    case kCheckSpacing: return 2;
    case kCheck2TxIM3: return 16;
    case kCheck3TxIM3: return 32;
    case kCheck2TxIM5: return 512;
    default: return 0;
  }
}
}  // namespace

std::string MN_GetCheckLabel(int32_t eCheck) {
  if (eCheck < 0 || eCheck > 9) return "";
  return kCheckLabels[eCheck];
}

std::string TL_GetCheckLabel(int32_t eCheck) { return SwitchBit(eCheck) ? kCheckLabels[eCheck] : ""; }

CSystemType::CSystemType() : spectrum_(std::make_shared<CSpectrum>()) {}

bool CSystemType::GbCheckFlag(int32_t eCheck) const { return TL_IsBitSet(lDfltFlags_, SwitchBit(eCheck)); }

void CSystemType::GbCheckFlag(int32_t eCheck, bool bNew) {
  int32_t bit = SwitchBit(eCheck);
  if (!bit) return;
  int32_t flags = lDfltFlags_;
  TL_SetBit(flags, bit, bNew);
  GlSetFlags(flags);
}

void CSystemType::GDefine(const std::string& sLabel, const std::string& sFileName, const std::string& sDescr,
                          const std::array<float, 11>& fBandWd, int32_t lDfltFlags, float fIM2, float fIM3,
                          float fLo, float fLO2, float fSearchStep) {
  label_ = sLabel;
  fileName_ = sFileName;
  descr_ = sDescr;
  fBandWd_ = fBandWd;
  lDfltFlags_ = lDfltFlags;
  fIM2_ = fIM2;
  fIM3_ = fIM3;
  fLo_ = fLo;
  fLO2_ = fLO2;
  fSearchStep_ = fSearchStep;
  spectrum_ = std::make_shared<CSpectrum>();
  spectrum_->GDefine();
  bDefined_ = true;
}

float CSystemType::GfBandwidth(int32_t eType) const {
  if (eType < 0 || eType > 10) throw std::out_of_range("Subscript out of range");
  return fBandWd_[eType];
}

void CSystemType::GfBandwidth(int32_t eType, float fVal) {
  if (eType < 0 || eType > 10) throw std::out_of_range("Subscript out of range");
  fBandWd_[eType] = fVal;
}

std::shared_ptr<CSystemType> CSystemType::GGetCopy() const {
  auto t = std::make_shared<CSystemType>();
  t->GDefine(label_, fileName_, descr_, fBandWd_, lDfltFlags_, fIM2_, fIM3_, fLo_, fLO2_, fSearchStep_);
  t->GSetSpectrum(spectrum_->GGetCopy());
  return t;
}

TCheckParams CSystemType::GGetCheckParams() const {
  static constexpr int32_t kOrder[9] = {1, 2, 3, 4, 9, 5, 7, 6, 8};
  TCheckParams p{};
  for (int32_t k : kOrder) p[k] = GfBandwidth(k);
  p[10] = GfGetLOFreq();
  p[11] = GfGetLOFreq2();
  for (int32_t k : kOrder)
    if (!GbCheckFlag(k)) p[k] = -1.0;
  return p;
}

int32_t CSystemType::GWriteToFile(BinaryWriter& file) const {
  file.WriteInt32(2);
  TL_WriteString(file, fileName_);
  TL_WriteString(file, label_);
  TL_WriteString(file, descr_);
  for (float w : fBandWd_) file.WriteFloat(w);
  file.WriteFloat(fIM2_);
  file.WriteFloat(fIM3_);
  file.WriteFloat(fLo_);
  file.WriteFloat(fLO2_);
  file.WriteFloat(fSearchStep_);
  file.WriteInt32(lDfltFlags_);
  spectrum_->GWriteToFile(file);
  return 0;
}

int32_t CSystemType::GReadFromFile(BinaryReader& file) {
  int32_t version = 0;
  if (!file.ReadInt32(version) || version < 0 || version > 2) return -1;
  std::string fileName, label, descr;
  if (TL_ReadString(file, fileName) != 0 || TL_ReadString(file, label) != 0 || TL_ReadString(file, descr) != 0)
    return -1;
  std::array<float, 11> bw{};
  for (float& w : bw) file.ReadFloat(w);
  float im2, im3, lo, lo2, step = 0.025f;
  file.ReadFloat(im2);
  file.ReadFloat(im3);
  file.ReadFloat(lo);
  file.ReadFloat(lo2);
  if (version == 2) file.ReadFloat(step);
  int32_t flags = 0;
  file.ReadInt32(flags);
  if (file.Failed()) return -1;
  auto spectrum = std::make_shared<CSpectrum>();
  spectrum->GReadFromFile(file);  // its own result is not examined; a truncated file is
  if (file.Failed()) return -1;
  fileName_ = fileName;
  label_ = label;
  descr_ = descr;
  fBandWd_ = bw;
  fIM2_ = im2;
  fIM3_ = im3;
  fLo_ = lo;
  fLO2_ = lo2;
  fSearchStep_ = step;
  lDfltFlags_ = flags;
  spectrum_ = spectrum;
  if (version == 0) {
    // The fifth-order check did not exist yet: it inherits the third-order settings.
    fBandWd_[kCheck2TxIM5] = fBandWd_[kCheck2TxIM3];
    TL_SetBit(lDfltFlags_, 512, TL_IsBitSet(lDfltFlags_, 16));
  }
  bDefined_ = true;
  return 0;
}

}  // namespace kova
