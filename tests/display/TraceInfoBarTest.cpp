// The trace information bar as a window: its list before and after the view's trace info,
// the full-scale edit, and the layout of its three controls.
#include "display/TraceInfoBar.h"
#include "tests/support/TextRoom.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList Column(const CTraceInfoBar& bar, int c)
{
    QStringList texts;
    for (int r = 0; r < bar.List()->rowCount(); ++r)
        texts << bar.List()->item(r, c)->text();
    return texts;
}

} // namespace

TEST(TraceInfoBar, StartsWithZerosAndTakesTheViewsTraceAndCursors)
{
    int asked = 0;
    CTraceInfoBar bar([&asked] {
        ++asked;
        return TraceInfoContext{100.0f, 100.0f, 1.0};
    });
    EXPECT_EQ(bar.List()->objectName(), "c150");
    EXPECT_EQ(bar.List()->columnCount(), 3);
    EXPECT_EQ(bar.List()->horizontalHeaderItem(2)->text(), "Unit");
    EXPECT_EQ(Column(bar, 1), (QStringList{"0.00 ns", "0.00 ns", "0.00 ns", "NaN", "0", "0", "0", "0.0", "0",
                                           "0.00", "0", "0"}));
    EXPECT_EQ(Column(bar, 2), QStringList(12, QString()));
    EXPECT_TRUE(bar.List()->item(4, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(bar.List()->item(4, 1)->flags() & Qt::ItemIsEditable) << "values are not the operator's";

    CSTrace trace;
    trace[30] = -3;
    trace[50] = 4;
    bar.OnSetTraceInfo(&trace, 30, 50);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Column(bar, 1), (QStringList{"300.00 ns", "500.00 ns", "200.00 ns", "5.0 MHz", "7", "-3", "4", "0.0",
                                           "3", "10.00", "30", "50"}));

    // No trace: the copy from before, with the new cursors.
    bar.OnSetTraceInfo(nullptr, 50, 60);
    EXPECT_EQ(Column(bar, 1)[5], "4");
    EXPECT_EQ(Column(bar, 1)[10], "50");
    EXPECT_EQ(Column(bar, 1)[11], "60");
}

TEST(TraceInfoBar, EditAsksForTheFullScaleAtEveryChange)
{
    CTraceInfoBar bar({});
    QLineEdit* edit = bar.findChild<QLineEdit*>("c151");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "32000");
    EXPECT_EQ(bar.findChild<QLabel*>("c152")->text(), "Max amplitude:");
    edit->clear();
    QSignalSpy spy(&bar, &CTraceInfoBar::maxAmplitudeChanged);
    QTest::keyClicks(edit, "-500");
    ASSERT_EQ(spy.count(), 4);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 0) << "a sign alone";
    EXPECT_EQ(spy.at(3).at(0).toInt(), 500);
    edit->setText("40000");
    EXPECT_EQ(spy.last().at(0).toInt(), 40000);
}

TEST(TraceInfoBar, LabelAndEditShareTheTopRowAboveTheListEachShownWhole)
{
    struct Case {
        int width;
        bool halves;     // wide enough for the label to take the left half
        bool editWhole;  // wide enough for the edit's widest full scale
    };
    for (const Case& c : {Case{400, true, true}, Case{201, false, true}, Case{150, false, false}}) {
        CTraceInfoBar bar({});
        bar.resize(c.width, 400);
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        const QLabel& label = *bar.findChild<QLabel*>("c152");
        const QLineEdit& edit = *bar.Edit();
        const QRect l = label.geometry(), e = edit.geometry();
        SCOPED_TRACE(c.width);
        EXPECT_EQ(l.topLeft(), QPoint(0, 0));
        EXPECT_EQ(l.right() + 1, e.left()) << "the edit beside the label, not over it";
        EXPECT_EQ(e.right() + 1, c.width);
        if (c.halves) {
            EXPECT_EQ(l.width(), c.width / 2);
        }
        EXPECT_GE(LabelTextRoom(label), TextWidth(label, "Max amplitude:"));
        if (c.editWhole) {
            EXPECT_GE(EditTextRoom(edit), TextWidth(edit, "65535"));
        }
        // A row of 20 px would cut the font's descenders.
        EXPECT_GE(e.height(), std::max(20, edit.minimumSizeHint().height()));
        EXPECT_EQ(l.height(), e.height());
        EXPECT_EQ(bar.List()->geometry(), QRect(0, e.height(), c.width, 400 - e.height()));
    }
}
