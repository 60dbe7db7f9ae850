// The wheel calibration against a fake unit's wheel counter, and the wheel list.

#include "tests/shell/AppDoubles.h"

#include "shell/dialogs/NewWheel.h"
#include "shell/dialogs/ReadoutWidget.h"
#include "shell/dialogs/WheelDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// A harness whose unit is connected and idle.
struct WheelHarness : AppHarness {
    WheelHarness()
    {
        Construct();
        app->m_status.m_bConnected = 1;
    }
    bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }
    void AddWheel(const std::string& name, double calibration, std::int16_t direction)
    {
        CWheel w;
        w.m_strName = name;
        w.m_dCalibration = calibration;
        w.m_nDirection = direction;
        app->m_params.AddWheel(w);
    }
};

template <typename T>
T* Child(QWidget& w, const char* name)
{
    T* child = w.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

QString Readout(QWidget& w, const char* name)
{
    return Child<CReadoutWidget>(w, name)->text();
}

// Runs `drive` on the modal dialog that the next call opens.
void OnNextModal(std::function<void(QWidget*)> drive)
{
    QTimer::singleShot(0, [drive] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        drive(modal);
    });
}

}  // namespace

TEST(NewWheel, StartSetsUpTheWheelInputAndTicksShowTheUnitsCount)
{
    WheelHarness h;
    h.unit->wheelCounts = {0, 1200, 2500};
    CNewWheel dlg(*h.app);
    dlg.OnStartCalibration();

    EXPECT_TRUE(h.Logged("unit trigger source -1 W 16"));
    EXPECT_TRUE(h.Logged("unit enable wheel 16"));
    EXPECT_TRUE(h.Logged("unit wheel counter 16 1 0"));
    EXPECT_TRUE(dlg.IsCounting());
    EXPECT_EQ(dlg.Timer().interval(), 300);
    for (const char* locked : {"c1141", "c1017", "c1021", "c1154"})
        EXPECT_FALSE(Child<QWidget>(dlg, locked)->isEnabled()) << locked << " stays locked while counting";

    for (int i = 0; i < 3; ++i)
        dlg.OnTimer();
    EXPECT_EQ(Readout(dlg, "c1142"), "2500");
    Child<QLineEdit>(dlg, "c1017")->setText("2.5");
    EXPECT_EQ(Readout(dlg, "c1143"), "1000.00");

    dlg.OnTimer();  // the unit does not answer: the last count stays
    EXPECT_EQ(Readout(dlg, "c1142"), "2500");

    dlg.OnStopCalibration();
    EXPECT_TRUE(h.Logged("unit disable wheel 16"));
    EXPECT_FALSE(dlg.IsCounting());
    EXPECT_TRUE(Child<QWidget>(dlg, "c1154")->isEnabled());
}

TEST(NewWheel, SlotWheelSourceAddressesThatSlotsInput)
{
    WheelHarness h;
    CNewWheel dlg(*h.app);
    auto* source = Child<QComboBox>(dlg, "c1141");
    ASSERT_EQ(source->count(), 9);
    EXPECT_EQ(source->itemText(0), "Master wheel");
    EXPECT_EQ(source->itemText(8), "Slot H wheel");
    source->setCurrentIndex(3);  // "Slot C wheel"
    dlg.OnStartCalibration();
    EXPECT_TRUE(h.Logged("unit enable wheel 2"));
    EXPECT_TRUE(h.Logged("unit wheel counter 2 1 0"));
    EXPECT_EQ(dlg.m_nWheelSource, 2);
}

struct CalibrationCase {
    std::int32_t ticks;
    const char* distance;
    const char* units;
    const char* shown;
    double stored;
    std::int16_t direction;
};

class NewWheelCalibration : public ::testing::TestWithParam<CalibrationCase> {};

TEST_P(NewWheelCalibration, ShowsTicksPerMetreAndStoresMagnitudeAndDirection)
{
    const CalibrationCase c = GetParam();
    WheelHarness h;
    h.app->m_params.m_strUnits = c.units;
    h.unit->wheelCounts = {static_cast<std::uint32_t>(c.ticks)};
    CNewWheel dlg(*h.app);
    dlg.OnStartCalibration();
    dlg.OnTimer();
    Child<QLineEdit>(dlg, "c1017")->setText(c.distance);
    EXPECT_EQ(Readout(dlg, "c1143"), c.shown);

    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(h.Logged("unit disable wheel 16")) << "OK stops the count on the unit";
    const CWheel wheel = dlg.Result();
    EXPECT_NEAR(wheel.m_dCalibration, c.stored, 0.01);
    EXPECT_EQ(wheel.m_nDirection, c.direction);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NewWheelCalibration,
    ::testing::Values(CalibrationCase{2500, "2.5", "M", "1000.00", 1000.0, 1},
                      CalibrationCase{2500, "2.5", "F", "3280.84", 3280.84, 1},
                      CalibrationCase{-2500, "2.5", "M", "-1000.00", 1000.0, -1},
                      CalibrationCase{2500, "-2.5", "M", "-1000.00", 1000.0, -1},
                      CalibrationCase{2500, "0", "M", "0.00", 0.0, 1}));

TEST(NewWheel, DistanceThatIsNoNumberKeepsTheLastCalibrationAndRefusesOk)
{
    WheelHarness h;
    h.unit->wheelCounts = {2500, 2500};
    CNewWheel dlg(*h.app);
    dlg.OnStartCalibration();
    dlg.OnTimer();
    auto* distance = Child<QLineEdit>(dlg, "c1017");
    distance->setText("2.5");
    distance->setText("abc");
    dlg.OnTimer();
    EXPECT_EQ(Readout(dlg, "c1143"), "1000.00");

    distance->setText("2,5");
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(h.log.back(), "text Please enter a number.");
}

TEST(NewWheel, ProposesTheNextNumberAndCutsLongNames)
{
    WheelHarness h;
    for (int i = 0; i < 3; ++i)
        h.AddWheel("w", 100, 1);
    h.app->m_params.m_strUnits = "I";
    CNewWheel dlg(*h.app);
    dlg.show();
    EXPECT_TRUE(Child<QPushButton>(dlg, "c1154")->isDefault()) << "Enter starts the count";
    EXPECT_EQ(Child<QLineEdit>(dlg, "c1021")->text(), "Wheel #4");
    EXPECT_EQ(Child<QLabel>(dlg, "c1165")->text(), "inches");

    Child<QLineEdit>(dlg, "c1021")->setText(QString::fromUtf8("Rad \xC3\xBC" "ber dem Feld am Hang"));
    dlg.accept();
    EXPECT_EQ(dlg.m_strName, "Rad \xFC" "ber dem Feld am");
}

TEST(NewWheel, CancelWhileCountingStopsTheWheelInput)
{
    WheelHarness h;
    CNewWheel dlg(*h.app);
    dlg.OnStartCalibration();
    dlg.reject();
    EXPECT_TRUE(h.Logged("unit disable wheel 16"));
    EXPECT_FALSE(dlg.IsCounting());
}

TEST(NewWheel, NoCountWithoutAUnitOrDuringAMeasurement)
{
    for (bool measuring : {false, true}) {
        WheelHarness h;
        h.app->m_status.m_bConnected = measuring ? 1 : 0;
        h.app->m_status.m_bMeasuring = measuring ? 1 : 0;
        CNewWheel dlg(*h.app);
        EXPECT_FALSE(Child<QWidget>(dlg, "c1154")->isEnabled());
        dlg.OnStartCalibration();
        EXPECT_FALSE(h.Logged("unit wheel counter 16 1 0")) << "measuring " << measuring;
        CWheelDlg list(*h.app);
        EXPECT_FALSE(Child<QWidget>(list, "c1005")->isEnabled());
    }
}

TEST(NewWheel, CommandAppendsTheCalibratedWheel)
{
    WheelHarness h;
    h.unit->wheelCounts = {static_cast<std::uint32_t>(-900)};
    OnNextModal([](QWidget* modal) {
        auto* dlg = qobject_cast<CNewWheel*>(modal);
        ASSERT_NE(dlg, nullptr);
        dlg->findChild<QLineEdit*>("c1021")->setText("Trolley");
        dlg->OnStartCalibration();
        dlg->OnTimer();
        dlg->findChild<QLineEdit*>("c1017")->setText("0.9");
        dlg->findChild<QPushButton*>("c1")->click();
    });
    ASSERT_TRUE(RunNewWheelCalibration(*h.app));
    ASSERT_EQ(h.app->m_params.GetWheelCount(), 1);
    const CWheel& w = *h.app->m_params.m_wheels[0];
    EXPECT_EQ(w.m_strName, "Trolley");
    EXPECT_NEAR(w.m_dCalibration, 1000.0, 1e-9);
    EXPECT_EQ(w.m_nDirection, -1);
}

TEST(NewWheel, CommandRefusesBeyondTheLastWheelNumber)
{
    WheelHarness h;
    for (int i = 0; i < kMaxWheelCalibrations; ++i)
        h.AddWheel("w", 100, 1);
    EXPECT_FALSE(RunNewWheelCalibration(*h.app));
    EXPECT_EQ(h.app->m_params.GetWheelCount(), kMaxWheelCalibrations);
    EXPECT_EQ(h.log.back(), "text No more than 128 wheel calibrations can be stored.");
    CWheelDlg list(*h.app);
    EXPECT_FALSE(Child<QWidget>(list, "c1005")->isEnabled());
}

TEST(NewWheel, ReadoutIsWhiteOnBlackAndRightAligned)
{
    CReadoutWidget readout;
    readout.resize(160, 30);
    readout.setText("7");
    const QImage image = readout.grab().toImage();
    EXPECT_EQ(image.pixelColor(3, 15), QColor(Qt::black)) << "left of the text";
    int whiteLeft = 0, whiteRight = 0;
    for (int y = 2; y < 28; ++y)
        for (int x = 2; x < 158; ++x)
            if (image.pixelColor(x, y).lightness() > 200)
                (x < 120 ? whiteLeft : whiteRight)++;
    EXPECT_EQ(whiteLeft, 0);
    EXPECT_GT(whiteRight, 10) << "the digit is drawn at the right edge";
}

struct EntryCase {
    const char* name;
    double calibration;
    std::int16_t direction;
    const char* entry;
};

TEST(WheelDlg, EntriesShowNameDirectionAndCalibration)
{
    for (const EntryCase& c : {EntryCase{"Hill", 1234.567, 1, "Hill (+ 1234.57)"},
                               EntryCase{"Back", 10, -1, "Back (- 10.00)"},
                               EntryCase{"Zero", 0, 0, "Zero (- 0.00)"},
                               EntryCase{"", 5, 1, ""}}) {
        CWheel w;
        w.m_strName = c.name;
        w.m_dCalibration = c.calibration;
        w.m_nDirection = c.direction;
        EXPECT_EQ(CWheelDlg::EntryText(w), c.entry);
    }
}

TEST(WheelDlg, DeletingTheLastSelectsTheNewLast)
{
    WheelHarness h;
    h.AddWheel("A", 1, 1);
    h.AddWheel("B", 2, -1);
    h.AddWheel("C", 3, 1);
    CWheelDlg dlg(*h.app);
    QListWidget* list = dlg.List();
    ASSERT_EQ(list->objectName(), "c1009");
    list->setCurrentRow(2);

    dlg.OnDelete();  // answered No
    EXPECT_EQ(h.app->m_params.GetWheelCount(), 3);
    EXPECT_EQ(h.log.back(), "question 57608");

    h.prompter.answerYes = true;
    dlg.OnDelete();
    ASSERT_EQ(h.app->m_params.GetWheelCount(), 2);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "A (+ 1.00)");
    EXPECT_EQ(list->item(1)->text(), "B (- 2.00)");
    EXPECT_EQ(list->currentRow(), 1);

    list->setCurrentRow(0);
    dlg.OnDelete();
    EXPECT_EQ(h.app->m_params.m_wheels[0]->m_strName, "B");
    EXPECT_EQ(list->currentRow(), 0);
}

TEST(WheelDlg, DeleteAsksFirstAndWithoutSelectionDeletesNothing)
{
    WheelHarness h;
    h.AddWheel("A", 1, 1);
    h.prompter.answerYes = true;
    CWheelDlg dlg(*h.app);
    dlg.List()->clearSelection();
    dlg.List()->setCurrentRow(-1);
    dlg.OnDelete();
    EXPECT_EQ(h.log.back(), "question 57608");
    EXPECT_EQ(h.app->m_params.GetWheelCount(), 1);
}

TEST(WheelDlg, NewAppendsAndSelectsTheWheel)
{
    WheelHarness h;
    h.AddWheel("A", 1, 1);
    h.unit->wheelCounts = {500};
    CWheelDlg dlg(*h.app);
    OnNextModal([](QWidget* modal) {
        auto* wheel = qobject_cast<CNewWheel*>(modal);
        ASSERT_NE(wheel, nullptr);
        wheel->OnStartCalibration();
        wheel->OnTimer();
        wheel->findChild<QLineEdit*>("c1017")->setText("1");
        wheel->accept();
    });
    dlg.OnNew();
    ASSERT_EQ(h.app->m_params.GetWheelCount(), 2);
    ASSERT_EQ(dlg.List()->count(), 2);
    EXPECT_EQ(dlg.List()->item(1)->text(), "Wheel #2 (+ 500.00)");
    EXPECT_EQ(dlg.List()->currentRow(), 1);
}
