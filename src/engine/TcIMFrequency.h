#pragma once
// One interfering product: a frequency at which a receiver can be disturbed, with what created
// it (the product type and sub-type, and up to three source channels by list position and
// system slot) and how many intermodulation products were merged into it.

#include <array>
#include <cstdint>
#include <string>

namespace kova {

// Product types. 0..2 are the intermodulation ("counted") products, 3..8 the products of a
// single channel.
enum EIMType : int32_t {
  kIM2Tx3 = 0,          // third order of two transmitters, check kind 4
  kIM2Tx5 = 1,          // fifth order of two transmitters, check kind 9
  kIM3Tx3 = 2,          // third order of three transmitters, check kind 5
  kIMLocalOsc = 3,      // local oscillator, check kind 2
  kIMRefImage = 4,      // image frequency, check kind 3
  kIMRefImageHalf = 5,  // image at 1/2, check kind 6
  kIMRefImageThird = 6, // image at 1/3, check kind 7
  kIM2ndRefImage = 7,   // image of the second oscillator, check kind 8
  kIMChannel = 8,       // a channel frequency itself, check kind 1 (spacing)
};

// Check kind (ECheck) of a product type; 0 for an unknown type.
inline int32_t TL_IMCheckKind(int32_t eIMType) {
  constexpr int32_t kKind[9] = {4, 9, 5, 2, 3, 6, 7, 8, 1};
  return eIMType >= 0 && eIMType <= 8 ? kKind[eIMType] : 0;
}
// True for the intermodulation product types 0, 1 and 2.
inline bool TL_IsCountedIM(int32_t eIMType) { return eIMType >= kIM2Tx3 && eIMType <= kIM3Tx3; }

class TcIMFrequency {
 public:
  static constexpr int32_t kSources = 5;

  TcIMFrequency() = default;

  // "2TxIM(3)-Product (a) " ... "Channel"; empty for an unknown type or sub-type.
  std::string GetIMTypeLabel() const;
  double GdFreq() const { return fFreq_; }
  // Narrowed to single precision.
  void GdFreq(double dNew) { fFreq_ = static_cast<float>(dNew); }
  // The stored single-precision frequency.
  float GfFreq() const { return fFreq_; }
  int32_t GeIMType() const { return eType_; }
  // Throws std::overflow_error outside 0..255.
  void GeIMType(int32_t eNew);
  // Check kind from the type (0 for an unknown type).
  int32_t GGetBWDType() const { return TL_IMCheckKind(eType_); }
  // Flag bit of that check kind (0 for an unknown type).
  int32_t GGetBITFlag() const;
  TcIMFrequency GGetCopy() const { return *this; }
  int32_t GlCountIM() const { return lCount_; }
  void GlCountIM(int32_t lNew) { lCount_ = lNew; }
  int32_t GlIMSubType() const { return lSubType_; }
  // Throws std::overflow_error outside 0..255.
  void GlIMSubType(int32_t lNew);
  // Source channel position / system slot of source iIndex (0..4); std::out_of_range outside.
  int32_t GlMicNr(int32_t iIndex) const;
  void GlMicNr(int32_t iIndex, int32_t lMicNr);
  int32_t GlSysNr(int32_t iIndex) const;
  void GlSysNr(int32_t iIndex, int32_t lSysNr);

  // Fills every field at once (sources 3 and 4 cleared); used by the buffer when appending.
  void Set(double dFreq, uint8_t eIMType, uint8_t lIMSubType, int32_t lMicNr1, int32_t lSysNr1, int32_t lMicNr2,
           int32_t lSysNr2, int32_t lMicNr3, int32_t lSysNr3) {
    fFreq_ = static_cast<float>(dFreq);
    eType_ = eIMType;
    lSubType_ = lIMSubType;
    lCount_ = 1;
    mic_ = {lMicNr1, lMicNr2, lMicNr3, 0, 0};
    sys_ = {lSysNr1, lSysNr2, lSysNr3, 0, 0};
  }

 private:
  float fFreq_ = 0.0f;
  uint8_t eType_ = 0;
  uint8_t lSubType_ = 0;
  int32_t lCount_ = 0;
  std::array<int32_t, kSources> mic_{};
  std::array<int32_t, kSources> sys_{};
};

}  // namespace kova
