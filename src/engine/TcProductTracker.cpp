#include "engine/TcProductTracker.h"

#include <algorithm>
#include <bit>
#include <new>
#include <utility>

#include "engine/IMCounts.h"
#include "model/CProject.h"
#include "tools/VectorState.h"

namespace kova {

namespace {

inline void Prefetch(const void* p) {
#if defined(__GNUC__)
  __builtin_prefetch(p, 1);
#else
  (void)p;
#endif
}

// How the channels of `now` differ from `before`.
struct Difference {
  bool structure = false;  // other kinds, channels or systems: nothing can be reused
  int32_t moved = 0;       // channels with another frequency (counted up to 2)
  size_t channel = kNoChannel;  // the last of them
};

Difference Compare(const std::vector<IMSource>& before, IMKinds kindsBefore, const std::vector<IMSource>& now,
                   IMKinds kindsNow) {
  Difference d;
  if (kindsBefore != kindsNow || before.size() != now.size()) {
    d.structure = true;
    return d;
  }
  for (size_t k = 0; k < now.size(); ++k) {
    if (now[k].mic != before[k].mic || now[k].sys != before[k].sys) {
      d.structure = true;
      return d;
    }
    // Bit for bit: a frequency that compares equal with another sign of zero still moved.
    if (std::bit_cast<uint64_t>(now[k].f) != std::bit_cast<uint64_t>(before[k].f)) {
      d.channel = k;
      if (++d.moved > 1) return d;
    }
  }
  return d;
}

}  // namespace

TcProductTracker::BinIndex TcProductTracker::NewBinIndex() {
  const size_t cells = static_cast<size_t>(TcIMFrequencyBuffer::kMaxBin) + 1;
  auto* p = static_cast<int32_t*>(std::calloc(cells, sizeof(int32_t)));
  if (!p) throw std::bad_alloc();
  return BinIndex(p);
}

std::shared_ptr<const TcIMFrequencyBuffer> TcProductTracker::Products(const CProject& project) {
  Update(project);
  if (!current_) Merge();
  return current_;
}

void TcProductTracker::Update(const CProject& project) {
  ClearUpperVectorState();
  std::vector<IMSource> now = IMSourcesOf(project);
  const IMKinds kinds = IMKindsOf(project);
  const Difference d = valid_ ? Compare(all_, kinds_, now, kinds) : Difference{true, 0, kNoChannel};
  if (!d.structure && d.moved == 0) return;
  if (!d.structure && d.moved == 1 && d.channel == apart_) {
    valid_ = false;  // until the new products stand
    all_[apart_].f = now[apart_].f;
    GenerateMoving();
    Summarize();
    valid_ = true;
    return;
  }
  // Another single channel moved: it is kept apart from now on. Otherwise the channel kept apart
  // stays so while it exists (it is likely the next to move).
  size_t apart = d.moved == 1 && !d.structure ? d.channel : apart_;
  if (apart >= now.size()) apart = kNoChannel;
  Rebuild(std::move(now), kinds, apart);
}

TcIMFrequency TcProductTracker::ItemOf(const IMFirst& p) const {
  const IMSource& sa = all_[static_cast<size_t>(p.a)];
  const IMSource& sb = all_[static_cast<size_t>(p.b)];
  const int32_t micC = p.c >= 0 ? all_[static_cast<size_t>(p.c)].mic : 0;
  const int32_t sysC = p.c >= 0 ? all_[static_cast<size_t>(p.c)].sys : 0;
  TcIMFrequency item;
  item.Set(p.f, p.type, p.sub, sa.mic, sa.sys, sb.mic, sb.sys, micC, sysC);
  return item;
}

void TcProductTracker::Prepare(const CProject& project, int32_t slot, int32_t mic) {
  if (slot < 0 || slot >= project.GlSystems() || mic < 1 || mic > project.GcSystem(slot)->GcMics()->GCount()) return;
  size_t channel = static_cast<size_t>(mic - 1);
  for (int32_t s = 0; s < slot; ++s) channel += static_cast<size_t>(project.GcSystem(s)->GcMics()->GCount());
  if (valid_ && apart_ == channel) {
    Update(project);
    return;
  }
  Rebuild(IMSourcesOf(project), IMKindsOf(project), channel);
}

void TcProductTracker::Rebuild(std::vector<IMSource> all, IMKinds kinds, size_t apart) {
  valid_ = false;
  all_ = std::move(all);
  kinds_ = kinds;
  apart_ = apart;
  if (movingAt_)
    for (const Entry& e : moving_) movingAt_[e.first.bin] = 0;
  moving_.clear();
  if (restAt_)
    for (const Entry& e : rest_) restAt_[e.first.bin] = 0;
  rest_.clear();
  if (!restAt_) restAt_ = NewBinIndex();
  const size_t n = all_.size();
  restMax_ = 0;
  auto add = [&](const IMFirst& p, int32_t count) {
    int32_t& at = restAt_[p.bin];
    if (at > 0) {
      rest_[static_cast<size_t>(at - 1)].count += count;
    } else {
      rest_.push_back({p, count, IMOrderKey(p, n)});
      at = static_cast<int32_t>(rest_.size());
    }
  };
  if (!CountRest(add)) GenerateIM(all_, kinds_, apart_, add);
  for (const Entry& e : rest_) restMax_ = std::max(restMax_, e.count);
  denseOn_ = apart_ < n && DenseProducts::Pays(n, kinds_, denseFrom_);
  if (denseOn_) {
    if (!dense_) dense_ = std::make_unique<DenseProducts>();
    dense_->Prepare(all_, apart_);
    for (const Entry& e : rest_) dense_->AddRest(e.first.bin, e.key, e.first.f, e.count);
  }
  GenerateMoving();
  Summarize();
  valid_ = true;
}

template <typename Add>
bool TcProductTracker::CountRest(Add&& add) const {
  // The rest's channels, positions past the one kept apart moved down by one.
  std::vector<IMSource> rest;
  rest.reserve(all_.size());
  for (size_t k = 0; k < all_.size(); ++k)
    if (k != apart_) rest.push_back(all_[k]);
  std::vector<IMCountedFirst> firsts;
  if (!TL_CountingPays(rest, kinds_) || !TL_CountedIMFirsts(rest, kinds_, firsts)) return false;
  // Leaving a channel out keeps the others' products in the same order, so the rest's firsts
  // are in generation order among all channels too.
  const auto back = [&](int32_t k) { return k < 0 || static_cast<size_t>(k) < apart_ ? k : k + 1; };
  for (IMCountedFirst& c : firsts) {
    c.first.a = back(c.first.a);
    c.first.b = back(c.first.b);
    c.first.c = back(c.first.c);
    add(c.first, c.count);
  }
  return true;
}

void TcProductTracker::GenerateMoving() {
  // The kilohertz indexes and the rest's entries are far larger than the caches and a move
  // visits them at random: each place is fetched some products ahead of its use, so that the
  // fetches overlap instead of waiting one after the other.
  constexpr size_t kAhead = 16;
  if (movingAt_) {
    for (size_t k = 0; k < moving_.size(); ++k) {
      if (k + kAhead < moving_.size()) {
        const Entry& later = moving_[k + kAhead];
        Prefetch(&movingAt_[later.first.bin]);
        if (later.partner > 0) Prefetch(&rest_[static_cast<size_t>(later.partner - 1)]);
      }
      const Entry& e = moving_[k];
      movingAt_[e.first.bin] = 0;
      if (e.partner > 0) rest_[static_cast<size_t>(e.partner - 1)].partner = 0;
    }
  }
  moving_.clear();
  raw_.clear();
  const size_t n = all_.size();
  const size_t m = apart_;
  if (m >= n || !kinds_.Any()) return;
  if (denseOn_) {
    dense_->GenerateMoving(all_, m, kinds_);
    return;
  }
  if (!movingAt_) movingAt_ = NewBinIndex();

  // First every product in generation order, then each counted on its kilohertz.
  auto count = [&](double f, uint8_t type, uint8_t sub, size_t a, size_t b, size_t c) {
    if (!IMInWindow(f)) return;
    raw_.push_back({TcIMFrequencyBuffer::KHzIndex(f), static_cast<float>(f), type, sub, static_cast<int32_t>(a),
                    static_cast<int32_t>(b), c == kNoChannel ? -1 : static_cast<int32_t>(c)});
  };
  auto place = [&](const IMFirst& p) {
    int32_t& at = movingAt_[p.bin];
    if (at > 0) {
      ++moving_[static_cast<size_t>(at - 1)].count;
      return;
    }
    Entry e{p, 1, IMOrderKey(p, n)};
    at = static_cast<int32_t>(moving_.size()) + 1;
    // The two parts' entries of one kilohertz know each other, so the merge reads both lists
    // in order without looking anything up.
    if (const int32_t r = restAt_[p.bin]; r > 0) {
      Entry& rest = rest_[static_cast<size_t>(r - 1)];
      e.partner = r;
      e.partnerCount = rest.count;
      e.partnerFirst = rest.key < e.key;
      rest.partner = at;
      rest.partnerFirst = !e.partnerFirst;
    }
    moving_.push_back(e);
  };
  // The same expressions as the full generation, so that every product has the same value.
  auto triple = [&](size_t a, size_t b, size_t c) {
    const double f1 = all_[a].f, f2 = all_[b].f, f3 = all_[c].f;
    const double sum = f1 + f2;
    const double d12 = f1 - f2;
    const double d21 = f2 - f1;
    count(sum - f3, kIM3Tx3, 1, a, b, c);
    count(f3 + d12, kIM3Tx3, 2, a, b, c);
    count(f3 + d21, kIM3Tx3, 3, a, b, c);
  };
  // The pair (a, b), then its triples with every third channel from c0 on.
  auto pairOn = [&](size_t a, size_t b, size_t c0) {
    const double f1 = all_[a].f, f2 = all_[b].f;
    if (kinds_.im3) {
      count(2.0 * f1 - f2, kIM2Tx3, 1, a, b, kNoChannel);
      count(2.0 * f2 - f1, kIM2Tx3, 2, a, b, kNoChannel);
    }
    if (kinds_.im5) {
      count(3.0 * f1 - 2.0 * f2, kIM2Tx5, 1, a, b, kNoChannel);
      count(3.0 * f2 - 2.0 * f1, kIM2Tx5, 2, a, b, kNoChannel);
    }
    if (kinds_.im3x3)
      for (size_t c = c0; c < n; ++c) triple(a, b, c);
  };

  // In generation order: first channels before m (their pairs before m make triples with m as
  // the third channel, then the pair with m), then m as the first channel.
  for (size_t a = 0; a < m; ++a) {
    if (kinds_.im3x3)
      for (size_t b = a + 1; b < m; ++b) triple(a, b, m);
    pairOn(a, m, m + 1);
  }
  for (size_t b = m + 1; b < n; ++b) pairOn(m, b, b + 1);

  for (size_t k = 0; k < raw_.size(); ++k) {
    if (k + kAhead < raw_.size()) {
      const int32_t bin = raw_[k + kAhead].bin;
      Prefetch(&movingAt_[bin]);
      Prefetch(&restAt_[bin]);
    }
    // Half as far ahead the rest's index has arrived and names the rest's entry to fetch.
    if (k + kAhead / 2 < raw_.size())
      if (const int32_t r = restAt_[raw_[k + kAhead / 2].bin]; r > 0) Prefetch(&rest_[static_cast<size_t>(r - 1)]);
    place(raw_[k]);
  }
}

// Both parts are in generation order; a kilohertz that both count comes with the earlier of
// their first products and the sum of their counts.
template <typename Emit>
void TcProductTracker::ForEachMerged(Emit&& emit) const {
  size_t i = 0, j = 0;
  while (i < rest_.size() || j < moving_.size()) {
    if (j == moving_.size() || (i < rest_.size() && rest_[i].key < moving_[j].key)) {
      const Entry& e = rest_[i++];
      if (e.partner == 0) emit(e, e.count);
      else if (!e.partnerFirst) emit(e, e.count + moving_[static_cast<size_t>(e.partner - 1)].count);
    } else {
      const Entry& e = moving_[j++];
      if (e.partner == 0) emit(e, e.count);
      else if (!e.partnerFirst) emit(e, e.count + e.partnerCount);
    }
  }
}

void TcProductTracker::Summarize() {
  current_.reset();
  ++version_;
  if (denseOn_) {
    SummarizeDense();
    return;
  }
  lines_.clear();
  lines_.reserve(rest_.size() + moving_.size());
  overall_ = 0;
  ForEachMerged([&](const Entry& e, int32_t count) {
    lines_.push_back({e.first.f, count});
    overall_ += count;
  });
  count_ = static_cast<int32_t>(lines_.size());
  // A kilohertz both parts count holds more than the rest's entry alone, so the rest's largest
  // count and the moving part's merged counts give the largest of all.
  binMax_ = restMax_;
  for (const Entry& e : moving_) binMax_ = std::max(binMax_, e.count + (e.partner > 0 ? e.partnerCount : 0));
}

void TcProductTracker::Merge() {
  if (denseOn_) {
    MergeDense();
    return;
  }
  auto out = std::make_shared<TcIMFrequencyBuffer>();
  ForEachMerged([&](const Entry& e, int32_t count) {
    const IMFirst& p = e.first;
    const IMSource& sa = all_[static_cast<size_t>(p.a)];
    const IMSource& sb = all_[static_cast<size_t>(p.b)];
    const int32_t micC = p.c >= 0 ? all_[static_cast<size_t>(p.c)].mic : 0;
    const int32_t sysC = p.c >= 0 ? all_[static_cast<size_t>(p.c)].sys : 0;
    out->GAddCountedRun(p.bin, count, p.f, p.type, p.sub, sa.mic, sa.sys, sb.mic, sb.sys, micC, sysC);
  });
  current_ = std::move(out);
}

bool TcProductTracker::FirstAt(int32_t bin, IMFirst& first, uint64_t& key) const {
  const Entry* r = restAt_ && restAt_[bin] > 0 ? &rest_[static_cast<size_t>(restAt_[bin] - 1)] : nullptr;
  if (denseOn_) {
    const DenseProducts::Bin& m = dense_->Moving(bin);
    if (m.count > 0 && (!r || m.key < r->key)) {
      key = m.key;
      first = IMFirstOfKey(m.key, all_);
      return true;
    }
  } else if (const Entry* m = movingAt_ && movingAt_[bin] > 0 ? &moving_[static_cast<size_t>(movingAt_[bin] - 1)] : nullptr;
             m && (!r || m->key < r->key)) {
    r = m;
  }
  if (!r) return false;
  key = r->key;
  first = r->first;
  return true;
}

int32_t TcProductTracker::CountAt(int32_t bin) const {
  int32_t n = 0;
  if (restAt_ && restAt_[bin] > 0) n += rest_[static_cast<size_t>(restAt_[bin] - 1)].count;
  if (denseOn_) n += dense_->Moving(bin).count;
  else if (movingAt_ && movingAt_[bin] > 0) n += moving_[static_cast<size_t>(movingAt_[bin] - 1)].count;
  return n;
}

// In kilohertz order: a pass over the kilohertz that either part counts.
void TcProductTracker::SummarizeDense() {
  lines_.clear();
  overall_ = 0;
  binMax_ = 0;
  dense_->ForEachBin([&](int32_t, const DenseProducts::Bin& r, const DenseProducts::Bin& m) {
    const int32_t count = r.count + m.count;
    lines_.push_back({m.key < r.key ? m.f : r.f, count});
    overall_ += count;
    binMax_ = std::max(binMax_, count);
  });
  count_ = static_cast<int32_t>(lines_.size());
}

// The kilohertz of both parts put back into generation order by their first products' places.
void TcProductTracker::MergeDense() {
  struct Kept {
    uint64_t key;
    int32_t bin;
    int32_t count;
  };
  std::vector<Kept> kept;
  kept.reserve(lines_.size());
  dense_->ForEachBin([&](int32_t bin, const DenseProducts::Bin& r, const DenseProducts::Bin& m) {
    kept.push_back({std::min(r.key, m.key), bin, r.count + m.count});
  });
  std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.key < b.key; });
  auto out = std::make_shared<TcIMFrequencyBuffer>();
  for (const Kept& k : kept) {
    uint64_t key = 0;
    IMFirst p{};
    FirstAt(k.bin, p, key);
    const IMSource& sa = all_[static_cast<size_t>(p.a)];
    const IMSource& sb = all_[static_cast<size_t>(p.b)];
    const int32_t micC = p.c >= 0 ? all_[static_cast<size_t>(p.c)].mic : 0;
    const int32_t sysC = p.c >= 0 ? all_[static_cast<size_t>(p.c)].sys : 0;
    out->GAddCountedRun(k.bin, k.count, p.f, p.type, p.sub, sa.mic, sa.sys, sb.mic, sb.sys, micC, sysC);
  }
  current_ = std::move(out);
}

}  // namespace kova
