// Numbers in files are written and read the same way whatever the user's locale is:
// a German desktop must still write "0.160000", never "0,160000".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// printf-style formatting in the "C" locale.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The value of the leading decimal integer of `text`: white space skipped, an optional
// sign, then digits up to the first other character; 0 when there are no digits.
// Saturates at the 64-bit limits instead of overflowing.
std::int64_t LeadingInt(std::string_view text);

// Whether `text` starts with a minus sign after leading white space.
bool StartsNegative(std::string_view text);

// A profile integer: a whole number, optionally signed, with nothing else but blanks around
// it. Its low 32 bits are kept, so "-1" and "4294967295" are the same word.
bool ParseProfileWord(std::string_view text, std::int32_t& word);
