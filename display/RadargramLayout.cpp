#include "display/RadargramLayout.h"

#include "display/RadarPalette.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace radargram {

namespace {

constexpr int kStripTraces = 100;

// "%6.2f" without the locale: the status bar reads the same on every system.
std::string Fixed62(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    std::string s(buf, r.ptr);
    if (s.size() < 6)
        s.insert(0, 6 - s.size(), ' ');
    return s;
}

} // namespace

int ImageWidth(int cx, int margin)
{
    return cx - margin - 110;
}

int ImageHeight(int cy)
{
    return cy - 97;
}

Rect ImageRect(int cx, int cy, int margin)
{
    return {kOriginX, kOriginY, kOriginX + ImageWidth(cx, margin), kOriginY + ImageHeight(cy)};
}

Rect TracePlotRect(int cx, int cy, int margin)
{
    if (margin <= 0)
        return {};
    return {cx - margin - 5, 77, cx - 60, cy - 47};
}

int FirstTraceOnSize(int firstTrace, int count, int cx, int margin)
{
    if (count == 0)
        return firstTrace;
    const int w = ImageWidth(cx, margin);
    if (count >= cx - 110) {
        if (count - firstTrace < w)
            firstTrace = count - w;
    } else {
        firstTrace = 0;
    }
    return std::max(firstTrace, 0);
}

int FirstTraceMeasuring(int count, int w)
{
    return std::max(count - w - 1, 0);
}

int ClampFirstSample(int firstSample, int samples, int h)
{
    return std::clamp(firstSample, 0, std::max(samples - std::max(h, 0), 0));
}

int ScrollStep(ScrollAction action, int page, int trackTo, int pos)
{
    switch (action) {
    case ScrollAction::LineUp: return -kLineStep;
    case ScrollAction::LineDown: return kLineStep;
    case ScrollAction::PageUp: return -(page / 2);
    case ScrollAction::PageDown: return page / 2;
    case ScrollAction::Track: return trackTo - pos;
    }
    return 0;
}

int ScrollTo(int pos, int step, int max, int page)
{
    int first = std::max(pos + step, 0);
    if (pos + page + step > max)
        first = max - page;
    return std::max(first, 0);
}

std::int64_t NewestTraceColumn(int trigType, int count, int firstTrace, std::int64_t newestDistance)
{
    if (trigType < 128)
        return newestDistance - firstTrace - 1;
    return static_cast<std::int64_t>(count) - 1 - firstTrace;
}

int MarkerBrush(int type)
{
    if (type >= 1 && type <= 10)
        return type - 1;
    return -1;
}

void WriteColumns(const std::int16_t* block, int stride, int firstSample, int c0, int c1, int rows,
                  const std::uint32_t* table, std::uint32_t* pixels, int pixelsPerLine)
{
    if (c1 <= c0)
        return;
    MapTracesToPixels(block + static_cast<std::ptrdiff_t>(c0) * stride, stride, c1 - c0, rows, firstSample, table,
                      pixels + c0, pixelsPerLine);
}

std::string HorizontalTitle(int trigType, const std::string& units)
{
    const char* unit = units == "I" ? "inches" : units == "F" ? "ft" : "m";
    if (trigType >= 128 && trigType < 255)
        return "Time [s]";
    std::string title = std::string("Distance [") + unit + "]";
    if (trigType == 255)
        title += " - Press Enter to record trace";
    return title;
}

std::string VerticalTitle(bool timeScale, const std::string& unitName)
{
    return timeScale ? "Time [ns]" : "Depth [" + unitName + "]";
}

std::string UnitName(const std::string& units)
{
    return units == "F" ? "feet" : units == "I" ? "inches" : "meters";
}

StatusTexts FormatStatus(const StatusInput& in)
{
    StatusTexts t;
    const int trace = in.trigType == 255 ? in.count : in.firstTrace + in.selColumn;
    t.trace = "Trace: " + std::to_string(trace);
    t.sample = "Sample: " + std::to_string(in.firstSample + in.selRow);
    const float pos = static_cast<float>(in.firstTrace + in.selColumn) * in.traceSpacing;
    std::string unit;
    if (in.trigType >= 128)
        unit = "s";
    else
        unit = in.units == "F" ? "ft" : in.units == "I" ? "inches" : "m";
    t.pos = "Pos: " + Fixed62(pos) + " " + unit;
    const float depth = static_cast<float>(in.firstSample + in.selRow - in.timeZero) * in.verticalExtent;
    t.depth = "Depth: " + Fixed62(depth) + " " + (in.timeScale ? std::string("ns") : in.unitName);
    return t;
}

std::vector<StatusTexts> WidestStatusTexts()
{
    std::vector<StatusTexts> widest;
    for (const int trigType : {0, 128, 255})
        for (const char* units : {"M", "F", "I"})
            for (const bool timeScale : {true, false}) {
                StatusInput in;
                in.trigType = trigType;
                in.units = units;
                in.unitName = UnitName(units);
                in.timeScale = timeScale;
                // The greatest numbers: the trace texts and the sample text.
                in.count = in.firstTrace = 9999999;
                in.firstSample = 2047;
                widest.push_back(FormatStatus(in));
                // The widest position and depth: one trace at the greatest spacing, one sample
                // above time zero at the greatest extent.
                in.count = in.firstTrace = in.firstSample = 0;
                in.selColumn = 1;
                in.traceSpacing = 99999.99f;
                in.timeZero = 1;
                in.verticalExtent = 9999.99f;
                widest.push_back(FormatStatus(in));
            }
    return widest;
}

PrintLayout PrintPages(int width, int height, int samples, int count)
{
    PrintLayout p;
    if (samples <= 0 || count <= 0 || width <= 0 || height <= 0)
        return p;
    p.margin = std::min(static_cast<int>(width * 0.15), static_cast<int>(height * 0.12));
    p.dotsPerSample = static_cast<float>(height - 2 * p.margin) / static_cast<float>(samples);
    if (!(p.dotsPerSample > 0))
        return p;
    const float fit = static_cast<float>(width - 2 * p.margin) / p.dotsPerSample;
    p.tracesPerPage = static_cast<int>(std::min(fit, static_cast<float>(count)));
    if (p.tracesPerPage <= 0)
        return p;
    p.pages = (count + p.tracesPerPage - 1) / p.tracesPerPage;
    return p;
}

void PageTraces(const PrintLayout& layout, int count, int page, int& first, int& n)
{
    first = 0;
    n = 0;
    if (layout.tracesPerPage <= 0 || page < 1 || page > layout.pages)
        return;
    first = (page - 1) * layout.tracesPerPage;
    n = std::min(layout.tracesPerPage, count - first);
    n = std::max(n, 0);
}

std::vector<int> StripWidths(int n)
{
    std::vector<int> widths;
    for (int done = 0; done < n; done += kStripTraces)
        widths.push_back(std::min(kStripTraces, n - done));
    return widths;
}

} // namespace radargram
