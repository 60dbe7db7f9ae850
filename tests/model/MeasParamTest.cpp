#include "model/MeasParamSet.h"

#include <gtest/gtest.h>

TEST(ParseDecimal, ReadsPointAndCommaDecimals)
{
    EXPECT_DOUBLE_EQ(ParseDecimal("12"), 12.0);
    EXPECT_DOUBLE_EQ(ParseDecimal("0,25"), 0.25);
    EXPECT_DOUBLE_EQ(ParseDecimal(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseDecimal("0.05"), 0.05);
    EXPECT_DOUBLE_EQ(ParseDecimal("0.160"), 0.16);
    EXPECT_DOUBLE_EQ(ParseDecimal("-1.5"), -1.5);
    EXPECT_DOUBLE_EQ(ParseDecimal("-0.5"), -0.5);
    EXPECT_DOUBLE_EQ(ParseDecimal("   7"), 7.0);
    EXPECT_DOUBLE_EQ(ParseDecimal("+3"), 3.0);
}

TEST(ParseDecimal, KeepsItsLenientReadingOfOddText)
{
    // Every character after the separator counts as a decimal place.
    EXPECT_DOUBLE_EQ(ParseDecimal("1.2.3"), 1.002);
    EXPECT_DOUBLE_EQ(ParseDecimal("abc"), 0.0);
    EXPECT_DOUBLE_EQ(ParseDecimal("1e5"), 1.0);
    EXPECT_DOUBLE_EQ(ParseDecimal(""), 0.0);
    EXPECT_DOUBLE_EQ(ParseDecimal("-"), 0.0);
}

TEST(ParseDecimal, HugeNumbersAreDeterministic)
{
    const double a = ParseDecimal("99999999999999999999");
    EXPECT_EQ(a, ParseDecimal("99999999999999999999"));
    EXPECT_GT(a, 9.2e18);
    EXPECT_DOUBLE_EQ(ParseDecimal("1." + std::string(400, '9')), 1.0);
}

TEST(SlotLetter, IsAtoHAndEmptyOutside)
{
    EXPECT_EQ(GetSlotLetter(0), "A");
    EXPECT_EQ(GetSlotLetter(7), "H");
    EXPECT_EQ(GetSlotLetter(8), "");
    EXPECT_EQ(GetSlotLetter(-1), "");
}

TEST(MeasParamSet, UnitFactorAndNameAreCaseSensitive)
{
    CMeasParamSet set("");
    std::string name;
    for (const char* units : {"", "M", "f", "FF"}) {
        set.m_strUnits = units;
        EXPECT_FLOAT_EQ(set.GetUnitFactor(), 1.0f) << units;
        set.GetUnitName(name);
        EXPECT_EQ(name, "meters") << units;
    }
    set.m_strUnits = "F";
    EXPECT_FLOAT_EQ(set.GetUnitFactor(), 0.3048f);
    set.GetUnitName(name);
    EXPECT_EQ(name, "feet");
    set.m_strUnits = "I";
    EXPECT_FLOAT_EQ(set.GetUnitFactor(), 0.0254f);
    set.GetUnitName(name);
    EXPECT_EQ(name, "inches");
}

TEST(MeasParamSet, PresetListKeepsOrderAndOwnsItsCopies)
{
    CMeasParamSet set("");
    CMeasParam p;
    for (const char* name : {"first", "second", "third"}) {
        p.m_strName = name;
        set.AddPreset(p);
    }
    p.m_strName = "changed by the caller";
    EXPECT_EQ(set.m_presets[2]->m_strName, "third");

    set.DeletePreset(3);   // one past the end
    set.DeletePreset(-1);  // negative
    ASSERT_EQ(set.GetPresetCount(), 3);
    set.DeletePreset(0);
    ASSERT_EQ(set.GetPresetCount(), 2);
    EXPECT_EQ(set.m_presets[0]->m_strName, "second");
    EXPECT_EQ(set.m_presets[1]->m_strName, "third");
}

TEST(MeasParamSet, WheelListDeletesOnlyInsideTheList)
{
    CMeasParamSet set("");
    CWheel w;
    EXPECT_EQ(w.m_strName, "");
    EXPECT_DOUBLE_EQ(w.m_dCalibration, 0.0);
    EXPECT_EQ(w.m_nDirection, 1);
    w.m_strName = "wheel a";
    w.m_dCalibration = 442.7;
    w.m_nDirection = -1;
    set.AddWheel(w);
    set.DeleteWheel(1);
    set.DeleteWheel(-5);
    ASSERT_EQ(set.GetWheelCount(), 1);
    EXPECT_EQ(set.m_wheels[0]->m_nDirection, -1);
    set.DeleteWheel(0);
    EXPECT_EQ(set.GetWheelCount(), 0);
}

TEST(MeasParamSet, SampleIntervalTableIsBoundsChecked)
{
    CMeasParamSet set("");
    set.SetSampleInterval(7, 3, 0.05);
    set.SetSampleInterval(8, 0, 1.0);
    set.SetSampleInterval(0, 7, 1.0);
    set.SetSampleInterval(-1, 0, 1.0);
    EXPECT_DOUBLE_EQ(set.GetSampleInterval(7, 3), 0.05);
    EXPECT_DOUBLE_EQ(set.GetSampleInterval(0, 7), 0.0);
    EXPECT_DOUBLE_EQ(set.GetSampleInterval(8, 0), 0.0);
    EXPECT_DOUBLE_EQ(set.GetSampleInterval(0, 0), 0.0);
}
