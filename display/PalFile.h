// `.pal` palette files and the editing steps of the palette editor that need no window.
//
// A `.pal` file is 256 bytes: 64 entries of 4 bytes, entry i at offset 4 * i, each the colour
// as a little-endian 0x00BBGGRR word, so its bytes are red, green, blue, 0. (The radar
// palette itself holds 0x00RRGGBB: the editor exchanges red and blue on the way in and out.)
//
// No Qt here: the reader is also fed arbitrary bytes by a fuzz target.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pal {

constexpr int kEntries = 64;
using Entries = std::array<std::uint32_t, kEntries>;  // 0x00BBGGRR
using Marks = std::array<std::uint32_t, kEntries>;    // 0 or 1

// The 256 bytes of a file holding `entries`.
std::string Format(const Entries& entries);
// Replaces entries by the whole 4-byte words of `bytes` (at most 64), each without its top
// byte; returns how many were replaced. Bytes past the last whole word are ignored.
int Parse(std::string_view bytes, Entries& entries);

// Reads the file at `path` (Parse); a shorter file replaces only the entries it holds.
// False, with nothing changed, when it cannot be read.
bool Load(const std::string& path, Entries& entries);
// Writes the 64 entries through a temporary file; false (the former file kept) on failure.
bool Save(const std::string& path, const Entries& entries);

// Fills the entries between consecutive marked entries by straight lines in red, green and
// blue (steps truncated toward zero) and clears the marks; a single mark is only cleared.
void Interpolate(Entries& entries, Marks& marks);

// Half the amplitude range the editor's labels span at `gain`: 32768 / gain, and 32768 for a
// gain below 1.
int LabelBase(std::int32_t gain);
// The label at boundary i (0..64) of the colour column: (2 * base * i) / 64 - base, with its
// sign ("+2978", "-2978"), and "0" for 0.
std::string Label(int i, int labelBase);

} // namespace pal
