// The application object: owns everything long-lived (settings, parameter set, data set,
// GPS receiver, control unit, locks, acquisition status), starts and stops the program in a
// fixed order, runs the application's commands and handles the notifications the worker
// threads post to the user-interface thread.
//
// Life: construction (parameter set files read) -> InitInstance (profile, main window,
// presence check) -> message loop -> ExitInstance (threads joined, profile, palette and
// settings files saved, then the main window destroyed) -> destruction (the parts released).
// ExitInstance also runs after a failed InitInstance, and from the destructor when nobody
// called it.
#pragma once

#include "display/RadarPalette.h"
#include "model/AppSettings.h"
#include "model/MeasParamSet.h"
#include "link/Acquisition.h"
#include "link/AcquisitionStatus.h"
#include "shell/AppCommands.h"
#include "link/AppLocks.h"
#include "shell/AppParts.h"
#include "shell/AppUnitInfo.h"
#include "shell/DocTemplate.h"
#include "shell/RecentFiles.h"
#include "shell/RefreshThrottle.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMainFrame;
class CMarkerSettings;
class QPrinter;
class QWidget;

class CRavikApp : public QObject {
    Q_OBJECT
public:
    explicit CRavikApp(AppParts parts);
    ~CRavikApp() override;
    CRavikApp(const CRavikApp&) = delete;
    CRavikApp& operator=(const CRavikApp&) = delete;

    // False when the main window cannot be made, or when the program was told to end while
    // a message box of start-up was open: then neither the window opens nor a frame is sent.
    bool InitInstance();
    // Whether the program has been told to end (the session ended); start-up asks it after
    // each step that may show a message box.
    void SetEndRequested(std::function<bool()> requested) { m_endRequested = std::move(requested); }
    // Stops what runs, joins the worker threads, saves the profile, the palette and the four
    // settings files, then destroys the main window. Returns 0; runs once.
    int ExitInstance();

    // Closes the active document, then opens `path` as a new one (null when it fails).
    AppDocument* OpenDocumentFile(const std::string& path);
    // A new empty document in its own window (null when none can be made).
    AppDocument* NewDocument();
    // Status timer: the presence check, while the unit check is on and nothing is measured.
    void PollControlUnit();
    // The presence check: only with the unit check on; connected := the unit answered.
    void DetectUnit(int reserved);
    void RedetectUnit();
    // Marker key n = 1..9 while measuring: a marker on every active channel, at its own trace
    // count (time and keyboard mode) or at the distance count (wheel mode).
    void AddMarker(int n);

    void LoadSettings();
    void SaveSettings();

    // Commands of the application (CommandIds.h).
    bool IsCommandEnabled(int id) const;
    bool IsCommandChecked(int id) const;
    // Runs command `id` when it is the application's and enabled; false otherwise.
    bool OnCommand(int id);
    AppCommandState CommandState() const;

    // The main window closes (File > Exit, end of session): a running measurement is
    // stopped and the GPS receiver thread told to end.
    void OnMainWindowClose();

    // The document of the main window's active child window, or null.
    AppDocument* ActiveDocument() const;
    CMainFrame* MainWindow() const { return m_pMainWnd.get(); }
    Prompter& GetPrompter() const { return *m_parts.prompter; }
    Profile& GetProfile() const { return *m_parts.profile; }

    // What opens the windows of commands whose dialogs are not part of every build. A
    // command whose runner is not set stays disabled.
    struct DialogRunners {
        // Measurement settings: runs the dialog and gives the folder text it closed with.
        std::function<std::string(CRavikApp&)> measurementSettings;
        std::function<bool(CRavikApp&)> scales;          // true on OK
        std::function<bool(CRavikApp&)> paletteManager;  // true on OK
        std::function<bool(CRavikApp&, std::int16_t&)> hardwareSetup;  // true on OK
        // The file to open; empty when the operator cancelled.
        std::function<std::string(CRavikApp&)> chooseFileToOpen;

        // The main frame's windows and dialogs; each runs modally with the main window as
        // parent and returns true on OK. A frame command whose runner is not set stays disabled.
        std::function<bool(CRavikApp&)> measurementInfo;     // F3
        std::function<bool(CRavikApp&)> wheelList;
        std::function<bool(CRavikApp&)> antennaList;
        std::function<bool(CRavikApp&)> markers;
        // Runs the new-wheel calibration; on OK the wheel is added to the parameter set.
        std::function<bool(CRavikApp&)> newWheelCalibration;
        std::function<bool(CRavikApp&)> gpsSetup;
        // The channel parameters of (slot, channel); true on OK.
        std::function<bool(CRavikApp&, int, int)> channelParameters;
        // The non-modal windows of the frame, made on demand with the main window as owner.
        std::function<QWidget*(CRavikApp&, QWidget*)> makeSensorWindow;   // "50/60 Hz sensor data"
        std::function<QWidget*(CRavikApp&, QWidget*)> makeTraceInfoBar;   // contents of "Trace info"
    };
    DialogRunners m_runners;

    // Settings kept in the profile (data folder, base name, scale, velocity, adapter,
    // palette gain, bar flags, unit check, trace tags).
    CAppSettings m_settings;
    std::string m_strLastOpenedFile;
    std::string m_strSettingsFolder;
    std::vector<std::string> m_adapterDescriptions;

    // Live from construction to destruction: no worker can outlive them.
    CAppLocks m_locks;
    CAcquisitionStatus m_status;
    CMeasParamSet m_params;
    CRecentFiles m_recentFiles;
    CDocTemplate m_docTemplate;
    std::unique_ptr<CMarkerSettings> m_pMarkerSettings;
    // The colours of every radargram; read from the settings folder's `palette` at start
    // and written back at exit. Its gain is m_settings.m_nPaletteGain.
    CRadarPalette m_palette;
    // The data set asks through it whether the unit has slots.
    CAppUnitInfo m_unitInfo{[this] { return m_unit.get(); }};

    GpsControl* Gps() const { return m_gps.get(); }
    AppDataSet* DataSet() const { return m_data.get(); }
    ControlUnit* Unit() const { return m_unit.get(); }
    // The acquisition the documents measure with; null without a data set or unit.
    CAcquisition* Acquisition() const { return m_acquisition.get(); }
    const RefreshThrottle& Throttle() const { return m_throttle; }
    // The timer of the refresh that a dropped traces-ready message asked for.
    QTimer& LateRefreshTimer() { return m_lateRefresh; }

    // The printer and its settings that Print Setup changes and printing uses.
    QPrinter& Printer();

    // The refresh that a dropped traces-ready message asked for is due (LateRefreshTimer).
    void OnLateRefresh();

protected:
    void customEvent(QEvent* event) override;

private:
    void OnTracesReady();
    void OnStatusUpdate();
    void OnGpsUpdate();
    void OnAcquisitionEnded();
    bool CommandAvailable(int id) const;

    void OnAbout();
    void OnScales();
    void OnConnect();
    void OnPaletteManager();
    void OnHardwareSetup();
    void OnPrintSetup();
    void OnMeasureStart();
    void OnMeasurementSettings();
    void OnMeasureStop();
    void OnStartNew();
    void OnOpen();
    void OnRecentFile(int index);
    void StopMeasuringDocument();
    void NoteGpsState();

    bool EndRequested() const { return m_endRequested && m_endRequested(); }

    AppParts m_parts;
    std::function<bool()> m_endRequested;
    RefreshThrottle m_throttle;
    QTimer m_lateRefresh;
    std::unique_ptr<QPrinter> m_printer;
    bool m_exited = false;
    bool m_bSettingsLoaded = false;  // the profile was read: only then is it written
    bool m_bPaletteLoaded = false;   // likewise the palette file
    // Whether the GPS receiver was on when the program began to close: "Log GPS On/Off"
    // keeps that state although the receiver is closed before the profile is written.
    bool m_gpsStateNoted = false;
    bool m_gpsWasOpen = false;

    // Built in this order, released in the reverse order by the destructor.
    std::unique_ptr<GpsControl> m_gps;
    std::unique_ptr<AppDataSet> m_data;
    std::unique_ptr<ControlUnit> m_unit;
    std::unique_ptr<CAcquisition> m_acquisition;
    std::unique_ptr<CMainFrame> m_pMainWnd;
};

// The one application object while it exists (null before and after).
extern CRavikApp* theApp;
