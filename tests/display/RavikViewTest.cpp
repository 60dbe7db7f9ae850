// The radargram view drawn offscreen from a fixed source: colours, background, the newest
// trace, the first trace while measuring, the side plot and cursors, markers, scrolling by
// keys, filters, the trace information and the cases without an image.

#include "display/RavikView.h"
#include "tests/display/RadargramFakeSource.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RavikViewTest : public ::testing::Test {
protected:
    // A client of 800 x 600 with margin 0: an image of 690 x 503 at (50, 50).
    void Show(int cx = 800, int cy = 600)
    {
        view = std::make_unique<CRavikView>(src);
        view->resize(cx, cy);
        view->refresh();
    }
    QImage Grab()
    {
        view->refresh();
        return view->grab().toImage();
    }
    static QColor Grey(int v) { return QColor(v, v, v); }

    FakeRadargramSource src;
    std::unique_ptr<CRavikView> view;
};

std::function<std::int16_t(int, int)> Constant(std::int16_t v)
{
    return [v](int, int) { return v; };
}

} // namespace

TEST_F(RavikViewTest, SamplesTakeTheirPaletteColourAtTheGain)
{
    struct Case {
        std::int16_t sample;
        int gain;
        int grey;
    };
    const Case cases[] = {{1024, 1, 132}, {-1024, 1, 124}, {0, 1, 128}, {32767, 11, 252}, {-32768, 11, 0}, {32767, 0, 128}};
    src.count = 100;
    Show();
    for (const Case& c : cases) {
        src.sample = Constant(c.sample);
        ++src.key;
        src.gain = c.gain;
        const QImage img = Grab();
        for (int i : {0, 37, 99})
            EXPECT_EQ(img.pixelColor(50 + i, 60), Grey(c.grey)) << c.sample << " at gain " << c.gain << ", trace " << i;
        EXPECT_EQ(img.pixelColor(50 + 400, 300), Grey(128)) << "columns past the newest trace are entry 32";
    }
}

TEST_F(RavikViewTest, BackgroundIsWhiteIdleAndYellowWhileMeasuring)
{
    src.count = 10;
    Show();
    QImage img = Grab();
    EXPECT_EQ(img.pixelColor(5, 150), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(100, 460), QColor(255, 255, 255)) << "rows below the 400 samples are background";
    src.measuring = true;
    img = Grab();
    EXPECT_EQ(img.pixelColor(5, 150), QColor(255, 255, 0));
}

TEST_F(RavikViewTest, NewestTraceLineAndTracePaneWhileMeasuring)
{
    src.count = 5;
    src.measuring = true;
    src.channel.trigType = 200;
    Show();
    const QImage img = Grab();
    EXPECT_EQ(view->FirstTrace(), 0);
    EXPECT_EQ(img.pixelColor(54, 100), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(53, 100), Grey(128));
    EXPECT_EQ(view->Status().trace, "Trace: 4");
    src.channel.trigType = 255;
    view->refresh();
    EXPECT_EQ(view->Status().trace, "Trace: 5") << "keyboard mode shows the count";
}

TEST_F(RavikViewTest, WhileMeasuringTheViewFollowsTheNewestTraces)
{
    src.count = 1000;
    src.measuring = true;
    // Trace t is drawn in palette entry t % 60.
    src.sample = [](int t, int) { return static_cast<std::int16_t>((t % 60 - 32) * 1024 + 512); };
    Show(710, 600);  // w = 600
    const QImage img = Grab();
    EXPECT_EQ(view->FirstTrace(), 399);
    EXPECT_EQ(img.pixelColor(50, 100), Grey(4 * (399 % 60)));
    EXPECT_EQ(img.pixelColor(50 + 599, 100), Grey(4 * (998 % 60)));
    EXPECT_EQ(img.pixelColor(50 + 600, 100), QColor(255, 0, 0)) << "the newest trace's line right of the image";

    // New traces: only their columns are copied, and the image moves on with them.
    const int before = src.copiedTraces;
    src.count = 1003;
    const QImage next = Grab();
    EXPECT_EQ(view->FirstTrace(), 402);
    EXPECT_LE(src.copiedTraces - before, 4 * 2) << "only the new columns are copied";
    EXPECT_EQ(next.pixelColor(50, 100), Grey(4 * (402 % 60)));
    EXPECT_EQ(next.pixelColor(50 + 599, 100), Grey(4 * (1001 % 60)));
}

TEST_F(RavikViewTest, TraceWindowShowsSidePlotCursorsAndSelectedColumn)
{
    src.count = 300;
    src.traceWindow = true;
    Show();
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(70, 200));
    EXPECT_EQ(view->SelColumn(), 20);
    EXPECT_EQ(view->SelRow(), 150);
    const QImage img = Grab();
    const int cx = 800;
    EXPECT_EQ(img.pixelColor(cx - 100, 200), QColor(255, 255, 255)) << "side plot interior";
    EXPECT_EQ(img.pixelColor(cx - 130, 77 + 30), QColor(255, 0, 0)) << "cursor 1";
    EXPECT_EQ(img.pixelColor(cx - 130, 77 + 50), QColor(0, 255, 0)) << "cursor 2";
    EXPECT_EQ(img.pixelColor(70, 300), QColor(255, 0, 0)) << "selected column";

    // Ctrl-click in the side plot above cursor 1 puts cursor 2 just below cursor 1.
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::ControlModifier, QPoint(cx - 130, 77 + 10));
    EXPECT_EQ(view->Cursor2(), 31);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(cx - 130, 77 + 20));
    EXPECT_EQ(view->Cursor1(), 20);
}

TEST_F(RavikViewTest, TheWholeSidePlotStripSetsTheCursorsAndDragsWorkWhileMeasuring)
{
    src.count = 300;
    src.traceWindow = true;
    Show();  // the plot strip runs from row 77 to 553; the 400 samples end at row 477
    const int x = 800 - 130;
    QTest::mouseClick(view.get(), Qt::LeftButton, Qt::ControlModifier, QPoint(x, 540));
    EXPECT_EQ(view->Cursor2(), 399) << "a click below the drawn trace is held to the last sample";

    src.measuring = true;
    view->refresh();
    auto drag = [this](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &move);
    };
    drag(QPoint(x, 77 + 100));
    EXPECT_EQ(view->Cursor1(), 100) << "dragged while measuring";
}

TEST_F(RavikViewTest, CursorsOutlastAPaintBeforeTheDataSetHasSamples)
{
    // A new data set is shown before its measurement starts: no header samples yet.
    src.channel.headerSamples = 0;
    src.traceWindow = true;
    Show();
    src.channel.headerSamples = 400;
    src.count = 10;
    src.measuring = true;
    const QImage img = Grab();
    EXPECT_EQ(view->Cursor1(), 30);
    EXPECT_EQ(view->Cursor2(), 50);
    EXPECT_EQ(img.pixelColor(800 - 130, 77 + 30), QColor(255, 0, 0)) << "cursor 1";
    EXPECT_EQ(img.pixelColor(800 - 130, 77 + 50), QColor(0, 255, 0)) << "cursor 2";
}

TEST_F(RavikViewTest, MarkersInTheirColoursWhereTheyFit)
{
    src.count = 300;
    src.markers = {{20, 0, 1}, {40, 0, 10}, {3, 0, 1}, {60, 0, 0}, {80, 0, CMarker::kPending}};
    Show();
    const QImage img = Grab();
    EXPECT_EQ(img.pixelColor(70, 56), QColor(255, 0, 0)) << "marker 1";
    EXPECT_EQ(img.pixelColor(90, 56), QColor(0, 0, 0)) << "type 10 is black";
    EXPECT_EQ(img.pixelColor(53, 56), Grey(128)) << "a marker 3 traces from the edge is not drawn";
    EXPECT_EQ(img.pixelColor(110, 56), Grey(128)) << "type 0 is not drawn";
    EXPECT_EQ(img.pixelColor(130, 56), Grey(128)) << "a pending marker is not drawn";
}

TEST_F(RavikViewTest, ArrowKeysScrollByPageOrLine)
{
    src.count = 3000;
    Show(710, 600);  // w = 600
    view->HorizontalBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(view->FirstTrace(), 0);
    QTest::keyClick(view.get(), Qt::Key_Right);
    EXPECT_EQ(view->FirstTrace(), 300);
    QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view->FirstTrace(), 310);
    QTest::keyClick(view.get(), Qt::Key_Left);
    EXPECT_EQ(view->FirstTrace(), 10);
    view->HorizontalBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(view->FirstTrace(), 0);
    EXPECT_EQ(view->HorizontalBar()->value(), 0);
    view->HorizontalBar()->setSliderPosition(2400);
    view->HorizontalBar()->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(view->FirstTrace(), 2400) << "the thumb dragged to the end";

    src.channel.samples = src.channel.headerSamples = 2048;
    view->refresh();
    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_EQ(view->FirstSample(), 251) << "half a page of 503 rows";
    QTest::keyClick(view.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view->FirstSample(), 261);
    for (int i = 0; i < 6; ++i)
        view->VerticalBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(view->FirstSample(), 2048 - 503) << "the last page of samples";

    src.measuring = true;
    view->refresh();
    const int following = view->FirstTrace();
    QTest::keyClick(view.get(), Qt::Key_Left);
    EXPECT_EQ(view->FirstTrace(), following) << "keys are ignored while measuring";
}

TEST_F(RavikViewTest, FiltersApplyAndColumnsPastTheNewestTraceStayBlank)
{
    src.count = 690;
    src.sample = Constant(1024);
    src.filter = [](std::int16_t s) { return static_cast<std::int16_t>(-s); };
    Show();
    QImage img = Grab();
    EXPECT_EQ(img.pixelColor(50 + 600, 100), Grey(124)) << "the filter's output";
    src.count = 5;
    img = Grab();
    EXPECT_EQ(img.pixelColor(52, 100), Grey(124));
    EXPECT_EQ(img.pixelColor(50 + 600, 100), Grey(128)) << "no earlier output past the newest trace";
    src.filter = nullptr;
    img = Grab();
    EXPECT_EQ(img.pixelColor(52, 100), Grey(132)) << "raw colours without filters";
}

TEST_F(RavikViewTest, TraceInformationGoesOutWithEveryRefresh)
{
    src.count = 50;
    src.traceWindow = true;
    src.sample = [](int t, int k) { return static_cast<std::int16_t>(t * 10 + k); };
    Show();
    QSignalSpy info(view.get(), &CRavikView::traceInfoChanged);
    QSignalSpy status(view.get(), &CRavikView::statusTextsChanged);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(57, 60));
    ASSERT_GE(info.count(), 1);
    const auto* trace = info.last().at(0).value<const CSTrace*>();
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ((*trace)[0], 70) << "the selected column's samples";
    EXPECT_EQ((*trace)[399], 70 + 399);
    EXPECT_EQ(info.last().at(1).value<quint16>(), 30);
    EXPECT_EQ(info.last().at(2).value<quint16>(), 50);
    ASSERT_GE(status.count(), 1);
    EXPECT_EQ(status.last().at(0).toString(), "Trace: 7");

    // Without the side plot the selected trace stays the one it last showed.
    src.traceWindow = false;
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(60, 60));
    EXPECT_EQ(view->SelColumn(), 10);
    EXPECT_EQ(info.last().at(0).value<const CSTrace*>(), &view->SelTrace());
    EXPECT_EQ(view->SelTrace()[0], 70) << "the trace last plotted, not zeros";
    EXPECT_EQ(view->SelTrace()[399], 70 + 399);
}

TEST_F(RavikViewTest, NothingToDrawStillPaintsBackground)
{
    struct Case {
        int count, samples, cx, cy;
    };
    const Case cases[] = {{0, 400, 800, 600}, {10, 0, 800, 600}, {10, 400, 100, 90}};
    for (const Case& c : cases) {
        src.count = c.count;
        src.channel.samples = c.samples;
        src.channel.headerSamples = c.samples;
        Show(c.cx, c.cy);
        const QImage img = Grab();
        EXPECT_EQ(img.pixelColor(5, 40), QColor(255, 255, 255)) << c.count << " " << c.samples << " " << c.cx;
        if (c.cx == 800) {
            EXPECT_EQ(img.pixelColor(300, 200), QColor(255, 255, 255)) << "no image";
        }
    }
}

TEST_F(RavikViewTest, NewColoursRedrawEveryColumnFromTheTracesAlreadyCopied)
{
    src.count = 1000;  // more traces than the image's 690 columns
    // Trace t is drawn in palette entry t % 60 at gain 1.
    src.sample = [](int t, int) { return static_cast<std::int16_t>((t % 60 - 32) * 1024 + 512); };
    Show();
    const int copied = src.copiedTraces;
    struct Step {
        int gain;
        bool inverted;  // palette entry i as grey 252 - 4i
    };
    for (const Step& step : {Step{0, false}, Step{1, true}, Step{1, false}}) {
        src.gain = step.gain;
        for (int i = 0; i < CRadarPalette::kColours; ++i)
            src.palette.m_Colours[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(step.inverted ? 63 - i : i) * 0x040404u;
        const QImage img = Grab();
        for (int t : {0, 31, 345, 689}) {
            const int entry = step.gain == 0 ? 32 : t % 60;
            const int grey = 4 * (step.inverted ? 63 - entry : entry);
            EXPECT_EQ(img.pixelColor(50 + t, 300), Grey(grey)) << "trace " << t << " at gain " << step.gain;
        }
    }
    EXPECT_EQ(src.copiedTraces, copied) << "the traces shown did not change";
}
