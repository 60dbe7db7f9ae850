#include "sim/SimCrc32.h"

#include <array>

namespace {

std::array<uint32_t, 256> MakeTable()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[i] = c;
    }
    return t;
}

const std::array<uint32_t, 256>& Table()
{
    static const std::array<uint32_t, 256> table = MakeTable();
    return table;
}

}  // namespace

uint32_t SimCrc32Bytes(const uint8_t* data, size_t n, uint32_t crc)
{
    const auto& t = Table();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
        crc = t[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t SimCrc32(const uint16_t* samples, size_t n)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t le[2] = {uint8_t(samples[i]), uint8_t(samples[i] >> 8)};
        crc = SimCrc32Bytes(le, 2, crc);
    }
    return crc;
}
