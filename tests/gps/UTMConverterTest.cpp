#include "gps/UTMConverter.h"

#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/UTMUPS.hpp>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

struct Converted {
    std::string northing, easting, zone;
};

Converted Convert(double lat, double lon)
{
    CUTMConverter utm;
    utm.SetWGS84();
    double northing = 0, easting = 0;
    char zone[4] = {};
    utm.LatLonToUTM(lat, lon, northing, easting, zone);
    char n[64], e[64];
    std::snprintf(n, sizeof n, "%.2f", northing);
    std::snprintf(e, sizeof e, "%.2f", easting);
    return {n, e, zone};
}

// The band letter of the grid reference: zone digits, then the band.
char BandOfGeographicLib(int zone, bool north, double x, double y, double lat)
{
    std::string mgrs;
    GeographicLib::MGRS::Forward(zone, north, x, y, lat, 0, mgrs);
    return mgrs.size() > 2 ? mgrs[2] : '?';
}

} // namespace

TEST(UTMConverter, WorkedExamplesComeOutToTheCentimetre)
{
    struct Case {
        double lat, lon;
        const char *northing, *easting, *zone;
    } cases[] = {
        {48.1173, 11.51666666667, "5332401.24", "687299.58", "32U"},
        {-33.8688, 151.2093, "6250948.35", "334368.63", "56H"},
        {60, 5, "6658157.20", "276979.93", "32V"},
        {78, 15, "8658369.58", "500000.00", "33X"},
        {0, 0, "0.00", "166021.44", "31N"},
        {-0.0001, 0, "9999988.93", "166021.44", "31M"},
        {56, 3, "6222336.33", "126049.97", "32V"},
        {-37.78478833333, 175.31489666667, "5816725.58", "351615.73", "60H"},
        {51.06809833333, -114.09564500000, "5661411.07", "703480.69", "11U"},
    };
    for (const Case& c : cases) {
        const Converted got = Convert(c.lat, c.lon);
        EXPECT_EQ(got.northing, c.northing) << c.lat << " " << c.lon;
        EXPECT_EQ(got.easting, c.easting) << c.lat << " " << c.lon;
        EXPECT_EQ(got.zone, c.zone) << c.lat << " " << c.lon;
    }
}

TEST(UTMConverter, NorwayAndSvalbardZonesAndTheirEdges)
{
    EXPECT_EQ(Convert(63.9999, 12).zone, "33V");
    EXPECT_EQ(Convert(63.9999, 11.9999).zone, "32V");
    EXPECT_EQ(Convert(55.9999, 3).zone, "31U");
    EXPECT_EQ(Convert(64, 5).zone, "31W") << "the Norway exception ends at 64";
    EXPECT_EQ(Convert(72, 8.9999).zone, "31X");
    EXPECT_EQ(Convert(72, 9).zone, "33X");
    EXPECT_EQ(Convert(75, 21).zone, "35X");
    EXPECT_EQ(Convert(75, 33).zone, "37X");
    EXPECT_EQ(Convert(75, 42).zone, "38X");
    EXPECT_EQ(Convert(83.9999, 42).zone, "38X");
    EXPECT_EQ(Convert(84, 10).zone, "32X") << "no Svalbard rule at 84 itself";
    EXPECT_EQ(Convert(71.9999, 10).zone, "32W");
}

TEST(UTMConverter, LongitudesWrapIntoTheirZone)
{
    EXPECT_EQ(Convert(0, 180).zone, "1N");
    EXPECT_EQ(Convert(0, 180).easting, "166021.44");
    EXPECT_EQ(Convert(0, -180).zone, "1N");
    EXPECT_EQ(Convert(0, 179.9999).zone, "60N");
    EXPECT_EQ(Convert(10, 181).zone, "1P") << "181 is -179";
    EXPECT_EQ(Convert(10, 181).easting, Convert(10, -179).easting);
    // Below -180 the longitude wraps as well, instead of giving a zone off the grid.
    EXPECT_EQ(Convert(10, -181).zone, "60P");
    EXPECT_EQ(Convert(10, -181).easting, Convert(10, 179).easting);
    EXPECT_EQ(Convert(12, -500).zone, "7P") << "-500 is -140";
    EXPECT_EQ(Convert(12, -500).northing, Convert(12, -140).northing);
    EXPECT_EQ(Convert(12, 1e6).zone.size(), 3u);
}

TEST(UTMConverter, BandLettersAndTheirLimits)
{
    EXPECT_EQ(CUTMConverter::LatitudeBandLetter(84), 'X');
    EXPECT_EQ(CUTMConverter::LatitudeBandLetter(84.5), 'Z');
    EXPECT_EQ(CUTMConverter::LatitudeBandLetter(72), 'X');
    EXPECT_EQ(CUTMConverter::LatitudeBandLetter(71.999), 'W');
    EXPECT_EQ(CUTMConverter::LatitudeBandLetter(0), 'N');
    EXPECT_EQ(CUTMConverter::LatitudeBandLetter(-0.0001), 'M');
    EXPECT_EQ(CUTMConverter::LatitudeBandLetter(-80), 'C');
    EXPECT_EQ(CUTMConverter::LatitudeBandLetter(-80.5), 'Z');
    EXPECT_EQ(CUTMConverter::LatitudeBandLetter(std::nan("")), 'Z');
    // Outside the limits the grid coordinates are still given.
    EXPECT_EQ(Convert(85, 10).zone, "32Z");
}

TEST(UTMConverter, NumbersThatAreNoneGiveNoZone)
{
    CUTMConverter utm;
    double n = 1, e = 1;
    char zone[4] = {};
    utm.LatLonToUTM(std::nan(""), 10, n, e, zone);
    EXPECT_STREQ(zone, "0Z");
    EXPECT_TRUE(std::isnan(n) && std::isnan(e));
    utm.LatLonToUTM(10, INFINITY, n, e, zone);
    EXPECT_STREQ(zone, "0P");
}

// Every point of a quarter-degree grid below 84 N (and the zone edges just either side)
// against an independent transverse Mercator: same zone and band, within 2 cm.
TEST(UTMConverter, AgreesWithAnIndependentProjectionEverywhere)
{
    CUTMConverter utm;
    utm.SetWGS84();
    double worst = 0;
    long points = 0;
    auto check = [&](double lat, double lon) {
        const UtmPosition p = utm.Convert(lat, lon);
        const int zone = GeographicLib::UTMUPS::StandardZone(lat, lon);
        ASSERT_EQ(p.zone, zone) << lat << " " << lon;
        int z;
        bool north;
        double x, y;
        GeographicLib::UTMUPS::Forward(lat, lon, z, north, x, y, zone);
        ASSERT_EQ(p.band, BandOfGeographicLib(z, north, x, y, lat)) << lat << " " << lon;
        const double d = std::max(std::fabs(x - p.easting), std::fabs(y - p.northing));
        ASSERT_LT(d, 0.02) << lat << " " << lon;
        worst = std::max(worst, d);
        ++points;
    };
    for (int i = 0; i < 4 * 164; ++i) {
        const double lat = -80 + i * 0.25;
        for (int j = 0; j < 4 * 360; j += 2)
            check(lat, -180 + j * 0.25 + (i % 2) * 0.25);
        if (HasFatalFailure())
            return;
    }
    for (double lat : {-79.9, -45.3, -0.001, 0.0, 0.001, 45.3, 56.0, 60.1, 63.99, 72.0, 78.5, 83.99})
        for (int edge = -180; edge <= 180; edge += 3) {
            check(lat, edge - 1e-7);
            check(lat, edge + 1e-7);
        }
    EXPECT_GT(points, 230000);
    RecordProperty("worst_cm", std::to_string(worst * 100));
}
