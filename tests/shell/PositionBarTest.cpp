// The position bar's rules, and what it draws.

#include "tests/shell/AppDoubles.h"

#include "model/AppSettings.h"
#include "shell/PositionBar.h"

#include <QApplication>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

using namespace workload;

TEST(PositionBarRules, PositionByTriggerMode)
{
    // Wheel: 250 counts x -1, 0.05 m between traces, feet.
    EXPECT_NEAR(Position(0, 9, 1.0, 250, -1, 0.05, 0.3048), -250 * 0.05 / 0.3048, 1e-9);
    EXPECT_DOUBLE_EQ(Position(200, 30, 0.5, 999, 1, 0.05, 1.0), 15.0);  // time
    EXPECT_DOUBLE_EQ(Position(255, 30, 0.5, 999, 1, 0.05, 1.0), 15.0);  // keyboard
}

TEST(PositionBarRules, PositionTextUnits)
{
    struct Case {
        std::uint8_t trigger;
        const char* units;
        const char* text;
    };
    const Case cases[] = {
        {0, "F", "12.35 ft"}, {0, "I", "12.35 in"}, {0, "M", "12.35 m"}, {0, "f", "12.35 m"},
        {255, "F", "12.35 ft"}, {255, "M", "12.35 m"}, {128, "F", "12.35 s"}, {254, "I", "12.35 s"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PositionText(12.3456, c.trigger, c.units).toStdString(), c.text) << int(c.trigger) << c.units;
}

TEST(PositionBarRules, NumbersUseAPointWhateverTheLocale)
{
    const std::string before = std::setlocale(LC_ALL, nullptr);
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(PositionText(1.5, 0, "M").toStdString(), "1.50 m");
    EXPECT_EQ(GpsTexts(true, 48.1234567, -11.5).first.toStdString(), "48.1234567");
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, before.c_str());
}

TEST(PositionBarRules, LoadOfTheSlotsInUse)
{
    std::array<std::int32_t, 8> fill{10, 90, 5, 0, 0, 0, 0, 7};
    std::array<std::int32_t, 8> step{20, 100, 0, 0, 0, 0, 0, 7};
    std::array<bool, 8> inUse{true, false, true, true, false, false, false, false};
    EXPECT_FLOAT_EQ(Load(fill, step, inUse), 0.5f);  // B is fuller but unused; C's step 0 counts empty
    inUse[7] = true;
    EXPECT_FLOAT_EQ(Load(fill, step, inUse), 1.0f);
    EXPECT_FLOAT_EQ(Load(fill, step, {}), 0.0f);
}

TEST(PositionBarRules, GaugeSegments)
{
    EXPECT_EQ(LitSegments(0.5f), 7);
    EXPECT_EQ(LitSegments(1.0f), 15);
    EXPECT_EQ(LitSegments(7.0f), 15);
    EXPECT_EQ(LitSegments(0.0f), 0);
    EXPECT_EQ(LitSegments(std::nanf("")), 0);

    const std::vector<QRect> rects = SegmentRects(QRect(10, 2, 90, 16));
    ASSERT_EQ(rects.size(), 15u);
    EXPECT_EQ(rects[0].left(), 10);
    EXPECT_EQ(rects[0].right(), 15);  // left + 90/15 = 16, drawn up to 15
    EXPECT_EQ(rects[14].right(), 99);
    for (std::size_t i = 1; i < rects.size(); ++i)
        EXPECT_EQ(rects[i].left(), rects[i - 1].right()) << i;

    const QColor green(0, 255, 0), yellow(255, 255, 0), red(255, 0, 0), grey(128, 128, 128);
    EXPECT_EQ(SegmentColor(6, 15), green);
    EXPECT_EQ(SegmentColor(7, 15), yellow);
    EXPECT_EQ(SegmentColor(11, 15), yellow);
    EXPECT_EQ(SegmentColor(12, 15), red);
    EXPECT_EQ(SegmentColor(7, 7), grey);
}

TEST(PositionBarRules, Battery)
{
    EXPECT_EQ(BatteryLevel(600), 1000);
    EXPECT_EQ(BatteryLevel(451), 1000);
    EXPECT_EQ(BatteryLevel(406), 500);
    EXPECT_EQ(BatteryLevel(361), 0);
    EXPECT_EQ(BatteryLevel(300), 0);  // not a negative bar
    EXPECT_EQ(BatteryLevel(362), 11);
    EXPECT_EQ(BatteryColor(1.0f), QColor(0, 255, 0));
    EXPECT_EQ(BatteryColor(0.8f), QColor(0, 255, 0));
    EXPECT_EQ(BatteryColor(0.5f), QColor(255, 255, 0));
    EXPECT_EQ(BatteryColor(0.49f), QColor(255, 0, 0));
}

TEST(PositionBarRules, GpsTexts)
{
    using P = std::pair<QString, QString>;
    EXPECT_EQ(GpsTexts(false, 48.5, 11.25), (P{"Off.", "Off."}));
    EXPECT_EQ(GpsTexts(true, 0.0, 11.25), (P{"No Fix", "No Fix"}));
    EXPECT_EQ(GpsTexts(true, -48.5, -11.25), (P{"-48.5000000", "-11.2500000"}));
}

class PositionBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        h.Start();
        bar = std::make_unique<CWorkload>(*h.app);
        bar->show();
    }
    QColor Pixel(const char* field, QPoint at)
    {
        QWidget* w = bar->findChild<QWidget*>(field);
        return w->grab().toImage().pixelColor(at);
    }
    AppHarness h;
    std::unique_ptr<CWorkload> bar;
};

TEST_F(PositionBarTest, UpdateTakesTheUnitsValuesAndTheGpsPosition)
{
    h.app->m_status.m_bConnected = 1;
    h.app->m_params.m_nTrigType = 200;
    h.app->m_params.m_nCurSlot = 1;
    h.app->m_params.m_nCurChannel = 1;
    h.app->m_params.m_params[3].m_dTimeInterval = 0.25;
    h.app->m_params.m_params[0].m_bActive = 1;
    h.app->m_status.m_nTimeCount = 10;
    h.app->m_status.m_nSlotFill = {30, 100, 0, 0, 0, 0, 0, 0};
    h.app->m_status.m_nSlotStep = {40, 100, 0, 0, 0, 0, 0, 0};
    h.app->m_status.m_nBattery = 406;
    h.gps->open = true;
    h.gps->fix.latitude = 48.5;
    h.gps->fix.ns = "S";
    h.gps->fix.longitude = 11.25;
    h.gps->fix.ew = "W";
    bar->Update();
    EXPECT_DOUBLE_EQ(bar->Shown().position, 2.5);
    EXPECT_FLOAT_EQ(bar->Shown().load, 0.75f);
    EXPECT_DOUBLE_EQ(bar->Shown().latitude, -48.5);
    EXPECT_DOUBLE_EQ(bar->Shown().longitude, -11.25);

    // Battery 406: the left half yellow, the rest black.
    QWidget* battery = bar->findChild<QWidget*>("c1034");
    const QImage b = battery->grab().toImage();
    EXPECT_EQ(b.pixelColor(3, b.height() / 2), QColor(255, 255, 0));
    EXPECT_EQ(b.pixelColor(3, 1), QColor(0, 0, 0));  // its outline
    EXPECT_EQ(b.pixelColor(b.width() - 4, b.height() / 2), QColor(0, 0, 0));
    h.app->m_status.m_bConnected = 0;
    bar->Update();
    EXPECT_EQ(Pixel("c1034", {3, b.height() / 2}), QColor(0, 0, 0));
}

TEST_F(PositionBarTest, FieldsNeverCoverTheirLabelsHoweverNarrowTheBar)
{
    // In a row of the main window, as the toolbar area places it.
    QWidget row;
    CWorkload placed(*h.app, &row);
    row.show();
    const QList<QWidget*> parts = placed.findChildren<QWidget*>();
    for (int width : {placed.sizeHint().width(), 500, 120}) {
        placed.setGeometry(0, 0, width, placed.sizeHint().height());
        QApplication::processEvents();
        for (QWidget* a : parts) {
            for (QWidget* b : parts) {
                if (a != b && a->parentWidget() == b->parentWidget()) {
                    EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                        << width << " " << a->objectName().toStdString() << " " << b->objectName().toStdString();
                }
            }
        }
    }
}

TEST_F(PositionBarTest, FullGaugeShowsGreenYellowAndRed)
{
    h.app->m_params.m_params[0].m_bActive = 1;
    h.app->m_status.m_nSlotFill[0] = 50;
    h.app->m_status.m_nSlotStep[0] = 50;
    bar->Update();
    QWidget* gauge = bar->findChild<QWidget*>("c1029");
    const QImage g = gauge->grab().toImage();
    const std::vector<QRect> rects = SegmentRects(gauge->rect().adjusted(1, 1, -1, -1));
    const std::pair<int, QColor> probes[] = {
        {0, QColor(0, 255, 0)}, {7, QColor(255, 255, 0)}, {12, QColor(255, 0, 0)}, {14, QColor(255, 0, 0)}};
    for (const auto& [i, colour] : probes)
        EXPECT_EQ(g.pixelColor(rects[static_cast<std::size_t>(i)].center()), colour) << i;
    EXPECT_EQ(g.pixelColor(rects[3].left(), rects[3].center().y()), QColor(0, 0, 0));  // outline
}

TEST_F(PositionBarTest, FieldsShowWhiteTextOnBlack)
{
    bar->Update();
    const QImage lat = bar->findChild<QWidget*>("c1197")->grab().toImage();
    bool white = false;
    for (int x = 0; x < lat.width(); ++x)
        for (int y = 0; y < lat.height(); ++y)
            white |= lat.pixelColor(x, y) == QColor(255, 255, 255);
    EXPECT_TRUE(white);
    EXPECT_EQ(lat.pixelColor(3, lat.height() / 2), QColor(0, 0, 0));
}

TEST_F(PositionBarTest, SliderSetsTheGainAndRedrawsTheDocument)
{
    FakeDocument& doc = h.OpenFakeDocument();
    QSlider& slider = bar->GainSlider();
    EXPECT_EQ(slider.minimum(), 1);
    EXPECT_EQ(slider.maximum(), 50);
    EXPECT_EQ(slider.pageStep(), 2);
    slider.setFocus();
    slider.setValue(19);
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(h.app->m_settings.m_nPaletteGain, 20);
    EXPECT_GE(doc.refreshes, 1);
}
