// What the acquisition has stored, filled, skipped and refused since the measurement
// started: for the benchmark, the tests and a diagnostic log. A snapshot; the live counters
// have one writer at a time (the acquisition thread, or the user-interface thread once the
// thread has ended).
#pragma once

#include <cstdint>

struct AcquisitionCounters {
    std::uint64_t records = 0;            // ring records taken
    std::uint64_t tracesStored = 0;       // traces appended to data files, fill traces included
    std::uint64_t fillTraces = 0;         // zero traces stored for missed positions
    std::uint64_t discardedTraces = 0;    // first traces of a continued data set
    std::uint64_t tracesWithoutFile = 0;  // traces of channels that are not active or have no file
    std::uint64_t malformedRecords = 0;   // too short, bad channel code or bad sample count
    std::uint64_t strayTraces = 0;        // trace records whose length is not their channel's SAMPLES
    std::uint64_t unknownRecords = 0;     // types the acquisition does not read
    std::uint64_t oversizedGaps = 0;      // gaps too large to fill (a position glitch)
    std::uint64_t sensorRecords = 0;      // sensor lines written, missed ones included
    std::uint64_t markerEdges = 0;        // rising edges of the unit's marker input
    std::uint64_t drainedRecords = 0;     // records taken after the thread ended, at the stop
};
