// Fuzz target of the user's channel tables: the bytes are read as a table file of Countries/.
// Nothing may crash; a table that is read holds channels within 10 to 1000 MHz, each band lower
// edge below its upper one; its own channel list ("21-37, 39") names every channel again, and
// the search spectrum of all its channels is not empty.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/RegionTables.h"
#include "model/ChannelList.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kova::RegionTableRead r =
      kova::MN_ParseRegionTable(std::string(reinterpret_cast<const char*>(data), size), "fuzz.csv");
  Require((r.table != nullptr) == r.error.empty());
  if (!r.table) return 0;
  const kova::CSpectrum& bands = *r.table->GxSpectrum();
  Require(bands.GlBands() > 0 && bands.GlBands() <= kova::kMaxTableChannels);
  for (int32_t i = 1; i <= bands.GlBands(); ++i) {
    const kova::CBand& band = *bands.GxGetBand(i);
    Require(band.GfLo() >= 10.0f && band.GfHi() <= 1000.0f && band.GfLo() < band.GfHi());
  }
  const kova::ChannelListResult all = kova::MN_ParseChannelList(kova::MN_ChannelRanges(*r.table), *r.table);
  Require(all.ok && !all.channels.empty());
  Require(kova::MN_ChannelSpectrum(*r.table, all.channels, false)->GlBands() > 0);
  Require(kova::MN_ChannelSpectrum(*r.table, all.channels, true)->GlBands() == 0);
  return 0;
}
