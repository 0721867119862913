#pragma once
// A project: one receiver system, or two operated side by side. Each system slot holds a system
// instance (a type and its channel list) and its own search spectrum. Both slots always hold
// objects, also while the second system is off.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "model/CMicInstance.h"
#include "model/CSpectrum.h"
#include "model/CSystemType.h"

namespace kova {

class TextSink;
class TcIMFrequency;
class TcIMFrequencyBuffer;
class TcProductTracker;
class TcCheckHandler;

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

 private:
  bool bDefined_ = false;
  TypeRef type_;
  MicsRef mics_ = std::make_shared<CMicCollection>();
};

using SystemRef = std::shared_ptr<CSystemInstance>;

class CProject {
 public:
  // Writes the project description; a proposal number n > 0 adds the proposal heading.
  void GExport(TextSink& out, int32_t n) const;
  bool GbSecondSystem() const { return bSecondSystem_; }
  void GbSecondSystem(bool b) { bSecondSystem_ = b; }
  // The interfering products of the project (intermodulation products only with bIMOnly).
  std::shared_ptr<TcIMFrequencyBuffer> GGetBadBuffer(bool bIMOnly) const;
  // Appends the products of single channels (the part of GGetBadBuffer(false) before the
  // intermodulation products).
  void GAddChannelProducts(TcIMFrequencyBuffer& out) const;
  // Lowers fMinFreq and raises fMaxFreq to cover every overall channel.
  void GGetOverallMinMax(float& fMinFreq, float& fMaxFreq) const;
  int32_t GlGetOverallMics() const;
  int32_t GlSystems() const { return bSecondSystem_ ? 2 : 1; }
  void GSortAllMics();
  std::shared_ptr<CProject> GGetCopy() const;
  int32_t GlCurr() const { return lCurr_; }
  void GlCurr(int32_t index);
  int32_t GReadFromFile(BinaryReader& file);
  int32_t GWriteToFile(BinaryWriter& file) const;
  const SystemRef& GcCurrSystem() const { return systems_[lCurr_]; }
  void GcCurrSystem(SystemRef system) { systems_[lCurr_] = std::move(system); }
  // The instance in slot iIndex0 (0 or 1); throws std::out_of_range otherwise.
  const SystemRef& GcSystem(int32_t iIndex0) const;
  // Puts `system` into slot iIndex0 (0 or 1); throws std::out_of_range otherwise.
  void GcSystem(int32_t iIndex0, SystemRef system);
  const SpectrumRef& GcSpectrum() const { return spectra_[lCurr_]; }
  void GcSpectrum(SpectrumRef spectrum) { spectra_[lCurr_] = std::move(spectrum); }
  // The search spectrum of slot iIndex0 (0 or 1); throws std::out_of_range otherwise.
  const SpectrumRef& GcSpectrumOf(int32_t iIndex0) const;
  void GcSpectrumOf(int32_t iIndex0, SpectrumRef spectrum);

  // Copies of every overall channel: system 0's in list order, then system 1's when it is on.
  MicsRef GetAllMics() const;
  // True when the check kind is switched on in system 0's type, or in system 1's when it is on.
  bool IsCheckActive(int32_t eCheck) const;
  // The evaluation of the compatibility check, reporting every problem through the handler.
  void RunChecks(TcCheckHandler& handler) const;
  // The same with the intermodulation products taken from a tracker, which is brought up to date
  // with this project: a caller who keeps them up to date spares their generation.
  void RunChecks(TcCheckHandler& handler, TcProductTracker& imProducts) const;
  // The text naming a product and its source channels.
  std::string GetProductDescription(const TcIMFrequency& product) const;
  // "[ #1] " when the second system is on, else empty.
  std::string SystemPrefix(int32_t slot) const;

 private:
  int32_t lCurr_ = 0;
  std::array<SpectrumRef, 2> spectra_;
  std::array<SystemRef, 2> systems_;
  bool bSecondSystem_ = false;
};

using ProjectRef = std::shared_ptr<CProject>;

// Appends a channel: a duplicate of the last one, or "Mic1" at the first tuning frequency.
void MN_AppendChannel(CSystemInstance& system);

}  // namespace kova
