// The print bitmap: one strip of a radargram as a device-independent bitmap, as wide as the
// strip has traces and as high as a trace has samples (sample 0 in the top row), stretched
// onto the printer page with no smoothing. Printing fills it 16 bits per pixel (5-5-5:
// bit 15 unused, red in bits 10..14, green 5..9, blue 0..4); each row takes
// 4 * ceil(bits * width / 32) bytes, so odd widths carry two bytes of padding per row.
#pragma once

#include "display/RadarPalette.h"

#include <QImage>

#include <cstdint>

class QPainter;

class CDib {
public:
    // An empty bitmap: Draw gives false.
    CDib() = default;
    // A bitmap of `width` x `height` pixels at `bitCount` bits, all pixels 0. Pixels are kept
    // for 16, 24 and 32 bits; other bit counts only get their metrics.
    CDib(int width, int height, int bitCount);

    // Colour table entries: `coloursUsed` when not 0, else 2, 16 or 256 for 1, 4 or 8 bits
    // and none for 16, 24 and 32.
    static int ComputePaletteSize(int bitCount, int coloursUsed = 0);
    // Bytes of one pixel row: 4 * ceil(bitCount * width / 32).
    static std::uint32_t RowBytes(int width, int bitCount);

    // Stretches the whole bitmap onto (x, y, width, height), nearest pixel, never blended
    // or compressed lossily (PDF). False, drawing nothing, when the bitmap is empty.
    bool Draw(QPainter& dc, int x, int y, int width, int height) const;
    // Back to an empty bitmap.
    void Empty();

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int BitCount() const { return m_nBitCount; }
    int ColourEntries() const { return m_nColourEntries; }
    std::uint32_t ImageSize() const { return m_nImageSize; }
    // Row r (0 = top) of the pixels; null without pixels or out of range.
    std::uint8_t* Row(int r);
    const QImage& Image() const { return m_image; }

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBitCount = 0;
    int m_nColourEntries = 0;
    std::uint32_t m_nImageSize = 0;
    QImage m_image;
};

// Fills a 16-bit bitmap from `traces`: column j is trace j, whose sample k starts at
// traces[j * traceStride + k] and becomes row k, coloured through the palette at `gain`.
// Columns and rows beyond the bitmap are not read.
void FillFromTraces(CDib& dib, const std::int16_t* traces, int traceStride,
                    const CRadarPalette::Colours& colours, std::int32_t gain);
