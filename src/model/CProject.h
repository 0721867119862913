#pragma once
// A project: one receiver system, or up to sixteen operated side by side. Each system slot holds
// a system instance (a type and its channel list) and its own search spectrum. At least two slots
// always hold objects, also while the second system is off; switching it off leaves system 0
// alone in use and keeps the other slots' objects for when it is switched on again.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/CMicInstance.h"
#include "model/CSpectrum.h"
#include "model/CSystemType.h"
#include "model/CZones.h"

namespace kova {

class TextSink;
class TcIMFrequency;
class TcIMFrequencyBuffer;
class TcProductTracker;
class TcCheckHandler;

// Channels Generate asks of a system unless told otherwise, and the most it may ask.
inline constexpr int32_t kDefaultAddCount = 10;
inline constexpr int32_t kMaxAddCount = 100;

class CSystemInstance {
 public:
  // Writes the system section of the project description.
  void GExport(TextSink& out) const;
  // Assigns the type (by reference) and moves every channel to the nearest point of its grid.
  void GcSystemType(TypeRef CBasedOn);
  const TypeRef& GcSystemType() const { return type_; }
  // Same count and, position by position, exactly equal frequencies.
  bool GHasEqualFreqs(const CSystemInstance& cSystem) const;
  int32_t GWriteToFile(BinaryWriter& file) const;
  int32_t GReadFromFile(BinaryReader& file);
  std::shared_ptr<CSystemInstance> GGetCopy() const;
  void GDefine(TypeRef XBasedOn);
  const MicsRef& GcMics() const { return mics_; }
  void GcMics(MicsRef cVal) { mics_ = std::move(cVal); }
  bool GbDefined() const { return bDefined_; }
  // The channels Generate asks of this system in the desktop program. It belongs to the system
  // (it moves with it when systems are removed and comes back with it on undo) and is kept in the
  // project file when it differs from kDefaultAddCount (files/AddCountBlock.h).
  int32_t GlAddCount() const { return addCount_; }
  void GlAddCount(int32_t n) { addCount_ = n; }
  // The zone the system stands in, 1 … 16 (1 by default); the project's zone table names it.
  int32_t GlZone() const { return lZone_; }
  void GlZone(int32_t lZone) { lZone_ = lZone; }

 private:
  bool bDefined_ = false;
  int32_t lZone_ = 1;
  TypeRef type_;
  MicsRef mics_ = std::make_shared<CMicCollection>();
  int32_t addCount_ = kDefaultAddCount;
};

using SystemRef = std::shared_ptr<CSystemInstance>;

// The most systems a project holds.
inline constexpr int32_t kMaxSystems = 16;

class CProject {
 public:
  // Writes the project description; a proposal number n > 0 adds the proposal heading. `notes`
  // follow the line with the channel count, one line each.
  void GExport(TextSink& out, int32_t n, const std::vector<std::string>& notes = {}) const;
  bool GbSecondSystem() const { return bSecondSystem_; }
  void GbSecondSystem(bool b) { bSecondSystem_ = b; }
  // The interfering products of the project (intermodulation products only with bIMOnly). With
  // several groups of zones the intermodulation products of each group follow one another, in
  // one buffer whose kilohertz bins count the products of every group (so a kilohertz two
  // groups share keeps the earlier group's product); the check takes each group's apart.
  std::shared_ptr<TcIMFrequencyBuffer> GGetBadBuffer(bool bIMOnly) const;
  // The products of GGetBadBuffer(false) in the same order, where every kilohertz that keeps an
  // intermodulation product counts 1: all that the check and the margin look at, made faster by
  // not counting the products behind the first.
  std::shared_ptr<TcIMFrequencyBuffer> GGetCheckProducts() const;
  // Appends the products of single channels (the part of GGetBadBuffer(false) before the
  // intermodulation products) of the systems in use whose slot bit is set in `slotMask`.
  void GAddChannelProducts(TcIMFrequencyBuffer& out, uint32_t slotMask = ~0u) const;
  // Lowers fMinFreq and raises fMaxFreq to cover every overall channel.
  void GGetOverallMinMax(float& fMinFreq, float& fMaxFreq) const;
  int32_t GlGetOverallMics() const;
  // The systems in use: every slot while the second system is on, else system 0 alone.
  int32_t GlSystems() const { return bSecondSystem_ ? GlSlots() : 1; }
  // The slots holding objects: 2 … kMaxSystems.
  int32_t GlSlots() const { return static_cast<int32_t>(systems_.size()); }
  // Puts a system after the last one in use and switches the second system on; while it was off,
  // the new system takes slot 1 and the slots beyond are dropped. Returns the new system's slot,
  // -1 (nothing changed) when kMaxSystems systems are in use.
  int32_t GAddSystem(SystemRef system, SpectrumRef spectrum);
  // Removes system k of those in use; the systems after it move up one slot and the current slot
  // follows its system (the one removed hands it to the system now in its place, or the last).
  // Removing one of two systems switches the second system off, the removed one staying behind
  // in slot 1 as a system switched off does. False (nothing changed) when k is not in use or is
  // the only system.
  bool GRemoveSystem(int32_t k);
  // Drops the slots after the second, switched on or not (the current slot falls back to 0 when
  // it was one of them).
  void GKeepTwoSlots();
  void GSortAllMics();
  std::shared_ptr<CProject> GGetCopy() const;
  int32_t GlCurr() const { return lCurr_; }
  void GlCurr(int32_t index);
  int32_t GReadFromFile(BinaryReader& file);
  int32_t GWriteToFile(BinaryWriter& file) const;
  const SystemRef& GcCurrSystem() const { return systems_[lCurr_]; }
  void GcCurrSystem(SystemRef system) { systems_[lCurr_] = std::move(system); }
  // The instance in slot iIndex0 (0 … GlSlots() - 1); throws std::out_of_range otherwise.
  const SystemRef& GcSystem(int32_t iIndex0) const;
  // Puts `system` into slot iIndex0; throws std::out_of_range for a slot that does not exist.
  void GcSystem(int32_t iIndex0, SystemRef system);
  const SpectrumRef& GcSpectrum() const { return spectra_[lCurr_]; }
  void GcSpectrum(SpectrumRef spectrum) { spectra_[lCurr_] = std::move(spectrum); }
  // The search spectrum of slot iIndex0; throws std::out_of_range for a slot that does not exist.
  const SpectrumRef& GcSpectrumOf(int32_t iIndex0) const;
  void GcSpectrumOf(int32_t iIndex0, SpectrumRef spectrum);

  // Copies of every overall channel: the systems in use in slot order, each in list order.
  MicsRef GetAllMics() const;
  // True when the check kind is switched on in the type of any system in use.
  bool IsCheckActive(int32_t eCheck) const;
  // The evaluation of the compatibility check, reporting every problem through the handler.
  void RunChecks(TcCheckHandler& handler) const;
  // The same with the intermodulation products taken from a tracker, which is brought up to date
  // with this project: a caller who keeps them up to date spares their generation.
  void RunChecks(TcCheckHandler& handler, TcProductTracker& imProducts) const;
  // The text naming a product and its source channels.
  std::string GetProductDescription(const TcIMFrequency& product) const;
  // "[ #1] " for slot 0 when the second system is on, else empty; "[ #1, Stage A] " with the
  // zone's name when the systems in use stand in more than one zone.
  std::string SystemPrefix(int32_t slot) const;

  // The zone table: names and relations (the systems carry their own zone numbers).
  const CZones& GcZones() const { return zones_; }
  CZones& GxZones() { return zones_; }
  // How the systems in use meet (see CZones.h).
  ZoneLayout GZoneLayout() const;
  // The name of the zone system `slot` stands in.
  const std::string& GsZoneName(int32_t slot) const;
  // Puts system `slot` into zone lZone (1 … 16), adding zones up to it; false (nothing changed)
  // for a zone or slot out of range.
  bool GSetSystemZone(int32_t slot, int32_t lZone);

 private:
  int32_t lCurr_ = 0;
  void CheckSlot(int32_t index) const;

  std::vector<SpectrumRef> spectra_ = std::vector<SpectrumRef>(2);
  std::vector<SystemRef> systems_ = std::vector<SystemRef>(2);
  bool bSecondSystem_ = false;
  CZones zones_;
};

using ProjectRef = std::shared_ptr<CProject>;

// Appends a channel: a duplicate of the last one, or "Mic1" at the first tuning frequency.
void MN_AppendChannel(CSystemInstance& system);

}  // namespace kova
