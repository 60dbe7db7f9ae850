#include "gps/ComPortMap.h"
#include "gps/SerialLine.h"
#include "gps/SerialOptions.h"
#include "model/Profile.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>

namespace {

SerialLineSettings SettingsOf(int baudIndex, int dataBitsIndex, int parityIndex, int stopBitsIndex)
{
    SerialLineSettings s;
    s.baudRate = GPSBaudRates[static_cast<std::size_t>(baudIndex)];
    s.dataBits = GPSDataBits[static_cast<std::size_t>(dataBitsIndex)];
    s.parityCode = GPSParityCodes[static_cast<std::size_t>(parityIndex)];
    s.stopBitsCode = GPSStopBitCodes[static_cast<std::size_t>(stopBitsIndex)];
    return s;
}

SerialLineFlags FlagsOf(const SerialLineSettings& s)
{
    // A line as a device might hand it over: cooked, echoing, with flow control on.
    SerialLineFlags current;
    current.iflag = ICRNL | IXON | IXOFF | ISTRIP;
    current.oflag = OPOST;
    current.lflag = ICANON | ECHO | ISIG | IEXTEN;
    current.cflag = B9600 | CS7 | PARENB | CSTOPB | CRTSCTS | HUPCL;
    SerialLineFlags out;
    EXPECT_TRUE(ComputeSerialLineFlags(s, current, out));
    return out;
}

} // namespace

TEST(SerialOptions, ParityNamesAndCodesShareTheirIndex)
{
    struct Case {
        int index;
        const char* name;
        unsigned flags;
    } cases[] = {
        {0, "Even", PARENB},
        {1, "Mark", PARENB | PARODD | CMSPAR},
        {2, "None", 0},
        {3, "Odd", PARENB | PARODD},
        {4, "Space", PARENB | CMSPAR},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(GPSParityNames[static_cast<std::size_t>(c.index)], c.name);
        const SerialLineFlags f = FlagsOf(SettingsOf(5, 2, c.index, 0));
        EXPECT_EQ(f.cflag & (PARENB | PARODD | CMSPAR), c.flags) << c.name;
        EXPECT_EQ((f.iflag & (INPCK | IGNPAR)) != 0, c.flags != 0) << c.name;
    }
    EXPECT_EQ(GPSParityCodes[3], kOddParity) << "index 3 shows Odd and opens with code 1";
}

TEST(SerialOptions, DataAndStopBitsBecomeTheirFlags)
{
    EXPECT_EQ(FlagsOf(SettingsOf(5, 0, 2, 0)).cflag & CSIZE, static_cast<unsigned>(CS6));
    EXPECT_EQ(FlagsOf(SettingsOf(5, 1, 2, 0)).cflag & CSIZE, static_cast<unsigned>(CS7));
    EXPECT_EQ(FlagsOf(SettingsOf(5, 2, 2, 0)).cflag & CSTOPB, 0u);
    EXPECT_EQ(FlagsOf(SettingsOf(5, 2, 2, 2)).cflag & CSTOPB, static_cast<unsigned>(CSTOPB));
}

TEST(SerialOptions, OneAndAHalfStopBitsAreRefused)
{
    SerialLineFlags out;
    EXPECT_STREQ(GPSStopBitNames[1], "1.5");
    EXPECT_FALSE(ComputeSerialLineFlags(SettingsOf(5, 2, 2, 1), SerialLineFlags{}, out));
}

TEST(SerialOptions, ImpossibleValuesAreRefused)
{
    SerialLineFlags out;
    SerialLineSettings s = SettingsOf(5, 2, 2, 0);
    s.dataBits = 5;
    EXPECT_FALSE(ComputeSerialLineFlags(s, SerialLineFlags{}, out));
    s = SettingsOf(5, 2, 2, 0);
    s.parityCode = 7;
    EXPECT_FALSE(ComputeSerialLineFlags(s, SerialLineFlags{}, out));
    s = SettingsOf(5, 2, 2, 0);
    s.baudRate = 0;
    EXPECT_FALSE(ComputeSerialLineFlags(s, SerialLineFlags{}, out));
}

TEST(SerialOptions, EveryRateOfTheTableIsSetExactly)
{
    for (std::size_t i = 0; i < GPSBaudRates.size(); ++i) {
        const SerialLineFlags f = FlagsOf(SettingsOf(static_cast<int>(i), 2, 2, 0));
        EXPECT_EQ(f.speed, static_cast<unsigned>(GPSBaudRates[i]));
        const bool standard = GPSBaudRates[i] != 14400 && GPSBaudRates[i] != 56000;
        EXPECT_EQ((f.cflag & CBAUD) == BOTHER, !standard) << GPSBaudRates[i];
    }
}

TEST(SerialOptions, RawModeLeavesNoLineDisciplineBehind)
{
    const SerialLineFlags f = FlagsOf(SettingsOf(5, 2, 2, 0));
    EXPECT_EQ(f.lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(f.iflag & (ICRNL | IXON | IXOFF | ISTRIP), 0u);
    EXPECT_EQ(f.oflag & OPOST, 0u);
    EXPECT_EQ(f.cflag & CRTSCTS, 0u);
    EXPECT_EQ(f.cflag & (CREAD | CLOCAL), static_cast<unsigned>(CREAD | CLOCAL));
    EXPECT_EQ(f.cflag & HUPCL, static_cast<unsigned>(HUPCL)) << "settings not chosen stay as read";
}

TEST(ComPortMap, DefaultsFollowTheDeviceFamilies)
{
    MemoryProfile profile;
    EXPECT_EQ(GpsDevicePath(profile, 0), "/dev/ttyUSB0");
    EXPECT_EQ(GpsDevicePath(profile, 3), "/dev/ttyUSB3");
    EXPECT_EQ(GpsDevicePath(profile, 4), "/dev/ttyACM0");
    EXPECT_EQ(GpsDevicePath(profile, 7), "/dev/ttyACM3");
    EXPECT_EQ(GpsDevicePath(profile, 8), "/dev/ttyS0");
    EXPECT_EQ(GpsDevicePath(profile, 11), "/dev/ttyS3");
    EXPECT_EQ(GpsDevicePath(profile, 12), "");
    EXPECT_EQ(GpsDevicePath(profile, -1), "");
}

TEST(ComPortMap, ProfileValueOverridesOnePort)
{
    MemoryProfile profile;
    profile.writeString("GPS Settings", "Device COM3", "/dev/serial/by-id/usb-gps");
    EXPECT_EQ(GpsDeviceKey(2), "Device COM3");
    EXPECT_EQ(GpsDevicePath(profile, 2), "/dev/serial/by-id/usb-gps");
    EXPECT_EQ(GpsDevicePath(profile, 1), "/dev/ttyUSB1");
    profile.writeString("GPS Settings", "Device COM3", "");
    EXPECT_EQ(GpsDevicePath(profile, 2), "/dev/ttyUSB2") << "an empty value is no override";
}
