// The arithmetic of the radargram view, free of any widget: where the image and the side
// plot lie, which trace the first column shows, how the scroll bars step, which column the
// newest trace is in, how sample columns become pixels, the status-bar and axis texts, and
// how a printed radargram is cut into pages and strips.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace radargram {

inline constexpr int kOriginX = 50;
inline constexpr int kOriginY = 50;
inline constexpr int kBarThickness = 16;
inline constexpr int kLineStep = 10;

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Image width w = cx - margin - 110 and height h = cy - 97 (either may be 0 or less).
int ImageWidth(int cx, int margin);
int ImageHeight(int cy);
Rect ImageRect(int cx, int cy, int margin);
// The side plot: x from cx - margin - 5 to cx - 60, y from 77 to cy - 47; empty at margin 0.
Rect TracePlotRect(int cx, int cy, int margin);

// The first trace shown when the window is sized or the traces change while nothing is
// measured: a window that reaches past the newest trace ends at it, a set narrower than the
// window starts at 0.
int FirstTraceOnSize(int firstTrace, int count, int cx, int margin);
// While measuring the view follows the newest trace.
int FirstTraceMeasuring(int count, int w);
// The first sample held so that the image stays within `samples` (0 .. max(samples - h, 0)).
int ClampFirstSample(int firstSample, int samples, int h);

// Scroll-bar steps: line -10 / +10, page -(page / 2) / +(page / 2).
enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Track };
int ScrollStep(ScrollAction action, int page, int trackTo, int pos);
// The new first trace or sample after a step from `pos` in a range 0 .. max with `page`
// visible: never below 0, and a step past the end shows the last page.
int ScrollTo(int pos, int step, int max, int page);

// The column of the newest trace while measuring: in wheel mode (TRIG TYPE < 128) the
// distance times the multiplier less firstTrace + 1, otherwise count - 1 - firstTrace.
std::int64_t NewestTraceColumn(int trigType, int count, int firstTrace, std::int64_t newestDistance);

// The palette entry's brush of a marker type: 0..8 for types 1..9 (marker colours), 9 for
// type 10 (black), -1 for any other type (not drawn).
int MarkerBrush(int type);

// Writes columns c0 .. c1 - 1 of a block of sample columns (column i at i * stride, row r
// reads sample firstSample + r) as `rows` rows of pixels through `table` (indexed by the
// sample's 16 bits). `pixels` is the image's first row; `pixelsPerLine` its row length.
void WriteColumns(const std::int16_t* block, int stride, int firstSample, int c0, int c1, int rows,
                  const std::uint32_t* table, std::uint32_t* pixels, int pixelsPerLine);

// Axis titles.
std::string HorizontalTitle(int trigType, const std::string& units);
std::string VerticalTitle(bool timeScale, const std::string& unitName);
// "feet", "inches" or "meters" for the distance unit "F", "I" or any other.
std::string UnitName(const std::string& units);

// Status-bar texts of the selected sample.
struct StatusTexts {
    std::string trace, sample, pos, depth;
};
struct StatusInput {
    int trigType = 0;
    std::string units;       // "F", "I", other
    std::string unitName;    // "feet", "inches", "meters"
    bool timeScale = true;
    int count = 0;
    int firstTrace = 0, selColumn = 0;
    int firstSample = 0, selRow = 0;
    int timeZero = 0;
    float traceSpacing = 0, verticalExtent = 0;
};
StatusTexts FormatStatus(const StatusInput& in);
// The widest texts the status panes are made to show, every trigger mode, distance unit and
// vertical scale among them: trace numbers of seven digits, sample numbers of four (a trace
// holds at most 2048 samples), positions below 100000 and depths within 10000 either way.
std::vector<StatusTexts> WidestStatusTexts();

// A printed page: margin m (dots), f dots per sample, n traces per page.
struct PrintLayout {
    int margin = 0;
    float dotsPerSample = 0;
    int tracesPerPage = 0;
    int pages = 0;
};
// Pages of `count` traces of `samples` samples on a page of width x height dots. No pages
// when there is nothing to print or a page has no room for a trace.
PrintLayout PrintPages(int width, int height, int samples, int count);
// The traces page p (1-based) holds: first and number (0 past the end).
void PageTraces(const PrintLayout& layout, int count, int page, int& first, int& n);
// Widths of the strips a page of n traces is drawn in: 100 each, the rest last.
std::vector<int> StripWidths(int n);

} // namespace radargram
