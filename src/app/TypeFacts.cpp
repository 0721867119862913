#include "app/TypeFacts.h"

#include "tools/Tools.h"

namespace kova {

namespace {
const char* const kDash = "\u2013";
const char* const kDot = " \u00b7 ";
}  // namespace

std::string MN_FormatBands(const CSpectrum& spectrum) {
  if (spectrum.GlBands() < 1) return "no band";
  std::string text;
  for (int32_t b = 1; b <= spectrum.GlBands(); ++b) {
    const CBand& band = *spectrum.GxGetBand(b);
    if (b > 1) text += ", ";
    text += MN_FormatFreq(band.GfLo());
    if (band.GfHi() != band.GfLo()) text += kDash + MN_FormatFreq(band.GfHi());
  }
  return text + " MHz";
}

std::string MN_TypeFacts(const CSystemType& type) {
  const std::string spacing = type.GbCheckFlag(kCheckSpacing)
                                  ? "spacing " + MN_FormatFreq(type.GfBandwidth(kCheckSpacing)) + " MHz"
                                  : std::string("spacing off");
  return MN_FormatBands(*type.GxSpectrum()) + kDot + "step " + MN_FormatFreq(type.GfGetSearchStep()) + " MHz" + kDot +
         spacing;
}

}  // namespace kova
