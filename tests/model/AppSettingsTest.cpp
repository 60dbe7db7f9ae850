#include "model/AppSettings.h"
#include "model/GpsSettingsTarget.h"
#include "model/Profile.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <set>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Key = std::pair<std::string, std::string>;

// A receiver that keeps its settings and whether reception was asked for.
class RecordingGps : public GpsSettingsTarget {
public:
    Values GetGpsValues() const override { return values; }
    void SetGpsValues(const Values& v) override { values = v; }
    void Enable(bool on) override
    {
        enables.push_back(on);
        open = on && portExists;
    }
    bool IsOpen() const override { return open; }

    Values values;
    std::vector<bool> enables;
    bool open = false;
    bool portExists = true;
};

// A profile that refuses to keep some keys, as a full disk or a read-only file would.
class RefusingProfile : public MemoryProfile {
public:
    std::set<Key> refused;

protected:
    bool WriteValue(const std::string& s, const std::string& k, const Value& v) override
    {
        return MemoryProfile::WriteValue(s, k, v) && !refused.count({s, k});
    }
};

Bytes FloatBytes(float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::optional<std::int32_t> IntOf(const MemoryProfile& p, const char* section, const char* key)
{
    const MemoryProfile::Value* v = p.find(section, key);
    if (!v || !std::holds_alternative<std::int32_t>(*v))
        return std::nullopt;
    return std::get<std::int32_t>(*v);
}

std::optional<std::string> StringOf(const MemoryProfile& p, const char* key)
{
    const MemoryProfile::Value* v = p.find("settings", key);
    if (!v || !std::holds_alternative<std::string>(*v))
        return std::nullopt;
    return std::get<std::string>(*v);
}

std::optional<Bytes> BytesOf(const MemoryProfile& p, const char* key)
{
    const MemoryProfile::Value* v = p.find("settings", key);
    if (!v || !std::holds_alternative<Bytes>(*v))
        return std::nullopt;
    return std::get<Bytes>(*v);
}

// Points the documents folder at a fresh home for the length of a test.
class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Remember("HOME");
        Remember("XDG_CONFIG_HOME");
        setenv("HOME", home.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home.path() + "/config").c_str(), 1);
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

    // Loads `profile` into a fresh record, saves it into `out` and returns the record.
    CAppSettings LoadAndSave(const MemoryProfile& profile, MemoryProfile& out)
    {
        CAppSettings s;
        s.LoadSettings(profile, gps);
        EXPECT_TRUE(s.SaveSettings(out, gps));
        return s;
    }

    TempDir home;
    RecordingGps gps;
    MemoryProfile profile;

private:
    void Remember(const std::string& name)
    {
        const char* v = std::getenv(name.c_str());
        saved.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

} // namespace

TEST_F(AppSettingsTest, SaveWritesEveryValueInItsOrder)
{
    MemoryProfile out;
    LoadAndSave(profile, out);

    const std::vector<Key> order = {
        {"settings", "CurrentDir"},
        {"settings", "Default file name"},
        {"settings", "scale"},
        {"settings", "velocity"},
        {"settings", "Iface_index"},
        {"settings", "colorscale"},
        {"settings", "contrast_control_visible"},
        {"settings", "chn_manager_visible"},
        {"settings", "trace_info_visible"},
        {"settings", "enable_cu_check"},
        {"settings", "taginterval"},
        {"settings", "tagmultiplier"},
        {"GPS Settings", "Comm. Port"},
        {"GPS Settings", "Protocol"},
        {"GPS Settings", "Baudrate"},
        {"GPS Settings", "Number of bits"},
        {"GPS Settings", "Parity"},
        {"GPS Settings", "Stop bit"},
        {"GPS Settings", "Log GPS On/Off"},
        {"GPS Settings", "Output format"},
    };
    EXPECT_EQ(out.writeOrder(), order);

    EXPECT_EQ(StringOf(out, "CurrentDir"), home.path() + "/Documents/");
    EXPECT_EQ(StringOf(out, "Default file name"), "Profile");
    EXPECT_EQ(BytesOf(out, "velocity"), (Bytes{0x00, 0x00, 0xC8, 0x42}));
    const std::vector<std::pair<const char*, std::int32_t>> ints = {
        {"scale", 0}, {"Iface_index", 0}, {"colorscale", 11000}, {"contrast_control_visible", 0},
        {"chn_manager_visible", 1}, {"trace_info_visible", 0}, {"enable_cu_check", 1},
        {"taginterval", 10}, {"tagmultiplier", 10}};
    for (const auto& [key, value] : ints)
        EXPECT_EQ(IntOf(out, "settings", key), value) << key;
    const std::vector<std::pair<const char*, std::int32_t>> gpsInts = {
        {"Comm. Port", 0}, {"Protocol", 1}, {"Baudrate", 5}, {"Number of bits", 2},
        {"Parity", 2}, {"Stop bit", 0}, {"Log GPS On/Off", 0}, {"Output format", 0}};
    for (const auto& [key, value] : gpsInts)
        EXPECT_EQ(IntOf(out, "GPS Settings", key), value) << key;
}

// Whole numbers as the profile holds them and what a load and a save make of them: the gain
// truncated to whole steps and held to the slider, the adapter index kept to its low 16 bits
// with their sign, the tag multiplier always 10, flags any non-zero, the scale an unsigned word.
TEST_F(AppSettingsTest, StoredWordsComeBackAsTheProgramKeepsThem)
{
    struct Case {
        const char* key;
        std::int32_t stored;
        std::int32_t saved;
    };
    const Case cases[] = {
        {"colorscale", 11999, 11000}, {"colorscale", 999, 0}, {"colorscale", 1000, 1000},
        {"colorscale", 50999, 50000}, {"colorscale", 51000, 50000}, {"colorscale", -1, 50000},
        {"colorscale", INT32_MIN, 50000}, {"Iface_index", 65535, -1}, {"Iface_index", -1, -1},
        {"Iface_index", 65536 + 5, 5}, {"Iface_index", 32768, -32768}, {"Iface_index", 32767, 32767},
        {"tagmultiplier", 77, 10}, {"taginterval", 77, 77}, {"contrast_control_visible", 7, 1},
        {"chn_manager_visible", 0, 0}, {"trace_info_visible", -1, 1}, {"enable_cu_check", 0, 0},
        {"scale", -1, -1},
    };
    for (const Case& c : cases) {
        MemoryProfile in, out;
        in.writeInt("settings", c.key, c.stored);
        LoadAndSave(in, out);
        EXPECT_EQ(IntOf(out, "settings", c.key), c.saved) << c.key << " " << c.stored;
    }
    // A flag set to something else than 1 while running is still saved as 1.
    CAppSettings s;
    s.m_bUnitCheck = 0x80;
    ASSERT_TRUE(s.SaveSettings(profile, gps));
    EXPECT_EQ(IntOf(profile, "settings", "enable_cu_check"), 1);
}

TEST_F(AppSettingsTest, GainSetOutsideItsRangeIsSavedHeld)
{
    CAppSettings s;
    s.m_nPaletteGain = 3000000; // times 1000 would not fit in 32 bits
    ASSERT_TRUE(s.SaveSettings(profile, gps));
    EXPECT_EQ(IntOf(profile, "settings", "colorscale"), 50000);
    s.m_nPaletteGain = -4;
    ASSERT_TRUE(s.SaveSettings(profile, gps));
    EXPECT_EQ(IntOf(profile, "settings", "colorscale"), 0);
}

TEST_F(AppSettingsTest, VelocityThatIsNotAFiniteFourByteFloatIsIgnored)
{
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<Bytes> bad = {
        {0x00, 0x00, 0xC0},                    // 3 bytes
        {0x00, 0x00, 0xC0, 0x3F, 0x00},        // 5 bytes
        {},                                    // empty
        FloatBytes(std::nanf("")),
        {0x01, 0x00, 0xC0, 0xFF},              // a signalling NaN
        FloatBytes(inf),
        FloatBytes(-inf),
    };
    for (const Bytes& bytes : bad) {
        MemoryProfile in, out;
        in.writeBinary("settings", "velocity", bytes);
        CAppSettings s;
        s.m_fVelocity = 0.12f; // whatever was set before the load stays
        s.LoadSettings(in, gps);
        EXPECT_EQ(s.m_fVelocity, 0.12f) << bytes.size() << " bytes";
        ASSERT_TRUE(s.SaveSettings(out, gps));
        EXPECT_EQ(BytesOf(out, "velocity"), FloatBytes(0.12f));
    }

    // A velocity typed in as text is not the binary value and leaves the default.
    MemoryProfile text;
    text.writeString("settings", "velocity", "0000c03f");
    CAppSettings s;
    s.LoadSettings(text, gps);
    EXPECT_EQ(s.m_fVelocity, 100.0f);
}

TEST_F(AppSettingsTest, VelocityBytesAreTheLittleEndianFloat)
{
    MemoryProfile in, out;
    in.writeBinary("settings", "velocity", {0x00, 0x00, 0xC0, 0x3F});
    CAppSettings s = LoadAndSave(in, out);
    EXPECT_EQ(s.m_fVelocity, 1.5f);
    EXPECT_EQ(BytesOf(out, "velocity"), (Bytes{0x00, 0x00, 0xC0, 0x3F}));

    // Negative and subnormal values are finite and kept as they are.
    for (float f : {-0.25f, 1.0e-40f, 0.0f}) {
        MemoryProfile a, b;
        a.writeBinary("settings", "velocity", FloatBytes(f));
        EXPECT_EQ(FloatBytes(LoadAndSave(a, b).m_fVelocity), FloatBytes(f));
        EXPECT_EQ(BytesOf(b, "velocity"), FloatBytes(f));
    }
}

TEST_F(AppSettingsTest, DataFolderAlwaysEndsInASlash)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/srv/data", "/srv/data/"}, {"/srv/data/", "/srv/data/"}, {"/", "/"},
        {"relative dir", "relative dir/"}};
    for (const auto& [stored, folder] : cases) {
        MemoryProfile in, out;
        in.writeString("settings", "CurrentDir", stored);
        CAppSettings s = LoadAndSave(in, out);
        EXPECT_EQ(s.m_strDataFolder, folder);
        EXPECT_EQ(StringOf(out, "CurrentDir"), folder);
    }
}

TEST_F(AppSettingsTest, EmptyDataFolderBecomesTheDocumentsFolderWithoutChangingDirectory)
{
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    profile.writeString("settings", "CurrentDir", "");
    CAppSettings s;
    s.LoadSettings(profile, gps);
    EXPECT_EQ(s.m_strDataFolder, home.path() + "/Documents/");

    MemoryProfile other;
    other.writeString("settings", "CurrentDir", home.path());
    s.LoadSettings(other, gps);
    char after[4096];
    ASSERT_NE(getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after) << "loading must not move the process";
}

TEST_F(AppSettingsTest, LoggingSwitchCallsEnableAndSaveWritesWhetherThePortIsOpen)
{
    profile.writeInt("GPS Settings", "Log GPS On/Off", 2);
    profile.writeInt("GPS Settings", "Comm. Port", 40); // outside the tables: passed on as stored
    profile.writeInt("GPS Settings", "Protocol", 0);
    CAppSettings s;
    s.LoadSettings(profile, gps);
    EXPECT_EQ(gps.enables, std::vector<bool>{true});
    EXPECT_EQ(gps.values.port, 40);
    EXPECT_EQ(gps.values.protocol, 0);

    // Asked for, but the port could not be opened: the next start does not try again.
    RecordingGps missingPort;
    missingPort.portExists = false;
    s.LoadSettings(profile, missingPort);
    EXPECT_EQ(missingPort.enables, std::vector<bool>{true});
    MemoryProfile out;
    ASSERT_TRUE(s.SaveSettings(out, missingPort));
    EXPECT_EQ(IntOf(out, "GPS Settings", "Log GPS On/Off"), 0);

    MemoryProfile out2;
    ASSERT_TRUE(s.SaveSettings(out2, gps));
    EXPECT_EQ(IntOf(out2, "GPS Settings", "Log GPS On/Off"), 1);
    EXPECT_EQ(IntOf(out2, "GPS Settings", "Comm. Port"), 40);
}

TEST_F(AppSettingsTest, RefusedWriteIsReportedAndTheRestIsStillWritten)
{
    RefusingProfile out;
    out.refused = {{"settings", "velocity"}, {"GPS Settings", "Parity"}};
    CAppSettings s;
    s.LoadSettings(profile, gps);
    EXPECT_FALSE(s.SaveSettings(out, gps));
    EXPECT_EQ(out.writeOrder().size(), 20u) << "every value is still offered to the profile";

    RefusingProfile gpsOnly;
    gpsOnly.refused = {{"GPS Settings", "Output format"}};
    EXPECT_FALSE(CAppSettings::SaveGPSSettings(gpsOnly, gps));
    EXPECT_FALSE(s.SaveSettings(gpsOnly, gps)) << "a refused GPS value fails the whole save";
}
