#pragma once
// An ordered list of bands whose grids are numbered consecutively (index 1 is the first point of
// band 1, GlPoints(band 1) + 1 the first point of band 2, ...). Positions are 1-based.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/CBand.h"

namespace kova {

class CSpectrum {
 public:
  CSpectrum() : bands_(1) {}

  // True when a channel of width fBand centred on fFreq lies entirely inside one band.
  bool GIsFreqAvailable(float fFreq, float fBand) const;
  static bool IsInside(float FLower1, float FUpper1, float FLower2, float FUpper2);
  int32_t GReadFromFile(BinaryReader& file);
  int32_t GWriteToFile(BinaryWriter& file) const;
  void GSortBands(bool bStartWithHighest);
  // Appends the band object itself; returns the new band count.
  int32_t GxAddBand(BandRef xNewBand);
  // Removes band iBand (the last one when iBand is at or above the count); nothing on an empty
  // spectrum. Returns the new band count.
  int32_t GDelBand(int32_t iBand);
  float GfGetFreqMax() const;
  float GfGetFreqMin() const;
  // Replaces the bands by the gaps between them within fLowerLimit..FUpperLimit.
  int32_t GInvertSpectrum(float fLowerLimit, float FUpperLimit);
  int32_t GlGetFreqIndexNext(float fFreq) const;
  float GfGetFreqNext(float fFreq) const;
  int32_t GAddBand(float fLow, float fHigh, float fStep);
  void GDefine();
  int32_t GlBands() const { return static_cast<int32_t>(bands_.size()) - 1; }
  int32_t GlFreqs() const;
  int32_t GlFreqIndexMax() const { return GlFreqs(); }
  int32_t GlFreqIndexMin() const { return 1; }
  float GfGetFreq(int32_t iFreq) const;
  int32_t GlGetFreqIndex(float fFreq) const;
  std::shared_ptr<CSpectrum> GGetCopy() const;
  // Reference to band iBand (1-based); throws std::out_of_range outside 1..count.
  BandRef GxGetBand(int32_t iBand) const;
  bool GbDefined() const { return bDefined_; }

 private:
  bool bDefined_ = false;
  std::vector<BandRef> bands_;  // slot 0 unused
};

using SpectrumRef = std::shared_ptr<CSpectrum>;

// The television channels of a country or city: a labelled spectrum, one band per channel.
// Channels added with GAddChannel carry their channel number; a table whose bands were added to
// the spectrum directly is unnumbered, and its channels are known by their positions 1, 2, ...
class CCountrySpectrum {
 public:
  void GDefine(const std::string& sLabel);
  SpectrumRef GxSpectrum() const { return spectrum_; }
  const std::string& GsGetLabel() const { return label_; }
  void GsSetLabel(const std::string& sNewLabel) { label_ = sNewLabel; }
  bool GbDefined() const { return bDefined_; }

  // Appends channel `number` as the band fLow..fHigh with step 1.0; returns the new band count.
  int32_t GAddChannel(int32_t number, float fLow, float fHigh);
  // True when every band carries the number it was added with.
  bool GbNumbered() const;
  // The channel number of band iBand (1-based): its own number, or iBand in an unnumbered table.
  int32_t GlChannel(int32_t iBand) const;
  // The line of band iBand in a list: "21  470.000 - 478.000"; unnumbered "470.000 - 478.000".
  std::string GsGetChannelText(int32_t iBand) const;

 private:
  bool bDefined_ = false;
  std::string label_;
  SpectrumRef spectrum_ = std::make_shared<CSpectrum>();
  std::vector<int32_t> numbers_;  // numbers_[i - 1] is the number of band i
};

using CountryRef = std::shared_ptr<CCountrySpectrum>;

}  // namespace kova
