#include "model/ChannelList.h"

#include <algorithm>
#include <set>

namespace kova {

namespace {

// Larger numbers are read as this one: no table has such a channel, and nothing overflows.
constexpr int64_t kNumberCap = 1000000000;

// Sorted numbers as runs: "21-37, 39-48". Each run is given as its first and last number.
std::string RunsText(const std::vector<std::pair<int64_t, int64_t>>& runs) {
  std::string out;
  for (const auto& [first, last] : runs) {
    if (!out.empty()) out += ", ";
    out += std::to_string(first);
    if (last != first) out += "-" + std::to_string(last);
  }
  return out;
}

std::vector<std::pair<int64_t, int64_t>> Runs(const std::vector<int32_t>& sorted) {
  std::vector<std::pair<int64_t, int64_t>> runs;
  for (int32_t n : sorted) {
    if (!runs.empty() && runs.back().second + 1 == n)
      runs.back().second = n;
    else if (runs.empty() || runs.back().second != n)
      runs.emplace_back(n, n);
  }
  return runs;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSeparator(char c) { return IsBlank(c) || c == ',' || c == ';'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A dash between two numbers: "-", or the en dash that word processors put there.
size_t DashLength(const std::string& text, size_t i) {
  if (i < text.size() && text[i] == '-') return 1;
  if (text.compare(i, 3, "\xE2\x80\x93") == 0) return 3;
  return 0;
}

int64_t ReadNumber(const std::string& text, size_t& i, bool& capped) {
  int64_t n = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    n = n * 10 + (text[i] - '0');
    if (n > kNumberCap) {
      n = kNumberCap;
      capped = true;
    }
  }
  return n;
}

}  // namespace

ChannelListResult MN_ParseChannelList(const std::string& text, const CCountrySpectrum& table) {
  ChannelListResult r;
  std::vector<int32_t> known;  // the table's channel numbers, ascending
  for (int32_t i = 1; i <= table.GxSpectrum()->GlBands(); ++i) known.push_back(table.GlChannel(i));
  std::sort(known.begin(), known.end());
  known.erase(std::unique(known.begin(), known.end()), known.end());

  std::set<int32_t> named;
  std::vector<std::pair<int64_t, int64_t>> missing;  // numbers named that the table lacks
  auto take = [&](int64_t first, int64_t last) {
    int64_t next = first;  // the lowest number of the range not yet accounted for
    for (auto it = std::lower_bound(known.begin(), known.end(), first); it != known.end() && *it <= last; ++it) {
      if (*it > next) missing.emplace_back(next, *it - 1);
      named.insert(*it);
      next = static_cast<int64_t>(*it) + 1;
    }
    if (next <= last) missing.emplace_back(next, last);
  };

  size_t i = 0;
  while (i < text.size()) {
    if (IsSeparator(text[i])) {
      ++i;
      continue;
    }
    const size_t start = i;
    if (!IsDigit(text[i])) {
      size_t end = i;
      while (end < text.size() && !IsSeparator(text[end])) ++end;
      r.error = "\"" + text.substr(start, end - start) + "\" is not a channel number (write channels like 23, 27, 31-33)";
      return r;
    }
    bool capped = false;  // a number beyond any table, named as it was given
    const int64_t first = ReadNumber(text, i, capped);
    size_t j = i;
    while (j < text.size() && IsBlank(text[j])) ++j;
    int64_t last = first;
    if (const size_t dash = DashLength(text, j); dash > 0) {
      j += dash;
      while (j < text.size() && IsBlank(text[j])) ++j;
      if (j >= text.size() || !IsDigit(text[j])) {
        r.error = "\"" + text.substr(start, j - start) + "\" is not a range of channels (write it like 31-33)";
        return r;
      }
      i = j;
      last = ReadNumber(text, i, capped);
      if (!capped && last < first) {
        r.error = "the range " + text.substr(start, i - start) + " runs backwards (write it like " +
                  std::to_string(last) + "-" + std::to_string(first) + ")";
        return r;
      }
    }
    if (i < text.size() && !IsSeparator(text[i])) {
      size_t end = i;
      while (end < text.size() && !IsSeparator(text[end])) ++end;
      r.error = "\"" + text.substr(start, end - start) + "\" is not a channel number (write channels like 23, 27, 31-33)";
      return r;
    }
    if (capped) {
      r.error = "not in the table \"" + table.GsGetLabel() + "\" (channels " + MN_ChannelRanges(table) +
                "): " + text.substr(start, i - start);
      return r;
    }
    take(first, last);
  }
  if (!missing.empty()) {
    std::sort(missing.begin(), missing.end());
    // Overlapping or touching pieces (the same number named twice) are named once.
    std::vector<std::pair<int64_t, int64_t>> merged;
    for (const auto& run : missing) {
      if (!merged.empty() && run.first <= merged.back().second + 1)
        merged.back().second = std::max(merged.back().second, run.second);
      else
        merged.push_back(run);
    }
    r.error = "not in the table \"" + table.GsGetLabel() + "\" (channels " + MN_ChannelRanges(table) +
              "): " + RunsText(merged);
    return r;
  }
  r.channels.assign(named.begin(), named.end());
  r.ok = true;
  return r;
}

SpectrumRef MN_ChannelSpectrum(const CCountrySpectrum& table, const std::vector<int32_t>& channels, bool except) {
  const std::set<int32_t> listed(channels.begin(), channels.end());
  auto result = std::make_shared<CSpectrum>();
  result->GDefine();
  const CSpectrum& bands = *table.GxSpectrum();
  for (int32_t i = 1; i <= bands.GlBands(); ++i) {
    if ((listed.count(table.GlChannel(i)) > 0) == except) continue;
    const CBand& band = *bands.GxGetBand(i);
    const int32_t count = result->GlBands();
    if (count > 0 && result->GxGetBand(count)->GfHi() == band.GfLo())
      result->GxGetBand(count)->GSetHi(band.GfHi());
    else
      result->GAddBand(band.GfLo(), band.GfHi(), 1.0f);
  }
  return result;
}

std::string MN_ChannelRanges(const CCountrySpectrum& table) {
  std::vector<int32_t> numbers;
  for (int32_t i = 1; i <= table.GxSpectrum()->GlBands(); ++i) numbers.push_back(table.GlChannel(i));
  std::sort(numbers.begin(), numbers.end());
  return RunsText(Runs(numbers));
}

}  // namespace kova
