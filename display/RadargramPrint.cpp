#include "display/RadargramPrint.h"

#include "display/RadarPalette.h"
#include "display/RadargramSource.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QRect>

#include <algorithm>
#include <vector>

using namespace radargram;

namespace {

int PrintSamples(RadargramSource& source)
{
    return std::clamp(source.Channel().samples, 0, RadargramSource::kTraceSamples);
}

// One strip as a 5-5-5 bitmap, sample 0 in the top row.
QImage StripImage(const std::int16_t* block, int width, int samples, RadargramSource& source)
{
    QImage image(width, samples, QImage::Format_RGB555);
    const CRadarPalette::Colours& colours = source.Palette().m_Colours;
    const std::int32_t gain = source.Gain();
    for (int k = 0; k < samples; ++k) {
        auto* row = reinterpret_cast<std::uint16_t*>(image.scanLine(k));
        for (int j = 0; j < width; ++j) {
            const std::int16_t s = block[static_cast<std::size_t>(j) * samples + k];
            row[j] = ToRgb555(colours[static_cast<std::size_t>(PaletteIndex(s, gain))]);
        }
    }
    return image;
}

} // namespace

PrintLayout RadargramPrintLayout(const QRect& pageRect, RadargramSource& source)
{
    return PrintPages(pageRect.width(), pageRect.height(), PrintSamples(source), source.TraceCount());
}

void PrintRadargramPage(QPainter& painter, const QRect& pageRect, int page, RadargramSource& source)
{
    const int samples = PrintSamples(source);
    const int count = source.TraceCount();
    const PrintLayout layout = PrintPages(pageRect.width(), pageRect.height(), samples, count);
    int first;
    int n;
    PageTraces(layout, count, page, first, n);
    if (n <= 0)
        return;
    const float f = layout.dotsPerSample;
    const int m = layout.margin;
    const int height = 2 * static_cast<int>(samples * f / 2);
    int x = pageRect.left() + m;
    int t0 = first;
    std::vector<std::int16_t> raw;
    std::vector<std::int16_t> filtered;
    for (int sw : StripWidths(n)) {
        raw.assign(static_cast<std::size_t>(sw) * samples, 0);
        filtered.resize(raw.size());
        source.CopyTraces(t0, sw, raw.data(), samples);
        const bool useFiltered = source.FiltersOn() && source.ApplyFilters(raw.data(), filtered.data(), samples, sw);
        const QImage image = StripImage(useFiltered ? filtered.data() : raw.data(), sw, samples, source);
        const int width = 2 * static_cast<int>(sw * f / 2);
        painter.drawImage(QRect(x, pageRect.top() + m, width, height), image);
        x += width;
        t0 += sw;
    }
}

void PrintRadargram(QPrinter& printer, RadargramSource& source)
{
    QPainter painter(&printer);
    if (!painter.isActive())
        return;
    // Without it the PDF output stores the strips as JPEG and bleeds single-trace columns.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const QRect page(QPoint(0, 0), printer.pageRect(QPrinter::DevicePixel).size().toSize());
    const PrintLayout layout = RadargramPrintLayout(page, source);
    for (int p = 1; p <= layout.pages; ++p) {
        if (p > 1)
            printer.newPage();
        PrintRadargramPage(painter, page, p, source);
    }
}
