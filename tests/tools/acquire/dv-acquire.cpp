// dv-acquire: runs measurements as the program does, without windows: start-up, one or more
// measurements with the saved settings, exit. A test-support command; not part of the
// program. Its network side opens a real interface: run it only inside a network
// namespace whose interfaces were made for the purpose (the veth end of tests/tools/unitsim/
// dv-veth: "dv-veth run --sim '...' -- dv-acquire ...").
//
// Usage: dv-acquire [options]
//   --iface NAME   open this interface instead of the adapter that the saved "Iface_index"
//                  names; the saved index is left as it was
//   --seconds S    wheel and time mode: stop after S seconds (default 5); with --traces, the
//                  longest a run may take (default 600)
//   --traces N     wheel and time mode: stop once the current channel holds N traces more
//                  than when the run started
//   --enter K      keyboard mode: press Enter K times (default 1)
//   --runs R       R measurements one after the other; each later one continues the data set
//                  of the first (default 1)
//   --stats        after each run, the acquisition's and the link's counters on stdout
//   --ring WORDS   the data ring's size in 16-bit words (default the program's, 16,000,000)
//   --help         this text on stdout
// Any other argument: the usage on stderr, exit status 2, nothing read or written.
//
// Environment, as the program takes it: XDG_CONFIG_HOME (else HOME/.config) for the
// settings folder <config>/Delvora with its four files and the profile
// "<config>/Vostrel Geodata/Delvora for Tolam.ini"; HOME and user-dirs.dirs for the
// documents folder (the data folder when the profile names none).
//
// Start: the four settings files and the profile sections "settings" and "GPS Settings" are
// read; the link opens its adapter and the unit is looked for (as after Connect); when it
// answers, it gets the country code and the channels and sample intervals are brought in
// line with it. Each run: the document's Start (a new data set "<Default file name>_NNNN" in
// the data folder "CurrentDir", or the open one continued), the measurement until its end
// (above), the unit's marker input placed as marker 1 on every active channel, then the
// document's Stop, which puts the data files on the disk and then rewrites the headers
// (each on the disk when the Stop returns). An error that ends the acquisition stops the
// run at once, as in the program. Exit: the profile, then last_used_param, preset_param,
// global_settings and wheel_presets are written; the unit gets its stop command.
//
// stdout, one line each, in order:
//   dataset PATH          the data set (folder and set name) once it is created
//   message ID            a message the operator would be shown (string table id)
//   text TEXT             a message whose text is not in the string table
//   traces CHANNEL COUNT  after each run, each active channel ("A1" .. "H2") and its traces
//   counter NAME VALUE    with --stats, after each run (seconds: the run's length)
// stderr: notes the program would not show (no unit, adapter choice).
// Exit status: 0 once it has run, whatever it reported; 1 when no unit answered (nothing
// was measured; settings are still saved); 2 for a usage error. SIGINT and SIGTERM stop a
// running measurement as the Stop command does; the program then exits as above. SIGXFSZ
// is ignored as in the program, so a file-size limit is a full disk.

#include "link/Acquisition.h"
#include "link/CDriver.h"
#include "link/DataRing.h"
#include "link/DriverUnitInfo.h"
#include "link/Measurement.h"
#include "link/SystemAdapterLister.h"
#include "link/UnitSync.h"
#include "model/AppSettings.h"
#include "model/GpsSettingsTarget.h"
#include "model/MeasParamSet.h"
#include "model/PlatformPaths.h"
#include "model/Prompter.h"
#include "model/RadarData.h"
#include "shell/QtProfile.h"

#include <atomic>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

namespace {

const char* const kUsage =
    "usage: dv-acquire [--iface NAME] [--seconds S] [--traces N] [--enter K] [--runs R] [--stats] [--ring WORDS]\n"
    "                  [--help]\n"
    "Starts as the program does, runs measurements with the saved settings, exits as the\n"
    "program does, and prints the data set and each message it would show.\n";

std::atomic<bool> g_stop{false};

extern "C" void OnSignal(int)
{
    g_stop = true;
}

class PrintingPrompter : public Prompter {
public:
    void message(int id) override { std::printf("message %d\n", id); }
    bool askYesNo(int id) override
    {
        std::printf("question %d\n", id);
        return false;
    }
    void messageText(const std::string& text) override { std::printf("text %s\n", text.c_str()); }
};

// No receiver in this tool: the GPS settings are kept as stored and saved back.
class StoredGps : public GpsSettingsTarget {
public:
    Values GetGpsValues() const override { return m_values; }
    void SetGpsValues(const Values& values) override { m_values = values; }
    void Enable(bool on) override { m_on = on; }
    bool IsOpen() const override { return m_on; }

private:
    Values m_values;
    bool m_on = false;
};

// The posted notifications, handled on the main thread as the application does.
class NoticeQueue {
public:
    void Post(AcqNotice n)
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_queue.push_back(n);
        }
        m_posted.notify_one();
    }
    bool Take(AcqNotice& n, int waitMs)
    {
        std::unique_lock<std::mutex> hold(m_lock);
        if (m_queue.empty())
            m_posted.wait_for(hold, std::chrono::milliseconds(waitMs));
        if (m_queue.empty())
            return false;
        n = m_queue.front();
        m_queue.pop_front();
        return true;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_posted;
    std::deque<AcqNotice> m_queue;
};

struct Options {
    std::string iface;
    double seconds = -1;
    long traces = -1;
    int enter = 1;
    int runs = 1;
    bool stats = false;
    std::uint32_t ringWords = DataRing::kDefaultWords;
};

bool ParseNumber(const char* text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && out >= 0;
}

int ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](double& out) { return i + 1 < argc && ParseNumber(argv[++i], out); };
        double v = 0;
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--iface" && i + 1 < argc) {
            o.iface = argv[++i];
        } else if (a == "--seconds" && value(v)) {
            o.seconds = v;
        } else if (a == "--traces" && value(v)) {
            o.traces = static_cast<long>(v);
        } else if (a == "--enter" && value(v)) {
            o.enter = static_cast<int>(v);
        } else if (a == "--runs" && value(v) && v >= 1) {
            o.runs = static_cast<int>(v);
        } else if (a == "--stats") {
            o.stats = true;
        } else if (a == "--ring" && value(v) && v >= 16 && v <= 1e9) {
            o.ringWords = static_cast<std::uint32_t>(v);
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    return -1;
}

std::string ChannelName(int k)
{
    return GetSlotLetter(k / 2) + std::to_string(k % 2 + 1);
}

class Program {
public:
    explicit Program(const Options& options) : m_options(options), m_params(PlatformPaths::SettingsFolder()) {}

    int Run();

private:
    bool StartUp();
    void Exit();
    void Measure(int run);
    void RunContinuous();
    void RunKeyboard();
    void HandleNotices(int waitMs, bool& ended);
    void AddMarker(int n);
    void Report(double seconds);
    std::int32_t Traces(int k);

    Options m_options;
    PrintingPrompter m_prompter;
    StoredGps m_gps;
    CMeasParamSet m_params;
    QtProfile m_profile;
    CAppSettings m_settings;
    std::int16_t m_toolIndex = 0;
    std::vector<std::string> m_descriptions;
    CAcquisitionStatus m_status;
    CAppLocks m_locks;
    NoticeQueue m_notices;
    std::unique_ptr<CDriver> m_driver;
    std::unique_ptr<DriverUnitInfo> m_unit;
    std::unique_ptr<CRadarData> m_data;
    std::unique_ptr<CAcquisition> m_acq;
    std::unique_ptr<CMeasurement> m_measurement;
    std::string m_announced;
};

bool Program::StartUp()
{
    m_params.LoadAll(m_prompter);
    m_settings.LoadSettings(m_profile, m_gps);

    std::unique_ptr<AdapterLister> lister;
    if (!m_options.iface.empty()) {
        std::vector<Adapter> all;
        std::string error;
        SystemAdapterLister().List(all, error);
        std::vector<Adapter> chosen;
        for (const Adapter& a : all)
            if (a.name == m_options.iface)
                chosen.push_back(a);
        if (chosen.empty())
            std::fprintf(stderr, "dv-acquire: no Ethernet interface %s here\n", m_options.iface.c_str());
        lister = std::make_unique<FixedAdapterLister>(chosen);
    }
    m_driver = std::make_unique<CDriver>(&m_params.m_nCurSlot, nullptr, std::move(lister), m_options.ringWords);
    if (m_options.iface.empty())
        m_driver->Link().BindAdapterChoice(&m_settings.m_nIfaceIndex, &m_descriptions);
    else
        m_driver->Link().BindAdapterChoice(&m_toolIndex, &m_descriptions);
    m_driver->Link().SetPrompter(&m_prompter);
    m_unit = std::make_unique<DriverUnitInfo>(*m_driver);
    DataSetContext context{m_params, m_prompter, m_locks.Driver, m_locks.Em, m_unit.get(), nullptr,
                           [this] { return m_status.IsMeasuring(); },
                           [this] { return m_status.m_bOldDataFile.load() != 0; }};
    m_data = std::make_unique<CRadarData>(context);
    AcquisitionContext ac{m_params, *m_data, *m_driver, m_status, m_locks, m_prompter};
    ac.post = [this](AcqNotice n) { m_notices.Post(n); };
    m_acq = std::make_unique<CAcquisition>(ac);
    MeasurementHooks hooks;
    hooks.dataFolder = [this] { return m_settings.m_strDataFolder; };
    hooks.baseName = [this] { return m_settings.m_strBaseName; };
    m_measurement = std::make_unique<CMeasurement>(*m_acq, hooks);

    {
        std::lock_guard<std::recursive_mutex> measure(m_locks.Measure);
        m_acq->DetectUnit(true);
    }
    if (!m_status.IsConnected()) {
        std::fprintf(stderr, "dv-acquire: no control unit answered\n");
        return false;
    }
    std::lock_guard<std::recursive_mutex> driver(m_locks.Driver);
    m_driver->SetCountry(static_cast<std::uint8_t>(m_params.m_nCountry));
    SyncChannelsWithUnit(*m_driver, m_params);
    ReadSampleIntervals(*m_driver, m_params);
    return true;
}

void Program::Exit()
{
    if (m_measurement)
        m_measurement->StopMeasurement();
    m_measurement.reset();
    if (m_data)
        m_data->CloseFiles(true);
    if (!m_settings.SaveSettings(m_profile, m_gps))
        std::fprintf(stderr, "dv-acquire: the profile %s could not be written\n", m_profile.path().c_str());
    if (m_driver) {
        std::lock_guard<std::recursive_mutex> driver(m_locks.Driver);
        if (m_status.IsConnected())
            m_driver->StopAcquisition();
    }
    m_params.SaveAll(m_prompter);
    m_acq.reset();
    m_data.reset();
    m_driver.reset();
}

std::int32_t Program::Traces(int k)
{
    std::lock_guard<std::recursive_mutex> display(m_locks.Display);
    return m_data->GetChannel(k).GetTraceCount();
}

void Program::AddMarker(int n)
{
    if (!m_status.IsMeasuring())
        return;
    // As the program does: slots may run at different intervals, so each channel is marked
    // at its own trace count.
    for (int k = 0; k < CMeasParamSet::kChannels; ++k) {
        if (!m_params.m_params[k].m_bActive)
            continue;
        const std::int32_t trace = Traces(k);
        if (trace >= 0)
            m_data->GetMarkerFile(k).AddMarker(static_cast<std::uint32_t>(trace), 0, static_cast<std::uint16_t>(n));
    }
}

void Program::HandleNotices(int waitMs, bool& ended)
{
    AcqNotice n;
    while (m_notices.Take(n, waitMs)) {
        waitMs = 0;
        if (n == AcqNotice::MarkerKey1) {
            AddMarker(1);
        } else if (n == AcqNotice::AcquisitionEnded && m_status.IsMeasuring()) {
            m_measurement->OnMeasureStop();
            ended = true;
        }
    }
}

void Program::RunContinuous()
{
    const bool byTraces = m_options.traces >= 0;
    const double limit = m_options.seconds >= 0 ? m_options.seconds : (byTraces ? 600.0 : 5.0);
    const int k = std::clamp<int>(m_params.m_nCurSlot, 0, 7) * 2 + std::clamp<int>(m_params.m_nCurChannel, 0, 1);
    const std::int64_t target = std::int64_t{Traces(k)} + m_options.traces;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(limit);
    bool ended = false;
    while (!ended && !g_stop && std::chrono::steady_clock::now() < end) {
        HandleNotices(10, ended);
        if (byTraces && Traces(k) >= target)
            break;
    }
}

void Program::RunKeyboard()
{
    for (int i = 0; i < m_options.enter && !g_stop && m_status.IsMeasuring(); ++i) {
        m_measurement->OnTrigg();
        bool ended = false;
        HandleNotices(0, ended);
    }
}

void Program::Measure(int run)
{
    (void)run;
    const auto began = std::chrono::steady_clock::now();
    const int started = m_measurement->OnMeasureStart();
    const std::string set = m_data->GetSetName();
    if (!set.empty() && set != m_announced) {
        m_announced = set;
        std::printf("dataset %s%s\n", PlatformPaths::WithTrailingSlash(m_settings.m_strDataFolder).c_str(), set.c_str());
    }
    if (started == kStartOk && m_status.IsMeasuring()) {
        if (m_params.m_nTrigType == 255)
            RunKeyboard();
        else
            RunContinuous();
        bool ended = false;
        HandleNotices(0, ended);
        if (m_status.IsMeasuring())
            m_measurement->OnMeasureStop();
    }
    Report(std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
}

void Program::Report(double seconds)
{
    for (int k = 0; k < CMeasParamSet::kChannels; ++k)
        if (m_params.m_params[k].m_bActive && m_data->GetChannel(k).IsOpen())
            std::printf("traces %s %d\n", ChannelName(k).c_str(), Traces(k));
    if (!m_options.stats)
        return;
    const AcquisitionCounters a = m_acq->Counters();
    const LinkCounters l = m_driver->Link().Counters();
    const std::pair<const char*, std::uint64_t> counters[] = {
        {"records", a.records}, {"tracesStored", a.tracesStored}, {"fillTraces", a.fillTraces},
        {"discardedTraces", a.discardedTraces}, {"tracesWithoutFile", a.tracesWithoutFile},
        {"malformedRecords", a.malformedRecords}, {"strayTraces", a.strayTraces},
        {"unknownRecords", a.unknownRecords},
        {"oversizedGaps", a.oversizedGaps}, {"sensorRecords", a.sensorRecords}, {"markerEdges", a.markerEdges},
        {"drainedRecords", a.drainedRecords}, {"framesTaken", l.framesTaken}, {"framesIgnored", l.framesIgnored},
        {"dataFrames", l.dataFrames}, {"truncatedFrames", l.truncatedFrames}, {"shortFrames", l.shortFrames},
        {"badPadFrames", l.badPadFrames}, {"sequenceGaps", l.sequenceGaps},
        {"fragmentOrderDrops", l.fragmentOrderDrops}, {"missingLastDrops", l.missingLastDrops},
        {"strayFragmentDrops", l.strayFragmentDrops}, {"ringOverflows", l.ringOverflows},
        {"badRecordMessages", l.badRecordMessages}, {"replyOverflows", l.replyOverflows},
        {"eventOverflows", l.eventOverflows},
        {"messagesCommitted", l.messagesCommitted}, {"captureReceived", l.captureReceived},
        {"captureDropped", l.captureDropped}, {"captureIfDropped", l.captureIfDropped},
        {"captureFailures", l.captureFailures},
    };
    for (const auto& [name, value] : counters)
        std::printf("counter %s %llu\n", name, static_cast<unsigned long long>(value));
    std::printf("counter seconds %.3f\n", seconds);
}

int Program::Run()
{
    const bool found = StartUp();
    if (found)
        for (int run = 0; run < m_options.runs && !g_stop; ++run)
            Measure(run);
    Exit();
    return found ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    const int parsed = ParseOptions(argc, argv, options);
    if (parsed >= 0)
        return parsed;
    std::signal(SIGXFSZ, SIG_IGN);
    struct sigaction stop {};
    stop.sa_handler = OnSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    std::setlocale(LC_ALL, "");  // as the program's window framework does
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return Program(options).Run();
}
