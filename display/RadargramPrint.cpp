#include "display/RadargramPrint.h"

#include "display/AxisScale.h"
#include "display/Dib.h"
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

// The axes of a page in trace and sample units: one unit is f dots.
void DrawPageAxes(QPainter& painter, const QRect& pageRect, const PrintLayout& layout, int first, int n, int samples,
                  RadargramSource& source)
{
    const RadargramChannel channel = source.Channel();
    const float f = layout.dotsPerSample;
    const int o = static_cast<int>(layout.margin / f);
    CAxisScale axes;
    axes.Setup({o, o, o + n, o + samples}, {first, 0, first + n, samples},
               {channel.traceSpacing, channel.verticalExtent}, channel.timeZero);
    axes.SetTimeAxis(channel.timeScale);
    // Paper has no side plot: the axes span every trace of the page, whatever the trace
    // window shows on screen.
    axes.SetMargin(0);
    axes.SetLabel(true, HorizontalTitle(channel.trigType, channel.units));
    axes.SetLabel(false, VerticalTitle(channel.timeScale, UnitName(channel.units)));
    painter.save();
    painter.translate(pageRect.topLeft());
    painter.scale(f, f);
    axes.Draw(painter);
    painter.restore();
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
        source.CopyTraces(t0, sw, raw.data(), samples, samples);
        const bool useFiltered = source.FiltersOn() && source.ApplyFilters(raw.data(), filtered.data(), samples, sw);
        CDib dib(sw, samples, 16);
        FillFromTraces(dib, useFiltered ? filtered.data() : raw.data(), samples, source.Palette().m_Colours,
                       source.Gain());
        const int width = 2 * static_cast<int>(sw * f / 2);
        dib.Draw(painter, x, pageRect.top() + m, width, height);
        x += width;
        t0 += sw;
    }
    DrawPageAxes(painter, pageRect, layout, first, n, samples, source);
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
    // A range chosen in the print dialog (0: every page).
    const int from = std::max(printer.fromPage(), 1);
    const int to = printer.toPage() > 0 ? std::min(printer.toPage(), layout.pages) : layout.pages;
    for (int p = from; p <= to; ++p) {
        if (p > from)
            printer.newPage();
        PrintRadargramPage(painter, page, p, source);
    }
}
