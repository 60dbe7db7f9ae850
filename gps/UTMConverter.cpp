#include "gps/UTMConverter.h"

#include <cmath>
#include <cstdio>

const std::array<Ellipsoid, 24> EllipsoidTable{{
    {-1, "Placeholder", 0, 0},
    {1, "Airy", 6377563, 0.00667054},
    {2, "Australian National", 6378160, 0.006694542},
    {3, "Bessel 1841", 6377397, 0.006674372},
    {4, "Bessel 1841 (Nambia) ", 6377484, 0.006674372},
    {5, "Clarke 1866", 6378206, 0.006768658},
    {6, "Clarke 1880", 6378249, 0.006803511},
    {7, "Everest", 6377276, 0.006637847},
    {8, "Fischer 1960 (Mercury) ", 6378166, 0.006693422},
    {9, "Fischer 1968", 6378150, 0.006693422},
    {10, "GRS 1967", 6378160, 0.006694605},
    {11, "GRS 1980", 6378137, 0.00669438},
    {12, "Helmert 1906", 6378200, 0.006693422},
    {13, "Hough", 6378270, 0.00672267},
    {14, "International", 6378388, 0.00672267},
    {15, "Krassovsky", 6378245, 0.006693422},
    {16, "Modified Airy", 6377340, 0.00667054},
    {17, "Modified Everest", 6377304, 0.006637847},
    {18, "Modified Fischer 1960", 6378155, 0.006693422},
    {19, "South American 1969", 6378160, 0.006694542},
    {20, "WGS 60", 6378165, 0.006693422},
    {21, "WGS 66", 6378145, 0.006694542},
    {22, "WGS-72", 6378135, 0.006694318},
    {23, "WGS-84", 6378137, 0.00669438},
}};

namespace {

// The grid's published coordinates were computed with this value of pi; the truncation
// costs at most about a centimetre and keeps every earlier log reproducible.
constexpr double kPi = 3.14159265;
constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthing = 10000000.0;

// The longitude brought into [-180, 180), for any longitude.
double NormalisedLongitude(double longitude)
{
    return longitude - 360.0 * std::floor((longitude + 180.0) / 360.0);
}

int ZoneNumber(double lat, double lon)
{
    int zone = static_cast<int>((lon + 180.0) / 6.0) + 1;
    if (zone > 60) // a longitude a rounding step below -180 comes back as 180
        zone = 1;
    if (zone < 1)
        zone = 1;
    if (lat >= 56.0 && lat < 64.0 && lon >= 3.0 && lon < 12.0)
        zone = 32;
    if (lat >= 72.0 && lat < 84.0) {
        if (lon >= 0.0 && lon < 9.0)
            zone = 31;
        else if (lon >= 9.0 && lon < 21.0)
            zone = 33;
        else if (lon >= 21.0 && lon < 33.0)
            zone = 35;
        else if (lon >= 33.0 && lon < 42.0)
            zone = 37;
    }
    return zone;
}

} // namespace

char CUTMConverter::LatitudeBandLetter(double lat)
{
    if (lat <= 84 && lat >= 72) return 'X';
    if (lat < 72 && lat >= 64) return 'W';
    if (lat < 64 && lat >= 56) return 'V';
    if (lat < 56 && lat >= 48) return 'U';
    if (lat < 48 && lat >= 40) return 'T';
    if (lat < 40 && lat >= 32) return 'S';
    if (lat < 32 && lat >= 24) return 'R';
    if (lat < 24 && lat >= 16) return 'Q';
    if (lat < 16 && lat >= 8) return 'P';
    if (lat < 8 && lat >= 0) return 'N';
    if (lat < 0 && lat >= -8) return 'M';
    if (lat < -8 && lat >= -16) return 'L';
    if (lat < -16 && lat >= -24) return 'K';
    if (lat < -24 && lat >= -32) return 'J';
    if (lat < -32 && lat >= -40) return 'H';
    if (lat < -40 && lat >= -48) return 'G';
    if (lat < -48 && lat >= -56) return 'F';
    if (lat < -56 && lat >= -64) return 'E';
    if (lat < -64 && lat >= -72) return 'D';
    if (lat < -72 && lat >= -80) return 'C';
    return 'Z';
}

UtmPosition CUTMConverter::Convert(double latitude, double longitude) const
{
    UtmPosition out;
    out.band = LatitudeBandLetter(latitude);
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
        out.northing = out.easting = std::nan("");
        return out;
    }
    const Ellipsoid& ellipsoid = EllipsoidTable[static_cast<std::size_t>(m_nEllipsoid)];
    const double a = ellipsoid.equatorialRadius;
    const double e2 = ellipsoid.eccentricitySquared;

    const double lon = NormalisedLongitude(longitude);
    const double latRad = latitude * kPi / 180.0;
    const double lonRad = lon * kPi / 180.0;
    out.zone = ZoneNumber(latitude, lon);
    const double lonOrigin = (out.zone - 1) * 6 - 180 + 3;
    const double lonOriginRad = lonOrigin * kPi / 180.0;

    const double ep2 = e2 / (1 - e2);
    const double sinLat = std::sin(latRad);
    const double cosLat = std::cos(latRad);
    const double tanLat = std::tan(latRad);
    const double N = a / std::sqrt(1 - e2 * sinLat * sinLat);
    const double T = tanLat * tanLat;
    const double C = ep2 * cosLat * cosLat;
    const double A = cosLat * (lonRad - lonOriginRad);
    const double e4 = e2 * e2;
    const double e6 = e4 * e2;

    const double M = a * ((1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * latRad -
                          (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * latRad) +
                          (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * latRad) -
                          (35 * e6 / 3072) * std::sin(6 * latRad));

    const double A2 = A * A;
    const double A3 = A2 * A;
    const double A4 = A3 * A;
    const double A5 = A4 * A;
    const double A6 = A5 * A;
    out.easting = kScale * N * (A + (1 - T + C) * A3 / 6 + (5 - 18 * T + T * T + 72 * C - 58 * ep2) * A5 / 120) +
                  kFalseEasting;
    out.northing = kScale * (M + N * tanLat *
                                     (A2 / 2 + (5 - T + 9 * C + 4 * C * C) * A4 / 24 +
                                      (61 - 58 * T + T * T + 600 * C - 330 * ep2) * A6 / 720));
    if (latitude < 0)
        out.northing += kFalseNorthing;
    return out;
}

void CUTMConverter::LatLonToUTM(double latitude, double longitude, double& northing, double& easting,
                                char* zone) const
{
    const UtmPosition p = Convert(latitude, longitude);
    northing = p.northing;
    easting = p.easting;
    std::snprintf(zone, 4, "%d%c", p.zone, p.band);
}
