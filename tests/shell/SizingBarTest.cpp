// The docking bars of the main window's sides.

#include "tests/shell/AppDoubles.h"

#include "model/AppSettings.h"
#include "shell/ChannelTree.h"
#include "shell/SizingBar.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

class SizingBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.profile.writeInt(CAppSettings::kSection, "trace_info_visible", 1);
        h.Construct();
        h.app->m_runners.makeTraceInfoBar = [](CRavikApp&, QWidget* bar) { return new QLineEdit(bar); };
        ASSERT_TRUE(h.app->InitInstance());
        frame = h.app->MainWindow();
        frame->show();
        QApplication::processEvents();
    }
    bool Checked(int id)
    {
        frame->UpdateCommandUI();
        return frame->CommandAction(id)->isChecked();
    }
    AppHarness h;
    CMainFrame* frame = nullptr;
};

TEST_F(SizingBarTest, NavigatorLeftTraceInfoRightAsTheFlagsSay)
{
    CSizingBar* info = frame->TraceInfoBar();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(frame->dockWidgetArea(&frame->NavigatorBar()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(info), Qt::RightDockWidgetArea);
    EXPECT_EQ(frame->NavigatorBar().allowedAreas(), Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    EXPECT_EQ(info->windowTitle(), "Trace info");
    EXPECT_EQ(frame->NavigatorBar().windowTitle(), "Channel Navigator");
    EXPECT_TRUE(frame->NavigatorBar().isVisible());  // first start: shown
    EXPECT_TRUE(info->isVisible());
    EXPECT_TRUE(Checked(32834));
}

TEST_F(SizingBarTest, CloseBoxHidesThroughTheViewCommandAndTheCommandBringsItBack)
{
    for (int id : {32776, 32834}) {
        CSizingBar& bar = id == 32776 ? frame->NavigatorBar() : *frame->TraceInfoBar();
        CFlatCaption& caption = bar.Caption();
        QTest::mouseClick(&caption, Qt::LeftButton, {}, caption.CloseBoxRect().center());
        EXPECT_FALSE(bar.isVisible()) << id;
        EXPECT_FALSE(frame->CommandAction(id)->isChecked()) << id;
        frame->RunCommand(id);
        EXPECT_TRUE(bar.isVisible()) << id;
        EXPECT_TRUE(Checked(id)) << id;
    }
    EXPECT_EQ(h.app->m_settings.m_bChannelBarVisible, 1);
    EXPECT_EQ(h.app->m_settings.m_bTraceInfoVisible, 1);
    QTest::mouseClick(&frame->TraceInfoBar()->Caption(), Qt::LeftButton, {},
                      frame->TraceInfoBar()->Caption().CloseBoxRect().center());
    EXPECT_EQ(h.app->m_settings.m_bTraceInfoVisible, 0);
}

TEST_F(SizingBarTest, DoubleClickOnTheCaptionDocksAFloatingBarAgain)
{
    CSizingBar& bar = frame->NavigatorBar();
    bar.setFloating(true);
    ASSERT_TRUE(bar.isFloating());
    EXPECT_GE(bar.minimumWidth(), 37);
    QTest::mouseDClick(&bar.Caption(), Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_FALSE(bar.isFloating());
    EXPECT_EQ(frame->dockWidgetArea(&bar), Qt::LeftDockWidgetArea);
}

TEST_F(SizingBarTest, BarsKeepTheirMinimumSize)
{
    CSizingBar& bar = frame->NavigatorBar();
    frame->resizeDocks({&bar}, {10}, Qt::Horizontal);
    QApplication::processEvents();
    EXPECT_GE(bar.width(), 33);
    EXPECT_GE(bar.minimumSize().height(), 32);
}

TEST_F(SizingBarTest, CaptionShowsWhetherTheFocusIsInside)
{
    CSizingBar& bar = frame->NavigatorBar();
    frame->activateWindow();
    auto* edit = static_cast<QLineEdit*>(frame->TraceInfoBar()->widget());
    edit->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(bar.IsActive());
    const QColor inactive = bar.Caption().grab().toImage().pixelColor(2, 2);
    frame->ChannelTree().setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(bar.IsActive());
    EXPECT_NE(bar.Caption().grab().toImage().pixelColor(2, 2), inactive);
}

TEST_F(SizingBarTest, FloatingBarsShownWhenTheProgramEndsStayShownForTheNextStart)
{
    frame->NavigatorBar().setFloating(true);
    frame->TraceInfoBar()->setFloating(true);
    QApplication::processEvents();
    ASSERT_TRUE(frame->NavigatorBar().isVisible());
    // The program ends: the main window closes, then the application closes the windows
    // that are left, the floating bars among them.
    frame->close();
    frame->NavigatorBar().close();
    frame->TraceInfoBar()->close();
    EXPECT_EQ(h.app->m_settings.m_bChannelBarVisible, 1);
    EXPECT_EQ(h.app->m_settings.m_bTraceInfoVisible, 1);
}
