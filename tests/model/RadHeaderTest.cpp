#include "model/MeasParamSet.h"
#include "model/RadHeader.h"
#include "tests/model/DataSetTestSupport.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The .rad of a channel at the parameter set's defaults, with no unit connected (sample
// intervals 0), wheel mode 0 and no wheel calibrations.
const char* kNewChannelRad =
    "SAMPLES:400\r\n"
    "FREQUENCY:   1.000000\r\n"
    "FREQUENCY STEPS:2\r\n"
    "SIGNAL POSITION:0.000000\r\n"
    "RAW SIGNAL POSITION:2048\r\n"
    "DISTANCE FLAG:1\r\n"
    "TIME FLAG:0\r\n"
    "PROGRAM FLAG:0\r\n"
    "EXTERNAL FLAG:0\r\n"
    "TIME INTERVAL: 0.000000\r\n"
    "DISTANCE INTERVAL: 0.200000\r\n"
    "OPERATOR:_\r\n"
    "CUSTOMER:_\r\n"
    "SITE:_\r\n"
    "ANTENNAS:New preset\r\n"
    "ANTENNA ORIENTATION:NOT VALID FIELD\r\n"
    "ANTENNA SEPARATION: 0.100000\r\n"
    "COMMENT:\r\n"
    "TIMEWINDOW: 0.000000\r\n"
    "STACKS:2\r\n"
    "STACK EXPONENT:1\r\n"
    "STACKING TIME:0.008000\r\n"
    "LAST TRACE:0\r\n"
    "STOP POSITION:  0.000000\r\n"
    "SYSTEM CALIBRATION:0.0000000000\r\n"
    "START POSITION:0.000000\r\n"
    "SHORT FLAG:0\r\n"
    "INTERMEDIATE FLAG:1\r\n"
    "LONG FLAG:0\r\n"
    "PREPROCESSING:0\r\n"
    "HIGH:0\r\n"
    "LOW:0\r\n"
    "FIXED INCREMENT:0.300000\r\n"
    "FIXED MOVES UP:0\r\n"
    "FIXED MOVES DOWN:1\r\n"
    "FIXED POSITION:0.000000\r\n"
    "WHEEL CALIBRATION:442.700000\r\n"
    "POSITIVE DIRECTION:1\r\n";

// Slot B, channel 2 after 1234 traces in wheel mode with the second wheel calibration.
const char* kMeasuredChannelRad =
    "SAMPLES:512\r\n"
    "FREQUENCY:100000.000000\r\n"
    "FREQUENCY STEPS:4\r\n"
    "SIGNAL POSITION:13.837500\r\n"
    "RAW SIGNAL POSITION:60000\r\n"
    "DISTANCE FLAG:1\r\n"
    "TIME FLAG:0\r\n"
    "PROGRAM FLAG:0\r\n"
    "EXTERNAL FLAG:0\r\n"
    "TIME INTERVAL: 0.000000\r\n"
    "DISTANCE INTERVAL: 0.050000\r\n"
    "OPERATOR:Ann\r\n"
    "CUSTOMER:Road dept.\r\n"
    "SITE:Bridge 7\r\n"
    "ANTENNAS:Shielded 400\r\n"
    "ANTENNA ORIENTATION:NOT VALID FIELD\r\n"
    "ANTENNA SEPARATION: 0.350000\r\n"
    "COMMENT:Cart wheel=1\r\n"
    "TIMEWINDOW: 5.120000\r\n"
    "STACKS:8\r\n"
    "STACK EXPONENT:3\r\n"
    "STACKING TIME:0.040960\r\n"
    "LAST TRACE:1234\r\n"
    "STOP POSITION: 61.700000\r\n"
    "SYSTEM CALIBRATION:0.0000025000\r\n"
    "START POSITION:0.000000\r\n"
    "SHORT FLAG:0\r\n"
    "INTERMEDIATE FLAG:0\r\n"
    "LONG FLAG:1\r\n"
    "PREPROCESSING:0\r\n"
    "HIGH:0\r\n"
    "LOW:0\r\n"
    "FIXED INCREMENT:0.300000\r\n"
    "FIXED MOVES UP:0\r\n"
    "FIXED MOVES DOWN:1\r\n"
    "FIXED POSITION:0.000000\r\n"
    "WHEEL CALIBRATION:512.500000\r\n"
    "POSITIVE DIRECTION:-1\r\n";

void AddWheel(CMeasParamSet& set, const std::string& name, double calibration, std::int16_t direction)
{
    CWheel w;
    w.m_strName = name;
    w.m_dCalibration = calibration;
    w.m_nDirection = direction;
    set.AddWheel(w);
}

// The settings behind kMeasuredChannelRad.
void SetUpMeasuredChannel(CMeasParamSet& set)
{
    AddWheel(set, "Small wheel", 300.0, 1);
    AddWheel(set, "Cart wheel", 512.5, -1);
    set.m_nTrigType = 1;
    set.SetSampleInterval(1, 2, 2.5e-6);
    CMeasParam& p = set.m_params[3];
    p.m_strName = "Shielded 400";
    p.m_nSamples = 512;
    p.m_nFrequencySteps = 4;
    p.m_nRampIndex = 2;
    p.m_nSignalPosition = 60000;
    p.m_nStacks = 8;
    p.m_dDistanceInterval = 0.05;
    p.m_dTimeInterval = 0.5;
    p.m_fAntennaSeparation = 0.35f;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string LineOf(const CRadHeader& h, const std::string& key)
{
    for (const std::string& l : Lines(h.Format()))
        if (l.compare(0, key.size(), key) == 0)
            return l;
    return "<" + key + " missing>";
}

class RadHeaderFile : public ::testing::Test {
protected:
    // A header read from `text`, starting from `start`.
    CRadHeader ReadText(const std::string& text, CRadHeader start = CRadHeader())
    {
        WriteFileBytes(dir.file("h.rad"), text);
        start.m_strPath = dir.file("h.rad");
        EXPECT_EQ(start.Read(), 0);
        return start;
    }

    TempDir dir;
    CMeasParamSet settings{""};
};

} // namespace

TEST_F(RadHeaderFile, NewChannelWritesThe38LinesByteForByte)
{
    CRadHeader h;
    h.m_strPath = dir.file("a.rad");
    ASSERT_EQ(h.Write(&settings, 0, 0), 0);
    EXPECT_EQ(ReadFileBytes(h.m_strPath), kNewChannelRad);
}

TEST_F(RadHeaderFile, MeasuredChannelWritesThe38LinesByteForByte)
{
    SetUpMeasuredChannel(settings);
    CRadHeader h;
    h.m_strPath = dir.file("S_B2.rad");
    h.m_strOperator = "Ann";
    h.m_strCustomer = "Road dept.";
    h.m_strSite = "Bridge 7";
    h.m_strComment = "Cart wheel=1";
    h.m_nLastTrace = 1234;
    ASSERT_EQ(h.Write(&settings, 1, 1), 0);
    EXPECT_EQ(ReadFileBytes(h.m_strPath), kMeasuredChannelRad);
    EXPECT_EQ(h.m_strWheelName, "Cart wheel");
    EXPECT_DOUBLE_EQ(h.m_dWheelCalibration, 512.5);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"S_B2.rad"});
}

TEST_F(RadHeaderFile, DerivedLinesFollowTheirFormulas)
{
    CRadHeader h;
    h.m_nSamples = 400;
    h.m_nFrequencySteps = 8;
    h.m_dSystemCalibration = 1e-10;
    h.m_nStacks = 2;
    h.m_nSignalPosition = 65035;
    h.m_nLastTrace = 0;
    EXPECT_EQ(LineOf(h, "SIGNAL POSITION:"), "SIGNAL POSITION:0.000050");
    EXPECT_EQ(LineOf(h, "TIMEWINDOW:"), "TIMEWINDOW: 0.000320");
    EXPECT_EQ(LineOf(h, "STACK EXPONENT:"), "STACK EXPONENT:1");
    EXPECT_EQ(LineOf(h, "STACKING TIME:"), "STACKING TIME:0.008000");
    EXPECT_EQ(LineOf(h, "STOP POSITION:"), "STOP POSITION:  0.000000");
}

TEST_F(RadHeaderFile, StackExponentCountsHalvings)
{
    CRadHeader h;
    for (auto [stacks, exponent] : {std::pair{0, 0}, {1, 0}, {2, 1}, {3, 1}, {256, 8}, {-4, 0}, {65536 + 4, 2}}) {
        h.m_nStacks = stacks;
        EXPECT_EQ(LineOf(h, "STACK EXPONENT:"), "STACK EXPONENT:" + std::to_string(exponent)) << stacks;
    }
}

TEST_F(RadHeaderFile, HugeValuesWrapOrPrintWithoutBreakingTheLines)
{
    CRadHeader h;
    h.m_nSamples = 2147483647;
    h.m_nStacks = 2;
    h.m_nSignalPosition = -2147483647 - 1;
    h.m_dSystemCalibration = 1e300;
    const std::vector<std::string> lines = Lines(h.Format());
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines[21], "STACKING TIME:-0.000020") << "the product wraps as a 32-bit integer";
}

TEST_F(RadHeaderFile, TriggerModesChooseFlagsAndIntervalLines)
{
    settings.m_params[0].m_dTimeInterval = 0.25;
    settings.m_params[0].m_dDistanceInterval = 0.125;
    CRadHeader h;

    settings.m_nTrigType = 255; // keyboard: the time interval, written as the distance interval
    h.FillFromSettings(settings, 0, 0);
    EXPECT_EQ(LineOf(h, "PROGRAM FLAG:"), "PROGRAM FLAG:1");
    EXPECT_EQ(LineOf(h, "DISTANCE FLAG:"), "DISTANCE FLAG:0");
    EXPECT_EQ(LineOf(h, "TIME INTERVAL:"), "TIME INTERVAL: 0.000000");
    EXPECT_EQ(LineOf(h, "DISTANCE INTERVAL:"), "DISTANCE INTERVAL: 0.250000");

    settings.m_nTrigType = 200;
    h.FillFromSettings(settings, 0, 0);
    EXPECT_EQ(LineOf(h, "TIME FLAG:"), "TIME FLAG:1");
    EXPECT_EQ(LineOf(h, "PROGRAM FLAG:"), "PROGRAM FLAG:0");
    EXPECT_EQ(LineOf(h, "TIME INTERVAL:"), "TIME INTERVAL: 0.250000");
    EXPECT_EQ(LineOf(h, "DISTANCE INTERVAL:"), "DISTANCE INTERVAL: 0.000000");

    settings.m_nTrigType = 7; // a wheel index without a calibration
    h.FillFromSettings(settings, 0, 0);
    EXPECT_EQ(LineOf(h, "DISTANCE INTERVAL:"), "DISTANCE INTERVAL: 0.125000");
    EXPECT_EQ(h.m_strWheelName, "");
    EXPECT_DOUBLE_EQ(h.m_dWheelCalibration, 442.7);
    EXPECT_EQ(h.m_nDirection, 1);
}

TEST_F(RadHeaderFile, AntennaClassOutsideTheThreeWritesNoClassFlag)
{
    CRadHeader h;
    h.m_nAntennaClass = 3;
    EXPECT_EQ(LineOf(h, "SHORT FLAG:"), "SHORT FLAG:0");
    EXPECT_EQ(LineOf(h, "INTERMEDIATE FLAG:"), "INTERMEDIATE FLAG:0");
    EXPECT_EQ(LineOf(h, "LONG FLAG:"), "LONG FLAG:0");
}

TEST_F(RadHeaderFile, RampIndexOutsideTheTableGivesNoCalibration)
{
    settings.SetSampleInterval(0, 1, 0.5);
    settings.m_params[0].m_nRampIndex = 9;
    CRadHeader h;
    h.FillFromSettings(settings, 0, 0);
    EXPECT_EQ(h.m_dSystemCalibration, 0.0);
    EXPECT_EQ(h.m_fFrequency, 1.0f);

    h.m_nAntennaClass = 9;
    h.m_dSystemCalibration = 3.0;
    h.StoreToSettings(settings, 0, 0);
    EXPECT_EQ(settings.GetSampleInterval(0, 1), 0.5) << "a class outside the table writes nowhere";
}

TEST_F(RadHeaderFile, TextsAreCutToTheirFieldsAndCannotBreakLines)
{
    settings.m_params[0].m_strName = std::string(240, 'p');
    AddWheel(settings, std::string(200, 'w'), 100.0, 1);
    CRadHeader h;
    h.FillFromSettings(settings, 0, 0);
    EXPECT_EQ(h.m_strAntennas, std::string(80, 'p'));
    EXPECT_EQ(h.m_strWheelName, std::string(82, 'w'));

    h.m_strComment = "two\r\nlines";
    h.m_strSite = std::string(100, 's');
    const std::vector<std::string> lines = Lines(h.Format());
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines[17], "COMMENT:two  lines");
    EXPECT_EQ(lines[13], "SITE:" + std::string(80, 's'));
    const std::string text = h.Format();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 38);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 38);
}

TEST_F(RadHeaderFile, StoreToSettingsPutsTheMeasurementBack)
{
    CRadHeader h = ReadText("SAMPLES:256\nFREQUENCY STEPS:6\nSTACKS:4\nSYSTEM CALIBRATION:0.0000031000\n"
                            "PROGRAM FLAG:1\nDISTANCE INTERVAL:0.7\nTIME INTERVAL:9\nLONG FLAG:1\n"
                            "ANTENNA SEPARATION:0.6\n");
    ASSERT_TRUE(h.StoreToSettings(settings, 2, 1));
    const CMeasParam& p = settings.m_params[5];
    EXPECT_EQ(settings.m_nTrigType, 255);
    EXPECT_DOUBLE_EQ(p.m_dDistanceInterval, 0.7) << "keyboard mode keeps its interval as the distance interval";
    EXPECT_DOUBLE_EQ(p.m_dTimeInterval, 1.0);
    EXPECT_EQ(p.m_nSamples, 256);
    EXPECT_EQ(p.m_nFrequencySteps, 6);
    EXPECT_EQ(p.m_nStacks, 4);
    EXPECT_EQ(p.m_nRampIndex, 2);
    EXPECT_FLOAT_EQ(p.m_fAntennaSeparation, 0.6f);
    EXPECT_DOUBLE_EQ(settings.GetSampleInterval(2, 2), 0.0000031);
    EXPECT_EQ(settings.m_params[0].m_nSamples, 400) << "other channels are untouched";
}

TEST_F(RadHeaderFile, CommentCarriesWheelNameAndIndex)
{
    CRadHeader h = ReadText("COMMENT:Cart wheel=3\r\nDISTANCE FLAG:1\r\nDISTANCE INTERVAL:0.04\r\nTIME INTERVAL:2\r\n");
    EXPECT_EQ(h.m_strWheelName, "Cart wheel");
    EXPECT_EQ(h.m_nTriggerMode, 3);
    EXPECT_DOUBLE_EQ(h.m_dInterval, 0.04);
    EXPECT_EQ(h.m_strComment, "Cart wheel=3");

    CRadHeader plain = ReadText("COMMENT:no wheel here\r\n");
    EXPECT_EQ(plain.m_strWheelName, "no wheel here");
    EXPECT_EQ(plain.m_nTriggerMode, 0);
    EXPECT_DOUBLE_EQ(plain.m_dInterval, static_cast<double>(0.02f)) << "no flag leaves the interval";

    CRadHeader wrapped = ReadText("COMMENT:w=300\r\n");
    EXPECT_EQ(wrapped.m_nTriggerMode, 300 % 256) << "the index keeps 8 bits";
}

TEST_F(RadHeaderFile, ProgramFlagWinsOverTimeFlag)
{
    CRadHeader h = ReadText("TIME FLAG:1\nPROGRAM FLAG:1\nTIME INTERVAL:5\nDISTANCE INTERVAL:0.3\n");
    EXPECT_EQ(h.m_nTriggerMode, 255);
    EXPECT_DOUBLE_EQ(h.m_dInterval, 0.3);
    CRadHeader t = ReadText("TIME FLAG:1\nTIME INTERVAL:5\n");
    EXPECT_EQ(t.m_nTriggerMode, 128);
    EXPECT_DOUBLE_EQ(t.m_dInterval, 5.0);
    CRadHeader odd = ReadText("TIME FLAG:2\nTIME INTERVAL:5\n");
    EXPECT_EQ(odd.m_nTriggerMode, 0) << "a flag that is neither 0 nor 1 is not read";
}

TEST_F(RadHeaderFile, ReadMendsSeparationClassAndCalibration)
{
    CRadHeader small = ReadText("ANTENNA SEPARATION:0.005\n");
    EXPECT_FLOAT_EQ(small.m_fAntennaSeparation, 0.1f);

    CRadHeader start;
    start.m_dSystemCalibration = 0.0;
    CRadHeader derived = ReadText("FREQUENCY:100.0\nFREQUENCY STEPS:10\n", start);
    EXPECT_DOUBLE_EQ(derived.m_dSystemCalibration, 0.001);

    CRadHeader cls;
    cls.m_nAntennaClass = 1;
    EXPECT_EQ(ReadText("SHORT FLAG:2\nLONG FLAG:1\n", cls).m_nAntennaClass, 2) << "only a flag equal to 1 counts";
    EXPECT_EQ(ReadText("SHORT FLAG:0\n", cls).m_nAntennaClass, 1) << "no flag set keeps the class";
    EXPECT_EQ(ReadText("SHORT FLAG:1\nINTERMEDIATE FLAG:1\n", cls).m_nAntennaClass, 0);
}

TEST_F(RadHeaderFile, KeysMatchOnlyThemselves)
{
    CRadHeader h = ReadText("FREQUENCY STEPS:10\nSTACK EXPONENT:9\nSIGNAL POSITION:3.5\nsamples:12\n");
    EXPECT_EQ(h.m_nFrequencySteps, 10);
    EXPECT_FLOAT_EQ(h.m_fFrequency, 7174.6304f) << "FREQUENCY STEPS is not FREQUENCY";
    EXPECT_EQ(h.m_nStacks, 2) << "STACK EXPONENT is not STACKS";
    EXPECT_EQ(h.m_nSignalPosition, 40000);
    EXPECT_EQ(h.m_nSamples, 0) << "keys are case-sensitive";
}

TEST_F(RadHeaderFile, ValuesThatDoNotParseLeaveTheirFields)
{
    CRadHeader start;
    start.m_nSamples = 333;
    start.m_nLastTrace = 9;
    CRadHeader h = ReadText("SAMPLES:abc\nLAST TRACE:99999999999\nPOSITIVE DIRECTION:70000\nFREQUENCY:inf\n"
                            "SYSTEM CALIBRATION:nan\nSTACKS:  +16 stacks\nWHEEL CALIBRATION:-2.5e1x\n",
                            start);
    EXPECT_EQ(h.m_nSamples, 333);
    EXPECT_EQ(h.m_nLastTrace, 9);
    EXPECT_EQ(h.m_nDirection, 1);
    EXPECT_FLOAT_EQ(h.m_fFrequency, 7174.6304f);
    EXPECT_DOUBLE_EQ(h.m_dSystemCalibration, static_cast<double>(2.323e-6f));
    EXPECT_EQ(h.m_nStacks, 16) << "blanks and a sign before the number, anything after it";
    EXPECT_DOUBLE_EQ(h.m_dWheelCalibration, -25.0);
}

TEST_F(RadHeaderFile, MissingFileLeavesTheHeaderAndGives5)
{
    CRadHeader h;
    h.m_nSamples = 77;
    h.m_strPath = dir.file("absent.rad");
    EXPECT_EQ(h.Read(), 5);
    EXPECT_EQ(h.m_nSamples, 77);
    h.m_strPath.clear();
    EXPECT_EQ(h.Read(), 5);
}

TEST_F(RadHeaderFile, FailedWriteGives6AndKeepsThePreviousFile)
{
    CRadHeader h;
    EXPECT_EQ(h.Write(nullptr, 0, 0), 6) << "no path";
    h.m_strPath = dir.file("no/such/folder/x.rad");
    EXPECT_EQ(h.Write(nullptr, 0, 0), 6);

    h.m_strPath = dir.file("full.rad");
    WriteFileBytes(h.m_strPath, "previous header\r\n");
    h.m_nLastTrace = 5;
    int result;
    {
        FileSizeLimit limit(512);
        ASSERT_TRUE(limit.ok());
        result = h.Write(&settings, 0, 0);
    }
    EXPECT_EQ(result, 6);
    EXPECT_EQ(ReadFileBytes(h.m_strPath), "previous header\r\n");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"full.rad"});
    EXPECT_EQ(h.m_nSamples, 400) << "the header in memory keeps its refreshed values";
}

TEST_F(RadHeaderFile, ReadOnlyFolderRefusesTheWriteOfAnUnprivilegedUser)
{
    const std::string folder = dir.file("ro");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    WriteFileBytes(folder + "/x.rad", "previous\r\n");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    CRadHeader h;
    h.m_strPath = folder + "/x.rad";
    const int result = RunUnprivileged([&] { return h.Write(nullptr, 0, 0); });
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(result, 6);
    EXPECT_EQ(ReadFileBytes(folder + "/x.rad"), "previous\r\n");
}
