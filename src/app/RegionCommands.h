#pragma once
// The channel tables of the application state as commands use them: the user's tables read at
// start, a table found by name, and search spectra set for one system or for every system in
// use at once.

#include <cstdint>
#include <string>
#include <vector>

#include "app/AppState.h"

namespace kova {

// Reads the tables of Countries/ below the application directory into app.userCountries, and
// the reasons for the files not used into app.countryErrors. Never fails.
void MN_LoadUserCountries(AppState& app);

// The table of the country list called `name`: its label exactly, else ignoring letter case,
// else the only table whose label begins with `name` ignoring letter case. Null with `error`
// saying why (no such table, or which tables the beginning fits).
CountryRef MN_FindCountry(const AppState& app, const std::string& name, std::string& error);

// The systems in use, in slot order.
std::vector<int32_t> MN_SystemsInUse(const CProject& project);

// Puts copies of the bands of `bands` into the search spectrum of each system of `slots`: behind
// the system's own bands with `keepOwn`, else in place of them. Each system gets a spectrum
// object of its own.
void MN_PutSearchBands(CProject& project, const std::vector<int32_t>& slots, const CSpectrum& bands, bool keepOwn);

// After a choice for the current system that is meant for every system: the bands of the current
// system's search spectrum after its first `kept` go to every other system in use, behind its
// own bands with `keepOwn`, else in place of them.
void MN_ShareNewBands(CProject& project, int32_t kept, bool keepOwn);

}  // namespace kova
