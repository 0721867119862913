#include "engine/DenseProducts.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "engine/TcIMFrequency.h"
#include "engine/TcIMFrequencyBuffer.h"

namespace kova {

namespace {

constexpr size_t kCells = static_cast<size_t>(TcIMFrequencyBuffer::kMaxBin) + 1;

}  // namespace

void DenseProducts::Free::operator()(Bin* p) const { std::free(p); }

DenseProducts::Bins DenseProducts::NewBins() {
  auto* p = static_cast<Bin*>(std::malloc(kCells * sizeof(Bin)));
  if (!p) throw std::bad_alloc();
  std::uninitialized_fill_n(p, kCells, Bin{});
  return Bins(p);
}

void DenseProducts::Clear(Bin* bins, int32_t& lo, int32_t& hi) {
  if (bins && lo <= hi) std::fill(bins + lo, bins + hi + 1, Bin{});
  lo = TcIMFrequencyBuffer::kMaxBin + 1;
  hi = -1;
}

void DenseProducts::Prepare(const std::vector<IMSource>& all, size_t m) {
  if (!rest_) rest_ = NewBins();
  if (!moving_) moving_ = NewBins();
  Clear(rest_.get(), restLo_, restHi_);
  Clear(moving_.get(), movingLo_, movingHi_);
  for (auto& list : sums_) list.clear();
  for (auto& list : diffs_) list.clear();
  const auto n = static_cast<int32_t>(all.size());
  const auto mi = static_cast<int32_t>(m);
  // Each list sorted by its sums or differences.
  struct Valued {
    double v;
    Pair p;
  };
  std::vector<Valued> sums[3], diffs[6];
  for (int32_t x = 0; x < n; ++x) {
    if (x == mi) continue;
    for (int32_t y = x + 1; y < n; ++y) {
      if (y == mi) continue;
      const double fx = all[static_cast<size_t>(x)].f, fy = all[static_cast<size_t>(y)].f;
      const int place = y < mi ? 0 : x < mi ? 1 : 2;
      const auto ux = static_cast<uint16_t>(x), uy = static_cast<uint16_t>(y);
      sums[place].push_back({fx + fy, {ux, uy}});
      diffs[2 * place].push_back({fx - fy, {ux, uy}});
      diffs[2 * place + 1].push_back({fy - fx, {uy, ux}});
    }
  }
  auto sorted = [](std::vector<Valued>& from, std::vector<Pair>& to) {
    std::sort(from.begin(), from.end(), [](const Valued& a, const Valued& b) { return a.v < b.v; });
    to.resize(from.size());
    for (size_t i = 0; i < from.size(); ++i) to[i] = from[i].p;
    std::vector<Valued>().swap(from);
  };
  for (int k = 0; k < 3; ++k) sorted(sums[k], sums_[k]);
  for (int k = 0; k < 6; ++k) sorted(diffs[k], diffs_[k]);
}

void DenseProducts::AddRest(int32_t bin, uint64_t key, float f, int32_t count) {
  rest_[static_cast<size_t>(bin)] = {key, f, count};
  restLo_ = std::min(restLo_, bin);
  restHi_ = std::max(restHi_, bin);
}

void DenseProducts::GenerateMoving(const std::vector<IMSource>& all, size_t m, IMKinds kinds) {
  Clear(moving_.get(), movingLo_, movingHi_);
  const uint64_t n = all.size();
  const uint64_t K = 3 * n + 4;  // places per pair in generation order
  const double fm = all[m].f;
  Bin* const bins = moving_.get();
  int32_t lo = movingLo_, hi = movingHi_;
  auto note = [&](double f, uint64_t key) {
    if (!IMInWindow(f)) return;
    const auto bin = static_cast<int32_t>(IMBinOf(f));
    Bin& b = bins[static_cast<size_t>(bin)];
    // Without a branch: which product of a kilohertz comes first is hard to foretell.
    const bool earlier = key < b.key;
    b.f = earlier ? static_cast<float>(f) : b.f;
    b.key = earlier ? key : b.key;
    ++b.count;
  };
  auto F = [&](int32_t i) { return all[static_cast<size_t>(i)].f; };
  auto U = [](int32_t i) { return static_cast<uint64_t>(i); };

  // The pairs with m: 2Tx IM(3) places 0 and 1, 2Tx IM(5) places 2 and 3 of each pair.
  auto notePair = [&](double f, uint64_t key) {
    note(f, key);
    if (!IMInWindow(f)) return;
    lo = std::min(lo, static_cast<int32_t>(IMBinOf(f)));
    hi = std::max(hi, static_cast<int32_t>(IMBinOf(f)));
  };
  for (uint64_t o = 0; o < n; ++o) {
    if (o == m) continue;
    const uint64_t a = std::min<uint64_t>(o, m), b = std::max<uint64_t>(o, m);
    const double f1 = all[a].f, f2 = all[b].f;
    const uint64_t base = (a * n + b) * K;
    if (kinds.im3) {
      notePair(2.0 * f1 - f2, base);
      notePair(2.0 * f2 - f1, base + 1);
    }
    if (kinds.im5) {
      notePair(3.0 * f1 - 2.0 * f2, base + 2);
      notePair(3.0 * f2 - 2.0 * f1, base + 3);
    }
  }
  if (!kinds.im3x3) {
    movingLo_ = lo;
    movingHi_ = hi;
    return;
  }

  // The triples {x, y, m}, x < y: triple (a, b, c) in channel order gives sum - f_c (sub-type
  // 1), f_c + (f_a - f_b) (2) and f_c + (f_b - f_a) (3), at place 4 + 3c + sub - 1 of pair (a, b).
  const uint64_t mm = m;
  auto place = [&](uint64_t a, uint64_t b, uint64_t c, uint64_t sub) { return (a * n + b) * K + 4 + 3 * c + sub - 1; };
  // Each list is walked in order of its sums or differences, so that its products arrive in
  // ascending kilohertz. The kilohertz they touch lie within one of the estimates sum - f_m or
  // f_m + difference of the list's ends (the exact expressions differ from them in the last bits
  // only).
  auto sum = [&](const Pair& p) { return F(p.x) + F(p.y); };
  auto diff = [&](const Pair& p) { return F(p.x) - F(p.y); };
  auto walk = [&](const std::vector<Pair>& list, auto&& estimate, auto&& product) {
    if (list.empty()) return;
    for (const Pair& p : list) product(p);
    for (const double x : {estimate(list.front()), estimate(list.back())}) {
      const double bin = std::clamp(x * 1000.0, 0.0, static_cast<double>(TcIMFrequencyBuffer::kMaxBin));
      lo = std::min(lo, std::max(0, static_cast<int32_t>(bin) - 1));
      hi = std::max(hi, std::min(TcIMFrequencyBuffer::kMaxBin, static_cast<int32_t>(bin) + 2));
    }
  };
  auto below = [&](const Pair& p) { return sum(p) - fm; };
  auto above = [&](const Pair& p) { return fm + diff(p); };
  // Sums: x < y < m, x < m < y, m < x < y.
  walk(sums_[0], below, [&](const Pair& p) { note(sum(p) - fm, place(U(p.x), U(p.y), mm, 1)); });
  walk(sums_[1], below, [&](const Pair& p) { note(F(p.y) + (F(p.x) - fm), place(U(p.x), mm, U(p.y), 2)); });
  walk(sums_[2], below, [&](const Pair& p) { note(F(p.y) + (F(p.x) - fm), place(mm, U(p.x), U(p.y), 3)); });
  // Differences f_p - f_q (p in x, q in y), by the same places of m, p before q first.
  walk(diffs_[0], above, [&](const Pair& p) { note(fm + diff(p), place(U(p.x), U(p.y), mm, 2)); });
  walk(diffs_[1], above, [&](const Pair& p) { note(fm + diff(p), place(U(p.y), U(p.x), mm, 3)); });
  walk(diffs_[2], above, [&](const Pair& p) { note((F(p.x) + fm) - F(p.y), place(U(p.x), mm, U(p.y), 1)); });
  walk(diffs_[3], above, [&](const Pair& p) { note(F(p.x) + (fm - F(p.y)), place(U(p.y), mm, U(p.x), 3)); });
  walk(diffs_[4], above, [&](const Pair& p) { note((fm + F(p.x)) - F(p.y), place(mm, U(p.x), U(p.y), 1)); });
  walk(diffs_[5], above, [&](const Pair& p) { note(F(p.x) + (fm - F(p.y)), place(mm, U(p.y), U(p.x), 2)); });
  movingLo_ = lo;
  movingHi_ = hi;
}

}  // namespace kova
