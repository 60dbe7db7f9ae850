// The channel navigator against a scripted unit, and the child frame's title and closing.

#include "tests/shell/AppDoubles.h"

#include "model/AppSettings.h"
#include "shell/ChannelTree.h"
#include "shell/ChildFrame.h"
#include "shell/CommandIds.h"
#include "shell/Pictures.h"
#include "shell/SizingBar.h"
#include "shell/WallFrame.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Row {
    int depth;
    std::string text;
    int image;
    int code;
    bool operator==(const Row&) const = default;
};

void Collect(QTreeWidgetItem* item, int depth, std::vector<Row>& rows)
{
    rows.push_back({depth, item->text(0).toStdString(), item->data(0, CChannelTree::kImageRole).toInt(),
                    CChannelTree::ItemToCode(item)});
    for (int i = 0; i < item->childCount(); ++i)
        Collect(item->child(i), depth + 1, rows);
}

std::vector<Row> Rows(CChannelTree& tree)
{
    std::vector<Row> rows;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        Collect(tree.topLevelItem(i), 0, rows);
    return rows;
}

QTreeWidgetItem* FindItem(CChannelTree& tree, int code)
{
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
        if (CChannelTree::ItemToCode(*it) == code && (*it)->childCount() == 0 && code >= 0)
            return *it;
    return nullptr;
}

} // namespace

class ChannelTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.profile.writeInt(CAppSettings::kSection, "enable_cu_check", 1);
        h.Start();
        h.log.clear();
        h.unit->modules = {4, 0, 8, 2, 0, 0, 0, 0};  // A opto, C coaxial, D unknown
        h.app->m_params.m_params[2 * 2 + 1].m_bActive = 1;
        tree = &h.app->MainWindow()->ChannelTree();
        // The tests rebuild the tree themselves: no presence check may rebuild it between.
        h.app->MainWindow()->StatusTimer().stop();
        h.app->MainWindow()->show();
        h.app->MainWindow()->NavigatorBar().show();
    }
    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, pos, tree->viewport()->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &e);
    }
    QPoint Centre(int code) { return tree->visualItemRect(FindItem(*tree, code)).center() + QPoint(-10, 0); }

    AppHarness h;
    CChannelTree* tree = nullptr;
};

// The fixture's unit: slots A (opto) and C (coaxial), channel C2 alone in use.
const std::vector<Row> kUnitRows = {
    {0, "Tolam", 0, -1},
    {1, "Slot A - Opto module", 4, -1},
    {2, "Internal Tx", 9, 0},
    {2, "External Tx", 9, 1},
    {1, "Slot C - Coaxial module", 5, -1},
    {2, "Internal Tx", 9, 20},
    {2, "External Tx", 8, 21},
};

TEST_F(ChannelTreeTest, TolamWithSlotGapsShowsThePopulatedSlotsAndTheirChannels)
{
    tree->Rebuild();
    EXPECT_EQ(Rows(*tree), kUnitRows);
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
    EXPECT_TRUE(tree->topLevelItem(0)->child(1)->isExpanded());
    EXPECT_EQ(CChannelTree::ModuleImage(12), 6);
}

TEST_F(ChannelTreeTest, AStartBeforeTheFirstTickFillsTheNavigatorForTheRun)
{
    ASSERT_EQ(tree->topLevelItemCount(), 0);
    h.OpenFakeDocument();
    ASSERT_TRUE(h.app->MainWindow()->RunCommand(cmd::kStart));
    EXPECT_EQ(Rows(*tree), kUnitRows);
}

TEST_F(ChannelTreeTest, EverySlotLabelShowsWholeAtTheBarsFirstWidth)
{
    h.app->MainWindow()->resize(1024, 768);
    h.unit->modules.fill(8);  // the longest module name, behind every slot letter
    tree->Rebuild();
    QApplication::processEvents();
    EXPECT_GE(h.app->MainWindow()->NavigatorBar().width(), CSizingBar::kInitialSize);
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const QModelIndex index = tree->indexFromItem(*it);
        EXPECT_LE(tree->visualRect(index).left() + tree->sizeHintForIndex(index).width(), tree->viewport()->width())
            << (*it)->text(0).toStdString();
    }
}

TEST_F(ChannelTreeTest, Z5KAndNoUnitShowOnlyTheirRoot)
{
    h.unit->modular = false;
    tree->Rebuild();
    EXPECT_EQ(Rows(*tree), (std::vector<Row>{{0, "Z5K", 0, -1}}));
    h.app->m_status.m_bConnected = 0;
    tree->RefreshIfChanged();
    EXPECT_EQ(Rows(*tree), (std::vector<Row>{{0, "No Control Unit", 0, -1}}));
}

TEST_F(ChannelTreeTest, ASelectedItemShowsItsOwnPicture)
{
    tree->Rebuild();
    QTreeWidgetItem* item = FindItem(*tree, 21);
    const QImage own = pictures::TreeImage(CChannelTree::kImageInUse).toImage();
    const QImage selected = item->icon(0).pixmap(16, QIcon::Selected).toImage();
    EXPECT_EQ(selected.pixelColor(8, 8), own.pixelColor(8, 8));
}

TEST_F(ChannelTreeTest, RefreshRebuildsOnlyWhenTheSlotsChanged)
{
    tree->Rebuild();
    h.app->m_params.m_params[0].m_bActive = 1;  // an image that only a rebuild shows
    tree->RefreshIfChanged();
    EXPECT_EQ(FindItem(*tree, 0)->data(0, CChannelTree::kImageRole).toInt(), 9);
    h.unit->modules[1] = 12;
    tree->RefreshIfChanged();
    EXPECT_EQ(FindItem(*tree, 0)->data(0, CChannelTree::kImageRole).toInt(), 8);
    EXPECT_EQ(tree->topLevelItem(0)->child(1)->text(0), "Slot B - HF module");
}

TEST_F(ChannelTreeTest, StatusTimerFillsTheTreeOnItsFirstTickAndWhenTheUnitGoes)
{
    h.app->MainWindow()->OnTimer();
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Tolam");
    h.unit->present = false;
    h.app->MainWindow()->OnTimer();
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "No Control Unit");
}

TEST_F(ChannelTreeTest, SelectionChoosesTheChannelAndNeverSlotAByAccident)
{
    h.OpenFakeDocument();
    h.app->m_params.m_params[2 * 2].m_bActive = 1;
    h.app->m_params.m_nCurSlot = 2;
    h.app->m_params.m_nCurChannel = 1;
    tree->Rebuild();
    tree->setCurrentItem(FindItem(*tree, 20));
    EXPECT_EQ(h.app->m_params.m_nCurChannel, 0);
    EXPECT_EQ(h.app->m_params.m_nCurSlot, 2);
    h.app->m_params.m_params[0].m_bActive = 1;
    tree->setCurrentItem(tree->topLevelItem(0));  // the unit: nothing
    tree->Rebuild();                              // the selection goes to no item: nothing
    tree->clear();
    EXPECT_EQ(h.app->m_params.m_nCurSlot, 2);
    EXPECT_EQ(h.app->m_params.m_nCurChannel, 0);
}

TEST_F(ChannelTreeTest, DropInsideTheTreeSelectsTheDraggedChannelAndOutsideNothing)
{
    h.OpenFakeDocument();
    tree->Rebuild();
    tree->setCurrentItem(FindItem(*tree, 20));
    h.app->m_params.m_nCurSlot = 0;
    const QPoint from = Centre(21);
    for (bool inside : {false, true}) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, from + QPoint(0, 30), Qt::NoButton, Qt::LeftButton);
        ASSERT_TRUE(tree->IsDragging());
        EXPECT_EQ(tree->RememberedCode(), 21);
        const QPoint to = inside ? QPoint(20, 20) : QPoint(tree->width() + 50, 20);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        EXPECT_FALSE(tree->IsDragging());
        EXPECT_EQ(h.app->m_params.m_nCurSlot, inside ? 2 : 0) << inside;
    }
    EXPECT_EQ(h.app->m_params.m_nCurChannel, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ChannelTreeTest, WhileDraggingTheMouseGoesWhereTheGrabSendsItAndTheDropFreesIt)
{
    h.OpenFakeDocument();
    tree->Rebuild();
    h.app->m_params.m_nCurSlot = 0;
    const QPoint from = Centre(21);
    Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, from + QPoint(0, 30), Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(tree->IsDragging());
    // The window system hands every mouse event to the widget that grabbed the mouse.
    QWidget* grabber = QWidget::mouseGrabber();
    ASSERT_NE(grabber, nullptr);
    const QPoint drop = grabber->mapFromGlobal(tree->viewport()->mapToGlobal(QPoint(20, 20)));
    QMouseEvent release(QEvent::MouseButtonRelease, drop, grabber->mapToGlobal(drop), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(grabber, &release);
    EXPECT_FALSE(tree->IsDragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << "the rest of the program gets its mouse back";
    EXPECT_EQ(h.app->m_params.m_nCurSlot, 2);
}

TEST_F(ChannelTreeTest, ContextChoicesSwitchTheChannelAndEditPutsItInUse)
{
    tree->Rebuild();
    EXPECT_EQ(tree->ContextChoices(21), (QStringList{"Edit Measurement Settings", "Don't use this channel"}));
    EXPECT_EQ(tree->ContextChoices(20), (QStringList{"Edit Measurement Settings", "Use this channel"}));
    tree->ApplyChoice(21, 2);
    EXPECT_EQ(h.app->m_params.m_params[5].m_bActive, 0);
    EXPECT_EQ(FindItem(*tree, 21)->data(0, CChannelTree::kImageRole).toInt(), 9);

    tree->ApplyChoice(20, 1);  // no channel dialog in this build: nothing
    EXPECT_EQ(h.app->m_params.m_params[4].m_bActive, 0);
    std::vector<std::pair<int, int>> edited;
    h.app->m_runners.channelParameters = [&edited](CRavikApp&, int slot, int channel) {
        edited.emplace_back(slot, channel);
        return false;  // cancelled
    };
    tree->ApplyChoice(20, 1);
    EXPECT_EQ(edited, (std::vector<std::pair<int, int>>{{2, 0}}));
    EXPECT_EQ(h.app->m_params.m_params[4].m_bActive, 1);
    EXPECT_EQ(h.app->m_params.m_nCurSlot, 2);
    EXPECT_EQ(h.app->m_params.m_nCurChannel, 0);
}

TEST_F(ChannelTreeTest, RightButtonOffersTheMenuOnAChannelOnlyAndNotWhileMeasuring)
{
    tree->Rebuild();
    std::vector<QStringList> shown;
    tree->SetPopup([&shown](const QStringList& items, bool, QPoint) {
        shown.push_back(items);
        return 2;
    });
    const QRect root = tree->visualItemRect(tree->topLevelItem(0));
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, root.center() - QPoint(root.width() / 2 - 10, 0));
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, QPoint(tree->viewport()->width() - 3, Centre(21).y()));
    const QRect channel = tree->visualItemRect(FindItem(*tree, 21));
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, QPoint(channel.left() - 4, channel.center().y()));
    EXPECT_TRUE(shown.empty());  // the unit, the empty row right of a channel's text and its indentation

    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, Centre(21));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0][1], "Don't use this channel");
    EXPECT_EQ(h.app->m_params.m_params[5].m_bActive, 0);

    h.app->m_status.m_bMeasuring = 1;
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, Centre(21));
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(h.app->m_params.m_params[5].m_bActive, 0);
}

TEST_F(ChannelTreeTest, NavigatorCommandRebuildsOnlyWhenConnectedAndIdle)
{
    h.app->m_settings.m_bChannelBarVisible = 1;
    h.app->m_status.m_bMeasuring = 1;
    h.app->MainWindow()->RunCommand(32776);
    EXPECT_TRUE(h.app->MainWindow()->NavigatorBar().isHidden());
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    h.app->m_status.m_bMeasuring = 0;
    h.app->MainWindow()->RunCommand(32776);
    EXPECT_FALSE(h.app->MainWindow()->NavigatorBar().isHidden());
    EXPECT_EQ(h.app->m_settings.m_bChannelBarVisible, 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Tolam");
}

// ---- child frame --------------------------------------------------------------------------

TEST(ChildFrameTitle, ThreeForms)
{
    EXPECT_EQ(CChildFrame::FormatTitle("Site_0003.rd3", true, true, 2, 1, "Default"), "Site_0003.rd3 - File view mode");
    EXPECT_EQ(CChildFrame::FormatTitle("Site_0003_C2.rd3", false, true, 2, 1, "Default"),
              "Site_0003_C2.rd3 - Slot C, Channel: External Tx, (Default)");
    EXPECT_EQ(CChildFrame::FormatTitle("Site_0003_A1.rd3", false, true, 0, 0, "500 MHz"),
              "Site_0003_A1.rd3 - Slot A, Channel: Internal Tx, (500 MHz)");
    EXPECT_EQ(CChildFrame::FormatTitle("Site_0003.rd3", false, false, 0, 0, "Default"), "Site_0003.rd3 - Z5K - (Default)");
}

class TitledDocument : public FakeDocument {
public:
    using FakeDocument::FakeDocument;
    std::string GetTitle() const override { return "Site_0007.rd3"; }
};

TEST_F(ChannelTreeTest, ChildIsMaximisedTitledAndNotClosedWhileMeasuring)
{
    h.app->MainWindow()->AddDocument(std::make_unique<TitledDocument>(h.log));
    h.app->m_params.m_params[5].m_strName = "Coax 250";
    h.OpenFakeDocument("second");
    QMdiSubWindow* child = h.app->MainWindow()->Wall().subWindowList().first();
    h.app->MainWindow()->Wall().setActiveSubWindow(child);
    EXPECT_TRUE(child->isMaximized());
    EXPECT_EQ(child->minimumSize(), QSize(300, 150));
    ASSERT_TRUE(h.app->MainWindow()->OnSelectChannel(21));
    EXPECT_EQ(child->windowTitle(), "Site_0007.rd3 - Slot C, Channel: External Tx, (Coax 250)");

    h.app->m_status.m_bMeasuring = 1;
    EXPECT_FALSE(child->close());
    EXPECT_EQ(h.app->MainWindow()->DocumentCount(), 2);
    h.app->m_status.m_bMeasuring = 0;
    child->showNormal();
    child->resize(10, 10);
    EXPECT_GE(child->width(), 300);
    EXPECT_TRUE(child->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(h.app->MainWindow()->DocumentCount(), 1);
    EXPECT_EQ(h.log, (EventLog{"doc refresh", "doc close"}));
}

TEST_F(ChannelTreeTest, ChildMadeWhileMeasuringHasNoMinimiseMaximiseOrSizing)
{
    for (bool measuring : {false, true}) {
        h.app->m_status.m_bMeasuring = measuring;
        h.OpenFakeDocument();
        QMdiSubWindow* child = h.app->MainWindow()->Wall().activeSubWindow();
        ASSERT_NE(child, nullptr);
        EXPECT_TRUE(child->isMaximized()) << measuring;
        for (const char* item : {"Mi&nimize", "Ma&ximize", "&Size"}) {
            const QList<QAction*> actions = child->systemMenu()->actions();
            const auto it = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == item; });
            ASSERT_NE(it, actions.end()) << item;
            EXPECT_EQ((*it)->isVisible(), !measuring) << item;
        }
    }
    h.app->m_status.m_bMeasuring = 0;
}

// Its Start and Stop switch the measuring state, as the radar document's measurement does.
class MeasuringDocument : public FakeDocument {
public:
    MeasuringDocument(EventLog& log, CRavikApp& app) : FakeDocument(log), m_app(app) {}
    void OnMeasureStart() override { m_app.m_status.m_bMeasuring = 1; }
    void OnMeasureStop() override { m_app.m_status.m_bMeasuring = 0; }

private:
    CRavikApp& m_app;
};

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

TEST_F(ChannelTreeTest, TheChildAMeasurementRunsInHasNoBoxesUntilTheStop)
{
    h.app->MainWindow()->AddDocument(std::make_unique<MeasuringDocument>(h.log, *h.app));
    QMdiSubWindow* child = h.app->MainWindow()->Wall().activeSubWindow();
    // The boxes of the caption, or of the menu bar while maximised, follow these items.
    const auto boxes = [child] {
        std::vector<std::string> shown;
        for (QAction* a : child->systemMenu()->actions())
            if (a->isVisible() && (a->text() == "Mi&nimize" || a->text() == "Ma&ximize" || a->text() == "&Close"))
                shown.push_back(a->text().toStdString());
        return shown;
    };
    const std::vector<std::string> all = {"Mi&nimize", "Ma&ximize", "&Close"};
    EXPECT_EQ(boxes(), all);
    // Maximised, the boxes stand in the menu bar's corner, which must be drawn anew when they
    // come and go: the screen keeps showing what was drawn last.
    QWidget* corner = h.app->MainWindow()->menuBar()->cornerWidget(Qt::TopRightCorner);
    ASSERT_NE(corner, nullptr);
    PaintCounter paints;
    corner->installEventFilter(&paints);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.app->MainWindow()));
    const std::pair<int, std::vector<std::string>> steps[] = {{cmd::kStart, {}}, {cmd::kStop, all}};
    for (const auto& [command, expected] : steps) {
        paints.count = 0;
        ASSERT_TRUE(h.app->MainWindow()->RunCommand(command)) << command;
        QCoreApplication::processEvents();
        EXPECT_EQ(boxes(), expected) << command;
        EXPECT_TRUE(child->isVisible() && child->isMaximized()) << command;
        EXPECT_GT(paints.count, 0) << "the menu bar's boxes were not drawn anew after " << command;
    }
}

TEST_F(ChannelTreeTest, ChildOfAZ5KIsTitledWithoutSlot)
{
    h.unit->modular = false;
    h.app->MainWindow()->AddDocument(std::make_unique<TitledDocument>(h.log));
    QMdiSubWindow* child = h.app->MainWindow()->Wall().subWindowList().first();
    EXPECT_EQ(child->windowTitle(), "Site_0007.rd3 - Z5K - (New preset)");
    h.app->m_status.m_bOldDataFile = 1;
    h.app->MainWindow()->UpdateCommandUI();
    EXPECT_EQ(child->windowTitle(), "Site_0007.rd3 - File view mode");
}

TEST_F(ChannelTreeTest, AClickChoosesTheChannelWhenTheButtonComesUp)
{
    h.OpenFakeDocument();
    tree->Rebuild();
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, Centre(21));
    EXPECT_EQ(h.app->m_params.m_nCurSlot, 0);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, Centre(21));
    EXPECT_EQ(h.app->m_params.m_nCurSlot, 2);
    EXPECT_EQ(h.app->m_params.m_nCurChannel, 1);
}
