// A block of traces as a grey picture for the filter editor's preview: one column per trace,
// one row per valid sample, mid-grey at zero, white and black at the block's largest
// amplitude.
#pragma once

#include <QImage>

#include <cstdint>

// An empty image when there are no traces or samples.
QImage TracePreview(const std::int16_t* samples, int traces, int stride, int valid);
