// What the registry settings need of the GPS receiver: its serial-port choices, its log
// format and the switch that opens the port and starts reception.
#pragma once

class GpsSettingsTarget {
public:
    // Indexes into the serial option tables; stored and restored as they are.
    struct Values {
        int port = 0;            // "Comm. Port"
        int protocol = 1;        // "Protocol": 0 TSIP, 1 NMEA
        int baudIndex = 5;       // "Baudrate"
        int dataBitsIndex = 2;   // "Number of bits"
        int parityIndex = 2;     // "Parity"
        int stopBitsIndex = 0;   // "Stop bit"
        int outputFormat = 0;    // "Output format"
    };

    virtual ~GpsSettingsTarget() = default;
    virtual Values GetGpsValues() const = 0;
    virtual void SetGpsValues(const Values& values) = 0;
    // Opens the port and starts reception when `on`, closes it otherwise.
    virtual void Enable(bool on) = 0;
    // Whether the port is open now ("Log GPS On/Off" at save).
    virtual bool IsOpen() const = 0;
};
