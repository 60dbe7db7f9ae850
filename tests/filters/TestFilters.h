// Helpers shared by the filter tests: a test-only filter kind with the parameter types the
// built-in filters do not use, and small trace blocks.
#pragma once

#include "filters/FilterLibrary.h"

#include <cstdint>
#include <string>
#include <vector>

// Registers "Test offset" (once per process): parameters "Label" (text, "none"), "Offset"
// (integer -1000..1000, 0) and "Negate" (flag, off). It adds the offset to every valid
// sample, then negates it when the flag is on, saturating to 16 bits.
void RegisterTestFilters();
inline constexpr const char* kTestFilter = "Test offset";

// A description of a block without any measurement values.
MeasureInfo BlockInfo(int samplesPerTrace, int traces, int validSamples = 0, double frequency = 0);

// Samples from a fixed pseudo-random sequence covering the whole 16-bit range.
std::vector<std::int16_t> RandomSamples(size_t count, std::uint32_t seed);
