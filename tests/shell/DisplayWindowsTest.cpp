// The sensor window and the trace information bar as the main window gets them: they follow
// the radargram of the active document and read its data set.
#include "tests/shell/AppDoubles.h"

#include "display/EM_Wnd.h"
#include "display/RavikView.h"
#include "display/TraceInfoBar.h"
#include "model/RadHeader.h"
#include "model/RadarData.h"
#include "shell/DisplayWindows.h"
#include "shell/MainFrame.h"
#include "shell/RavikDoc.h"

#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class DisplayWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // No presence check: nothing may be sent on this machine's adapters.
        h.profile.writeInt("settings", "enable_cu_check", 0);
        h.realData = true;
        h.realUnit = true;
        h.realAcquisition = true;
        if (startNow)
            h.Start();
        else
            h.Construct();
        app = h.app.get();
        std::filesystem::create_directories(h.dir.path() + "/data");
    }

    // A stored data set of one channel, every sample of trace t equal to t.
    std::string StoreSet(int traces, int samples)
    {
        const std::string stem = h.dir.path() + "/data/S";
        CRadHeader header;
        header.m_strPath = stem + ".rad";
        header.m_nSamples = samples;
        header.m_nLastTrace = traces;
        header.m_nFrequencySteps = 5;
        header.m_nStacks = 16;
        header.m_dSystemCalibration = 0.0000031;
        header.m_nAntennaClass = 2;
        header.m_nTriggerMode = 128;
        header.m_dInterval = 0.5;
        EXPECT_EQ(header.Write(nullptr, 0, 0), 0);
        std::ofstream out(stem + ".rd3", std::ios::binary);
        for (int t = 0; t < traces; ++t)
            for (int j = 0; j < samples; ++j) {
                out.put(static_cast<char>(t));
                out.put('\0');
            }
        return stem + ".rd3";
    }

    CRavikDoc& OpenStored(int traces, int samples)
    {
        const std::string path = StoreSet(traces, samples);
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

} // namespace

TEST_F(DisplayWindowsTest, TraceInfoBarShowsTheSelectedTraceOfTheActiveView)
{
    CRavikDoc& doc = OpenStored(20, 256);
    CRavikView* view = doc.FirstView();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(ActiveRadargramView(*app), view);

    std::unique_ptr<QWidget> contents(MakeTraceInfoBar(*app, nullptr));
    auto* bar = qobject_cast<CTraceInfoBar*>(contents.get());
    ASSERT_NE(bar, nullptr);
    view->resize(600, 400);
    view->refresh();
    const TraceStatistics& s = bar->Statistics();
    EXPECT_EQ(s.cursor1, 30);
    EXPECT_EQ(s.cursor2, 50);
    const float f = app->DataSet()->Radar()->GetChannel(0).m_Header.m_fFrequency;
    ASSERT_GT(f, 0.0f);
    EXPECT_FLOAT_EQ(s.t1, static_cast<float>(30 * 1000.0 / f)) << "at the channel's sampling frequency";
    EXPECT_FLOAT_EQ(s.t2, static_cast<float>(50 * 1000.0 / f));
    EXPECT_NEAR(s.rawDistance, (s.t2 - s.t1) * 100.0 / 2000.0, 1e-4) << "velocity 100 in metres";

    // The full scale reaches the view without a crash whatever is typed.
    bar->Edit()->setText("-500");
    bar->Edit()->setText("99999999999");
}

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

class DisplayWindowsBeforeTheMainWindow : public DisplayWindowsTest {
protected:
    DisplayWindowsBeforeTheMainWindow() { startNow = false; }
};

TEST_F(DisplayWindowsBeforeTheMainWindow, BarMadeWhileTheMainWindowIsBuiltFollowsTheViewsOpenedLater)
{
    // The main window makes its bars while it is being built, before the application has it.
    ASSERT_EQ(app->MainWindow(), nullptr);
    std::unique_ptr<QWidget> contents(MakeTraceInfoBar(*app, nullptr));
    auto* bar = qobject_cast<CTraceInfoBar*>(contents.get());
    ASSERT_TRUE(app->InitInstance());

    CRavikView* view = OpenStored(20, 256).FirstView();
    ASSERT_NE(view, nullptr);
    view->resize(600, 400);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        view->refresh();
        return bar->Statistics().cursor2 == 50;
    }));
    EXPECT_GT(bar->Statistics().t2, 0.0f);
}
