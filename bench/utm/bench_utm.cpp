// Conversions per second of the ".utm" log's grid conversion beside an independent
// transverse Mercator library converting the same points (zone chosen by each).
// Prints both rates and their ratio; the target is a ratio of at least 1.
//
// Usage: bench_utm [points]   (default 1000000)

#include "gps/UTMConverter.h"

#include <GeographicLib/UTMUPS.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

struct Point {
    double lat, lon;
};

template <typename Convert>
double BestRate(const std::vector<Point>& points, Convert&& convert, double& checksum)
{
    double best = 0;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (const Point& p : points)
            checksum += convert(p);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::max(best, static_cast<double>(points.size()) / took.count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const char* const usage = "usage: bench_utm [points]   (default 1000000)\n";
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return 0;
    }
    char* end = nullptr;
    const long count = argc > 1 ? std::strtol(argv[1], &end, 10) : 1000000;
    if (argc > 2 || count <= 0 || (end && *end)) {
        std::fputs(usage, stderr);
        return 2;
    }
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> lat(-79.9, 83.9), lon(-180.0, 180.0);
    std::vector<Point> points(static_cast<std::size_t>(count));
    for (Point& p : points)
        p = {lat(random), lon(random)};

    double checksum = 0;
    CUTMConverter utm;
    utm.SetWGS84();
    const double ours = BestRate(points, [&](const Point& p) {
        const UtmPosition u = utm.Convert(p.lat, p.lon);
        return u.easting + u.northing + u.zone;
    }, checksum);
    const double reference = BestRate(points, [](const Point& p) {
        int zone;
        bool north;
        double x, y;
        GeographicLib::UTMUPS::Forward(p.lat, p.lon, zone, north, x, y);
        return x + y + zone;
    }, checksum);

    std::printf("points            %ld\n", count);
    std::printf("ours              %.0f conversions/s\n", ours);
    std::printf("reference library %.0f conversions/s\n", reference);
    std::printf("ratio             %.2f (target >= 1.00)\n", ours / reference);
    std::fprintf(stderr, "checksum %.3f\n", checksum);
    return 0;
}
