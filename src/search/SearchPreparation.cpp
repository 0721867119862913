#include "search/SearchPreparation.h"

#include <algorithm>

#include "search/ScanExclusions.h"
#include "search/Seeker_Module.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// Grid points closer than this are one frequency.
constexpr double kMinCandidateDistance = 0.001;

// Walks the search grid of a type: each tuning band from its lower edge in search steps, and
// hands every point to `visit`.
template <class Visit>
void WalkSearchGrid(const CSystemType& type, Visit&& visit) {
  const float step = type.GfGetSearchStep();
  const CSpectrum& tuning = *type.GxSpectrum();
  for (int32_t b = 1; b <= tuning.GlBands(); ++b) {
    const CBand& band = *tuning.GxGetBand(b);
    const float hi = band.GfHi();
    float x = band.GfLo();
    for (;;) {
      visit(x);
      // The next point is rounded to 4 decimals so that steps like 0.025 land exactly on the
      // band's upper edge instead of drifting past it.
      const float sum = x + step;
      const float next = static_cast<float>(TL_RoundDecimals(sum, 4));
      // A step of 0 or less, or one too small to survive the rounding, would never leave the
      // band: the band ends here (also for a NaN step).
      if (!(next > x)) break;
      x = next;
      if (x > hi) break;
    }
  }
}

}  // namespace

std::vector<double> BuildCandidateGrid(const CSystemInstance& system, const CSpectrum& searchSpectrum) {
  const CSystemType& type = *system.GcSystemType();
  const float w0 = type.GfBandwidth(kCheckSpectrum);
  const CSpectrum& tuning = *type.GxSpectrum();

  std::vector<double> list{0.0};
  WalkSearchGrid(type, [&](float x) {
    if (searchSpectrum.GIsFreqAvailable(x, w0)) list.push_back(x);
  });

  // A single-frequency band of the search spectrum names one frequency the user wants, on the
  // tuning grid or not; it counts when the tuning range covers a channel there.
  for (int32_t e = 1; e <= searchSpectrum.GlBands(); ++e) {
    const CBand& band = *searchSpectrum.GxGetBand(e);
    if (band.GfLo() == band.GfHi() && tuning.GIsFreqAvailable(band.GfLo(), w0)) list.push_back(band.GfLo());
  }

  // Ascending order; equal values are indistinguishable, so any sort gives the same list.
  if (!std::is_sorted(list.begin() + 1, list.end())) std::sort(list.begin() + 1, list.end());

  // Near-duplicates (overlapping tuning bands, a single frequency next to a grid point): the
  // first of a run of points closer than 0.001 MHz to the last kept one stays.
  size_t kept = list.size() > 1 ? 1 : 0;
  for (size_t i = 2; i < list.size(); ++i) {
    if (list[i] - list[kept] >= kMinCandidateDistance) list[++kept] = list[i];
  }
  list.resize(kept + 1);
  return list;
}

void PrepareCandidates(const CProject& project, int32_t iSystem, Seeker_Module& seeker, std::vector<double>& candidates,
                       std::vector<std::vector<double>>& freqs, std::vector<TCheckParams>& params) {
  const int32_t systems = project.GlSystems();
  freqs.assign(static_cast<size_t>(systems), std::vector<double>{0.0});
  if (params.size() < static_cast<size_t>(systems)) params.resize(static_cast<size_t>(systems), TCheckParams{});
  const CSystemInstance& searched = *project.GcSystem(iSystem);
  candidates = BuildCandidateGrid(searched, *project.GcSpectrumOf(iSystem));
  int32_t count = CandidateCount(candidates);
  if (count == 0) return;

  seeker.SetCandidateSide(searched.GcSystemType()->GGetCheckParams());
  const std::vector<double> noChannels{0.0};
  const ZoneLayout zones = project.GZoneLayout();
  if (!zones.Single()) {
    // The systems of near zones first, while the context holds no channel: each of their
    // channels, taken alone, keeps its spacing and receiver frequencies from the candidates but
    // forms no product with them. Apart zones keep nothing.
    seeker.SetContext(noChannels, searched.GcSystemType()->GGetCheckParams(), 0);
    seeker.SetChosenFormsProducts(false);
    for (int32_t s = 0; s < systems && count > 0; ++s) {
      if (zones.SameGroup(iSystem, s) || !zones.Reaches(iSystem, s)) continue;
      seeker.SetChosenSide(project.GcSystem(s)->GcSystemType()->GGetCheckParams());
      const CMicCollection& mics = *project.GcSystem(s)->GcMics();
      for (int32_t i = 1; i <= mics.GCount() && count > 0; ++i)
        seeker.EliminateCandidates(candidates, count, {0.0, static_cast<double>(mics.GcItem(i)->GfGetFreq())});
    }
    seeker.SetChosenFormsProducts(true);
    if (count < 1) {
      candidates.assign(1, 0.0);
      return;
    }
    candidates.resize(static_cast<size_t>(count) + 1);
  }
  for (int32_t s = 0; s < systems; ++s) {
    const CSystemInstance& system = *project.GcSystem(s);
    const TCheckParams systemParams = system.GcSystemType()->GGetCheckParams();
    seeker.SetChosenSide(systemParams);
    seeker.SetContext(noChannels, systemParams, s);
    if (!zones.SameGroup(iSystem, s)) {
      // Another group of zones: its channels stay out of the context (freqs[s] stays empty).
      params[static_cast<size_t>(s)] = systemParams;
      continue;
    }

    // Every channel is taken as the newest chosen frequency, the channels before it as the
    // earlier ones, exactly as if the search had chosen them in list order.
    const CMicCollection& mics = *system.GcMics();
    std::vector<double> list{0.0};
    list.reserve(static_cast<size_t>(mics.GCount()) + 1);
    for (int32_t i = 1; i <= mics.GCount() && count > 0; ++i) {
      list.push_back(static_cast<double>(mics.GcItem(i)->GfGetFreq()));
      seeker.EliminateCandidates(candidates, count, list);
    }
    if (count < 1) {
      candidates.assign(1, 0.0);
      return;
    }
    candidates.resize(static_cast<size_t>(count) + 1);

    // The systems after this one meet its channels as fixed ones.
    if (s + 1 < systems || s == 0) seeker.SetContext(list, systemParams, s);
    freqs[static_cast<size_t>(s)] = list;
    params[static_cast<size_t>(s)] = systemParams;
  }
}

void PrepareCandidates(const CProject& project, int32_t iSystem, Seeker_Module& seeker, std::vector<double>& candidates,
                       std::vector<double>& freqs0, TCheckParams& params0, std::vector<double>& freqs1,
                       TCheckParams& params1) {
  std::vector<std::vector<double>> freqs;
  std::vector<TCheckParams> params{params0, params1};
  PrepareCandidates(project, iSystem, seeker, candidates, freqs, params);
  freqs0 = freqs[0];
  freqs1 = freqs.size() > 1 ? freqs[1] : std::vector<double>{0.0};
  params0 = params[0];
  params1 = params[1];
}

CandidateCensus TakeCandidateCensus(const CProject& project, int32_t iSystem, const std::vector<FreqRange>& scanCuts,
                                    PlatformPort& port) {
  CandidateCensus census;
  const CSystemInstance& searched = *project.GcSystem(iSystem);
  const CSpectrum& searchSpectrum = *project.GcSpectrumOf(iSystem);
  const std::vector<double> grid = BuildCandidateGrid(searched, searchSpectrum);
  census.gridPoints = CandidateCount(grid);

  // Only points that the search spectrum leaves out count: the user may have put a range back.
  const float w0 = searched.GcSystemType()->GfBandwidth(kCheckSpectrum);
  WalkSearchGrid(*searched.GcSystemType(), [&](float x) {
    const bool scanned = std::any_of(scanCuts.begin(), scanCuts.end(),
                                     [x](const FreqRange& r) { return r.lo <= x && x <= r.hi; });
    if (scanned && !searchSpectrum.GIsFreqAvailable(x, w0)) ++census.inScanRanges;
  });
  if (census.gridPoints == 0) return census;

  // The spacing stage of the elimination alone, channel by channel as the preparation adds them.
  std::vector<double> spaced = grid;
  int32_t count = census.gridPoints;
  const double ownSpacing = searched.GcSystemType()->GGetCheckParams()[kCheckSpacing];
  const ZoneLayout zones = project.GZoneLayout();
  for (int32_t s = 0; s < project.GlSystems(); ++s) {
    if (!zones.Reaches(iSystem, s)) continue;  // a zone apart
    const CSystemInstance& system = *project.GcSystem(s);
    const double spacing = std::max({ownSpacing, system.GcSystemType()->GGetCheckParams()[kCheckSpacing], 0.0});
    const CMicCollection& mics = *system.GcMics();
    for (int32_t i = 1; i <= mics.GCount(); ++i)
      Seeker_Module::RemoveRange(spaced, count, mics.GcItem(i)->GfGetFreq(), spacing);
  }
  census.bySpacing = census.gridPoints - count;

  // The whole elimination, as the search starts from it; what spacing left it took by products.
  Seeker_Module seeker(port);
  std::vector<double> candidates, freqs0, freqs1;
  TCheckParams params0{}, params1{};
  PrepareCandidates(project, iSystem, seeker, candidates, freqs0, params0, freqs1, params1);
  census.left = CandidateCount(candidates);
  census.byProducts = census.gridPoints - census.bySpacing - census.left;
  return census;
}

}  // namespace kova
