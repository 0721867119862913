// Generation of the interfering products of a project: the channel frequencies themselves (for
// the spacing test), the receiver-specific frequencies of every channel, and the intermodulation
// products of every pair and triple of channels across both systems.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/IMCounts.h"
#include "engine/IMGeneration.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "model/CProject.h"
#include "tools/VectorState.h"

namespace kova {

namespace {

constexpr size_t kBinCells = static_cast<size_t>(TcIMFrequencyBuffer::kMaxBin) + 1;
constexpr size_t kMarkWords = (kBinCells + 63) / 64;
constexpr size_t kIMTypes = 3;  // 2Tx IM(3), 2Tx IM(5), 3Tx IM(3)

// Per-kilohertz tallies of one share, taken from a pool and handed back all zero (the merge
// clears exactly the kilohertz the share touched). Counting keeps the low byte of each count and
// the carries out of it: a byte per kilohertz keeps the counters that a share touches within the
// core's own cache far better than a word would, and the carries are touched once per 256
// products of a kilohertz. When only the first product of each kilohertz and type is wanted (what
// a check compares with), one bit per kilohertz and type is enough, and the generation stores
// nothing but the bits of new kilohertz.
struct Tallies {
  std::unique_ptr<uint8_t[]> low;
  std::unique_ptr<uint32_t[]> carry;
  std::unique_ptr<uint64_t[]> seen;  // kMarkWords per intermodulation type
};

class TallyPool {
 public:
  static Tallies Take(IMTally tally) {
    Tallies t;
    {
      TallyPool& pool = Instance();
      std::lock_guard<std::mutex> lock(pool.mutex_);
      if (!pool.free_.empty()) {
        t = std::move(pool.free_.back());
        pool.free_.pop_back();
      }
    }
    if (tally == IMTally::kCounts && !t.low) {
      t.low = std::make_unique<uint8_t[]>(kBinCells);
      t.carry = std::make_unique<uint32_t[]>(kBinCells);
    }
    if (tally == IMTally::kFirsts && !t.seen) t.seen = std::make_unique<uint64_t[]>(kIMTypes * kMarkWords);
    return t;
  }
  static void Give(Tallies t) {
    TallyPool& pool = Instance();
    std::lock_guard<std::mutex> lock(pool.mutex_);
    if (pool.free_.size() < 2) pool.free_.push_back(std::move(t));
  }

 private:
  static TallyPool& Instance() {
    static TallyPool* pool = new TallyPool;  // never destroyed, like the buffer's own pool
    return *pool;
  }
  std::mutex mutex_;
  std::vector<Tallies> free_;
};

// Counts every product of a kilohertz; true for the first (of any type).
struct CountingTally {
  uint8_t* low;
  uint32_t* carry;
  bool Note(uint8_t, size_t bin) const {
    const uint8_t l = low[bin];
    const bool first = l == 0 && carry[bin] == 0;
    low[bin] = static_cast<uint8_t>(l + 1);
    if (l == 255) [[unlikely]] ++carry[bin];
    return first;
  }
};

// Marks the kilohertz that have a product of each type; true for the first of its type.
struct MarkingTally {
  uint64_t* seen;
  bool Note(uint8_t type, size_t bin) const {
    uint64_t& word = seen[type * kMarkWords + (bin >> 6)];
    const uint64_t bit = uint64_t{1} << (bin & 63);
    if (word & bit) return false;
    word |= bit;
    return true;
  }
};

// One share of the intermodulation products: the first channels aBegin .. aEnd - 1 in generation
// order, tallied per kilohertz; the first product on each kilohertz is listed.
struct Share {
  size_t aBegin = 0, aEnd = 0;
  size_t skip = kNoChannel;  // the channel whose products are left out
  IMTally tally = IMTally::kCounts;
  Tallies tallies;
  std::vector<IMFirst> firsts;

  // Count of kilohertz `bin`, which is then cleared.
  int32_t TakeCount(int32_t bin) {
    const size_t k = static_cast<size_t>(bin);
    const uint32_t count = tallies.carry[k] * 256u + tallies.low[k];
    tallies.carry[k] = 0;
    tallies.low[k] = 0;
    return static_cast<int32_t>(std::min<uint32_t>(count, INT32_MAX));
  }
  bool Marked(uint8_t type, int32_t bin) const {
    const size_t k = static_cast<size_t>(bin);
    return (tallies.seen[type * kMarkWords + (k >> 6)] >> (k & 63)) & 1;
  }
  // Every bit the share set belongs to one of its firsts, so clearing their words clears all.
  void Unmark() {
    for (const IMFirst& p : firsts) tallies.seen[p.type * kMarkWords + (static_cast<size_t>(p.bin) >> 6)] = 0;
  }

  void Generate(const std::vector<IMSource>& all, IMKinds kinds) {
    if (tally == IMTally::kFirsts)
      Run(MarkingTally{tallies.seen.get()}, all, kinds);
    else
      Run(CountingTally{tallies.low.get(), tallies.carry.get()}, all, kinds);
  }

  // The counter and the list of firsts are locals here, so that the compiler keeps them in
  // registers rather than reloading them after every byte stored.
  template <class Tally>
  void Run(const Tally counter, const std::vector<IMSource>& all, IMKinds kinds) {
    const size_t n = all.size();
    std::vector<double> freqs(n);
    for (size_t i = 0; i < n; ++i) freqs[i] = all[i].f;
    const double* const f = freqs.data();
    std::vector<IMFirst> found;
    found.swap(firsts);
    auto count = [&](double x, uint8_t type, uint8_t sub, int32_t a, int32_t b, int32_t c) {
      if (!IMInWindow(x)) return;
      const size_t bin = IMBinOf(x);
      if (counter.Note(type, bin)) [[unlikely]]
        found.push_back({static_cast<int32_t>(bin), static_cast<float>(x), type, sub, a, b, c});
    };
    for (size_t a = aBegin; a < aEnd; ++a) {
      if (a == skip) continue;
      const double f1 = f[a];
      const int32_t ia = static_cast<int32_t>(a);
      for (size_t b = a + 1; b < n; ++b) {
        if (b == skip) continue;
        const double f2 = f[b];
        const int32_t ib = static_cast<int32_t>(b);
        if (kinds.im3) {
          count(2.0 * f1 - f2, kIM2Tx3, 1, ia, ib, -1);
          count(2.0 * f2 - f1, kIM2Tx3, 2, ia, ib, -1);
        }
        if (kinds.im5) {
          count(3.0 * f1 - 2.0 * f2, kIM2Tx5, 1, ia, ib, -1);
          count(3.0 * f2 - 2.0 * f1, kIM2Tx5, 2, ia, ib, -1);
        }
        if (!kinds.im3x3) continue;
        // The same sums and differences as f1 + f2 - f3, f3 + (f1 - f2) and f3 + (f2 - f1).
        const double sum = f1 + f2;
        const double d12 = f1 - f2;
        const double d21 = f2 - f1;
        const size_t cut = skip > b && skip < n ? skip : n;  // a skipped third channel
        for (size_t c = b + 1; c < n; ++c) {
          if (c == cut) continue;
          const double f3 = f[c];
          const int32_t ic = static_cast<int32_t>(c);
          count(sum - f3, kIM3Tx3, 1, ia, ib, ic);
          count(f3 + d12, kIM3Tx3, 2, ia, ib, ic);
          count(f3 + d21, kIM3Tx3, 3, ia, ib, ic);
        }
      }
    }
    found.swap(firsts);
  }
};

// Products counted per first channel a: the pairs (a, b) and, with 3Tx IM(3), the triples.
inline double WorkOf(size_t a, size_t n, bool triples) {
  const double rest = static_cast<double>(n - a - 1);
  return rest + (triples ? rest * (rest - 1) / 2 : 0.0);
}

// Below this many products the generation stays on the calling thread.
constexpr double kThreadedWork = 2.0e6;

}  // namespace

uint64_t IMOrderKey(const IMFirst& p, size_t n) {
  // Within one pair (a, b): the 2Tx IM(3) products, the 2Tx IM(5) products, then the products
  // of each third channel c in turn.
  uint64_t within = static_cast<uint64_t>(p.sub) - 1;
  if (p.type == kIM2Tx5) within += 2;
  if (p.type == kIM3Tx3) within += 4 + 3 * static_cast<uint64_t>(p.c);
  const uint64_t pair = static_cast<uint64_t>(p.a) * n + static_cast<uint64_t>(p.b);
  return pair * (3 * static_cast<uint64_t>(n) + 4) + within;
}

IMFirst IMFirstOfKey(uint64_t key, const std::vector<IMSource>& all) {
  const uint64_t n = all.size();
  const uint64_t K = 3 * n + 4;
  const uint64_t pair = key / K, within = key % K;
  const auto a = static_cast<int32_t>(pair / n), b = static_cast<int32_t>(pair % n);
  const double f1 = all[static_cast<size_t>(a)].f, f2 = all[static_cast<size_t>(b)].f;
  double f = 0;
  IMFirst p{0, 0, 0, 0, a, b, -1};
  if (within < 2) {
    p.type = kIM2Tx3;
    p.sub = static_cast<uint8_t>(within + 1);
    f = within == 0 ? 2.0 * f1 - f2 : 2.0 * f2 - f1;
  } else if (within < 4) {
    p.type = kIM2Tx5;
    p.sub = static_cast<uint8_t>(within - 1);
    f = within == 2 ? 3.0 * f1 - 2.0 * f2 : 3.0 * f2 - 2.0 * f1;
  } else {
    p.type = kIM3Tx3;
    p.c = static_cast<int32_t>((within - 4) / 3);
    p.sub = static_cast<uint8_t>((within - 4) % 3 + 1);
    const double f3 = all[static_cast<size_t>(p.c)].f;
    f = p.sub == 1 ? (f1 + f2) - f3 : p.sub == 2 ? f3 + (f1 - f2) : f3 + (f2 - f1);
  }
  p.f = static_cast<float>(f);
  p.bin = static_cast<int32_t>(IMBinOf(f));
  return p;
}

std::vector<IMSource> IMSourcesOf(const CProject& project) { return IMSourcesOf(project, ~0u); }

std::vector<IMSource> IMSourcesOf(const CProject& project, uint32_t slotMask) {
  std::vector<IMSource> all;
  all.reserve(static_cast<size_t>(project.GlGetOverallMics()));
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    if (!((slotMask >> s) & 1u)) continue;
    const CMicCollection& mics = *project.GcSystem(s)->GcMics();
    for (int32_t j = 1; j <= mics.GCount(); ++j) all.push_back({mics.GcItem(j)->GfGetFreq(), j, s});
  }
  return all;
}

IMKinds IMKindsOf(const CProject& project) {
  return {project.IsCheckActive(kCheck2TxIM3), project.IsCheckActive(kCheck2TxIM5),
          project.IsCheckActive(kCheck3TxIM3)};
}

void GenerateIM(const std::vector<IMSource>& all, IMKinds kinds, size_t skip,
                const std::function<void(const IMFirst&, int32_t)>& emit, IMTally tally) {
  ClearUpperVectorState();
  if (!kinds.Any()) return;

  // The generation is cut into shares of consecutive first channels, one per core (at most two:
  // the other cores stay free for the desktop), each tallying into its own kilohertz counters.
  // The shares are merged in generation order: a kilohertz keeps the product that the earliest
  // share met first, which is the first product generated on it, and its count is the sum.
  const size_t n = all.size();
  double total = 0;
  for (size_t a = 0; a < n; ++a) total += WorkOf(a, n, kinds.im3x3);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const size_t shares = total >= kThreadedWork && cores >= 2 ? 2 : 1;
  std::vector<Share> parts(shares);
  size_t a = 0;
  double done = 0;
  for (size_t k = 0; k < shares; ++k) {
    parts[k].aBegin = a;
    if (k + 1 == shares) {
      a = n;
    } else {
      const double goal = total * static_cast<double>(k + 1) / static_cast<double>(shares);
      for (; a < n && done + WorkOf(a, n, kinds.im3x3) <= goal; ++a) done += WorkOf(a, n, kinds.im3x3);
    }
    parts[k].aEnd = a;
    parts[k].skip = skip;
    parts[k].tally = tally;
    parts[k].tallies = TallyPool::Take(tally);
  }

  std::exception_ptr failure;
  {
    std::vector<std::jthread> helpers;
    for (size_t k = 1; k < shares; ++k)
      helpers.emplace_back([&, k] {
        try {
          parts[k].Generate(all, kinds);
        } catch (...) {
          failure = std::current_exception();
        }
      });
    parts[0].Generate(all, kinds);
  }
  if (failure) std::rethrow_exception(failure);

  if (tally == IMTally::kCounts) {
    for (Share& part : parts) {
      for (const IMFirst& p : part.firsts) emit(p, part.TakeCount(p.bin));
      TallyPool::Give(std::move(part.tallies));
    }
    return;
  }
  // A kilohertz that an earlier share marked for a type already has its first product of it.
  for (size_t k = 0; k < shares; ++k)
    for (const IMFirst& p : parts[k].firsts)
      if (std::none_of(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(k),
                       [&](const Share& earlier) { return earlier.Marked(p.type, p.bin); }))
        emit(p, 1);
  for (Share& part : parts) {
    part.Unmark();
    TallyPool::Give(std::move(part.tallies));
  }
}

void CProject::GAddChannelProducts(TcIMFrequencyBuffer& out, uint32_t slotMask) const {
  // Per system and channel in list order, row by row.
  const bool spacing = IsCheckActive(kCheckSpacing);
  const bool lo = IsCheckActive(kCheckLocalOscillator);
  const bool image = IsCheckActive(kCheckReferenceImage);
  const bool imageHalf = IsCheckActive(kCheckRefImageHalf);
  const bool imageThird = IsCheckActive(kCheckRefImageThird);
  const bool image2 = IsCheckActive(kCheck2ndRefImage);
  const double third = 1.0 / 3.0 + 1.0;
  for (int32_t s = 0; s < GlSystems(); ++s) {
    if (!((slotMask >> s) & 1u)) continue;
    const CSystemType& type = *systems_[s]->GcSystemType();
    const double fLo = type.GfGetLOFreq();
    const double fLO2 = type.GfGetLOFreq2();
    const CMicCollection& mics = *systems_[s]->GcMics();
    for (int32_t j = 1; j <= mics.GCount(); ++j) {
      const double f = mics.GcItem(j)->GfGetFreq();
      auto add = [&](bool active, double freq, int32_t type) {
        if (active && IMInWindow(freq)) out.GAdd(freq, type, 0, j, s, 0, 0, 0, 0);
      };
      add(spacing, f, kIMChannel);
      add(lo, f + 1.0 * fLo, kIMLocalOsc);
      add(image, f + 2.0 * fLo, kIMRefImage);
      add(imageHalf, f + 1.5 * fLo, kIMRefImageHalf);
      add(imageThird, f + third * fLo, kIMRefImageThird);
      add(image2, f + 2.0 * fLO2, kIM2ndRefImage);
    }
  }
}

namespace {

// Appends the intermodulation products of all pairs and triples of the channels of `slotMask`.
void AddIMProducts(const CProject& project, uint32_t slotMask, IMTally tally, TcIMFrequencyBuffer& out) {
  const IMKinds kinds = IMKindsOf(project);
  if (!kinds.Any()) return;
  const std::vector<IMSource> all = IMSourcesOf(project, slotMask);
  // Many channels on whole kilohertz: counted per kilohertz instead.
  if (TL_CountingPays(all, kinds) && TL_AddCountedIMProducts(all, kinds, tally, out)) return;
  GenerateIM(
      all, kinds, kNoChannel,
      [&](const IMFirst& p, int32_t count) {
        const IMSource& sa = all[static_cast<size_t>(p.a)];
        const IMSource& sb = all[static_cast<size_t>(p.b)];
        const int32_t micC = p.c >= 0 ? all[static_cast<size_t>(p.c)].mic : 0;
        const int32_t sysC = p.c >= 0 ? all[static_cast<size_t>(p.c)].sys : 0;
        if (tally == IMTally::kFirsts)
          out.GAddKindFirst(p.bin, count, p.f, p.type, p.sub, sa.mic, sa.sys, sb.mic, sb.sys, micC, sysC);
        else
          out.GAddCountedRun(p.bin, count, p.f, p.type, p.sub, sa.mic, sa.sys, sb.mic, sb.sys, micC, sysC);
      },
      tally);
}

std::shared_ptr<TcIMFrequencyBuffer> BadBuffer(const CProject& project, bool imOnly, IMTally tally) {
  auto buffer = std::make_shared<TcIMFrequencyBuffer>();
  if (!imOnly) project.GAddChannelProducts(*buffer);
  const ZoneLayout zones = project.GZoneLayout();
  // Products form within each group of zones only; the groups' products follow one another.
  for (int32_t g = 0; g < zones.groups; ++g) AddIMProducts(project, zones.members[static_cast<size_t>(g)], tally, *buffer);
  return buffer;
}

}  // namespace

std::shared_ptr<TcIMFrequencyBuffer> TL_IMProductsOf(const CProject& project, uint32_t slotMask, IMTally tally) {
  auto buffer = std::make_shared<TcIMFrequencyBuffer>();
  AddIMProducts(project, slotMask, tally, *buffer);
  return buffer;
}

std::shared_ptr<TcIMFrequencyBuffer> CProject::GGetBadBuffer(bool bIMOnly) const {
  return BadBuffer(*this, bIMOnly, IMTally::kCounts);
}

std::shared_ptr<TcIMFrequencyBuffer> CProject::GGetCheckProducts() const {
  return BadBuffer(*this, false, IMTally::kFirsts);
}

}  // namespace kova
