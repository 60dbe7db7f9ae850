// The main window as the operator meets it: menus with and without a document, toolbar,
// status bar, keys, the status timer, the title and the closing sequence.

#include "tests/shell/AppDoubles.h"

#include "model/AppSettings.h"
#include "shell/CommandIds.h"
#include "shell/FrameCommands.h"
#include "shell/WallFrame.h"
#include "tests/support/TextRoom.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include "shell/SizingBar.h"
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolBar>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Items = std::vector<std::string>;

// The visible items of each menu, "-" for a separator, after the menu's title.
std::vector<Items> MenuTexts(QMainWindow& frame)
{
    std::vector<Items> menus;
    for (QAction* top : frame.menuBar()->actions()) {
        Items items{top->text().toStdString()};
        for (QAction* a : top->menu()->actions())
            if (a->isVisible())
                items.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        menus.push_back(items);
    }
    return menus;
}

} // namespace

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
        h.Start();
        h.log.clear();
    }
    CMainFrame& Frame() { return *h.app->MainWindow(); }
    QAction* Action(int id) { return Frame().CommandAction(id); }
    bool Enabled(int id)
    {
        Frame().UpdateCommandUI();
        return Action(id)->isEnabled();
    }
    bool Checked(int id)
    {
        Frame().UpdateCommandUI();
        return Action(id)->isChecked();
    }
    int Count(const std::string& entry) { return static_cast<int>(std::count(h.log.begin(), h.log.end(), entry)); }
    // Every command id that reaches the active document, in order.
    std::vector<int>& RecordDocumentCommands(FakeDocument& doc, std::span<const int> ids)
    {
        for (int id : ids)
            Frame().Router().Register(CommandRouter::Level::Document, &doc, id, {[this, id] { routed.push_back(id); }, {}, {}, {}});
        return routed;
    }
    AppHarness h;
    std::vector<int> routed;
};

// ---- menus ----------------------------------------------------------------------------------

TEST_F(MainFrameTest, MenusWithoutADocument)
{
    const std::vector<Items> expected = {
        {"&File", "&Open...\tCtrl+O", "-", "P&rint Setup...", "-", "Recent File", "-", "E&xit"},
        {"&View", "&Toolbar", "&Status Bar", "-", "50/60 Hz sensor data", "&Channel Navigator", "Contrast Control",
         "&Measurement info. (F3)", "T&race Window", "Trace &info", "-", "&Filter Manager", "&Palette Manager"},
        {"&Measure", "&Connect\tF9", "&Start\tF5", "S&top\tF6", "Start &New Measurement", "&Measurement Settings"},
        {"&Tools", "&Scales settings", "&GPS Setup", "&Hardware Setup", "&Markers Setup", "Edit &Antenna List",
         "Edit &Wheel List", "New wheel &calibration"},
        {"&Help", "Help Topics", "-", "&About"},
    };
    EXPECT_EQ(MenuTexts(Frame()), expected);
    EXPECT_FALSE(Frame().ShowsDocumentMenus());
}

TEST_F(MainFrameTest, MenusWithADocumentAndBackWhenItCloses)
{
    FakeDocument& doc = h.OpenFakeDocument();
    const std::vector<Items> expected = {
        {"&File", "&Open...\tCtrl+O", "&Close", "-", "&Print...\tCtrl+P", "Print Pre&view", "P&rint Setup...", "-",
         "Recent File", "-", "E&xit"},
        {"&View", "&Toolbar", "&Status Bar", "-", "50/60 Hz Sensor Data", "&Channel Navigator", "Contrast Control",
         "&Measurement info. (F3)", "T&race Window", "Trace &info", "-", "&Filter Manager", "&Palette Manager"},
        {"&Measure", "&Connect\tF9", "&Start\tF5", "S&top\tF6", "Start &New Measurement", "&Measurement Settings"},
        {"&Tools", "&Scales settings", "&Hardware Setup", "&GPS Setup", "&Markers Setup", "Edit &Antenna List",
         "Edit &Wheel List", "New wheel calibration"},
        {"&Window", "&Cascade", "&Tile", "&Arrange Icons", "-", "&1  - Slot A, Channel: Internal Tx, (New preset)"},
        {"&Help", "Help Topics", "-", "&About"},
    };
    EXPECT_EQ(MenuTexts(Frame()), expected);
    Frame().CloseDocument(&doc);
    EXPECT_FALSE(Frame().ShowsDocumentMenus());
    EXPECT_EQ(MenuTexts(Frame()).size(), 5u);
}

class NamedDocument : public FakeDocument {
public:
    NamedDocument(EventLog& log, std::string file) : FakeDocument(log), m_file(std::move(file)) {}
    std::string GetTitle() const override { return m_file; }

private:
    std::string m_file;
};

TEST_F(MainFrameTest, WindowMenuListsTheChildWindowsWithTheActiveOneChecked)
{
    using Entries = std::vector<std::pair<std::string, bool>>;
    const auto entries = [this] {
        Frame().UpdateCommandUI();
        const QList<QAction*> items = Frame().menuBar()->actions().at(4)->menu()->actions();
        Entries list;
        for (qsizetype i = 4; i < items.size(); ++i)  // after Cascade, Tile, Arrange Icons and the separator
            if (items[i]->isVisible())
                list.emplace_back(items[i]->text().toStdString(), items[i]->isChecked());
        return list;
    };
    Frame().AddDocument(std::make_unique<NamedDocument>(h.log, "Site_0001.rd3"));
    auto owned = std::make_unique<NamedDocument>(h.log, "R&D_0002.rd3");
    NamedDocument& second = *owned;
    Frame().AddDocument(std::move(owned));
    const std::string first = "&1 Site_0001.rd3 - Slot A, Channel: Internal Tx, (New preset)";
    const std::string other = " R&&D_0002.rd3 - Slot A, Channel: Internal Tx, (New preset)";
    ASSERT_EQ(entries(), (Entries{{first, false}, {"&2" + other, true}}));
    Frame().menuBar()->actions().at(4)->menu()->actions().at(4)->trigger();
    EXPECT_EQ(entries(), (Entries{{first, true}, {"&2" + other, false}}));
    EXPECT_NE(Frame().ActiveDocument(), &second);
    Frame().CloseDocument(&second);
    EXPECT_EQ(entries(), (Entries{{first, true}}));
}

TEST_F(MainFrameTest, CommandsThatNothingHandlesAreGreyedAndTheirKeysDoNothing)
{
    h.OpenFakeDocument();
    for (int id : {cmd::kContrastControl, cmd::kHelpTopics, cmd::kTraceWindow, cmd::kFilterManager, cmd::kPrint})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Frame().Router().IsHandled(cmd::kUndo));
    auto* edit = new QLineEdit(&Frame().NavigatorBar());
    Frame().NavigatorBar().setWidget(edit);
    QTest::keyClick(edit, Qt::Key_C);
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "");  // taken by the keys, and nothing ran
    EXPECT_EQ(h.log, EventLog{});
}

TEST_F(MainFrameTest, RecentFilesShowTheirPathAbbreviatedAndNumbered)
{
    h.app->m_recentFiles.Add("/data/Site_0002.rd3");
    h.app->m_recentFiles.Add("/home/operator/field/Site_0001.rd3");
    Frame().menuBar()->actions().at(0)->menu()->aboutToShow();
    EXPECT_EQ(Action(cmd::kRecentFile1)->text().toStdString(), "&1 /home/.../field/Site_0001.rd3");
    EXPECT_EQ(Action(cmd::kRecentFile1 + 1)->text().toStdString(), "&2 /data/Site_0002.rd3");
}

// A maximised child window shows its icon at the left of the menu bar: the program's icon,
// not the toolkit's logo.
TEST_F(MainFrameTest, MainWindowAndItsMaximisedChildShowTheProgramsIcon)
{
    EXPECT_FALSE(Frame().windowIcon().isNull());
    Frame().AddDocument(std::make_unique<NamedDocument>(h.log, "Site_0001.rd3"));
    QApplication::processEvents();
    QWidget* corner = Frame().menuBar()->cornerWidget(Qt::TopLeftCorner);
    ASSERT_NE(corner, nullptr);
    const QImage shown = corner->grab().toImage();
    const QImage icon = Frame().windowIcon().pixmap(shown.size()).toImage();
    ASSERT_FALSE(icon.isNull());
    // The icon's middle is opaque: there the label shows its pixels whatever lies behind.
    const QPoint middle(shown.width() / 2, shown.height() / 2);
    EXPECT_EQ(QColor(shown.pixel(middle)).name().toStdString(), QColor(icon.pixel(middle)).name().toStdString());
}

// ---- toolbar --------------------------------------------------------------------------------

TEST_F(MainFrameTest, ToolbarStatesFollowConnectedMeasuringAndTheDocument)
{
    h.app->m_docTemplate.SetFactory([this] { return std::make_unique<FakeDocument>(h.log, "new"); });
    h.app->m_runners.chooseFileToOpen = [](CRavikApp&) { return std::string(); };
    // The cases set the unit's state by hand: a presence check on a slow machine must not.
    Frame().StatusTimer().stop();
    struct Case {
        bool connected, measuring, document;
        bool open, start, stop, startNew;
    };
    const Case cases[] = {
        {false, false, false, true, false, false, false},
        {true, false, false, true, true, false, true},
        {true, false, true, true, true, false, true},
        {true, true, true, false, false, true, false},
        {false, true, true, false, false, false, false},
    };
    for (const Case& c : cases) {
        Frame().CloseAllDocuments();
        if (c.document)
            h.OpenFakeDocument();
        h.app->m_status.m_bConnected = c.connected;
        h.app->m_status.m_bMeasuring = c.measuring;
        const std::string where = std::string("connected ") + std::to_string(c.connected) + " measuring " +
                                  std::to_string(c.measuring) + " document " + std::to_string(c.document);
        EXPECT_EQ(Enabled(cmd::kOpen), c.open) << where;
        EXPECT_EQ(Enabled(cmd::kStart), c.start) << where;
        EXPECT_EQ(Enabled(cmd::kStop), c.stop) << where;
        EXPECT_EQ(Enabled(cmd::kStartNew), c.startNew) << where;
        EXPECT_TRUE(Enabled(cmd::kAbout)) << where;
        EXPECT_FALSE(Enabled(cmd::kDisableFilters)) << where;  // the document's, not registered
        EXPECT_TRUE(Enabled(cmd::kGpsOnOff)) << where;
    }
}

TEST_F(MainFrameTest, CheckMarksOfConnectGpsAndNavigator)
{
    EXPECT_TRUE(Checked(cmd::kConnect));
    EXPECT_FALSE(Checked(cmd::kGpsOnOff));
    Action(cmd::kGpsOnOff)->trigger();
    EXPECT_TRUE(h.gps->open);
    EXPECT_TRUE(Action(cmd::kGpsOnOff)->isChecked());
    EXPECT_EQ(h.Frame().bar.updates, 1);
    h.app->m_settings.m_bChannelBarVisible = 1;
    Frame().NavigatorBar().show();
    EXPECT_TRUE(Checked(cmd::kChannelNavigator));
}

// ---- status bar -----------------------------------------------------------------------------

TEST_F(MainFrameTest, StatusBarPanesAndTheirWidths)
{
    QStatusBar* bar = Frame().statusBar();
    const QList<QLabel*> labels = bar->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(labels.size(), 8);
    EXPECT_EQ(Frame().MessagePane().text(), "Ready");
    const int widths[] = {95, 95, 105, 105};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Frame().Pane(i).objectName(), QString("c%1").arg(59142 + i));
        EXPECT_GE(Frame().Pane(i).width(), widths[i]) << "at least the width it was drawn with";
        EXPECT_EQ(Frame().Pane(i).minimumWidth(), Frame().Pane(i).maximumWidth()) << "and fixed";
    }
    for (const char* name : {"indCAP", "indNUM", "indSCRL"}) {
        auto* pane = bar->findChild<QLabel*>(name);
        ASSERT_NE(pane, nullptr) << name;
        EXPECT_FALSE(pane->isEnabled()) << name;
    }
}

TEST_F(MainFrameTest, StatusPanesShowTheirWidestTextsWhole)
{
    // What the views write: trace and sample numbers, positions of every trigger mode and
    // unit, depths in time and in every unit, above and below time zero.
    const std::vector<std::vector<const char*>> texts = {
        {"Trace: 9999999", "Trace: 1234567"},
        {"Sample: 2047"},
        {"Pos: 99999.99 inches", "Pos: 12345.67 ft", "Pos: 86400.00 s", "Pos: 99999.99 m"},
        {"Depth:  -0.60 meters", "Depth: -9999.99 inches", "Depth: 9999.99 feet", "Depth: -120.50 ns"}};
    for (int i = 0; i < 4; ++i) {
        QLabel& pane = Frame().Pane(i);
        for (const char* text : texts[static_cast<std::size_t>(i)]) {
            pane.setText(text);
            EXPECT_GE(LabelTextRoom(pane), TextWidth(pane, text)) << text << " in " << pane.width() << " px";
        }
    }
}

TEST_F(MainFrameTest, StatusTipShowsAndReadyComesBack)
{
    QStatusTipEvent tip(QString::fromLatin1(CommandPrompt(cmd::kStart)));
    QCoreApplication::sendEvent(&Frame(), &tip);
    EXPECT_EQ(Frame().MessagePane().text(), "Start measurement");
    QStatusTipEvent clear{QString()};
    QCoreApplication::sendEvent(&Frame(), &clear);
    EXPECT_EQ(Frame().MessagePane().text(), "Ready");
}

TEST_F(MainFrameTest, PanesAreEmptiedUnlessTheViewAnswersForThem)
{
    FakeDocument& doc = h.OpenFakeDocument();
    Frame().Router().Register(CommandRouter::Level::Document, &doc, cmd::kPane1 + 2, {{}, {}, {}, [] { return std::string("x=12.50 m"); }});
    Frame().UpdateCommandUI();
    EXPECT_EQ(Frame().Pane(0).text(), "");
    EXPECT_EQ(Frame().Pane(2).text(), "x=12.50 m");
    Frame().CloseDocument(&doc);
    Frame().UpdateCommandUI();
    EXPECT_EQ(Frame().Pane(2).text(), "");
}

// ---- keys -----------------------------------------------------------------------------------

TEST_F(MainFrameTest, EveryAcceleratorReachesItsCommandAlsoFromAnEditOfABar)
{
    FakeDocument& doc = h.OpenFakeDocument();
    std::vector<int> ids;
    for (const FrameAccelerator& a : FrameAcceleratorTable())
        ids.push_back(a.id);
    RecordDocumentCommands(doc, ids);
    auto* edit = new QLineEdit(&Frame().NavigatorBar());
    Frame().NavigatorBar().setWidget(edit);
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int id;
    };
    // The keys as the accelerator table of the program lists them.
    const Key keys[] = {
        {Qt::Key_F11, {}, 32826}, {Qt::Key_F, Qt::ControlModifier, 32813}, {Qt::Key_Z, Qt::ControlModifier, 57643},
        {Qt::Key_O, Qt::ControlModifier, 57601}, {Qt::Key_P, Qt::ControlModifier, 57607},
        {Qt::Key_S, Qt::ControlModifier, 57603}, {Qt::Key_F9, {}, 32782}, {Qt::Key_Return, {}, 32784},
        {Qt::Key_Enter, Qt::KeypadModifier, 32784}, {Qt::Key_M, {}, 32808}, {Qt::Key_F5, {}, 32779},
        {Qt::Key_F6, {}, 32780}, {Qt::Key_F, {}, 32796}, {Qt::Key_P, {}, 32794},
        {Qt::Key_F12, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, 32793}, {Qt::Key_F2, {}, 32818},
        {Qt::Key_F4, {}, 32824}, {Qt::Key_F7, {}, 32776}, {Qt::Key_C, {}, 32795}, {Qt::Key_F8, {}, 32795},
        {Qt::Key_F3, {}, 32811}, {Qt::Key_T, {}, 32771}, {Qt::Key_F10, {}, 32771}, {Qt::Key_Space, {}, 32835},
        {Qt::Key_Space, Qt::ShiftModifier, 32836},
    };
    for (const Key& k : keys) {
        routed.clear();
        QTest::keyClick(edit, k.key, k.mods);
        EXPECT_EQ(routed, std::vector<int>{k.id}) << k.id;
    }
    EXPECT_EQ(edit->text(), "");
    // Letters with a modifier the table does not give are not commands.
    routed.clear();
    QTest::keyClick(edit, Qt::Key_M, Qt::ShiftModifier);
    EXPECT_TRUE(routed.empty());
    EXPECT_FALSE(edit->text().isEmpty());
}

TEST_F(MainFrameTest, LettersTypedIntoTheMenuBarAreItsMnemonics)
{
    FakeDocument& doc = h.OpenFakeDocument();
    const int ids[] = {cmd::kFilterManager, cmd::kMeasurementSettings};
    RecordDocumentCommands(doc, ids);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_M, Qt::NoModifier, "m");
    QCoreApplication::sendEvent(Frame().menuBar(), &press);
    EXPECT_TRUE(routed.empty());
    QTest::keyClick(&Frame(), Qt::Key_M);
    EXPECT_EQ(routed, std::vector<int>{cmd::kMeasurementSettings});
}

TEST_F(MainFrameTest, MOnAChannelHoldingTracesRefusesTheMeasurementSettings)
{
    h.app->m_runners.measurementSettings = [](CRavikApp&) { return std::string("/x"); };
    h.data->traces[0] = 5;
    h.prompter.ids.clear();
    QTest::keyClick(Frame().NavigatorBar().widget(), Qt::Key_M);
    EXPECT_EQ(h.prompter.ids, std::vector<int>{57610});
}

TEST_F(MainFrameTest, KeysInAModalDialogAreTheDialogs)
{
    QDialog dialog(&Frame());
    auto* edit = new QLineEdit(&dialog);
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    QTest::keyClick(edit, Qt::Key_F9);
    QTest::keyClick(edit, Qt::Key_M);
    EXPECT_EQ(h.app->m_settings.m_bUnitCheck, 1);
    EXPECT_EQ(edit->text(), "m");
}

class MarkerKeysOfTheFrame : public MainFrameTest {
protected:
    void SetUp() override
    {
        MainFrameTest::SetUp();
        h.OpenFakeDocument();
        h.app->m_status.m_bMeasuring = 1;
        h.app->m_params.m_nTrigType = 200;
        h.app->m_params.m_params[0].m_bActive = 1;
        h.data->traces[0] = 7;
        tree = Frame().NavigatorBar().widget();
    }
    std::vector<std::uint16_t> Release(QKeyEvent&& key)
    {
        h.data->markers.clear();
        QCoreApplication::sendEvent(tree, &key);
        QCoreApplication::sendPostedEvents(h.app.get());
        std::vector<std::uint16_t> types;
        for (const MarkerCall& m : h.data->markers)
            types.push_back(m.type);
        return types;
    }
    QWidget* tree = nullptr;
};

TEST_F(MarkerKeysOfTheFrame, DigitReleasedInTheTreePostsItsMarker)
{
    using T = std::vector<std::uint16_t>;
    EXPECT_EQ(Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_3, Qt::NoModifier, "3")), T{3});
    EXPECT_EQ(Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_9, Qt::NoModifier, "9")), T{9});
    EXPECT_EQ(Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_3, Qt::KeypadModifier, "3")), T{});
    EXPECT_EQ(Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_3, Qt::ControlModifier, "3")), T{});
    EXPECT_EQ(Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_3, Qt::AltModifier, "3")), T{});
    EXPECT_EQ(Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_0, Qt::NoModifier, "0")), T{});
    EXPECT_EQ(Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_3, Qt::NoModifier, "3", true)), T{});  // auto-repeat
    // Shift+3 reports its symbol; the key (X11 keycode 12) still says 3.
    EXPECT_EQ(Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_NumberSign, Qt::ShiftModifier, 12, 0, 0, "#")), T{3});
}

TEST_F(MarkerKeysOfTheFrame, AReleaseThatTravelsUpTheParentsCountsOnce)
{
    auto* edit = new QLineEdit(&Frame().NavigatorBar());
    Frame().NavigatorBar().setWidget(edit);
    tree = edit;
    EXPECT_EQ(Release(QKeyEvent(QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier, "5")), std::vector<std::uint16_t>{5});
}

// ---- the status timer -----------------------------------------------------------------------

TEST_F(MainFrameTest, WithTheUnitCheckOffNoTickRefreshesUntilConnectTurnsItOn)
{
    h.app->m_settings.m_bUnitCheck = 0;
    Frame().OnTimer();
    Frame().OnTimer();
    EXPECT_EQ(h.Frame().bar.updates, 0);
    EXPECT_EQ(Count("unit detect"), 0);
    QTest::keyClick(&Frame(), Qt::Key_F9);
    EXPECT_EQ(h.app->m_settings.m_bUnitCheck, 1);
    EXPECT_TRUE(Action(cmd::kConnect)->isChecked());
    Frame().OnTimer();
    EXPECT_EQ(h.Frame().bar.updates, 1);  // forced: nothing changed
    Frame().OnTimer();
    EXPECT_EQ(h.Frame().bar.updates, 1);
}

TEST_F(MainFrameTest, ATickDuringAMeasurementDoesNothing)
{
    h.app->m_status.m_bMeasuring = 1;
    h.unit->present = false;
    Frame().OnTimer();
    EXPECT_EQ(Count("unit detect"), 0);
    EXPECT_EQ(h.Frame().bar.updates, 0);
    EXPECT_TRUE(h.app->m_status.IsConnected());
}

TEST_F(MainFrameTest, NoTickStartsAPresenceCheckInsideAMessageOrAnother)
{
    // The unit's answer comes while a message is open whose event loop lets the timer tick.
    h.unit->onDetect = [this] { Frame().OnTimer(); };
    Frame().OnTimer();
    EXPECT_EQ(Count("unit detect"), 1);
    EXPECT_EQ(h.Frame().bar.updates, 1);

    h.unit->onDetect = nullptr;
    QDialog message(&Frame());
    message.setModal(true);
    message.show();
    Frame().OnTimer();
    EXPECT_EQ(Count("unit detect"), 1);
    message.hide();
    Frame().OnTimer();
    EXPECT_EQ(Count("unit detect"), 2);
}

// ---- frame commands -------------------------------------------------------------------------

TEST_F(MainFrameTest, DialogCommandsWaitForTheirDialogsAndRunThem)
{
    using Runner = std::function<bool(CRavikApp&)> CRavikApp::DialogRunners::*;
    const std::pair<int, Runner> dialogs[] = {
        {cmd::kMeasurementInfo, &CRavikApp::DialogRunners::measurementInfo},
        {cmd::kWheelList, &CRavikApp::DialogRunners::wheelList},
        {cmd::kAntennaList, &CRavikApp::DialogRunners::antennaList},
        {cmd::kMarkersSetup, &CRavikApp::DialogRunners::markers},
        {cmd::kNewWheel, &CRavikApp::DialogRunners::newWheelCalibration},
        {cmd::kGpsSetup, &CRavikApp::DialogRunners::gpsSetup},
    };
    for (const auto& [id, runner] : dialogs) {
        EXPECT_FALSE(Enabled(id)) << id;
        int runs = 0;
        h.app->m_runners.*runner = [&runs](CRavikApp&) { return ++runs > 0; };
        EXPECT_TRUE(Enabled(id)) << id;
        EXPECT_TRUE(Frame().RunCommand(id)) << id;
        EXPECT_EQ(runs, 1) << id;
    }
    h.app->m_status.m_bMeasuring = 1;
    EXPECT_FALSE(Enabled(cmd::kNewWheel));
    EXPECT_TRUE(Enabled(cmd::kWheelList));
    h.app->m_status.m_bMeasuring = 0;
    h.app->m_status.m_bConnected = 0;
    EXPECT_FALSE(Enabled(cmd::kNewWheel));
}

TEST_F(MainFrameTest, SensorWindowOpensAndClosesOnAlternateUsesAndItsCloseBoxClearsIt)
{
    EXPECT_FALSE(Enabled(cmd::kSensorWindow));
    h.app->m_runners.makeSensorWindow = [](CRavikApp&, QWidget* owner) { return new QWidget(owner); };
    ASSERT_TRUE(Frame().RunCommand(cmd::kSensorWindow));
    QWidget* window = Frame().SensorWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "50/60 Hz sensor data");
    EXPECT_EQ(window->geometry(), QRect(100, 700, 800, 100));
    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(Action(cmd::kSensorWindow)->isChecked());

    Frame().RunCommand(cmd::kSensorWindow);
    EXPECT_EQ(Frame().SensorWindow(), nullptr);
    EXPECT_FALSE(Action(cmd::kSensorWindow)->isChecked());

    Frame().RunCommand(cmd::kSensorWindow);
    ASSERT_NE(Frame().SensorWindow(), nullptr);
    Frame().SensorWindow()->close();  // its own close box
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Frame().SensorWindow(), nullptr);
    EXPECT_FALSE(Checked(cmd::kSensorWindow));
    Frame().RunCommand(cmd::kSensorWindow);
    EXPECT_NE(Frame().SensorWindow(), nullptr);
}

TEST_F(MainFrameTest, SensorWindowStaysAboveTheMainWindowAlone)
{
    h.app->m_runners.makeSensorWindow = [](CRavikApp&, QWidget* owner) { return new QWidget(owner, Qt::Window); };
    Frame().show();
    ASSERT_TRUE(Frame().RunCommand(cmd::kSensorWindow));
    QWidget* window = Frame().SensorWindow();
    // Under X11 only a tool window (or dialog) is made transient for its owner.
    EXPECT_EQ(window->windowType(), Qt::Tool);
    EXPECT_EQ(window->windowHandle()->transientParent(), Frame().windowHandle());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(MainFrameTest, SelectChannelNeedsADocumentAndAnActiveChannel)
{
    h.app->m_params.m_params[2 * 2 + 1].m_bActive = 1;
    EXPECT_FALSE(Frame().OnSelectChannel(21));  // no document
    FakeDocument& doc = h.OpenFakeDocument();
    EXPECT_FALSE(Frame().OnSelectChannel(20));  // inactive
    EXPECT_FALSE(Frame().OnSelectChannel(-1));
    EXPECT_FALSE(Frame().OnSelectChannel(22));
    EXPECT_EQ(h.app->m_params.m_nCurSlot, 0);
    EXPECT_EQ(doc.refreshes, 0);
    EXPECT_TRUE(Frame().OnSelectChannel(21));
    EXPECT_EQ(h.app->m_params.m_nCurSlot, 2);
    EXPECT_EQ(h.app->m_params.m_nCurChannel, 1);
    EXPECT_EQ(doc.refreshes, 1);
}

TEST_F(MainFrameTest, FileCloseClosesTheDocumentButNotWhileMeasuring)
{
    h.OpenFakeDocument();
    h.app->m_status.m_bMeasuring = 1;
    EXPECT_FALSE(Frame().RunCommand(cmd::kClose));
    EXPECT_EQ(Frame().DocumentCount(), 1);
    h.app->m_status.m_bMeasuring = 0;
    EXPECT_TRUE(Frame().RunCommand(cmd::kClose));
    EXPECT_EQ(h.log, EventLog{"doc close"});
}

// ---- title and closing ----------------------------------------------------------------------

TEST_F(MainFrameTest, TitleNamesTheDocumentOfARestoredChildOnly)
{
    const std::string fixed = "Delvora for Tolam and Z5K";
    const std::string named = fixed + " - Profile_0001.rd3";
    auto owned = std::make_unique<NamedDocument>(h.log, "Profile_0001.rd3");
    NamedDocument& doc = *owned;
    Frame().AddDocument(std::move(owned));
    QMdiSubWindow* child = Frame().Wall().subWindowList().first();
    Frame().show();
    const auto title = [this] {
        QCoreApplication::processEvents();
        return Frame().windowTitle().toStdString();
    };
    // Qt would merge a maximised child's title into the main window's: that never shows.
    const std::pair<bool, std::string> states[] = {{true, fixed}, {false, named}, {true, fixed}, {false, named}};
    for (const auto& [maximised, expected] : states) {
        if (maximised)
            child->showMaximized();
        else
            child->showNormal();
        EXPECT_EQ(title(), expected) << maximised;
    }
    Frame().CloseDocument(&doc);
    EXPECT_EQ(title(), fixed);
}

TEST_F(MainFrameTest, CascadeAfterTileKeepsEveryChildAtAUsableSize)
{
    Frame().StatusTimer().stop();
    Frame().show();
    QApplication::processEvents();
    const QSize area = Frame().Wall().viewport()->size();
    for (int children : {1, 2, 3}) {
        Frame().CloseAllDocuments();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (int i = 0; i < children; ++i)
            h.OpenFakeDocument("doc" + std::to_string(i));
        for (int id : {cmd::kTile, cmd::kCascade}) {
            ASSERT_TRUE(Frame().RunCommand(id));
            QApplication::processEvents();
        }
        for (QMdiSubWindow* child : Frame().Wall().subWindowList()) {
            // As the area's own default for a new child window: two thirds of its height
            // and the width less the same amount.
            EXPECT_GE(child->height(), area.height() / 2) << children;
            EXPECT_GE(child->width(), area.width() - area.height() / 2) << children;
            EXPECT_LE(child->geometry().bottom(), area.height()) << children;
        }
    }
}

TEST_F(MainFrameTest, ClosingWhileMeasuringRunsTheStopBeforeTheDocumentCloses)
{
    h.OpenFakeDocument();
    h.app->m_status.m_bMeasuring = 1;
    Frame().close();
    EXPECT_EQ(h.log, (EventLog{"doc stop", "gps stop running", "doc close"}));
    EXPECT_FALSE(h.app->m_status.IsMeasuring());
    EXPECT_FALSE(Frame().StatusTimer().isActive());
}

TEST_F(MainFrameTest, ClosingWithoutAMeasurementOnlyClosesTheDocument)
{
    h.OpenFakeDocument();
    Frame().close();
    EXPECT_EQ(h.log, (EventLog{"gps stop running", "doc close"}));
}

class DocumentWithView : public FakeDocument {
public:
    using FakeDocument::FakeDocument;
    QWidget* CreateView(QWidget* parent) override
    {
        view = new QWidget(parent);
        return view;
    }
    QWidget* view = nullptr;
};

TEST_F(MainFrameTest, TheActiveViewGetsItsCommandsBeforeItsDocument)
{
    auto owned = std::make_unique<DocumentWithView>(h.log);
    DocumentWithView& doc = *owned;
    Frame().AddDocument(std::move(owned));
    ASSERT_NE(doc.view, nullptr);
    Frame().Router().Register(CommandRouter::Level::Document, &doc, cmd::kPrint, {[this] { routed.push_back(1); }, {}, {}, {}});
    Frame().Router().Register(CommandRouter::Level::View, doc.view, cmd::kPrint, {[this] { routed.push_back(2); }, {}, {}, {}});
    QTest::keyClick(&Frame(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(routed, std::vector<int>{2});
    EXPECT_TRUE(Enabled(cmd::kPrint));
}

// ---- toolbar row ----------------------------------------------------------------------------

TEST_F(MainFrameTest, RightClickOnTheBarsOpensNoListOfBars)
{
    Frame().show();
    QWidget* caption = Frame().NavigatorBar().titleBarWidget();
    for (QWidget* bar : {static_cast<QWidget*>(&Frame().Toolbar()), Frame().findChild<QWidget*>("positionbar"), caption}) {
        ASSERT_NE(bar, nullptr);
        bool shown = false;
        // A menu would run its own event loop: close it from there, so that the test goes on.
        QTimer::singleShot(0, [&shown] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                shown = true;
                popup->close();
            }
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(3, 3), bar->mapToGlobal(QPoint(3, 3)));
        QCoreApplication::sendEvent(bar, &click);
        QApplication::processEvents();
        EXPECT_FALSE(shown) << bar->objectName().toStdString();
    }
}
TEST_F(MainFrameTest, EveryToolbarButtonIsInReachOnFieldLaptopScreens)
{
    FakeDocument& doc = h.OpenFakeDocument();
    std::vector<int> ids;
    for (int id : FrameToolbarTable())
        if (id)
            ids.push_back(id);
    RecordDocumentCommands(doc, ids);
    Frame().StatusTimer().stop();
    Frame().UpdateCommandUI();
    Frame().showNormal();  // not maximised to the test screen's size
    QToolBar& toolbar = Frame().Toolbar();
    const QToolBar* row = Frame().findChild<QToolBar*>("positionbar");
    // 1366 pixels hold both bars in one row; at 1024 the position bar takes a row of its own.
    for (const auto& [width, oneRow] : {std::pair{1366, true}, std::pair{1024, false}}) {
        Frame().resize(width, 768);
        QApplication::processEvents();
        EXPECT_EQ(row->y() == toolbar.y(), oneRow) << width;
        EXPECT_GE(row->width(), row->sizeHint().width()) << width;
        for (int id : ids) {
            QWidget* button = toolbar.widgetForAction(Action(id));
            ASSERT_NE(button, nullptr) << id;
            EXPECT_TRUE(button->isVisible()) << width << " " << id;
            routed.clear();
            QTest::mouseClick(button, Qt::LeftButton);
            EXPECT_EQ(routed, std::vector<int>{id}) << width << " " << id;
        }
    }
}
