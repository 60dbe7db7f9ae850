// The 50/60 Hz sensor window: where it opens, what it remembers, and the curves it draws over
// the traces the radargram shows.
#include "display/EM_Wnd.h"
#include "model/EM_Data.h"
#include "model/Profile.h"

#include <QImage>

#include <gtest/gtest.h>

#include <mutex>

namespace {

const QRect kScreen(0, 0, 1920, 1080);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

struct FakeSource : EmSource {
    bool VisibleTraces(int& f, int& c) override
    {
        f = first;
        c = count;
        return hasView;
    }
    const CEM_Data* SensorData() override { return data; }

    bool hasView = true;
    int first = 0, count = 1000;
    const CEM_Data* data = nullptr;
};

struct EmWndFixture : ::testing::Test {
    EmWndFixture()
    {
        for (int i = 0; i < 2000; ++i)
            records.AddRecord(1000, -1000, 0, 0);  // 1 - 3 = 1000, 2 - 4 = -1000
    }

    std::unique_ptr<CEM_Wnd> Make(FakeSource*& source)
    {
        auto owned = std::make_unique<FakeSource>();
        owned->data = &records;
        source = owned.get();
        auto wnd = std::make_unique<CEM_Wnd>(std::move(owned), profile, nullptr, kScreen, 32);
        wnd->resize(300, 200);
        return wnd;
    }

    static QImage Drawn(QWidget& w)
    {
        QImage image(w.size(), QImage::Format_RGB32);
        image.fill(Qt::gray);
        w.render(&image);
        return image;
    }

    static bool ColumnHas(const QImage& image, int x, QRgb colour)
    {
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) == colour)
                return true;
        return false;
    }

    std::recursive_mutex lock;
    CEM_Data records{lock};
    MemoryProfile profile;
};

} // namespace

struct PlaceCase {
    int left, top, right, bottom;
    QRect placed;
};

TEST(EmWndPlace, RememberedRectangleIsBroughtOntoTheScreen)
{
    const PlaceCase cases[] = {
        {100, 100, 300, 500, QRect(100, 100, 200, 400)},
        {5000, 100, 5300, 500, QRect(1888 - 300, 100, 300, 400)},
        {100, 2000, 300, 2300, QRect(100, 1080 - 32 - 300, 200, 300)},
        {-3000, 100, -2800, 500, CEM_Wnd::DefaultRect()},   // a monitor no longer there
        {400, 400, 400, 800, CEM_Wnd::DefaultRect()},        // no width
        {400, 400, 430, 800, CEM_Wnd::DefaultRect()},        // too narrow to grab
        {400, 400, 300, 800, CEM_Wnd::DefaultRect()},        // right of its right edge
        {1900, 1000, 2400, 1500, QRect(1900, 1000, 500, 500)}};
    for (const PlaceCase& c : cases)
        EXPECT_EQ(CEM_Wnd::Place(c.left, c.top, c.right, c.bottom, kScreen, 32, 32), c.placed)
            << c.left << "," << c.top << "," << c.right << "," << c.bottom;
}

TEST_F(EmWndFixture, OpensWhereItWasAndRemembersWhereItIsWhenClosed)
{
    FakeSource* source = nullptr;
    {
        auto wnd = Make(source);
        EXPECT_EQ(wnd->windowTitle(), "50/60 Hz sensor data");
        EXPECT_EQ(wnd->SavedRect(), QRect(100, 100, 200, 400));
        wnd->setGeometry(100, 700, 800, 100);  // where the main window makes it
        wnd->show();
        EXPECT_EQ(wnd->geometry(), QRect(100, 100, 200, 400));
        wnd->setGeometry(150, 160, 310, 220);
    }
    EXPECT_EQ(profile.getInt("settings", "EM_view_pos_left", 0), 150);
    EXPECT_EQ(profile.getInt("settings", "EM_view_pos_top", 0), 160);
    EXPECT_EQ(profile.getInt("settings", "EM_view_pos_right", 0), 460);
    EXPECT_EQ(profile.getInt("settings", "EM_view_pos_bottom", 0), 380);
    const auto& order = profile.writeOrder();
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0].second, "EM_view_pos_top");
    EXPECT_EQ(order[1].second, "EM_view_pos_left");
    EXPECT_EQ(order[2].second, "EM_view_pos_bottom");
    EXPECT_EQ(order[3].second, "EM_view_pos_right");

    auto again = Make(source);
    EXPECT_EQ(again->SavedRect(), QRect(150, 160, 310, 220));
}

TEST_F(EmWndFixture, CurvesRunOverTheVisibleTracesWithTheMiddleLineOnTop)
{
    FakeSource* source = nullptr;
    auto wnd = Make(source);
    const QImage image = Drawn(*wnd);
    // Display value 3 in a client 200 high: 60 below the middle; -3: 60 above.
    EXPECT_EQ(image.pixel(50, 160), kRed);
    EXPECT_EQ(image.pixel(50, 40), kGreen);
    EXPECT_EQ(image.pixel(298, 160), kRed) << "trace 298 of 1000 in a window 300 wide";
    EXPECT_EQ(image.pixel(150, 100), kBlack);
    EXPECT_EQ(image.pixel(50, 130), kWhite);
}

// Fewer traces than columns end the curves at the last trace; traces beyond the sensor
// records lie on the middle line.
TEST_F(EmWndFixture, CurvesEndAtTheLastTraceOrTheLastSensorRecord)
{
    std::recursive_mutex shortLock;
    CEM_Data few(shortLock);
    for (int i = 0; i < 100; ++i)
        few.AddRecord(1000, -1000, 0, 0);
    const struct {
        int count;
        const CEM_Data* data;
        int drawn, empty;
    } cases[] = {{120, &records, 119, 121}, {1000, &few, 50, 200}};
    for (const auto& c : cases) {
        FakeSource* source = nullptr;
        auto wnd = Make(source);
        source->count = c.count;
        source->data = c.data;
        const QImage image = Drawn(*wnd);
        EXPECT_TRUE(ColumnHas(image, c.drawn, kRed)) << c.count;
        EXPECT_FALSE(ColumnHas(image, c.empty, kRed) || ColumnHas(image, c.empty, kGreen)) << c.count;
        EXPECT_EQ(image.pixel(c.empty, 100), kBlack) << c.count;
    }
}

TEST_F(EmWndFixture, WithoutViewOrVisibleTracesOnlyWhite)
{
    FakeSource* source = nullptr;
    auto wnd = Make(source);
    auto onlyWhite = [&] {
        const QImage image = Drawn(*wnd);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != kWhite)
                    return false;
        return true;
    };
    source->hasView = false;
    EXPECT_TRUE(onlyWhite());
    source->hasView = true;
    source->first = 500;
    source->count = 400;  // scrolled past the traces of a replaced data set
    EXPECT_TRUE(onlyWhite());
    source->first = 0;
    source->count = 0;
    EXPECT_TRUE(onlyWhite());
}
