#include "shell/QtProfile.h"
#include "tests/support/Limits.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Qt keeps every INI file it has parsed in a cache for the life of the process; a copy under
// a new name is read from its bytes, as the next start of the program would read it.
std::string FreshCopy(const TempDir& dir, const std::string& from, const std::string& name)
{
    const std::string to = dir.file(name);
    WriteFileBytes(to, ReadFileBytes(from));
    return to;
}

class QtProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) {
            const char* v = std::getenv(name);
            m_env.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_env) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    std::string Ini(const std::string& name = "profile.ini") const { return dir.file(name); }
    TempDir dir;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_env;
};

} // namespace

TEST_F(QtProfileTest, KeysWithBlanksDotsAndSlashesStayKeysOfTheirSection)
{
    {
        QtProfile p(Ini());
        ASSERT_TRUE(p.writeInt("GPS Settings", "Log GPS On/Off", 1));
        ASSERT_TRUE(p.writeInt("GPS Settings", "Comm. Port", 3));
        ASSERT_TRUE(p.writeInt("GPS Settings", "Log GPS On", 7)); // not a group of the key above
        ASSERT_TRUE(p.writeInt("GPS Settings", "/leading/and/trailing/", 4));
        ASSERT_TRUE(p.writeInt("a/b", "c", 5));
    }
    const std::string text = ReadFileBytes(Ini());
    EXPECT_NE(text.find("[GPS%20Settings]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nLog%20GPS%20On%5COff=1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nComm.%20Port=3\n"), std::string::npos) << text;

    QtProfile back(FreshCopy(dir, Ini(), "copy.ini"));
    EXPECT_EQ(back.getInt("GPS Settings", "Log GPS On/Off", 0), 1);
    EXPECT_EQ(back.getInt("GPS Settings", "Comm. Port", 0), 3);
    EXPECT_EQ(back.getInt("GPS Settings", "Log GPS On", 0), 7);
    EXPECT_EQ(back.getInt("GPS Settings", "/leading/and/trailing/", 0), 4);
    EXPECT_EQ(back.getInt("a/b", "c", 0), 5);
    EXPECT_EQ(back.getInt("GPS Settings", "Log GPS On\\Off", -9), -9);
    EXPECT_EQ(back.getInt("GPS Settings", "comm. port", -9), -9) << "keys are case-sensitive";
}

TEST_F(QtProfileTest, FileHoldsTheWrittenValuesReadably)
{
    {
        QtProfile p(Ini());
        ASSERT_TRUE(p.writeString("settings", "CurrentDir", "/home/op/Documents/"));
        ASSERT_TRUE(p.writeString("settings", "Default file name", "Profile"));
        ASSERT_TRUE(p.writeBinary("settings", "velocity", {0x00, 0x00, 0xC8, 0x42}));
        ASSERT_TRUE(p.writeInt("settings", "Iface_index", -1));
        ASSERT_TRUE(p.writeInt("settings", "colorscale", 11000));
        ASSERT_TRUE(p.writeInt("GPS Settings", "Comm. Port", 0));
        ASSERT_TRUE(p.writeInt("GPS Settings", "Log GPS On/Off", 0));
    }
    EXPECT_EQ(ReadFileBytes(Ini()),
              "[GPS%20Settings]\n"
              "Comm.%20Port=0\n"
              "Log%20GPS%20On%5COff=0\n"
              "\n"
              "[settings]\n"
              "CurrentDir=/home/op/Documents/\n"
              "Default%20file%20name=Profile\n"
              "Iface_index=-1\n"
              "colorscale=11000\n"
              "velocity=@ByteArray(\\0\\0\\xc8\\x42)\n");
}

TEST_F(QtProfileTest, HandTypedKeyWithASlashIsReadAndReplacedByTheWrittenForm)
{
    WriteFileBytes(Ini(), "[GPS Settings]\nLog GPS On/Off=1\nBaudrate=3\n");
    WriteFileBytes(Ini("other.ini"), "[GPS Settings]\nLog GPS On\\Off=1\n");
    QtProfile p(Ini());
    EXPECT_EQ(p.getInt("GPS Settings", "Log GPS On/Off", 0), 1);
    EXPECT_EQ(QtProfile(Ini("other.ini")).getInt("GPS Settings", "Log GPS On/Off", 0), 1);

    ASSERT_TRUE(p.writeInt("GPS Settings", "Log GPS On/Off", 0));
    EXPECT_EQ(ReadFileBytes(Ini()), "[GPS%20Settings]\nBaudrate=3\nLog%20GPS%20On%5COff=0\n");
    EXPECT_EQ(QtProfile(FreshCopy(dir, Ini(), "copy.ini")).getInt("GPS Settings", "Log GPS On/Off", 1), 0);
}

TEST_F(QtProfileTest, ValueThatIsNotAWholeNumberReadsAsTheDefault)
{
    WriteFileBytes(Ini(), "[settings]\n"
                          "a=abc\n"
                          "b=1.5\n"
                          "c=\n"
                          "d=4294967296\n"
                          "e=12abc\n"
                          "f=1, 2\n"
                          "g=@ByteArray(\\x1)\n"
                          "h=-2147483648\n"
                          "i=+7\n"
                          "j=@Size(1 2)\n");
    QtProfile p(Ini());
    for (const char* key : {"a", "b", "c", "d", "e", "f", "g"})
        EXPECT_EQ(p.getInt("settings", key, 11000), 11000) << key;
    EXPECT_EQ(p.getInt("settings", "h", 0), INT32_MIN);
    EXPECT_EQ(p.getInt("settings", "i", 0), 7);

    // Binary is only what was written as binary; text is not taken for bytes.
    Bytes out{1, 2, 3};
    EXPECT_FALSE(p.getBinary("settings", "a", out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(p.getBinary("settings", "g", out));
    EXPECT_EQ(out, Bytes{0x01});
    EXPECT_EQ(p.getString("settings", "g", "def"), "def") << "bytes are not text";
    EXPECT_EQ(p.getString("settings", "f", "def"), "1,2") << "an unquoted list comes back joined";
    EXPECT_EQ(p.getString("settings", "j", "def"), "def") << "a value of another kind is none of ours";
    EXPECT_FALSE(p.getBinary("settings", "j", out));
}

TEST_F(QtProfileTest, UnusableNamesAndTextAreRefused)
{
    QtProfile p(Ini());
    EXPECT_FALSE(p.writeInt("settings", "", 1));
    EXPECT_FALSE(p.writeInt("", "key", 1));
    EXPECT_FALSE(p.writeInt("settings", "back\\slash", 1));
    EXPECT_EQ(p.getInt("settings", "", 4), 4);
    EXPECT_FALSE(p.writeString("settings", "name", std::string("caf\xE9", 4)))
        << "Latin-1 bytes are not UTF-8 text and would come back changed";
    EXPECT_FALSE(std::filesystem::exists(Ini())) << "nothing was written";
    EXPECT_EQ(p.getString("settings", "name", "def"), "def");
}

TEST_F(QtProfileTest, WriteBeyondTheFileSizeLimitFailsAndKeepsTheOldFile)
{
    QtProfile p(Ini());
    ASSERT_TRUE(p.writeInt("settings", "scale", 1));
    const std::string old = ReadFileBytes(Ini());
    {
        FileSizeLimit limit(64);
        ASSERT_TRUE(limit.ok());
        EXPECT_FALSE(p.writeString("settings", "Default file name", std::string(200, 'n')));
        EXPECT_EQ(ReadFileBytes(Ini()), old);
        EXPECT_FALSE(p.writeInt("settings", "taginterval", 3)) << "still too big with the value before";
    }
    // Once there is room again, the next write takes the values not yet kept with it.
    ASSERT_TRUE(p.writeInt("settings", "colorscale", 1000));
    QtProfile back(FreshCopy(dir, Ini(), "copy.ini"));
    EXPECT_EQ(back.getString("settings", "Default file name", ""), std::string(200, 'n'));
    EXPECT_EQ(back.getInt("settings", "taginterval", 0), 3);
    EXPECT_EQ(back.getInt("settings", "colorscale", 0), 1000);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path().filename() == "profile.ini" || entry.path().filename() == "copy.ini")
            << "left behind: " << entry.path();
}

TEST_F(QtProfileTest, FailedWriteIsSeenEvenInAFileWithABrokenLine)
{
    const std::string broken = "[settings]\nbroken\nscale=1\n";
    WriteFileBytes(Ini(), broken);
    QtProfile p(Ini());
    EXPECT_EQ(p.getInt("settings", "scale", 0), 1);
    {
        FileSizeLimit limit(16);
        ASSERT_TRUE(limit.ok());
        EXPECT_FALSE(p.writeString("settings", "Default file name", std::string(100, 'n')));
    }
    EXPECT_EQ(ReadFileBytes(Ini()), broken);
    EXPECT_TRUE(p.writeInt("settings", "scale", 0));
    EXPECT_EQ(ReadFileBytes(Ini()),
              "[settings]\nDefault%20file%20name=" + std::string(100, 'n') + "\nscale=0\n");
}

TEST_F(QtProfileTest, ReadOnlyFolderRefusesWritesAndKeepsTheFile)
{
    const std::string folder = dir.file("Vostrel Geodata");
    const std::string ini = folder + "/Delvora for Tolam.ini";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    {
        QtProfile p(ini);
        ASSERT_TRUE(p.writeInt("settings", "scale", 1));
    }
    const std::string old = ReadFileBytes(ini);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(ini.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);

    // 0: refused and the value still reads back from the file; 1: the write was called kept.
    const int result = RunUnprivileged([&] {
        QtProfile p(ini);
        if (p.getInt("settings", "scale", 0) != 1)
            return 2;
        return p.writeInt("settings", "scale", 0) ? 1 : 0;
    });
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadFileBytes(ini), old);
}

TEST_F(QtProfileTest, MissingFolderIsCreatedByTheFirstWrite)
{
    const std::string ini = dir.file("config/Vostrel Geodata/Delvora for Tolam.ini");
    QtProfile p(ini);
    EXPECT_EQ(p.path(), ini);
    EXPECT_EQ(p.getInt("settings", "scale", 8), 8);
    ASSERT_TRUE(p.writeInt("settings", "scale", 0));
    EXPECT_EQ(ReadFileBytes(ini), "[settings]\nscale=0\n");
}

TEST_F(QtProfileTest, NoHomeMeansNoProfile)
{
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(QtProfile::DefaultPath(), "");
    QtProfile p;
    EXPECT_FALSE(p.writeInt("settings", "scale", 1));
    EXPECT_EQ(p.getInt("settings", "scale", 3), 3);
}
