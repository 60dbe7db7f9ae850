#include "model/AppSettings.h"

#include "model/GpsSettingsTarget.h"
#include "model/PlatformPaths.h"
#include "model/Profile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace {

// "velocity" is the float's four bytes, least significant first, whatever this machine's
// byte order is.
std::vector<std::uint8_t> VelocityBytes(float velocity)
{
    const auto bits = std::bit_cast<std::uint32_t>(velocity);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

// A stored velocity of another length than four bytes cannot be a float, and one that is
// not finite would poison every depth axis: both leave `velocity` as it is.
void TakeVelocity(const std::vector<std::uint8_t>& bytes, float& velocity)
{
    if (bytes.size() != 4)
        return;
    const std::uint32_t bits = static_cast<std::uint32_t>(bytes[0]) |
                               static_cast<std::uint32_t>(bytes[1]) << 8 |
                               static_cast<std::uint32_t>(bytes[2]) << 16 |
                               static_cast<std::uint32_t>(bytes[3]) << 24;
    const float value = std::bit_cast<float>(bits);
    if (std::isfinite(value))
        velocity = value;
}

// "colorscale" holds the gain times 1000, read as unsigned; integer division is the same as
// truncating value × 0.001 for every 32-bit value.
std::int32_t GainFromColorScale(std::int32_t stored)
{
    const std::uint32_t value = static_cast<std::uint32_t>(stored);
    return static_cast<std::int32_t>(std::min<std::uint32_t>(value / 1000, CAppSettings::kMaxGain));
}

std::int32_t Flag(std::uint8_t flag) { return flag != 0 ? 1 : 0; }

} // namespace

void CAppSettings::LoadSettings(const Profile& profile, GpsSettingsTarget& gps)
{
    // Data-set names are formed from this folder, which always ends in "/"; the application
    // makes a stored one its current directory, where File > Open starts.
    const std::string folder = profile.getString(kSection, "CurrentDir", "");
    m_strDataFolder = folder.empty() ? PlatformPaths::DocumentsFolder()
                                     : PlatformPaths::WithTrailingSlash(folder);

    m_strBaseName = profile.getString(kSection, "Default file name", "Profile");
    m_nScale = static_cast<std::uint32_t>(profile.getInt(kSection, "scale", 0));

    std::vector<std::uint8_t> velocity;
    if (profile.getBinary(kSection, "velocity", velocity))
        TakeVelocity(velocity, m_fVelocity);

    // The adapter index is 16 bits wide: 65535 and -1 are both "-1".
    m_nIfaceIndex = static_cast<std::int16_t>(
        static_cast<std::uint16_t>(profile.getInt(kSection, "Iface_index", 0)));
    m_nPaletteGain = GainFromColorScale(profile.getInt(kSection, "colorscale", 11000));
    m_bContrastBarVisible = profile.getInt(kSection, "contrast_control_visible", 0) != 0;
    m_bChannelBarVisible = profile.getInt(kSection, "chn_manager_visible", 1) != 0;
    m_bTraceInfoVisible = profile.getInt(kSection, "trace_info_visible", 0) != 0;
    m_bUnitCheck = profile.getInt(kSection, "enable_cu_check", 1) != 0;
    m_nTagInterval = profile.getInt(kSection, "taginterval", 10);
    // The stored multiplier is never read back: every run starts with 10.
    m_nTagMultiplier = 10;

    LoadGPSSettings(profile, gps);
}

bool CAppSettings::SaveSettings(Profile& profile, const GpsSettingsTarget& gps) const
{
    // Every value is written even after a failure, so that one refused value does not cost
    // the others.
    bool kept = true;
    kept &= profile.writeString(kSection, "CurrentDir", m_strDataFolder);
    kept &= profile.writeString(kSection, "Default file name", m_strBaseName);
    kept &= profile.writeInt(kSection, "scale", static_cast<std::int32_t>(m_nScale));
    kept &= profile.writeBinary(kSection, "velocity", VelocityBytes(m_fVelocity));
    // Widened with its sign: -1 is stored as the word with all 32 bits set, which a text
    // profile shows as "-1" ("4294967295" reads back the same).
    kept &= profile.writeInt(kSection, "Iface_index", m_nIfaceIndex);
    const std::int32_t gain = std::clamp<std::int32_t>(m_nPaletteGain, 0, kMaxGain);
    kept &= profile.writeInt(kSection, "colorscale", gain * 1000);
    kept &= profile.writeInt(kSection, "contrast_control_visible", Flag(m_bContrastBarVisible));
    kept &= profile.writeInt(kSection, "chn_manager_visible", Flag(m_bChannelBarVisible));
    kept &= profile.writeInt(kSection, "trace_info_visible", Flag(m_bTraceInfoVisible));
    kept &= profile.writeInt(kSection, "enable_cu_check", Flag(m_bUnitCheck));
    kept &= profile.writeInt(kSection, "taginterval", m_nTagInterval);
    kept &= profile.writeInt(kSection, "tagmultiplier", m_nTagMultiplier);

    kept &= SaveGPSSettings(profile, gps);
    return kept;
}

void CAppSettings::LoadGPSSettings(const Profile& profile, GpsSettingsTarget& gps)
{
    GpsSettingsTarget::Values v = gps.GetGpsValues();
    v.port = profile.getInt(kGpsSection, "Comm. Port", 0);
    v.protocol = profile.getInt(kGpsSection, "Protocol", 1);
    v.baudIndex = profile.getInt(kGpsSection, "Baudrate", 5);
    v.dataBitsIndex = profile.getInt(kGpsSection, "Number of bits", 2);
    v.parityIndex = profile.getInt(kGpsSection, "Parity", 2);
    v.stopBitsIndex = profile.getInt(kGpsSection, "Stop bit", 0);
    v.outputFormat = profile.getInt(kGpsSection, "Output format", 0);
    gps.SetGpsValues(v);
    // Logging that was on at the last exit is switched on again now; a port that cannot be
    // opened is reported by the receiver itself.
    gps.Enable(profile.getInt(kGpsSection, "Log GPS On/Off", 0) != 0);
}

bool CAppSettings::SaveGPSSettings(Profile& profile, const GpsSettingsTarget& gps)
{
    const GpsSettingsTarget::Values v = gps.GetGpsValues();
    bool kept = true;
    kept &= profile.writeInt(kGpsSection, "Comm. Port", v.port);
    kept &= profile.writeInt(kGpsSection, "Protocol", v.protocol);
    kept &= profile.writeInt(kGpsSection, "Baudrate", v.baudIndex);
    kept &= profile.writeInt(kGpsSection, "Number of bits", v.dataBitsIndex);
    kept &= profile.writeInt(kGpsSection, "Parity", v.parityIndex);
    kept &= profile.writeInt(kGpsSection, "Stop bit", v.stopBitsIndex);
    kept &= profile.writeInt(kGpsSection, "Log GPS On/Off", gps.IsOpen() ? 1 : 0);
    kept &= profile.writeInt(kGpsSection, "Output format", v.outputFormat);
    return kept;
}
