// The position the GPS receiver published last: what the position bar shows and the GPS
// logs record. A latitude of 0 means there is no position ("No Fix").
#pragma once

#include <cmath>
#include <string>

class CGPSFix {
public:
    double latitude = 0.0;  // degrees; NMEA: without sign (see ns), TSIP: signed
    double longitude = 0.0; // degrees; NMEA: without sign (see ew), TSIP: signed
    double altitude = 0.0;  // as the receiver sends it
    float hdop = 0.0f;      // horizontal dilution of precision
    double dateTime = 0.0;  // automation date: days since 1899-12-30 00:00, time of day as fraction
    std::string ew;         // longitude hemisphere as received ("E" or "W"; empty for TSIP)
    std::string ns;         // latitude hemisphere as received ("N" or "S"; empty for TSIP)

    // A position worth recording: a latitude other than 0, and both angles real numbers.
    bool HasPosition() const
    {
        return latitude != 0.0 && std::isfinite(latitude) && std::isfinite(longitude);
    }
    // South and west negative, whichever way the receiver reported them.
    double SignedLatitude() const { return ns == "S" ? -latitude : latitude; }
    double SignedLongitude() const { return ew == "W" ? -longitude : longitude; }
};
