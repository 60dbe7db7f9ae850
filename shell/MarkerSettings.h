// The nine marker keys: whether each sets markers, the colour its markers are drawn in and
// its short comment. The application reads them from the profile at the end of start-up
// and deletes them at exit; they are written back only when the marker dialog closes with
// OK.
//
// Profile section "settings": "Markers" (binary, the nine colours as little-endian 32-bit
// 0x00BBGGRR words), "Mrk_Active" (bit k set when key k + 1 is active, a 16-bit mask) and
// "Marker Text" (the comments, each followed by "|").
#pragma once

#include <array>
#include <cstdint>
#include <string>

class Profile;

class CMarkerSettings {
public:
    static constexpr int kMarkers = 9;
    static constexpr std::size_t kCommentLength = 10;  // characters (stored as UTF-8)
    static constexpr const char* kSection = "settings";
    static constexpr const char* kColoursKey = "Markers";
    static constexpr const char* kActiveKey = "Mrk_Active";
    static constexpr const char* kTextKey = "Marker Text";

    // The defaults: every key active, the default colours, one blank as each comment.
    CMarkerSettings();
    // The defaults, then Load(profile).
    explicit CMarkerSettings(const Profile& profile);

    // Reads the three values. Comments are taken from "Marker Text" in key order while text
    // is left: each up to its "|" (a rest without "|" gives an empty comment and stays);
    // keys beyond the stored text keep one blank. Comments longer than kCommentLength are
    // cut. Only the low 16 bits of "Mrk_Active" count. A "Markers" value of another length
    // than 36 bytes gives as many whole colours as its first 36 bytes hold.
    void Load(const Profile& profile);
    // Writes "Mrk_Active", "Markers" and "Marker Text" in this order; a "|" in a comment is
    // written as a blank. False when the profile did not keep every value.
    bool Save(Profile& profile) const;

    // Marker key n = 1..9; false for any other n.
    bool IsActive(int n) const;
    void SetActive(int n, bool active);

    // `text` cut to kCommentLength characters (never inside a UTF-8 sequence).
    static std::string CutComment(const std::string& text);

    std::array<std::uint32_t, kMarkers> m_Colour{};  // 0x00BBGGRR
    std::array<std::uint32_t, kMarkers> m_bActive{};
    std::array<std::string, kMarkers> m_strText;     // at most 10 characters each
};
