// The splash picture at start and the background behind the child windows.

#include "tests/shell/AppDoubles.h"

#include "shell/SplashWnd.h"
#include "shell/WallFrame.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

bool WaitUntil(const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000)
        QTest::qWait(10);
    return done();
}

} // namespace

TEST(Splash, ShowsAndGoesByItself)
{
    CSplashWnd splash;
    splash.ShowSplash(50);
    EXPECT_TRUE(splash.isVisible());
    EXPECT_TRUE(WaitUntil([&] { return !splash.isVisible(); }));
    EXPECT_FALSE(splash.Timer().isActive());
}

TEST(Splash, AClickClosesItAtOnceAndLeavesNoTimer)
{
    CSplashWnd splash;
    splash.ShowSplash(60000);
    QTest::mouseClick(&splash, Qt::RightButton);
    EXPECT_TRUE(splash.isVisible());
    QTest::mouseClick(&splash, Qt::LeftButton);
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.Timer().isActive());
}

TEST(Splash, RoundedCorners)
{
    CSplashWnd splash;
    const QRegion mask = splash.mask();
    ASSERT_FALSE(mask.isEmpty());
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(splash.width() - 1, splash.height() - 1)));
    EXPECT_TRUE(mask.contains(QPoint(splash.width() / 2, 1)));
    EXPECT_TRUE(mask.contains(QPoint(0, splash.height() / 2)));
}

TEST(Splash, ShownWhenTheMainWindowIsMade)
{
    AppHarness h;
    h.Start();
    EXPECT_TRUE(h.app->MainWindow()->Splash().isVisible());
}

TEST(Wall, PictureStaysCentredAndIsCutEvenly)
{
    struct Case {
        QSize area, picture;
        QPoint place;
    };
    const Case cases[] = {
        {{800, 600}, {320, 200}, {240, 200}},
        {{801, 601}, {320, 200}, {240, 200}},
        {{300, 100}, {320, 200}, {-10, -50}},
        {{301, 101}, {320, 200}, {-9, -49}},  // halves rounded toward zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(CWallFrame::PicturePlace(c.area, c.picture), c.place) << c.area.width() << "x" << c.area.height();
}

TEST(Wall, GreyGroundWithThePictureInTheMiddle)
{
    CWallFrame wall;
    wall.resize(800, 600);
    wall.show();
    QApplication::processEvents();
    const QSize vp = wall.viewport()->size();
    const QImage shot = wall.viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(128, 128, 128));
    const QImage picture = wall.Picture().toImage();
    const QPoint place = CWallFrame::PicturePlace(vp, picture.size());
    const QPoint probe(picture.width() / 2, picture.height() / 4);
    EXPECT_EQ(shot.pixelColor(place + probe), picture.pixelColor(probe));

    wall.resize(500, 400);
    QApplication::processEvents();
    const QImage smaller = wall.viewport()->grab().toImage();
    const QPoint moved = CWallFrame::PicturePlace(wall.viewport()->size(), picture.size());
    ASSERT_NE(moved, place);
    EXPECT_EQ(smaller.pixelColor(moved + probe), picture.pixelColor(probe));
    EXPECT_EQ(smaller.pixelColor(moved - QPoint(2, 2)), QColor(128, 128, 128));
}

TEST(Splash, KeysThatReachItGoToTheMainWindow)
{
    AppHarness h;
    h.profile.writeInt("settings", "enable_cu_check", 1);
    h.Start();
    CSplashWnd& splash = h.app->MainWindow()->Splash();
    QTest::keyClick(&splash, Qt::Key_F9);
    EXPECT_EQ(h.app->m_settings.m_bUnitCheck, 0);
    QTest::keyClick(&splash, Qt::Key_F9);
    EXPECT_EQ(h.app->m_settings.m_bUnitCheck, 1);
}
