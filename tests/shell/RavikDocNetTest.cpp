// The radar document end to end against the simulated control unit over a veth pair: the
// application's Start creates the document and a new data set, traces stream in, Stop
// rewrites the headers; Start again continues the set; the stored set opens for viewing and
// closes; keyboard mode takes one trace per TRIGG. Needs root.

#include "tests/shell/AppDoubles.h"

#include "link/Measurement.h"
#include "model/AppSettings.h"
#include "model/RadarData.h"
#include "model/TraceCache.h"
#include "shell/CommandIds.h"
#include "shell/FrameCommands.h"
#include "shell/RavikDoc.h"
#include "tests/support/SimVethFixture.h"

#include <QCoreApplication>
#include <QMdiArea>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace {

// The bytes the unit's streamed traces of channel A1 make in a data file, in order.
std::string SentBytes(CSimUnit& unit, int samples)
{
    std::string bytes;
    for (const SimTrace& t : unit.SentTraces(0)) {
        if (t.requested)
            continue;
        for (int j = 0; j < samples; ++j) {
            const auto v = static_cast<std::uint16_t>(j < static_cast<int>(t.samples.size()) ? t.samples[j] : 0);
            bytes.push_back(static_cast<char>(v & 0xFF));
            bytes.push_back(static_cast<char>(v >> 8));
        }
    }
    return bytes;
}

class RavikDocNet : public SimVethTest {
protected:
    void StartProgram(std::uint8_t trigType)
    {
        std::string error;
        ASSERT_TRUE(net.StartUnit(CSimUnitConfig::Tolam(), error)) << error;
        h.realUnit = true;
        h.realData = true;
        h.realAcquisition = true;
        h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
        ::mkdir(folder.c_str(), 0755);
        {
            CScopedNetns inside(net.HostNetns().Fd());
            ASSERT_TRUE(inside.Ok()) << inside.Error();
            h.Construct();
            ASSERT_TRUE(h.app->InitInstance());
        }
        ASSERT_TRUE(h.app->m_status.IsConnected());
        CRavikApp& app = *h.app;
        app.m_docTemplate.SetFactory([&app] { return std::make_unique<CRavikDoc>(app); });
        app.m_settings.m_strDataFolder = folder;
        app.m_settings.m_strBaseName = "Doc";
        MeasureChannelA1Only(app.m_params, trigType);
    }
    CRavikDoc* Doc() { return dynamic_cast<CRavikDoc*>(h.app->ActiveDocument()); }
    int Traces() { return h.app->DataSet()->TraceCount(0); }
    std::string Rd3() { return ReadFileBytes(folder + "Doc_0001_A1.rd3"); }
    std::string Rad() { return ReadFileBytes(folder + "Doc_0001_A1.rad"); }

    AppHarness h;
    std::string folder = h.dir.path() + "/data/";
};

} // namespace

TEST_F(RavikDocNet, MeasureStopContinueAndViewTheStoredSet)
{
    StartProgram(128);  // time mode
    CRavikApp& app = *h.app;

    ASSERT_TRUE(app.OnCommand(cmd::kStart)) << "Start makes the document";
    ASSERT_NE(Doc(), nullptr);
    ASSERT_TRUE(app.m_status.IsMeasuring());
    ASSERT_TRUE(ProcessUntil([&] { return Traces() >= 20; }));
    ASSERT_TRUE(app.OnCommand(cmd::kStop));
    EXPECT_FALSE(app.m_status.IsMeasuring());

    const int samples = HeaderValue(Rad(), "SAMPLES:");
    ASSERT_EQ(samples, 256);
    const std::string first = Rd3();
    const int stored = static_cast<int>(first.size() / (2 * samples));
    EXPECT_EQ(HeaderValue(Rad(), "LAST TRACE:"), stored);
    EXPECT_EQ(Traces(), stored);
    EXPECT_TRUE(first == SentBytes(net.Unit(), samples)) << "every trace the unit sent, byte for byte and in order";

    // Start again on a channel holding traces: the same set grows.
    ASSERT_TRUE(app.OnCommand(cmd::kStart));
    ASSERT_TRUE(ProcessUntil([&] { return Traces() >= stored + 10; }));
    ASSERT_TRUE(app.OnCommand(cmd::kStop));
    const std::string grown = Rd3();
    const int total = static_cast<int>(grown.size() / (2 * samples));
    EXPECT_GE(total, stored + 10);
    EXPECT_EQ(HeaderValue(Rad(), "LAST TRACE:"), total);
    EXPECT_EQ(grown.substr(0, first.size()), first) << "the continued set keeps its traces";
    EXPECT_FALSE(std::filesystem::exists(folder + "Doc_0002_A1.rd3")) << "no second set";

    // The stored set in file view mode: the same traces, no measurement on it.
    h.app->MainWindow()->CloseDocument(Doc());
    ASSERT_EQ(app.ActiveDocument(), nullptr);
    ASSERT_NE(app.OpenDocumentFile(folder + "Doc_0001_A1.rd3"), nullptr);
    CRavikDoc* viewed = Doc();
    ASSERT_NE(viewed, nullptr);
    EXPECT_EQ(app.m_status.m_bOldDataFile.load(), 1);
    EXPECT_EQ(Traces(), total);
    std::vector<std::int16_t> rows(2 * 2048);
    EXPECT_EQ(viewed->CopyTraces(total - 2, 2, rows.data(), 2048, 2048), total);
    EXPECT_EQ(std::memcmp(rows.data() + 2048, grown.data() + (total - 1) * samples * 2, samples * 2), 0)
        << "the view reads the last stored trace";
    const auto requestsBefore = net.Unit().Requests().size();
    app.OnCommand(cmd::kStart);
    EXPECT_FALSE(app.m_status.IsMeasuring()) << "no measurement on a stored set";
    EXPECT_EQ(net.Unit().Requests().size(), requestsBefore) << "nothing on the wire";
    h.app->MainWindow()->CloseDocument(viewed);
    EXPECT_EQ(app.m_status.m_bOldDataFile.load(), 0);
    EXPECT_EQ(Rd3(), grown) << "viewing changes nothing";
}

TEST_F(RavikDocNet, KeyboardModeTakesOneTracePerTrigg)
{
    StartProgram(255);
    CRavikApp& app = *h.app;
    ASSERT_TRUE(app.OnCommand(cmd::kStart));
    CRavikDoc* doc = Doc();
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(app.m_status.IsMeasuring());
    ASSERT_TRUE(doc->IsCommandEnabled(cmd::kTrigger));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(doc->OnCommand(cmd::kTrigger));
    EXPECT_EQ(Traces(), 3);
    ASSERT_TRUE(app.OnCommand(cmd::kStop));
    EXPECT_FALSE(doc->IsCommandEnabled(cmd::kTrigger));
    EXPECT_EQ(HeaderValue(Rad(), "LAST TRACE:"), 3);
    EXPECT_EQ(Rd3().size(), 3u * 256 * 2);
}

TEST_F(RavikDocNet, ClosingTheProgramStopsTheMeasurementWhenNoWindowIsActive)
{
    StartProgram(128);
    CRavikApp& app = *h.app;
    ASSERT_TRUE(app.OnCommand(cmd::kStart));
    ASSERT_TRUE(ProcessUntil([&] { return Traces() >= 10; }));
    auto* area = app.MainWindow()->findChild<QMdiArea*>();
    ASSERT_NE(area, nullptr);
    area->setActiveSubWindow(nullptr);
    ASSERT_EQ(app.ActiveDocument(), nullptr);

    h.Exit();
    EXPECT_FALSE(app.m_status.IsMeasuring());
    const int samples = HeaderValue(Rad(), "SAMPLES:");
    ASSERT_GT(samples, 0);
    EXPECT_EQ(HeaderValue(Rad(), "LAST TRACE:"), static_cast<int>(Rd3().size() / (2 * samples)));
    EXPECT_TRUE(Rd3() == SentBytes(net.Unit(), samples)) << "the last traces the unit sent are in the file";
}
