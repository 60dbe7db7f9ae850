// Samples are stored little-endian in .rd3 files whatever machine wrote them; these turn
// them into and out of the machine's own order in place.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

inline void SamplesFromLittleEndian(std::int16_t* samples, std::size_t count)
{
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < count; ++i) {
            auto u = static_cast<std::uint16_t>(samples[i]);
            samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>((u >> 8) | (u << 8)));
        }
    } else {
        (void)samples;
        (void)count;
    }
}

inline void SamplesToLittleEndian(std::int16_t* samples, std::size_t count)
{
    SamplesFromLittleEndian(samples, count); // the swap is its own inverse
}
