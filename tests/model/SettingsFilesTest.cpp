#include "model/MeasParamSet.h"
#include "model/StringTable.h"
#include "tests/support/SettingsGolden.h"
#include "tests/support/RecordingPrompter.h"
#include "tests/support/Limits.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

using golden::kDefaultChannel;
using golden::kDefaultGlobals;
using golden::kDefaultPreset;
using golden::Repeat;


// The 12 lines of a channel group with one value changed per channel, so that a shifted
// line shows up in the wrong channel.
std::string ChannelGroup(int k)
{
    return "PRESET NAME:ch" + std::to_string(k) + "\nCHANNEL ACTIVE:1\nANTENNA SEPARATION:0.5\nSAMPLES:" +
           std::to_string(100 + k) + "\nFREQUENCY STEPS:4\nSTACKS:8\nTIME INTERVAL:0.5\n"
           "DISTANCE INTERVAL:0.05\nSIGNAL POSITION:300\nRAMP INDEX:2\nEM SENSOR:1\nTIME ZERO:" +
           std::to_string(k) + "\n";
}

class SettingsFiles : public ::testing::Test {
protected:
    TempDir dir;
    RecordingPrompter prompter;
};

} // namespace

TEST_F(SettingsFiles, FirstRunReportsAllFourAndWritesTheDefaults)
{
    CMeasParamSet set(dir.path());
    set.LoadAll(prompter);
    EXPECT_EQ(prompter.ids, (std::vector<int>{133, 134, 135, 136}));
    ASSERT_EQ(set.GetPresetCount(), 1);
    EXPECT_EQ(set.m_presets[0]->m_strName, "500 MHz shielded");

    set.SaveAll(prompter);
    EXPECT_EQ(prompter.ids.size(), 4u) << "saving must not report anything";
    EXPECT_EQ(ReadFileBytes(dir.file("last_used_param")), Repeat(kDefaultChannel, 16));
    EXPECT_EQ(ReadFileBytes(dir.file("global_settings")), kDefaultGlobals);
    EXPECT_EQ(ReadFileBytes(dir.file("preset_param")), kDefaultPreset);
    EXPECT_EQ(ReadFileBytes(dir.file("wheel_presets")), "");
}

TEST_F(SettingsFiles, SecondRunIsSilentAndChangesNoByte)
{
    {
        CMeasParamSet set(dir.path());
        set.LoadAll(prompter);
        set.SaveAll(prompter);
    }
    const std::string before = ReadFileBytes(dir.file("last_used_param")) +
                               ReadFileBytes(dir.file("global_settings")) +
                               ReadFileBytes(dir.file("preset_param"));
    RecordingPrompter second;
    CMeasParamSet set(dir.path());
    set.LoadAll(second);
    set.SaveAll(second);
    EXPECT_TRUE(second.ids.empty());
    EXPECT_EQ(ReadFileBytes(dir.file("last_used_param")) + ReadFileBytes(dir.file("global_settings")) +
                  ReadFileBytes(dir.file("preset_param")),
              before);
}

TEST_F(SettingsFiles, EverythingRoundTrips)
{
    CMeasParamSet out(dir.path());
    out.m_nCountry = 1;
    out.m_bBeeper = 1;
    out.m_nMissedTraceMode = 0;
    out.m_bAutoStack = 1;
    out.m_nTrigType = 200;
    out.m_nWheelSource = 16;
    out.m_nMeasDirection = -1;
    out.m_strUnits = "F";
    out.m_bBidirectional = 1;
    out.m_bDcFilter = 0;
    out.m_params[15].m_strName = "1 GHz: ground coupled";
    out.m_params[15].m_fAntennaSeparation = 0.25f;
    out.m_params[15].m_nSamples = 2048;
    out.m_params[15].m_nStacks = 256;
    out.m_params[15].m_dDistanceInterval = 0.0125;
    out.m_params[15].m_nTimeZero = -2;
    CMeasParam preset;
    preset.m_strName = "p";
    preset.m_bActive = 0;
    preset.m_nTimeZero = 5;
    preset.m_nSamples = 1024;
    out.AddPreset(preset);
    CWheel w;
    w.m_strName = "Wheel 1";
    w.m_dCalibration = 1234.5678906;
    w.m_nDirection = -1;
    out.AddWheel(w);
    ASSERT_TRUE(out.SaveLastUsed() && out.SaveGlobals() && out.SavePresets() && out.SaveWheels());

    CMeasParamSet in(dir.path());
    ASSERT_TRUE(in.LoadLastUsed() && in.LoadGlobals() && in.LoadPresets() && in.LoadWheels());
    EXPECT_EQ(in.m_nCountry, 1);
    EXPECT_EQ(in.m_bBeeper, 1);
    EXPECT_EQ(in.m_nMissedTraceMode, 0);
    EXPECT_EQ(in.m_bAutoStack, 1);
    EXPECT_EQ(in.m_nTrigType, 200);
    EXPECT_EQ(in.m_nWheelSource, 16);
    EXPECT_EQ(in.m_nMeasDirection, -1);
    EXPECT_EQ(in.m_strUnits, "F");
    EXPECT_EQ(in.m_bBidirectional, 1);
    EXPECT_EQ(in.m_bDcFilter, 0);
    const CMeasParam& c = in.m_params[15];
    EXPECT_EQ(c.m_strName, "1 GHz: ground coupled");
    EXPECT_FLOAT_EQ(c.m_fAntennaSeparation, 0.25f);
    EXPECT_EQ(c.m_nSamples, 2048);
    EXPECT_EQ(c.m_nStacks, 256);
    EXPECT_DOUBLE_EQ(c.m_dDistanceInterval, 0.0125);
    EXPECT_EQ(c.m_nTimeZero, -2);
    ASSERT_EQ(in.GetPresetCount(), 1);
    EXPECT_EQ(in.m_presets[0]->m_nSamples, 1024);
    EXPECT_EQ(in.m_presets[0]->m_bActive, 1) << "a preset always comes back active";
    EXPECT_EQ(in.m_presets[0]->m_nTimeZero, 30) << "a preset always comes back with time zero 30";
    ASSERT_EQ(in.GetWheelCount(), 1);
    EXPECT_EQ(in.m_wheels[0]->m_strName, "Wheel 1");
    EXPECT_DOUBLE_EQ(in.m_wheels[0]->m_dCalibration, 1234.567891) << "six decimals";
    EXPECT_EQ(in.m_wheels[0]->m_nDirection, -1);
}

TEST_F(SettingsFiles, HandEditedGlobalsReadAsTheInstrumentDoes)
{
    WriteFileBytes(dir.file("global_settings"),
                   "BEEPER:2\nMISSED TRACE MODE:0\nTRIG TYPE:129.9\nWHEEL SOURCE:272\n"
                   "MEASUREMENT UNITS:\nCOUNTRY:65537\nDCMEASFILT:0\n");
    CMeasParamSet set(dir.path());
    ASSERT_TRUE(set.LoadGlobals());
    EXPECT_EQ(set.m_bBeeper, 1);
    EXPECT_EQ(set.m_nMissedTraceMode, 0);
    EXPECT_EQ(set.m_nTrigType, 129);
    EXPECT_EQ(set.m_nWheelSource, 16) << "low 8 bits of 272";
    EXPECT_EQ(set.m_strUnits, "");
    EXPECT_EQ(set.m_nCountry, 1) << "low 16 bits of 65537";
    EXPECT_EQ(set.m_bDcFilter, 0);

    ASSERT_TRUE(set.SaveGlobals());
    const std::string saved = ReadFileBytes(dir.file("global_settings"));
    EXPECT_NE(saved.find("BEEPER:1\r\n"), std::string::npos);
    EXPECT_NE(saved.find("TRIG TYPE:129\r\n"), std::string::npos);
    EXPECT_NE(saved.find("MEASUREMENT UNITS:\r\n"), std::string::npos);
}

TEST_F(SettingsFiles, TrigTypeKeepsItsLowByte)
{
    for (auto [text, want] : std::vector<std::pair<std::string, int>>{
             {"255", 255}, {"-1", 255}, {"256", 0}, {"-0.9", 0}, {"99999999999999999999", 0}}) {
        WriteFileBytes(dir.file("global_settings"), "TRIG TYPE:" + text + "\r\n");
        CMeasParamSet set(dir.path());
        ASSERT_TRUE(set.LoadGlobals());
        EXPECT_EQ(set.m_nTrigType, want) << text;
    }
}

TEST_F(SettingsFiles, IntervalsNotAboveZeroTakeTheirDefaults)
{
    for (const std::string text : {"nan", "inf", "-inf", "0", "0.000000", "-1", "-0,5", "", "x"}) {
        WriteFileBytes(dir.file("last_used_param"),
                       "TIME INTERVAL:" + text + "\nDISTANCE INTERVAL:" + text + "\nANTENNA SEPARATION:" + text + "\n");
        WriteFileBytes(dir.file("preset_param"),
                       "PRESET NAME:p\nTIME INTERVAL:" + text + "\nDISTANCE INTERVAL:" + text + "\n");
        CMeasParamSet set(dir.path());
        ASSERT_TRUE(set.LoadLastUsed());
        ASSERT_TRUE(set.LoadPresets());
        ASSERT_EQ(set.GetPresetCount(), 1);
        for (const CMeasParam* p : {&set.m_params[0], set.m_presets[0].get()}) {
            EXPECT_EQ(p->m_dTimeInterval, 1.0) << text;
            EXPECT_EQ(p->m_dDistanceInterval, 0.2) << text;
        }
        EXPECT_EQ(set.m_params[0].m_fAntennaSeparation, static_cast<float>(ParseDecimal(text)))
            << text << ": other decimals read as they always did";
    }
}

// A damaged or hand-edited file may hold values no dialog sets; the unit must never be sent
// them. Each reads as its field's default; the ends of what the dialogs offer read as written.
TEST_F(SettingsFiles, ValuesNoDialogCanSetReadAsTheirDefaults)
{
    WriteFileBytes(dir.file("last_used_param"), "STACKS:100000\nFREQUENCY STEPS:-2\nRAMP INDEX:999\n" +
                                                    std::string(9, '\n') + "STACKS:256\nFREQUENCY STEPS:128\nRAMP INDEX:3\n");
    WriteFileBytes(dir.file("preset_param"), "PRESET NAME:p\nSTACKS:257\n");
    WriteFileBytes(dir.file("global_settings"), "COUNTRY:-5\nMISSED TRACE MODE:2\nWHEEL SOURCE:8\nMEASUREMENT DIRECTION:2\n");
    WriteFileBytes(dir.file("wheel_presets"), "WHEEL NAME:a\nDIRECTION:0\nWHEEL NAME:b\nDIRECTION:65535\n");
    CMeasParamSet set(dir.path());
    set.LoadAll(prompter);
    ASSERT_TRUE(prompter.ids.empty() && set.GetPresetCount() == 1 && set.GetWheelCount() == 2);
    const CMeasParam &a = set.m_params[0], &b = set.m_params[1];
    const std::vector<int> got{a.m_nStacks, a.m_nFrequencySteps, a.m_nRampIndex, b.m_nStacks, b.m_nFrequencySteps,
                               b.m_nRampIndex, set.m_presets[0]->m_nStacks, set.m_nCountry, set.m_nMissedTraceMode,
                               set.m_nWheelSource, set.m_nMeasDirection, set.m_wheels[0]->m_nDirection,
                               set.m_wheels[1]->m_nDirection};
    EXPECT_EQ(got, (std::vector<int>{2, 2, 1, 256, 128, 3, 2, 0, 1, 0, 0, 1, -1}));
}

// One short line per preset in, ten lines per preset out: what the reader takes must be
// written into a file it takes again, or the next start falls back to the default preset.
TEST_F(SettingsFiles, PresetsReadAreWrittenIntoAFileTheReaderTakes)
{
    WriteFileBytes(dir.file("preset_param"), Repeat("PRESET NAME:\n", 400000));
    CMeasParamSet first(dir.path());
    ASSERT_TRUE(first.LoadPresets() && first.SavePresets());
    CMeasParamSet second(dir.path());
    ASSERT_TRUE(second.LoadPresets()) << std::filesystem::file_size(dir.file("preset_param")) << " bytes";
    EXPECT_EQ(second.GetPresetCount(), first.GetPresetCount());
}

TEST_F(SettingsFiles, KeysMatchWholeAndCaseSensitive)
{
    WriteFileBytes(dir.file("last_used_param"),
                   "PRESET NAME :x\nsamples:9\nSAMPLES:65537\nno colon line\nDISTANCE INTERVAL:0,25\n"
                   "PRESET NAME:  spaced  \n");
    CMeasParamSet set(dir.path());
    ASSERT_TRUE(set.LoadLastUsed());
    EXPECT_EQ(set.m_params[0].m_nSamples, 1) << "low 16 bits of 65537";
    EXPECT_DOUBLE_EQ(set.m_params[0].m_dDistanceInterval, 0.25);
    EXPECT_EQ(set.m_params[0].m_strName, "  spaced  ") << "values are not trimmed";
}

TEST_F(SettingsFiles, LastUsedIsPositional)
{
    std::string all;
    for (int k = 0; k < 16; ++k)
        all += ChannelGroup(k);
    // Remove line 5 of the file (FREQUENCY STEPS of channel 0).
    size_t at = 0;
    for (int i = 0; i < 4; ++i)
        at = all.find('\n', at) + 1;
    all.erase(at, all.find('\n', at) + 1 - at);
    WriteFileBytes(dir.file("last_used_param"), all);

    CMeasParamSet set(dir.path());
    ASSERT_TRUE(set.LoadLastUsed());
    // Every later group moves one line forward: its PRESET NAME lands as line 12 of the
    // channel before it, every other line stays in its own channel.
    EXPECT_EQ(set.m_params[0].m_strName, "ch1");
    EXPECT_EQ(set.m_params[0].m_nFrequencySteps, 2) << "channel 0 never got its line";
    EXPECT_EQ(set.m_params[0].m_nTimeZero, 0);
    EXPECT_EQ(set.m_params[1].m_nSamples, 101);
    EXPECT_EQ(set.m_params[1].m_nTimeZero, 1);
    EXPECT_EQ(set.m_params[14].m_strName, "ch15");
    EXPECT_EQ(set.m_params[15].m_strName, "New preset") << "its name line went to channel 14";
    EXPECT_EQ(set.m_params[15].m_nSamples, 115);
    EXPECT_EQ(set.m_params[15].m_nTimeZero, 15);
}

TEST_F(SettingsFiles, ShortLastUsedLeavesMissingChannelsAlone)
{
    std::string all;
    for (int k = 0; k < 16; ++k)
        all += ChannelGroup(k);
    all.erase(all.rfind("TIME ZERO:15\n")); // 191 lines
    WriteFileBytes(dir.file("last_used_param"), all);
    CMeasParamSet set(dir.path());
    ASSERT_TRUE(set.LoadLastUsed());
    EXPECT_EQ(set.m_params[15].m_nSamples, 115);
    EXPECT_EQ(set.m_params[15].m_nTimeZero, 30) << "the last channel keeps its own value";
}

TEST_F(SettingsFiles, PresetsAreAlwaysActiveWithTimeZero30)
{
    WriteFileBytes(dir.file("preset_param"),
                   "SAMPLES:999\nPRESET NAME:a\nCHANNEL ACTIVE:0\nTIME ZERO:3\nSAMPLES:512\n"
                   "PRESET NAME:b\n");
    CMeasParamSet set(dir.path());
    ASSERT_TRUE(set.LoadPresets());
    ASSERT_EQ(set.GetPresetCount(), 2) << "lines before the first name are skipped";
    EXPECT_EQ(set.m_presets[0]->m_strName, "a");
    EXPECT_EQ(set.m_presets[0]->m_bActive, 1);
    EXPECT_EQ(set.m_presets[0]->m_nTimeZero, 30);
    EXPECT_EQ(set.m_presets[0]->m_nSamples, 512);
    EXPECT_EQ(set.m_presets[1]->m_nSamples, 400);
}

TEST_F(SettingsFiles, StrayCarriageReturnInANameBecomesABlank)
{
    // CR-only line ends read as one line: the CRs must not reach a list entry or a header.
    WriteFileBytes(dir.file("preset_param"), "PRESET NAME:a\rb\r\nSAMPLES:512\r\n");
    CMeasParamSet set(dir.path());
    ASSERT_TRUE(set.LoadPresets());
    ASSERT_EQ(set.GetPresetCount(), 1);
    EXPECT_EQ(set.m_presets[0]->m_strName, "a b");
    EXPECT_EQ(set.m_presets[0]->m_nSamples, 512);
}

TEST_F(SettingsFiles, EmptyPresetFileGivesAnEmptyListSilently)
{
    WriteFileBytes(dir.file("preset_param"), "");
    WriteFileBytes(dir.file("last_used_param"), "");
    WriteFileBytes(dir.file("global_settings"), "");
    WriteFileBytes(dir.file("wheel_presets"), "");
    CMeasParamSet set(dir.path());
    set.LoadAll(prompter);
    EXPECT_TRUE(prompter.ids.empty());
    EXPECT_EQ(set.GetPresetCount(), 0);
    ASSERT_TRUE(set.SavePresets());
    EXPECT_EQ(ReadFileBytes(dir.file("preset_param")), "");
}

TEST_F(SettingsFiles, WheelWithoutValuesGetsCalibrationZeroAndDirectionOne)
{
    WriteFileBytes(dir.file("wheel_presets"), "DIRECTION:-1\nWHEEL NAME:x\n");
    CMeasParamSet set(dir.path());
    ASSERT_TRUE(set.LoadWheels());
    ASSERT_EQ(set.GetWheelCount(), 1);
    EXPECT_EQ(set.m_wheels[0]->m_strName, "x");
    EXPECT_DOUBLE_EQ(set.m_wheels[0]->m_dCalibration, 0.0);
    EXPECT_EQ(set.m_wheels[0]->m_nDirection, 1);
}

TEST_F(SettingsFiles, FailedSaveIsReportedAndKeepsTheOldFile)
{
    CMeasParamSet set(dir.path());
    set.LoadAll(prompter);
    set.SaveAll(prompter);
    const std::string old = ReadFileBytes(dir.file("last_used_param"));
    set.m_params[0].m_strName = "changed";
    prompter.ids.clear();

    {
        FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.ok());
        set.SaveAll(prompter);
    }

    EXPECT_EQ(prompter.ids, std::vector<int>{139}) << "only last_used_param is over the limit";
    EXPECT_EQ(ReadFileBytes(dir.file("last_used_param")), old);
}

TEST_F(SettingsFiles, NoSettingsFolderReportsEverySave)
{
    CMeasParamSet set("");
    set.LoadAll(prompter);
    set.SaveAll(prompter);
    EXPECT_EQ(prompter.ids, (std::vector<int>{133, 134, 135, 136, 139, 140, 141, 142}));
}

TEST_F(SettingsFiles, UnreadableFileIsReportedAsMissing)
{
    const std::pair<const char*, int> files[] = {
        {"last_used_param", 133}, {"global_settings", 134}, {"preset_param", 135}, {"wheel_presets", 136}};
    for (const auto& [name, id] : files) {
        TempDir folder;
        RecordingPrompter shown;
        CMeasParamSet(folder.path()).SaveAll(shown);
        ASSERT_TRUE(std::filesystem::remove(folder.file(name)));
        ASSERT_TRUE(std::filesystem::create_directory(folder.file(name)));
        CMeasParamSet set(folder.path());
        set.LoadAll(shown);
        EXPECT_EQ(shown.ids, std::vector<int>{id}) << "a folder in place of " << name;
    }
}

TEST_F(SettingsFiles, LineBreaksInNamesBecomeBlanks)
{
    CMeasParamSet out(dir.path());
    out.m_params[0].m_strName = "two\r\nCHANNEL ACTIVE:0";
    out.m_params[0].m_bActive = 1;
    out.m_params[0].m_nSamples = 1024;
    out.m_params[1].m_strName = "lf\nline";
    out.m_params[1].m_nSamples = 256;
    out.m_strUnits = "m\r\nBEEPER:1";
    out.m_bBeeper = 0;
    CMeasParam preset;
    preset.m_strName = "p\nSAMPLES:9";
    preset.m_nSamples = 512;
    out.AddPreset(preset);
    CWheel w;
    w.m_strName = "w\rCALIBRATION:9";
    w.m_dCalibration = 100;
    out.AddWheel(w);
    ASSERT_TRUE(out.SaveLastUsed() && out.SaveGlobals() && out.SavePresets() && out.SaveWheels());

    CMeasParamSet in(dir.path());
    ASSERT_TRUE(in.LoadLastUsed() && in.LoadGlobals() && in.LoadPresets() && in.LoadWheels());
    EXPECT_EQ(in.m_params[0].m_strName, "two  CHANNEL ACTIVE:0");
    EXPECT_EQ(in.m_params[0].m_bActive, 1);
    EXPECT_EQ(in.m_params[0].m_nSamples, 1024);
    EXPECT_EQ(in.m_params[1].m_strName, "lf line");
    EXPECT_EQ(in.m_params[1].m_nSamples, 256) << "a line break shifted the later lines";
    EXPECT_EQ(in.m_params[15].m_nTimeZero, out.m_params[15].m_nTimeZero);
    EXPECT_EQ(in.m_strUnits, "m  BEEPER:1");
    EXPECT_EQ(in.m_bBeeper, 0);
    ASSERT_EQ(in.GetPresetCount(), 1);
    EXPECT_EQ(in.m_presets[0]->m_strName, "p SAMPLES:9");
    EXPECT_EQ(in.m_presets[0]->m_nSamples, 512);
    ASSERT_EQ(in.GetWheelCount(), 1);
    EXPECT_EQ(in.m_wheels[0]->m_strName, "w CALIBRATION:9");
    EXPECT_DOUBLE_EQ(in.m_wheels[0]->m_dCalibration, 100);
}
