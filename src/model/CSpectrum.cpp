#include "model/CSpectrum.h"

#include <stdexcept>

#include "tools/BinaryFile.h"

namespace kova {

bool CSpectrum::IsInside(float FLower1, float FUpper1, float FLower2, float FUpper2) {
  return FLower1 >= FLower2 && FUpper1 <= FUpper2;
}

bool CSpectrum::GIsFreqAvailable(float fFreq, float fBand) const {
  float lo = static_cast<float>(static_cast<double>(fFreq) - static_cast<double>(fBand) / 2.0);
  float hi = static_cast<float>(static_cast<double>(fFreq) + static_cast<double>(fBand) / 2.0);
  for (int32_t i = 1; i <= GlBands(); ++i)
    if (IsInside(lo, hi, bands_[i]->GfLo(), bands_[i]->GfHi())) return true;
  return false;
}

int32_t CSpectrum::GWriteToFile(BinaryWriter& file) const {
  file.WriteInt32(0);
  file.WriteInt32(GlBands());
  for (int32_t i = 1; i <= GlBands(); ++i) bands_[i]->GWriteToFile(file);
  return 0;
}

int32_t CSpectrum::GReadFromFile(BinaryReader& file) {
  int32_t version = 0;
  if (!file.ReadInt32(version) || version != 0) return -1;
  int32_t count = 0;
  if (!file.ReadInt32(count)) return -1;
  // A band record takes 16 bytes: a count the file cannot hold is refused before anything is
  // allocated or changed.
  if (count < 0 || static_cast<size_t>(count) > file.Remaining() / 16) {
    file.MarkFailed();
    return -1;
  }
  GDefine();
  for (int32_t i = 0; i < count; ++i) {
    auto band = std::make_shared<CBand>();
    band->GReadFromFile(file);
    GxAddBand(band);
  }
  return file.Failed() ? -1 : 0;
}

void CSpectrum::GSortBands(bool bStartWithHighest) {
  for (int32_t i = 2; i <= GlBands(); ++i) {
    BandRef key = bands_[i]->GGetCopy();
    int32_t j = i - 1;
    while (j >= 1 && (bStartWithHighest ? bands_[j]->GfLo() < key->GfLo() : bands_[j]->GfLo() > key->GfLo())) {
      bands_[j + 1] = bands_[j];
      --j;
    }
    bands_[j + 1] = key;
  }
}

int32_t CSpectrum::GxAddBand(BandRef xNewBand) {
  bands_.push_back(std::move(xNewBand));
  return GlBands();
}

int32_t CSpectrum::GDelBand(int32_t iBand) {
  int32_t count = GlBands();
  if (count == 0) return 0;
  if (iBand < 1) iBand = 1;
  if (iBand > count) iBand = count;
  bands_.erase(bands_.begin() + iBand);
  return GlBands();
}

float CSpectrum::GfGetFreqMax() const {
  float m = 0.0f;
  for (int32_t i = 1; i <= GlBands(); ++i)
    if (bands_[i]->GfHi() > m) m = bands_[i]->GfHi();
  return m;
}

float CSpectrum::GfGetFreqMin() const {
  float m = 1000000.0f;
  for (int32_t i = 1; i <= GlBands(); ++i)
    if (bands_[i]->GfLo() < m) m = bands_[i]->GfLo();
  return m;
}

int32_t CSpectrum::GInvertSpectrum(float fLowerLimit, float FUpperLimit) {
  GSortBands(false);
  std::vector<BandRef> result(1);
  float edge = fLowerLimit;
  auto addGap = [&](float lo, float hi) {
    auto b = std::make_shared<CBand>();
    b->GDefine(lo, hi, hi - lo);
    result.push_back(b);
  };
  for (int32_t i = 1; i <= GlBands(); ++i) {
    const CBand& b = *bands_[i];
    if (b.GfLo() > edge) {
      addGap(edge, b.GfLo() < FUpperLimit ? b.GfLo() : FUpperLimit);
      edge = b.GfHi();
    } else if (b.GfHi() > edge) {
      edge = b.GfHi();
    }
    if (edge >= FUpperLimit) break;
  }
  if (edge < FUpperLimit) addGap(edge, FUpperLimit);
  bands_ = std::move(result);
  return 0;
}

int32_t CSpectrum::GlGetFreqIndexNext(float fFreq) const {
  int32_t n = GlFreqIndexMax();
  if (n <= 0) return 1;
  // Walk the concatenated grid once; f(i) of each band comes from the band itself.
  float first = GfGetFreq(1);
  if (fFreq < first) return 1;
  if (fFreq > GfGetFreq(n)) return n;
  for (int32_t b = 1; b <= GlBands(); ++b) {
    if (bands_[b]->GlPoints() < 1) {
      // Degenerate bands: use the index arithmetic literally.
      for (int32_t i = 1; i < n; ++i) {
        float mid = static_cast<float>((static_cast<double>(GfGetFreq(i)) + GfGetFreq(i + 1)) / 2.0);
        if (fFreq < mid) return i;
      }
      return n;
    }
  }
  int32_t index = 0;
  float prev = 0.0f;
  bool havePrev = false;
  for (int32_t b = 1; b <= GlBands(); ++b) {
    const CBand& band = *bands_[b];
    int32_t points = band.GlPoints();
    for (int32_t k = 1; k <= points; ++k) {
      float f = band.GfGetFreq(k);
      if (havePrev) {
        float mid = static_cast<float>((static_cast<double>(prev) + f) / 2.0);
        if (fFreq < mid) return index;
      }
      prev = f;
      havePrev = true;
      ++index;
      if (index >= n) return n;
    }
  }
  return n;
}

float CSpectrum::GfGetFreqNext(float fFreq) const { return GfGetFreq(GlGetFreqIndexNext(fFreq)); }

int32_t CSpectrum::GAddBand(float fLow, float fHigh, float fStep) {
  auto b = std::make_shared<CBand>();
  b->GDefine(fLow, fHigh, fStep);
  return GxAddBand(b);
}

void CSpectrum::GDefine() {
  bands_.assign(1, nullptr);
  bDefined_ = true;
}

int32_t CSpectrum::GlFreqs() const {
  int64_t sum = 0;
  for (int32_t i = 1; i <= GlBands(); ++i) sum += bands_[i]->GlPoints();
  if (sum > INT32_MAX) return INT32_MAX;
  if (sum < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(sum);
}

float CSpectrum::GfGetFreq(int32_t iFreq) const {
  int64_t s = 0;
  for (int32_t i = 1; i <= GlBands(); ++i) {
    int32_t p = bands_[i]->GlPoints();
    if (s + p >= iFreq) return bands_[i]->GfGetFreq(static_cast<int32_t>(iFreq - s));
    s += p;
  }
  return 0.0f;
}

int32_t CSpectrum::GlGetFreqIndex(float fFreq) const {
  int64_t s = 0;
  for (int32_t i = 1; i <= GlBands(); ++i) {
    int32_t idx = bands_[i]->GlGetFreqIndex(fFreq);
    if (idx > 0) return static_cast<int32_t>(idx + s);
    s += bands_[i]->GlPoints();
  }
  return 0;
}

std::shared_ptr<CSpectrum> CSpectrum::GGetCopy() const {
  auto c = std::make_shared<CSpectrum>();
  c->GDefine();
  for (int32_t i = 1; i <= GlBands(); ++i) c->GxAddBand(bands_[i]->GGetCopy());
  return c;
}

BandRef CSpectrum::GxGetBand(int32_t iBand) const {
  if (iBand < 1 || iBand > GlBands()) throw std::out_of_range("Subscript out of range");
  return bands_[iBand];
}

void CCountrySpectrum::GDefine(const std::string& sLabel) {
  label_ = sLabel;
  spectrum_ = std::make_shared<CSpectrum>();
  spectrum_->GDefine();
  numbers_.clear();
  bDefined_ = true;
}

int32_t CCountrySpectrum::GAddChannel(int32_t number, float fLow, float fHigh) {
  // Numbers only mean something when every band has one: bands added to the spectrum directly
  // before this one leave the table unnumbered.
  if (numbers_.size() == static_cast<size_t>(spectrum_->GlBands())) numbers_.push_back(number);
  return spectrum_->GAddBand(fLow, fHigh, 1.0f);
}

bool CCountrySpectrum::GbNumbered() const {
  return !numbers_.empty() && numbers_.size() == static_cast<size_t>(spectrum_->GlBands());
}

int32_t CCountrySpectrum::GlChannel(int32_t iBand) const {
  const bool known = GbNumbered() && iBand >= 1 && static_cast<size_t>(iBand) <= numbers_.size();
  return known ? numbers_[static_cast<size_t>(iBand) - 1] : iBand;
}

std::string CCountrySpectrum::GsGetChannelText(int32_t iBand) const {
  const std::string band = spectrum_->GxGetBand(iBand)->GsGetFromToString(0);
  return GbNumbered() ? std::to_string(GlChannel(iBand)) + "  " + band : band;
}

}  // namespace kova
