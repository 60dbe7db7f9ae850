#include "AcqRig.h"

#include "model/RadHeader.h"

#include <chrono>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <thread>

void NoticeLog::Post(AcqNotice notice)
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_notices.push_back(notice);
    }
    m_posted.notify_all();
}

int NoticeLog::Count(AcqNotice notice) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    int n = 0;
    for (AcqNotice a : m_notices)
        n += a == notice ? 1 : 0;
    return n;
}

bool NoticeLog::WaitFor(AcqNotice notice, int count, double seconds)
{
    std::unique_lock<std::mutex> hold(m_lock);
    return m_posted.wait_for(hold, std::chrono::duration<double>(seconds), [&] {
        int n = 0;
        for (AcqNotice a : m_notices)
            n += a == notice ? 1 : 0;
        return n >= count;
    });
}

AcqRig::AcqRig(std::unique_ptr<FrameTransport> transport, std::vector<Adapter> adapters)
{
    auto lister = std::make_unique<FixedAdapterLister>(std::move(adapters));
    driver = std::make_unique<CDriver>(&params.m_nCurSlot, std::move(transport), std::move(lister));
    driver->Link().BindAdapterChoice(&choice);
    driver->Link().SetPrompter(&prompter);
    unit = std::make_unique<DriverUnitInfo>(*driver);
    DataSetContext context{params, prompter, locks.Driver, locks.Em, unit.get(), nullptr,
                           [this] { return status.IsMeasuring(); },
                           [this] { return status.m_bOldDataFile.load() != 0; }};
    data = std::make_unique<CRadarData>(context);
    AcquisitionContext ac{params, *data, *driver, status, locks, prompter};
    ac.post = [this](AcqNotice n) { notices.Post(n); };
    acq = std::make_unique<CAcquisition>(ac);
    hooks.dataFolder = [this] { return dataFolder.empty() ? dir.path() + "/" : dataFolder; };
    hooks.baseName = [] { return std::string("Profile"); };
    hooks.selectChannel = [this](int code) { selected.push_back(code); };
    hooks.afterTrigg = [] {};
    measurement = std::make_unique<CMeasurement>(*acq, hooks);
}

AcqRig::~AcqRig()
{
    measurement.reset();
    acq.reset();
    data.reset();
}

void AcqRig::Activate(const std::vector<int>& channels, int samples, double timeInterval)
{
    for (CMeasParam& p : params.m_params)
        p.m_bActive = 0;
    for (int k : channels) {
        CMeasParam& p = params.m_params[k];
        p.m_bActive = 1;
        p.m_nSamples = static_cast<std::uint16_t>(samples);
        p.m_dTimeInterval = timeInterval;
        params.m_params[k & ~1].m_nSamples = static_cast<std::uint16_t>(samples);
        params.m_params[k & ~1].m_dTimeInterval = timeInterval;
    }
    params.m_nCurSlot = static_cast<std::int16_t>(channels.front() / 2);
    params.m_nCurChannel = static_cast<std::int16_t>(channels.front() % 2);
    params.m_nMeasDirection = 1;
}

void AcqRig::WheelMode(double calibration, int direction, double distanceInterval)
{
    params.m_wheels.clear();
    CWheel w;
    w.m_strName = "test wheel";
    w.m_dCalibration = calibration;
    w.m_nDirection = static_cast<std::int16_t>(direction);
    params.AddWheel(w);
    params.m_nTrigType = 0;
    params.m_nWheelSource = 16;
    for (CMeasParam& p : params.m_params)
        p.m_dDistanceInterval = distanceInterval;
}

bool AcqRig::Detect()
{
    acq->DetectUnit(true);
    return status.IsConnected();
}

bool AcqRig::RunUntil(const std::function<bool()>& done, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (notices.Count(AcqNotice::AcquisitionEnded) > m_endedHandled) {
            ++m_endedHandled;
            if (status.IsMeasuring())
                measurement->OnMeasureStop();
            return true;
        }
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

bool AcqRig::RunUntilTraces(int k, int n, double seconds)
{
    return RunUntil([this, k, n] { return Traces(k) >= n; }, seconds);
}

std::int32_t AcqRig::Traces(int k)
{
    std::lock_guard<std::recursive_mutex> display(locks.Display);
    return data->GetChannel(k).GetTraceCount();
}

std::string AcqRig::Path(int k)
{
    return data->GetChannel(k).m_strFullPath;
}

std::string AcqRig::Rd3(int k)
{
    return ReadFileBytes(Path(k));
}

std::int64_t AcqRig::FileTraces(int k)
{
    struct stat st {};
    const int samples = data->GetChannel(k).GetSamples();
    if (samples <= 0 || ::stat(Path(k).c_str(), &st) != 0)
        return -1;
    return st.st_size / (2 * samples);
}

std::int32_t AcqRig::HeaderLastTrace(int k)
{
    CRadHeader h;
    h.m_strPath = data->GetChannel(k).m_Header.m_strPath;
    h.m_nLastTrace = -1;
    return h.Read() == 0 ? h.m_nLastTrace : -1;
}

void AcqRig::Commit(const std::vector<std::uint8_t>& bytes)
{
    DataRing& ring = driver->Link().Ring();
    ring.BeginMessage();
    ring.Append(bytes.data(), static_cast<std::uint32_t>(bytes.size() / 2), true);
}

std::string ExpectedFile(const std::vector<SentTrace>& sent, std::int64_t count, int samples, std::int64_t first,
                         int sign)
{
    std::map<std::int64_t, const std::vector<std::int16_t>*> byNumber;
    for (const SentTrace& t : sent)
        byNumber[t.number] = &t.samples;
    std::string out;
    out.reserve(static_cast<std::size_t>(count * samples * 2));
    for (std::int64_t i = 0; i < count; ++i) {
        const auto it = byNumber.find(first + i * sign);
        for (int s = 0; s < samples; ++s) {
            std::int16_t v = 0;
            if (it != byNumber.end() && s < static_cast<int>(it->second->size()))
                v = (*it->second)[static_cast<std::size_t>(s)];
            const auto u = static_cast<std::uint16_t>(v);
            out.push_back(static_cast<char>(u & 0xFF));
            out.push_back(static_cast<char>(u >> 8));
        }
    }
    return out;
}
