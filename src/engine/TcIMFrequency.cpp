#include "engine/TcIMFrequency.h"

#include <stdexcept>

namespace kova {

std::string TcIMFrequency::GetIMTypeLabel() const {
  static const char* const kSub[3] = {"(a) ", "(b) ", "(c) "};
  switch (eType_) {
    case kIM2Tx3:
    case kIM2Tx5:
      if (lSubType_ < 1 || lSubType_ > 2) return "";
      return std::string(eType_ == kIM2Tx3 ? "2TxIM(3)-Product " : "2TxIM(5)-Product ") + kSub[lSubType_ - 1];
    case kIM3Tx3:
      if (lSubType_ < 1 || lSubType_ > 3) return "";
      return std::string("3TxIM(3)-Product ") + kSub[lSubType_ - 1];
    case kIMLocalOsc: return "Local Oscillator";
    case kIMRefImage: return "Reference Image";
    case kIMRefImageHalf: return "Ref. Image 1/2";
    case kIMRefImageThird: return "Ref. Image 1/3";
    case kIM2ndRefImage: return "2nd Ref. Image";
    case kIMChannel: return "Channel";
    default: return "";
  }
}

int32_t TcIMFrequency::GGetBITFlag() const {
  int32_t kind = GGetBWDType();
  return kind == 0 ? 0 : (int32_t{1} << kind);
}

static uint8_t ToByte(int32_t value) {
  if (value < 0 || value > 255) throw std::overflow_error("Overflow");
  return static_cast<uint8_t>(value);
}

static void CheckSource(int32_t iIndex) {
  if (iIndex < 0 || iIndex >= TcIMFrequency::kSources) throw std::out_of_range("Subscript out of range");
}

void TcIMFrequency::GeIMType(int32_t eNew) { eType_ = ToByte(eNew); }

void TcIMFrequency::GlIMSubType(int32_t lNew) { lSubType_ = ToByte(lNew); }

int32_t TcIMFrequency::GlMicNr(int32_t iIndex) const {
  CheckSource(iIndex);
  return mic_[iIndex];
}

void TcIMFrequency::GlMicNr(int32_t iIndex, int32_t lMicNr) {
  CheckSource(iIndex);
  mic_[iIndex] = lMicNr;
}

int32_t TcIMFrequency::GlSysNr(int32_t iIndex) const {
  CheckSource(iIndex);
  return sys_[iIndex];
}

void TcIMFrequency::GlSysNr(int32_t iIndex, int32_t lSysNr) {
  CheckSource(iIndex);
  sys_[iIndex] = lSysNr;
}

}  // namespace kova
