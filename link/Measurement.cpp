#include "link/Measurement.h"

#include "link/Acquisition.h"
#include "link/CDriver.h"
#include "link/UnitSync.h"
#include "link/WaitCursor.h"
#include "model/MeasParamSet.h"
#include "model/Prompter.h"
#include "model/RadarData.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace {

constexpr int kTriggPauseMs = 100;
constexpr char kTriggFailed[] = "TRIGG can't return data!";
constexpr char kTriggFailedCaption[] = "Error";

using Lock = std::lock_guard<std::recursive_mutex>;

int Sign(int v)
{
    return v < 0 ? -1 : 1;
}

std::int32_t Clamp32(std::int64_t v)
{
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::int32_t TraceNumberStep(bool wheel, double timeInterval, double calibration, double distanceInterval)
{
    const double raw = wheel ? calibration * distanceInterval + 0.0001 : timeInterval * 1024.0;
    if (!(raw >= 1.0))
        return 1;
    if (raw >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(raw);
}

void CorrectSlotValues(CMeasParamSet& params)
{
    for (int slot = 0; slot < CMeasParamSet::kSlots; ++slot) {
        CMeasParam& first = params.m_params[slot * 2];
        CMeasParam& second = params.m_params[slot * 2 + 1];
        if ((first.m_bActive || second.m_bActive) && first.m_nSamples > CSTrace::kMaxSamples)
            params.m_bAutoStack = 0;
        for (CMeasParam* c : {&first, &second})
            c->m_nSamples = static_cast<std::uint16_t>(std::min<int>(c->m_nSamples & ~1, CSTrace::kMaxSamples));
        if (second.m_bActive)
            CopySlotValues(first, second);
    }
}

CMeasurement::CMeasurement(CAcquisition& acquisition, MeasurementHooks hooks)
    : m_acq(acquisition), m_hooks(std::move(hooks))
{
}

CMeasurement::~CMeasurement()
{
    if (m_acq.RunningMeasurement() == this || m_thread.joinable())
        StopMeasurement();
    JoinThread();
    if (m_acq.RunningMeasurement() == this)
        m_acq.SetRunningMeasurement(nullptr);
}

// ---- the document's commands ------------------------------------------------------------

int CMeasurement::OnMeasureStart()
{
    AcquisitionContext& c = m_acq.Context();
    if (c.status.m_bOldDataFile.load()) {
        c.prompter.message(kMsgOldDataFile);
        return kStartOldDataFile;
    }
    if (c.status.IsMeasuring())
        return kStartOk;
    CMeasParamSet& p = c.params;
    CorrectSlotValues(p);
    const int slot = std::clamp<int>(p.m_nCurSlot, 0, CMeasParamSet::kSlots - 1);
    const int channel = std::clamp<int>(p.m_nCurChannel, 0, 1);
    std::int32_t traces;
    {
        Lock display(c.locks.Display);
        traces = c.data.GetChannel(slot * 2 + channel).GetTraceCount();
    }
    if (traces < 1) {
        // A new data set: whatever an earlier one left in the continue flags is void.
        c.status.m_bContinue.fill(0);
        const std::string folder = m_hooks.dataFolder ? m_hooks.dataFolder() : std::string();
        const std::string base = m_hooks.baseName ? m_hooks.baseName() : std::string();
        if (c.data.CreateFiles(folder, base) != 0) {
            c.prompter.message(kMsgFileOpen);
            return kStartFilesFailed;
        }
        if (c.data.WriteNewSetHeaders() != 0) {
            c.prompter.message(kMsgHeaderWrite);
            return kStartHeadersFailed;
        }
    } else {
        KeepSampleCountsOfTheDataSet();
        c.status.m_bContinue.fill(1);
    }
    return StartMeasurement();
}

void CMeasurement::KeepSampleCountsOfTheDataSet()
{
    // The files of a data set hold traces of one length; a continued set is measured with
    // that length whatever the settings say now, or its headers would stop matching them.
    AcquisitionContext& c = m_acq.Context();
    for (int k = 0; k < CMeasParamSet::kChannels; ++k) {
        const CChannelData& channel = c.data.GetChannel(k);
        const int samples = channel.GetSamples();
        if (!c.params.m_params[k].m_bActive || !channel.IsOpen() || channel.GetTraceCount() < 1 || samples < 2 ||
            samples > CSTrace::kMaxSamples)
            continue;
        c.params.m_params[k].m_nSamples = static_cast<std::uint16_t>(samples);
        c.params.m_params[k & ~1].m_nSamples = static_cast<std::uint16_t>(samples);
    }
}

void CMeasurement::OnMeasureStop()
{
    StopMeasurement();
}

// ---- start ----------------------------------------------------------------------------

int CMeasurement::StartMeasurement()
{
    AcquisitionContext& c = m_acq.Context();
    CAcquisitionStatus& s = c.status;
    CMeasParamSet& p = c.params;
    CDriver& d = c.driver;
    if (s.IsMeasuring())
        return kStartOk;
    JoinThread();
    WaitCursor wait(c.waitCursor);

    s.m_nTimeBase = 0;
    s.m_nWheelPreset = 0;
    CorrectSlotValues(p);
    bool continuing = false;
    for (int k = 0; k < CAcquisitionStatus::kChannels; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        continuing = continuing || s.m_bContinue[kk] != 0;
        if (!s.m_bContinue[kk]) {
            s.m_nLastPosition[kk] = 0;
            s.m_nLastSensorTrace[kk] = 0;
            s.m_bFirstTrace[kk] = 1;
        }
    }
    auto anyActive = [&p] {
        return std::any_of(std::begin(p.m_params), std::end(p.m_params),
                           [](const CMeasParam& m) { return m.m_bActive != 0; });
    };
    if (!anyActive()) {
        c.prompter.message(kMsgNoActiveChannel);
        return kStartNoActiveChannel;
    }
    bool modular;
    {
        Lock driver(c.locks.Driver);
        modular = d.IsModularUnit();
        SyncChannelsWithUnit(d, p);
        ReadSampleIntervals(d, p);
    }
    // The unit may have taken away the only active channels (an empty slot).
    if (!anyActive()) {
        c.prompter.message(kMsgNoActiveChannel);
        return kStartNoActiveChannel;
    }

    std::unique_lock<std::recursive_mutex> measure(c.locks.Measure);
    s.m_bMeasuring = 1;
    s.ClearErrors();
    m_acq.BeginMeasurement();

    const std::int16_t savedSlot = p.m_nCurSlot;
    const std::int16_t savedChannel = p.m_nCurChannel;
    const int configured = Configure(continuing, modular);
    p.m_nCurSlot = savedSlot;
    p.m_nCurChannel = savedChannel;
    if (configured != 0) {
        s.m_bMeasuring = 0;
        measure.unlock();
        c.prompter.message(kMsgNoSensor);
        return kStartNoSensor;
    }
    {
        Lock driver(c.locks.Driver);
        d.SetWheelCounter(modular ? p.m_nWheelSource : kMasterWheel, 1, s.m_nWheelPreset);
    }
    m_acq.SetConfig(CAcquisitionConfig::Take(p, s));
    m_acq.SetRunningMeasurement(this);
    if (m_acq.Config().mode == CAcquisitionConfig::Mode::Keyboard) {
        StartSyncing();
        return kStartOk;
    }
    m_acq.PrepareDisplayWindows();

    bool refused;
    {
        Lock driver(c.locks.Driver);
        refused = d.StartAcquisition() != 0;
        if (refused)
            d.StopAcquisition();
    }
    if (refused) {
        s.m_bMeasuring = 0;
        m_acq.SetRunningMeasurement(nullptr);
        measure.unlock();
        c.prompter.message(kMsgError01);
        return kStartRefused;
    }
    measure.unlock();
    m_thread = std::thread([this] { m_acq.AcquisitionThreadProc(); });
    StartSyncing();
    if (!continuing && m_hooks.selectChannel) {
        for (int k = 0; k < CAcquisitionStatus::kChannels; ++k) {
            if (p.m_params[k].m_bActive) {
                m_hooks.selectChannel((k / 2) * 10 + k % 2);
                break;
            }
        }
    }
    return kStartOk;
}

int CMeasurement::Configure(bool continuing, bool modular)
{
    AcquisitionContext& c = m_acq.Context();
    CAcquisitionStatus& s = c.status;
    CMeasParamSet& p = c.params;
    CDriver& d = c.driver;
    {
        Lock driver(c.locks.Driver);
        d.SetWheelCounter(kMasterWheel, 0, 0);
        d.SetWheelCounter(unitcmd::kAllSlots, 0, 0);
        d.Command10(0, 0);
        d.Command36();
        d.SetBeeper(p.m_bBeeper);
        d.SetCountry(static_cast<std::uint8_t>(p.m_nCountry));
    }
    s.m_nDistanceMultiplier = 1;
    if (CAcquisitionConfig::ModeOf(p.m_nTrigType) != CAcquisitionConfig::Mode::Wheel) {
        {
            Lock driver(c.locks.Driver);
            d.SetTriggerSource(unitcmd::kAllSlots, 'W', kMasterWheel);
            d.SetTriggerSource(unitcmd::kAllSlots, 'T', 0);
            d.SetDirection(1);
        }
        Lock position(c.locks.Position);
        s.m_nTimeCount = 0;
    } else {
        {
            Lock driver(c.locks.Driver);
            d.SetTriggerSource(unitcmd::kAllSlots, 'W', p.m_nWheelSource);
        }
        // Without a calibration for this trigger type the header's fallback wheel is used,
        // so the unit and the header agree; a measurement direction never set counts forward.
        const int wheelDirection = p.m_nTrigType < p.GetWheelCount() ? p.m_wheels[p.m_nTrigType]->m_nDirection : 1;
        s.m_nDistanceMultiplier = Sign(wheelDirection) * Sign(p.m_nMeasDirection);
        {
            Lock position(c.locks.Position);
            s.m_nDistanceCount = 0;
        }
        Lock driver(c.locks.Driver);
        d.EnableWheel(modular ? p.m_nWheelSource : kMasterWheel);
    }
    {
        Lock driver(c.locks.Driver);
        d.SetTriggerOptions(p.m_bBidirectional, p.m_nMissedTraceMode);
    }
    for (int slot = 0; slot < CMeasParamSet::kSlots; ++slot) {
        if (!p.m_params[slot * 2].m_bActive && !p.m_params[slot * 2 + 1].m_bActive)
            continue;
        const int r = ConfigureSlot(slot, continuing, modular);
        if (r != 0)
            return r;
    }
    return 0;
}

int CMeasurement::ConfigureSlot(int slot, bool continuing, bool)
{
    AcquisitionContext& c = m_acq.Context();
    CAcquisitionStatus& s = c.status;
    CMeasParamSet& p = c.params;
    CDriver& d = c.driver;
    const CMeasParam& first = p.m_params[slot * 2];
    const CMeasParam& second = p.m_params[slot * 2 + 1];
    const bool wheel = CAcquisitionConfig::ModeOf(p.m_nTrigType) == CAcquisitionConfig::Mode::Wheel;
    const double calibration = p.m_nTrigType < p.GetWheelCount() ? p.m_wheels[p.m_nTrigType]->m_dCalibration
                                                                  : kFallbackWheelCalibration;

    p.m_nCurSlot = static_cast<std::int16_t>(slot);
    const std::int32_t step = TraceNumberStep(wheel, first.m_dTimeInterval, calibration, first.m_dDistanceInterval);
    const std::int32_t multiplier = s.m_nDistanceMultiplier;
    s.m_nSlotStep[static_cast<std::size_t>(slot)] = step;
    {
        Lock driver(c.locks.Driver);
        d.SetTraceInterval(slot, step);
        d.SetDirection(static_cast<std::uint16_t>(static_cast<std::int16_t>(multiplier)));
        if (first.m_bEmSensor) {
            if (!d.SetEmSensor(2)) {
                d.SetEmSensor(0);
                return kStartNoSensor;
            }
            d.SetEmSensor(1);
        }
        d.SetSamples(first.m_nSamples);
        d.SetFrequencySteps(first.m_nFrequencySteps);
        d.SetSignalPositions(first.m_nSignalPosition, second.m_nSignalPosition);
        d.SetRampIndex(first.m_nRampIndex);
        d.SetAutoStack(p.m_bAutoStack);
        const int stacks = p.m_bAutoStack ? 4 : StacksForUnit(first.m_nStacks);
        d.SetStacks(static_cast<std::uint16_t>(stacks));
        d.SetActiveChannels((first.m_bActive ? 1 : 0) + (second.m_bActive ? 2 : 0));
    }
    if (!continuing)
        return 0;
    for (int channel = 0; channel < 2; ++channel) {
        const int k = slot * 2 + channel;
        if (!p.m_params[k].m_bActive)
            continue;
        std::int64_t n;
        {
            Lock display(c.locks.Display);
            n = c.data.GetChannel(k).GetTraceCount();
        }
        const std::int64_t position = n * step;
        if (wheel) {
            // The unit's counter goes on from where the data set ended, in the direction the
            // positions grow; the last position is that point too, so nothing is filled.
            s.m_nWheelPreset = Clamp32(position * multiplier);
            s.m_nLastPosition[static_cast<std::size_t>(k)] = s.m_nWheelPreset;
        } else {
            s.m_nTimeBase = Clamp32(position);
            s.m_nLastPosition[static_cast<std::size_t>(k)] = s.m_nTimeBase;
        }
    }
    return 0;
}

void CMeasurement::StartSyncing()
{
    AcquisitionContext& c = m_acq.Context();
    m_syncFailed = false;
    m_sync.Start([&data = c.data] { return data.SyncWrittenData(); },
                 [this, &c] {
                     // A sync the disk refused is a write that failed: it ends the
                     // measurement as a full disk does, through the stop on the
                     // user-interface thread.
                     m_syncFailed = true;
                     c.status.m_bDiskFull = 1;
                     if (c.post)
                         c.post(AcqNotice::AcquisitionEnded);
                 },
                 m_hooks.syncPeriod);
}

// ---- stop -----------------------------------------------------------------------------

void CMeasurement::JoinThread()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CMeasurement::StopMeasurement()
{
    if (m_stopping)
        return;
    m_stopping = true;
    AcquisitionContext& c = m_acq.Context();
    CAcquisitionStatus& s = c.status;
    const bool stopped = s.IsMeasuring() || m_thread.joinable();
    CRadarData::StopOutcome stored;
    if (stopped) {
        const bool continuous = m_acq.Config().mode != CAcquisitionConfig::Mode::Keyboard;
        if (continuous) {
            // Everything the unit sent before its answer is in the ring once the answer is
            // in: give a receive path that lags behind the stream as long as a trace request
            // gets, unless the unit is known to be gone.
            Lock driver(c.locks.Driver);
            VT_Ethernet& link = c.driver.Link();
            const std::uint32_t budget = link.PollBudget();
            if (!s.AnyDisplayError())
                link.SetPollBudget(CDriver::kTracePollBudget);
            c.driver.StopAcquisition();
            link.SetPollBudget(budget);
        }
        s.m_bMeasuring = 0;
        m_acq.Wake();
        JoinThread();
        // Before anything is closed; the stop's own sync below takes what came since.
        m_sync.Stop();
        if (continuous && !s.AnyDisplayError()) {
            // The unit's last data was committed by its stop reply, possibly after the thread
            // had looked at the ring for the last time.
            const int r = m_acq.DrainCommittedRecords();
            if (r == kReadWriteFailed)
                s.m_bDiskFull = 1;
            else if (r == kReadInconsistent)
                s.m_bError03 = 1;
        }
        m_acq.FlushTracesToDisplay();
        for (int k = 0; k < CAcquisitionStatus::kChannels; ++k)
            c.data.GetChannel(k).GetMeaBuf().Reset();
        {
            Lock driver(c.locks.Driver);
            c.driver.SetEmSensor(0);
        }
        s.m_nTimeBase = 0;
        s.m_nWheelPreset = 0;
        // The data files go to the disk and then the headers with the final trace counts, on
        // every stop, an error stop included: the stop reports nothing as stored that the
        // disk does not hold yet.
        {
            // A slow card can take a while to take everything.
            WaitCursor wait(c.waitCursor);
            stored = c.data.StoreAfterStop();
        }
        // The disk reports a refused write-back once: when the periodic sync took the
        // report, the stop's own sync finds nothing wrong.
        if (m_syncFailed)
            stored.filesSynced = false;
        if (!stored.filesSynced)
            s.m_bDiskFull = 1;
        if (m_acq.RunningMeasurement() == this)
            m_acq.SetRunningMeasurement(nullptr);
    }
    {
        Lock status(c.locks.Status);
        s.m_bMarkerLatch.fill(0);
    }
    {
        Lock unitValue(c.locks.UnitValue);
        s.m_nSlotFill.fill(0);
    }
    m_stopping = false;
    // Messages come last: whatever runs while one shows finds the measurement stopped.
    if (stopped) {
        const bool outranked = s.m_bError01.load() || s.m_bError02.load() || s.m_bError03.load();
        m_acq.ShowErrorOnce();
        // Data the disk did not take is reported even behind the error that ended the run.
        if (!stored.filesSynced && outranked)
            c.prompter.message(kMsgDiskFull);
        if (!stored.headersWritten)
            c.prompter.message(kMsgHeaderWrite);
    }
}

// ---- keyboard -------------------------------------------------------------------------

void CMeasurement::OnTrigg()
{
    AcquisitionContext& c = m_acq.Context();
    if (c.params.m_nTrigType != 255)
        return;
    if (!m_acq.AcquireTriggeredStep()) {
        if (c.beep)
            c.beep();
        c.prompter.ownerlessError(kTriggFailedCaption, kTriggFailed);
    }
    if (m_hooks.afterTrigg)
        m_hooks.afterTrigg();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(kTriggPauseMs));
}

bool CMeasurement::OnUpdateTrigg() const
{
    const AcquisitionContext& c = m_acq.Context();
    return c.status.IsMeasuring() && c.params.m_nTrigType == 255;
}
