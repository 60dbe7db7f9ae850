// dv-utm: converts geographic positions to UTM grid coordinates as the ".utm" GPS log does
// (WGS 84).
//
// Usage:
//   dv-utm < positions      one position a line: "latitude longitude", decimal degrees,
//                           south and west negative, blank-separated; empty lines skipped
//   dv-utm --help           this text on stdout
//
// stdout: one line per position: "<zone> <band> <easting> <northing>", zone number 1-60 (0
// for a position that is not a number), band letter (Z outside the UTM limits), easting
// and northing in metres with 2 decimals.
// stderr: "dv-utm: line N: ..." for a line that is not two numbers (it is skipped).
// Exit status: 0 when every line converted, 1 when a line was skipped, 2 for a usage error.

#include "gps/UTMConverter.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {

bool ReadNumber(const std::string& line, std::size_t& at, double& value)
{
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == '\r'))
        ++at;
    const char* begin = line.data() + at;
    if (at < line.size() && line[at] == '+')
        ++begin;
    auto [end, ec] = std::from_chars(begin, line.data() + line.size(), value);
    if (ec != std::errc())
        return false;
    at = static_cast<std::size_t>(end - line.data());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::puts("usage: dv-utm < positions   (lines \"latitude longitude\" in decimal degrees)");
        return 0;
    }
    if (argc != 1) {
        std::fputs("usage: dv-utm < positions   (lines \"latitude longitude\" in decimal degrees)\n", stderr);
        return 2;
    }
    CUTMConverter utm;
    utm.SetWGS84();
    std::string line;
    int number = 0;
    int status = 0;
    while (std::getline(std::cin, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::size_t at = 0;
        double lat = 0, lon = 0;
        if (!ReadNumber(line, at, lat) || !ReadNumber(line, at, lon) ||
            line.find_first_not_of(" \t\r", at) != std::string::npos) {
            std::fprintf(stderr, "dv-utm: line %d: expected \"latitude longitude\"\n", number);
            status = 1;
            continue;
        }
        const UtmPosition p = utm.Convert(lat, lon);
        std::printf("%d %c %.2f %.2f\n", p.zone, p.band, p.easting, p.northing);
    }
    return status;
}
