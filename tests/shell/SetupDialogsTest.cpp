// The hardware set-up (unit identity, adapters, the five switches) and the units dialog
// (unit, scale, first arrival, velocity in the display unit).

#include "tests/shell/AppDoubles.h"

#include "shell/dialogs/CUSetup.h"
#include "shell/dialogs/UnitDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct SetupHarness : AppHarness {
    SetupHarness()
    {
        Construct();
        app->m_status.m_bConnected = 1;
    }
};

template <typename T>
T* Child(QWidget& w, const char* name)
{
    T* child = w.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

}  // namespace

TEST(CUSetup, UnitTextByKindOfUnit)
{
    struct Case {
        std::optional<std::uint32_t> id;
        const char* text;
    };
    for (const Case& c : {Case{0x10001234u, "Tolam - 0X1234"}, Case{0x20000001u, "Z5K - 0X1"},
                          Case{0x3000ABCDu, "No control unit connected"}, Case{std::nullopt, "No control unit connected"}})
        EXPECT_EQ(CCUSetup::UnitText(c.id), c.text);
}

TEST(CUSetup, AsksTheConnectedUnitOnlyAndShowsItsIdentity)
{
    SetupHarness h;
    h.unit->unitId = 0x10001234u;
    {
        CCUSetup dlg(*h.app);
        dlg.initDialog();
        EXPECT_EQ(Child<QLabel>(dlg, "c1171")->text(), "Tolam - 0X1234");
        EXPECT_EQ(h.log.back(), "unit read info 0 1");
    }
    h.app->m_status.m_bConnected = 0;
    const std::size_t before = h.log.size();
    CCUSetup dlg(*h.app);
    dlg.initDialog();
    EXPECT_EQ(Child<QLabel>(dlg, "c1171")->text(), "No control unit connected");
    EXPECT_EQ(h.log.size(), before) << "no unit is asked while none is connected";
}

TEST(CUSetup, AdapterListIsAskedForAndTheChoiceComesBack)
{
    SetupHarness h;
    h.unit->adapters = {"Onboard Ethernet", "USB Ethernet"};
    h.app->m_adapterDescriptions = {"stale"};
    CCUSetup dlg(*h.app);
    dlg.m_nAdapterIndex = 1;
    dlg.initDialog();
    auto* combo = Child<QComboBox>(dlg, "c1089");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), "Onboard Ethernet");
    EXPECT_EQ(combo->currentIndex(), 1);
    combo->setCurrentIndex(0);
    dlg.accept();
    EXPECT_EQ(dlg.m_nAdapterIndex, 0);
}

TEST(CUSetup, WithoutAdaptersTheSavedIndexStays)
{
    SetupHarness h;
    CCUSetup dlg(*h.app);
    dlg.m_nAdapterIndex = 3;
    dlg.initDialog();
    EXPECT_EQ(Child<QComboBox>(dlg, "c1089")->currentIndex(), -1);
    dlg.accept();
    EXPECT_EQ(dlg.m_nAdapterIndex, 3);
}

TEST(CUSetup, ChecksShowAndStoreTheirSettings)
{
    struct Check {
        const char* id;
        std::function<int(const CMeasParamSet&)> value;
    };
    const Check checks[] = {
        {"c1080", [](const CMeasParamSet& p) { return int(p.m_bBeeper); }},
        {"c1136", [](const CMeasParamSet& p) { return int(p.m_nMissedTraceMode); }},
        {"c1139", [](const CMeasParamSet& p) { return int(p.m_nCountry); }},
        {"c1201", [](const CMeasParamSet& p) { return int(p.m_bBidirectional); }},
        {"c1202", [](const CMeasParamSet& p) { return int(p.m_bDcFilter); }},
    };
    for (const Check& on : checks) {
        SetupHarness h;
        CMeasParamSet& p = h.app->m_params;
        p.m_bBeeper = 1, p.m_nMissedTraceMode = 1, p.m_nCountry = 1, p.m_bBidirectional = 1, p.m_bDcFilter = 1;
        CCUSetup dlg(*h.app);
        dlg.initDialog();
        for (const Check& c : checks) {
            auto* box = Child<QCheckBox>(dlg, c.id);
            EXPECT_TRUE(box->isChecked()) << c.id;
            box->setChecked(c.id == std::string(on.id));
        }
        dlg.accept();
        for (const Check& c : checks)
            EXPECT_EQ(c.value(p), c.id == std::string(on.id) ? 1 : 0) << c.id << " with only " << on.id << " checked";
    }
}

TEST(CUSetup, CancelStoresNothing)
{
    SetupHarness h;
    CCUSetup dlg(*h.app);
    dlg.initDialog();
    Child<QCheckBox>(dlg, "c1139")->setChecked(true);
    dlg.reject();
    EXPECT_EQ(h.app->m_params.m_nCountry, 0);
}

TEST(UnitDlg, FeetShowVelocityInFeetAndOkKeepsIt)
{
    SetupHarness h;
    h.app->m_params.m_strUnits = "F";
    h.app->m_settings.m_fVelocity = 100.0f;
    CUnitDlg dlg(*h.app);
    EXPECT_EQ(Child<QLineEdit>(dlg, "c1060")->text(), "328.084");
    EXPECT_EQ(Child<QLabel>(dlg, "c1147")->text(), "feet/us");
    EXPECT_TRUE(Child<QPushButton>(dlg, "c1081")->isChecked());
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_NEAR(h.app->m_settings.m_fVelocity, 100.0f, 1e-4);
    EXPECT_EQ(h.app->m_params.m_strUnits, "F");
}

TEST(UnitDlg, UnitClickChangesTheUnitAtOnceEvenWhenCancelled)
{
    SetupHarness h;
    h.app->m_params.m_strUnits = "M";
    h.app->m_settings.m_fVelocity = 100.0f;
    CUnitDlg dlg(*h.app);
    Child<QLineEdit>(dlg, "c1060")->setText("55");  // typed, not confirmed
    Child<QPushButton>(dlg, "c1045")->click();
    EXPECT_EQ(h.app->m_params.m_strUnits, "I");
    EXPECT_EQ(Child<QLineEdit>(dlg, "c1060")->text(), "3937.01");
    EXPECT_EQ(Child<QLabel>(dlg, "c1147")->text(), "inches/us");
    dlg.reject();
    EXPECT_EQ(h.app->m_params.m_strUnits, "I");
    EXPECT_EQ(h.app->m_settings.m_fVelocity, 100.0f);
}

TEST(UnitDlg, NoUnitLeavesNoButtonCheckedAndTheUnitsEmpty)
{
    SetupHarness h;
    CUnitDlg dlg(*h.app);
    for (const char* id : {"c1041", "c1081", "c1045"})
        EXPECT_FALSE(Child<QPushButton>(dlg, id)->isChecked()) << id;
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(h.app->m_params.m_strUnits, "");
}

TEST(UnitDlg, FirstArrivalAndScaleGoToTheCurrentChannelAndSettings)
{
    SetupHarness h;
    h.app->m_params.m_nCurSlot = 2;
    h.app->m_params.m_nCurChannel = 1;
    h.app->m_params.m_params[5].m_nTimeZero = 40;
    h.app->m_settings.m_nScale = 1;
    CUnitDlg dlg(*h.app);
    EXPECT_EQ(Child<QLineEdit>(dlg, "c1033")->text(), "40");
    EXPECT_TRUE(Child<QPushButton>(dlg, "c1043")->isChecked());
    Child<QLineEdit>(dlg, "c1033")->setText("2047");
    Child<QPushButton>(dlg, "c1082")->click();
    dlg.accept();
    EXPECT_EQ(h.app->m_params.m_params[5].m_nTimeZero, 2047);
    EXPECT_EQ(h.app->m_params.m_params[0].m_nTimeZero, 30);
    EXPECT_EQ(h.app->m_settings.m_nScale, 0u);
}

struct RefusedCase {
    const char* units;
    const char* edit;
    const char* text;
    const char* message;
};

class UnitDlgRefuses : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(UnitDlgRefuses, ValueOutOfRangeKeepsTheDialogOpenAndStoresNothing)
{
    const RefusedCase c = GetParam();
    SetupHarness h;
    h.app->m_params.m_strUnits = c.units;
    CUnitDlg dlg(*h.app);
    Child<QLineEdit>(dlg, c.edit)->setText(c.text);
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(h.log.back(), std::string("text ") + c.message);
    EXPECT_EQ(h.app->m_settings.m_fVelocity, 100.0f);
    EXPECT_EQ(h.app->m_params.m_params[0].m_nTimeZero, 30);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnitDlgRefuses,
    ::testing::Values(RefusedCase{"M", "c1060", "0", "Please enter a number between 0 and 300."},
                      RefusedCase{"M", "c1060", "-5", "Please enter a number between 0 and 300."},
                      RefusedCase{"M", "c1060", "300.5", "Please enter a number between 0 and 300."},
                      RefusedCase{"F", "c1060", "984.3", "Please enter a number between 0 and 984.252."},
                      RefusedCase{"I", "c1060", "11811.1", "Please enter a number between 0 and 11811.02."},
                      RefusedCase{"M", "c1060", "abc", "Please enter a number."},
                      RefusedCase{"M", "c1060", "0,5", "Please enter a number."},
                      RefusedCase{"M", "c1060", "nan", "Please enter a number."},
                      RefusedCase{"M", "c1033", "2048", "Please enter an integer between 0 and 2047."},
                      RefusedCase{"M", "c1033", "-1", "Please enter an integer between 0 and 2047."},
                      RefusedCase{"M", "c1033", "1.5", "Please enter an integer."}));

TEST(UnitDlg, LargestVelocityShownIsAccepted)
{
    SetupHarness h;
    h.app->m_params.m_strUnits = "F";
    CUnitDlg dlg(*h.app);
    Child<QLineEdit>(dlg, "c1060")->setText("984.252");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_NEAR(h.app->m_settings.m_fVelocity, 300.0f, 1e-3);
}
