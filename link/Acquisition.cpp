#include "link/Acquisition.h"

#include "link/CDriver.h"
#include "link/DcOffset.h"
#include "link/Measurement.h"
#include "link/WaitCursor.h"
#include "model/MeasParamSet.h"
#include "model/Prompter.h"
#include "model/RadarData.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

std::int32_t Clamp32(std::int64_t v)
{
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::int64_t GapTraceCount(std::int64_t last, std::int64_t next, std::int64_t step, int travel)
{
    if (step <= 0)
        return 0;
    const std::int64_t d = travel < 0 ? -step : step;
    const std::int64_t diff = next - last;
    // Ahead by more than one step in the direction of travel, or nothing is missing.
    if ((d > 0 && diff <= d) || (d < 0 && diff >= d))
        return 0;
    std::int64_t steps = diff / d;
    if (diff % d != 0)
        ++steps;
    return steps - 1;
}

CAcquisition::CAcquisition(AcquisitionContext context)
    : m_ctx(std::move(context)),
      m_samples(CSTrace::kMaxSamples),
      m_zeros(CSTrace::kMaxSamples, 0),
      m_display(CSTrace::kMaxSamples)
{
}

CAcquisition::~CAcquisition() = default;

// ---- presence check -------------------------------------------------------------------

void CAcquisition::DetectUnit(bool unitCheck)
{
    if (!unitCheck)
        return;
    std::lock_guard<std::recursive_mutex> driver(m_ctx.locks.Driver);
    m_ctx.status.m_bConnected = m_ctx.driver.Detect() != 0 ? 1 : 0;
}

void CAcquisition::RedetectUnit(bool unitCheck)
{
    std::lock_guard<std::recursive_mutex> measure(m_ctx.locks.Measure);
    DetectUnit(unitCheck);
}

bool CAcquisition::PollControlUnit(bool unitCheck)
{
    if (!unitCheck || m_ctx.status.IsMeasuring())
        return false;
    const bool before = m_ctx.status.IsConnected();
    RedetectUnit(unitCheck);
    return before != m_ctx.status.IsConnected();
}

// ---- configuration and reports ----------------------------------------------------------

void CAcquisition::SetConfig(const CAcquisitionConfig& config)
{
    m_config = config;
    m_countDivisor = std::max<std::int64_t>(config.interval, 1);
}

void CAcquisition::FollowSlot(int slot)
{
    if (slot < 0 || slot >= CAcquisitionConfig::kSlots)
        return;
    // The configuration is fixed while the thread runs: reading it here races with nothing.
    m_countDivisor = std::max<std::int64_t>(m_config.step[static_cast<std::size_t>(slot)], 1);
}

void CAcquisition::BeginMeasurement()
{
    m_errorShown = false;
    m_tracesReadyPending = false;
    m_lastTracesReady = {};
    m_sensorOfDroppedTrace.fill(false);
    for (OwnedCounter* c : {&m_counters.records, &m_counters.tracesStored, &m_counters.fillTraces,
                            &m_counters.discardedTraces, &m_counters.tracesWithoutFile, &m_counters.malformedRecords,
                            &m_counters.strayTraces, &m_counters.unknownRecords, &m_counters.oversizedGaps,
                            &m_counters.sensorRecords, &m_counters.markerEdges, &m_counters.drainedRecords})
        c->Clear();
}

void CAcquisition::PrepareDisplayWindows()
{
    CSTrace zero(CTraceCache::kEntrySamples);
    for (int k = 0; k < CAcquisitionStatus::kChannels; ++k) {
        if (!m_config.active[static_cast<std::size_t>(k)])
            continue;
        CTraceCache& cache = m_ctx.data.GetChannel(k).GetTraceCache();
        std::lock_guard<std::recursive_mutex> display(m_ctx.locks.Display);
        // A window that shows traces is in place already; an empty one stays empty.
        if (cache.GetNewest() >= 0)
            continue;
        for (int i = 0; i < cache.GetCapacity(); ++i)
            cache.AddTrace(zero);
        cache.Reset();
    }
}

int CAcquisition::PendingErrorMessage() const
{
    const CAcquisitionStatus& s = m_ctx.status;
    if (s.m_bError01.load())
        return kMsgError01;
    if (s.m_bError02.load())
        return kMsgError02;
    if (s.m_bError03.load())
        return kMsgError03;
    if (s.m_bDiskFull.load())
        return kMsgDiskFull;
    return 0;
}

AcquisitionCounters CAcquisition::Counters() const
{
    AcquisitionCounters c;
    c.records = m_counters.records.Get();
    c.tracesStored = m_counters.tracesStored.Get();
    c.fillTraces = m_counters.fillTraces.Get();
    c.discardedTraces = m_counters.discardedTraces.Get();
    c.tracesWithoutFile = m_counters.tracesWithoutFile.Get();
    c.malformedRecords = m_counters.malformedRecords.Get();
    c.strayTraces = m_counters.strayTraces.Get();
    c.unknownRecords = m_counters.unknownRecords.Get();
    c.oversizedGaps = m_counters.oversizedGaps.Get();
    c.sensorRecords = m_counters.sensorRecords.Get();
    c.markerEdges = m_counters.markerEdges.Get();
    c.drainedRecords = m_counters.drainedRecords.Get();
    return c;
}

void CAcquisition::PostNow(AcqNotice notice)
{
    if (m_ctx.post)
        m_ctx.post(notice);
}

void CAcquisition::NoteTracesReady()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastTracesReady >= std::chrono::milliseconds(kTracesReadyGapMs)) {
        m_lastTracesReady = now;
        m_tracesReadyPending = false;
        PostNow(AcqNotice::TracesReady);
    } else {
        m_tracesReadyPending = true;
    }
}

void CAcquisition::PostPendingTracesReady(bool force)
{
    if (!m_tracesReadyPending)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (force || now - m_lastTracesReady >= std::chrono::milliseconds(kTracesReadyGapMs)) {
        m_lastTracesReady = now;
        m_tracesReadyPending = false;
        PostNow(AcqNotice::TracesReady);
    }
}

// ---- the acquisition thread ------------------------------------------------------------

int CAcquisition::AcquisitionThreadProc()
{
    CAcquisitionStatus& s = m_ctx.status;
    while (s.IsMeasuring()) {
        const int r = ReadContinuousRecords();
        if (r >= 0 || !s.IsMeasuring())
            continue;
        // The error is shown by the stop on the user-interface thread; measuring stays set
        // until then so that nothing else starts in between.
        if (r == kReadNoData)
            s.m_bError01 = 1;
        else if (r == kReadWriteFailed)
            s.m_bDiskFull = 1;
        else
            s.m_bError03 = 1;
        PostPendingTracesReady(true);
        PostNow(AcqNotice::AcquisitionEnded);
        return 0;
    }
    PostPendingTracesReady(true);
    return 0;
}

void CAcquisition::Wake()
{
    {
        std::lock_guard<std::mutex> hold(m_wakeLock);
    }
    m_wake.notify_all();
}

bool CAcquisition::WaitForData()
{
    const DataRing& ring = m_ctx.driver.Link().Ring();
    for (int polls = 0;; ++polls) {
        if (ring.HasData())
            return true;
        if (polls >= kNoDataPolls || !m_ctx.status.IsMeasuring())
            return false;
        PostPendingTracesReady(false);
        std::unique_lock<std::mutex> hold(m_wakeLock);
        m_wake.wait_for(hold, std::chrono::milliseconds(kPollMs), [this] { return !m_ctx.status.IsMeasuring(); });
    }
}

int CAcquisition::ReadContinuousRecords()
{
    if (!WaitForData())
        return m_ctx.status.IsMeasuring() ? kReadNoData : kReadEmpty;
    return TakeRecords(true);
}

int CAcquisition::DrainCommittedRecords()
{
    const int r = TakeRecords(false);
    PostPendingTracesReady(true);
    return r;
}

int CAcquisition::TakeRecords(bool onThread)
{
    DataRing& ring = m_ctx.driver.Link().Ring();
    for (;;) {
        // A unit that keeps sending after its stop must not keep the thread from ending;
        // the stop takes what is left.
        if (onThread && !m_ctx.status.IsMeasuring())
            return kReadEmpty;
        const int index = ring.NextRecord();
        if (index == -1)
            return kReadEmpty;
        if (index < 0)
            return kReadInconsistent;
        const RingRecord header = ReadRecordHeader(ring, static_cast<std::uint32_t>(index));
        m_counters.records.Add();
        if (!onThread)
            m_counters.drainedRecords.Add();
        AcquiredRecord record;
        const RecordVerdict verdict = CheckRecord(ring, header, record);
        if (verdict == RecordVerdict::Usable) {
            const int r = HandleRecord(record, header);
            if (r < 0)
                return r;
        } else if (verdict == RecordVerdict::UnknownType) {
            m_counters.unknownRecords.Add();
        } else {
            m_counters.malformedRecords.Add();
        }
        ring.ReleaseRecord();
    }
}

int CAcquisition::HandleRecord(const AcquiredRecord& record, const RingRecord& header)
{
    switch (record.type) {
    case RecordType::TraceRecord:
        return HandleTrace(record, header);
    case RecordType::SensorRecord:
        return HandleSensor(record);
    case RecordType::PositionRecord:
        HandlePosition(record);
        return 0;
    case RecordType::TimeRecord:
        HandleTime(record);
        return 0;
    case RecordType::StatusRecord:
        HandleStatus(record);
        return 0;
    case RecordType::SlotWordRecord:
        HandleSlotWord(record);
        return 0;
    case RecordType::BatteryRecord:
        HandleBattery(record);
        return 0;
    }
    return 0;
}

bool CAcquisition::ChannelStores(int k)
{
    return m_config.active[static_cast<std::size_t>(k)] && m_ctx.data.GetChannel(k).IsOpen();
}

bool CAcquisition::IsStrayTrace(int k, std::uint32_t samples)
{
    // The unit sends every trace of a measurement with its channel's SAMPLES; a record of
    // another length would be padded into the file and its position taken for the channel's,
    // so that the next real trace found the whole run since that position missing.
    const int expected = m_ctx.data.GetChannel(k).GetSamples();
    if (expected <= 0 || samples == static_cast<std::uint32_t>(expected))
        return false;
    m_counters.strayTraces.Add();
    return true;
}

std::int32_t CAcquisition::TraceCount(int k)
{
    std::lock_guard<std::recursive_mutex> display(m_ctx.locks.Display);
    return m_ctx.data.GetChannel(k).GetTraceCount();
}

void CAcquisition::RaiseTraceCount(int k, std::int64_t stored)
{
    if (stored <= 0)
        return;
    std::lock_guard<std::recursive_mutex> display(m_ctx.locks.Display);
    CRadHeader& header = m_ctx.data.GetChannel(k).m_Header;
    header.m_nLastTrace = Clamp32(std::int64_t{header.m_nLastTrace} + stored);
}

int CAcquisition::StoreTrace(int k, const std::int16_t* samples, int n)
{
    std::lock_guard<std::recursive_mutex> store(m_ctx.locks.TraceStore);
    if (m_ctx.data.GetChannel(k).StoreTrace(samples, n) != 0)
        return kReadWriteFailed;
    m_counters.tracesStored.Add();
    return 0;
}

int CAcquisition::HandleTrace(const AcquiredRecord& r, const RingRecord& header)
{
    const int k = r.Index();
    if (!ChannelStores(k)) {
        m_counters.tracesWithoutFile.Add();
        return 0;
    }
    if (IsStrayTrace(k, r.samples))
        return 0;
    CAcquisitionStatus& s = m_ctx.status;
    const auto kk = static_cast<std::size_t>(k);
    const int n = static_cast<int>(r.samples);
    const std::int64_t p = r.value;
    std::int64_t stored = 0;

    if (s.m_bFirstTrace[kk]) {
        s.m_bFirstTrace[kk] = 0;
    } else {
        std::int64_t fills = GapTraceCount(s.m_nLastPosition[kk], p, m_config.step[static_cast<std::size_t>(r.slot)],
                                           m_config.travel);
        if (fills > kMaxGapTraces) {
            // A position glitch, not a run of missed traces: filling it would write
            // zeros until the disk is full.
            m_counters.oversizedGaps.Add();
            fills = 0;
        }
        for (std::int64_t i = 0; i < fills; ++i) {
            if (StoreTrace(k, m_zeros.data(), n) != 0) {
                RaiseTraceCount(k, stored);
                return kReadWriteFailed;
            }
            m_counters.fillTraces.Add();
            ++stored;
        }
    }
    s.m_nLastPosition[kk] = Clamp32(p);

    CopyTraceSamples(m_ctx.driver.Link().Ring(), header, m_samples.data(), AcquiredRecord::kMaxSamples);
    if (s.m_bContinue[kk]) {
        // The unit's first trace after a start is not kept when a data set is continued: the
        // set goes on with the next one, one interval further on.
        s.m_bContinue[kk] = 0;
        m_counters.discardedTraces.Add();
        if (r.channel == 0)
            m_sensorOfDroppedTrace[static_cast<std::size_t>(r.slot)] = true;
    } else {
        if (StoreTrace(k, m_samples.data(), n) != 0) {
            RaiseTraceCount(k, stored);
            return kReadWriteFailed;
        }
        ++stored;
        HandOff();
    }
    {
        const std::int64_t divisor = m_countDivisor.load();
        std::lock_guard<std::recursive_mutex> position(m_ctx.locks.Position);
        s.m_nTimeCount = Clamp32((m_config.timeBase + p) / divisor);
        s.m_nDistanceCount = Clamp32(p / divisor);
    }
    NoteTracesReady();
    RaiseTraceCount(k, stored);
    return 0;
}

int CAcquisition::WriteSensor(int slot, std::int64_t trace, const std::array<std::int16_t, 4>& values)
{
    CEM_Data& em = m_ctx.data.GetEmData(slot);
    std::lock_guard<std::recursive_mutex> emLock(m_ctx.locks.Em);
    const int r = em.WriteRecord(Clamp32(trace), values[0], values[1], values[2], values[3]);
    m_counters.sensorRecords.Add();
    // A slot without a sensor file keeps its records in memory for the sensor window.
    return (r != 0 && em.IsOpen()) ? kReadWriteFailed : 0;
}

int CAcquisition::HandleSensor(const AcquiredRecord& r)
{
    const int s = r.slot;
    const int k0 = s * 2;
    if (!m_config.active[static_cast<std::size_t>(k0)] || r.channel != 0)
        return 0;
    // Written, it would go under the last stored trace's number a second time, and every
    // record after it would belong to the trace before its own.
    if (std::exchange(m_sensorOfDroppedTrace[static_cast<std::size_t>(s)], false))
        return 0;
    if (!m_config.emSensor[static_cast<std::size_t>(s)])
        return 0;
    CAcquisitionStatus& status = m_ctx.status;
    const std::int64_t t = TraceCount(k0);
    const std::int64_t last = status.m_nLastSensorTrace[static_cast<std::size_t>(k0)];
    if (m_config.missedTraceMode && last + 1 < t) {
        if (t - 1 - last > kMaxGapTraces) {
            m_counters.oversizedGaps.Add();
        } else {
            for (std::int64_t j = last + 1; j < t; ++j)
                if (WriteSensor(s, j, r.sensor) != 0)
                    return kReadWriteFailed;
        }
    }
    if (WriteSensor(s, t, r.sensor) != 0)
        return kReadWriteFailed;
    status.m_nLastSensorTrace[static_cast<std::size_t>(k0)] = Clamp32(t);
    return 0;
}

void CAcquisition::HandlePosition(const AcquiredRecord& r)
{
    {
        std::lock_guard<std::recursive_mutex> position(m_ctx.locks.Position);
        m_ctx.status.m_nDistanceCount = Clamp32(r.value / m_countDivisor.load());
    }
    NoteTracesReady();
    PostNow(AcqNotice::StatusUpdate);
}

void CAcquisition::HandleTime(const AcquiredRecord& r)
{
    {
        std::lock_guard<std::recursive_mutex> position(m_ctx.locks.Position);
        m_ctx.status.m_nTimeCount = Clamp32((m_config.timeBase + r.value) / m_countDivisor.load());
    }
    PostNow(AcqNotice::StatusUpdate);
}

void CAcquisition::HandleStatus(const AcquiredRecord& r)
{
    bool rose = false;
    {
        std::lock_guard<std::recursive_mutex> statusLock(m_ctx.locks.Status);
        std::uint8_t& latch = m_ctx.status.m_bMarkerLatch[0];
        if (r.value & 8) {
            rose = latch == 0;
            latch = 1;
        } else {
            latch = 0;
        }
    }
    if (rose) {
        m_counters.markerEdges.Add();
        PostNow(AcqNotice::MarkerKey1);
    }
}

void CAcquisition::HandleSlotWord(const AcquiredRecord& r)
{
    std::lock_guard<std::recursive_mutex> unitValue(m_ctx.locks.UnitValue);
    m_ctx.status.m_nSlotFill[static_cast<std::size_t>(r.slot)] = static_cast<std::int32_t>(r.value);
}

void CAcquisition::HandleBattery(const AcquiredRecord& r)
{
    std::lock_guard<std::recursive_mutex> unitValue(m_ctx.locks.UnitValue);
    m_ctx.status.m_nBattery = static_cast<std::int32_t>(r.value);
}

// ---- hand-off to the display -----------------------------------------------------------

bool CAcquisition::HandOff()
{
    if (m_ctx.status.AnyDisplayError())
        return false;
    for (int k = 0; k < CAcquisitionStatus::kChannels; ++k) {
        if (!m_config.active[static_cast<std::size_t>(k)])
            continue;
        CChannelData& channel = m_ctx.data.GetChannel(k);
        CMeaBuf& queue = channel.GetMeaBuf();
        const int n = queue.GetCount();
        if (n <= 0)
            continue;
        {
            std::lock_guard<std::recursive_mutex> display(m_ctx.locks.Display);
            const int read = queue.GetReadIndex();
            for (int i = 0; i < n; ++i) {
                RemoveDcOffset(queue.Row(read + i), m_display, channel, m_config.dcFilter);
                channel.GetTraceCache().AddTrace(m_display);
            }
        }
        queue.Reset();
    }
    return true;
}

bool CAcquisition::FlushTracesToDisplay()
{
    if (HandOff())
        return true;
    // The stop reports the error once it has stopped everything, so that nothing the
    // operator does while the message shows can meet a half-stopped measurement.
    if (m_running) {
        if (!m_running->Stopping())
            m_running->StopMeasurement();
        return false;
    }
    ShowErrorOnce();
    return false;
}

void CAcquisition::ShowErrorOnce()
{
    if (m_errorShown)
        return;
    const int id = PendingErrorMessage();
    if (id == 0)
        return;
    m_errorShown = true;
    m_ctx.prompter.message(id);
}

// ---- single test trace -----------------------------------------------------------------

void CAcquisition::PrepareSingleTrace()
{
    CMeasParamSet& p = m_ctx.params;
    const int slot = std::clamp<int>(p.m_nCurSlot, 0, CAcquisitionStatus::kSlots - 1);
    const int channel = std::clamp<int>(p.m_nCurChannel, 0, 1);
    const CMeasParam& c = p.m_params[slot * 2 + channel];
    std::lock_guard<std::recursive_mutex> driver(m_ctx.locks.Driver);
    CDriver& d = m_ctx.driver;
    d.SetEmSensor(0);
    d.SetAutoStack(0);
    d.SetTraceInterval(slot, 1);
    d.SetDirection(1);
    d.StopWheelCounter(unitcmd::kMasterWheel);
    d.EnableWheel(unitcmd::kMasterWheel);
    d.SetRampIndex(c.m_nRampIndex);
    d.SetBeeper(p.m_bBeeper);
}

int CAcquisition::AcquireSingleTrace(std::int16_t* out, int capacity)
{
    PrepareSingleTrace();
    CMeasParamSet& p = m_ctx.params;
    const int slot = std::clamp<int>(p.m_nCurSlot, 0, CAcquisitionStatus::kSlots - 1);
    const int channel = std::clamp<int>(p.m_nCurChannel, 0, 1);
    const CMeasParam& c = p.m_params[slot * 2 + channel];
    int r;
    {
        std::lock_guard<std::recursive_mutex> driver(m_ctx.locks.Driver);
        CDriver& d = m_ctx.driver;
        const int stacks = p.m_bAutoStack ? 2 : (c.m_nStacks >= 1 && c.m_nStacks <= 16 ? c.m_nStacks : 16);
        d.SetStacks(static_cast<std::uint16_t>(stacks));
        d.SetSamples(c.m_nSamples);
        d.SetFrequencySteps(c.m_nFrequencySteps);
        d.SetSignalPositions(c.m_nSignalPosition, c.m_nSignalPosition);
        r = d.RequestTrace(static_cast<int>(CDriver::kTracePollBudget), slot, channel);
    }
    if (r != 0) {
        m_ctx.status.m_bError02 = 1;
        return 0;
    }
    // The unit sent the trace before its reply; a record of another type is no trace.
    DataRing& ring = m_ctx.driver.Link().Ring();
    for (;;) {
        const int index = ring.NextRecord();
        if (index < 0)
            break;
        const RingRecord header = ReadRecordHeader(ring, static_cast<std::uint32_t>(index));
        AcquiredRecord record;
        const bool trace = CheckRecord(ring, header, record) == RecordVerdict::Usable &&
                           record.type == RecordType::TraceRecord;
        std::uint32_t copied = 0;
        if (trace && out && capacity > 0)
            copied = CopyTraceSamples(ring, header, out, static_cast<std::uint32_t>(capacity));
        ring.ReleaseRecord();
        if (trace)
            return static_cast<int>(copied);
    }
    m_ctx.status.m_bError02 = 1;
    return 0;
}

// ---- the keyboard step -----------------------------------------------------------------

void CAcquisition::KeyboardStepChannel(int k)
{
    CAcquisitionStatus& s = m_ctx.status;
    int r;
    {
        std::lock_guard<std::recursive_mutex> driver(m_ctx.locks.Driver);
        r = m_ctx.driver.RequestTrace(static_cast<int>(CDriver::kTracePollBudget), k / 2, k % 2);
    }
    if (r != 0) {
        s.m_bError01 = 1;
        return;
    }
    DataRing& ring = m_ctx.driver.Link().Ring();
    std::array<std::int64_t, CAcquisitionStatus::kChannels> stored{};
    for (;;) {
        const int index = ring.NextRecord();
        if (index == -1)
            break;
        if (index < 0) {
            s.m_bError03 = 1;
            break;
        }
        const RingRecord header = ReadRecordHeader(ring, static_cast<std::uint32_t>(index));
        m_counters.records.Add();
        AcquiredRecord record;
        const RecordVerdict verdict = CheckRecord(ring, header, record);
        if (verdict == RecordVerdict::UnknownType) {
            m_counters.unknownRecords.Add();
        } else if (verdict != RecordVerdict::Usable) {
            m_counters.malformedRecords.Add();
        } else if (record.type == RecordType::TraceRecord) {
            const int kk = record.Index();
            if (!ChannelStores(kk)) {
                m_counters.tracesWithoutFile.Add();
            } else if (!IsStrayTrace(kk, record.samples)) {
                CopyTraceSamples(ring, header, m_samples.data(), AcquiredRecord::kMaxSamples);
                if (StoreTrace(kk, m_samples.data(), static_cast<int>(record.samples)) != 0)
                    s.m_bDiskFull = 1;
                else
                    ++stored[static_cast<std::size_t>(kk)];
            }
        } else if (record.type == RecordType::SensorRecord) {
            const int slot = record.slot;
            const int channel = m_config.active[static_cast<std::size_t>(slot * 2)] ? record.channel : 1;
            const int kk = slot * 2 + channel;
            if (m_config.emSensor[static_cast<std::size_t>(slot)]) {
                const std::int64_t t = m_ctx.data.GetChannel(kk).GetMeaBuf().GetCount() + std::int64_t{TraceCount(kk)};
                if (WriteSensor(slot, t, record.sensor) != 0)
                    s.m_bDiskFull = 1;
            }
        }
        if (ring.ReleaseRecord() == 0) {
            s.m_bStepError = 1;
            break;
        }
    }
    // Each channel's count rises by the traces its file received, so the header always
    // matches the file, whatever else went wrong in this step.
    for (int kk = 0; kk < CAcquisitionStatus::kChannels; ++kk)
        RaiseTraceCount(kk, stored[static_cast<std::size_t>(kk)]);
}

bool CAcquisition::AcquireTriggeredStep()
{
    CAcquisitionStatus& s = m_ctx.status;
    auto clear = [&s] { return !s.m_bError01.load() && !s.m_bError03.load() && !s.m_bStepError.load(); };
    if (m_config.mode != CAcquisitionConfig::Mode::Keyboard || !s.IsMeasuring())
        return clear();
    WaitCursor wait(m_ctx.waitCursor);
    for (int k = 0; k < CAcquisitionStatus::kChannels; ++k)
        if (m_config.active[static_cast<std::size_t>(k)])
            KeyboardStepChannel(k);
    FlushTracesToDisplay();
    {
        std::lock_guard<std::recursive_mutex> position(m_ctx.locks.Position);
        s.m_nTimeCount = Clamp32(std::int64_t{s.m_nTimeCount} + 1);
        s.m_nDistanceCount = Clamp32(std::int64_t{s.m_nDistanceCount} + 1);
    }
    PostNow(AcqNotice::TracesReady);
    PostNow(AcqNotice::StatusUpdate);
    return clear();
}
