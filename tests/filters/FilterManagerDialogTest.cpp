// The "Filter Manager" dialog on Qt's offscreen platform, opened the way the program opens
// it: through the library's edit call, modally.
#include "TestFilters.h"

#include "filters/DcRemoval.h"
#include "filters/FilterChain.h"
#include "filters/FilterList.h"
#include "filters/Gain.h"
#include "filters/editor/FilterManagerDialog.h"
#include "filters/editor/TracePreview.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

FilterManagerDialog* OpenDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<FilterManagerDialog*>(w); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

// Runs the library's edit call on `list` while `script` works the dialog once it is open.
// A dialog the script leaves open is cancelled after a minute, so a failure cannot hang.
int EditWith(CFilterList& list, const std::vector<std::int16_t>& block, int traces, int samples,
             std::function<void(FilterManagerDialog&)> script)
{
    InstallFilterManager();
    bool ran = false;
    QTimer::singleShot(0, [&] {
        FilterManagerDialog* dialog = OpenDialog();
        if (!dialog) {
            ADD_FAILURE() << "no Filter Manager open";
            return;
        }
        ran = true;
        script(*dialog);
    });
    QTimer::singleShot(60000, [] {
        if (FilterManagerDialog* dialog = OpenDialog())
            dialog->reject();
    });
    CMeasureInfo description;
    const int result = list.Edit(0, block.empty() ? nullptr : block.data(), traces, samples, description);
    EXPECT_TRUE(ran);
    return result;
}

template <class T>
T* Child(QWidget& dialog, const char* name)
{
    T* child = dialog.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

} // namespace

TEST(FilterManagerDialog, OkKeepsTheAddedGain)
{
    CFilterList list;
    FilterListLookup(list.GetHandle())->add(DcRemoval::kName);
    list.Refresh();
    const auto block = RandomSamples(30 * 200, 12);
    const int result = EditWith(list, block, 30, 200, [](FilterManagerDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Filter Manager");
        EXPECT_TRUE(dialog.isModal());
        auto* filters = Child<QListWidget>(dialog, "filters");
        ASSERT_EQ(filters->count(), 1);
        EXPECT_EQ(filters->item(0)->text(), "DC removal");
        EXPECT_EQ(filters->item(0)->checkState(), Qt::Checked);
        EXPECT_FALSE(Child<QLabel>(dialog, "before")->pixmap().isNull());

        Child<QComboBox>(dialog, "kinds")->setCurrentText("Gain");
        QTest::mouseClick(Child<QPushButton>(dialog, "add"), Qt::LeftButton);
        ASSERT_EQ(filters->count(), 2);
        EXPECT_EQ(filters->currentRow(), 1);
        const QImage unchanged = Child<QLabel>(dialog, "after")->pixmap().toImage();
        auto* slope = Child<QDoubleSpinBox>(dialog, "Slope");
        ASSERT_NE(slope, nullptr);
        slope->setValue(0.5);
        EXPECT_NE(Child<QLabel>(dialog, "after")->pixmap().toImage(), unchanged) << "the preview follows";
        Press(dialog, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(list.GetSize(), 2);
    ASSERT_EQ(list.GetMirrorSize(), 2);
    EXPECT_EQ(list.GetFilterInfo(1)->GetName(), "Gain");
    EXPECT_EQ(FilterListLookup(list.GetHandle())->at(1)->value(Gain::kSlope).real, 0.5f);
}

TEST(FilterManagerDialog, CancelChangesNothing)
{
    CFilterList list;
    FilterListLookup(list.GetHandle())->add(DcRemoval::kName);
    list.Refresh();
    const auto block = RandomSamples(10 * 50, 13);
    const int result = EditWith(list, block, 10, 50, [](FilterManagerDialog& dialog) {
        Child<QComboBox>(dialog, "kinds")->setCurrentText("Gain");
        QTest::mouseClick(Child<QPushButton>(dialog, "add"), Qt::LeftButton);
        auto* filters = Child<QListWidget>(dialog, "filters");
        filters->item(0)->setCheckState(Qt::Unchecked);
        Press(dialog, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(list.GetSize(), 1);
    EXPECT_TRUE(FilterListLookup(list.GetHandle())->at(0)->enabled());
}

TEST(FilterManagerDialog, EnableBoxesAndOrderButtons)
{
    CFilterList list;
    FilterListLookup(list.GetHandle())->add(DcRemoval::kName);
    FilterListLookup(list.GetHandle())->add(Gain::kName);
    list.Refresh();
    const int result = EditWith(list, {}, 0, 0, [](FilterManagerDialog& dialog) {
        auto* filters = Child<QListWidget>(dialog, "filters");
        EXPECT_TRUE(Child<QLabel>(dialog, "before")->pixmap().isNull()) << "no traces, no picture";
        EXPECT_FALSE(Child<QPushButton>(dialog, "up")->isEnabled());
        filters->setCurrentRow(1);
        EXPECT_TRUE(Child<QPushButton>(dialog, "up")->isEnabled());
        EXPECT_FALSE(Child<QPushButton>(dialog, "down")->isEnabled());
        QTest::mouseClick(Child<QPushButton>(dialog, "up"), Qt::LeftButton);
        EXPECT_EQ(filters->item(0)->text(), "Gain");
        filters->item(1)->setCheckState(Qt::Unchecked);
        filters->setCurrentRow(0);
        QTest::mouseClick(Child<QPushButton>(dialog, "remove"), Qt::LeftButton);
        ASSERT_EQ(filters->count(), 1);
        Press(dialog, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(list.GetSize(), 1);
    EXPECT_EQ(list.GetFilterInfo(0)->GetName(), "DC removal");
    EXPECT_FALSE(FilterListLookup(list.GetHandle())->at(0)->enabled());
}

TEST(TracePreview, GreyAroundZeroScaledToThePeak)
{
    // two traces of stride 4 with 3 valid samples; the fourth sample is padding
    const std::int16_t block[] = {0, 100, -100, 30000, 50, -50, 25, -30000};
    const QImage image = TracePreview(block, 2, 4, 3);
    ASSERT_EQ(image.size(), QSize(2, 3));
    EXPECT_EQ(image.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(0, 1), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(0, 2), qRgb(1, 1, 1));
    EXPECT_EQ(image.pixel(1, 0), qRgb(191, 191, 191)); // 128 + 127 * 50 / 100
    EXPECT_EQ(image.pixel(1, 1), qRgb(65, 65, 65));
    EXPECT_TRUE(TracePreview(block, 0, 4, 3).isNull());
    EXPECT_TRUE(TracePreview(nullptr, 2, 4, 3).isNull());
}

// The application must outlive every test and go before Qt's own process-wide state does.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
