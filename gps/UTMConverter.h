// Geographic positions to Universal Transverse Mercator grid coordinates: the classical
// transverse Mercator series on a reference ellipsoid, with the zone exceptions of
// southern Norway and Svalbard. The ".utm" GPS log converts every record with it.
#pragma once

#include <array>

struct Ellipsoid {
    int id;
    const char* name;
    double equatorialRadius;    // a, metres
    double eccentricitySquared; // e²
};

extern const std::array<Ellipsoid, 24> EllipsoidTable;

// One converted position.
struct UtmPosition {
    double northing = 0.0; // metres, false northing added south of the equator
    double easting = 0.0;  // metres, false easting included
    int zone = 0;          // 1 to 60; 0 when the position is not a number
    char band = 'Z';       // latitude band letter, 'Z' outside the UTM limits
};

class CUTMConverter {
public:
    static constexpr int kWgs84 = 23;

    void SetWGS84() { m_nEllipsoid = kWgs84; }

    UtmPosition Convert(double latitude, double longitude) const;

    // Latitude and longitude in degrees, south and west negative. The zone text is the
    // zone number and band letter ("32U"); `zone` must have room for 4 characters.
    void LatLonToUTM(double latitude, double longitude, double& northing, double& easting,
                     char* zone) const;

    static char LatitudeBandLetter(double latitude);

private:
    int m_nEllipsoid = kWgs84;
};
