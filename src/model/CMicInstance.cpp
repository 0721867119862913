#include "model/CMicInstance.h"

#include <stdexcept>

#include "tools/BinaryFile.h"
#include "tools/Tools.h"

namespace kova {

int32_t CMicInstance::GReadFromFile(BinaryReader& file) {
  int32_t version = 0;
  if (!file.ReadInt32(version) || version != 0) return -1;
  float freq = 0;
  int32_t color = 0, flags = 0;
  std::string label;
  file.ReadFloat(freq);
  file.ReadInt32(color);
  if (TL_ReadString(file, label) != 0) return -1;
  if (!file.ReadInt32(flags)) return -1;
  GfSetFreq(freq);
  GlSetColor(color);
  GsSetLabel(label);
  GlSetFlags(flags);
  bDefined_ = true;
  return 0;
}

int32_t CMicInstance::GWriteToFile(BinaryWriter& file) const {
  file.WriteInt32(0);
  file.WriteFloat(freq_);
  file.WriteInt32(color_);
  TL_WriteString(file, label_);
  file.WriteInt32(flags_);
  return 0;
}

std::shared_ptr<CMicInstance> CMicInstance::GGetCopy() const {
  auto m = std::make_shared<CMicInstance>();
  m->GDefine(label_, type_, freq_, color_, flags_, 0, 0);
  return m;
}

void CMicInstance::GDefine(const std::string& SMicLabel, const std::string& SMicType, float FMicFreq,
                           int32_t LMicColor, int32_t LMicFlags, int32_t LMicIMOrder2, int32_t LMicIMOrder3) {
  label_ = SMicLabel;
  type_ = SMicType;
  freq_ = FMicFreq;
  color_ = LMicColor;
  flags_ = LMicFlags;
  imOrder2_ = LMicIMOrder2;
  imOrder3_ = LMicIMOrder3;
  bDefined_ = true;
}

std::string CMicInstance::GsGetDescription(int32_t lFlag) const {
  std::string s;
  if (TL_IsBitSet(lFlag, 1)) s += " " + TL_FormatNumber(freq_, "0.000") + " MHz";
  if (TL_IsBitSet(lFlag, 2)) s += " (" + type_ + ")";
  if (TL_IsBitSet(lFlag, 4)) s += " " + label_;
  return s;
}

int32_t CMicCollection::GAddMic(const std::string& sLabel, const std::string& SType, float fFreq, int32_t LColor,
                                int32_t LFlags, int32_t LIMOrder2, int32_t LIMOrder3) {
  auto m = std::make_shared<CMicInstance>();
  m->GDefine(sLabel, SType, fFreq, LColor, LFlags, LIMOrder2, LIMOrder3);
  return GAddMicX(m);
}

int32_t CMicCollection::GAddMicX(MicRef XNewMic) {
  mics_.push_back(std::move(XNewMic));
  return GCount();
}

int32_t CMicCollection::GDelMic(int32_t iMic) {
  int32_t count = GCount();
  if (count == 0) return 0;
  if (iMic < 1) iMic = 1;
  if (iMic > count) iMic = count;
  mics_.erase(mics_.begin() + iMic);
  return GCount();
}

int32_t CMicCollection::GDuplicateMic(int32_t iMic) {
  const CMicInstance& src = *GcItem(iMic);
  return GAddMic(src.GsGetLabel(), src.GsGetType(), src.GfGetFreq(), src.GlGetColor(), src.GlGetFlags(), 0, 0);
}

std::string CMicCollection::GsNextFree(const std::string& sPrefix) const {
  double n = 1;
  for (int32_t i = 1; i <= GCount(); ++i) {
    std::string label = TL_Trim(mics_[i]->GsGetLabel());
    std::string rest;
    if (sPrefix.empty()) {
      rest = label;
    } else {
      if (label.compare(0, sPrefix.size(), sPrefix) != 0 || label.size() < sPrefix.size()) continue;
      rest = label.substr(sPrefix.size());
    }
    double v = static_cast<double>(TL_RoundLong(TL_Val(rest)));
    if (v >= n) n = v + 1;
  }
  return sPrefix + TL_Str(static_cast<int64_t>(n));
}

void CMicCollection::GSortMics(bool bStartWithHighest) {
  int32_t count = GCount();
  for (int32_t i = 1; i <= count; ++i) {
    for (int32_t j = i + 1; j <= count; ++j) {
      float fi = mics_[i]->GfGetFreq(), fj = mics_[j]->GfGetFreq();
      if (bStartWithHighest ? fi < fj : fi > fj) std::swap(mics_[i], mics_[j]);
    }
  }
}

std::shared_ptr<CMicCollection> CMicCollection::GGetCopy() const {
  auto c = std::make_shared<CMicCollection>();
  c->GDefine();
  c->GsSetLabel(label_);
  for (int32_t i = 1; i <= GCount(); ++i) c->GAddMicX(mics_[i]->GGetCopy());
  return c;
}

void CMicCollection::GDefine() {
  mics_.assign(1, nullptr);
  bDefined_ = true;
}

MicRef CMicCollection::GcItem(int32_t iMic) const {
  if (iMic < 1 || iMic > GCount()) throw std::out_of_range("Subscript out of range");
  return mics_[iMic];
}

void CMicCollection::GcItem(int32_t iMic, MicRef mic) {
  if (iMic < 1 || iMic > GCount()) throw std::out_of_range("Subscript out of range");
  mics_[iMic] = std::move(mic);
}

int32_t CMicCollection::GReadFromFile(BinaryReader& file) {
  GDefine();
  int32_t version = 0;
  if (!file.ReadInt32(version) || version != 0) return -1;
  int32_t count = 0;
  if (!file.ReadInt32(count)) return -1;
  // A channel record takes at least 20 bytes; no project holds more than kMaxProjectChannels.
  if (count < 0 || static_cast<size_t>(count) > file.Remaining() / 20) {
    file.MarkFailed();
    return -1;
  }
  if (count > kMaxProjectChannels) {
    file.MarkOverLimit();
    return -1;
  }
  for (int32_t i = 0; i < count; ++i) {
    auto m = std::make_shared<CMicInstance>();
    m->GReadFromFile(file);  // its own result is not examined; a truncated file is
    if (file.Failed()) return -1;
    GAddMicX(m);
  }
  return 0;
}

int32_t CMicCollection::GWriteToFile(BinaryWriter& file) const {
  file.WriteInt32(0);
  file.WriteInt32(GCount());
  for (int32_t i = 1; i <= GCount(); ++i) mics_[i]->GWriteToFile(file);
  return 0;
}

}  // namespace kova
