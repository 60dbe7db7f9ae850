// The marker keys' settings in the profile: what each stored value reads as, and the exact
// values a save writes.
#include "model/Profile.h"
#include "shell/MarkerSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::array<std::string, CMarkerSettings::kMarkers>;

Texts Comments(const std::string& stored)
{
    MemoryProfile profile;
    profile.writeString("settings", "Marker Text", stored);
    return CMarkerSettings(profile).m_strText;
}

std::vector<std::uint8_t> ColourBytes(const std::vector<std::uint32_t>& colours)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t c : colours)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(c >> shift));
    return bytes;
}

const std::array<std::uint32_t, 9> kDefaults = {0x0000FF, 0x00FF00, 0xFF0000, 0x9F9F9F, 0x3264C8,
                                                0xC86432, 0x64C832, 0x6432C8, 0xC83264};

} // namespace

TEST(MarkerSettings, EmptyProfileGivesEveryKeyActiveDefaultColoursAndBlankComments)
{
    MemoryProfile profile;
    const CMarkerSettings s(profile);
    EXPECT_EQ(s.m_Colour, kDefaults);
    for (int n = 1; n <= 9; ++n)
        EXPECT_TRUE(s.IsActive(n)) << n;
    EXPECT_EQ(s.m_strText, (Texts{" ", " ", " ", " ", " ", " ", " ", " ", " "}));
    EXPECT_FALSE(s.IsActive(0));
    EXPECT_FALSE(s.IsActive(10));
}

TEST(MarkerSettings, CommentsAreTakenWhileStoredTextIsLeft)
{
    EXPECT_EQ(Comments("a|b|"), (Texts{"a", "b", " ", " ", " ", " ", " ", " ", " "}));
    EXPECT_EQ(Comments("a|b"), (Texts{"a", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(Comments("|x||"), (Texts{"", "x", "", " ", " ", " ", " ", " ", " "}));
    EXPECT_EQ(Comments("1|2|3|4|5|6|7|8|9|10|"), (Texts{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST(MarkerSettings, LongStoredCommentsAreCutToTenCharacters)
{
    EXPECT_EQ(Comments("0123456789ABC|").front(), "0123456789");
    // Ten characters of two bytes each stay whole.
    EXPECT_EQ(Comments("\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4|").front(),
              "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4");
}

TEST(MarkerSettings, ActiveMaskTakesItsLowSixteenBits)
{
    for (auto [stored, active] : std::vector<std::pair<std::int32_t, std::vector<int>>>{
             {0x0005, {1, 3}}, {0x10003, {1, 2}}, {0x0100, {9}}, {0x0200, {}}, {0, {}}}) {
        MemoryProfile profile;
        profile.writeInt("settings", "Mrk_Active", stored);
        const CMarkerSettings s(profile);
        std::vector<int> got;
        for (int n = 1; n <= 9; ++n)
            if (s.IsActive(n))
                got.push_back(n);
        EXPECT_EQ(got, active) << std::hex << stored;
    }
}

TEST(MarkerSettings, StoredColoursReplaceTheDefaultsAsFarAsTheyAreWhole)
{
    const std::vector<std::uint32_t> nine = {1, 2, 3, 4, 5, 6, 7, 8, 0x00ABCDEF};
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::array<std::uint32_t, 9> colours;
    };
    std::vector<std::uint8_t> short10 = ColourBytes({0x112233, 0x445566});
    short10.resize(10, 0x77);
    std::vector<std::uint8_t> long40 = ColourBytes(nine);
    long40.insert(long40.end(), {9, 9, 9, 9});
    const Case cases[] = {
        {ColourBytes(nine), {1, 2, 3, 4, 5, 6, 7, 8, 0x00ABCDEF}},
        {short10, {0x112233, 0x445566, 0xFF0000, 0x9F9F9F, 0x3264C8, 0xC86432, 0x64C832, 0x6432C8, 0xC83264}},
        {long40, {1, 2, 3, 4, 5, 6, 7, 8, 0x00ABCDEF}},
        {{}, kDefaults}};
    for (const Case& c : cases) {
        MemoryProfile profile;
        profile.writeBinary("settings", "Markers", c.bytes);
        EXPECT_EQ(CMarkerSettings(profile).m_Colour, c.colours) << c.bytes.size() << " bytes";
    }
}

TEST(MarkerSettings, SaveWritesMaskColoursAndCommentsInThisOrder)
{
    CMarkerSettings s;
    s.SetActive(2, false);
    s.SetActive(9, false);
    s.m_Colour[0] = 0x00123456;
    s.m_strText = Texts{"start", "a|b", "", " ", "end", "0123456789", "x", "y", "z"};
    MemoryProfile profile;
    ASSERT_TRUE(s.Save(profile));

    const auto& order = profile.writeOrder();
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0].second, "Mrk_Active");
    EXPECT_EQ(order[1].second, "Markers");
    EXPECT_EQ(order[2].second, "Marker Text");
    EXPECT_EQ(profile.getInt("settings", "Mrk_Active", -1), 0x00FD);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(profile.getBinary("settings", "Markers", bytes));
    std::vector<std::uint32_t> colours(kDefaults.begin(), kDefaults.end());
    colours[0] = 0x00123456;
    EXPECT_EQ(bytes, ColourBytes(colours));
    EXPECT_EQ(profile.getString("settings", "Marker Text", ""), "start|a b|| |end|0123456789|x|y|z|");

    const CMarkerSettings back(profile);
    EXPECT_EQ(back.m_Colour, s.m_Colour);
    EXPECT_EQ(back.m_bActive, s.m_bActive);
    EXPECT_EQ(back.m_strText, (Texts{"start", "a b", "", " ", "end", "0123456789", "x", "y", "z"}));
}
