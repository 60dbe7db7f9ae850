// Start-up and shutdown of the application object, watched through recording doubles.

#include "tests/shell/AppDoubles.h"

#include "model/AppSettings.h"
#include "shell/MarkerSettings.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>

TEST(AppLifecycle, ConstructionBuildsPartsInOrderAndReportsEachMissingSettingsFile)
{
    AppHarness h;
    h.Construct();
    const EventLog expected = {"make gps", "make data set", "message 133", "message 134",
                               "message 135", "message 136", "make unit"};
    EXPECT_EQ(h.log, expected);
    EXPECT_EQ(h.app->m_settings.m_nScale, 1u);
    EXPECT_FLOAT_EQ(h.app->m_settings.m_fVelocity, 100.0f);
    EXPECT_EQ(h.app->m_pMarkerSettings, nullptr);
    EXPECT_EQ(h.app->MainWindow(), nullptr);
}

TEST(AppLifecycle, InitInstanceRunsItsStepsInOrderWithTheUnitCheckOn)
{
    AppHarness h;
    h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
    h.Construct();
    h.log.clear();
    ASSERT_TRUE(h.app->InitInstance());

    // The palette's message comes before the main window and its splash exist.
    const EventLog expected = {"gps settings", "gps off", "message 205", "make main frame", "data header defaults",
                               "unit detect", "unit country 0", "unit sync channels",
                               "unit sample intervals"};
    EXPECT_EQ(h.log, expected);
    EXPECT_TRUE(h.app->m_status.IsConnected());
    EXPECT_EQ(h.app->m_status.m_nBattery, 600);
    EXPECT_NE(h.app->m_pMarkerSettings, nullptr);
    EXPECT_EQ(h.app->m_strSettingsFolder, h.files.Folder());
    ASSERT_NE(h.app->MainWindow(), nullptr);
    EXPECT_EQ(h.app->MainWindow()->windowTitle().toStdString(), "Delvora for Tolam and Z5K");
}

TEST(AppLifecycle, NoUnitExchangeWithTheUnitCheckOffOrWhenNoUnitAnswers)
{
    {
        AppHarness h;
        h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 0);
        h.Start();
        EXPECT_EQ(std::count(h.log.begin(), h.log.end(), "unit detect"), 0);
        EXPECT_FALSE(h.app->m_status.IsConnected());
    }
    {
        AppHarness h;
        h.unitPresent = false;
        h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
        h.Start();
        EXPECT_EQ(std::count(h.log.begin(), h.log.end(), "unit detect"), 1);
        EXPECT_EQ(std::count(h.log.begin(), h.log.end(), "unit country 0"), 0);
        EXPECT_FALSE(h.app->m_status.IsConnected());
    }
}

TEST(AppLifecycle, GpsLoggingSwitchedOnByTheProfileOpensTheReceiverAtStart)
{
    AppHarness h;
    h.profile.writeInt(CAppSettings::kGpsSection, "Log GPS On/Off", 1);
    h.Start();
    EXPECT_TRUE(h.gps->open);
}

TEST(AppLifecycle, ShutdownStopsEverythingBeforeAnySettingIsWritten)
{
    AppHarness h;
    h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
    h.profile.writeInt(CAppSettings::kGpsSection, "Log GPS On/Off", 1);
    h.Start();
    FakeDocument& doc = h.OpenFakeDocument();
    h.app->m_status.m_bMeasuring = 1;
    h.Frame().onDestroyed = [&h] {
        h.log.push_back(std::string("main frame destroyed") + (h.files.AnyExists() ? " after save" : ""));
    };
    h.log.clear();

    h.Exit();
    h.app.reset();

    const EventLog expected = {
        "doc stop", "gps stop running", "doc close",          // the window closes
        "unit stop acquisition", "gps close", "unit close link", // threads end
        "profile settings", "profile GPS Settings",              // then the profile
        "main frame destroyed after save",                       // settings files before the windows
        "unit destroyed after save",                             // the link goes
        "data destroyed after save", "gps destroyed after save",
    };
    EXPECT_EQ(h.log, expected);
    (void)doc;
}

TEST(AppLifecycle, ProfileKeepsGpsLoggingOnWhenTheReceiverWasOpenAtExit)
{
    AppHarness h;
    h.profile.writeInt(CAppSettings::kGpsSection, "Log GPS On/Off", 1);
    h.Start();
    ASSERT_TRUE(h.gps->open);
    h.Exit();
    EXPECT_FALSE(h.gps->open);  // closed and joined before the save ...
    EXPECT_EQ(h.profile.getInt(CAppSettings::kGpsSection, "Log GPS On/Off", -1), 1);  // ... yet recorded as on
}

TEST(AppLifecycle, FirstStartWritesTheGreyPaletteAndTheNextOneReadsAnEditedFile)
{
    AppHarness first;
    first.Start();
    EXPECT_EQ(first.app->m_palette.m_Colours, CRadarPalette::GreyRamp());
    first.Exit();
    const std::string path = first.files.Folder() + "/palette";
    EXPECT_EQ(ReadFileBytes(path), CRadarPalette::FormatColours(CRadarPalette::GreyRamp()));

    CRadarPalette::Colours edited = CRadarPalette::GreyRamp();
    edited[63] = 0xFF0000;
    WriteFileBytes(path, CRadarPalette::FormatColours(edited));
    AppHarness second;
    second.files = first.files;
    second.Start();
    EXPECT_EQ(second.app->m_palette.m_Colours, edited);
}
TEST(AppLifecycle, MainFrameThatCannotBeMadeFailsStartupAndExitStillSaves)
{
    AppHarness h;
    h.frameFails = true;
    h.Construct();
    EXPECT_FALSE(h.app->InitInstance());
    EXPECT_EQ(h.app->m_pMarkerSettings, nullptr);
    h.log.clear();
    h.app->ExitInstance();
    h.app.reset();
    EXPECT_NE(std::find(h.log.begin(), h.log.end(), "profile settings"), h.log.end());
    EXPECT_TRUE(h.files.AnyExists());
}

TEST(AppLifecycle, EndRequestedDuringAStartUpMessageStopsBeforeTheWindowAndTheUnit)
{
    // The signal comes while the step that can show a box runs: the GPS port's (the GPS
    // settings), the palette's (the default palette file) or the adapter's (the presence check).
    struct Case {
        const char* during;
        EventLog expected;
    };
    const Case cases[] = {
        {"gps on", {"gps settings", "gps on"}},
        {"message 205", {"gps settings", "gps off", "message 205"}},
        {"unit detect",
         {"gps settings", "gps off", "message 205", "make main frame", "data header defaults", "unit detect"}},
    };
    for (const Case& c : cases) {
        AppHarness h;
        h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
        if (std::string(c.during) == "gps on")
            h.profile.writeInt(CAppSettings::kGpsSection, "Log GPS On/Off", 1);
        h.Construct();
        h.log.clear();
        h.app->SetEndRequested([&] { return std::find(h.log.begin(), h.log.end(), c.during) != h.log.end(); });
        EXPECT_FALSE(h.app->InitInstance()) << c.during;
        EXPECT_EQ(h.log, c.expected) << c.during;
        EXPECT_TRUE(h.app->MainWindow() == nullptr || !h.app->MainWindow()->isVisible()) << c.during;
        EXPECT_EQ(h.app->m_pMarkerSettings, nullptr) << c.during;
    }
}

TEST(AppLifecycle, ExitBeforeStartUpLeavesTheProfileAsItWas)
{
    // The program was told to end while it read its settings files: the profile it never
    // read must not be overwritten with the values of a fresh application object.
    AppHarness h;
    h.profile.writeString(CAppSettings::kSection, "Default file name", "Survey");
    h.profile.writeString(CRecentFiles::kSection, "File1", "/data/a.rd3");
    h.Construct();
    h.log.clear();
    h.app->ExitInstance();
    h.app.reset();
    EXPECT_EQ(std::count_if(h.log.begin(), h.log.end(), [](const std::string& e) { return e.rfind("profile", 0) == 0; }), 0);
    EXPECT_EQ(h.profile.getString(CAppSettings::kSection, "Default file name", ""), "Survey");
    EXPECT_EQ(h.profile.getString(CRecentFiles::kSection, "File1", ""), "/data/a.rd3");
    EXPECT_TRUE(h.files.AnyExists());  // the settings files it did read are saved
}

TEST(AppLifecycle, ExitWithoutReceiverOrUnitSavesTheProfile)
{
    AppHarness h;
    h.withGps = false;
    h.withUnit = false;
    h.withData = false;
    h.profile.writeInt(CAppSettings::kGpsSection, "Baudrate", 3);
    h.Start();
    h.Exit();
    EXPECT_EQ(h.profile.getInt(CAppSettings::kGpsSection, "Baudrate", -1), 3);
    EXPECT_EQ(h.profile.getInt(CAppSettings::kGpsSection, "Log GPS On/Off", -1), 0);
}

TEST(AppLifecycle, RecentFilesSurviveARestartThroughTheProfile)
{
    AppHarness h;
    h.profile.writeString(CRecentFiles::kSection, "File1", "/data/a.rd3");
    h.profile.writeString(CRecentFiles::kSection, "File2", "/data/b.rd3");
    h.Start();
    ASSERT_EQ(h.app->m_recentFiles.Count(), 2);
    h.app->m_recentFiles.Add("/data/c.rd3");
    h.Exit();
    EXPECT_EQ(h.profile.getString(CRecentFiles::kSection, "File1", ""), "/data/c.rd3");
    EXPECT_EQ(h.profile.getString(CRecentFiles::kSection, "File3", ""), "/data/b.rd3");
}
