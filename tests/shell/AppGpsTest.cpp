// The application object with the program's GPS receiver on a pseudo-terminal: a fix from
// the receiver thread reaches the data set's GPS logs through the posted GPS update, and a
// message of the receiver's thread reaches the operator.

#include "tests/shell/AppDoubles.h"

#include "model/AppSettings.h"
#include "model/RadarData.h"
#include "shell/AppEvents.h"
#include "shell/AppGps.h"
#include "tests/gps/GpsTestSupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>

namespace {

// The receiver guards its sentence and its published fix with its own parse and fix locks;
// the application keeps no second pair that no thread would take.
template <typename Locks>
constexpr bool kHoldsGpsLocks = requires(Locks& l) { l.GpsParse; } || requires(Locks& l) { l.GpsFix; };
static_assert(!kHoldsGpsLocks<CAppLocks>, "the GPS locks live in the receiver alone");

} // namespace

TEST(AppGps, FixWhileMeasuringWritesOneLogRecordPerChannelWithNewTracesAndLoggingStaysOnAtExit)
{
    PtyPair pty;
    AppHarness h;
    h.realGps = true;
    h.realData = true;
    h.profile.writeString(CAppSettings::kGpsSection, "Device COM1", pty.SlavePath());
    h.profile.writeInt(CAppSettings::kGpsSection, "Comm. Port", 0);
    h.profile.writeInt(CAppSettings::kGpsSection, "Protocol", 1);
    h.profile.writeInt(CAppSettings::kGpsSection, "Output format", 0);
    h.profile.writeInt(CAppSettings::kGpsSection, "Log GPS On/Off", 1);
    h.Start();
    ASSERT_TRUE(h.app->Gps()->IsOpen()) << "receiver on the pseudo-terminal";

    for (auto& p : h.app->m_params.m_params)
        p.m_bActive = 0;
    h.app->m_params.m_params[0].m_bActive = 1;
    h.app->m_params.m_params[1].m_bActive = 1;
    const std::string folder = h.dir.path() + "/data/";
    ::mkdir(folder.c_str(), 0755);
    CRadarData* radar = h.app->DataSet()->Radar();
    ASSERT_EQ(radar->CreateFiles(folder, "Gps"), 0);
    h.OpenFakeDocument();
    h.app->m_status.m_bMeasuring = 1;
    {
        std::lock_guard display(h.app->m_locks.Display);
        radar->GetChannel(0).m_Header.m_nLastTrace = 5;  // channel 1 has no traces yet
    }

    pty.Feed(NmeaWithChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"));
    const std::string a1 = folder + "Gps_0001_A1.cor";
    ASSERT_TRUE(ProcessUntil([&] { return ReadFileBytes(a1).find("\r\n") != std::string::npos; }))
        << "no record in " << a1;
    const std::string record = ReadFileBytes(a1);
    EXPECT_EQ(record.rfind("5\t", 0), 0u) << record;
    EXPECT_NE(record.find("48.1173"), std::string::npos) << record;
    EXPECT_EQ(ReadFileBytes(folder + "Gps_0001_A2.cor"), "");  // no new traces there

    h.app->m_status.m_bMeasuring = 0;
    radar->CloseFiles(true);
    h.Exit();
    EXPECT_FALSE(h.app->Gps()->IsOpen());
    EXPECT_EQ(h.profile.getInt(CAppSettings::kGpsSection, "Log GPS On/Off", -1), 1);
}

TEST(AppGps, FailureOnTheReceiverThreadIsShownAsAnErrorOnTheUserInterfaceThread)
{
    AppHarness h;
    h.Start();
    h.log.clear();
    std::thread worker([] { PostAppMessage("Exception"); });
    worker.join();
    QCoreApplication::sendPostedEvents(h.app.get());
    EXPECT_EQ(h.log, EventLog{"error text Exception"});
}
