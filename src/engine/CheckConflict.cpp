#include "engine/CheckConflict.h"

#include "engine/TcIMFrequency.h"
#include "model/CProject.h"

namespace kova {

CheckConflict CheckConflict::OutsideSpectrum(int32_t system, int32_t mic) {
  CheckConflict c;
  c.channel = {system, mic};
  return c;
}

CheckConflict CheckConflict::HitBy(int32_t system, int32_t mic, const TcIMFrequency& product) {
  CheckConflict c;
  c.channel = {system, mic};
  c.kind = product.GGetBWDType();
  c.freq = product.GfFreq();
  const int32_t type = product.GeIMType();
  c.sources = type == kIM3Tx3 ? 3 : (type == kIM2Tx3 || type == kIM2Tx5) ? 2 : 1;
  for (int32_t i = 0; i < c.sources; ++i) c.source[static_cast<size_t>(i)] = {product.GlSysNr(i), product.GlMicNr(i)};
  return c;
}

MicRef MicOfCheckChannel(const CProject& project, const CheckChannel& ch) {
  if (ch.system < 0 || ch.system >= project.GlSystems()) return nullptr;
  const MicsRef& mics = project.GcSystem(ch.system)->GcMics();
  if (ch.mic < 1 || ch.mic > mics->GCount()) return nullptr;
  return mics->GcItem(ch.mic);
}

}  // namespace kova
