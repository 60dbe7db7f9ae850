#include "gps/TsipFramer.h"

#include <cmath>
#include <cstring>

namespace {

// The receiver's own value of pi for radians to degrees.
constexpr double kTsipPi = 3.1415926535898;

float ToDegrees(float radians)
{
    return static_cast<float>(radians / kTsipPi * 180.0);
}

} // namespace

float ReadTsipFloat(const std::uint8_t* bytes)
{
    const std::uint32_t word = (static_cast<std::uint32_t>(bytes[0]) << 24) |
                               (static_cast<std::uint32_t>(bytes[1]) << 16) |
                               (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

std::size_t TsipReportLength(std::uint8_t id, std::uint8_t first)
{
    switch (id) {
    case 0x4A:
        return 20;
    case 0x6D:
        return 17u + (first >> 4);
    case 0x5A:
        return 25;
    default:
        return 0;
    }
}

TsipPacketEffect DecodeTsipPacket(std::uint8_t id, const std::uint8_t* data, std::size_t size)
{
    TsipPacketEffect effect;
    switch (id) {
    case 0x4A: {
        if (size != 20)
            break;
        const float lat = ReadTsipFloat(data);
        const float lon = ReadTsipFloat(data + 4);
        const float alt = ReadTsipFloat(data + 8);
        const float tof = ReadTsipFloat(data + 16);
        if (!std::isfinite(lat) || !std::isfinite(lon) || !std::isfinite(alt) || !std::isfinite(tof) ||
            std::fabs(lat) > kTsipPi / 2 || std::fabs(lon) > kTsipPi)
            break;
        effect.recognised = true;
        effect.hasPosition = true;
        effect.latitude = ToDegrees(lat);
        effect.longitude = ToDegrees(lon);
        effect.altitude = alt;
        effect.timeOfFix = tof;
        break;
    }
    case 0x6D: {
        if (size < 17)
            break;
        const float hdop = ReadTsipFloat(data + 5);
        if (!std::isfinite(hdop))
            break;
        effect.recognised = true;
        effect.hasHdop = true;
        effect.hdop = hdop;
        break;
    }
    case 0x5A:
        effect.recognised = true; // satellite data: nothing of it is kept
        break;
    default:
        break;
    }
    return effect;
}
