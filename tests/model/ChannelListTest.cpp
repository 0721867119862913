#include <gtest/gtest.h>

#include <algorithm>

#include "model/ChannelList.h"

using namespace kova;

namespace {

// Channels first..last of `width` MHz from 470, without the numbers in `skip`.
CCountrySpectrum Raster(int32_t first, int32_t last, int32_t width, std::vector<int32_t> skip = {}) {
  CCountrySpectrum t;
  t.GDefine("Test");
  for (int32_t n = first; n <= last; ++n)
    if (std::find(skip.begin(), skip.end(), n) == skip.end())
      t.GAddChannel(n, static_cast<float>(470 + width * (n - first)), static_cast<float>(470 + width * (n - first + 1)));
  return t;
}

std::string BandsText(const CSpectrum& s) {
  std::string out;
  for (int32_t i = 1; i <= s.GlBands(); ++i) out += (i > 1 ? ", " : "") + s.GxGetBand(i)->GsGetFromToString(0);
  return out;
}

}  // namespace

TEST(ChannelList, ParsesNumbersAndRangesAndNamesWhatIsWrong) {
  const CCountrySpectrum uk = Raster(21, 48, 8, {38});
  const struct {
    const char* text;
    std::vector<int32_t> channels;
    const char* error;  // beginning of the error; null when the list is good
  } cases[] = {
      {"23, 27, 31-33", {23, 27, 31, 32, 33}, nullptr},
      {"  33 - 31", {}, "the range 33 - 31 runs backwards"},
      {"27;23 23\t27,", {23, 27}, nullptr},
      {"21 \xE2\x80\x93 22", {21, 22}, nullptr},
      {"", {}, nullptr},
      {"36-40, 47-52, 60", {}, "not in the table \"Test\" (channels 21-37, 39-48): 38, 49-52, 60"},
      {"99999999999999999999", {}, "not in the table \"Test\" (channels 21-37, 39-48): 99999999999999999999"},
      {"40-99999999999999999999", {}, "not in the table \"Test\" (channels 21-37, 39-48): 40-99999999999999999999"},
      {"23, ch27", {}, "\"ch27\" is not a channel number"},
      {"23x", {}, "\"23x\" is not a channel number"},
      {"31-", {}, "\"31-\" is not a range of channels"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ChannelListResult r = MN_ParseChannelList(c.text, uk);
    EXPECT_EQ(r.ok, c.error == nullptr) << r.error;
    if (c.error)
      EXPECT_EQ(r.error.rfind(c.error, 0), 0u) << r.error;
    else
      EXPECT_EQ(r.channels, c.channels);
  }
  EXPECT_EQ(MN_ChannelRanges(uk), "21-37, 39-48");
}

TEST(ChannelList, AllExceptJoinsChannelsThatMeet) {
  const CCountrySpectrum usa = Raster(14, 36, 6), uk = Raster(21, 48, 8, {38});
  EXPECT_EQ(BandsText(*MN_ChannelSpectrum(usa, {20, 27}, true)),
            "470.000 - 506.000, 512.000 - 548.000, 554.000 - 608.000");
  EXPECT_EQ(BandsText(*MN_ChannelSpectrum(usa, {14, 15, 36}, true)), "482.000 - 602.000");
  EXPECT_EQ(BandsText(*MN_ChannelSpectrum(uk, {}, true)), "470.000 - 606.000, 614.000 - 694.000");
  EXPECT_EQ(BandsText(*MN_ChannelSpectrum(uk, {37, 39, 40}, false)), "598.000 - 606.000, 614.000 - 630.000");
  EXPECT_EQ(MN_ChannelSpectrum(usa, {}, false)->GlBands(), 0);
}
