// The filter list file (def_filter_list in the settings folder): a text file, lines ending in
// CR LF, numbers in the "C" locale.
//
//   FILTER LIST VERSION:1
//   FILTER:Gain
//   ENABLED:1
//   PARAM:Type:Exponential
//   PARAM:Start (ns):2.5
//   END FILTER
//
// One FILTER ... END FILTER block per filter, in list order, with every parameter. Reading
// is all or nothing: a missing header, another version, a line longer than 4096 characters,
// a stray line between blocks, an unfinished block or more than 64 filters make the file
// bad. Inside a block, unknown filters, parameters and keys are skipped, values are clamped
// to their ranges and a value that does not parse (or an unknown choice) keeps its default.
#pragma once

#include "filters/FilterChain.h"

#include <string>

namespace FilterListFile {

constexpr size_t kMaxLine = 4096;

std::string Format(const FilterChain& list);
// Atomic: a failed save leaves the old file as it was.
bool Write(const std::string& path, const FilterChain& list);
// Fills `list` only when the whole file is good; otherwise false and `list` untouched.
bool Read(const std::string& path, FilterChain& list);

} // namespace FilterListFile
