#include "filters/editor/TracePreview.h"

#include <algorithm>
#include <cstdlib>

QImage TracePreview(const std::int16_t* samples, int traces, int stride, int valid)
{
    if (!samples || traces <= 0 || valid <= 0 || stride < valid)
        return {};
    int peak = 1;
    for (int t = 0; t < traces; ++t)
        for (int k = 0; k < valid; ++k)
            peak = std::max(peak, std::abs(static_cast<int>(samples[static_cast<size_t>(t) * stride + k])));
    QImage image(traces, valid, QImage::Format_RGB32);
    for (int k = 0; k < valid; ++k) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(k));
        for (int t = 0; t < traces; ++t) {
            const int v = samples[static_cast<size_t>(t) * stride + k];
            const int grey = std::clamp(128 + (127 * v) / peak, 0, 255);
            row[t] = qRgb(grey, grey, grey);
        }
    }
    return image;
}
