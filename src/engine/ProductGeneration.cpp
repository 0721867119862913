// Generation of the interfering products of a project: the channel frequencies themselves (for
// the spacing test), the receiver-specific frequencies of every channel, and the intermodulation
// products of every pair and triple of channels across both systems.

#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/IMGeneration.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "model/CProject.h"

namespace kova {

namespace {

// Per-kilohertz counters of one share: the low byte of each count, and the carries out of it.
// A byte per kilohertz keeps the counters that a share touches within the core's own cache far
// better than a word would (products on a 25 kHz grid touch every 25th kilohertz); the carries
// are touched once per 256 products of a kilohertz. Taken from a pool and handed back all zero
// (the merge clears exactly the kilohertz the share touched).
struct Counters {
  std::unique_ptr<uint8_t[]> low;
  std::unique_ptr<uint32_t[]> carry;
};

class CounterPool {
 public:
  static Counters Take() {
    CounterPool& pool = Instance();
    {
      std::lock_guard<std::mutex> lock(pool.mutex_);
      if (!pool.free_.empty()) {
        Counters counters = std::move(pool.free_.back());
        pool.free_.pop_back();
        return counters;
      }
    }
    const size_t cells = static_cast<size_t>(TcIMFrequencyBuffer::kMaxBin) + 1;
    return {std::make_unique<uint8_t[]>(cells), std::make_unique<uint32_t[]>(cells)};
  }
  static void Give(Counters counters) {
    CounterPool& pool = Instance();
    std::lock_guard<std::mutex> lock(pool.mutex_);
    if (pool.free_.size() < 2) pool.free_.push_back(std::move(counters));
  }

 private:
  static CounterPool& Instance() {
    static CounterPool* pool = new CounterPool;  // never destroyed, like the buffer's own pool
    return *pool;
  }
  std::mutex mutex_;
  std::vector<Counters> free_;
};

// One share of the intermodulation products: the first channels aBegin .. aEnd - 1 in generation
// order, counted per kilohertz; the first product on each kilohertz is listed.
struct Share {
  size_t aBegin = 0, aEnd = 0;
  size_t skip = kNoChannel;  // the channel whose products are left out
  Counters counts;
  std::vector<IMFirst> firsts;

  inline void Count(double f, uint8_t type, uint8_t sub, int32_t a, int32_t b, int32_t c) {
    if (!IMInWindow(f)) return;
    const size_t bin = static_cast<size_t>(TcIMFrequencyBuffer::KHzIndex(f));
    uint8_t& low = counts.low[bin];
    if (low == 0 && counts.carry[bin] == 0)
      firsts.push_back({static_cast<int32_t>(bin), static_cast<float>(f), type, sub, a, b, c});
    if (++low == 0) ++counts.carry[bin];
  }

  // Count of kilohertz `bin`, which is then cleared.
  int32_t TakeCount(int32_t bin) {
    const size_t k = static_cast<size_t>(bin);
    const uint32_t count = counts.carry[k] * 256u + counts.low[k];
    counts.carry[k] = 0;
    counts.low[k] = 0;
    return static_cast<int32_t>(count);
  }

  void Generate(const std::vector<IMSource>& all, bool im3, bool im5, bool im3x3) {
    const size_t n = all.size();
    for (size_t a = aBegin; a < aEnd; ++a) {
      if (a == skip) continue;
      const double f1 = all[a].f;
      const int32_t ia = static_cast<int32_t>(a);
      for (size_t b = a + 1; b < n; ++b) {
        if (b == skip) continue;
        const double f2 = all[b].f;
        const int32_t ib = static_cast<int32_t>(b);
        if (im3) {
          Count(2.0 * f1 - f2, kIM2Tx3, 1, ia, ib, -1);
          Count(2.0 * f2 - f1, kIM2Tx3, 2, ia, ib, -1);
        }
        if (im5) {
          Count(3.0 * f1 - 2.0 * f2, kIM2Tx5, 1, ia, ib, -1);
          Count(3.0 * f2 - 2.0 * f1, kIM2Tx5, 2, ia, ib, -1);
        }
        if (im3x3) {
          // The same sums and differences as f1 + f2 - f3, f3 + (f1 - f2) and f3 + (f2 - f1).
          const double sum = f1 + f2;
          const double d12 = f1 - f2;
          const double d21 = f2 - f1;
          auto thirds = [&](size_t from, size_t to) {
            for (size_t c = from; c < to; ++c) {
              const double f3 = all[c].f;
              const int32_t ic = static_cast<int32_t>(c);
              Count(sum - f3, kIM3Tx3, 1, ia, ib, ic);
              Count(f3 + d12, kIM3Tx3, 2, ia, ib, ic);
              Count(f3 + d21, kIM3Tx3, 3, ia, ib, ic);
            }
          };
          // The skipped channel splits the third channels in two runs.
          if (skip > b && skip < n) {
            thirds(b + 1, skip);
            thirds(skip + 1, n);
          } else {
            thirds(b + 1, n);
          }
        }
      }
    }
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

std::vector<IMSource> IMSourcesOf(const CProject& project) {
  std::vector<IMSource> all;
  all.reserve(static_cast<size_t>(project.GlGetOverallMics()));
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
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
                const std::function<void(const IMFirst&, int32_t)>& emit) {
  if (!kinds.Any()) return;
  const bool im3 = kinds.im3, im5 = kinds.im5, im3x3 = kinds.im3x3;

  // The generation is cut into shares of consecutive first channels, one per core (at most two:
  // the other cores stay free for the desktop), each counting into its own kilohertz counters.
  // The shares are merged in generation order: a kilohertz keeps the product that the earliest
  // share met first, which is the first product generated on it, and its bin is the sum.
  const size_t n = all.size();
  double total = 0;
  for (size_t a = 0; a < n; ++a) total += WorkOf(a, n, im3x3);
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
      for (; a < n && done + WorkOf(a, n, im3x3) <= goal; ++a) done += WorkOf(a, n, im3x3);
    }
    parts[k].aEnd = a;
    parts[k].skip = skip;
    parts[k].counts = CounterPool::Take();
  }

  std::exception_ptr failure;
  {
    std::vector<std::jthread> helpers;
    for (size_t k = 1; k < shares; ++k)
      helpers.emplace_back([&, k] {
        try {
          parts[k].Generate(all, im3, im5, im3x3);
        } catch (...) {
          failure = std::current_exception();
        }
      });
    parts[0].Generate(all, im3, im5, im3x3);
  }
  if (failure) std::rethrow_exception(failure);

  for (Share& part : parts) {
    for (const IMFirst& p : part.firsts) emit(p, part.TakeCount(p.bin));
    CounterPool::Give(std::move(part.counts));
  }
}

void CProject::GAddChannelProducts(TcIMFrequencyBuffer& out) const {
  // Per system and channel in list order, row by row.
  const bool spacing = IsCheckActive(kCheckSpacing);
  const bool lo = IsCheckActive(kCheckLocalOscillator);
  const bool image = IsCheckActive(kCheckReferenceImage);
  const bool imageHalf = IsCheckActive(kCheckRefImageHalf);
  const bool imageThird = IsCheckActive(kCheckRefImageThird);
  const bool image2 = IsCheckActive(kCheck2ndRefImage);
  const double third = 1.0 / 3.0 + 1.0;
  for (int32_t s = 0; s < GlSystems(); ++s) {
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

std::shared_ptr<TcIMFrequencyBuffer> CProject::GGetBadBuffer(bool bIMOnly) const {
  auto buffer = std::make_shared<TcIMFrequencyBuffer>();
  TcIMFrequencyBuffer& out = *buffer;
  if (!bIMOnly) GAddChannelProducts(out);

  // Intermodulation products of all pairs and triples of the overall channels.
  const IMKinds kinds = IMKindsOf(*this);
  if (!kinds.Any()) return buffer;
  const std::vector<IMSource> all = IMSourcesOf(*this);
  GenerateIM(all, kinds, kNoChannel, [&](const IMFirst& p, int32_t count) {
    const IMSource& sa = all[static_cast<size_t>(p.a)];
    const IMSource& sb = all[static_cast<size_t>(p.b)];
    const int32_t micC = p.c >= 0 ? all[static_cast<size_t>(p.c)].mic : 0;
    const int32_t sysC = p.c >= 0 ? all[static_cast<size_t>(p.c)].sys : 0;
    out.GAddCountedRun(p.bin, count, p.f, p.type, p.sub, sa.mic, sa.sys, sb.mic, sb.sys, micC, sysC);
  });
  return buffer;
}

}  // namespace kova
