// A print strip stretched onto a PDF page keeps its pixels sharp: no blending at the edge
// between two traces, no lossy compression.
#include "display/Dib.h"
#include "tests/support/TempDir.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

TEST(PrintBitmap, TwoTraceStripPrintsAsPureRedAndPureBlueHalves)
{
    TempDir dir;
    const std::string pdf = dir.file("strip.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        CDib strip(2, 1, 16);
        auto* row = reinterpret_cast<std::uint16_t*>(strip.Row(0));
        row[0] = 0x7C00;
        row[1] = 0x001F;
        QPainter dc(&printer);
        ASSERT_TRUE(strip.Draw(dc, 0, 0, 2000, 1000));
    }
    const std::string png = dir.file("page");
    const std::string command = "pdftoppm -r 50 -aa no -aaVector no -singlefile -png '" + pdf + "' '" + png + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    QImage page(QString::fromStdString(png + ".png"));
    ASSERT_FALSE(page.isNull());
    page = page.convertToFormat(QImage::Format_RGB32);
    // Every inked pixel is pure red or pure blue, red ones left of blue ones, halves alike.
    int red = 0, blue = 0, other = 0, lastRed = -1, firstBlue = page.width();
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            if (p == qRgb(255, 255, 255))
                continue;
            if (p == qRgb(255, 0, 0)) {
                ++red;
                lastRed = std::max(lastRed, x);
            } else if (p == qRgb(0, 0, 255)) {
                ++blue;
                firstBlue = std::min(firstBlue, x);
            } else {
                ++other;
            }
        }
    EXPECT_EQ(other, 0);
    EXPECT_EQ(firstBlue, lastRed + 1);
    // 2000 x 1000 dots at 1200 per inch are about 83 x 42 pixels at 50 per inch.
    EXPECT_GT(red, 40 * 40);
    EXPECT_NEAR(blue, red, red / 10);
}
