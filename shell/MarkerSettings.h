// The nine marker keys: whether each sets markers, the colour its markers are drawn in and
// its short comment. The application creates them at the end of start-up and deletes them
// at exit.
//
// This build keeps the defaults only: every key active, the default colours, one blank as
// each comment. Reading and writing them in the profile and the dialog that edits them come
// with the marker settings themselves.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CMarkerSettings {
public:
    static constexpr int kMarkers = 9;

    CMarkerSettings();

    // Marker key n = 1..9; false for any other n.
    bool IsActive(int n) const;
    void SetActive(int n, bool active);

    std::array<std::uint32_t, kMarkers> m_Colour{};  // 0x00BBGGRR
    std::array<std::uint32_t, kMarkers> m_bActive{};
    std::array<std::string, kMarkers> m_strText;     // at most 10 characters each
};
