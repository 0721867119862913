#pragma once
// The first intermodulation product of each kilohertz that the check compares with its
// channels, found without visiting every triple of channels.
//
// The check asks only for the kilohertz near its channels (within the reach of each system's
// intermodulation widths) and only for the product generated first on each (generation order
// as in IMGeneration.h); what a full generation would keep there is exactly what this table
// holds. A product of three channels is f_x + f_y - f_z, a pair sum less a third channel (and
// 2Tx IM(3) is 2 f_x - f_z, the sum of a channel with itself less another):
// 1. The products in generation order, first channel a = 0, 1, ..., each looked at only where
//    its kilohertz still waits: the first to fall there is that kilohertz's first product.
//    Where channels lie densely the first few channels give almost every kilohertz its product.
// 2. After the first channel, the pair sums are marked in eighths of a kilohertz; these marks,
//    shifted down by each channel's mark and joined, show every eighth where a product can lie.
//    A kilohertz with no mark near it has no product and waits no longer.
// 3. Once a first channel gives products to only a small share of the kilohertz still waiting,
//    the rest are found at once from the later channels: their pair products are few and all
//    visited; each channel z's shift of their pair sum marks, laid over the marks of the waiting
//    kilohertz, names where its products may lie, and the pairs are looked up by their sum.
// The work grows with the square of the channel count, and with the channel count times the
// spread of the kilohertz asked for (the marks). Small channel sets are better served by the
// full generation, and so are channels outside 0 ... 1000 MHz (Pays).
//
// What a check compares with is the first product of each type (2Tx IM(3), 2Tx IM(5), 3Tx IM(3))
// per kilohertz: a table built per type finds each type's first products on its own (the order
// of one type's products among themselves is their order in the full generation). The products
// of two channels are few, so their types are found by visiting every pair.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/IMGeneration.h"
#include "engine/TcIMFrequency.h"

namespace kova {

// A range of kilohertz bins, both ends included.
struct BinWindow {
  int32_t lo;
  int32_t hi;
};

class IMFirstTable {
 public:
  static constexpr uint64_t kNone = UINT64_MAX;

  // Whether the table is the faster way to the first products of `all` near `windows` (else a
  // full generation): with 3Tx IM(3), channels within 0 ... 1000 MHz, at least MinChannels() of
  // them, and more the wider the windows spread.
  static bool Pays(const std::vector<IMSource>& all, IMKinds kinds, const std::vector<BinWindow>& windows);
  static size_t MinChannels();
  // Tests lower it to check small channel sets both ways (the spread is then not weighed).
  static void MinChannels(size_t channels);

  // The first products of `all` (of `kinds`) on every kilohertz of `windows`. At most
  // `firstChannels` first channels are gone through in generation order before the kilohertz
  // still waiting are found one by one (by default as many as pay).
  IMFirstTable(std::vector<IMSource> all, IMKinds kinds, const std::vector<BinWindow>& windows,
               size_t firstChannels = SIZE_MAX);
  // The first products of each type of `kinds` on every kilohertz of `windows`, each type on its
  // own (KeyOfType, ItemOfType).
  static IMFirstTable PerType(std::vector<IMSource> all, IMKinds kinds, const std::vector<BinWindow>& windows,
                              size_t firstChannels = SIZE_MAX);

  // The generation-order key (IMOrderKey) of the product kept on kilohertz `bin`, kNone for none;
  // with its stored frequency and type. Only the kilohertz of the windows are answered.
  uint64_t KeyAt(int32_t bin, float& f, int32_t& type) const {
    if (bin < lo_ || bin > hi_) return kNone;
    const Cell& cell = cells_[static_cast<size_t>(bin - lo_)];
    f = cell.f;
    type = cell.type;
    return cell.key;
  }
  // The product kept on kilohertz `bin` as the buffer of a full generation holds it (count 1).
  TcIMFrequency ItemAt(int32_t bin) const;

  // Adds to a table of first products the first products of each type (0 ... 2) of `kinds` on
  // the kilohertz of neededOf[type] (within the table's windows), where the first product of the
  // kilohertz is of another type.
  void AddTypes(IMKinds kinds, const std::vector<int32_t> (&neededOf)[3]);

  // The key of the first product of type `type` (0 ... 2) on kilohertz `bin`, kNone for none,
  // with its stored frequency; and that product as a buffer holds it. Known for every kilohertz
  // of a table built PerType; of another table where its first product is of that type, and on
  // the kilohertz AddTypes was given.
  uint64_t KeyOfType(int32_t bin, int32_t type, float& f) const {
    const Cell* cell = CellOfType(bin, type);
    if (!cell) return kNone;
    f = cell->f;
    return cell->key;
  }
  TcIMFrequency ItemOfType(int32_t bin, int32_t type) const;

 private:
  struct Cell {
    uint64_t key = kNone;
    float f = 0.0f;
    uint8_t type = 0;
  };
  class Builder;

  IMFirstTable() = default;
  // The windows clamped to 0 ... kMaxBin, with lo_ and hi_ set; empty when nothing is asked.
  std::vector<BinWindow> Clamp(const std::vector<BinWindow>& windows);
  TcIMFrequency ItemOf(const Cell& cell) const;
  const Cell* CellOfType(int32_t bin, int32_t type) const {
    if (bin < lo_ || bin > hi_) return nullptr;
    const size_t i = static_cast<size_t>(bin - lo_);
    if (!cells_.empty() && cells_[i].key != kNone && cells_[i].type == type) return &cells_[i];
    return typed_[type].empty() ? nullptr : &typed_[type][i];
  }

  std::vector<IMSource> all_;
  int32_t lo_ = 0;
  int32_t hi_ = -1;
  std::vector<Cell> cells_;  // per kilohertz lo_ ... hi_
  std::vector<Cell> typed_[3];  // PerType: per type, per kilohertz lo_ ... hi_ (empty: type off)
};

}  // namespace kova
