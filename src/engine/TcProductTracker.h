#pragma once
// The intermodulation products of a project kept up to date while one channel moves (a drag on
// the spectrum display, the arrow keys): the products are held in two parts, those of the
// channels without the moving one, and those the moving channel takes part in. A move of that
// channel generates only its own products again (pairs and triples with it: O(N²) instead of
// O(N³)) and merges them with the rest. The result is the buffer a full generation gives, item
// for item and bin for bin; the display and the silent check read the same one. They read it
// without a buffer being built: a kilohertz is looked up in both parts (the kept product is the
// earlier of the two in generation order, the count their sum), so that a move costs no pass
// over a million bins.
//
// The tracker compares the project with the one it last saw: when nothing that the products
// depend on changed, the last buffer is returned; when another single channel moved, that one is
// kept apart from now on (one full generation); anything else is a full generation too.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/DenseProducts.h"
#include "engine/IMGeneration.h"
#include "engine/TcIMFrequency.h"
#include "engine/TcIMFrequencyBuffer.h"

namespace kova {

class CProject;

class TcProductTracker {
 public:
  // The intermodulation products of `project`, equal to project.GGetBadBuffer(true).
  std::shared_ptr<const TcIMFrequencyBuffer> Products(const CProject& project);
  // Brings the products up to date with `project` for the queries below, without building the
  // buffer Products returns.
  void Update(const CProject& project);
  // Of the products last brought up to date: for every kilohertz with products, the kept
  // product's frequency with the count of its kilohertz, and the sum of the counts (what the
  // display reads of a buffer). The lines come in item order, or in kilohertz order when the
  // moving channel's products are counted per kilohertz (see DenseProducts).
  const std::vector<IMLine>& Lines() const { return lines_; }
  double Overall() const { return overall_; }
  // What the buffer's GCount and GGetBinMax give.
  int32_t Count() const { return count_; }
  int32_t BinMax() const { return binMax_; }
  // The product kept for kilohertz `bin` (0 ... kMaxBin) with its place in generation order
  // (smaller is earlier); false when no product is counted there.
  bool FirstAt(int32_t bin, IMFirst& first, uint64_t& key) const;
  // The products counted on kilohertz `bin` (GGetBin).
  int32_t CountAt(int32_t bin) const;
  // A product as the buffer holds it.
  TcIMFrequency ItemOf(const IMFirst& p) const;
  // Counts every change of the products (a drawing can tell whether what it read is current).
  uint64_t Version() const { return version_; }
  // Keeps channel `mic` (1-based) of system `slot` apart, so that its next moves are cheap; a
  // full generation when it is not kept apart yet, nothing otherwise.
  void Prepare(const CProject& project, int32_t slot, int32_t mic);
  // From how many channels on the moving channel's products are counted per kilohertz (a test
  // sets it low to compare both ways on small projects).
  void SetDenseFrom(size_t channels) { denseFrom_ = channels; }

 private:
  // The first product counted on a kilohertz, how many products fell there and the first one's
  // place in generation order; with the entry of the other part on the same kilohertz.
  struct Entry {
    IMFirst first;
    int32_t count;
    uint64_t key;
    int32_t partner = 0;     // position + 1 of the other part's entry, 0 = none
    int32_t partnerCount = 0;  // its count (kept for the moving part: the rest's do not change)
    bool partnerFirst = false;  // the other part's first product comes earlier
  };
  struct FreeDeleter {
    void operator()(int32_t* p) const { std::free(p); }
  };
  using BinIndex = std::unique_ptr<int32_t[], FreeDeleter>;  // per kilohertz: entry + 1, 0 = none

  // Products generated again from scratch, with channel `apart` kept apart.
  void Rebuild(std::vector<IMSource> all, IMKinds kinds, size_t apart);
  // Hands add(first, count) the rest's products counted per kilohertz without visiting them, in
  // generation order; false when they cannot or need not be counted so.
  template <typename Add>
  bool CountRest(Add&& add) const;
  // The products of the channel kept apart at its current frequency.
  void GenerateMoving();
  // The lines, counts and maximum of both parts; the buffer is built again when asked for.
  void Summarize();
  // Both parts merged into a new buffer, in generation order.
  void Merge();
  // The same three for the moving channel's products counted per kilohertz.
  void SummarizeDense();
  void MergeDense();
  // emit(entry, count) for every kilohertz of both parts, in generation order of the kept products.
  template <typename Emit>
  void ForEachMerged(Emit&& emit) const;
  static BinIndex NewBinIndex();

  bool valid_ = false;
  IMKinds kinds_;
  std::vector<IMSource> all_;
  size_t apart_ = kNoChannel;
  std::vector<Entry> rest_;    // products without the channel kept apart, in generation order
  std::vector<Entry> moving_;  // products with it, in generation order
  std::vector<IMFirst> raw_;   // every product of the last move, before counting
  BinIndex restAt_;
  BinIndex movingAt_;
  // The moving channel's products per kilohertz instead of moving_, for large projects.
  std::unique_ptr<DenseProducts> dense_;
  bool denseOn_ = false;
  size_t denseFrom_ = DenseProducts::kFrom;
  std::shared_ptr<const TcIMFrequencyBuffer> current_;  // none until asked for after a change
  std::vector<IMLine> lines_;
  double overall_ = 0;
  int32_t count_ = 0;
  int32_t binMax_ = 0;
  int32_t restMax_ = 0;  // the largest count of the rest alone
  uint64_t version_ = 0;
};

}  // namespace kova
