// The application's commands as the menus run them, and what they do.

#include "tests/shell/AppDoubles.h"

#include "model/AppSettings.h"
#include "shell/ChildFrame.h"
#include "shell/CommandIds.h"

#include <QAction>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <algorithm>

class AppCommandUi : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
        h.Start();
        h.log.clear();
        h.prompter.ids.clear();
    }
    // Lets the document class in: every document it makes is a FakeDocument.
    void WithDocuments(bool openResult = true)
    {
        h.app->m_docTemplate.SetFactory([this, openResult] {
            auto doc = std::make_unique<FakeDocument>(h.log, "new");
            doc->openResult = openResult;
            return doc;
        });
    }
    QAction* Action(int id) { return h.app->MainWindow()->CommandAction(id); }
    bool ShownEnabled(int id)
    {
        h.app->MainWindow()->UpdateCommandUI();
        return Action(id)->isEnabled();
    }
    int Count(const std::string& entry) { return static_cast<int>(std::count(h.log.begin(), h.log.end(), entry)); }

    AppHarness h;
};

TEST_F(AppCommandUi, CommandsWhoseWindowsAreNotInThisBuildStayDisabled)
{
    ASSERT_TRUE(h.app->m_status.IsConnected());
    for (int id : {cmd::kStart, cmd::kStartNew, cmd::kOpen, cmd::kMeasurementSettings, cmd::kScalesSettings,
                   cmd::kPaletteManager, cmd::kHardwareSetup, cmd::kRecentFile1})
        EXPECT_FALSE(ShownEnabled(id)) << id;
    for (int id : {cmd::kConnect, cmd::kAbout, cmd::kPrintSetup})
        EXPECT_TRUE(ShownEnabled(id)) << id;
    EXPECT_FALSE(h.app->OnCommand(cmd::kStart));
    EXPECT_TRUE(h.log.empty());
}

TEST_F(AppCommandUi, ConnectTogglesTheUnitCheckAndItsCheckMark)
{
    h.app->MainWindow()->UpdateCommandUI();
    EXPECT_TRUE(Action(cmd::kConnect)->isChecked());
    Action(cmd::kConnect)->trigger();
    EXPECT_EQ(h.app->m_settings.m_bUnitCheck, 0);
    EXPECT_FALSE(Action(cmd::kConnect)->isChecked());
    h.app->OnCommand(cmd::kConnect);
    EXPECT_EQ(h.app->m_settings.m_bUnitCheck, 1);
}

TEST_F(AppCommandUi, F4DoesNothing)
{
    WithDocuments();
    EXPECT_TRUE(h.app->OnCommand(cmd::kF4));
    EXPECT_TRUE(h.log.empty());
    EXPECT_EQ(h.app->MainWindow()->DocumentCount(), 0);
}

TEST_F(AppCommandUi, StartWithoutDocumentCreatesOneAndStartsIt)
{
    WithDocuments();
    ASSERT_TRUE(h.app->OnCommand(cmd::kStart));
    EXPECT_EQ(h.log, (EventLog{"new new", "new start"}));
    EXPECT_EQ(h.app->MainWindow()->DocumentCount(), 1);
    // With a document, Start is the document's.
    ASSERT_TRUE(h.app->OnCommand(cmd::kStart));
    EXPECT_EQ(h.app->MainWindow()->DocumentCount(), 1);
    EXPECT_EQ(Count("new start"), 2);
}

TEST_F(AppCommandUi, StartNewStopsAndClosesTheActiveDocumentThenStartsAFreshOne)
{
    WithDocuments();
    h.OpenFakeDocument("old");
    ASSERT_TRUE(h.app->OnCommand(cmd::kStartNew));
    EXPECT_EQ(h.log, (EventLog{"old stop measurement", "old close", "new new", "new start"}));
    EXPECT_EQ(h.app->MainWindow()->DocumentCount(), 1);
}

TEST_F(AppCommandUi, OpenClosesTheActiveDocumentEvenWhenTheNewFileFails)
{
    WithDocuments(false);
    h.app->m_runners.chooseFileToOpen = [](CRavikApp&) { return std::string("/data/bad.rd3"); };
    h.OpenFakeDocument("old");
    ASSERT_TRUE(h.app->OnCommand(cmd::kOpen));
    EXPECT_EQ(h.log, (EventLog{"old close", "new open /data/bad.rd3"}));
    EXPECT_EQ(h.app->m_strLastOpenedFile, "/data/bad.rd3");
    EXPECT_EQ(h.app->ActiveDocument(), nullptr);
    EXPECT_EQ(h.app->m_recentFiles.Count(), 0);
}

TEST_F(AppCommandUi, OpenedFileJoinsTheRecentFilesAndOneThatFailsLeavesThem)
{
    WithDocuments();
    h.app->m_runners.chooseFileToOpen = [](CRavikApp&) { return std::string("/data/good.rd3"); };
    ASSERT_TRUE(h.app->OnCommand(cmd::kOpen));
    ASSERT_EQ(h.app->m_recentFiles.Count(), 1);
    EXPECT_NE(h.app->ActiveDocument(), nullptr);

    WithDocuments(false);  // the file has gone since
    h.app->m_recentFiles.Add("/data/gone.rd3");
    ASSERT_TRUE(h.app->OnCommand(cmd::kRecentFile1));
    ASSERT_EQ(h.app->m_recentFiles.Count(), 1);
    EXPECT_EQ(h.app->m_recentFiles.At(0), "/data/good.rd3");
}

TEST_F(AppCommandUi, CancelledOpenChangesNothing)
{
    WithDocuments();
    h.app->m_runners.chooseFileToOpen = [](CRavikApp&) { return std::string(); };
    h.OpenFakeDocument("old");
    ASSERT_TRUE(h.app->OnCommand(cmd::kOpen));
    EXPECT_TRUE(h.log.empty());
    EXPECT_NE(h.app->ActiveDocument(), nullptr);
}

TEST_F(AppCommandUi, MeasurementSettingsRefusedWhileTheCurrentChannelHoldsTraces)
{
    int runs = 0;
    h.app->m_runners.measurementSettings = [&runs](CRavikApp&) {
        ++runs;
        return std::string("/elsewhere");
    };
    h.app->m_params.m_nCurSlot = 2;
    h.app->m_params.m_nCurChannel = 1;
    h.data->traces[5] = 1;
    const std::string before = h.app->m_settings.m_strDataFolder;
    ASSERT_TRUE(h.app->OnCommand(cmd::kMeasurementSettings));
    EXPECT_EQ(h.prompter.ids, std::vector<int>{57610});
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(h.app->m_settings.m_strDataFolder, before);
}

TEST_F(AppCommandUi, MeasurementSettingsTakesTheDialogsFolderWhateverItsResult)
{
    // The runner stands for a dialog the operator browsed in and then cancelled.
    h.app->m_runners.measurementSettings = [](CRavikApp&) { return std::string("/media/field"); };
    ASSERT_TRUE(h.app->OnCommand(cmd::kMeasurementSettings));
    EXPECT_TRUE(h.prompter.ids.empty());
    EXPECT_EQ(h.app->m_settings.m_strDataFolder, "/media/field/");
}

TEST_F(AppCommandUi, HardwareSetupStoresTheAdapterReopensTheLinkAndClosesTheDocument)
{
    h.app->m_runners.hardwareSetup = [](CRavikApp&, std::int16_t& index) {
        index = 2;
        return true;
    };
    h.OpenFakeDocument();
    ASSERT_TRUE(h.app->OnCommand(cmd::kHardwareSetup));
    EXPECT_EQ(h.app->m_settings.m_nIfaceIndex, 2);
    EXPECT_EQ(h.log, (EventLog{"unit close link", "unit open link", "doc close"}));
}

TEST_F(AppCommandUi, MainWindowKeepsItsTitleWithAMaximisedChildWindow)
{
    h.OpenFakeDocument();
    auto* area = h.app->MainWindow()->findChild<QMdiArea*>();
    ASSERT_NE(area, nullptr);
    ASSERT_FALSE(area->subWindowList().isEmpty());
    QMdiSubWindow* child = area->subWindowList().first();
    child->setWindowTitle("Profile_0001.rd3");
    child->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_EQ(h.app->MainWindow()->windowTitle().toStdString(), "Delvora for Tolam and Z5K");
}

// ---- the status timer ---------------------------------------------------------------------

TEST_F(AppCommandUi, StatusTimerChecksForTheUnitOnlyWithTheCheckOnAndNoMeasurement)
{
    CMainFrame* frame = h.app->MainWindow();
    EXPECT_TRUE(frame->StatusTimer().isActive());
    EXPECT_EQ(frame->StatusTimer().interval(), 2000);

    frame->OnTimer();
    EXPECT_EQ(Count("unit detect"), 1);
    EXPECT_EQ(h.Frame().bar.updates, 1);  // first tick refreshes the bar

    frame->OnTimer();
    EXPECT_EQ(Count("unit detect"), 2);
    EXPECT_EQ(h.Frame().bar.updates, 1);  // nothing changed

    h.unit->present = false;
    frame->OnTimer();
    EXPECT_FALSE(h.app->m_status.IsConnected());
    EXPECT_EQ(h.Frame().bar.updates, 2);  // the unit went away

    h.app->m_status.m_bMeasuring = 1;
    frame->OnTimer();
    h.app->m_status.m_bMeasuring = 0;
    h.app->m_settings.m_bUnitCheck = 0;
    frame->OnTimer();
    EXPECT_EQ(Count("unit detect"), 3);
}
