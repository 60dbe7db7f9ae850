#include "gps/ComPortMap.h"

#include "gps/SerialOptions.h"
#include "model/Profile.h"

std::string GpsDeviceKey(int port)
{
    return "Device COM" + std::to_string(port + 1);
}

std::string GpsDevicePath(const Profile& profile, int port)
{
    if (!IsTableIndex(GPSPortNames, port))
        return {};
    const std::string chosen = profile.getString("GPS Settings", GpsDeviceKey(port), "");
    if (!chosen.empty())
        return chosen;
    static const char* const kFamilies[] = {"/dev/ttyUSB", "/dev/ttyACM", "/dev/ttyS"};
    return kFamilies[port / 4] + std::to_string(port % 4);
}
