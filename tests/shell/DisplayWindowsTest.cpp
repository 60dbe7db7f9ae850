// The sensor window and the trace information bar as the main window gets them: they follow
// the radargram of the active document and read its data set.
#include "tests/shell/StoredSet.h"

#include "display/EM_Wnd.h"
#include "display/RavikView.h"
#include "display/TraceInfoBar.h"
#include "model/RadarData.h"
#include "shell/DisplayWindows.h"
#include "shell/FrameCommands.h"
#include "shell/MainFrame.h"
#include "shell/RavikDoc.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class DisplayWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseRealPartsOffline(h);
        if (startNow)
            h.Start();
        else
            h.Construct();
        app = h.app.get();
        std::filesystem::create_directories(h.dir.path() + "/data");
    }

    // A stored data set of one channel, every sample of trace t equal to t.
    CRavikDoc& OpenStored(int traces, int samples)
    {
        const std::string stem = h.dir.path() + "/data/S";
        EXPECT_TRUE(StoreOneChannelSet(stem, traces, samples, [](int t, int) { return static_cast<std::int16_t>(t); }));
        const std::string path = stem + ".rd3";
        auto doc = std::make_unique<CRavikDoc>(*app);
        EXPECT_TRUE(doc->OnOpenDocument(path));
        auto& ref = *doc;
        app->MainWindow()->AddDocument(std::move(doc));
        // Where the child window does not make the view itself, the test gives it one.
        if (!ref.FirstView())
            ref.CreateView(&m_viewHolder);
        return ref;
    }

    AppHarness h;
    CRavikApp* app = nullptr;
    bool startNow = true;

private:
    QWidget m_viewHolder;
};

class PaintCounter : public QObject {
public:
    explicit PaintCounter(int& paints) : m_paints(paints) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        m_paints += event->type() == QEvent::Paint;
        return false;
    }

private:
    int& m_paints;
};

} // namespace

TEST_F(DisplayWindowsTest, SensorWindowDrawsOverTheActiveViewsTracesAndOnlyWhiteWithoutOne)
{
    std::unique_ptr<QWidget> window(MakeSensorWindow(*app, nullptr));
    ASSERT_NE(qobject_cast<CEM_Wnd*>(window.get()), nullptr);
    window->resize(300, 200);
    auto drawn = [&window] {
        QImage image(window->size(), QImage::Format_RGB32);
        window->render(&image);
        return image;
    };
    EXPECT_EQ(drawn().pixel(150, 100), qRgb(255, 255, 255)) << "no document: white only";

    OpenStored(20, 256);
    const QImage image = drawn();
    // No sensor records: both curves and the middle line lie on the middle row, as far as
    // the traces go.
    EXPECT_EQ(image.pixel(10, 100), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(10, 101), qRgb(255, 255, 255));
}

TEST_F(DisplayWindowsTest, BarAndSensorWindowShowTheViewTheyJoinWithoutWaitingForItToDraw)
{
    std::unique_ptr<QWidget> contents(MakeTraceInfoBar(*app, nullptr));
    auto* bar = qobject_cast<CTraceInfoBar*>(contents.get());
    ASSERT_NE(bar, nullptr);
    std::unique_ptr<QWidget> sensor(MakeSensorWindow(*app, nullptr));
    sensor->show();
    int sensorPaints = 0;
    PaintCounter counter(sensorPaints);
    sensor->installEventFilter(&counter);

    app->MainWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app->MainWindow()));
    CRavikView* first = OpenStored(20, 256).FirstView();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->Statistics().cursor2 == 50; })) << "a data set just opened";
    EXPECT_GT(bar->Statistics().t1, 0.0f);

    // A second view whose cursor 1 the side plot moved.
    CRavikDoc& second = OpenStored(20, 256);
    second.OnTraceWindow();
    CRavikView* other = second.FirstView();
    // Child windows side by side: activating one changes no size.
    auto* area = app->MainWindow()->findChild<QMdiArea*>();
    ASSERT_NE(area, nullptr);
    area->tileSubWindows();
    QTest::mouseClick(other, Qt::LeftButton, {}, QPoint(other->width() - 130, 77 + 10));
    ASSERT_EQ(other->Cursor1(), 10);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        other->refresh();
        return bar->Statistics().cursor1 == 10;
    }));

    QCoreApplication::processEvents();
    sensorPaints = 0;
    for (QMdiSubWindow* child : area->subWindowList())
        if (child->isAncestorOf(first))
            area->setActiveSubWindow(child);
    ASSERT_EQ(ActiveRadargramView(*app), first);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->Statistics().cursor1 == 30; })) << "the bar after the switch";
    EXPECT_TRUE(QTest::qWaitFor([&] { return sensorPaints > 0; })) << "the sensor window after the switch";
}

TEST_F(DisplayWindowsTest, BarShowsNothingOfASetAfterItsLastViewCloses)
{
    std::unique_ptr<QWidget> contents(MakeTraceInfoBar(*app, nullptr));
    auto* bar = qobject_cast<CTraceInfoBar*>(contents.get());
    ASSERT_NE(bar, nullptr);
    auto values = [](const CTraceInfoBar& b) {
        QStringList texts;
        for (int r = 0; r < CTraceInfoBar::kRows; ++r)
            texts << b.List()->item(r, 1)->text();
        return texts.join(" | ").toStdString();
    };
    const std::string unopened = values(*bar);

    app->MainWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app->MainWindow()));
    QPointer<CRavikView> view = OpenStored(20, 256).FirstView();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->Statistics().cursor2 == 50; }));
    ASSERT_NE(values(*bar), unopened);

    ASSERT_TRUE(app->MainWindow()->RunCommand(cmd::kClose));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.isNull(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(values(*bar), unopened) << "File > Close of the last view";
}

class DisplayWindowsBeforeTheMainWindow : public DisplayWindowsTest {
protected:
    DisplayWindowsBeforeTheMainWindow() { startNow = false; }
};

TEST_F(DisplayWindowsBeforeTheMainWindow, BarMadeWhileTheMainWindowIsBuiltShowsTheSelectedTraceOfLaterViews)
{
    // The main window makes its bars while it is being built, before the application has it.
    ASSERT_EQ(app->MainWindow(), nullptr);
    std::unique_ptr<QWidget> contents(MakeTraceInfoBar(*app, nullptr));
    auto* bar = qobject_cast<CTraceInfoBar*>(contents.get());
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(app->InitInstance());

    CRavikView* view = OpenStored(20, 256).FirstView();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(ActiveRadargramView(*app), view);
    view->resize(600, 400);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        view->refresh();
        return bar->Statistics().cursor2 == 50;
    }));
    const TraceStatistics& s = bar->Statistics();
    EXPECT_EQ(s.cursor1, 30);
    const float f = app->DataSet()->Radar()->GetChannel(0).m_Header.m_fFrequency;
    ASSERT_GT(f, 0.0f);
    EXPECT_FLOAT_EQ(s.t1, static_cast<float>(30 * 1000.0 / f)) << "at the channel's sampling frequency";
    EXPECT_FLOAT_EQ(s.t2, static_cast<float>(50 * 1000.0 / f));
    EXPECT_NEAR(s.rawDistance, (s.t2 - s.t1) * 100.0 / 2000.0, 1e-4) << "velocity 100 in metres";

    // The full scale reaches the view without a crash whatever is typed.
    bar->Edit()->setText("-500");
    bar->Edit()->setText("99999999999");
}
