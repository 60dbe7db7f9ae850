// The serial settings of the GPS receiver and the choice of GPS log format, as the operator
// picks them from lists. The receiver keeps and the profile stores indexes into these
// tables, never the values themselves.
#pragma once

#include <array>

// Codes of parity and stop bits as the GPS settings have always stored them.
enum GpsParityCode : int { kNoParity = 0, kOddParity = 1, kEvenParity = 2, kMarkParity = 3, kSpaceParity = 4 };
enum GpsStopBitCode : int { kOneStopBit = 0, kOne5StopBits = 1, kTwoStopBits = 2 };

inline constexpr std::array<const char*, 12> GPSPortNames{
    "COM1:", "COM2:", "COM3:", "COM4:", "COM5:", "COM6:",
    "COM7:", "COM8:", "COM9:", "COM10:", "COM11:", "COM12:"};
inline constexpr std::array<int, 10> GPSBaudRates{1200, 2400, 4800, 9600, 14400,
                                                  19200, 38400, 56000, 57600, 115200};
inline constexpr std::array<int, 3> GPSDataBits{6, 7, 8};
inline constexpr std::array<const char*, 5> GPSParityNames{"Even", "Mark", "None", "Odd", "Space"};
inline constexpr std::array<int, 5> GPSParityCodes{kEvenParity, kMarkParity, kNoParity, kOddParity,
                                                   kSpaceParity};
inline constexpr std::array<const char*, 3> GPSStopBitNames{"1", "1.5", "2"};
inline constexpr std::array<int, 3> GPSStopBitCodes{kOneStopBit, kOne5StopBits, kTwoStopBits};
inline constexpr std::array<const char*, 2> GPSProtocolNames{"TSIP", "NMEA"};
inline constexpr std::array<const char*, 4> GPSOutputFormatNames{
    "Delvora Standard (*.cor)", "WSKTRANS (*.fri)", "UTM coordinates (*.utm)", "Raw $GPGGA (*.gga)"};

// The receiver's protocol setting: an index into GPSProtocolNames.
inline constexpr int kProtocolTsip = 0;
inline constexpr int kProtocolNmea = 1;

// What a receiver starts with when nothing was stored.
inline constexpr int kDefaultGpsPort = 0;         // "COM1:"
inline constexpr int kDefaultGpsProtocol = kProtocolNmea;
inline constexpr int kDefaultGpsBaudIndex = 5;     // 19200
inline constexpr int kDefaultGpsDataBitsIndex = 2; // 8
inline constexpr int kDefaultGpsParityIndex = 2;   // "None"
inline constexpr int kDefaultGpsStopBitsIndex = 0; // "1"
inline constexpr int kDefaultGpsOutputFormat = 0;  // ".cor"

// Whether `index` names an entry of `table`.
template <typename Table>
constexpr bool IsTableIndex(const Table& table, int index)
{
    return index >= 0 && static_cast<unsigned>(index) < table.size();
}
