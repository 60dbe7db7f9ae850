// The receiver behind the registry settings: loading switches it on, saving records
// whether it is on, and stored indexes that fit no table are mended on the way.
#include "gps/GPSReceiver.h"
#include "model/AppSettings.h"
#include "model/Profile.h"
#include "tests/gps/GpsTestSupport.h"
#include "tests/support/RecordingPrompter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const char* kSection = "GPS Settings";

std::unique_ptr<CGPSReceiver> SteppedReceiver(const Profile& profile, Prompter& prompter)
{
    auto receiver = std::make_unique<CGPSReceiver>(profile, prompter);
    receiver->SetCyclePacer(std::make_unique<StepPacer>());
    return receiver;
}

} // namespace

TEST(GpsSettingsWiring, LoggingOnAtStartOpensThePort)
{
    PtyPair pty;
    MemoryProfile profile;
    profile.writeString(kSection, "Device COM2", pty.SlavePath());
    profile.writeInt(kSection, "Comm. Port", 1);
    profile.writeInt(kSection, "Protocol", 0);
    profile.writeInt(kSection, "Baudrate", 42);
    profile.writeInt(kSection, "Number of bits", -3);
    profile.writeInt(kSection, "Parity", 3);
    profile.writeInt(kSection, "Stop bit", 2);
    profile.writeInt(kSection, "Output format", 2);
    profile.writeInt(kSection, "Log GPS On/Off", 1);
    RecordingPrompter prompter;
    auto receiver = SteppedReceiver(profile, prompter);

    CAppSettings::LoadGPSSettings(profile, *receiver);
    EXPECT_TRUE(receiver->IsOpen());
    EXPECT_TRUE(prompter.ids.empty());
    EXPECT_EQ(receiver->m_nPort, 1);
    EXPECT_EQ(receiver->m_nProtocol, 0);

    MemoryProfile saved;
    ASSERT_TRUE(CAppSettings::SaveGPSSettings(saved, *receiver));
    EXPECT_EQ(saved.getInt(kSection, "Comm. Port", -1), 1);
    EXPECT_EQ(saved.getInt(kSection, "Protocol", -1), 0);
    EXPECT_EQ(saved.getInt(kSection, "Baudrate", -1), 5) << "a rate index off the table is the default";
    EXPECT_EQ(saved.getInt(kSection, "Number of bits", -1), 2);
    EXPECT_EQ(saved.getInt(kSection, "Parity", -1), 3);
    EXPECT_EQ(saved.getInt(kSection, "Stop bit", -1), 2);
    EXPECT_EQ(saved.getInt(kSection, "Output format", -1), 2);
    EXPECT_EQ(saved.getInt(kSection, "Log GPS On/Off", -1), 1);

    receiver->Enable(false);
    ASSERT_TRUE(CAppSettings::SaveGPSSettings(saved, *receiver));
    EXPECT_EQ(saved.getInt(kSection, "Log GPS On/Off", -1), 0) << "the switch as it is at exit";
}

TEST(GpsSettingsWiring, APortThatIsGoneIsReportedAndLoggingSavedOff)
{
    TempDir dir;
    MemoryProfile profile;
    profile.writeString(kSection, "Device COM1", dir.file("unplugged"));
    profile.writeInt(kSection, "Log GPS On/Off", 1);
    RecordingPrompter prompter;
    auto receiver = SteppedReceiver(profile, prompter);
    CAppSettings::LoadGPSSettings(profile, *receiver);
    EXPECT_FALSE(receiver->IsOpen());
    EXPECT_EQ(prompter.ids, std::vector<int>{57654});
    MemoryProfile saved;
    CAppSettings::SaveGPSSettings(saved, *receiver);
    EXPECT_EQ(saved.getInt(kSection, "Log GPS On/Off", -1), 0);
}

TEST(GpsSettingsWiring, LoggingOffLeavesThePortAlone)
{
    PtyPair pty;
    MemoryProfile profile;
    profile.writeString(kSection, "Device COM1", pty.SlavePath());
    RecordingPrompter prompter;
    auto receiver = SteppedReceiver(profile, prompter);
    CAppSettings::LoadGPSSettings(profile, *receiver);
    EXPECT_FALSE(receiver->IsOpen());
    EXPECT_TRUE(prompter.ids.empty());
    EXPECT_EQ(receiver->m_nBaudIndex, 5);
    EXPECT_EQ(receiver->m_nProtocol, 1);
}
