#include "model/CBand.h"

#include "tools/BinaryFile.h"
#include "tools/Tools.h"

namespace kova {

int32_t CBand::GDefine(float fLow, float fHigh, float fStep) {
  fLow_ = fLow;
  fHigh_ = fHigh;
  fStep_ = fStep;
  bDefined_ = true;
  return 0;
}

float CBand::GfGetFreq(int32_t iFreq) const {
  return static_cast<float>(static_cast<double>(fStep_) * (static_cast<double>(iFreq) - 1.0) + fLow_);
}

int32_t CBand::GlGetFreqIndex(float fFreq) const {
  if (fFreq < fLow_ || fFreq > fHigh_) return -1;
  if (!(fStep_ > 0.0f)) return 1;
  float q = static_cast<float>((static_cast<double>(fFreq) - fLow_) / fStep_);
  int32_t r = TL_RoundLong(q);
  return r == INT32_MAX ? r : r + 1;
}

int32_t CBand::GlPoints() const {
  if (!(fStep_ > 0.0f)) return 1;
  return TL_RoundLong((static_cast<double>(fHigh_) - fLow_) / fStep_ + 1.0);
}

std::string CBand::GsGetFromToString(int32_t lFlag) const {
  std::string s = TL_FormatNumber(fLow_, "0.000") + " - " + TL_FormatNumber(fHigh_, "0.000");
  if (TL_IsBitSet(lFlag, 1)) s += " (" + TL_FormatNumber(fStep_, "0.000") + ")";
  return s;
}

std::shared_ptr<CBand> CBand::GGetCopy() const {
  auto b = std::make_shared<CBand>();
  b->GDefine(fLow_, fHigh_, fStep_);
  return b;
}

int32_t CBand::GWriteToFile(BinaryWriter& file) const {
  file.WriteInt32(0);
  file.WriteFloat(fLow_);
  file.WriteFloat(fHigh_);
  file.WriteFloat(fStep_);
  return 0;
}

int32_t CBand::GReadFromFile(BinaryReader& file) {
  int32_t version = 0;
  if (!file.ReadInt32(version) || version != 0) return -1;
  float lo, hi, step;
  file.ReadFloat(lo);
  file.ReadFloat(hi);
  if (!file.ReadFloat(step)) return -1;
  GDefine(lo, hi, step);
  return 0;
}

}  // namespace kova
