#include "display/AxisScale.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kMaxStepRounds = 64;
constexpr int kMajorEvery = 5;
// Text is placed by one edge or its centre: a box this wide is wider than any label.
constexpr int kTextBox = 4000;
// Clear pixels kept between the turned title and a label beside it.
constexpr int kTitleGap = 2;

enum class Anchor { Left, Centre, Right };

// Writes `text` with its top at y and its left edge, centre or right edge at x.
void TextAt(QPainter& dc, int x, int y, Anchor anchor, const QString& text)
{
    QRect box(x, y, kTextBox, kTextBox);
    Qt::Alignment align = Qt::AlignTop | Qt::AlignLeft;
    if (anchor == Anchor::Centre) {
        box.moveLeft(x - kTextBox / 2);
        align = Qt::AlignTop | Qt::AlignHCenter;
    } else if (anchor == Anchor::Right) {
        box.moveLeft(x - kTextBox);
        align = Qt::AlignTop | Qt::AlignRight;
    }
    dc.drawText(box, static_cast<int>(align), text);
}

std::int32_t Trunc(double v)
{
    if (!(v > std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (v >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

bool Drawable(float scale)
{
    float step = 0, spacing = 0;
    return AxisTickStep(scale, step, spacing);
}

// The pixels `text` inks when written with its top at y and its right edge at x. Leading
// blanks of a label take room but leave no ink.
QRect InkRightAligned(const QFontMetrics& metrics, const QString& text, int x, int y)
{
    const QString shown = text.trimmed();
    if (shown.isEmpty())
        return {};
    const QRect tight = metrics.tightBoundingRect(shown);
    const int left = x - metrics.horizontalAdvance(shown) + std::max(metrics.leftBearing(shown.front()), 0);
    const int right = x - 1 - std::max(metrics.rightBearing(shown.back()), 0);
    const int baseline = y + metrics.ascent();
    return QRect(QPoint(left, baseline + tight.top()), QPoint(right, baseline + tight.bottom()));
}

// The pixels the turned title inks relative to the point it is written at (the middle of its
// top edge, which faces left once turned).
QRect TurnedInk(const QFontMetrics& metrics, const QString& title)
{
    if (title.isEmpty())
        return {};
    const QRect tight = metrics.tightBoundingRect(title);
    const int half = metrics.horizontalAdvance(title) / 2;
    return QRect(QPoint(metrics.ascent() + tight.top(), half - tight.right()),
                 QPoint(metrics.ascent() + tight.bottom(), half - tight.left()));
}

struct TitlePlace {
    QPoint at;
    bool clear = true;
};

// Where the turned title keeps kTitleGap clear pixels from the ink of every label: beside the
// middle of the axis at `x`, or nearer the drawing's left edge as far as the labels beside it
// ask; where they leave no room there, the nearest place along the axis between `top` and
// `bottom` that has it. Without any, the middle, as near the edge as it goes.
TitlePlace PlaceTurnedTitle(const QRect& ink, int x, int top, int bottom, const std::vector<QRect>& labels)
{
    // Ink at column 0 would run into the window's border.
    const int leftmost = 1 - ink.left();
    const auto placeAt = [&](int y, TitlePlace& place) {
        int at = x;
        const QRect span = ink.translated(0, y);
        for (const QRect& label : labels)
            if (!label.isNull() && label.top() - kTitleGap <= span.bottom() && label.bottom() + kTitleGap >= span.top())
                at = std::min(at, label.left() - kTitleGap - 1 - ink.right());
        place.at = QPoint(std::max(at, leftmost), y);
        return at >= leftmost;
    };
    const int middle = (top + bottom) / 2;
    TitlePlace place{{x, middle}};
    if (ink.isNull() || placeAt(middle, place))
        return place;
    for (int d = 1; middle - d + ink.top() >= top || middle + d + ink.bottom() <= bottom; ++d)
        for (const int y : {middle - d, middle + d})
            if (y + ink.top() >= top && y + ink.bottom() <= bottom && placeAt(y, place))
                return place;
    placeAt(middle, place);
    place.clear = false;
    return place;
}

} // namespace

bool AxisTickStep(float scale, float& step, float& spacing)
{
    step = 1.0f;
    spacing = 1.0f;
    if (!std::isfinite(scale) || !(scale > 1e-9f) || !(scale < 1e9f))
        return false;
    spacing = 1.0f / scale;
    for (int n = 0; spacing > 30.0f && n < kMaxStepRounds; ++n) {
        step /= 5.0f;
        spacing /= 5.0f;
    }
    for (int n = 0; spacing < 6.0f && n < kMaxStepRounds; ++n) {
        step *= 5.0f;
        spacing *= 5.0f;
    }
    return spacing >= 6.0f && spacing <= 30.0f;
}

std::string AxisLabelFormat(float majorStep)
{
    if (majorStep < 0.01f)
        return "%6.3f";
    if (majorStep < 0.1f)
        return "%5.2f";
    if (majorStep < 6.0f)
        return "%4.1f";
    return "%3.0f";
}

float Tenths(float a)
{
    return std::trunc(a * 10.0f + 0.5f) / 10.0f;
}

float Hundredths(float a)
{
    return std::trunc(a * 100.0f + 0.5f) / 100.0f;
}

float AxisLabelIncrement(float step)
{
    const float tenths = Tenths(step);
    if (tenths != 0.0f)
        return tenths;
    // Finer steps than rounding can show still count up, so that no two labels are equal.
    const float hundredths = Hundredths(step);
    return hundredths != 0.0f ? hundredths : step;
}

QString FormatAxisLabel(const std::string& format, float value)
{
    // QString::asprintf formats numbers without the user's locale: '.' stays the point.
    return QString::asprintf(format.c_str(), static_cast<double>(value));
}

void DrawHorzTick(QPainter& dc, int x, int y, bool right, int index, double factor)
{
    const int length = static_cast<int>((index == 0 ? 8 : 4) * factor);
    if (length <= 0)
        return;
    // The stroke stops one short of (x, y), where the frame line runs.
    if (right)
        dc.drawLine(x + 1, y, x + length, y);
    else
        dc.drawLine(x - length, y, x - 1, y);
}

void DrawVertTick(QPainter& dc, int x, int y, bool below, int index, double factor)
{
    const int length = static_cast<int>((index == 0 ? 8 : 4) * factor);
    if (length <= 0)
        return;
    if (below)
        dc.drawLine(x, y + 1, x, y + length);
    else
        dc.drawLine(x, y - length, x, y - 1);
}

void DrawFilledTriangle(QPainter& dc, bool right, int x, int y, const QColor& colour)
{
    QPolygon points;
    if (right)
        points << QPoint(x, y + 6) << QPoint(x, y - 6) << QPoint(x + 10, y);
    else
        points << QPoint(x + 10, y + 6) << QPoint(x + 10, y - 6) << QPoint(x, y);
    dc.save();
    dc.setBrush(colour);
    dc.drawPolygon(points);
    dc.restore();
}

void CAxisScale::Setup(const AxisRect& image, const AxisRect& data, AxisScalePair s, std::int32_t zero)
{
    imageRect = image;
    dataRect = data;
    scale = s;
    zeroSample = zero;
}

void CAxisScale::SetLabel(bool horizontal, const std::string& text)
{
    (horizontal ? xTitle : yTitle) = text;
}

void CAxisScale::ComputeTicks()
{
    yTicks.clear();
    xTicks.clear();
    yValues.clear();
    xValues.clear();
    float stepX = 1, spacingX = 1, stepY = 1, spacingY = 1;
    if (!AxisTickStep(scale.x, stepX, spacingX) || !AxisTickStep(scale.y, stepY, spacingY))
        return;
    xFormat = AxisLabelFormat(kMajorEvery * stepX);
    yFormat = AxisLabelFormat(kMajorEvery * stepY);

    yTickCount = Trunc(double(dataRect.bottom - dataRect.top) * scale.y / stepY + 2);
    xTickCount = Trunc(double(dataRect.right - dataRect.left) * scale.x / stepX + 2);
    if (yTickCount < 0 || xTickCount < 0)
        return;
    ComputeVerticalTicks(spacingY);
    ComputeHorizontalTicks(spacingX);
}

void CAxisScale::ComputeVerticalTicks(float spacing)
{
    const double top = imageRect.top;
    const double bottom = imageRect.bottom;
    const float increment = AxisLabelIncrement(scale.y * spacing);
    double p = top + zeroSample;
    float first = Tenths(static_cast<float>(dataRect.top) * scale.y);
    // A time zero above the image: the ticks start at the first major tick inside it, so
    // the labels stay on the major ticks.
    if (p < top) {
        const double majors = std::ceil((top - p) / (kMajorEvery * spacing));
        p += majors * kMajorEvery * spacing;
        first += static_cast<float>(majors * kMajorEvery) * increment;
    }
    for (int i = 0; p < bottom; ++i, p += spacing) {
        std::int32_t row = 0;
        float value = 0;
        if (m_bTimeAxis) {
            row = Trunc(p);
            value = first + static_cast<float>(i) * increment;
        } else {
            // Depth counts from the time-zero row; the ticks start that many rows lower.
            value = static_cast<float>((p - top) + dataRect.top) * scale.y;
            row = Trunc(std::fabs(value) / scale.y + top - (dataRect.top - zeroSample));
            if (row >= imageRect.bottom)
                break;
        }
        yTicks.push_back(row);
        if (i % kMajorEvery == 0)
            yValues.push_back(value);
    }
}

void CAxisScale::ComputeHorizontalTicks(float spacing)
{
    const float first = Tenths(static_cast<float>(dataRect.left) * scale.x);
    const float increment = AxisLabelIncrement(scale.x * spacing);
    const double end = double(imageRect.right) - m_nMargin;
    double p = imageRect.left;
    for (int i = 0; p < end; ++i, p += spacing) {
        xTicks.push_back(Trunc(p));
        if (i % kMajorEvery == 0)
            xValues.push_back(first + static_cast<float>(i) * increment);
    }
}

void CAxisScale::Draw(QPainter& dc)
{
    if (!Drawable(scale.x) || !Drawable(scale.y) || dataRect.right == dataRect.left ||
        dataRect.bottom == dataRect.top)
        return;
    dc.save();
    QFont upright("Arial");
    upright.setPixelSize(12);
    dc.setFont(upright);
    dc.setPen(QPen(Qt::black, 1));
    dc.setBrush(Qt::NoBrush);
    dc.setRenderHint(QPainter::Antialiasing, false);

    const int left = imageRect.left - 5;
    const int top = imageRect.top - 5;
    const int right = imageRect.right - m_nMargin + 5;
    const int bottom = imageRect.bottom + 5;
    const QPoint frame[] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
    dc.drawPolyline(frame, 5);

    ComputeTicks();

    const QFontMetrics metrics = dc.fontMetrics();
    // The left-hand labels first: the turned title finds its place among them.
    std::vector<QString> labels;
    std::vector<QRect> leftInk;
    for (std::size_t i = 0; i < yTicks.size(); i += kMajorEvery) {
        if (i / kMajorEvery >= yValues.size())
            break;
        labels.push_back(FormatAxisLabel(yFormat, yValues[i / kMajorEvery]));
        leftInk.push_back(InkRightAligned(metrics, labels.back(), left - 10, yTicks[i] - 5));
    }

    const QString turnedTitle = QString::fromStdString(yTitle);
    const QRect titleInk = TurnedInk(metrics, turnedTitle);
    const TitlePlace title = PlaceTurnedTitle(titleInk, left - 44, top, bottom, leftInk);
    dc.save();
    dc.translate(title.at);
    dc.rotate(-90);
    TextAt(dc, 0, 0, Anchor::Centre, turnedTitle);
    dc.restore();
    TextAt(dc, (left + right) / 2, top - 44, Anchor::Centre, QString::fromStdString(xTitle));

    if (zeroSample - dataRect.top > 0) {
        const int y = imageRect.top + zeroSample - dataRect.top;
        DrawFilledTriangle(dc, true, left - 30, y, QColor(255, 0, 0));
        DrawFilledTriangle(dc, false, right + 30, y, QColor(255, 0, 0));
    }

    const QRect titleBox = titleInk.translated(title.at).adjusted(-kTitleGap, -kTitleGap, kTitleGap, kTitleGap);
    for (std::size_t i = 0; i < yTicks.size(); ++i) {
        const int y = yTicks[i];
        const int index = static_cast<int>(i % kMajorEvery);
        DrawHorzTick(dc, left, y, false, index, 1.0);
        DrawHorzTick(dc, right, y, true, index, 1.0);
        if (index == 0 && i / kMajorEvery < labels.size()) {
            const std::size_t k = i / kMajorEvery;
            // Only where the labels leave the title no room at all does one it would run into
            // stand at the right-hand edge alone.
            if (title.clear || !leftInk[k].intersects(titleBox))
                TextAt(dc, left - 10, y - 5, Anchor::Right, labels[k]);
            TextAt(dc, right + 10, y - 5, Anchor::Left, labels[k]);
        }
    }
    for (std::size_t i = 0; i < xTicks.size(); ++i) {
        const int x = xTicks[i];
        const int index = static_cast<int>(i % kMajorEvery);
        DrawVertTick(dc, x, top, false, index, 1.0);
        DrawVertTick(dc, x, bottom, true, index, 1.0);
        if (index == 0 && i / kMajorEvery < xValues.size()) {
            const QString label = FormatAxisLabel(xFormat, xValues[i / kMajorEvery]);
            TextAt(dc, x, top - 25, Anchor::Centre, label);
            TextAt(dc, x, bottom + 10, Anchor::Centre, label);
        }
    }
    dc.restore();
}
