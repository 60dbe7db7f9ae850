// A measurement against the simulated control unit, run by a document over the program's
// acquisition, and ended by closing the program: the measurement is stopped properly
// before anything is saved. Needs root.

#include "tests/shell/AppDoubles.h"

#include "link/Acquisition.h"
#include "link/CDriver.h"
#include "link/Measurement.h"
#include "link/WireFormat.h"
#include "model/AppSettings.h"
#include "model/RadarData.h"
#include "shell/CommandIds.h"
#include "shell/FrameCommands.h"
#include "shell/dialogs/NewWheel.h"
#include "tests/support/SimVethFixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <sys/stat.h>

namespace {

// A document that measures through the program's acquisition, as the radar document does.
class MeasuringDocument : public FakeDocument {
public:
    MeasuringDocument(EventLog& log, CRavikApp& app)
        : FakeDocument(log, "measuring"),
          m_measurement(*app.Acquisition(),
                        MeasurementHooks{[&app] { return app.m_settings.m_strDataFolder; },
                                         [&app] { return app.m_settings.m_strBaseName; }})
    {
    }
    void OnMeasureStart() override
    {
        FakeDocument::OnMeasureStart();
        startResult = m_measurement.OnMeasureStart();
    }
    void OnMeasureStop() override
    {
        FakeDocument::OnMeasureStop();
        m_measurement.OnMeasureStop();
    }
    bool ThreadRunning() const { return m_measurement.ThreadRunning(); }
    int startResult = 99;

private:
    CMeasurement m_measurement;
};

int Count(const std::vector<SimReceived>& requests, std::uint16_t code)
{
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [code](const SimReceived& r) { return r.request.code == code; }));
}

} // namespace

class AppMeasurementNet : public SimVethTest {
protected:
    // The program found the simulated unit (a Tolam unit unless `config` says otherwise) at
    // start-up and measures channel A1 in time mode (or as `setUp` sets the channels) into
    // `folder` under `base`; at least 10 traces have arrived on A1.
    MeasuringDocument* StartMeasuring(AppHarness& h, const std::string& base,
                                      const CSimUnitConfig& config = CSimUnitConfig::Tolam(),
                                      const std::function<void(CMeasParamSet&)>& setUp = {})
    {
        std::string error;
        if (!net.StartUnit(config, error)) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        h.realUnit = true;
        h.realData = true;
        h.realAcquisition = true;
        h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
        folder = h.dir.path() + "/data/";
        ::mkdir(folder.c_str(), 0755);
        {
            CScopedNetns inside(net.HostNetns().Fd());
            EXPECT_TRUE(inside.Ok()) << inside.Error();
            h.Construct();
            if (!h.app->Acquisition() || !h.app->InitInstance())
                return nullptr;
        }
        EXPECT_TRUE(h.app->m_status.IsConnected());
        h.app->m_settings.m_strDataFolder = folder;
        h.app->m_settings.m_strBaseName = base;
        MeasureChannelA1Only(h.app->m_params, 128);  // time mode
        if (setUp)
            setUp(h.app->m_params);

        auto owned = std::make_unique<MeasuringDocument>(h.log, *h.app);
        MeasuringDocument* doc = owned.get();
        h.app->MainWindow()->AddDocument(std::move(owned));
        doc->OnMeasureStart();
        EXPECT_EQ(doc->startResult, kStartOk);
        EXPECT_TRUE(h.app->m_status.IsMeasuring());
        // Traces arrive: the posted notices redraw the document and update the position bar.
        EXPECT_TRUE(ProcessUntil([&] { return doc->refreshes > 0 && h.Frame().bar.updates > 0; }));
        EXPECT_TRUE(ProcessUntil([&] { return h.app->DataSet()->TraceCount(0) >= 10; }));
        return doc;
    }

    std::string folder;
};

TEST_F(AppMeasurementNet, ClosingTheProgramWhileMeasuringStopsTheUnitJoinsTheThreadAndRewritesTheHeaders)
{
    AppHarness h;
    ASSERT_NE(StartMeasuring(h, "Exit"), nullptr);
    const int stopsBefore = Count(net.Unit().Requests(), 13);

    h.Exit();

    EXPECT_FALSE(h.app->m_status.IsMeasuring());
    EXPECT_GT(Count(net.Unit().Requests(), 13), stopsBefore);
    const std::string rad = ReadFileBytes(folder + "Exit_0001_A1.rad");
    const std::string rd3 = ReadFileBytes(folder + "Exit_0001_A1.rd3");
    const int samples = HeaderValue(rad, "SAMPLES:");
    ASSERT_GT(samples, 0) << rad;
    EXPECT_EQ(rd3.size() % (static_cast<std::size_t>(samples) * 2), 0u);
    EXPECT_EQ(HeaderValue(rad, "LAST TRACE:"), static_cast<int>(rd3.size() / (static_cast<std::size_t>(samples) * 2)));
    EXPECT_GE(HeaderValue(rad, "LAST TRACE:"), 10);
    // Stopped once, by the closing of the main window.
    EXPECT_EQ(std::count(h.log.begin(), h.log.end(), "measuring stop"), 1);
}

// The cable is pulled while measuring: the measurement ends on the lost data and its stop
// never reaches the unit, which measures on. Plugged in again, the presence check that finds
// the unit stops it.
TEST_F(AppMeasurementNet, UnitFoundAgainAfterACablePullIsStopped)
{
    AppHarness h;
    ASSERT_NE(StartMeasuring(h, "Pull"), nullptr);
    // The presence check opens the broken link again: only ever inside the test's network,
    // never from the status timer on this thread.
    h.app->MainWindow()->StatusTimer().stop();
    std::string error;
    ASSERT_TRUE(net.SetCable(false, error)) << error;
    ASSERT_TRUE(ProcessUntil([&] { return !h.app->m_status.IsMeasuring(); }));
    EXPECT_EQ(std::count(h.prompter.ids.begin(), h.prompter.ids.end(), kMsgError01), 1);
    const auto poll = [&] {
        CScopedNetns inside(net.HostNetns().Fd());
        if (inside.Ok())
            h.app->PollControlUnit();
        return inside.Ok() && h.app->m_status.IsConnected();
    };
    EXPECT_FALSE(poll());
    ASSERT_TRUE(net.Unit().Streaming()) << "the unit heard its stop with the cable out";

    const std::size_t heardBefore = net.Unit().Requests().size();
    ASSERT_TRUE(net.SetCable(true, error)) << error;
    ASSERT_TRUE(ProcessUntil(poll));
    EXPECT_FALSE(net.Unit().Streaming());
    // The first exchange after the detection's handshake is the stop.
    const std::vector<SimReceived> heard = net.Unit().Requests();
    const auto handshake = std::find_if(heard.begin() + static_cast<std::ptrdiff_t>(heardBefore), heard.end(),
                                        [](const SimReceived& r) { return r.request.code == wire::kHandshake; });
    ASSERT_LT(handshake + 1, heard.end());
    EXPECT_EQ((handshake + 1)->request.code, unitcmd::kStopAcquisition);
    h.Exit();
}

// Slot A takes a trace every 10/1024 s, slot C every 20/1024 s. Once the operator selects C1
// while measuring, the position counts count slot C's traces.
TEST_F(AppMeasurementNet, SelectingAnotherSlotWhileMeasuringCountsInItsTraces)
{
    AppHarness h;
    CSimUnitConfig config = CSimUnitConfig::Tolam();
    std::string error;
    ASSERT_TRUE(config.SetModules("8,4,8", error)) << error;
    MeasuringDocument* doc = StartMeasuring(h, "Select", config, [](CMeasParamSet& p) {
        p.m_params[0].m_dTimeInterval = 10 / 1024.0;
        p.m_params[4] = p.m_params[0];
        p.m_params[4].m_dTimeInterval = 20 / 1024.0;
    });
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(h.app->m_status.m_nSlotStep[0], 10);
    ASSERT_EQ(h.app->m_status.m_nSlotStep[2], 20);

    ASSERT_TRUE(h.app->MainWindow()->OnSelectChannel(20));
    const std::int32_t traces = h.app->DataSet()->TraceCount(4);
    ASSERT_TRUE(ProcessUntil([&] { return h.app->DataSet()->TraceCount(4) >= traces + 10; }));
    doc->OnMeasureStop();

    // The last record handled carries the unit's latest time, at most one step of slot A
    // past its last trace.
    std::int64_t latest = 0;
    for (const SimTrace& t : net.Unit().SentTraces())
        latest = std::max<std::int64_t>(latest, t.position);
    std::int32_t timeCount;
    {
        std::lock_guard position(h.app->m_locks.Position);
        timeCount = h.app->m_status.m_nTimeCount;
    }
    EXPECT_GE(timeCount, latest / 20);
    EXPECT_LE(timeCount, (latest + 10) / 20);
    h.Exit();
}

// A wheel calibration counted on the unit after a measurement, with its document still open:
// the calibration adds a wheel and closes nothing.
TEST_F(AppMeasurementNet, WheelCalibrationAfterAMeasurementLeavesTheDocumentOpen)
{
    AppHarness h;
    MeasuringDocument* doc = StartMeasuring(h, "Wheel");
    ASSERT_NE(doc, nullptr);
    h.app->MainWindow()->StatusTimer().stop();
    ASSERT_TRUE(h.app->MainWindow()->RunCommand(cmd::kStop));
    ASSERT_FALSE(h.app->m_status.IsMeasuring());
    h.app->m_runners.newWheelCalibration = RunNewWheelCalibration;
    h.log.clear();

    bool counted = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CNewWheel*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        dlg->findChild<QPushButton*>("c1154")->click();  // Start calibration
        counted = ProcessUntil([&] { return Count(net.Unit().Requests(), unitcmd::kReadWheelCounter) >= 2; });
        dlg->findChild<QPushButton*>("c1158")->click();  // Stop calibration
        dlg->findChild<QPushButton*>("c1")->click();     // OK
    });
    EXPECT_TRUE(h.app->MainWindow()->RunCommand(cmd::kNewWheel));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();

    EXPECT_TRUE(counted);
    EXPECT_EQ(h.app->m_params.GetWheelCount(), 1);
    EXPECT_EQ(h.app->MainWindow()->DocumentCount(), 1);
    EXPECT_EQ(h.app->ActiveDocument(), doc);
    EXPECT_EQ(std::count(h.log.begin(), h.log.end(), "measuring close"), 0);
    h.Exit();
}
