// The kinds of filter a list can hold, by their catalogue names, in the order the editor
// offers them. The built-in kinds are always there; more can be registered (tests do).
#pragma once

#include "filters/FilterKind.h"

#include <memory>
#include <string_view>
#include <vector>

namespace FilterCatalogue {

// nullptr when no kind has that name.
const FilterKind* Find(std::string_view name);
std::vector<const FilterKind*> Kinds();

// Adds a kind for the life of the process; false (and the kind dropped) when its name is
// taken or a name could not be stored in the filter list file (empty, a line break, a NUL,
// or a colon in a parameter name). Kinds are never removed, so filters may keep pointers to them.
bool Register(std::unique_ptr<FilterKind> kind);

} // namespace FilterCatalogue
