#include "tests/shell/AppDoubles.h"

#include "shell/AppEvents.h"
#include "shell/AppGps.h"
#include "shell/DriverUnit.h"
#include "shell/ProgramParts.h"

#include <QCoreApplication>

#include <gtest/gtest.h>
#include <sys/stat.h>

bool SettingsFiles::AnyExists() const
{
    struct stat st {};
    for (const char* name : {"last_used_param", "preset_param", "global_settings", "wheel_presets"})
        if (::stat((m_folder + "/" + name).c_str(), &st) == 0)
            return true;
    return false;
}

AppHarness::AppHarness() : files(dir.path() + "/settings") {}

AppHarness::~AppHarness()
{
    app.reset();
}

void AppHarness::Construct()
{
    AppParts parts;
    parts.prompter = &prompter;
    parts.profile = &profile;
    parts.clock = &clock;
    parts.settingsFolder = [this] {
        ::mkdir(files.Folder().c_str(), 0755);
        return files.Folder();
    };
    parts.makeGps = [this](CRavikApp&) -> std::unique_ptr<GpsControl> {
        log.push_back("make gps");
        if (realGps)
            return std::make_unique<CAppGps>(profile, prompter);
        if (!withGps)
            return nullptr;
        auto g = std::make_unique<FakeGps>(log, files);
        gps = g.get();
        return g;
    };
    parts.makeDataSet = [this](CRavikApp& a) -> std::unique_ptr<AppDataSet> {
        log.push_back("make data set");
        if (realData)
            return MakeProgramDataSet(a);
        if (!withData)
            return nullptr;
        auto d = std::make_unique<FakeDataSet>(log, files);
        data = d.get();
        return d;
    };
    parts.makeUnit = [this](CRavikApp& a) -> std::unique_ptr<ControlUnit> {
        log.push_back("make unit");
        if (realUnit)
            return std::make_unique<CDriverUnit>(&a.m_params.m_nCurSlot, a.m_settings.m_nIfaceIndex,
                                                 a.m_adapterDescriptions, prompter);
        if (!withUnit)
            return nullptr;
        auto u = std::make_unique<FakeUnit>(log, files);
        u->present = unitPresent;
        unit = u.get();
        return u;
    };
    parts.makeAcquisition = [this](CRavikApp& a) -> std::unique_ptr<CAcquisition> {
        return realAcquisition ? MakeProgramAcquisition(a) : nullptr;
    };
    parts.makeMainFrame = [this](CRavikApp& a) -> std::unique_ptr<CMainFrame> {
        log.push_back("make main frame");
        if (frameFails)
            return nullptr;
        return std::make_unique<TestFrame>(a);
    };
    app = std::make_unique<CRavikApp>(std::move(parts));
}

void AppHarness::Start()
{
    Construct();
    ASSERT_TRUE(app->InitInstance());
}

void AppHarness::Exit()
{
    if (app->MainWindow())
        app->MainWindow()->close();
    app->ExitInstance();
}

FakeDocument& AppHarness::OpenFakeDocument(const std::string& name)
{
    auto doc = std::make_unique<FakeDocument>(log, name);
    FakeDocument& ref = *doc;
    app->MainWindow()->AddDocument(std::move(doc));
    return ref;
}

void AppHarness::Deliver(QEvent::Type type)
{
    PostAppEvent(type);
    QCoreApplication::sendPostedEvents(app.get(), type);
}
