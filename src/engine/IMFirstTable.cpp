#include "engine/IMFirstTable.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/TcIMFrequencyBuffer.h"

namespace kova {

namespace {

// Below this many channels the full generation is faster.
constexpr size_t kMinChannels = 250;

// Marks per MHz: eighths of a kilohertz.
constexpr double kMarksPerMHz = 8000.0;
// A product of kilohertz u lies in the marks 8u - 4 ... 8u + 4; a pair sum's mark less a
// channel's mark is within one of the product's own, and the rounding of all three values moves
// them by far less than a mark: so the marks 8u - 5 ... 8u + 5 hold every product of u.
constexpr int64_t kMarkReach = 5;

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

}  // namespace

bool IMFirstTable::Pays(const std::vector<IMSource>& all, IMKinds kinds) {
  if (!kinds.im3x3 || all.size() < kMinChannels) return false;
  // The marks assume moderate values; other channels are left to the full generation.
  return std::all_of(all.begin(), all.end(), [](const IMSource& s) { return s.f >= 0.0 && s.f <= 1000.0; });
}

class IMFirstTable::Builder {
 public:
  Builder(IMFirstTable& table, IMKinds kinds, const std::vector<BinWindow>& windows)
      : n_(table.all_.size()), kinds_(kinds), lo_(table.lo_), cells_(table.cells_) {
    f_.reserve(n_);
    for (const IMSource& s : table.all_) f_.push_back(s.f);
    // Every kilohertz of the windows waits for its first product.
    waiting_.assign(cells_.size(), 0);
    for (const BinWindow& w : windows)
      std::fill(waiting_.begin() + (w.lo - lo_), waiting_.begin() + (w.hi - lo_) + 1, uint8_t{1});
    open_ = static_cast<size_t>(std::count(waiting_.begin(), waiting_.end(), uint8_t{1}));
    xLo_ = std::max(0.0, (lo_ - 0.5) / 1000.0 - 1e-9);
    xHi_ = std::min(1000.0, (table.hi_ + 0.5) / 1000.0 + 1e-9);
  }

  void Run(const std::vector<BinWindow>& windows) {
    if (kinds_.im3 || kinds_.im5) Pairs();
    if (!kinds_.im3x3 || n_ < 3) return;
    Marks(windows);
    const size_t done = Triples();
    if (open_ > 0) Rest(done);
  }

 private:
  // Generation-order key of the pair (a, b) with `within` the place inside the pair.
  uint64_t Key(size_t a, size_t b, uint64_t within) const {
    return (static_cast<uint64_t>(a) * n_ + b) * (3 * static_cast<uint64_t>(n_) + 4) + within;
  }
  // Cell index of product x, or -1 when it is none of the table's kilohertz.
  int64_t CellOf(double x) const {
    if (!(x >= xLo_ && x <= xHi_)) return -1;
    const int64_t i = static_cast<int64_t>(IMBinOf(x)) - lo_;
    return i >= 0 && i < static_cast<int64_t>(cells_.size()) ? i : -1;
  }

  // The products of two channels, in generation order: each waiting kilohertz keeps the first.
  // They are final once the triples of their first channel have been looked at.
  void Pairs() {
    auto note = [&](double x, uint8_t type, uint64_t within, size_t a, size_t b) {
      const int64_t i = CellOf(x);
      if (i < 0 || !waiting_[static_cast<size_t>(i)] || cells_[static_cast<size_t>(i)].key != kNone) return;
      cells_[static_cast<size_t>(i)] = {Key(a, b, within), static_cast<float>(x), type};
      pairFirsts_.push_back({a, static_cast<size_t>(i)});
    };
    for (size_t a = 0; a < n_; ++a)
      for (size_t b = a + 1; b < n_; ++b) {
        const double f1 = f_[a], f2 = f_[b];
        if (kinds_.im3) {
          note(2.0 * f1 - f2, kIM2Tx3, 0, a, b);
          note(2.0 * f2 - f1, kIM2Tx3, 1, a, b);
        }
        if (kinds_.im5) {
          note(3.0 * f1 - 2.0 * f2, kIM2Tx5, 2, a, b);
          note(3.0 * f2 - 2.0 * f1, kIM2Tx5, 3, a, b);
        }
      }
  }

  // The pair sums as marks, and from them the kilohertz that can hold a product of three
  // channels: the others have their first product already (or none) and wait no longer.
  void Marks(const std::vector<BinWindow>& windows) {
    const int64_t hi = lo_ + static_cast<int64_t>(cells_.size()) - 1;
    qLo_ = 8 * static_cast<int64_t>(lo_) - kMarkReach;
    const int64_t qHi = 8 * hi + kMarkReach;
    marks_.resize(n_);
    for (size_t k = 0; k < n_; ++k) marks_[k] = MarkOf(f_[k]);
    markMin_ = *std::min_element(marks_.begin(), marks_.end());
    const int64_t markMax = *std::max_element(marks_.begin(), marks_.end());
    // Pair sum marks s - markMin_ - qLo_ in 0 ... sumBits - 1 can give a product of the windows.
    const int64_t sumBits = (qHi - qLo_ + 1) + (markMax - markMin_);
    sums_.assign(static_cast<size_t>((sumBits + 63) / 64 + 3), 0);
    // Through the channels by frequency, so that the sums of each row rise and the stores stay near.
    std::vector<double> sorted(f_);
    std::sort(sorted.begin(), sorted.end());
    for (size_t x = 0; x < n_; ++x)
      for (size_t y = x + 1; y < n_; ++y) {
        const int64_t s = MarkOf(sorted[x] + sorted[y]) - markMin_ - qLo_;
        if (s < 0) continue;
        if (s >= sumBits) break;
        sums_[static_cast<size_t>(s >> 6)] |= uint64_t{1} << (s & 63);
      }

    // Every channel's shift of the sums, joined over the words that the windows need.
    const size_t accWords = static_cast<size_t>((qHi - qLo_ + 1 + 63) / 64);
    std::vector<uint64_t> acc(accWords + 1, 0);
    std::vector<std::pair<size_t, size_t>> runs;  // word ranges, end excluded
    for (const BinWindow& w : windows) {
      const size_t from = static_cast<size_t>((8 * static_cast<int64_t>(w.lo) - kMarkReach - qLo_) >> 6);
      const size_t to = static_cast<size_t>((8 * static_cast<int64_t>(w.hi) + kMarkReach - qLo_) >> 6) + 1;
      runs.push_back({from, to});
    }
    std::sort(runs.begin(), runs.end());
    std::vector<std::pair<size_t, size_t>> merged;
    for (const auto& r : runs) {
      if (!merged.empty() && r.first <= merged.back().second)
        merged.back().second = std::max(merged.back().second, r.second);
      else
        merged.push_back(r);
    }
    for (size_t z = 0; z < n_; ++z) {
      const int64_t dz = marks_[z] - markMin_;
      const uint64_t* src = sums_.data() + (dz >> 6);
      const int32_t shift = static_cast<int32_t>(dz & 63);
      for (const auto& [from, to] : merged) {
        if (shift == 0) {
          for (size_t i = from; i < to; ++i) acc[i] |= src[i];
        } else {
          for (size_t i = from; i < to; ++i) acc[i] |= (src[i] >> shift) | (src[i + 1] << (64 - shift));
        }
      }
    }
    for (size_t i = 0; i < waiting_.size(); ++i) {
      if (!waiting_[i]) continue;
      if (AnyBit(acc.data(), 8 * static_cast<int64_t>(i + static_cast<size_t>(lo_)) - kMarkReach - qLo_,
                 2 * kMarkReach + 1))
        continue;
      waiting_[i] = 0;
      --open_;
    }
  }

  // The triples in generation order until no kilohertz waits, or until finding the rest one by
  // one costs less than another first channel. Returns how many first channels were done.
  size_t Triples() {
    size_t next = 0;  // pairFirsts_ that are not final yet
    const uint64_t per = 3 * static_cast<uint64_t>(n_) + 4;
    for (size_t a = 0; a + 2 < n_; ++a) {
      if (open_ == 0) return a;
      const double rest = static_cast<double>(n_ - a);
      if (a > 0 && static_cast<double>(open_) * static_cast<double>(n_) * kRestPerChannel < 1.5 * rest * rest) return a;
      const double f1 = f_[a];
      for (size_t b = a + 1; b < n_; ++b) {
        const double f2 = f_[b];
        const double sum = f1 + f2;
        const double d12 = f1 - f2;
        const double d21 = f2 - f1;
        const uint64_t base = (static_cast<uint64_t>(a) * n_ + b) * per + 4;
        for (size_t c = b + 1; c < n_; ++c) {
          const double f3 = f_[c];
          const double x[3] = {sum - f3, f3 + d12, f3 + d21};
          for (int32_t k = 0; k < 3; ++k) {
            const int64_t i = CellOf(x[k]);
            if (i < 0 || !waiting_[static_cast<size_t>(i)]) continue;
            Take(static_cast<size_t>(i), base + 3 * c + static_cast<uint64_t>(k), x[k]);
            if (open_ == 0) return a + 1;
          }
        }
      }
      // The pair products of first channel a come before every triple of a later first channel.
      for (; next < pairFirsts_.size() && pairFirsts_[next].first == a; ++next) {
        const size_t i = pairFirsts_[next].second;
        if (waiting_[i]) {
          waiting_[i] = 0;
          --open_;
        }
      }
    }
    return n_;
  }

  // Kilohertz i gets the product of three channels with key `key` (the first of its kind there).
  void Take(size_t i, uint64_t key, double x) {
    Cell& cell = cells_[i];
    if (key < cell.key) cell = {key, static_cast<float>(x), kIM3Tx3};
    waiting_[i] = 0;
    --open_;
  }

  // The kilohertz still waiting, each from the pair sums near it: no product of a first channel
  // before `done` falls there, so only the channels from `done` on take part.
  void Rest(size_t done) {
    std::vector<std::pair<double, size_t>> later;  // by frequency
    for (size_t k = done; k < n_; ++k) later.push_back({f_[k], k});
    std::sort(later.begin(), later.end());
    const size_t m = later.size();
    const uint64_t per = 3 * static_cast<uint64_t>(n_) + 4;
    for (size_t i = 0; i < waiting_.size(); ++i) {
      if (!waiting_[i]) continue;
      const int64_t u = static_cast<int64_t>(i) + lo_;
      Cell best = cells_[i];
      for (size_t z = done; z < n_; ++z) {
        if (!AnyBit(sums_.data(), 8 * u - kMarkReach - qLo_ + (marks_[z] - markMin_), 2 * kMarkReach + 1)) continue;
        // The pairs whose sum lies near u + f_z (with room for rounding; the product decides).
        const double low = (static_cast<double>(u) - 0.5) / 1000.0 + f_[z] - 1e-6;
        const double high = (static_cast<double>(u) + 0.5) / 1000.0 + f_[z] + 1e-6;
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
            uint64_t sub;
            double v;
            if (z == t[2]) {
              sub = 0;
              v = (f1 + f2) - f3;
            } else if (z == t[1]) {
              sub = 1;
              v = f3 + (f1 - f2);
            } else {
              sub = 2;
              v = f3 + (f2 - f1);
            }
            if (CellOf(v) != static_cast<int64_t>(i)) continue;
            const uint64_t key = (static_cast<uint64_t>(t[0]) * n_ + t[1]) * per + 4 + 3 * t[2] + sub;
            if (key < best.key) best = {key, static_cast<float>(v), kIM3Tx3};
          }
        }
      }
      cells_[i] = best;
      waiting_[i] = 0;
      --open_;
    }
  }

  // Finding one waiting kilohertz from the pair sums costs about this many triples per channel.
  static constexpr double kRestPerChannel = 8.0;

  const size_t n_;
  const IMKinds kinds_;
  const int32_t lo_;
  std::vector<Cell>& cells_;
  std::vector<double> f_;
  std::vector<uint8_t> waiting_;  // per cell: its first product may still come
  size_t open_ = 0;               // cells waiting
  double xLo_ = 0, xHi_ = 0;      // the products that can fall on a cell
  std::vector<std::pair<size_t, size_t>> pairFirsts_;  // (first channel, cell) in generation order
  std::vector<int64_t> marks_;    // per channel its mark
  int64_t markMin_ = 0;
  int64_t qLo_ = 0;               // the mark of bit 0 of the joined shifts
  std::vector<uint64_t> sums_;    // the pair sum marks, from markMin_ + qLo_ on
};

IMFirstTable::IMFirstTable(std::vector<IMSource> all, IMKinds kinds, const std::vector<BinWindow>& windows)
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
  Builder(*this, kinds, clamped).Run(clamped);
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
    const uint8_t sub = static_cast<uint8_t>(within % 2 + 1);
    item.Set(cell.f, cell.type, sub, a.mic, a.sys, b.mic, b.sys, 0, 0);
  } else {
    const IMSource& c = all_[static_cast<size_t>((within - 4) / 3)];
    item.Set(cell.f, kIM3Tx3, static_cast<uint8_t>((within - 4) % 3 + 1), a.mic, a.sys, b.mic, b.sys, c.mic, c.sys);
  }
  return item;
}

}  // namespace kova
