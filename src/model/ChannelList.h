#pragma once
// Channels of a television table as a user names them, and the spectrum they make.
//
// A channel list is written like "23, 27, 31-33": channel numbers and ranges "a-b" (blanks
// around the dash allowed), separated by commas, semicolons or blanks. Every number, also each
// one a range covers, must be a channel of the table; a number named twice counts once. The
// spectrum of a set of channels holds their bands in table order, and channels that meet (the
// upper edge of one is the lower edge of the next) are joined into one band, so the local
// stations taken out of a TV band leave the fewest, widest bands to search.

#include <cstdint>
#include <string>
#include <vector>

#include "model/CSpectrum.h"

namespace kova {

struct ChannelListResult {
  bool ok = false;
  std::string error;              // why the list cannot be used, naming what is wrong
  std::vector<int32_t> channels;  // the channels named, ascending, each once
};

ChannelListResult MN_ParseChannelList(const std::string& text, const CCountrySpectrum& table);

// The bands of the table's channels in `channels` (with `except`, of all its other channels),
// meeting ones joined, each with step 1.0. Numbers that are no channel of the table are ignored.
SpectrumRef MN_ChannelSpectrum(const CCountrySpectrum& table, const std::vector<int32_t>& channels, bool except);

// The table's channel numbers as runs of consecutive numbers: "5-12, 21-69"; "" for no channel.
std::string MN_ChannelRanges(const CCountrySpectrum& table);

}  // namespace kova
