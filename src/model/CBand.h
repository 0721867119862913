#pragma once
// One contiguous frequency range with a tuning step. Grid point i (1-based) lies at
// fLow + fStep * (i - 1). A band with a step of 0 or less has a single grid point, its lower edge.

#include <cstdint>
#include <memory>
#include <string>

namespace kova {

class BinaryReader;
class BinaryWriter;

class CBand {
 public:
  int32_t GDefine(float fLow, float fHigh, float fStep);
  float GfLo() const { return fLow_; }
  float GfHi() const { return fHigh_; }
  float GfSteps() const { return fStep_; }
  void GSetLo(float fLow) { fLow_ = fLow; }
  void GSetHi(float fHigh) { fHigh_ = fHigh; }
  void GSetFreqStep(float fSteps) { fStep_ = fSteps; }
  bool GbDefined() const { return bDefined_; }

  float GfGetFreq(int32_t iFreq) const;
  // Grid index of fFreq: -1 outside the band, else the rounded (ties to even) step count + 1.
  int32_t GlGetFreqIndex(float fFreq) const;
  int32_t GlPoints() const;
  // "470.000 - 790.000", with bit value 1 of lFlag also " (0.025)".
  std::string GsGetFromToString(int32_t lFlag) const;
  std::shared_ptr<CBand> GGetCopy() const;

  int32_t GWriteToFile(BinaryWriter& file) const;
  int32_t GReadFromFile(BinaryReader& file);

 private:
  bool bDefined_ = false;
  float fLow_ = 0.0f;
  float fHigh_ = 0.0f;
  float fStep_ = 0.0f;
};

using BandRef = std::shared_ptr<CBand>;

}  // namespace kova
