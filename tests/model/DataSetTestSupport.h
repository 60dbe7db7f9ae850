// Helpers shared by the data-set tests: a file-size limit that makes writes fail as on a
// full disk, a way to run a step as an unprivileged user, and recognisable trace samples.
#pragma once

#include "tests/support/Limits.h"

#include <csignal>
#include <cstdint>
#include <functional>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>
#include <vector>

// Sample j of trace t in the tests' data files: every trace and every sample differs, and
// negative values are among them.
inline std::int16_t PatternSample(int t, int j)
{
    return static_cast<std::int16_t>((t * 131 + j * 7) % 65536 - 32768);
}

inline std::vector<std::int16_t> PatternTrace(int t, int samples)
{
    std::vector<std::int16_t> trace(static_cast<std::size_t>(samples));
    for (int j = 0; j < samples; ++j)
        trace[static_cast<std::size_t>(j)] = PatternSample(t, j);
    return trace;
}
