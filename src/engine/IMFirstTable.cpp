#include "engine/IMFirstTable.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <utility>

#include "engine/TcIMFrequencyBuffer.h"

namespace kova {

namespace {

// Below this many channels the full generation is faster.
std::atomic<size_t> minChannels{250};

// Marks per MHz: eighths of a kilohertz.
constexpr double kMarksPerMHz = 8000.0;
// A product of kilohertz u lies in the marks 8u - 4 ... 8u + 4; a sum's mark less a channel's
// mark is within one of the product's own, and the rounding of all three values moves them by
// far less than a mark: so the marks 8u - 5 ... 8u + 5 hold every product of u.
constexpr int64_t kMarkReach = 5;
constexpr int64_t kMarkSpan = 2 * kMarkReach + 1;

inline int64_t MarkOf(double f) { return static_cast<int64_t>(std::floor(f * kMarksPerMHz)); }

// Whether any of the bits first ... first + count - 1 (count <= 64) of `words` is set.
inline bool AnyBit(const uint64_t* words, int64_t first, int64_t count) {
  const uint64_t* w = words + (first >> 6);
  const int32_t shift = static_cast<int32_t>(first & 63);
  uint64_t bits = w[0] >> shift;
  if (shift + count > 64) bits |= w[1] << (64 - shift);
  const uint64_t mask = count == 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
  return (bits & mask) != 0;
}

// One bit per cell.
class CellBits {
 public:
  void Assign(size_t cells) { words_.assign(cells / 64 + 1, 0); }
  bool Test(size_t i) const { return (words_[i >> 6] >> (i & 63)) & 1; }
  void Set(size_t i) { words_[i >> 6] |= uint64_t{1} << (i & 63); }
  void Clear(size_t i) { words_[i >> 6] &= ~(uint64_t{1} << (i & 63)); }
  // f(i) for every set bit, in ascending order (f may clear bits).
  template <class F>
  void ForEach(F&& f) const {
    for (size_t w = 0; w < words_.size(); ++w)
      for (uint64_t bits = words_[w]; bits; bits &= bits - 1) f(w * 64 + static_cast<size_t>(std::countr_zero(bits)));
  }

 private:
  std::vector<uint64_t> words_;
};

}  // namespace

size_t IMFirstTable::MinChannels() { return minChannels; }
void IMFirstTable::MinChannels(size_t channels) { minChannels = channels; }

bool IMFirstTable::Pays(const std::vector<IMSource>& all, IMKinds kinds) {
  if (!kinds.im3x3 || all.size() < minChannels) return false;
  // The marks assume moderate values; other channels are left to the full generation.
  return std::all_of(all.begin(), all.end(), [](const IMSource& s) { return s.f >= 0.0 && s.f <= 1000.0; });
}

class IMFirstTable::Builder {
 public:
  Builder(IMFirstTable& table, IMKinds kinds, const std::vector<BinWindow>& windows, size_t firstChannels)
      : n_(table.all_.size()), per_(3 * static_cast<uint64_t>(n_) + 4), kinds_(kinds), lo_(table.lo_),
        cells_(table.cells_), firstChannels_(firstChannels) {
    f_.reserve(n_);
    for (const IMSource& s : table.all_) f_.push_back(s.f);
    // Every kilohertz of the windows waits for its first product.
    waiting_.Assign(cells_.size());
    for (const BinWindow& w : windows)
      for (int32_t bin = w.lo; bin <= w.hi; ++bin) waiting_.Set(static_cast<size_t>(bin - lo_));
    waiting_.ForEach([&](size_t) { ++open_; });
    xLo_ = std::max(0.0, (lo_ - 0.5) / 1000.0 - 1e-9);
    xHi_ = std::min(1000.0, (table.hi_ + 0.5) / 1000.0 + 1e-9);
  }

  // The products in generation order, first channel a = 0, 1, ..., each looked at only where its
  // kilohertz still waits: the first to fall there is its first product. After the first channel
  // the marks tell which of the kilohertz still waiting can get a product at all. This goes on
  // until none waits, or until finding the rest one by one costs less than another first channel.
  void Run() {
    for (size_t a = 0; a + 1 < n_ && open_ > 0; ++a) {
      if (a == 1) Marks();
      const double rest = static_cast<double>(n_ - a);
      if (a > 0 && (a >= firstChannels_ ||
                    static_cast<double>(open_) * static_cast<double>(n_) * kRestPerChannel < 1.5 * rest * rest)) {
        Rest(a);
        return;
      }
      FirstChannel(a);
    }
  }

 private:
  // Generation-order key of the pair (a, b) with `within` the place inside the pair.
  uint64_t Key(size_t a, size_t b, uint64_t within) const { return (static_cast<uint64_t>(a) * n_ + b) * per_ + within; }
  // Cell index of product x, or -1 when it is none of the table's kilohertz.
  int64_t CellOf(double x) const {
    if (!(x >= xLo_ && x <= xHi_)) return -1;
    const int64_t i = static_cast<int64_t>(IMBinOf(x)) - lo_;
    return i >= 0 && i < static_cast<int64_t>(cells_.size()) ? i : -1;
  }
  void Close(size_t i) {
    waiting_.Clear(i);
    --open_;
  }

  // Every product of first channel a in generation order.
  void FirstChannel(size_t a) {
    auto take = [&](double x, uint8_t type, uint64_t key) {
      const int64_t i = CellOf(x);
      if (i < 0 || !waiting_.Test(static_cast<size_t>(i))) return false;
      cells_[static_cast<size_t>(i)] = {key, static_cast<float>(x), type};
      Close(static_cast<size_t>(i));
      return open_ == 0;
    };
    const double f1 = f_[a];
    for (size_t b = a + 1; b < n_; ++b) {
      const double f2 = f_[b];
      const uint64_t base = Key(a, b, 0);
      if (kinds_.im3 && (take(2.0 * f1 - f2, kIM2Tx3, base) || take(2.0 * f2 - f1, kIM2Tx3, base + 1))) return;
      if (kinds_.im5 && (take(3.0 * f1 - 2.0 * f2, kIM2Tx5, base + 2) || take(3.0 * f2 - 2.0 * f1, kIM2Tx5, base + 3)))
        return;
      if (!kinds_.im3x3) continue;
      const double sum = f1 + f2;
      const double d12 = f1 - f2;
      const double d21 = f2 - f1;
      for (size_t c = b + 1; c < n_; ++c) {
        const double f3 = f_[c];
        const uint64_t key = base + 4 + 3 * c;
        if (take(sum - f3, kIM3Tx3, key) || take(f3 + d12, kIM3Tx3, key + 1) || take(f3 + d21, kIM3Tx3, key + 2))
          return;
      }
    }
  }

  // The waiting kilohertz that can hold a product at all; the others have none and wait no
  // longer. The products f_x + f_y - f_z (three channels) and 2 f_x - f_z (2Tx IM(3)) are a sum
  // less a channel: the sums are marked in eighths of a kilohertz, and these marks, shifted down
  // by each channel's mark and joined, show every eighth where such a product can lie. The few
  // 2Tx IM(5) products are marked one by one.
  void Marks() {
    const int64_t hi = lo_ + static_cast<int64_t>(cells_.size()) - 1;
    qLo_ = 8 * static_cast<int64_t>(lo_) - kMarkReach;
    const int64_t qHi = 8 * hi + kMarkReach;
    marks_.resize(n_);
    for (size_t k = 0; k < n_; ++k) marks_[k] = MarkOf(f_[k]);
    markMin_ = *std::min_element(marks_.begin(), marks_.end());
    const int64_t markMax = *std::max_element(marks_.begin(), marks_.end());
    // Sum marks s - markMin_ - qLo_ in 0 ... sumBits_ - 1 can give a product of a cell.
    sumBits_ = (qHi - qLo_ + 1) + (markMax - markMin_);
    std::vector<uint64_t> sums(static_cast<size_t>((sumBits_ + 63) / 64 + 3), 0);
    // Through the channels by frequency, so that the sums of each row rise and the stores stay near.
    std::vector<double> sorted(f_);
    std::sort(sorted.begin(), sorted.end());
    for (size_t x = 0; x < n_; ++x)
      for (size_t y = kinds_.im3 ? x : x + 1; y < n_ && (kinds_.im3x3 || y == x); ++y) {
        const int64_t s = MarkOf(sorted[x] + sorted[y]) - markMin_ - qLo_;
        if (s < 0) continue;
        if (s >= sumBits_) break;
        sums[static_cast<size_t>(s >> 6)] |= uint64_t{1} << (s & 63);
      }

    // The words of marks that the waiting cells need, in runs of consecutive words.
    std::vector<std::pair<size_t, size_t>> runs;  // [from, to)
    waiting_.ForEach([&](size_t i) {
      const int64_t q = 8 * (static_cast<int64_t>(i) + lo_) - qLo_;
      const size_t from = static_cast<size_t>((q - kMarkReach) >> 6);
      const size_t to = static_cast<size_t>((q + kMarkReach) >> 6) + 1;
      if (!runs.empty() && from <= runs.back().second)
        runs.back().second = std::max(runs.back().second, to);
      else
        runs.push_back({from, to});
    });
    // A block of words at a time, so that the joined words stay in the nearest cache while every
    // channel passes.
    constexpr size_t kBlock = 256;
    std::vector<uint64_t> joined(static_cast<size_t>((qHi - qLo_ + 1 + 63) / 64) + 1, 0);
    for (const auto& [from, to] : runs)
      for (size_t begin = from; begin < to; begin += kBlock) {
        const size_t end = std::min(to, begin + kBlock);
        uint64_t* out = joined.data();
        for (size_t z = 0; z < n_; ++z) {
          const int64_t dz = marks_[z] - markMin_;
          const uint64_t* src = sums.data() + (dz >> 6);
          const int32_t shift = static_cast<int32_t>(dz & 63);
          if (shift == 0) {
            for (size_t i = begin; i < end; ++i) out[i] |= src[i];
          } else {
            for (size_t i = begin; i < end; ++i) out[i] |= (src[i] >> shift) | (src[i + 1] << (64 - shift));
          }
        }
      }
    CellBits fifth;
    fifth.Assign(cells_.size());
    if (kinds_.im5)
      for (size_t a = 0; a < n_; ++a)
        for (size_t b = a + 1; b < n_; ++b)
          for (const double x : {3.0 * f_[a] - 2.0 * f_[b], 3.0 * f_[b] - 2.0 * f_[a]})
            if (const int64_t i = CellOf(x); i >= 0) fifth.Set(static_cast<size_t>(i));
    waiting_.ForEach([&](size_t i) {
      if (!fifth.Test(i) && !AnyBit(joined.data(), 8 * (static_cast<int64_t>(i) + lo_) - kMarkReach - qLo_, kMarkSpan))
        Close(i);
    });
  }

  // The kilohertz still waiting, each on its own: no product of a first channel before `done`
  // falls there, so only the channels from `done` on take part.
  void Rest(size_t done) {
    std::vector<std::pair<double, size_t>> later;  // by frequency
    for (size_t k = done; k < n_; ++k) later.push_back({f_[k], k});
    std::sort(later.begin(), later.end());
    // How many pairs of these channels have their sum on each mark (up to 255).
    std::vector<uint8_t> counts;
    if (kinds_.im3x3) {
      counts.assign(static_cast<size_t>(sumBits_) + 16, 0);
      for (size_t p = 0; p < later.size(); ++p)
        for (size_t q = p + 1; q < later.size(); ++q) {
          const int64_t s = MarkOf(later[p].first + later[q].first) - markMin_ - qLo_;
          if (s < 0) continue;
          if (s >= sumBits_) break;
          uint8_t& c = counts[static_cast<size_t>(s)];
          if (c != 255) ++c;
        }
    }
    waiting_.ForEach([&](size_t i) {
      const int64_t u = static_cast<int64_t>(i) + lo_;
      Cell best = cells_[i];
      auto offer = [&](double x, uint8_t type, uint64_t key) {
        if (key < best.key && CellOf(x) == static_cast<int64_t>(i)) best = {key, static_cast<float>(x), type};
      };
      PairsOn(u, later, offer);
      if (kinds_.im3x3) TriplesOn(u, later, counts, offer);
      cells_[i] = best;
      Close(i);
    });
  }

  // The channels of `later` whose frequency lies in [lo, hi] (MHz).
  static std::pair<size_t, size_t> Within(const std::vector<std::pair<double, size_t>>& later, double lo, double hi) {
    auto at = [&](double f) {
      return static_cast<size_t>(std::lower_bound(later.begin(), later.end(), std::pair<double, size_t>{f, 0}) -
                                 later.begin());
    };
    return {at(lo), at(std::nextafter(hi, 2000.0))};
  }

  // offer(x, type, key) for every product of two `later` channels that may fall on kilohertz u:
  // for each first channel, by rising frequency, the second channels whose frequency lies where
  // they form a product near u. Each of the four products has its own range of second
  // frequencies, and each range rises with the first frequency.
  template <class Offer>
  void PairsOn(int64_t u, const std::vector<std::pair<double, size_t>>& later, Offer&& offer) const {
    const double lo = (static_cast<double>(u) - 0.5) / 1000.0 - 1e-6;
    const double hi = (static_cast<double>(u) + 0.5) / 1000.0 + 1e-6;
    const size_t m = later.size();
    std::array<std::pair<size_t, size_t>, 4> range{};  // [from, to) per product
    for (const auto& [f1, a] : later) {
      auto each = [&](size_t k, double bLo, double bHi, uint8_t type, auto&& form) {
        auto& [from, to] = range[k];
        while (from < m && later[from].first < bLo) ++from;
        to = std::max(to, from);
        while (to < m && later[to].first <= bHi) ++to;
        for (size_t j = from; j < to; ++j)
          if (const size_t b = later[j].second; b > a) offer(form(f_[b]), type, Key(a, b, k));
      };
      if (kinds_.im3) {
        each(0, 2.0 * f1 - hi, 2.0 * f1 - lo, kIM2Tx3, [&](double f2) { return 2.0 * f1 - f2; });
        each(1, (lo + f1) / 2.0, (hi + f1) / 2.0, kIM2Tx3, [&](double f2) { return 2.0 * f2 - f1; });
      }
      if (kinds_.im5) {
        each(2, (3.0 * f1 - hi) / 2.0, (3.0 * f1 - lo) / 2.0, kIM2Tx5, [&](double f2) { return 3.0 * f1 - 2.0 * f2; });
        each(3, (lo + 2.0 * f1) / 3.0, (hi + 2.0 * f1) / 3.0, kIM2Tx5, [&](double f2) { return 3.0 * f2 - 2.0 * f1; });
      }
    }
  }

  // offer(x, type, key) for every product of three `later` channels that may fall on kilohertz
  // u: for each channel z, the pairs whose sum lies near u + f_z (found when `counts` has any).
  template <class Offer>
  void TriplesOn(int64_t u, const std::vector<std::pair<double, size_t>>& later, const std::vector<uint8_t>& counts,
                 Offer&& offer) const {
    const size_t m = later.size();
    // A channel y on u makes the pair of y and z sum to about u + f_z for every z, which is no
    // product of three channels: such pairs are taken off the counts.
    const auto [nearFrom, nearTo] = Within(later, (static_cast<double>(u) - 2) / 1000.0, (static_cast<double>(u) + 2) / 1000.0);
    for (const auto& [fz, z] : later) {
      const int64_t first = 8 * u - kMarkReach - qLo_ + (marks_[z] - markMin_);
      int32_t pairs = 0;
      for (int64_t k = first; k < first + kMarkSpan; ++k) pairs += counts[static_cast<size_t>(k)];
      for (size_t y = nearFrom; y < nearTo && pairs > 0 && pairs < 255; ++y) {
        const int64_t s = MarkOf(fz + later[y].first) - markMin_ - qLo_;
        if (later[y].second != z && s >= first && s < first + kMarkSpan) --pairs;
      }
      if (pairs <= 0) continue;
      // The pairs whose sum lies near u + f_z (with room for rounding; the product decides).
      const double low = (static_cast<double>(u) - 0.5) / 1000.0 + fz - 1e-6;
      const double high = (static_cast<double>(u) + 0.5) / 1000.0 + fz + 1e-6;
      size_t top = m;     // later[j] with j < top: sum <= high
      size_t bottom = m;  // later[j] with j >= bottom: sum >= low
      for (size_t p = 0; p < m; ++p) {
        const double g = later[p].first;
        while (top > 0 && g + later[top - 1].first > high) --top;
        while (bottom > 0 && g + later[bottom - 1].first >= low) --bottom;
        if (top <= p + 1) break;
        for (size_t q = std::max(bottom, p + 1); q < top; ++q) {
          const size_t x = later[p].second, y = later[q].second;
          if (x == z || y == z) continue;
          // The triple in generation order and the sub-type that forms f_x + f_y - f_z.
          size_t t[3] = {x, y, z};
          std::sort(t, t + 3);
          const double f1 = f_[t[0]], f2 = f_[t[1]], f3 = f_[t[2]];
          const uint64_t key = Key(t[0], t[1], 4 + 3 * t[2]);
          if (z == t[2]) offer((f1 + f2) - f3, kIM3Tx3, key);
          else if (z == t[1]) offer(f3 + (f1 - f2), kIM3Tx3, key + 1);
          else offer(f3 + (f2 - f1), kIM3Tx3, key + 2);
        }
      }
    }
  }

  // Finding one waiting kilohertz on its own costs about this many products per channel.
  static constexpr double kRestPerChannel = 30.0;

  const size_t n_;
  const uint64_t per_;  // keys per pair
  const IMKinds kinds_;
  const int32_t lo_;
  std::vector<Cell>& cells_;
  const size_t firstChannels_;
  std::vector<double> f_;
  CellBits waiting_;          // the cells whose first product may still come
  size_t open_ = 0;           // cells waiting
  double xLo_ = 0, xHi_ = 0;  // the products that can fall on a cell
  std::vector<int64_t> marks_;  // per channel its mark
  int64_t markMin_ = 0;
  int64_t qLo_ = 0;      // the mark of bit 0 of the joined shifts
  int64_t sumBits_ = 0;  // the sum marks that can give a product of a cell
};

IMFirstTable::IMFirstTable(std::vector<IMSource> all, IMKinds kinds, const std::vector<BinWindow>& windows,
                           size_t firstChannels)
    : all_(std::move(all)) {
  std::vector<BinWindow> clamped;
  for (BinWindow w : windows) {
    w.lo = std::max(w.lo, 0);
    w.hi = std::min(w.hi, TcIMFrequencyBuffer::kMaxBin);
    if (w.lo <= w.hi) clamped.push_back(w);
  }
  if (clamped.empty() || all_.size() < 2) return;
  lo_ = clamped[0].lo;
  hi_ = clamped[0].hi;
  for (const BinWindow& w : clamped) {
    lo_ = std::min(lo_, w.lo);
    hi_ = std::max(hi_, w.hi);
  }
  cells_.assign(static_cast<size_t>(hi_ - lo_ + 1), Cell{});
  Builder(*this, kinds, clamped, firstChannels).Run();
}

TcIMFrequency IMFirstTable::ItemAt(int32_t bin) const {
  const Cell& cell = cells_[static_cast<size_t>(bin - lo_)];
  const size_t n = all_.size();
  const uint64_t per = 3 * static_cast<uint64_t>(n) + 4;
  const uint64_t pair = cell.key / per;
  const uint64_t within = cell.key % per;
  const IMSource& a = all_[static_cast<size_t>(pair / n)];
  const IMSource& b = all_[static_cast<size_t>(pair % n)];
  TcIMFrequency item;
  if (within < 4) {
    item.Set(cell.f, cell.type, static_cast<uint8_t>(within % 2 + 1), a.mic, a.sys, b.mic, b.sys, 0, 0);
  } else {
    const IMSource& c = all_[static_cast<size_t>((within - 4) / 3)];
    item.Set(cell.f, kIM3Tx3, static_cast<uint8_t>((within - 4) % 3 + 1), a.mic, a.sys, b.mic, b.sys, c.mic, c.sys);
  }
  return item;
}

}  // namespace kova
