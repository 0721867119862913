#pragma once
// The intermodulation products of a project kept up to date while one channel moves (a drag on
// the spectrum display, the arrow keys): the products are held in two parts, those of the
// channels without the moving one, and those the moving channel takes part in. A move of that
// channel generates only its own products again (pairs and triples with it: O(N²) instead of
// O(N³)) and merges them with the rest. The result is the buffer a full generation gives, item
// for item and bin for bin; the display and the silent check read the same one.
//
// The tracker compares the project with the one it last saw: when nothing that the products
// depend on changed, the last buffer is returned; when another single channel moved, that one is
// kept apart from now on (one full generation); anything else is a full generation too.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/IMGeneration.h"
#include "engine/TcIMFrequencyBuffer.h"

namespace kova {

class CProject;

class TcProductTracker {
 public:
  // The intermodulation products of `project`, equal to project.GGetBadBuffer(true).
  std::shared_ptr<const TcIMFrequencyBuffer> Products(const CProject& project);
  // Of the last products returned: each item's frequency with the count of its kilohertz, in
  // item order, and the sum of the counts (what the display reads of a buffer).
  const std::vector<IMLine>& Lines() const { return lines_; }
  double Overall() const { return overall_; }
  // Keeps channel `mic` (1-based) of system `slot` apart, so that its next moves are cheap; a
  // full generation when it is not kept apart yet, nothing otherwise.
  void Prepare(const CProject& project, int32_t slot, int32_t mic);

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
  // The products of the channel kept apart at its current frequency.
  void GenerateMoving();
  // Both parts merged into a new buffer, in generation order.
  void Merge();
  static BinIndex NewBinIndex();

  bool valid_ = false;
  IMKinds kinds_;
  std::vector<IMSource> all_;
  size_t apart_ = kNoChannel;
  std::vector<Entry> rest_;    // products without the channel kept apart, in generation order
  std::vector<Entry> moving_;  // products with it, in generation order
  BinIndex restAt_;
  BinIndex movingAt_;
  std::shared_ptr<const TcIMFrequencyBuffer> current_;
  std::vector<IMLine> lines_;
  double overall_ = 0;
};

}  // namespace kova
