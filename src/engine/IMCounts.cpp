#include "engine/IMCounts.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

#include "engine/IMFirstTable.h"
#include "engine/TcIMFrequencyBuffer.h"

namespace kova {

namespace {

// Arithmetic modulo the prime 119 * 2^23 + 1 (a root of unity of every power of two up to 2^23),
// in Montgomery form (a stands for a * 2^32).
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
    if (!(std::fabs(s.f * 1000.0 - k) <= 0.09)) return false;
    khz.push_back(static_cast<int64_t>(k));
  }
  return true;
}

// The transform length for channels spread over `span` kilohertz: the sums reach from -2 span
// (-span without 2Tx IM(5)) to 3 span (2 span) without wrapping onto each other.
size_t LengthFor(int64_t span, IMKinds kinds) {
  const uint64_t need = static_cast<uint64_t>((kinds.im5 ? 5 : 3) * span + 1);
  return std::max<size_t>(std::bit_ceil(need), 2);
}

// The products on kilohertz `bin` (0 or kMaxBin), counted one by one: the validity window cuts
// through these two, so their counts need each product's exact value.
int32_t CountOnBin(const std::vector<IMSource>& all, IMKinds kinds, int32_t bin) {
  std::vector<std::pair<double, size_t>> sorted;  // by frequency
  for (size_t k = 0; k < all.size(); ++k) sorted.push_back({all[k].f, k});
  std::sort(sorted.begin(), sorted.end());
  const size_t n = sorted.size();
  int32_t count = 0;
  auto note = [&](double x) {
    if (IMInWindow(x) && static_cast<int32_t>(IMBinOf(x)) == bin) ++count;
  };
  const double t = bin / 1000.0;
  constexpr double kRoom = 0.001;  // far more than half a kilohertz and the rounding
  // The channels z with f_z in [lo, hi], as positions in `sorted`.
  auto within = [&](double lo, double hi) {
    auto at = [&](double f) {
      return static_cast<size_t>(std::lower_bound(sorted.begin(), sorted.end(), std::pair<double, size_t>{f, 0}) -
                                 sorted.begin());
    };
    return std::pair<size_t, size_t>{at(lo), at(hi)};
  };
  for (const auto& [fx, x] : sorted) {
    // 2 f_x - f_z and 3 f_x - 2 f_z for every other channel z, as the generation forms them.
    if (kinds.im3)
      for (auto [k, end] = within(2.0 * fx - t - kRoom, 2.0 * fx - t + kRoom); k < end; ++k)
        if (sorted[k].second != x) note(2.0 * fx - sorted[k].first);
    if (kinds.im5)
      for (auto [k, end] = within((3.0 * fx - t - kRoom) / 2.0, (3.0 * fx - t + kRoom) / 2.0); k < end; ++k)
        if (sorted[k].second != x) note(3.0 * fx - 2.0 * sorted[k].first);
  }
  if (!kinds.im3x3) return count;
  // f_x + f_y - f_z for every channel z and pair x, y without it whose sum lies near t + f_z.
  for (const auto& [fz, z] : sorted) {
    const double lo = t + fz - kRoom, hi = t + fz + kRoom;
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
        note(z == c[2] ? (f1 + f2) - f3 : z == c[1] ? f3 + (f1 - f2) : f3 + (f2 - f1));
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
  // Three or four transforms, each about log2(length) / 2 multiplications per place, at about
  // twice the cost of a generated product each; the first products then cost about as much as
  // the transforms again. The generation visits n^3 / 2 products.
  const double length = static_cast<double>(LengthFor(static_cast<int64_t>((hi - lo) * 1000.0) + 1, kinds));
  const double n = static_cast<double>(all.size());
  return 2 * 2 * (kinds.im5 ? 4 : 3) * length * std::log2(length) / 2 < n * n * n / 2;
}

bool TL_CountIMProducts(const std::vector<IMSource>& all, IMKinds kinds, std::vector<IMCount>& out) {
  out.clear();
  std::vector<int64_t> khz;
  if (!kinds.Any() || all.empty() || !WholeKilohertz(all, khz)) return false;
  const int64_t base = *std::min_element(khz.begin(), khz.end());
  const int64_t span = *std::max_element(khz.begin(), khz.end()) - base;
  const size_t length = LengthFor(span, kinds);
  if (length > kLongest) return false;

  // The comb: channels per kilohertz (from `base` on); the counts must stay below the modulus.
  std::vector<uint32_t> comb(static_cast<size_t>(span) + 1, 0);
  for (int64_t k : khz) ++comb[static_cast<size_t>(k - base)];
  const uint64_t n = all.size();
  const uint64_t most = *std::max_element(comb.begin(), comb.end());
  if (2 * n * n * most + 8 * n * most >= kP) return false;

  // c at b, 2 b and 3 b (positions modulo the length).
  const size_t mask = length - 1;
  std::vector<uint32_t> c1(length, 0), c2(length, 0), c3(kinds.im5 ? length : 0, 0);
  for (size_t b = 0; b < comb.size(); ++b) {
    if (!comb[b]) continue;
    const uint32_t m = To(comb[b]);
    c1[b & mask] = Add(c1[b & mask], m);
    c2[(2 * b) & mask] = Add(c2[(2 * b) & mask], m);
    if (kinds.im5) c3[(3 * b) & mask] = Add(c3[(3 * b) & mask], m);
  }
  Transform(c1, false);
  Transform(c2, false);
  if (kinds.im5) Transform(c3, false);

  // Twice the products per sum r (ordered choices, so that the halves stay whole):
  //   3Tx IM(3): all (x, y, z) with b_x + b_y - b_z = r, less those with x = y (the sums
  //              2 b_x - b_z), less those with z = x or z = y (2 n c(r)), plus x = y = z twice;
  //   2Tx IM(3): 2 (2 b_x - b_z) with x != z;  2Tx IM(5): 2 (3 b_x - 2 b_z) with x != z.
  // Transforms of the reversed sequences are those read at -k.
  const uint32_t three = To(kinds.im3x3 ? 1 : 0);
  const uint32_t twice = Sub(To(kinds.im3 ? 2 : 0), three);
  const uint32_t fifth = To(kinds.im5 ? 2 : 0);
  auto sum = [&](size_t k, size_t j) {
    uint32_t r = Mul(Mul(Mul(c1[k], c1[k]), c1[j]), three);
    r = Add(r, Mul(Mul(c2[k], c1[j]), twice));
    if (kinds.im5) r = Add(r, Mul(Mul(c3[k], c2[j]), fifth));
    return r;
  };
  std::vector<uint32_t>& twiceCounts = kinds.im5 ? c3 : c2;
  for (size_t k = 0; k <= length / 2; ++k) {
    const size_t j = (length - k) & mask;
    const uint32_t atK = sum(k, j), atJ = sum(j, k);
    twiceCounts[k] = atK;
    twiceCounts[j] = atJ;
  }
  Transform(twiceCounts, true);

  const int64_t single = (kinds.im3x3 ? 2 - 2 * static_cast<int64_t>(n) : 0) - (kinds.im3 ? 2 : 0) - (kinds.im5 ? 2 : 0);
  const int64_t below = (kinds.im5 ? 2 : 1) * span;  // the lowest sum is -below
  for (int64_t r = -below; r <= (kinds.im5 ? 3 : 2) * span; ++r) {
    int64_t doubled = From(twiceCounts[static_cast<size_t>(r) & mask]);
    if (r >= 0 && r <= span) doubled += single * comb[static_cast<size_t>(r)];
    if (doubled < 0) doubled += kP;
    if (doubled == 0) continue;
    const int64_t bin = base + r;
    if (bin <= 0 || bin >= TcIMFrequencyBuffer::kMaxBin) continue;  // the ends are counted below
    if (doubled % 2 != 0) {
      out.clear();
      return false;
    }
    out.push_back({static_cast<int32_t>(bin), static_cast<int32_t>(doubled / 2)});
  }
  if (const int32_t first = CountOnBin(all, kinds, 0); first > 0) out.insert(out.begin(), {0, first});
  if (const int32_t last = CountOnBin(all, kinds, TcIMFrequencyBuffer::kMaxBin); last > 0)
    out.push_back({TcIMFrequencyBuffer::kMaxBin, last});
  return true;
}

bool TL_AddCountedIMProducts(const std::vector<IMSource>& all, IMKinds kinds, IMTally tally, TcIMFrequencyBuffer& out) {
  std::vector<IMCount> counts;
  if (!TL_CountIMProducts(all, kinds, counts)) return false;
  std::vector<BinWindow> windows;
  for (const IMCount& c : counts) {
    if (!windows.empty() && windows.back().hi + 1 == c.bin)
      windows.back().hi = c.bin;
    else
      windows.push_back({c.bin, c.bin});
  }
  const IMFirstTable table(all, kinds, windows);
  struct Kept {
    uint64_t key;
    int32_t bin;
    int32_t count;
  };
  std::vector<Kept> kept;
  kept.reserve(counts.size());
  for (const IMCount& c : counts) {
    float f = 0.0f;
    int32_t type = 0;
    const uint64_t key = table.KeyAt(c.bin, f, type);
    if (key == IMFirstTable::kNone) return false;  // cannot be: every counted kilohertz has a product
    kept.push_back({key, c.bin, tally == IMTally::kCounts ? c.count : 1});
  }
  std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.key < b.key; });
  for (const Kept& k : kept) {
    const TcIMFrequency p = table.ItemAt(k.bin);
    out.GAddCountedRun(k.bin, k.count, p.GfFreq(), p.GeIMType(), p.GlIMSubType(), p.GlMicNr(0), p.GlSysNr(0),
                       p.GlMicNr(1), p.GlSysNr(1), p.GlMicNr(2), p.GlSysNr(2));
  }
  return true;
}

}  // namespace kova

