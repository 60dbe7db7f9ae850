#include "shell/RavikDoc.h"

#include "display/RavikView.h"
#include "filters/FilterLibrary.h"
#include "filters/FilterList.h"
#include "filters/RadMeasureInfo.h"
#include "filters/MeasureInfo.h"
#include "link/Acquisition.h"
#include "link/Measurement.h"
#include "model/PlatformPaths.h"
#include "model/Prompter.h"
#include "model/RadarData.h"
#include "model/STrace.h"
#include "model/TraceCache.h"
#include "shell/AppDataSet.h"
#include "shell/CommandIds.h"
#include "shell/FrameCommands.h"
#include "shell/MainFrame.h"
#include "shell/ChannelTree.h"
#include "shell/MarkerSettings.h"
#include "shell/RavikApp.h"

#include <QWidget>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace {

constexpr char kFilterListName[] = "/def_filter_list";

using Lock = std::lock_guard<std::recursive_mutex>;

} // namespace

CRavikDoc::CRavikDoc(CRavikApp& app) : m_app(app), m_infoCache(ReadRadMeasureInfo)
{
    m_app.m_status.m_nRightMargin = 0;
}

CRavikDoc::~CRavikDoc()
{
    UnregisterCommands();
    // A document dropped without its close still must not leave its measurement running.
    if (IsMeasuringHere())
        m_measurement->StopMeasurement();
}

CRadarData* CRavikDoc::Radar() const
{
    return m_app.DataSet() ? m_app.DataSet()->Radar() : nullptr;
}

int CRavikDoc::CurrentIndex() const
{
    const int slot = std::clamp<int>(m_app.m_params.m_nCurSlot, 0, CMeasParamSet::kSlots - 1);
    const int channel = std::clamp<int>(m_app.m_params.m_nCurChannel, 0, 1);
    return slot * 2 + channel;
}

CMeasurement* CRavikDoc::Measurement()
{
    if (!m_measurement && m_app.Acquisition()) {
        MeasurementHooks hooks;
        CRavikApp& app = m_app;
        hooks.dataFolder = [&app] { return app.m_settings.m_strDataFolder; };
        hooks.baseName = [&app] { return app.m_settings.m_strBaseName; };
        hooks.selectChannel = [this](int code) {
            if (m_app.MainWindow() && m_app.MainWindow()->OnSelectChannel(code))
                return;
            m_app.m_params.m_nCurSlot = static_cast<std::int16_t>(code / 10);
            m_app.m_params.m_nCurChannel = static_cast<std::int16_t>(code % 10);
            RefreshViews();
        };
        m_measurement = std::make_unique<CMeasurement>(*m_app.Acquisition(), std::move(hooks));
    }
    return m_measurement.get();
}

bool CRavikDoc::IsMeasuringHere() const
{
    if (!m_measurement)
        return false;
    const CAcquisition* acq = m_app.Acquisition();
    return m_measurement->ThreadRunning() || (acq && acq->RunningMeasurement() == m_measurement.get());
}

// ---- new, open, close -----------------------------------------------------------------

void CRavikDoc::CreateFilterList()
{
    m_strFilterListPath = m_app.m_strSettingsFolder + kFilterListName;
    m_pFilterList = std::make_unique<CFilterList>();
    // A missing list is an empty one: nothing to report.
    m_pFilterList->Load(m_strFilterListPath);
}

void CRavikDoc::ReleaseFilterList()
{
    if (!m_pFilterList)
        return;
    m_pFilterList->Save(m_strFilterListPath);
    while (m_pFilterList->GetSize() > 0 && m_pFilterList->RemoveFilter(0)) {
    }
    m_pFilterList.reset();
}

bool CRavikDoc::OnNewDocument()
{
    CreateFilterList();
    return true;
}

void CRavikDoc::SaveSettingsOfChannel()
{
    const CMeasParamSet& p = m_app.m_params;
    m_savedIndex = CurrentIndex();
    m_saved.channel = p.m_params[m_savedIndex];
    m_saved.trigType = p.m_nTrigType;
    std::memcpy(m_saved.sampleIntervals, p.m_dSampleInterval, sizeof m_saved.sampleIntervals);
}

void CRavikDoc::RestoreSettingsOfChannel()
{
    if (m_savedIndex < 0)
        return;
    CMeasParamSet& p = m_app.m_params;
    p.m_params[m_savedIndex] = m_saved.channel;
    p.m_nTrigType = m_saved.trigType;
    std::memcpy(p.m_dSampleInterval, m_saved.sampleIntervals, sizeof m_saved.sampleIntervals);
    m_savedIndex = -1;
}

bool CRavikDoc::OnOpenDocument(const std::string& path)
{
    CRadarData* radar = Radar();
    if (!radar) {
        m_app.GetPrompter().messageText("No data set can be opened in this program.");
        return false;
    }
    const std::filesystem::path file(path);
    const std::string folder = PlatformPaths::WithTrailingSlash(file.parent_path().string());
    const std::string name = file.filename().string();

    // Opening stores the header's values into the current channel's settings; what it
    // changes is put back when the file is refused and when the document closes.
    SaveSettingsOfChannel();
    ++m_traceSet;
    int result;
    {
        Lock display(m_app.m_locks.Display);
        result = radar->OpenFiles(folder, name);
    }
    if (result != 0) {
        RefuseOpen(result);
        return false;
    }
    m_app.m_status.m_bOldDataFile = 1;
    m_app.m_settings.m_strDataFolder = folder;
    CreateFilterList();
    return true;
}

void CRavikDoc::RefuseOpen(int result)
{
    CRadarData& radar = *Radar();
    const int k = CurrentIndex();
    const CChannelData& channel = radar.GetChannel(k);
    if (channel.m_Header.m_nSamples > CChannelData::kMaxSamples)
        m_app.GetPrompter().message(kMsgTooManySamples);
    else if (result == 3)
        m_app.GetPrompter().messageText("The selected data file holds no traces and cannot be opened.");
    else
        m_app.GetPrompter().messageText(
            "The selected data file or its .rad header cannot be read, or the header gives no usable sample count.");
    RestoreSettingsOfChannel();
    {
        Lock display(m_app.m_locks.Display);
        radar.CloseFiles(true);
    }
    m_app.m_status.m_bOldDataFile = 0;
}

void CRavikDoc::OnCloseDocument()
{
    UnregisterCommands();
    StopMeasurement();
    ++m_traceSet;
    if (CRadarData* radar = Radar()) {
        Lock display(m_app.m_locks.Display);
        radar->GetChannel(CurrentIndex()).ResetTraceCache();
        radar->CloseFiles(true);
    }
    if (m_app.m_status.m_bOldDataFile.load())
        RestoreSettingsOfChannel();
    else if (m_app.MainWindow() && m_app.m_status.IsConnected())
        m_app.MainWindow()->ChannelTree().Rebuild();
    m_app.m_status.m_bOldDataFile = 0;
    m_app.m_status.m_bContinue.fill(0);
    ReleaseFilterList();
    if (!m_app.m_params.SaveLastUsed())
        m_app.GetPrompter().message(139);
    if (CRadarData* radar = Radar()) {
        Lock display(m_app.m_locks.Display);
        radar->ResetTraceCaches();
    }
    RefreshViews();
}

// ---- start, stop, keyboard step -------------------------------------------------------

void CRavikDoc::OnMeasureStart()
{
    CMeasurement* measurement = Measurement();
    CRadarData* radar = Radar();
    if (!measurement || !radar)
        return;
    std::int32_t traces;
    {
        Lock display(m_app.m_locks.Display);
        traces = radar->GetChannel(CurrentIndex()).GetTraceCount();
    }
    const bool newSet = traces < 1 && !m_app.m_status.m_bOldDataFile.load() && !m_app.m_status.IsMeasuring();
    ++m_traceSet;
    const int result = measurement->OnMeasureStart();
    if (newSet && result != kStartOk) {
        // The files of a set that never started are closed, so the next start makes a
        // fresh set instead of leaving these open behind it.
        Lock display(m_app.m_locks.Display);
        radar->CloseFiles(true);
    }
    RefreshViews();
}

CMeasurement* CRavikDoc::RunningMeasurement()
{
    // The measurement that runs is stopped whichever document is asked: the one that
    // started it may not be the active one.
    if (CAcquisition* acq = m_app.Acquisition())
        if (CMeasurement* running = acq->RunningMeasurement())
            return running;
    return IsMeasuringHere() ? m_measurement.get() : nullptr;
}

void CRavikDoc::OnMeasureStop()
{
    if (CMeasurement* running = RunningMeasurement())
        running->OnMeasureStop();
    else if (CMeasurement* measurement = Measurement())
        measurement->OnMeasureStop();
    RefreshViews();
}

void CRavikDoc::StopMeasurement()
{
    if (CMeasurement* running = RunningMeasurement())
        running->StopMeasurement();
}

void CRavikDoc::OnTrigg()
{
    if (!OnUpdateTrigg())
        return;
    m_measurement->OnTrigg();
    RefreshViews();
}

bool CRavikDoc::OnUpdateTrigg() const
{
    return m_measurement && m_measurement->OnUpdateTrigg();
}

bool CRavikDoc::OnUpdateNotMeasuring() const
{
    return !m_app.m_status.IsMeasuring();
}

// ---- display flags and the filter manager ----------------------------------------------

void CRavikDoc::OnTraceWindow()
{
    m_bTraceWindow = m_bTraceWindow ? 0 : 1;
    m_app.m_status.m_nRightMargin = m_bTraceWindow ? kTraceWindowMargin : 0;
    RefreshViews();
}

void CRavikDoc::OnDisableAllFilters()
{
    m_bFiltersEnabled = m_bFiltersEnabled ? 0 : 1;
    RefreshViews();
}

void CRavikDoc::EditFilterList()
{
    CRadarData* radar = Radar();
    if (!radar || !m_pFilterList)
        return;
    const int k = CurrentIndex();
    CChannelData& channel = radar->GetChannel(k);
    int n;
    int s;
    std::string radPath;
    {
        Lock display(m_app.m_locks.Display);
        n = std::clamp(channel.GetTraceCount(), 0, kFilterManagerTraces);
        // Cache entries hold at most 2048 samples: a header promising more is cut to that.
        s = std::clamp(channel.GetSamples(), 0, CTraceCache::kEntrySamples);
        radPath = channel.m_Header.m_strPath;
    }
    CMeasureInfo description;
    description.Load(radPath);
    description.SetSamplesPerTrace(s);
    description.SetTraceCount(n);

    std::vector<std::int16_t> block(static_cast<std::size_t>(n) * static_cast<std::size_t>(s));
    {
        Lock display(m_app.m_locks.Display);
        CTraceCache& cache = channel.GetTraceCache();
        for (int i = 0; i < n; ++i)
            std::memcpy(&block[static_cast<std::size_t>(i) * s], cache.GetTrace(i), sizeof(std::int16_t) * s);
    }
    m_pFilterList->Edit(0, block.data(), n, s, description);
    RefreshViews();
}

// ---- scales ---------------------------------------------------------------------------

float CRavikDoc::GetTraceSpacing() const
{
    const CMeasParamSet& p = m_app.m_params;
    if (p.m_nTrigType < 128) {
        CRadarData* radar = Radar();
        if (!radar)
            return 0.0f;
        const int first = (CurrentIndex() / 2) * 2;
        // A damaged header's interval of 0 or less would give the distance axis no spacing:
        // it is drawn with the interval the settings took from it on opening.
        const double interval = radar->GetChannel(first).m_Header.UsableTraceInterval();
        return static_cast<float>(interval / p.GetUnitFactor());
    }
    return static_cast<float>(p.m_params[CurrentIndex()].m_dTimeInterval);
}

float CRavikDoc::GetVerticalExtent() const
{
    const CMeasParamSet& p = m_app.m_params;
    const CMeasParam& c = p.m_params[CurrentIndex()];
    // The sample-interval table has four ramps: a RAMP INDEX past it reads as the last.
    const int ramp = std::clamp<int>(c.m_nRampIndex, 0, CMeasParamSet::kRamps - 1);
    float t = static_cast<float>(c.m_nFrequencySteps * p.GetSampleInterval(CurrentIndex() / 2, ramp) * 1000.0);
    if (m_app.m_settings.m_nScale == 0)
        t = m_app.m_settings.m_fVelocity / (p.GetUnitFactor() * 2000.0f) * t;
    return t;
}

void CRavikDoc::GetScales(CFloatPoint& scales) const
{
    scales = CFloatPoint(GetTraceSpacing(), GetVerticalExtent());
}

// ---- views and commands ---------------------------------------------------------------

void CRavikDoc::RefreshViews()
{
    m_views.erase(std::remove_if(m_views.begin(), m_views.end(), [](const QPointer<QWidget>& v) { return v.isNull(); }),
                  m_views.end());
    Q_EMIT viewsChanged();
    // The child windows' titles and the status panes follow at once.
    if (CMainFrame* frame = m_app.MainWindow())
        frame->UpdateCommandUI();
}

QWidget* CRavikDoc::CreateView(QWidget* parent)
{
    auto* view = new CRavikView(*this, parent);
    connect(this, &CRavikDoc::viewsChanged, view, &CRavikView::refresh);
    m_views.emplace_back(view);
    RegisterCommands();
    return view;
}

CRavikView* CRavikDoc::FirstView() const
{
    for (const QPointer<QWidget>& v : m_views)
        if (auto* view = qobject_cast<CRavikView*>(v.data()))
            return view;
    return nullptr;
}

std::string CRavikDoc::GetTitle() const
{
    if (CRadarData* radar = Radar()) {
        const std::string& name = radar->GetChannel(CurrentIndex()).m_strShortName;
        if (!name.empty())
            return name;
    }
    return "Delvora1";
}

std::vector<std::pair<int, CommandRouter::Handler>> CRavikDoc::CommandHandlers()
{
    const auto notMeasuring = [this] { return OnUpdateNotMeasuring(); };
    const auto printable = [this] { return OnUpdateNotMeasuring() && FirstView() != nullptr; };
    const auto pane = [this](int index) {
        return [this, index]() -> std::string {
            const CRavikView* view = FirstView();
            if (!view)
                return {};
            const radargram::StatusTexts& t = view->Status();
            const std::string* texts[] = {&t.trace, &t.sample, &t.pos, &t.depth};
            return *texts[index];
        };
    };
    std::vector<std::pair<int, CommandRouter::Handler>> handlers = {
        {cmd::kTrigger, {[this] { OnTrigg(); }, [this] { return OnUpdateTrigg(); }, {}, {}}},
        {cmd::kTraceWindow, {[this] { OnTraceWindow(); }, {}, [this] { return IsTraceWindowOn(); }, {}}},
        {cmd::kFilterManager, {[this] { OnFilterManager(); }, [this] { return OnUpdateNotMeasuring() && m_pFilterList; },
                               {}, {}}},
        {cmd::kDisableFilters, {[this] { OnDisableAllFilters(); }, {}, [this] { return !AreFiltersEnabled(); }, {}}},
        {cmd::kPrint, {[this] { FirstView()->OnFilePrint(m_app.Printer()); }, printable, {}, {}}},
        {cmd::kPrintPreview, {[this] { FirstView()->OnFilePrintPreview(m_app.Printer()); }, printable, {}, {}}},
        {cmd::kClose, {{}, notMeasuring, {}, {}}},
    };
    for (int i = 0; i < cmd::kPaneCount; ++i)
        handlers.push_back({cmd::kPane1 + i, {{}, {}, {}, pane(i)}});
    return handlers;
}

void CRavikDoc::RegisterCommands()
{
    CMainFrame* frame = m_app.MainWindow();
    if (!frame || m_registered)
        return;
    for (auto& [id, handler] : CommandHandlers()) {
        // Close stays the frame's: the document only says when a window may close.
        if (id == cmd::kClose)
            continue;
        frame->Router().Register(CommandRouter::Level::Document, static_cast<AppDocument*>(this), id,
                                 std::move(handler));
    }
    m_registered = true;
}

void CRavikDoc::UnregisterCommands()
{
    // While the main window goes, its router goes with it: nothing is left to take back.
    if (CMainFrame* frame = m_app.MainWindow(); frame && m_registered)
        frame->Router().Unregister(static_cast<AppDocument*>(this));
    m_registered = false;
}

bool CRavikDoc::IsCommandEnabled(int id)
{
    for (const auto& [cid, h] : CommandHandlers())
        if (cid == id)
            return !h.enabled || h.enabled();
    return false;
}

bool CRavikDoc::IsCommandChecked(int id)
{
    for (const auto& [cid, h] : CommandHandlers())
        if (cid == id)
            return h.checked && h.checked();
    return false;
}

bool CRavikDoc::OnCommand(int id)
{
    for (const auto& [cid, h] : CommandHandlers())
        if (cid == id && h.run && (!h.enabled || h.enabled())) {
            h.run();
            return true;
        }
    return false;
}

// ---- what the views read ----------------------------------------------------------------

RadargramChannel CRavikDoc::Channel()
{
    const CMeasParamSet& p = m_app.m_params;
    const CMeasParam& param = p.m_params[CurrentIndex()];
    RadargramChannel c;
    c.samples = param.m_nSamples;
    c.timeZero = param.m_nTimeZero;
    c.trigType = p.m_nTrigType;
    c.units = p.m_strUnits;
    c.timeScale = m_app.m_settings.m_nScale != 0;
    c.traceSpacing = GetTraceSpacing();
    c.verticalExtent = GetVerticalExtent();
    if (CRadarData* radar = Radar()) {
        Lock display(m_app.m_locks.Display);
        c.headerSamples = radar->GetChannel(CurrentIndex()).GetSamples();
    }
    return c;
}

int CRavikDoc::TraceCount()
{
    CRadarData* radar = Radar();
    if (!radar)
        return 0;
    Lock display(m_app.m_locks.Display);
    return radar->GetChannel(CurrentIndex()).GetTraceCount();
}

int CRavikDoc::CopyTraces(int first, int n, std::int16_t* rows, int stride, int samples)
{
    CRadarData* radar = Radar();
    const auto width = static_cast<std::size_t>(std::clamp(std::min(samples, stride), 0, CTraceCache::kEntrySamples));
    if (!radar) {
        for (int j = 0; j < n; ++j)
            std::fill_n(rows + static_cast<std::ptrdiff_t>(j) * stride, width, 0);
        return 0;
    }
    int count;
    {
        Lock display(m_app.m_locks.Display);
        CChannelData& channel = radar->GetChannel(CurrentIndex());
        CTraceCache& cache = channel.GetTraceCache();
        count = channel.GetTraceCount();
        const bool measuring = m_app.m_status.IsMeasuring();
        // A block that fits the display window is read with one reload at most.
        const int last = std::min(first + n, count) - 1;
        if (!measuring && n <= CTraceCache::kCapacity && last >= 0 &&
            (std::max(first, 0) < cache.GetFirst() || last > cache.GetLast()))
            cache.Reload(std::max(first, 0) + CTraceCache::kCapacity / 2);
        for (int j = 0; j < n; ++j) {
            std::int16_t* row = rows + static_cast<std::ptrdiff_t>(j) * stride;
            const int t = first + j;
            const bool held = t >= 0 && t < count && (!measuring || (t >= cache.GetFirst() && t <= cache.GetLast()));
            if (held)
                std::memcpy(row, cache.GetTrace(t), sizeof(std::int16_t) * width);
            else
                std::fill(row, row + width, 0);
        }
    }
    radar->ReportTraceReadError();
    return count;
}

std::uint64_t CRavikDoc::TraceSetKey()
{
    return (m_traceSet << 4) | static_cast<std::uint64_t>(CurrentIndex());
}

bool CRavikDoc::IsMeasuring() const
{
    return m_app.m_status.IsMeasuring();
}

std::int64_t CRavikDoc::NewestDistance()
{
    Lock position(m_app.m_locks.Position);
    return static_cast<std::int64_t>(m_app.m_status.m_nDistanceCount) * m_app.m_status.m_nDistanceMultiplier;
}

int CRavikDoc::Margin() const
{
    return m_app.m_status.m_nRightMargin;
}

bool CRavikDoc::FiltersOn()
{
    return m_bFiltersEnabled && m_pFilterList && m_pFilterList->GetSize() > 0;
}

bool CRavikDoc::ApplyFilters(const std::int16_t* in, std::int16_t* out, int stride, int traces)
{
    CRadarData* radar = Radar();
    if (!FiltersOn() || !radar)
        return false;
    std::string radPath;
    {
        Lock display(m_app.m_locks.Display);
        radPath = radar->GetChannel(CurrentIndex()).m_Header.m_strPath;
    }
    // A header that cannot be read leaves the description as it stood.
    m_infoCache.load(radPath, m_info);
    MeasureInfo info = m_info;
    info.samplesPerTrace = stride;
    info.traces = traces;
    info.validSamples = std::clamp(info.validSamples, 0, stride);
    return FilterListApply(m_pFilterList->GetHandle(), in, out, info) != 0;
}

std::vector<CMarker> CRavikDoc::Markers()
{
    CRadarData* radar = Radar();
    if (!radar)
        return {};
    return radar->GetMarkerFile(CurrentIndex()).GetMarkers();
}

std::uint32_t CRavikDoc::MarkerColour(int n) const
{
    if (m_app.m_pMarkerSettings && n >= 1 && n <= CMarkerSettings::kMarkers)
        return m_app.m_pMarkerSettings->m_Colour[static_cast<std::size_t>(n - 1)];
    return 0;
}

const CRadarPalette& CRavikDoc::Palette() const
{
    return m_app.m_palette;
}

std::int32_t CRavikDoc::Gain() const
{
    return m_app.m_settings.m_nPaletteGain;
}

void CRavikDoc::ChangePalette()
{
    m_app.OnCommand(cmd::kPaletteManager);
}
