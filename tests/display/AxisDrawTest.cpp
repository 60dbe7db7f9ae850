// The axes drawn into an image: frame, ticks and time-zero marks land on their pixels.
#include "display/AxisScale.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);

QImage Drawn(CAxisScale& axes)
{
    QImage image(800, 650, QImage::Format_RGB32);
    image.fill(kWhite);
    QPainter dc(&image);
    axes.Draw(dc);
    return image;
}

CAxisScale Axes(std::int32_t zero, AxisScalePair scale = {0.01f, 0.1f}, AxisRect data = {0, 0, 690, 503})
{
    CAxisScale a;
    a.Setup({50, 50, 740, 553}, data, scale, zero);
    a.SetLabel(true, "Distance [m]");
    a.SetLabel(false, "Time [ns]");
    return a;
}

int NonWhite(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != kWhite;
    return n;
}

} // namespace

TEST(AxisDraw, MajorAndMinorTicksStandOnTheFrame)
{
    CAxisScale axes = Axes(0);
    const QImage image = Drawn(axes);
    EXPECT_EQ(image.pixel(45, 300), kBlack) << "left frame line";
    EXPECT_EQ(image.pixel(400, 45), kBlack) << "top frame line";
    EXPECT_EQ(image.pixel(745, 300), kBlack) << "right frame line";
    EXPECT_EQ(image.pixel(400, 558), kBlack) << "bottom frame line";
    for (int y = 37; y <= 44; ++y)
        EXPECT_EQ(image.pixel(150, y), kBlack) << "major tick at 150, row " << y;
    EXPECT_EQ(image.pixel(150, 36), kWhite);
    for (int y = 41; y <= 44; ++y)
        EXPECT_EQ(image.pixel(70, y), kBlack) << "minor tick at 70, row " << y;
    EXPECT_EQ(image.pixel(70, 40), kWhite);
    for (int y = 559; y <= 566; ++y)
        EXPECT_EQ(image.pixel(150, y), kBlack) << "major tick below, row " << y;
    for (int x = 37; x <= 44; ++x)
        EXPECT_EQ(image.pixel(x, 100), kBlack) << "major tick left at row 100, column " << x;
    for (int x = 746; x <= 749; ++x)
        EXPECT_EQ(image.pixel(x, 60), kBlack) << "minor tick right at row 60, column " << x;
    EXPECT_EQ(image.pixel(750, 60), kWhite);
}

TEST(AxisDraw, TimeZeroIsMarkedOnBothSides)
{
    CAxisScale axes = Axes(30);
    const QImage image = Drawn(axes);
    EXPECT_EQ(image.pixel(16, 80), kRed);
    EXPECT_EQ(image.pixel(45 + 695 + 5 + 30 + 7, 80), kRed);

    CAxisScale scrolled = Axes(30, {0.01f, 0.1f}, {0, 30, 690, 533});
    const QImage below = Drawn(scrolled);
    EXPECT_NE(below.pixel(16, 80), kRed) << "time zero not below the first sample shown";
}

TEST(AxisDraw, TraceWindowWidthMovesTheRightEdge)
{
    CAxisScale axes = Axes(0);
    axes.SetMargin(150);
    const QImage image = Drawn(axes);
    EXPECT_EQ(image.pixel(595, 300), kBlack);
    EXPECT_EQ(image.pixel(745, 300), kWhite);
}

TEST(AxisDraw, NothingIsDrawnWithoutScaleOrData)
{
    CAxisScale noScale = Axes(30, {0.0f, 0.1f});
    EXPECT_EQ(NonWhite(Drawn(noScale)), 0);
    CAxisScale negative = Axes(30, {0.01f, -0.1f});
    EXPECT_EQ(NonWhite(Drawn(negative)), 0);
    CAxisScale noWidth = Axes(30, {0.01f, 0.1f}, {0, 0, 0, 503});
    EXPECT_EQ(NonWhite(Drawn(noWidth)), 0);
    CAxisScale noHeight = Axes(30, {0.01f, 0.1f}, {0, 7, 690, 7});
    EXPECT_EQ(NonWhite(Drawn(noHeight)), 0);
}

TEST(AxisDraw, TitlesAndLabelsAreWrittenBesideTheFrame)
{
    CAxisScale axes = Axes(0);
    const QImage image = Drawn(axes);
    auto inked = [&image](QRect r) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (image.pixel(x, y) != kWhite)
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(QRect(1, 250, 12, 100))) << "vertical title left of the labels";
    EXPECT_TRUE(inked(QRect(340, 1, 120, 12))) << "horizontal title above the labels";
    EXPECT_TRUE(inked(QRect(130, 20, 40, 12))) << "label of the tick at 150 above";
    EXPECT_TRUE(inked(QRect(130, 568, 40, 14))) << "label of the tick at 150 below";
    EXPECT_TRUE(inked(QRect(10, 95, 25, 14))) << "label of row 100 left";
    EXPECT_TRUE(inked(QRect(755, 95, 30, 14))) << "label of row 100 right";
    EXPECT_FALSE(inked(QRect(130, 70, 500, 400))) << "the image inside the frame stays untouched";
}

TEST(AxisDraw, TheTurnedTitleStaysClearOfTheLabelsBesideIt)
{
    // Depth labels of five characters (" 0.24") every 40 rows, beside the title's middle.
    CAxisScale titled = Axes(0, {0.01f, 0.001f});
    titled.SetTimeAxis(false);
    titled.SetLabel(false, "Depth [meters]");
    CAxisScale untitled = titled;
    untitled.SetLabel(false, "");
    const QImage withTitle = Drawn(titled);
    const QImage labelsOnly = Drawn(untitled);

    // In each row left of the frame, what the title adds lies left of the labels' ink that
    // stays, with a clear pixel between them.
    int added = 0;
    for (int y = 0; y < withTitle.height(); ++y) {
        int title = -1;
        int label = -1;
        for (int x = 0; x < 44; ++x) {
            const QRgb p = withTitle.pixel(x, y);
            if (p != labelsOnly.pixel(x, y))
                title = x;
            else if (p != kWhite && label < 0)
                label = x;
        }
        added += title >= 0;
        if (title >= 0 && label >= 0) {
            EXPECT_LT(title + 1, label) << "row " << y;
        }
    }
    EXPECT_GT(added, 0) << "the title is drawn";
    const QRect farLabel(0, 80, 44, 25);  // the label of row 90
    EXPECT_EQ(withTitle.copy(farLabel), labelsOnly.copy(farLabel)) << "a label away from the title stays";
    EXPECT_NE(NonWhite(labelsOnly.copy(farLabel)), 0);
}

TEST(AxisDraw, TheTurnedTitleLeavesEveryLeftLabelInPlace)
{
    // Beside the axis's middle stand the labels 3.0 m, 10.0 ft, and 100 and 125 inches.
    const struct {
        const char* title;
        float scale;  // distance units per sample
    } cases[] = {{"Depth [meters]", 0.0125f}, {"Depth [feet]", 0.04f}, {"Depth [inches]", 0.5f}};
    for (const auto& c : cases) {
        CAxisScale titled = Axes(0, {0.01f, c.scale});
        titled.SetTimeAxis(false);
        titled.SetLabel(false, c.title);
        CAxisScale untitled = titled;
        untitled.SetLabel(false, "");
        const QImage withTitle = Drawn(titled);
        const QImage labelsOnly = Drawn(untitled);
        for (std::size_t i = 0; i < titled.yTicks.size(); i += 5) {
            const int y = titled.yTicks[i];
            EXPECT_GT(NonWhite(withTitle.copy(20, y, 15, 6)), 0) << c.title << ": left label of row " << y;
        }
        // The title adds ink left of the frame and changes no pixel of a label.
        int added = 0, changed = 0;
        for (int y = 0; y < withTitle.height(); ++y)
            for (int x = 0; x < 44; ++x) {
                const QRgb bare = labelsOnly.pixel(x, y);
                added += bare == kWhite && withTitle.pixel(x, y) != kWhite;
                changed += bare != kWhite && withTitle.pixel(x, y) != bare;
            }
        EXPECT_GT(added, 0) << c.title;
        EXPECT_EQ(changed, 0) << c.title << ": label pixels under the title";
    }
}
