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
constexpr size_t kMinChannels = 150;
std::atomic<size_t> minChannels{kMinChannels};

// Marks per MHz: eighths of a kilohertz.
constexpr double kMarksPerMHz = 8000.0;
// A product of kilohertz u lies in the marks 8u - 4 ... 8u + 4; a sum's mark less a channel's
// mark is within one of the product's own, and the rounding of all three values moves them by
// far less than a mark: so the marks 8u - 5 ... 8u + 5 hold every product of u.
constexpr int64_t kMarkReach = 5;
constexpr int64_t kMarkSpan = 2 * kMarkReach + 1;

// The largest whole number not above x (for the values here, without a call to floor).
inline int64_t Floor(double x) {
  const int64_t t = static_cast<int64_t>(x);
  return t - (x < static_cast<double>(t));
}

inline int64_t MarkOf(double f) { return Floor(f * kMarksPerMHz); }

// Whether any of the bits first ... first + count - 1 (count <= 64) of `words` is set.
inline bool AnyBit(const uint64_t* words, int64_t first, int64_t count) {
  const uint64_t* w = words + (first >> 6);
  const int32_t shift = static_cast<int32_t>(first & 63);
  uint64_t bits = w[0] >> shift;
  if (shift + count > 64) bits |= w[1] << (64 - shift);
  const uint64_t mask = count == 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
  return (bits & mask) != 0;
}

inline int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Word w of the bits of `src` from bit 64 w + shift on.
inline uint64_t Shifted(const uint64_t* src, int64_t shift, size_t w) {
  const uint64_t* at = src + w + static_cast<size_t>(shift >> 6);
  const int32_t bit = static_cast<int32_t>(shift & 63);
  return bit == 0 ? at[0] : (at[0] >> bit) | (at[1] << (64 - bit));
}

// The pairs of channels (numbers, sorted by frequency) by their sum: marked in eighths of a
// kilohertz (bit s for mark base + s, s < bits), and listed by the kilohertz of their sum while
// the list stays within kListedPairs (else found by walking the channels).
class PairSums {
 public:
  PairSums(const std::vector<std::pair<double, size_t>>& channels, int64_t base, int64_t bits)
      : channels_(channels), marks_(static_cast<size_t>((bits + 63) / 64 + 3), 0) {
    const size_t m = channels.size();
    listed_ = m * (m - 1) / 2 <= kListedPairs;
    if (listed_) {
      kHzFrom_ = KHzOf(channels.front().first * 2.0);
      start_.assign(static_cast<size_t>(KHzOf(channels.back().first * 2.0) - kHzFrom_) + 2, 0);
    }
    for (size_t p = 0; p < m; ++p)
      for (size_t q = p + 1; q < m; ++q) {
        const double sum = channels[p].first + channels[q].first;
        if (listed_) ++start_[static_cast<size_t>(KHzOf(sum) - kHzFrom_) + 1];
        const int64_t s = MarkOf(sum) - base;
        if (s >= 0 && s < bits) marks_[static_cast<size_t>(s >> 6)] |= uint64_t{1} << (s & 63);
      }
    if (!listed_) return;
    for (size_t k = 1; k < start_.size(); ++k) start_[k] += start_[k - 1];
    pairs_.resize(start_.back());
    std::vector<uint32_t> next(start_.begin(), start_.end() - 1);
    for (size_t p = 0; p < m; ++p)
      for (size_t q = p + 1; q < m; ++q)
        pairs_[next[static_cast<size_t>(KHzOf(channels[p].first + channels[q].first) - kHzFrom_)]++] =
            static_cast<uint32_t>(p << 16 | q);
  }

  const uint64_t* Marks() const { return marks_.data(); }

  // f(x, y) for every pair of channels x, y whose sum lies within [lo, hi].
  template <class F>
  void ForEach(double lo, double hi, F&& f) const {
    const std::vector<std::pair<double, size_t>>& c = channels_;
    if (listed_) {
      const int64_t from = std::max(KHzOf(lo) - kHzFrom_, int64_t{0});
      const int64_t to = std::min(KHzOf(hi) - kHzFrom_, static_cast<int64_t>(start_.size()) - 2);
      for (int64_t k = from; k <= to; ++k)
        for (uint32_t j = start_[static_cast<size_t>(k)]; j < start_[static_cast<size_t>(k) + 1]; ++j) {
          const size_t p = pairs_[j] >> 16, q = pairs_[j] & 0xFFFF;
          const double sum = c[p].first + c[q].first;
          if (sum >= lo && sum <= hi) f(c[p].second, c[q].second);
        }
      return;
    }
    const size_t m = c.size();
    size_t top = m;     // c[j] with j < top: sum <= hi
    size_t bottom = m;  // c[j] with j >= bottom: sum >= lo
    for (size_t p = 0; p < m; ++p) {
      const double g = c[p].first;
      while (top > 0 && g + c[top - 1].first > hi) --top;
      while (bottom > 0 && g + c[bottom - 1].first >= lo) --bottom;
      if (top <= p + 1) break;
      for (size_t q = std::max(bottom, p + 1); q < top; ++q) f(c[p].second, c[q].second);
    }
  }

 private:
  static constexpr size_t kListedPairs = size_t{1} << 23;  // 32 MB of pairs
  static int64_t KHzOf(double f) { return Floor(f * 1000.0); }

  const std::vector<std::pair<double, size_t>>& channels_;
  std::vector<uint64_t> marks_;
  bool listed_ = false;
  int64_t kHzFrom_ = 0;          // the kilohertz of the first list
  std::vector<uint32_t> start_;  // per kilohertz: where its pairs start; one more at the end
  std::vector<uint32_t> pairs_;  // positions p << 16 | q, by the kilohertz of their sum
};

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

bool IMFirstTable::Pays(const std::vector<IMSource>& all, IMKinds kinds, const std::vector<BinWindow>& windows) {
  const size_t least = minChannels;
  if (!kinds.im3x3 || all.size() < least || windows.empty()) return false;
  // The marks assume moderate values; other channels are left to the full generation.
  if (!std::all_of(all.begin(), all.end(), [](const IMSource& s) { return s.f >= 0.0 && s.f <= 1000.0; })) return false;
  if (least < kMinChannels) return true;
  // The full generation visits about n^3 / 2 products; the table passes each channel about twice
  // over the marks of the kilohertz between the lowest and the highest window, a word (64 marks)
  // at a time, at about a third of the cost of a product each.
  int32_t lo = windows.front().lo, hi = windows.front().hi;
  for (const BinWindow& w : windows) {
    lo = std::min(lo, w.lo);
    hi = std::max(hi, w.hi);
  }
  const double n = static_cast<double>(all.size());
  const double words = 8.0 * (static_cast<double>(hi) - lo + 1) / 64.0;
  return 2.0 * n * words / 3.0 < n * n * n / 2.0;
}

class IMFirstTable::Builder {
 public:
  Builder(IMFirstTable& table, std::vector<Cell>& cells, IMKinds kinds, const std::vector<BinWindow>& windows,
          size_t firstChannels)
      : n_(table.all_.size()), per_(3 * static_cast<uint64_t>(n_) + 4), kinds_(kinds), lo_(table.lo_),
        cells_(cells), firstChannels_(firstChannels) {
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
  // while a first channel gives products to a good share of the kilohertz still waiting; the
  // rest are then found all at once, which costs about as much as a few first channels.
  void Run() {
    // Without products of three channels the pairs are few: all visited at once.
    if (!kinds_.im3x3) {
      Rest(0);
      return;
    }
    for (size_t a = 0; a + 1 < n_ && open_ > 0; ++a) {
      if (a == 1) {
        Marks();
        if (open_ == 0) return;
      }
      const size_t before = open_;
      if (a >= firstChannels_) {
        Rest(a);
        return;
      }
      FirstChannel(a);
      if (a >= 1 && (before - open_) * kRestSteps < open_) {
        Rest(a + 1);
        return;
      }
    }
  }

 private:
  // Generation-order key of the pair (a, b) with `within` the place inside the pair.
  uint64_t Key(size_t a, size_t b, uint64_t within) const {
    return (static_cast<uint64_t>(a) * n_ + b) * per_ + within;
  }
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

    // A block of words at a time, so that the joined words stay in the nearest cache while every
    // channel passes.
    constexpr size_t kBlock = 256;
    joinedWords_ = static_cast<size_t>((qHi - qLo_ + 1 + 63) / 64) + 1;
    std::vector<uint64_t> joined(joinedWords_, 0);
    for (const auto& [from, to] : Runs())
      for (size_t begin = from; begin < to; begin += kBlock) {
        const size_t end = std::min(to, begin + kBlock);
        for (size_t z = 0; z < n_; ++z) {
          const int64_t dz = marks_[z] - markMin_;
          const uint64_t* src = sums.data() + (dz >> 6);
          const int32_t bit = static_cast<int32_t>(dz & 63);
          if (bit == 0) {
            for (size_t w = begin; w < end; ++w) joined[w] |= src[w];
          } else {
            for (size_t w = begin; w < end; ++w) joined[w] |= (src[w] >> bit) | (src[w + 1] << (64 - bit));
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

  // The words of marks (from qLo_ on) that the waiting cells need, in runs of consecutive words
  // [from, to).
  std::vector<std::pair<size_t, size_t>> Runs() const {
    std::vector<std::pair<size_t, size_t>> runs;
    waiting_.ForEach([&](size_t i) {
      const int64_t q = 8 * (static_cast<int64_t>(i) + lo_) - qLo_;
      const size_t from = static_cast<size_t>((q - kMarkReach) >> 6);
      const size_t to = static_cast<size_t>((q + kMarkReach) >> 6) + 1;
      if (!runs.empty() && from <= runs.back().second)
        runs.back().second = std::max(runs.back().second, to);
      else
        runs.push_back({from, to});
    });
    return runs;
  }

  // The kilohertz still waiting, all at once: no product of a first channel before `done` falls
  // there, so only the channels from `done` on take part. The products of two of them are few
  // and all visited. For the products of three, f_x + f_y - f_z, the sums of their pairs are
  // marked as above; each channel z's shift of these marks, laid over the marks of the waiting
  // kilohertz, names the kilohertz where one of its products may lie, and the pairs whose sum
  // lies there are looked up by their sum.
  void Rest(size_t done) {
    std::vector<std::pair<double, size_t>> later;  // by frequency
    for (size_t k = done; k < n_; ++k) later.push_back({f_[k], k});
    std::sort(later.begin(), later.end());
    const size_t m = later.size();
    auto offer = [&](size_t i, double x, uint8_t type, uint64_t key) {
      Cell& cell = cells_[i];
      if (key < cell.key) cell = {key, static_cast<float>(x), type};
    };

    for (size_t a = done; a < n_; ++a)
      for (size_t b = a + 1; b < n_; ++b) {
        const double f1 = f_[a], f2 = f_[b];
        auto pair = [&](double x, uint8_t type, uint64_t within) {
          if (const int64_t i = CellOf(x); i >= 0 && waiting_.Test(static_cast<size_t>(i)))
            offer(static_cast<size_t>(i), x, type, Key(a, b, within));
        };
        if (kinds_.im3) {
          pair(2.0 * f1 - f2, kIM2Tx3, 0);
          pair(2.0 * f2 - f1, kIM2Tx3, 1);
        }
        if (kinds_.im5) {
          pair(3.0 * f1 - 2.0 * f2, kIM2Tx5, 2);
          pair(3.0 * f2 - 2.0 * f1, kIM2Tx5, 3);
        }
      }

    if (kinds_.im3x3 && m >= 3) {
      const PairSums sums(later, markMin_ + qLo_, sumBits_);
      std::vector<uint64_t> waitingMarks(joinedWords_, 0);
      waiting_.ForEach([&](size_t i) {
        const int64_t q = 8 * static_cast<int64_t>(i) + 8 * lo_ - qLo_;
        for (int64_t k = q - kMarkReach; k <= q + kMarkReach; ++k)
          waitingMarks[static_cast<size_t>(k >> 6)] |= uint64_t{1} << (k & 63);
      });
      const std::vector<std::pair<size_t, size_t>> runs = Runs();
      std::vector<size_t> cand;
      for (const auto& [fz, z] : later) {
        // The waiting kilohertz where a pair sum less f_z may fall, in rising order.
        cand.clear();
        const int64_t dz = marks_[z] - markMin_;
        for (const auto& [from, to] : runs)
          for (size_t w = from; w < to; ++w)
            for (uint64_t bits = Shifted(sums.Marks(), dz, w) & waitingMarks[w]; bits; bits &= bits - 1) {
              const int64_t q = static_cast<int64_t>(w * 64) + std::countr_zero(bits) + qLo_;
              for (int64_t u = FloorDiv(q - kMarkReach + 7, 8); u <= FloorDiv(q + kMarkReach, 8); ++u) {
                const size_t i = static_cast<size_t>(u - lo_);
                if (u >= lo_ && i < cells_.size() && waiting_.Test(i) && (cand.empty() || cand.back() < i))
                  cand.push_back(i);
              }
            }
        for (const size_t i : cand) {
          const double u = static_cast<double>(i) + lo_;
          sums.ForEach((u - 0.5) / 1000.0 + fz - 1e-6, (u + 0.5) / 1000.0 + fz + 1e-6, [&](size_t x, size_t y) {
            if (x == z || y == z) return;
            // The triple in generation order and the sub-type that forms f_x + f_y - f_z.
            size_t t[3] = {x, y, z};
            std::sort(t, t + 3);
            const double f1 = f_[t[0]], f2 = f_[t[1]], f3 = f_[t[2]];
            const uint64_t key = Key(t[0], t[1], 4 + 3 * t[2]);
            const double v = z == t[2] ? (f1 + f2) - f3 : z == t[1] ? f3 + (f1 - f2) : f3 + (f2 - f1);
            if (CellOf(v) == static_cast<int64_t>(i)) offer(i, v, kIM3Tx3, key + (z == t[2] ? 0 : z == t[1] ? 1 : 2));
          });
        }
      }
    }
    waiting_.ForEach([&](size_t i) { Close(i); });
  }

  // Finding all waiting kilohertz at once costs about as much as this many first channels.
  static constexpr size_t kRestSteps = 3;

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
  size_t joinedWords_ = 0;  // the words of marks from qLo_ to the last cell's
};

std::vector<BinWindow> IMFirstTable::Clamp(const std::vector<BinWindow>& windows) {
  std::vector<BinWindow> clamped;
  for (BinWindow w : windows) {
    w.lo = std::max(w.lo, 0);
    w.hi = std::min(w.hi, TcIMFrequencyBuffer::kMaxBin);
    if (w.lo <= w.hi) clamped.push_back(w);
  }
  if (clamped.empty() || all_.size() < 2) return {};
  lo_ = clamped[0].lo;
  hi_ = clamped[0].hi;
  for (const BinWindow& w : clamped) {
    lo_ = std::min(lo_, w.lo);
    hi_ = std::max(hi_, w.hi);
  }
  return clamped;
}

IMFirstTable::IMFirstTable(std::vector<IMSource> all, IMKinds kinds, const std::vector<BinWindow>& windows,
                           size_t firstChannels)
    : all_(std::move(all)) {
  const std::vector<BinWindow> clamped = Clamp(windows);
  if (clamped.empty()) return;
  cells_.assign(static_cast<size_t>(hi_ - lo_ + 1), Cell{});
  Builder(*this, cells_, kinds, clamped, firstChannels).Run();
}

IMFirstTable IMFirstTable::PerType(std::vector<IMSource> all, IMKinds kinds, const std::vector<BinWindow>& windows,
                                   size_t firstChannels) {
  IMFirstTable table;
  table.all_ = std::move(all);
  const std::vector<BinWindow> clamped = table.Clamp(windows);
  if (clamped.empty()) return table;
  const bool on[3] = {kinds.im3, kinds.im5, kinds.im3x3};
  for (int32_t type = 0; type < 3; ++type) {
    if (!on[type]) continue;
    IMKinds one;
    (type == kIM2Tx3 ? one.im3 : type == kIM2Tx5 ? one.im5 : one.im3x3) = true;
    std::vector<Cell>& cells = table.typed_[type];
    cells.assign(static_cast<size_t>(table.hi_ - table.lo_ + 1), Cell{});
    Builder(table, cells, one, clamped, firstChannels).Run();
  }
  return table;
}

TcIMFrequency IMFirstTable::ItemAt(int32_t bin) const { return ItemOf(cells_[static_cast<size_t>(bin - lo_)]); }

void IMFirstTable::AddTypes(IMKinds kinds, const std::vector<int32_t> (&neededOf)[3]) {
  const bool on[3] = {kinds.im3, kinds.im5, kinds.im3x3};
  for (int32_t type = 0; type < 3; ++type) {
    if (!on[type] || neededOf[type].empty() || cells_.empty()) continue;
    std::vector<BinWindow> windows;
    for (const int32_t bin : neededOf[type]) {
      if (bin < lo_ || bin > hi_) continue;
      if (!windows.empty() && bin <= windows.back().hi + 1)
        windows.back().hi = std::max(windows.back().hi, bin);
      else
        windows.push_back({bin, bin});
    }
    if (windows.empty()) continue;
    IMKinds one;
    (type == kIM2Tx3 ? one.im3 : type == kIM2Tx5 ? one.im5 : one.im3x3) = true;
    std::vector<Cell>& cells = typed_[type];
    cells.assign(cells_.size(), Cell{});
    Builder(*this, cells, one, windows, SIZE_MAX).Run();
  }
}

TcIMFrequency IMFirstTable::ItemOfType(int32_t bin, int32_t type) const { return ItemOf(*CellOfType(bin, type)); }

TcIMFrequency IMFirstTable::ItemOf(const Cell& cell) const {
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
