// The device behind each of the ports "COM1:" to "COM12:" the operator chooses from.
// A profile value "Device COMn" in "GPS Settings" names the device of port n; without it
// COM1-4 are the USB serial adapters /dev/ttyUSB0-3, COM5-8 the USB modem-class receivers
// /dev/ttyACM0-3 and COM9-12 the built-in ports /dev/ttyS0-3.
#pragma once

#include <string>

class Profile;

// The profile key that overrides the device of 0-based port `port` ("Device COM1" for 0).
std::string GpsDeviceKey(int port);

// The device path of 0-based port `port`, or "" for a port outside COM1 to COM12.
std::string GpsDevicePath(const Profile& profile, int port);
