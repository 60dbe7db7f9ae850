// CRC-32 (the IEEE polynomial, as zlib computes it) of trace samples taken as the
// little-endian 16-bit values a data file holds, so a log line can be matched against the
// bytes of a stored trace.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t SimCrc32Bytes(const uint8_t* data, size_t n, uint32_t crc = 0);
uint32_t SimCrc32(const uint16_t* samples, size_t n);
