#pragma once
// Preparation of a frequency search: the candidate grid of a system (its tuning grid inside the
// search spectrum) and the pruning of that grid against the channels already in the project,
// which also fills the search module's records of the systems taking part.
//
// Candidate and frequency lists are 1-based: entry 0 exists, holds 0 and carries no data, so a
// list with n entries has size n + 1 (an empty list is {0.0}).

#include <cstdint>
#include <vector>

#include "model/CProject.h"
#include "model/CSpectrum.h"
#include "model/TCheckParams.h"

namespace kova {

class PlatformPort;
class Seeker_Module;
struct FreqRange;

// Number of entries of a 1-based list.
inline int32_t CandidateCount(const std::vector<double>& list) {
  return list.empty() ? 0 : static_cast<int32_t>(list.size()) - 1;
}

// The search grid of the system's type (its tuning bands walked with the type's search step)
// where a channel of the type's "Spectrum" width fits into the search spectrum, plus every
// single-frequency band of the search spectrum that the tuning range covers with that width;
// ascending, neighbours at least 0.001 MHz apart. Values are single-precision grid points.
std::vector<double> BuildCandidateGrid(const CSystemInstance& system, const CSpectrum& searchSpectrum);

// Candidates of system iSystem of the project, cleared of every frequency that conflicts with a
// channel already present (the systems in use in slot order, each channel by channel). Fills the
// seeker's context: entry s = system s with its channels for every system before the last in
// use, the last one's entry without channels; the candidate side is the searched system. freqs
// are emptied (one list per system in use) and freqs[s] receives the channel frequencies of
// system s once its channels have been processed with candidates left; params[s] likewise
// receives its parameter record (params is grown to one record per system in use, keeping what
// it holds).
void PrepareCandidates(const CProject& project, int32_t iSystem, Seeker_Module& seeker, std::vector<double>& candidates,
                       std::vector<std::vector<double>>& freqs, std::vector<TCheckParams>& params);
// The same for systems 0 and 1 alone, each output in its own variable.
void PrepareCandidates(const CProject& project, int32_t iSystem, Seeker_Module& seeker, std::vector<double>& candidates,
                       std::vector<double>& freqs0, TCheckParams& params0, std::vector<double>& freqs1,
                       TCheckParams& params1);

// Where the candidates of a system went, for telling a user why a search fell short. Counted
// once, after the search, never inside it.
struct CandidateCensus {
  int32_t gridPoints = 0;    // search grid points where a channel fits into the search spectrum
  int32_t bySpacing = 0;     // of these, within the spacing of a channel already present
  int32_t byProducts = 0;    // of the others, taken by intermodulation with the channels present
  int32_t left = 0;          // the candidates the search starts from
  int32_t inScanRanges = 0;  // search grid points of the type outside the search spectrum and
                             // within ranges a venue scan found occupied
};

// The census of system iSystem of the project; scanCuts are the ranges an imported
// scan cut out of that system's search spectrum (none when no scan was applied).
CandidateCensus TakeCandidateCensus(const CProject& project, int32_t iSystem, const std::vector<FreqRange>& scanCuts,
                                    PlatformPort& port);

}  // namespace kova
