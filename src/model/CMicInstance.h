#pragma once
// Channels: one wireless link (frequency, label, type text, colour, flags) and the ordered list
// of the channels of one system, which is also the content of a preset. Positions are 1-based.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kova {

// The most channels a project holds, all systems together.
inline constexpr int32_t kMaxProjectChannels = 10000;
// The longest label of a channel (or name of a zone) in characters: what a table cell and the
// display's label strip show whole, and far within what a project file holds for the most
// channels.
inline constexpr int32_t kMaxLabelChars = 255;
// The number of characters of a UTF-8 text.
inline size_t TL_CharCount(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}
// Every frequency of a project (channels, bands, steps) lies within 0 to this many MHz.
inline constexpr double kMaxFrequencyMHz = 1000.0;
// Whether `mhz` is a frequency a project can hold: a finite number from 0 to kMaxFrequencyMHz.
inline bool IsValidFrequency(double mhz) { return mhz >= 0.0 && mhz <= kMaxFrequencyMHz; }

class BinaryReader;
class BinaryWriter;

class CMicInstance {
 public:
  int32_t GReadFromFile(BinaryReader& file);
  int32_t GWriteToFile(BinaryWriter& file) const;
  std::shared_ptr<CMicInstance> GGetCopy() const;
  void GDefine(const std::string& SMicLabel, const std::string& SMicType, float FMicFreq, int32_t LMicColor,
               int32_t LMicFlags, int32_t LMicIMOrder2, int32_t LMicIMOrder3);
  float GfGetFreq() const { return freq_; }
  int32_t GfSetFreq(float fNewFreq) {
    freq_ = fNewFreq;
    return 0;
  }
  void GlSetColor(int32_t lNewColor) { color_ = lNewColor; }
  int32_t GlGetColor() const { return color_; }
  // Bit 1: " 518.200 MHz"; bit 2: " (type)"; bit 4: " label". Always begins with a blank.
  std::string GsGetDescription(int32_t lFlag) const;
  void GsSetLabel(const std::string& sNewLabel) { label_ = sNewLabel; }
  const std::string& GsGetLabel() const { return label_; }
  int32_t GlGetFlags() const { return flags_; }
  void GlSetFlags(int32_t LNewFlags) { flags_ = LNewFlags; }
  const std::string& GsGetType() const { return type_; }
  int32_t GlIMOrder2() const { return imOrder2_; }
  int32_t GlIMOrder3() const { return imOrder3_; }
  bool GbDefined() const { return bDefined_; }

 private:
  bool bDefined_ = false;
  std::string label_;
  std::string type_;
  float freq_ = 0.0f;
  int32_t color_ = 0;
  int32_t flags_ = 0;
  int32_t imOrder2_ = 0;
  int32_t imOrder3_ = 0;
};

using MicRef = std::shared_ptr<CMicInstance>;

class CMicCollection {
 public:
  CMicCollection() : mics_(1) {}

  const std::string& GsGetLabel() const { return label_; }
  void GsSetLabel(const std::string& sNewLabel) { label_ = sNewLabel; }
  int32_t GAddMic(const std::string& sLabel, const std::string& SType, float fFreq, int32_t LColor, int32_t LFlags,
                  int32_t LIMOrder2, int32_t LIMOrder3);
  // Appends that channel object itself (no copy).
  int32_t GAddMicX(MicRef XNewMic);
  // Removes channel iMic (the last one when iMic is at or above the count); nothing when empty.
  int32_t GDelMic(int32_t iMic);
  int32_t GDuplicateMic(int32_t iMic);
  int32_t GCount() const { return static_cast<int32_t>(mics_.size()) - 1; }
  // The next free numbered label: sPrefix followed by one more than the highest number in use.
  std::string GsNextFree(const std::string& sPrefix) const;
  // Exchange sort on the frequency (ascending, or descending with bStartWithHighest).
  void GSortMics(bool bStartWithHighest);
  std::shared_ptr<CMicCollection> GGetCopy() const;
  void GDefine();
  // Channel reference at position iMic (1-based); throws std::out_of_range outside 1..count.
  MicRef GcItem(int32_t iMic) const;
  void GcItem(int32_t iMic, MicRef mic);
  int32_t GReadFromFile(BinaryReader& file);
  int32_t GWriteToFile(BinaryWriter& file) const;
  bool GbDefined() const { return bDefined_; }

 private:
  bool bDefined_ = false;
  std::vector<MicRef> mics_;  // slot 0 unused
  std::string label_;
};

using MicsRef = std::shared_ptr<CMicCollection>;

}  // namespace kova
