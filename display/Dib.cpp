#include "display/Dib.h"

#include <QPainter>

CDib::CDib(int width, int height, int bitCount)
{
    if (width <= 0 || height <= 0 || bitCount <= 0)
        return;
    m_nWidth = width;
    m_nHeight = height;
    m_nBitCount = bitCount;
    m_nColourEntries = ComputePaletteSize(bitCount);
    m_nImageSize = RowBytes(width, bitCount) * static_cast<std::uint32_t>(height);
    QImage::Format format = QImage::Format_Invalid;
    switch (bitCount) {
    case 16: format = QImage::Format_RGB555; break;
    case 24: format = QImage::Format_RGB888; break;
    case 32: format = QImage::Format_RGB32; break;
    default: return;
    }
    m_image = QImage(width, height, format);
    if (m_image.isNull()) {
        Empty();
        return;
    }
    m_image.fill(0);
}

int CDib::ComputePaletteSize(int bitCount, int coloursUsed)
{
    if (coloursUsed != 0)
        return coloursUsed;
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

std::uint32_t CDib::RowBytes(int width, int bitCount)
{
    const std::uint64_t bits = static_cast<std::uint64_t>(bitCount) * static_cast<std::uint64_t>(width);
    return static_cast<std::uint32_t>(4 * ((bits + 31) / 32));
}

bool CDib::Draw(QPainter& dc, int x, int y, int width, int height) const
{
    if (m_image.isNull())
        return false;
    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform, false);
    dc.setRenderHint(QPainter::LosslessImageRendering, true);
    dc.drawImage(QRect(x, y, width, height), m_image);
    dc.restore();
    return true;
}

void CDib::Empty()
{
    *this = CDib();
}

std::uint8_t* CDib::Row(int r)
{
    if (m_image.isNull() || r < 0 || r >= m_nHeight)
        return nullptr;
    return m_image.scanLine(r);
}

void FillFromTraces(CDib& dib, const std::int16_t* traces, int traceStride,
                    const CRadarPalette::Colours& colours, std::int32_t gain)
{
    if (dib.BitCount() != 16 || !traces)
        return;
    for (int k = 0; k < dib.Height(); ++k) {
        auto* row = reinterpret_cast<std::uint16_t*>(dib.Row(k));
        if (!row)
            return;
        for (int j = 0; j < dib.Width(); ++j) {
            const std::int16_t s = traces[static_cast<std::size_t>(j) * static_cast<std::size_t>(traceStride) + static_cast<std::size_t>(k)];
            row[j] = ToRgb555(colours[static_cast<std::size_t>(PaletteIndex(s, gain))]);
        }
    }
}
