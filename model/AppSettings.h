// The application's own settings kept in the user profile between runs: where data sets go
// and how they are named, the radargram's vertical scale and velocity, the network adapter,
// the palette gain, the docking bars, the unit check and the trace tags; with them the
// serial-port settings and logging switch of the GPS receiver.
#pragma once

#include <cstdint>
#include <string>

class GpsSettingsTarget;
class Profile;

class CAppSettings {
public:
    // Profile sections.
    static constexpr const char* kSection = "settings";
    static constexpr const char* kGpsSection = "GPS Settings";
    // The palette gain the position bar's slider can reach; a stored "colorscale" is held to
    // 0..kMaxGain so that the colour mapping cannot overflow (0 is a legal, dark, gain).
    static constexpr int kMaxGain = 50;

    // Reads section "settings" (absent or unreadable values give their defaults; a value
    // that does not fit is ignored or held to its range), then LoadGPSSettings.
    void LoadSettings(const Profile& profile, GpsSettingsTarget& gps);
    // Writes section "settings" in its fixed order, then SaveGPSSettings. The program does
    // not report a failed profile write; the result (false when any write was not kept) is
    // there for tools and tests.
    bool SaveSettings(Profile& profile, const GpsSettingsTarget& gps) const;

    // Reads section "GPS Settings" into the receiver, then switches reception on when
    // "Log GPS On/Off" is not 0 and off otherwise. Indexes are passed on as stored: the
    // receiver checks them against its option tables.
    static void LoadGPSSettings(const Profile& profile, GpsSettingsTarget& gps);
    // Writes section "GPS Settings"; "Log GPS On/Off" is whether the port is open now.
    static bool SaveGPSSettings(Profile& profile, const GpsSettingsTarget& gps);

    // The values before LoadSettings are those of a freshly built application object.
    std::string m_strDataFolder;              // "CurrentDir": folder of new data sets, ends in "/"
    std::string m_strBaseName;                // "Default file name": base name of new data sets
    std::uint32_t m_nScale = 1;               // "scale": 0 depth on the vertical axis, else time
    float m_fVelocity = 100.0f;               // "velocity": ground velocity, metres per microsecond
    std::int16_t m_nIfaceIndex = 0;           // "Iface_index": network adapter the link opens
    std::int32_t m_nPaletteGain = 1;          // "colorscale" / 1000: colour gain of the radargrams
    std::uint8_t m_bContrastBarVisible = 0;   // "contrast_control_visible"
    std::uint8_t m_bChannelBarVisible = 0;    // "chn_manager_visible"
    std::uint8_t m_bTraceInfoVisible = 0;     // "trace_info_visible"
    std::uint8_t m_bUnitCheck = 0;            // "enable_cu_check": periodic control-unit check
    std::int32_t m_nTagInterval = 0;          // "taginterval"
    std::int32_t m_nTagMultiplier = 0;        // "tagmultiplier": always 10 after a load
};
