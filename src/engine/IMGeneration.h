#pragma once
// The intermodulation products of a list of channels, counted per kilohertz, shared by the full
// generation of a project's products and by the tracker that keeps them up to date while one
// channel moves.
//
// Generation order: for every first channel a, every second channel b > a: the two 2Tx IM(3)
// products, the two 2Tx IM(5) products, then for every third channel c > b the three 3Tx IM(3)
// products. The product kept for a kilohertz is the first one generated on it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace kova {

class CProject;
class TcIMFrequencyBuffer;

struct IMSource {
  double f;     // channel frequency, widened from single precision
  int32_t mic;  // position in its own system's list (1-based)
  int32_t sys;  // system slot
};

// Which intermodulation products are generated.
struct IMKinds {
  bool im3 = false;    // 2Tx IM(3)
  bool im5 = false;    // 2Tx IM(5)
  bool im3x3 = false;  // 3Tx IM(3)
  bool Any() const { return im3 || im5 || im3x3; }
  bool operator==(const IMKinds&) const = default;
};

// The first intermodulation product counted on a kilohertz: the kilohertz, the stored
// frequency, type, sub-type and the overall positions of its sources.
struct IMFirst {
  int32_t bin;
  float f;
  uint8_t type;
  uint8_t sub;
  int32_t a, b, c;  // c = -1 for a product of two channels
};

// One kept intermodulation product as the display shows it: its frequency and the number of
// products counted on its kilohertz.
struct IMLine {
  float freq;
  int32_t count;
};

// Products outside 0..1000 MHz (the range of the kilohertz bins) are dropped.
inline bool IMInWindow(double f) { return f >= 0.0 && f <= 1000.0; }

// Kilohertz bin of a product within 0..1000 MHz: the same value as TcIMFrequencyBuffer::KHzIndex,
// without its tests for values outside that range.
inline size_t IMBinOf(double f) {
  constexpr double kShift = 4503599627370496.0;  // 2^52: adding and removing it rounds ties to even
  return static_cast<size_t>(static_cast<int32_t>((f * 1000.0 + kShift) - kShift));
}

// The place of a product in generation order among the products of n channels: a smaller key
// is generated earlier.
uint64_t IMOrderKey(const IMFirst& p, size_t n);
// The product with key `key` among the channels `all`, as the generation makes it.
IMFirst IMFirstOfKey(uint64_t key, const std::vector<IMSource>& all);

// The overall channels of a project (system 0 first) and the kinds its checks switch on.
std::vector<IMSource> IMSourcesOf(const CProject& project);
IMKinds IMKindsOf(const CProject& project);
// The channels of the systems in use whose slot bit is set in `slotMask`, in the same order.
std::vector<IMSource> IMSourcesOf(const CProject& project, uint32_t slotMask);

constexpr size_t kNoChannel = std::numeric_limits<size_t>::max();

// What GenerateIM tallies per kilohertz: every product, or only whether there is one of each
// intermodulation type (all that a check needs, since every type has its own switch and width,
// and much cheaper: nothing is stored for a kilohertz and type already seen).
enum class IMTally { kCounts, kFirsts };

// Counts the products of every pair and triple of `all` that does not contain channel `skip`
// (kNoChannel: every one). `emit(first, count)` receives, in generation order of the firsts,
// each kilohertz with the first product counted on it and how many products fell there; a
// kilohertz may come again later with more products (a later share of the work), then with the
// first product of that share, which the receiver ignores. With IMTally::kFirsts every kilohertz
// comes exactly once per type of product on it, with that type's first product and count 1.
// Large counts use two cores.
void GenerateIM(const std::vector<IMSource>& all, IMKinds kinds, size_t skip,
                const std::function<void(const IMFirst&, int32_t)>& emit, IMTally tally = IMTally::kCounts);

// The intermodulation products that the transmitters of the systems in `slotMask` form among
// themselves (the kinds the project's checks switch on), in a new buffer: what the channels of
// one group of zones meet. With IMTally::kFirsts the buffer keeps the first product of each type
// per kilohertz (TcIMFrequencyBuffer::GAddKindFirst).
std::shared_ptr<TcIMFrequencyBuffer> TL_IMProductsOf(const CProject& project, uint32_t slotMask,
                                                     IMTally tally = IMTally::kCounts);

}  // namespace kova
