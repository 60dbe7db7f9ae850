#include "shell/ProgramParts.h"

#include "model/PlatformPaths.h"
#include "shell/AcqNotices.h"
#include "shell/AppGps.h"
#include "shell/AppRadarData.h"
#include "shell/DriverUnit.h"
#include "shell/FileChooser.h"
#include "shell/MainFrame.h"
#include "shell/RavikDoc.h"
#include "filters/editor/FilterManagerDialog.h"
#include "shell/DisplayWindows.h"
#include "shell/dialogs/MarkDlg.h"
#include "shell/dialogs/PaletteManager.h"
#include "shell/dialogs/CUSetup.h"
#include "shell/dialogs/GPSDlg.h"
#include "shell/dialogs/InfoDlg.h"
#include "shell/dialogs/NewWheel.h"
#include "shell/dialogs/UnitDlg.h"
#include "shell/dialogs/WheelDlg.h"
#include "shell/dialogs/AntennaDlg.h"
#include "shell/dialogs/NewDialog.h"
#include "shell/dialogs/ParamDlg.h"

#include <QApplication>
#include "shell/RavikApp.h"

std::unique_ptr<AppDataSet> MakeProgramDataSet(CRavikApp& app)
{
    DataSetContext context{app.m_params, app.GetPrompter(), app.m_locks.Driver, app.m_locks.Em};
    context.unit = &app.m_unitInfo;
    context.gps = app.Gps() ? app.Gps()->LogProvider() : nullptr;
    context.isMeasuring = [&app] { return app.m_status.IsMeasuring(); };
    context.isFileViewMode = [&app] { return app.m_status.m_bOldDataFile.load() != 0; };
    return std::make_unique<CAppRadarData>(std::move(context));
}

std::unique_ptr<CAcquisition> MakeProgramAcquisition(CRavikApp& app)
{
    auto* unit = dynamic_cast<CDriverUnit*>(app.Unit());
    CRadarData* radar = app.DataSet() ? app.DataSet()->Radar() : nullptr;
    if (!unit || !radar)
        return nullptr;
    AcquisitionContext context{app.m_params, *radar, unit->Driver(), app.m_status, app.m_locks,
                               app.GetPrompter()};
    context.post = PostAcqNotice;
    context.beep = [] { QApplication::beep(); };
    context.waitCursor = [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    return std::make_unique<CAcquisition>(std::move(context));
}

AppParts ProgramParts(Prompter& prompter, Profile& profile, TickClock& clock)
{
    AppParts parts;
    parts.prompter = &prompter;
    parts.profile = &profile;
    parts.clock = &clock;
    parts.settingsFolder = [] { return PlatformPaths::SettingsFolder(); };
    parts.makeGps = [](CRavikApp& app) -> std::unique_ptr<GpsControl> {
        return std::make_unique<CAppGps>(app.GetProfile(), app.GetPrompter());
    };
    parts.makeDataSet = MakeProgramDataSet;
    parts.makeUnit = [](CRavikApp& app) -> std::unique_ptr<ControlUnit> {
        return std::make_unique<CDriverUnit>(&app.m_params.m_nCurSlot, app.m_settings.m_nIfaceIndex,
                                             app.m_adapterDescriptions, app.GetPrompter());
    };
    parts.makeAcquisition = MakeProgramAcquisition;
    parts.makeMainFrame = [](CRavikApp& app) { return std::make_unique<CMainFrame>(app); };
    return parts;
}

void InstallProgramDialogs(CRavikApp& app)
{
    app.m_runners.chooseFileToOpen = [](CRavikApp& a) { return ChooseDataFileToOpen(a.MainWindow()); };
    app.m_docTemplate.SetFactory([&app] { return std::make_unique<CRavikDoc>(app); });
    InstallFilterManager();
    app.m_runners.markers = RunMarkerDialog;
    app.m_runners.paletteManager = RunPaletteManager;
    app.m_runners.makeSensorWindow = MakeSensorWindow;
    app.m_runners.makeTraceInfoBar = MakeTraceInfoBar;
    app.m_runners.wheelList = RunWheelList;
    app.m_runners.newWheelCalibration = RunNewWheelCalibration;
    app.m_runners.hardwareSetup = RunHardwareSetup;
    app.m_runners.scales = RunUnitDialog;
    app.m_runners.measurementInfo = RunMeasurementInfo;
    app.m_runners.gpsSetup = RunGpsSetup;
    app.m_runners.measurementSettings = RunMeasurementSettings;
    app.m_runners.channelParameters = RunChannelParameters;
    app.m_runners.antennaList = RunAntennaList;
}
