// Fuzz target of the scan reader: the bytes are read as a scan in one piece and again in small
// pieces (so that line ends, CR LF pairs and the UTF-8 mark fall between pieces). Nothing may
// crash; both readings must agree exactly; a scan that reads has points in ascending order with
// finite levels, and one that does not says why and has none.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/ScanFile.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool SamePoints(const kova::ScanReadResult& a, const kova::ScanReadResult& b) {
  return a.points.size() == b.points.size() &&
         (a.points.empty() || std::memcmp(a.points.data(), b.points.data(), a.points.size() * sizeof(a.points[0])) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const kova::ScanReadResult whole = kova::MN_ParseScan(std::string(text, size));

  kova::ScanReader reader;
  const size_t piece = 1 + (size > 0 ? data[size - 1] % 7 : 0);
  for (size_t at = 0; at < size; at += piece) reader.Feed(text + at, std::min(piece, size - at));
  const kova::ScanReadResult split = reader.Finish();

  Require(whole.ok == split.ok && whole.error == split.error && whole.format == split.format);
  Require(whole.dataLines == split.dataLines && whole.badLines == split.badLines &&
          whole.firstBadLine == split.firstBadLine);
  Require(SamePoints(whole, split));
  Require(whole.dataLines >= 0 && whole.badLines >= 0 && (whole.badLines == 0) == (whole.firstBadLine == 0));
  if (!whole.ok) {
    Require(!whole.error.empty() && whole.points.empty());
    return 0;
  }
  Require(!whole.points.empty() && whole.dataLines > 0);
  for (size_t i = 0; i < whole.points.size(); ++i) {
    Require(std::isfinite(whole.points[i].mhz) && whole.points[i].mhz >= 0 && std::isfinite(whole.points[i].dbm));
    if (i > 0) Require(whole.points[i].mhz >= whole.points[i - 1].mhz);
  }
  return 0;
}
