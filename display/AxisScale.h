// The axes around a radargram, on screen and on paper: the frame, ticks, tick labels, axis
// titles and the time-zero marks. The horizontal axis runs along the top and bottom of the
// image and counts traces as distance or time; the vertical axis runs along the left and
// right and counts samples as time (ns) or depth (distance unit through the velocity).
//
// Before each paint or printed page the view calls Setup, SetLabel for both titles and Draw,
// which works out the ticks (ComputeTicks) and draws them with any QPainter. Pixel sizes
// (ticks of 8 and 4, fonts of 12) are logical units: under a printer's mapping they are
// traces and samples.
#pragma once

#include <QRect>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class QColor;
class QPainter;

struct AxisRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct AxisScalePair {
    float x = 0.0f;  // display units per trace
    float y = 0.0f;  // display units per sample
};

// The ticks of one axis as ComputeTicks lays them out.
struct AxisTicks {
    std::vector<std::int32_t> ticks;  // pixel positions, in order
    std::vector<float> values;        // labels of ticks 0, 5, 10, ...
    std::string format;               // printf format of the labels
};

// The minor tick step of an axis in display units: a power of 5 of the unit such that
// ticks lie 6 to 30 pixels apart. spacing receives the pixels between minor ticks. False
// (nothing to draw) for a scale that is not a finite number in 1e-9..1e9.
bool AxisTickStep(float scale, float& step, float& spacing);
// Label format of the major step (five minor steps).
std::string AxisLabelFormat(float majorStep);
// tenths(a) = trunc(a * 10 + 0.5) / 10, and hundredths likewise.
float Tenths(float a);
float Hundredths(float a);
// The label increment per minor tick: tenths of the step, or hundredths when tenths give 0,
// or the step itself when both give 0.
float AxisLabelIncrement(float step);
// A label formatted as the axis writes it, always with '.' as decimal point.
QString FormatAxisLabel(const std::string& format, float value);

// A horizontal tick ending at (x, y), drawn leftwards (or rightwards when `right`); 8 long
// for tick index 0 (a major tick), else 4, times `factor`.
void DrawHorzTick(QPainter& dc, int x, int y, bool right, int index, double factor);
// The same vertically, upwards (or downwards when `below`).
void DrawVertTick(QPainter& dc, int x, int y, bool below, int index, double factor);
// A triangle filled with `colour`, outlined with the current pen: pointing right
// (x, y+6), (x, y-6), (x+10, y); pointing left (x+10, y+6), (x+10, y-6), (x, y).
void DrawFilledTriangle(QPainter& dc, bool right, int x, int y, const QColor& colour);

class CAxisScale {
public:
    // Stores the inputs; nothing is computed. `image` is in pixels and its right edge
    // includes the trace-window width (SetMargin), which the axes leave free; `data` is the
    // first trace, first sample, first trace + image width, first sample + image height.
    void Setup(const AxisRect& image, const AxisRect& data, AxisScalePair scale, std::int32_t zeroSample);
    // true: the horizontal axis's title, false: the vertical one's.
    void SetLabel(bool horizontal, const std::string& text);
    // The application's vertical-scale setting: true counts samples as time, false as depth.
    void SetTimeAxis(bool time) { m_bTimeAxis = time; }
    // The trace-window width kept free at the right of the image (0 or 150).
    void SetMargin(std::int32_t margin) { m_nMargin = margin; }

    // Fills the tick vectors and the two label formats. With a scale that is 0, negative,
    // not finite or out of 1e-9..1e9 the vectors stay empty and the formats keep their text.
    void ComputeTicks();
    // Draws frame, titles, time-zero marks, ticks and labels; nothing when a scale cannot
    // be drawn or the data rectangle has no width or height.
    void Draw(QPainter& dc);

    AxisRect imageRect;
    AxisRect dataRect;
    AxisScalePair scale;
    std::string xTitle, yTitle;
    std::string xFormat, yFormat;
    std::int32_t zeroSample = 0;
    std::int32_t yTickCount = 0, xTickCount = 0;
    std::vector<std::int32_t> yTicks, xTicks;
    std::vector<float> yValues, xValues;

private:
    void ComputeVerticalTicks(float spacing);
    void ComputeHorizontalTicks(float spacing);

    bool m_bTimeAxis = true;
    std::int32_t m_nMargin = 0;
};
