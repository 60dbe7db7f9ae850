// Recording doubles of the application object's parts, and a fixture that builds the
// application from them with a memory profile and a temporary settings folder.
#pragma once

#include "model/Profile.h"
#include "model/Prompter.h"
#include "shell/AppDataSet.h"
#include "shell/AppDocument.h"
#include "shell/ControlUnit.h"
#include "shell/GpsControl.h"
#include "shell/MainFrame.h"
#include "shell/PositionBar.h"
#include "shell/RavikApp.h"
#include "shell/TickClock.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// One log of everything the doubles saw, in order.
using EventLog = std::vector<std::string>;

class LoggingPrompter : public Prompter {
public:
    explicit LoggingPrompter(EventLog& log) : m_log(log) {}
    void message(int id) override
    {
        ids.push_back(id);
        m_log.push_back("message " + std::to_string(id));
    }
    bool askYesNo(int id) override
    {
        m_log.push_back("question " + std::to_string(id));
        return answerYes;
    }
    void messageText(const std::string& text) override
    {
        texts.push_back(text);
        m_log.push_back("text " + text);
    }
    void errorText(const std::string& text) override
    {
        texts.push_back(text);
        m_log.push_back("error text " + text);
    }
    void ownerlessError(const std::string& caption, const std::string& text) override
    {
        texts.push_back(text);
        m_log.push_back("ownerless error " + caption + ": " + text);
    }
    std::vector<int> ids;
    std::vector<std::string> texts;
    bool answerYes = false;

private:
    EventLog& m_log;
};

// A memory profile that logs the first write of each section.
class LoggingProfile : public MemoryProfile {
public:
    explicit LoggingProfile(EventLog& log) : m_log(log) {}
    bool logging = true;

protected:
    bool WriteValue(const std::string& s, const std::string& k, const Value& v) override
    {
        if (logging && (m_log.empty() || m_log.back() != "profile " + s))
            m_log.push_back("profile " + s);
        return MemoryProfile::WriteValue(s, k, v);
    }

private:
    EventLog& m_log;
};

class FakeClock : public TickClock {
public:
    std::uint32_t Now() const override { return now; }
    std::uint32_t now = 0;
};

// Each double also notes whether the settings files existed at the moment it was closed
// or destroyed, so a test can tell whether they were written before or after.
class SettingsFiles {
public:
    explicit SettingsFiles(std::string folder) : m_folder(std::move(folder)) {}
    bool AnyExists() const;
    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
};

class FakeGps : public GpsControl {
public:
    FakeGps(EventLog& log, const SettingsFiles& files) : m_log(log), m_files(files) {}
    ~FakeGps() override { m_log.push_back(std::string("gps destroyed") + (m_files.AnyExists() ? " after save" : "")); }
    Values GetGpsValues() const override { return values; }
    void SetGpsValues(const Values& v) override
    {
        values = v;
        m_log.push_back("gps settings");
    }
    void Enable(bool on) override
    {
        open = on;
        m_log.push_back(on ? "gps on" : "gps off");
    }
    bool IsOpen() const override { return open; }
    CGPSFix CopyFix() const override { return fix; }
    void StopRunning() override { m_log.push_back("gps stop running"); }
    void Close() override
    {
        open = false;
        m_log.push_back(std::string("gps close") + (m_files.AnyExists() ? " after save" : ""));
    }
    Values values;
    bool open = false;
    CGPSFix fix;

private:
    EventLog& m_log;
    const SettingsFiles& m_files;
};

class FakeUnit : public ControlUnit {
public:
    FakeUnit(EventLog& log, const SettingsFiles& files) : m_log(log), m_files(files) {}
    ~FakeUnit() override { m_log.push_back(std::string("unit destroyed") + (m_files.AnyExists() ? " after save" : "")); }
    bool Detect() override
    {
        m_log.push_back("unit detect");
        if (onDetect)
            onDetect();
        return present;
    }
    int SetCountry(std::uint8_t c) override
    {
        m_log.push_back("unit country " + std::to_string(c));
        return 0;
    }
    void SyncChannelsWithUnit(CMeasParamSet&) override { m_log.push_back("unit sync channels"); }
    void ReadSampleIntervals(CMeasParamSet&) override { m_log.push_back("unit sample intervals"); }
    int StopAcquisition() override
    {
        m_log.push_back("unit stop acquisition");
        return 0;
    }
    int OpenLink() override
    {
        m_log.push_back("unit open link");
        return 0;
    }
    void CloseLink() override { m_log.push_back(std::string("unit close link") + (m_files.AnyExists() ? " after save" : "")); }
    bool IsModularUnit() override { return modular; }
    int GetModuleType(int slot) override { return modules[static_cast<std::size_t>(slot)]; }
    std::optional<std::uint8_t> ReadModuleStatusByte(int slot, std::int16_t index) override
    {
        const auto it = moduleStatus.find(slot);
        if (it == moduleStatus.end())
            return std::nullopt;
        return index == 0 ? it->second : std::uint8_t{0};
    }
    // One trace of the current channel as the unit would measure it with that channel's
    // parameters: zero but for one reflection (+12000, -12000) at the sample where the
    // signal position plus the sample's offset reaches `reflectionAt`. 0 when the unit does
    // not answer (`traceAnswers` false).
    int SingleTrace(const CMeasParamSet& params, std::int16_t* out, int capacity)
    {
        const CMeasParam& c = params.m_params[params.m_nCurSlot * 2 + params.m_nCurChannel];
        traceRequests.push_back(c);
        if (!traceAnswers)
            return 0;
        const int n = std::min<int>(c.m_nSamples, capacity);
        for (int i = 0; i < n; ++i) {
            const std::int64_t at = c.m_nSignalPosition + static_cast<std::int64_t>(i) * c.m_nFrequencySteps;
            out[i] = 0;
            if (reflectionAt >= 0 && at >= reflectionAt && at < reflectionAt + c.m_nFrequencySteps)
                out[i] = 12000;
            else if (reflectionAt >= 0 && at >= reflectionAt + c.m_nFrequencySteps &&
                     at < reflectionAt + 2 * c.m_nFrequencySteps)
                out[i] = -12000;
        }
        return n;
    }
    int SetTriggerSource(int address, std::uint8_t kind, int source) override
    {
        m_log.push_back("unit trigger source " + std::to_string(address) + " " + char(kind) + " " +
                        std::to_string(source));
        return 0;
    }
    int EnableWheel(int address) override
    {
        m_log.push_back("unit enable wheel " + std::to_string(address));
        return 0;
    }
    int DisableWheel(int address) override
    {
        m_log.push_back("unit disable wheel " + std::to_string(address));
        return 0;
    }
    int SetWheelCounter(int address, std::int16_t run, int start) override
    {
        m_log.push_back("unit wheel counter " + std::to_string(address) + " " + std::to_string(run) + " " +
                        std::to_string(start));
        return 0;
    }
    // Each read takes the next scripted count; without one the unit does not answer.
    std::optional<std::uint32_t> ReadWheelCounter(int address) override
    {
        m_log.push_back("unit read wheel " + std::to_string(address));
        if (wheelCounts.empty())
            return std::nullopt;
        const std::uint32_t v = wheelCounts.front();
        wheelCounts.erase(wheelCounts.begin());
        return v;
    }
    std::optional<std::uint32_t> ReadUnitInfo(int address, std::uint8_t item) override
    {
        m_log.push_back("unit read info " + std::to_string(address) + " " + std::to_string(item));
        return unitId;
    }
    std::vector<std::string> ListAdapters() override { return adapters; }
    std::vector<std::uint32_t> wheelCounts;
    std::optional<std::uint32_t> unitId;
    std::vector<std::string> adapters;
    bool present = true;
    bool modular = true;
    std::array<int, 8> modules{};  // module type per slot
    std::function<void()> onDetect;  // what happens while the unit is asked (a message shows)
    std::map<int, std::uint8_t> moduleStatus;  // status byte 0 of the slots that answer
    std::int64_t reflectionAt = -1;            // none: the unit sees only a flat trace
    bool traceAnswers = true;
    std::vector<CMeasParam> traceRequests;     // the channel as each trace was asked

private:
    EventLog& m_log;
    const SettingsFiles& m_files;
};

struct MarkerCall {
    int channel;
    std::uint32_t trace;
    std::uint16_t value;
    std::uint16_t type;
    bool operator==(const MarkerCall&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const MarkerCall& m)
{
    return out << "{channel " << m.channel << ", trace " << m.trace << ", value " << m.value << ", type " << m.type
               << "}";
}

class FakeDataSet : public AppDataSet {
public:
    FakeDataSet(EventLog& log, const SettingsFiles& files) : m_log(log), m_files(files) {}
    ~FakeDataSet() override { m_log.push_back(std::string("data destroyed") + (m_files.AnyExists() ? " after save" : "")); }
    void SetHeaderDefaults() override { m_log.push_back("data header defaults"); }
    std::int32_t TraceCount(int k) override { return traces[k]; }
    bool GpsLogWantsRecord(int k, std::int32_t count) override { return gpsLastTrace[k] != count; }
    void WriteGpsRecord(int k, std::int32_t trace) override
    {
        gpsRecords.push_back({k, trace});
        gpsLastTrace[k] = trace;
    }
    void AddMarker(int k, std::uint32_t trace, std::uint16_t value, std::uint16_t type) override
    {
        markers.push_back({k, trace, value, type});
    }
    std::map<int, std::int32_t> traces;
    std::map<int, std::int32_t> gpsLastTrace;
    std::vector<std::pair<int, std::int32_t>> gpsRecords;
    std::vector<MarkerCall> markers;

private:
    EventLog& m_log;
    const SettingsFiles& m_files;
};

class FakeDocument : public AppDocument {
public:
    explicit FakeDocument(EventLog& log, std::string name = "doc") : m_log(log), m_name(std::move(name)) {}
    bool OnNewDocument() override
    {
        Note("new");
        return newResult;
    }
    bool OnOpenDocument(const std::string& path) override
    {
        Note("open " + path);
        return openResult;
    }
    void OnCloseDocument() override { Note("close"); }
    void OnMeasureStart() override { Note("start"); }
    void OnMeasureStop() override { Note("stop"); }
    void StopMeasurement() override { Note("stop measurement"); }
    void RefreshViews() override
    {
        ++refreshes;
        Note("refresh");
    }
    int refreshes = 0;
    bool newResult = true;
    bool openResult = true;

private:
    void Note(const std::string& what) { m_log.push_back(m_name + " " + what); }
    EventLog& m_log;
    std::string m_name;
};

class CountingBar : public CWorkload {
public:
    explicit CountingBar(CRavikApp& app) : CWorkload(app) {}
    void Update() override { ++updates; }
    int updates = 0;
};

// The real main frame with a position bar that counts its updates.
class TestFrame : public CMainFrame {
public:
    explicit TestFrame(CRavikApp& app) : CMainFrame(app), bar(app) {}
    ~TestFrame() override
    {
        if (onDestroyed)
            onDestroyed();
    }
    CWorkload& PositionBar() override { return bar; }
    CountingBar bar;
    std::function<void()> onDestroyed;
};

// Builds the application from the doubles. Members are public so tests can script them.
class AppHarness {
public:
    AppHarness();
    ~AppHarness();
    // Constructs the application object (reads the settings files).
    void Construct();
    // Construct() and InitInstance(), which must succeed.
    void Start();
    // What happens when File > Exit is chosen: the window closes, then the program exits.
    void Exit();
    // A document in its own child window, made the active one.
    FakeDocument& OpenFakeDocument(const std::string& name = "doc");
    void Deliver(QEvent::Type type);

    EventLog log;
    TempDir dir;
    SettingsFiles files;
    LoggingPrompter prompter{log};
    LoggingProfile profile{log};
    FakeClock clock;
    bool withGps = true, withData = true, withUnit = true, frameFails = false;
    bool realData = false;  // the program's data set in place of FakeDataSet
    bool realGps = false;   // the program's GPS receiver in place of FakeGps
    bool realUnit = false;  // the program's control unit (link and driver) in place of FakeUnit
    bool realAcquisition = false;  // the program's acquisition (needs the real data set and unit)
    FakeGps* gps = nullptr;
    FakeDataSet* data = nullptr;
    FakeUnit* unit = nullptr;
    bool unitPresent = true;
    std::unique_ptr<CRavikApp> app;

    TestFrame& Frame() { return *static_cast<TestFrame*>(app->MainWindow()); }
};

// Runs the event loop until `done` holds or 30 seconds have passed (a hang, not a duration);
// the result is `done` at the end.
template <typename F>
bool ProcessUntil(F done)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < giveUp)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The number after `key` in a .rad header's text, or -1 when the key is missing.
inline int HeaderValue(const std::string& rad, const std::string& key)
{
    const std::size_t at = rad.find(key);
    return at == std::string::npos ? -1 : std::stoi(rad.substr(at + key.size()));
}

// Slot A's internal channel alone is active, 256 samples a trace every 10 ms when `trigType`
// is time mode (128), and it is the current channel.
inline void MeasureChannelA1Only(CMeasParamSet& params, int trigType)
{
    for (auto& p : params.m_params)
        p.m_bActive = 0;
    params.m_params[0].m_bActive = 1;
    params.m_params[0].m_nSamples = 256;
    params.m_params[0].m_dTimeInterval = 0.01;
    params.m_nCurSlot = 0;
    params.m_nCurChannel = 0;
    params.m_nTrigType = trigType;
}
