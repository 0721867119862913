#include "app/TypeChange.h"

#include <map>

#include "tools/Tools.h"

namespace kova {

namespace {

// Frequencies count as one when they show alike (three decimals).
int64_t Key(float f) { return static_cast<int64_t>(TL_RoundLong(static_cast<double>(f) * 1000.0)); }

std::string Channels(int32_t n) { return TL_Str(n) + (n == 1 ? " channel" : " channels"); }

}  // namespace

TypeChangePlan MN_PlanTypeChange(const CSystemInstance& system, const CSystemType& newType) {
  TypeChangePlan plan;
  const CMicCollection& mics = *system.GcMics();
  const CSpectrum& tuning = *newType.GxSpectrum();
  plan.channels = mics.GCount();
  std::vector<float> from(static_cast<size_t>(plan.channels)), to(from.size());
  std::vector<bool> moving(from.size());
  for (int32_t i = 0; i < plan.channels; ++i) {
    const auto k = static_cast<size_t>(i);
    from[k] = mics.GcItem(i + 1)->GfGetFreq();
    to[k] = tuning.GfGetFreqNext(from[k]);
    moving[k] = Key(to[k]) != Key(from[k]);
  }
  // A moving channel that would share its new frequency with any other channel's frequency after
  // the change stays; staying puts it back on its old frequency, which may in turn stop another.
  for (bool again = true; again;) {
    again = false;
    std::map<int64_t, int> count;
    for (size_t k = 0; k < from.size(); ++k) ++count[Key(moving[k] ? to[k] : from[k])];
    for (size_t k = 0; k < from.size(); ++k) {
      if (moving[k] && count[Key(to[k])] > 1) {
        moving[k] = false;
        again = true;
        ++plan.kept;
      }
    }
  }
  for (size_t k = 0; k < from.size(); ++k) {
    plan.freqs.push_back(moving[k] ? to[k] : from[k]);
    if (!moving[k]) continue;
    plan.moves.push_back({static_cast<int32_t>(k) + 1, from[k], to[k]});
    if (tuning.GIsFreqAvailable(from[k], 0.0f))
      ++plan.offGrid;
    else
      ++plan.outside;
  }
  return plan;
}

std::string MN_TypeChangeText(const TypeChangePlan& plan, const char* lineBreak) {
  std::string text;
  auto line = [&](const std::string& s) { text += (text.empty() ? "" : lineBreak) + s; };
  const std::string of = " of " + Channels(plan.channels);
  if (plan.outside > 0)
    line(TL_Str(plan.outside) + of + (plan.outside == 1 ? " lies" : " lie") +
         " outside the new type's tuning ranges and would move to its nearest edge.");
  if (plan.offGrid > 0)
    line(TL_Str(plan.offGrid) + of + (plan.offGrid == 1 ? " lies" : " lie") +
         " off the new type's tuning grid and would move to its nearest grid point.");
  // The moves themselves while they fit into a question.
  constexpr size_t kListed = 10;
  for (size_t i = 0; i < plan.moves.size() && i < kListed; ++i)
    line("  Channel " + TL_Str(plan.moves[i].mic) + ": " + MN_FormatFreq(plan.moves[i].from) + " \u2192 " +
         MN_FormatFreq(plan.moves[i].to) + " MHz");
  if (plan.moves.size() > kListed) line("  \u2026 and " + Channels(static_cast<int32_t>(plan.moves.size() - kListed)) + " more");
  if (plan.kept > 0)
    line(Channels(plan.kept) + " would land on the frequency of another channel and " +
         (plan.kept == 1 ? "keeps its frequency" : "keep their frequencies") + " instead; the channel table marks " +
         (plan.kept == 1 ? "it" : "them") + " as not fitting the new type.");
  return text;
}

void MN_ApplyTypeChange(CSystemInstance& system, TypeRef newType, const TypeChangePlan& plan) {
  system.GcSystemType(std::move(newType));
  const CMicCollection& mics = *system.GcMics();
  for (int32_t i = 1; i <= mics.GCount() && static_cast<size_t>(i) <= plan.freqs.size(); ++i)
    mics.GcItem(i)->GfSetFreq(plan.freqs[static_cast<size_t>(i - 1)]);
}

}  // namespace kova
