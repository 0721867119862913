#pragma once
// What the program has built in: the new-project defaults, the seven receiver system types
// installed when no system data can be read, and the built-in television channel tables.

#include <vector>

#include "model/CProject.h"
#include "model/CSpectrum.h"
#include "model/CSystemType.h"

namespace kova {

// Gives a newly created project the new-project defaults: two slots, each with a copy of the
// first of `systems` (an empty type when there is none) and an empty channel list, each with
// its own search spectrum 10..1000 MHz in 0.025 MHz steps; slot 0 current, second system off.
void MN_InitProject(const std::vector<TypeRef>& systems, CProject& project);
// The seven built-in receiver system types, in their fixed order.
std::vector<TypeRef> MN_DefaultSystems();
// The built-in channel tables: the historic tables of Germany and the USA first, in that order,
// then today's tables by region (files/RegionTables.h). Every channel carries its number.
std::vector<CountryRef> MN_CountryTables();

}  // namespace kova
