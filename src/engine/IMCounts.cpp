#include "engine/IMCounts.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

#include "engine/IMFirstTable.h"
#include "engine/TcIMFrequencyBuffer.h"

namespace kova {

namespace {

// Arithmetic modulo the prime 119 * 2^23 + 1, which has roots of unity of every power of two up
// to 2^23, in Montgomery form (a stands for a * 2^32).
constexpr uint32_t kP = 998244353;
constexpr uint32_t kRoot = 3;  // generates the multiplicative group
constexpr uint32_t kLongest = 1u << 23;

constexpr uint32_t NegInverse() {
  uint32_t inv = kP;  // Newton's iteration for kP^-1 modulo 2^32
  for (int32_t i = 0; i < 5; ++i) inv *= 2 - kP * inv;
  return 0u - inv;
}
constexpr uint32_t kNegInverse = NegInverse();

inline uint32_t Reduce(uint64_t t) {
  const uint32_t m = static_cast<uint32_t>(t) * kNegInverse;
  const uint32_t r = static_cast<uint32_t>((t + static_cast<uint64_t>(m) * kP) >> 32);
  return r >= kP ? r - kP : r;
}
inline uint32_t Mul(uint32_t a, uint32_t b) { return Reduce(static_cast<uint64_t>(a) * b); }
inline uint32_t Add(uint32_t a, uint32_t b) { return a + b >= kP ? a + b - kP : a + b; }
inline uint32_t Sub(uint32_t a, uint32_t b) { return a >= b ? a - b : a + kP - b; }
// Into and out of Montgomery form.
inline uint32_t To(uint64_t a) {
  constexpr uint64_t kR2 = (uint64_t{1} << 32) % kP * ((uint64_t{1} << 32) % kP) % kP;
  return Mul(static_cast<uint32_t>(a % kP), static_cast<uint32_t>(kR2));
}
inline uint32_t From(uint32_t a) { return Reduce(a); }

uint32_t Power(uint32_t base, uint64_t e) {
  uint32_t r = To(1);
  for (; e; e >>= 1, base = Mul(base, base))
    if (e & 1) r = Mul(r, base);
  return r;
}

// The transform of `a` (Montgomery form, a power of two long) in place; `inverse` undoes it.
void Transform(std::vector<uint32_t>& a, bool inverse) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j |= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  std::vector<uint32_t> w(n / 2);
  for (size_t len = 2; len <= n; len <<= 1) {
    const uint32_t step = Power(To(kRoot), (kP - 1) / len * (inverse ? len - 1 : 1));
    const size_t half = len / 2;
    w[0] = To(1);
    for (size_t j = 1; j < half; ++j) w[j] = Mul(w[j - 1], step);
    for (size_t i = 0; i < n; i += len)
      for (size_t j = 0; j < half; ++j) {
        const uint32_t u = a[i + j];
        const uint32_t v = Mul(a[i + j + half], w[j]);
        a[i + j] = Add(u, v);
        a[i + j + half] = Sub(u, v);
      }
  }
  if (inverse) {
    const uint32_t scale = Power(To(static_cast<uint32_t>(n)), kP - 2);
    for (uint32_t& x : a) x = Mul(x, scale);
  }
}

// The channels' whole kilohertz, or false when one lies off a whole kilohertz.
bool WholeKilohertz(const std::vector<IMSource>& all, std::vector<int64_t>& khz) {
  khz.clear();
  for (const IMSource& s : all) {
    if (!(s.f >= 0.0 && s.f <= 1000.0)) return false;
    const double k = std::nearbyint(s.f * 1000.0);
    if (!(std::fabs(s.f * 1000.0 - k) <= 0.15)) return false;
    khz.push_back(static_cast<int64_t>(k));
  }
  return true;
}

// The transform length for channels spread over `span` kilohertz: the sums of three reach from
// -span to 2 span without wrapping onto each other.
size_t LengthFor(int64_t span) { return std::max<size_t>(std::bit_ceil(static_cast<uint64_t>(3 * span + 1)), 2); }

// The products of three channels on kilohertz `bin` (0 or kMaxBin), counted one by one: the
// validity window cuts through these two, so their counts need each product's exact value.
// Every channel z with the pairs without it whose sum lies near bin + f_z.
int32_t CountOnBin(const std::vector<IMSource>& all, int32_t bin) {
  std::vector<std::pair<double, size_t>> sorted;  // by frequency
  for (size_t k = 0; k < all.size(); ++k) sorted.push_back({all[k].f, k});
  std::sort(sorted.begin(), sorted.end());
  const size_t n = sorted.size();
  int32_t count = 0;
  for (const auto& [fz, z] : sorted) {
    // Far more room than half a kilohertz and the rounding; the product decides.
    const double lo = bin / 1000.0 + fz - 0.001, hi = bin / 1000.0 + fz + 0.001;
    size_t top = n, bottom = n;  // sorted[j]: j < top has sum <= hi, j >= bottom has sum >= lo
    for (size_t p = 0; p < n; ++p) {
      const double g = sorted[p].first;
      while (top > 0 && g + sorted[top - 1].first > hi) --top;
      while (bottom > 0 && g + sorted[bottom - 1].first >= lo) --bottom;
      if (top <= p + 1) break;
      for (size_t q = std::max(bottom, p + 1); q < top; ++q) {
        const size_t x = sorted[p].second, y = sorted[q].second;
        if (x == z || y == z) continue;
        size_t c[3] = {x, y, z};
        std::sort(c, c + 3);
        const double f1 = all[c[0]].f, f2 = all[c[1]].f, f3 = all[c[2]].f;
        const double v = z == c[2] ? (f1 + f2) - f3 : z == c[1] ? f3 + (f1 - f2) : f3 + (f2 - f1);
        if (IMInWindow(v) && static_cast<int32_t>(IMBinOf(v)) == bin) ++count;
      }
    }
  }
  return count;
}

}  // namespace

bool TL_CountingPays(const std::vector<IMSource>& all, IMKinds kinds) {
  if (all.size() < 3 || !kinds.im3x3) return false;
  double lo = all.front().f, hi = lo;
  for (const IMSource& s : all) {
    lo = std::min(lo, s.f);
    hi = std::max(hi, s.f);
  }
  if (!(hi - lo <= 1000.0)) return false;
  // Two transforms, each about log2(length) / 2 multiplications per place at about twice the
  // cost of a generated product; the first products cost about as much as the transforms again;
  // the pairs are visited a few times. The generation visits n^3 / 2 products.
  const double length = static_cast<double>(LengthFor(static_cast<int64_t>((hi - lo) * 1000.0) + 1));
  const double n = static_cast<double>(all.size());
  return 2 * 2 * 2 * length * std::log2(length) / 2 + 4 * n * n < n * n * n / 2;
}

bool TL_CountIMProducts(const std::vector<IMSource>& all, IMKinds kinds, std::vector<IMCount>& out) {
  out.clear();
  std::vector<int64_t> khz;
  if (!kinds.Any() || all.empty() || !WholeKilohertz(all, khz)) return false;
  const int64_t base = *std::min_element(khz.begin(), khz.end());
  const int64_t span = *std::max_element(khz.begin(), khz.end()) - base;
  const size_t length = LengthFor(span);
  if (length > kLongest) return false;
  // The comb: channels per kilohertz (from `base` on); the sums must stay below the modulus.
  std::vector<uint32_t> comb(static_cast<size_t>(span) + 1, 0);
  for (int64_t k : khz) ++comb[static_cast<size_t>(k - base)];
  const uint64_t n = all.size();
  if (n * n * *std::max_element(comb.begin(), comb.end()) >= kP) return false;

  std::vector<int32_t> counts(static_cast<size_t>(TcIMFrequencyBuffer::kMaxBin) + 1, 0);
  if (kinds.im3x3) {
    // Twice the products of three channels on sum r = b_x + b_y - b_z (from 3 base on): the
    // ordered choices (x, y, z), less those with x = y (the sums 2 b_x - b_z), less those with
    // z = x or z = y (2 n c(r)), plus twice those with x = y = z (c(r)). All choices come from
    // the transform of c * c * c reversed; the transform of a reversed sequence is the same read
    // at -k.
    const size_t mask = length - 1;
    std::vector<uint32_t> t(length, 0);
    for (size_t b = 0; b < comb.size(); ++b) t[b] = To(comb[b]);
    Transform(t, false);
    for (size_t k = 0; k <= length / 2; ++k) {
      const size_t j = (length - k) & mask;
      const uint32_t atK = Mul(Mul(t[k], t[k]), t[j]), atJ = Mul(Mul(t[j], t[j]), t[k]);
      t[k] = atK;
      t[j] = atJ;
    }
    Transform(t, true);
    std::vector<int64_t> doubled(3 * static_cast<size_t>(span) + 1);  // sum r at r + span
    for (int64_t r = -span; r <= 2 * span; ++r)
      doubled[static_cast<size_t>(r + span)] = From(t[static_cast<size_t>(r) & mask]);
    for (size_t b = 0; b < comb.size(); ++b)
      doubled[b + static_cast<size_t>(span)] -= (2 * static_cast<int64_t>(n) - 2) * comb[b];
    for (int64_t bx : khz)
      for (int64_t bz : khz) --doubled[static_cast<size_t>(2 * (bx - base) - (bz - base) + span)];
    for (int64_t r = -span; r <= 2 * span; ++r) {
      const int64_t d = doubled[static_cast<size_t>(r + span)];
      const int64_t bin = base + r;
      if (d == 0 || bin <= 0 || bin >= TcIMFrequencyBuffer::kMaxBin) continue;  // the ends are counted below
      if (d < 0 || d % 2 != 0) return false;  // cannot be
      counts[static_cast<size_t>(bin)] = static_cast<int32_t>(d / 2);
    }
    counts[0] = CountOnBin(all, 0);
    counts[TcIMFrequencyBuffer::kMaxBin] = CountOnBin(all, TcIMFrequencyBuffer::kMaxBin);
  }
  // The products of two channels, few enough to count one by one at their exact values.
  for (size_t x = 0; x < all.size(); ++x)
    for (size_t z = 0; z < all.size(); ++z) {
      if (x == z) continue;
      const double fx = all[x].f, fz = all[z].f;
      if (kinds.im3)
        if (const double v = 2.0 * fx - fz; IMInWindow(v)) ++counts[IMBinOf(v)];
      if (kinds.im5)
        if (const double v = 3.0 * fx - 2.0 * fz; IMInWindow(v)) ++counts[IMBinOf(v)];
    }
  for (size_t bin = 0; bin < counts.size(); ++bin)
    if (counts[bin]) out.push_back({static_cast<int32_t>(bin), counts[bin]});
  return true;
}

namespace {

// The kilohertz of `counts` joined into runs.
std::vector<BinWindow> WindowsOf(const std::vector<IMCount>& counts) {
  std::vector<BinWindow> windows;
  for (const IMCount& c : counts) {
    if (!windows.empty() && windows.back().hi + 1 == c.bin)
      windows.back().hi = c.bin;
    else
      windows.push_back({c.bin, c.bin});
  }
  return windows;
}

// The first product of each type on every kilohertz that holds products of `all`, in generation
// order, into `out` as GenerateIM with IMTally::kFirsts hands them over.
bool AddCountedKindFirsts(const std::vector<IMSource>& all, IMKinds kinds, TcIMFrequencyBuffer& out) {
  std::vector<IMCount> counts;
  if (!TL_CountIMProducts(all, kinds, counts)) return false;
  const IMFirstTable table = IMFirstTable::PerType(all, kinds, WindowsOf(counts));
  std::vector<std::pair<uint64_t, IMFirst>> firsts;
  for (const IMCount& c : counts)
    for (int32_t type = 0; type < 3; ++type) {
      float f = 0.0f;
      const uint64_t key = table.KeyOfType(c.bin, type, f);
      if (key == IMFirstTable::kNone) continue;
      IMFirst first = IMFirstOfKey(key, all);
      first.bin = c.bin;  // where it was counted, as the table kept it
      first.f = f;
      firsts.push_back({key, first});
    }
  std::sort(firsts.begin(), firsts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [key, p] : firsts) {
    const IMSource& sa = all[static_cast<size_t>(p.a)];
    const IMSource& sb = all[static_cast<size_t>(p.b)];
    const int32_t micC = p.c >= 0 ? all[static_cast<size_t>(p.c)].mic : 0;
    const int32_t sysC = p.c >= 0 ? all[static_cast<size_t>(p.c)].sys : 0;
    out.GAddKindFirst(p.bin, 1, p.f, p.type, p.sub, sa.mic, sa.sys, sb.mic, sb.sys, micC, sysC);
  }
  return true;
}

}  // namespace

bool TL_CountedIMFirsts(const std::vector<IMSource>& all, IMKinds kinds, std::vector<IMCountedFirst>& out) {
  std::vector<IMCount> counts;
  if (!TL_CountIMProducts(all, kinds, counts)) return false;
  const IMFirstTable table(all, kinds, WindowsOf(counts));
  std::vector<IMCountedFirst> firsts;
  firsts.reserve(counts.size());
  for (const IMCount& c : counts) {
    float f = 0.0f;
    int32_t type = 0;
    const uint64_t key = table.KeyAt(c.bin, f, type);
    if (key == IMFirstTable::kNone) return false;  // cannot be: every counted kilohertz has a product
    IMFirst first = IMFirstOfKey(key, all);
    first.bin = c.bin;  // where it was counted, as the table kept it
    first.f = f;
    firsts.push_back({first, c.count, key});
  }
  std::sort(firsts.begin(), firsts.end(), [](const IMCountedFirst& a, const IMCountedFirst& b) { return a.key < b.key; });
  out.insert(out.end(), firsts.begin(), firsts.end());
  return true;
}

bool TL_AddCountedIMProducts(const std::vector<IMSource>& all, IMKinds kinds, IMTally tally, TcIMFrequencyBuffer& out) {
  if (tally == IMTally::kFirsts) return AddCountedKindFirsts(all, kinds, out);
  std::vector<IMCountedFirst> firsts;
  if (!TL_CountedIMFirsts(all, kinds, firsts)) return false;
  for (const IMCountedFirst& k : firsts) {
    const IMFirst& p = k.first;
    const IMSource& sa = all[static_cast<size_t>(p.a)];
    const IMSource& sb = all[static_cast<size_t>(p.b)];
    const int32_t micC = p.c >= 0 ? all[static_cast<size_t>(p.c)].mic : 0;
    const int32_t sysC = p.c >= 0 ? all[static_cast<size_t>(p.c)].sys : 0;
    out.GAddCountedRun(p.bin, k.count, p.f, p.type, p.sub, sa.mic, sa.sys, sb.mic, sb.sys, micC, sysC);
  }
  return true;
}

}  // namespace kova

