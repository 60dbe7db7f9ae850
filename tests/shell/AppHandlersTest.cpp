// The notifications the worker threads post to the application object, delivered as the
// event loop delivers them, with a clock the test drives.

#include "tests/shell/AppDoubles.h"

#include "shell/AppEvents.h"
#include "shell/MarkerSettings.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

using appevent::kAcquisitionEnded;
using appevent::kGpsUpdate;
using appevent::kStatusUpdate;
using appevent::kTracesReady;

class AppHandlers : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.clock.now = 5000;
        h.Start();
        h.log.clear();
    }
    AppHarness h;
};

// ---- traces ready: the refresh throttle wired to the document and the late timer -----

TEST_F(AppHandlers, DroppedMessageAsksForOneRefreshAtTheEndOfTheWindow)
{
    FakeDocument& doc = h.OpenFakeDocument();
    h.Deliver(kTracesReady);
    h.clock.now += 50;
    h.Deliver(kTracesReady);
    h.clock.now += 20;
    h.Deliver(kTracesReady);  // the burst's last traces

    ASSERT_TRUE(h.app->LateRefreshTimer().isActive());
    EXPECT_EQ(h.app->LateRefreshTimer().interval(), 51);  // 101 after the refresh
    h.clock.now += 31;
    h.app->OnLateRefresh();
    EXPECT_EQ(doc.refreshes, 2);  // the newest traces are drawn, once
    h.app->OnLateRefresh();
    EXPECT_EQ(doc.refreshes, 2) << "a late refresh that is no longer wanted draws nothing";

    // The late refresh opens a new window.
    h.clock.now += 60;
    h.Deliver(kTracesReady);
    EXPECT_EQ(doc.refreshes, 2);
}

TEST_F(AppHandlers, TracesReadyWithoutADocumentDrawsNothingAndKeepsRunning)
{
    h.Deliver(kTracesReady);
    FakeDocument& doc = h.OpenFakeDocument();
    h.clock.now += 200;
    h.Deliver(kTracesReady);
    EXPECT_EQ(doc.refreshes, 1);
}

// ---- status and GPS updates -------------------------------------------------------------

TEST_F(AppHandlers, StatusUpdateUpdatesThePositionBar)
{
    h.Deliver(kStatusUpdate);
    h.Deliver(kStatusUpdate);
    EXPECT_EQ(h.Frame().bar.updates, 2);
}

TEST_F(AppHandlers, GpsUpdateWhileNotMeasuringUpdatesTheBarAndWritesNoRecord)
{
    h.app->m_params.m_params[0].m_bActive = 1;
    h.data->traces[0] = 12;
    h.Deliver(kGpsUpdate);
    EXPECT_EQ(h.Frame().bar.updates, 1);
    EXPECT_TRUE(h.data->gpsRecords.empty());
}

TEST_F(AppHandlers, GpsUpdateWhileMeasuringWritesOneRecordPerActiveChannelWithNewTraces)
{
    for (auto& p : h.app->m_params.m_params)
        p.m_bActive = 0;
    h.app->m_params.m_params[0].m_bActive = 1;
    h.app->m_params.m_params[3].m_bActive = 1;
    h.app->m_params.m_params[5].m_bActive = 0;
    h.data->traces = {{0, 7}, {3, 4}, {5, 9}};
    h.data->gpsLastTrace = {{0, 7}, {3, 2}, {5, 1}};  // channel 0 has nothing new
    h.app->m_status.m_bMeasuring = 1;

    h.Deliver(kGpsUpdate);
    const std::vector<std::pair<int, std::int32_t>> expected = {{3, 4}};
    EXPECT_EQ(h.data->gpsRecords, expected);
    h.Deliver(kGpsUpdate);  // nothing new since
    EXPECT_EQ(h.data->gpsRecords, expected);
}

TEST(AppHandlersBeforeStart, UpdatesBeforeTheMainWindowExistsDoNothing)
{
    AppHarness h;
    h.Construct();
    h.app->m_params.m_params[0].m_bActive = 1;
    h.data->traces[0] = 3;
    h.app->m_status.m_bMeasuring = 1;
    for (QEvent::Type t : {kGpsUpdate, kStatusUpdate, kTracesReady, kAcquisitionEnded, appevent::MarkerKey(0)})
        h.Deliver(t);
    EXPECT_TRUE(h.data->gpsRecords.empty());
    EXPECT_TRUE(h.data->markers.empty());
}

// ---- acquisition ended on an error --------------------------------------------------------

TEST_F(AppHandlers, AcquisitionEndedStopsTheMeasuringDocumentOnce)
{
    FakeDocument& doc = h.OpenFakeDocument();
    h.app->m_status.m_bMeasuring = 1;
    h.Deliver(kAcquisitionEnded);
    EXPECT_EQ(h.log, EventLog{"doc stop"});
    h.app->m_status.m_bMeasuring = 0;  // as the document's Stop leaves it
    h.Deliver(kAcquisitionEnded);
    EXPECT_EQ(h.log, EventLog{"doc stop"});
    (void)doc;
}

// ---- marker keys ------------------------------------------------------------------------

class MarkerKeys : public AppHandlers {
protected:
    void SetUp() override
    {
        AppHandlers::SetUp();
        for (auto& p : h.app->m_params.m_params)
            p.m_bActive = 0;
        h.app->m_params.m_params[0].m_bActive = 1;
        h.app->m_params.m_params[3].m_bActive = 1;
        h.app->m_params.m_nCurSlot = 1;
        h.app->m_params.m_nCurChannel = 1;  // channel index 3
        h.data->traces = {{0, 11}, {3, 42}};
        h.app->m_status.m_nDistanceCount = 40;
        h.app->m_status.m_nDistanceMultiplier = 1;
    }
    void Measure()
    {
        h.OpenFakeDocument();
        h.app->m_status.m_bMeasuring = 1;
    }
};

// Slots may run at different intervals in every mode (in wheel mode each slot has its own
// DISTANCE INTERVAL): a marker at the current channel's count or at the distance count would
// point elsewhere in a slower or faster slot's file.
TEST_F(MarkerKeys, EveryModeMarksEachActiveChannelAtItsOwnTraceCount)
{
    Measure();
    struct Case {
        std::uint8_t trigType;
        std::int32_t traces0, traces3;
        int key;
    };
    const Case cases[] = {{200, 11, 42, 3}, {255, 12, 43, 9}, {0, 13, 44, 1}, {0, 14, 2, 2}};
    std::vector<MarkerCall> expected;
    for (const Case& c : cases) {
        h.app->m_params.m_nTrigType = c.trigType;
        h.data->traces = {{0, c.traces0}, {3, c.traces3}};
        h.Deliver(appevent::MarkerKey(c.key - 1));
        expected.push_back({0, static_cast<std::uint32_t>(c.traces0), 0, static_cast<std::uint16_t>(c.key)});
        expected.push_back({3, static_cast<std::uint32_t>(c.traces3), 0, static_cast<std::uint16_t>(c.key)});
    }
    EXPECT_EQ(h.data->markers, expected);
}

TEST_F(MarkerKeys, NothingIsWrittenWhileNotMeasuringForAnInactiveMarkerOrWithoutDocument)
{
    h.app->m_params.m_nTrigType = 200;
    h.app->m_status.m_bMeasuring = 1;
    h.Deliver(appevent::MarkerKey(0));  // no document
    h.OpenFakeDocument();
    h.app->m_status.m_bMeasuring = 0;
    h.Deliver(appevent::MarkerKey(0));  // not measuring
    h.app->m_status.m_bMeasuring = 1;
    h.app->m_pMarkerSettings->SetActive(5, false);
    h.Deliver(appevent::MarkerKey(4));  // marker 5 inactive
    EXPECT_TRUE(h.data->markers.empty());
    h.Deliver(appevent::MarkerKey(5));  // marker 6 still active
    EXPECT_EQ(h.data->markers.size(), 2u);
}

TEST_F(MarkerKeys, DigitKeysOfTheMainKeyboardPostMarkersAndTheKeypadDoesNot)
{
    Measure();
    h.app->m_params.m_nTrigType = 200;
    QWidget* target = h.app->MainWindow();
    QKeyEvent keypad(QEvent::KeyRelease, Qt::Key_4, Qt::KeypadModifier, "4");
    QCoreApplication::sendEvent(target, &keypad);
    QKeyEvent main(QEvent::KeyRelease, Qt::Key_4, Qt::NoModifier, "4");
    QCoreApplication::sendEvent(target, &main);
    QCoreApplication::sendPostedEvents(h.app.get());
    EXPECT_EQ(h.data->markers, (std::vector<MarkerCall>{{0, 11, 0, 4}, {3, 42, 0, 4}}));
}
