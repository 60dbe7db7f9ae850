// The radargram printed to PDF files and read back with poppler: page count, the colours of
// the 5-5-5 strips, and every trace on the pages.

#include "display/RadargramPrint.h"
#include "tests/display/RadargramFakeSource.h"
#include "tests/support/TempDir.h"

#include <QImage>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QString RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

int PdfPages(const std::string& pdf)
{
    const QString info = RunTool("pdfinfo", {QString::fromStdString(pdf)});
    for (const QString& line : info.split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The colour at device pixel `at` of page p, rendered at the printer's resolution: a small
// crop, so that each trace is many pixels wide and poppler's smoothing stays at its edges.
QColor PdfPixel(const std::string& pdf, int page, QPoint at, int resolution, const std::string& stem)
{
    constexpr int kHalf = 8;
    RunTool("pdftoppm", {"-r", QString::number(resolution), "-f", QString::number(page), "-l", QString::number(page),
                     "-x", QString::number(at.x() - kHalf), "-y", QString::number(at.y() - kHalf), "-W",
                     QString::number(2 * kHalf), "-H", QString::number(2 * kHalf), "-singlefile",
                     QString::fromStdString(pdf), QString::fromStdString(stem)});
    const QImage img(QString::fromStdString(stem + ".ppm"));
    return img.isNull() ? QColor() : img.pixelColor(kHalf, kHalf);
}

class RadargramPrintTest : public ::testing::Test {
protected:
    void Print(QPageLayout::Orientation orientation)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(orientation);
        page = printer.pageRect(QPrinter::DevicePixel).toRect();
        paper = printer.paperRect(QPrinter::DevicePixel).toRect();
        resolution = printer.resolution();
        PrintRadargram(printer, src);
    }
    // Where trace t, sample k lands on its page, in device pixels from the paper's corner.
    QPoint At(int t, int k) const
    {
        const radargram::PrintLayout l =
            radargram::PrintPages(page.width(), page.height(), src.channel.samples, src.count);
        const int first = (t / l.tracesPerPage) * l.tracesPerPage;
        const double x = (page.left() - paper.left()) + l.margin + (t - first + 0.5) * l.dotsPerSample;
        const double y = (page.top() - paper.top()) + l.margin + (k + 0.5) * l.dotsPerSample;
        return {static_cast<int>(x), static_cast<int>(y)};
    }

    TempDir dir;
    std::string pdf = dir.file("radargram.pdf");
    FakeRadargramSource src;
    QRect page, paper;
    int resolution = 0;
};

} // namespace

TEST_F(RadargramPrintTest, OnePageHoldsAShortSetInItsPaletteColours)
{
    src.count = 250;
    // The first half on entry 32, the second on entry 63.
    src.sample = [](int t, int) { return static_cast<std::int16_t>(t < 125 ? 0 : 32767); };
    Print(QPageLayout::Landscape);
    ASSERT_EQ(PdfPages(pdf), 1);
    // The turned vertical title comes out in pieces: compare without white space.
    const QString text = RunTool("pdftotext", {"-raw", QString::fromStdString(pdf), "-"}).simplified().remove(' ');
    EXPECT_TRUE(text.contains("Time[s]")) << "horizontal title of a time-mode set:\n" << text.toStdString();
    EXPECT_TRUE(text.contains("Time[ns]")) << "vertical title";
    EXPECT_EQ(PdfPixel(pdf, 1, At(60, 200), resolution, dir.file("a")), QColor(132, 132, 132))
        << "grey entry 32 as 5-5-5";
    EXPECT_EQ(PdfPixel(pdf, 1, At(190, 200), resolution, dir.file("b")), QColor(255, 255, 255))
        << "grey entry 63 (252) as 5-5-5";
}

TEST_F(RadargramPrintTest, EveryTraceOfALongSetIsOnItsPage)
{
    src.count = 3000;
    src.channel.trigType = 3;
    src.channel.timeScale = false;
    src.palette.m_Colours[63] = 0xFF0000;  // red: the last trace alone
    src.palette.m_Colours[0] = 0x0000FF;   // blue: the first trace alone
    src.sample = [this](int t, int) {
        return static_cast<std::int16_t>(t == src.count - 1 ? 32767 : t == 0 ? -32768 : 0);
    };
    Print(QPageLayout::Portrait);
    const radargram::PrintLayout l = radargram::PrintPages(page.width(), page.height(), 400, 3000);
    ASSERT_GT(l.pages, 1);
    EXPECT_EQ(PdfPages(pdf), l.pages);
    EXPECT_EQ(l.pages, (3000 + l.tracesPerPage - 1) / l.tracesPerPage);

    EXPECT_EQ(PdfPixel(pdf, l.pages, At(2999, 200), resolution, dir.file("last")), QColor(255, 0, 0))
        << "the last trace is on the last page";
    EXPECT_EQ(PdfPixel(pdf, l.pages, At(2998, 200), resolution, dir.file("before")), QColor(132, 132, 132));
    EXPECT_EQ(PdfPixel(pdf, 1, At(0, 200), resolution, dir.file("first")), QColor(0, 0, 255))
        << "the first trace is on the first page";
    const QString text =
        RunTool("pdftotext", {"-raw", "-l", "1", QString::fromStdString(pdf), "-"}).simplified().remove(' ');
    EXPECT_TRUE(text.contains("Distance[m]")) << text.toStdString();
    EXPECT_TRUE(text.contains("Depth[meters]")) << text.toStdString();
}

TEST_F(RadargramPrintTest, TheTraceWindowLeavesThePrintedPagesAsTheyAre)
{
    // Two pages, the second of fewer traces than the trace window is wide.
    src.count = 300;
    src.palette.m_Colours[63] = 0xFF0000;
    src.sample = [this](int t, int) { return static_cast<std::int16_t>(t == src.count - 1 ? 32767 : 0); };
    auto pages = [this](bool traceWindow, const std::string& name) {
        src.traceWindow = traceWindow;
        pdf = dir.file(name + ".pdf");
        Print(QPageLayout::Portrait);
        RunTool("pdftoppm", {"-r", "50", QString::fromStdString(pdf), QString::fromStdString(dir.file(name))});
        std::vector<QImage> images;
        for (int p = 1; p <= PdfPages(pdf); ++p)
            images.emplace_back(QString::fromStdString(dir.file(name + "-" + std::to_string(p) + ".ppm")));
        return images;
    };
    const std::vector<QImage> without = pages(false, "without");
    const std::vector<QImage> with = pages(true, "with");
    ASSERT_EQ(without.size(), 2u);
    ASSERT_EQ(with.size(), without.size());
    for (std::size_t p = 0; p < with.size(); ++p) {
        ASSERT_FALSE(with[p].isNull());
        EXPECT_TRUE(with[p] == without[p]) << "page " << p + 1;
    }
    EXPECT_EQ(PdfPixel(pdf, 2, At(299, 200), resolution, dir.file("last")), QColor(255, 0, 0))
        << "the last trace on the last page";
}

TEST_F(RadargramPrintTest, NothingToPrintGivesOneEmptyPage)
{
    src.count = 10;
    src.channel.samples = 0;
    Print(QPageLayout::Portrait);
    EXPECT_EQ(PdfPages(pdf), 1);
}

TEST_F(RadargramPrintTest, APageRangePrintsThosePagesOnly)
{
    src.count = 3000;
    src.sample = [](int t, int) { return static_cast<std::int16_t>(t == 2999 ? 32767 : 0); };
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFromTo(2, 3);
    PrintRadargram(printer, src);
    EXPECT_EQ(PdfPages(pdf), 2);
}
