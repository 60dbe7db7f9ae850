#include "shell/RavikApp.h"

#include "model/PlatformPaths.h"
#include "model/Profile.h"
#include "model/Prompter.h"
#include "link/Measurement.h"
#include "shell/AppEvents.h"
#include "shell/ChannelTree.h"
#include "shell/CommandIds.h"
#include "shell/MainFrame.h"
#include "shell/MarkerSettings.h"
#include "shell/PositionBar.h"
#include "shell/dialogs/AboutDlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScreen>

#include <mutex>

CRavikApp* theApp = nullptr;

namespace {

// Guards theApp against a worker that posts while the application object comes or goes.
std::mutex g_postLock;

// The GPS settings as they are saved at exit: the receiver is closed by then, but
// "Log GPS On/Off" records whether it was on when the program began to close.
class GpsStateAtClose : public GpsSettingsTarget {
public:
    GpsStateAtClose(GpsSettingsTarget& gps, bool wasOpen) : m_gps(gps), m_wasOpen(wasOpen) {}
    Values GetGpsValues() const override { return m_gps.GetGpsValues(); }
    void SetGpsValues(const Values& values) override { m_gps.SetGpsValues(values); }
    void Enable(bool on) override { m_gps.Enable(on); }
    bool IsOpen() const override { return m_wasOpen; }

private:
    GpsSettingsTarget& m_gps;
    bool m_wasOpen;
};

// Settings of a GPS receiver that this build does not have: kept and saved as read,
// and reception stays off.
class NoGps : public GpsSettingsTarget {
public:
    Values GetGpsValues() const override { return m_values; }
    void SetGpsValues(const Values& values) override { m_values = values; }
    void Enable(bool) override {}
    bool IsOpen() const override { return false; }

private:
    Values m_values;
};

NoGps g_noGps;

template <typename T, typename F>
std::unique_ptr<T> Build(const F& factory, CRavikApp& app)
{
    return factory ? factory(app) : nullptr;
}

} // namespace

void PostAppEvent(QEvent::Type type)
{
    std::lock_guard lock(g_postLock);
    if (theApp)
        QCoreApplication::postEvent(theApp, new QEvent(type));
}

void PostAppMessage(const std::string& text)
{
    std::lock_guard lock(g_postLock);
    if (theApp)
        QCoreApplication::postEvent(theApp, new AppMessageEvent(text));
}

CRavikApp::CRavikApp(AppParts parts)
    : m_params(parts.settingsFolder ? parts.settingsFolder() : PlatformPaths::SettingsFolder()),
      m_parts(std::move(parts))
{
    m_lateRefresh.setSingleShot(true);
    connect(&m_lateRefresh, &QTimer::timeout, this, &CRavikApp::OnLateRefresh);

    // GPS receiver, data set, the parameter set's files, the control unit: in this order.
    m_gps = Build<GpsControl>(m_parts.makeGps, *this);
    m_data = Build<AppDataSet>(m_parts.makeDataSet, *this);
    m_params.LoadAll(*m_parts.prompter);
    m_unit = Build<ControlUnit>(m_parts.makeUnit, *this);
    m_acquisition = Build<CAcquisition>(m_parts.makeAcquisition, *this);

    {
        std::lock_guard lock(g_postLock);
        theApp = this;
    }
}

CRavikApp::~CRavikApp()
{
    if (!m_exited)
        ExitInstance();
    {
        std::lock_guard lock(g_postLock);
        if (theApp == this)
            theApp = nullptr;
    }
    // Events still queued for this object die with it.
    QCoreApplication::removePostedEvents(this);

    // Reverse order of construction; the settings files were written by ExitInstance.
    m_acquisition.reset();
    m_unit.reset();
    m_data.reset();
    m_gps.reset();
}

bool CRavikApp::InitInstance()
{
    // Clear the acquisition status of a fresh run.
    m_status.ClearErrors();
    m_status.m_nTimeBase = 0;
    m_status.m_bMeasuring = 0;
    m_status.m_bContinue.fill(0);
    m_status.m_bOldDataFile = 0;
    {
        std::lock_guard lock(m_locks.UnitValue);
        m_status.m_nBattery = CAcquisitionStatus::kBatteryAtStart;
    }

    m_recentFiles.Load(*m_parts.profile);
    LoadSettings();
    if (EndRequested())  // told to end while the GPS port's message was open
        return false;

    // The palette comes before the main window: its message must not open over the splash
    // window, whose time would run out behind it.
    m_strSettingsFolder = m_parts.settingsFolder ? m_parts.settingsFolder() : PlatformPaths::SettingsFolder();
    m_palette = CRadarPalette(m_strSettingsFolder);
    m_bPaletteLoaded = true;
    m_palette.Load(*m_parts.prompter);
    if (EndRequested())  // told to end while the palette's message was open
        return false;

    m_pMainWnd = Build<CMainFrame>(m_parts.makeMainFrame, *this);
    if (!m_pMainWnd)
        return false;

    if (m_data)
        m_data->SetHeaderDefaults();

    m_status.m_bConnected = 0;
    {
        std::lock_guard measure(m_locks.Measure);
        DetectUnit(0);
    }
    if (EndRequested())  // told to end while the adapter's message was open
        return false;
    if (m_status.IsConnected() && m_unit) {
        std::lock_guard driver(m_locks.Driver);
        m_unit->SetCountry(static_cast<std::uint8_t>(m_params.m_nCountry));
        m_unit->SyncChannelsWithUnit(m_params);
        m_unit->ReadSampleIntervals(m_params);
    }

    // Where no window manager maximises it, the window still takes the whole screen.
    if (QScreen* screen = m_pMainWnd->screen())
        m_pMainWnd->setGeometry(screen->availableGeometry());
    m_pMainWnd->showMaximized();
    m_pMainWnd->UpdateCommandUI();

    m_pMarkerSettings = std::make_unique<CMarkerSettings>(*m_parts.profile);
    m_throttle.Reset();
    return true;
}

int CRavikApp::ExitInstance()
{
    if (m_exited)
        return 0;
    m_exited = true;

    // Nothing may still run when the settings are written: the measurement is stopped
    // properly (its headers rewritten), the unit told to stop, the GPS receiver thread and
    // the link's receive thread joined.
    StopMeasuringDocument();
    if (m_pMainWnd)
        m_pMainWnd->CloseAllDocuments();
    if (m_unit) {
        std::lock_guard driver(m_locks.Driver);
        m_unit->StopAcquisition();
    }
    NoteGpsState();
    if (m_gps)
        m_gps->Close();
    if (m_unit)
        m_unit->CloseLink();
    m_lateRefresh.stop();

    // Settings never read from the profile are not written back over it.
    if (m_bSettingsLoaded) {
        SaveSettings();
        m_recentFiles.Save(*m_parts.profile);
    }
    if (m_bPaletteLoaded)
        m_palette.Save(*m_parts.prompter);
    // Every thread has ended, so the settings files are written from a program at rest, and
    // before the windows go: whatever happens while they are torn down, the session's
    // settings are on disk.
    m_params.SaveAll(*m_parts.prompter);
    m_pMarkerSettings.reset();
    m_pMainWnd.reset();
    return 0;
}

void CRavikApp::LoadSettings()
{
    m_bSettingsLoaded = true;
    // A stored data folder is where File > Open starts; without one the program stays
    // in the directory it was started from. A folder that has gone changes nothing.
    const std::string stored = m_parts.profile->getString(CAppSettings::kSection, "CurrentDir", "");
    if (!stored.empty())
        QDir::setCurrent(QFile::decodeName(stored.c_str()));
    m_settings.LoadSettings(*m_parts.profile, m_gps ? static_cast<GpsSettingsTarget&>(*m_gps) : g_noGps);
}

void CRavikApp::SaveSettings()
{
    if (!m_gps) {
        m_settings.SaveSettings(*m_parts.profile, g_noGps);
        return;
    }
    if (!m_gpsStateNoted) {
        m_settings.SaveSettings(*m_parts.profile, *m_gps);
        return;
    }
    GpsStateAtClose gps(*m_gps, m_gpsWasOpen);
    m_settings.SaveSettings(*m_parts.profile, gps);
}

// ---- documents ----------------------------------------------------------------------

AppDocument* CRavikApp::ActiveDocument() const
{
    return m_pMainWnd ? m_pMainWnd->ActiveDocument() : nullptr;
}

AppDocument* CRavikApp::OpenDocumentFile(const std::string& path)
{
    if (!m_pMainWnd)
        return nullptr;
    if (AppDocument* active = ActiveDocument())
        m_pMainWnd->CloseDocument(active);
    m_strLastOpenedFile = path;

    std::unique_ptr<AppDocument> doc = m_docTemplate.Create();
    if (!doc || !doc->OnOpenDocument(path))
        return nullptr;
    m_recentFiles.Add(path);
    return m_pMainWnd->AddDocument(std::move(doc));
}

AppDocument* CRavikApp::NewDocument()
{
    if (!m_pMainWnd)
        return nullptr;
    std::unique_ptr<AppDocument> doc = m_docTemplate.Create();
    if (!doc || !doc->OnNewDocument())
        return nullptr;
    return m_pMainWnd->AddDocument(std::move(doc));
}

void CRavikApp::StopMeasuringDocument()
{
    if (!m_status.IsMeasuring())
        return;
    // The measurement that runs is stopped, whichever window is active.
    if (AppDocument* doc = ActiveDocument())
        doc->OnMeasureStop();
    else if (CMeasurement* running = m_acquisition ? m_acquisition->RunningMeasurement() : nullptr)
        running->OnMeasureStop();
    m_status.m_bMeasuring = 0;
}

void CRavikApp::OnMainWindowClose()
{
    StopMeasuringDocument();
    NoteGpsState();
    if (m_gps)
        m_gps->StopRunning();
}

void CRavikApp::NoteGpsState()
{
    if (m_gpsStateNoted || !m_gps)
        return;
    m_gpsWasOpen = m_gps->IsOpen();
    m_gpsStateNoted = true;
}

// ---- the control unit ---------------------------------------------------------------

void CRavikApp::DetectUnit(int)
{
    if (!m_settings.m_bUnitCheck)
        return;
    std::lock_guard driver(m_locks.Driver);
    m_status.m_bConnected = (m_unit && m_unit->Detect()) ? 1 : 0;
}

void CRavikApp::RedetectUnit()
{
    std::lock_guard measure(m_locks.Measure);
    DetectUnit(0);
}

void CRavikApp::PollControlUnit()
{
    if (m_settings.m_bUnitCheck && !m_status.IsMeasuring())
        RedetectUnit();
}

// ---- notifications from the worker threads ------------------------------------------

void CRavikApp::customEvent(QEvent* event)
{
    const int type = event->type();
    if (type == appevent::kTracesReady)
        OnTracesReady();
    else if (type == appevent::kStatusUpdate)
        OnStatusUpdate();
    else if (type == appevent::kGpsUpdate)
        OnGpsUpdate();
    else if (type == appevent::kAcquisitionEnded)
        OnAcquisitionEnded();
    else if (type == appevent::kThreadMessage)
        m_parts.prompter->errorText(static_cast<AppMessageEvent*>(event)->Text());
    else if (type >= appevent::kMarkerKeyBase && type < appevent::kMarkerKeyBase + appevent::kMarkerKeys)
        AddMarker(type - appevent::kMarkerKeyBase + 1);
}

void CRavikApp::OnTracesReady()
{
    if (!m_pMainWnd)
        return;
    switch (m_throttle.OnTracesReady(m_parts.clock->Now())) {
    case RefreshThrottle::Action::RefreshNow:
        if (AppDocument* doc = ActiveDocument())
            doc->RefreshViews();
        break;
    case RefreshThrottle::Action::ArmLate:
        m_lateRefresh.start(static_cast<int>(m_throttle.LateDelay()));
        break;
    case RefreshThrottle::Action::Dropped:
        break;
    }
}

void CRavikApp::OnLateRefresh()
{
    if (!m_throttle.OnLateRefresh(m_parts.clock->Now()))
        return;
    if (AppDocument* doc = ActiveDocument())
        doc->RefreshViews();
}

void CRavikApp::OnStatusUpdate()
{
    if (m_pMainWnd)
        m_pMainWnd->PositionBar().Update();
}

void CRavikApp::OnGpsUpdate()
{
    // The GPS thread may post while the program starts, before the main window exists.
    if (!m_pMainWnd)
        return;
    m_pMainWnd->PositionBar().Update();
    if (!m_status.IsMeasuring() || !m_data)
        return;
    for (int k = 0; k < CMeasParamSet::kChannels; ++k) {
        if (!m_params.m_params[k].m_bActive)
            continue;
        std::int32_t traces;
        {
            std::lock_guard display(m_locks.Display);
            traces = m_data->TraceCount(k);
        }
        if (m_data->GpsLogWantsRecord(k, traces))
            m_data->WriteGpsRecord(k, traces);
    }
}

void CRavikApp::OnAcquisitionEnded()
{
    // The acquisition thread ended on an error: the document's Stop joins it, rewrites the
    // headers and shows the first error raised, once.
    if (!m_status.IsMeasuring())
        return;
    if (AppDocument* doc = ActiveDocument())
        doc->OnMeasureStop();
    else if (CMeasurement* running = m_acquisition ? m_acquisition->RunningMeasurement() : nullptr)
        running->OnMeasureStop();
}

void CRavikApp::AddMarker(int n)
{
    // A marker key may come before the marker settings exist (end of start-up).
    if (!m_pMarkerSettings || !m_data)
        return;
    if (!ActiveDocument() || !m_status.IsMeasuring() || !m_pMarkerSettings->IsActive(n))
        return;

    // Slots may run at different trace intervals, in wheel mode (each slot its own DISTANCE
    // INTERVAL) as in time and keyboard mode, and a count of the current slot's traces would
    // point elsewhere in another slot's file: each channel is marked at its own trace count.
    for (int k = 0; k < CMeasParamSet::kChannels; ++k) {
        if (!m_params.m_params[k].m_bActive)
            continue;
        std::int64_t trace;
        {
            std::lock_guard display(m_locks.Display);
            trace = m_data->TraceCount(k);
        }
        // The marker file's trace numbers are unsigned.
        if (trace < 0)
            continue;
        m_data->AddMarker(k, static_cast<std::uint32_t>(trace), 0, static_cast<std::uint16_t>(n));
    }
}

// ---- commands -----------------------------------------------------------------------

AppCommandState CRavikApp::CommandState() const
{
    return {m_status.IsConnected(), m_status.IsMeasuring(), ActiveDocument() != nullptr};
}

bool CRavikApp::CommandAvailable(int id) const
{
    if (id >= cmd::kRecentFile1 && id < cmd::kRecentFile1 + cmd::kRecentFileCount)
        return m_docTemplate.CanCreate() && id - cmd::kRecentFile1 < m_recentFiles.Count();
    switch (id) {
    case cmd::kScalesSettings:
        return static_cast<bool>(m_runners.scales);
    case cmd::kPaletteManager:
        return static_cast<bool>(m_runners.paletteManager);
    case cmd::kHardwareSetup:
        return static_cast<bool>(m_runners.hardwareSetup);
    case cmd::kMeasurementSettings:
        return static_cast<bool>(m_runners.measurementSettings);
    case cmd::kStart:
    case cmd::kStartNew:
        return m_docTemplate.CanCreate() || ActiveDocument();
    case cmd::kStop:
        return ActiveDocument() != nullptr;
    case cmd::kOpen:
        return m_docTemplate.CanCreate() && static_cast<bool>(m_runners.chooseFileToOpen);
    default:
        return true;
    }
}

bool CRavikApp::IsCommandEnabled(int id) const
{
    const std::optional<bool> enabled = IsAppCommandEnabled(id, CommandState());
    return enabled.value_or(false) && CommandAvailable(id);
}

bool CRavikApp::IsCommandChecked(int id) const
{
    return id == cmd::kConnect && m_settings.m_bUnitCheck != 0;
}

bool CRavikApp::OnCommand(int id)
{
    if (!IsCommandEnabled(id))
        return false;
    if (id >= cmd::kRecentFile1 && id < cmd::kRecentFile1 + cmd::kRecentFileCount) {
        OnRecentFile(id - cmd::kRecentFile1);
        return true;
    }
    switch (id) {
    case cmd::kAbout: OnAbout(); break;
    case cmd::kScalesSettings: OnScales(); break;
    case cmd::kConnect: OnConnect(); break;
    case cmd::kPaletteManager: OnPaletteManager(); break;
    case cmd::kHardwareSetup: OnHardwareSetup(); break;
    case cmd::kPrintSetup: OnPrintSetup(); break;
    case cmd::kStart: OnMeasureStart(); break;
    case cmd::kMeasurementSettings: OnMeasurementSettings(); break;
    case cmd::kStop: OnMeasureStop(); break;
    case cmd::kStartNew: OnStartNew(); break;
    case cmd::kOpen: OnOpen(); break;
    case cmd::kF4: break;
    default: return false;
    }
    if (m_pMainWnd)
        m_pMainWnd->UpdateCommandUI();
    return true;
}

void CRavikApp::OnAbout()
{
    CAboutDlg dlg(m_pMainWnd.get());
    dlg.exec();
}

void CRavikApp::OnScales()
{
    if (!m_runners.scales(*this))
        return;
    if (m_pMainWnd)
        m_pMainWnd->PositionBar().Update();
    if (AppDocument* doc = ActiveDocument())
        doc->RefreshViews();
}

void CRavikApp::OnConnect()
{
    m_settings.m_bUnitCheck = m_settings.m_bUnitCheck ? 0 : 1;
}

void CRavikApp::OnPaletteManager()
{
    if (m_runners.paletteManager(*this))
        if (AppDocument* doc = ActiveDocument())
            doc->RefreshViews();
}

void CRavikApp::OnHardwareSetup()
{
    std::int16_t index = m_settings.m_nIfaceIndex;
    if (!m_runners.hardwareSetup(*this, index))
        return;
    m_settings.m_nIfaceIndex = index;
    if (m_unit) {
        std::lock_guard driver(m_locks.Driver);
        m_unit->CloseLink();
        m_unit->OpenLink();
    }
    if (AppDocument* doc = ActiveDocument())
        m_pMainWnd->CloseDocument(doc);
}

QPrinter& CRavikApp::Printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CRavikApp::OnPrintSetup()
{
    QPageSetupDialog dlg(&Printer(), m_pMainWnd.get());
    dlg.exec();
}

void CRavikApp::OnMeasureStart()
{
    // The status timer leaves the navigator alone while a measurement runs: a start before
    // its first tick fills it here, or the slots could not be switched during the run.
    if (m_pMainWnd)
        m_pMainWnd->ChannelTree().FillIfEmpty();
    // The document runs its own Start; the application's runs only without one.
    AppDocument* doc = ActiveDocument();
    if (!doc)
        doc = NewDocument();
    if (doc)
        doc->OnMeasureStart();
}

void CRavikApp::OnMeasureStop()
{
    if (AppDocument* doc = ActiveDocument())
        doc->OnMeasureStop();
}

void CRavikApp::OnMeasurementSettings()
{
    const int current = m_params.m_nCurSlot * 2 + m_params.m_nCurChannel;
    std::int32_t traces = 0;
    if (m_data && current >= 0 && current < CMeasParamSet::kChannels) {
        std::lock_guard display(m_locks.Display);
        traces = m_data->TraceCount(current);
    }
    if (traces > 0) {
        m_parts.prompter->message(57610);
        return;
    }
    // Whatever the dialog's result, its folder becomes the data folder: the operator may
    // have browsed to a folder and cancelled the rest.
    const std::string folder = m_runners.measurementSettings(*this);
    m_settings.m_strDataFolder = PlatformPaths::WithTrailingSlash(folder);
}

void CRavikApp::OnStartNew()
{
    if (AppDocument* doc = ActiveDocument()) {
        doc->StopMeasurement();
        m_pMainWnd->CloseDocument(doc);
    }
    OnMeasureStart();
}

void CRavikApp::OnOpen()
{
    const std::string path = m_runners.chooseFileToOpen(*this);
    if (!path.empty())
        OpenDocumentFile(path);
}

void CRavikApp::OnRecentFile(int index)
{
    const std::string path = m_recentFiles.At(index);
    if (!OpenDocumentFile(path))
        m_recentFiles.Remove(index);
}
