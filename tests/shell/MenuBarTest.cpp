// Commands chosen from the real menu bar, as the operator chooses them: a click on the menu's
// title, then on its item. The menus that a command swaps (with and without a document) and
// the settings the session changed must outlive the command and reach the files at exit.

#include "tests/shell/StoredSet.h"

#include "model/AppSettings.h"
#include "shell/RavikDoc.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

class MenuBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
        h.Start();
        Frame().StatusTimer().stop();
        h.app->m_docTemplate.SetFactory([this] { return std::make_unique<FakeDocument>(h.log, "doc"); });
        h.app->m_runners.chooseFileToOpen = [](CRavikApp&) { return std::string("/data/Site_0001.rd3"); };
        h.app->m_runners.scales = [](CRavikApp& app) {
            app.m_params.m_strUnits = "F";
            return true;
        };
        QApplication::processEvents();
        h.log.clear();
    }
    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
    CMainFrame& Frame() { return *h.app->MainWindow(); }

    // Clicks the menu bar's `title`, then the item whose text starts with `item`. False when
    // either is missing or greyed. Notes whether the menu still existed once the item's
    // command had returned.
    bool Choose(const QString& title, const QString& item)
    {
        QMenuBar* bar = Frame().menuBar();
        QAction* top = nullptr;
        for (QAction* a : bar->actions())
            if (a->isVisible() && a->text() == title)
                top = a;
        if (!top || !top->menu())
            return false;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(top).center());
        QMenu* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (shown != top->menu())
            return false;
        QAction* chosen = nullptr;
        for (QAction* a : shown->actions())
            if (a->isVisible() && !a->isSeparator() && a->text().startsWith(item))
                chosen = a;
        if (!chosen || !chosen->isEnabled()) {
            shown->close();
            return false;
        }
        QPointer<QMenu> menu = shown;
        bool ran = false;
        menuOutlivedCommand = false;
        // Connected after the frame's own connection: runs once the command has returned.
        const QMetaObject::Connection after = QObject::connect(chosen, &QAction::triggered, [&] {
            ran = true;
            menuOutlivedCommand = !menu.isNull();
        });
        QTest::mouseClick(shown, Qt::LeftButton, {}, shown->actionGeometry(chosen).center());
        QObject::disconnect(after);
        QApplication::processEvents();
        return ran;
    }

    AppHarness h;
    bool menuOutlivedCommand = false;
};

TEST_F(MenuBarTest, CommandsFromTheMenusLeaveTheirMenusAliveAndExitSavesTheChangedUnits)
{
    h.app->m_recentFiles.Add("/data/Site_0001.rd3");
    struct Step {
        const char* menu;
        const char* item;
        bool documentAfter;
    };
    const Step steps[] = {
        {"&File", "&Open...", true},
        {"&File", "&Close", false},
        {"&File", "&1 ", true},           // the recent file
        {"&File", "&1 ", true},           // again, while it is open
        {"&Window", "&1 ", true},         // the window list
        {"&File", "&Close", false},
        {"&Measure", "&Start", true},     // makes a document for the measurement
        {"&Tools", "&Scales settings", true},
    };
    for (const Step& s : steps) {
        EXPECT_TRUE(Choose(s.menu, s.item)) << s.menu << " " << s.item;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
        EXPECT_TRUE(menuOutlivedCommand) << s.menu << " " << s.item;
        EXPECT_EQ(Frame().ShowsDocumentMenus(), s.documentAfter) << s.menu << " " << s.item;
    }
    EXPECT_EQ(h.log, (EventLog{"doc open /data/Site_0001.rd3", "doc close", "doc open /data/Site_0001.rd3",
                               "doc close", "doc open /data/Site_0001.rd3", "doc close", "doc new", "doc start", "doc refresh"}));

    ASSERT_TRUE(Choose("&File", "E&xit"));
    EXPECT_TRUE(menuOutlivedCommand);
    EXPECT_FALSE(Frame().isVisible());
    h.app->ExitInstance();
    // Written before the windows went, not only when the application object is destroyed.
    EXPECT_NE(ReadFileBytes(h.files.Folder() + "/global_settings").find("MEASUREMENT UNITS:F\r\n"), std::string::npos);
}

// The program's own document over a stored data set.
class MenuBarWithStoredSet : public MenuBarTest {
protected:
    void SetUp() override
    {
        UseRealPartsOffline(h);
        h.Start();
        Frame().StatusTimer().stop();
        h.app->m_docTemplate.SetFactory([this] { return std::make_unique<CRavikDoc>(*h.app); });
        std::filesystem::create_directories(h.dir.path() + "/data");
        ASSERT_TRUE(StoreOneChannelSet(h.dir.path() + "/data/S", 8, 400, [](int t, int j) { return static_cast<std::int16_t>(t * 100 + j); }));
        h.app->m_runners.chooseFileToOpen = [this](CRavikApp&) { return Path(); };
        QApplication::processEvents();
        h.prompter.ids.clear();
        h.prompter.texts.clear();
    }
    std::string Path() const { return h.dir.path() + "/data/S.rd3"; }
    std::string Shown()
    {
        AppDocument* doc = Frame().ActiveDocument();
        return doc ? doc->GetTitle() : "(none)";
    }
};

TEST_F(MenuBarWithStoredSet, ARecentFileOpensAgainAfterItWasReopenedAndClosed)
{
    ASSERT_TRUE(Choose("&File", "&Open..."));
    ASSERT_EQ(Shown(), "S.rd3");
    struct Step {
        const char* item;
        const char* shown;
    };
    const Step steps[] = {
        {"&1 ", "S.rd3"},     // while it is open
        {"&Close", "(none)"},
        {"&1 ", "S.rd3"},
        {"&Close", "(none)"},
        {"&Open...", "S.rd3"},
    };
    for (const Step& s : steps) {
        EXPECT_TRUE(Choose("&File", s.item)) << s.item;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
        EXPECT_EQ(Shown(), s.shown) << s.item;
        EXPECT_EQ(Frame().DocumentCount(), s.shown == std::string("(none)") ? 0 : 1) << s.item;
    }
    EXPECT_TRUE(h.prompter.ids.empty());
    EXPECT_TRUE(h.prompter.texts.empty());
}
