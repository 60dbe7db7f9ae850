// Removal of a trace's DC offset before it is shown. The offset is the mean of the later
// part of the trace (from the middle to six samples before the end), where the radar wave
// has died down; the data file always keeps the raw samples.
#pragma once

#include <cstdint>

class CChannelData;
class CSTrace;

// Writes the first n samples of `in` to `out`, less the offset when `on`, clamped to 16
// bits; the rest of `out` is zeroed. n is the channel's SAMPLES held to 0..2048 and to the
// length of `out`; `in` must hold n samples. The mean is taken over in[n/2] .. in[n-6],
// summed in single precision and truncated toward zero; with fewer than six samples past
// the middle there is no offset.
void RemoveDcOffset(const std::int16_t* in, CSTrace& out, const CChannelData& channel, bool on);

// The same for a sample count given directly.
void RemoveDcOffset(const std::int16_t* in, CSTrace& out, int samples, bool on);

// The offset that RemoveDcOffset takes away from a trace of n samples.
int DcOffset(const std::int16_t* in, int n);
