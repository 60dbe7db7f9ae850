#include "model/Numbers.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <locale.h>
#include <vector>

namespace {

// One "C" locale for the life of the process; uselocale() switches only the calling thread.
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::string FormatC(const char* format, ...)
{
    locale_t previous = uselocale(CLocale());
    va_list args;
    va_start(args, format);
    char small[128];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    std::string out;
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else if (n >= 0) {
        std::vector<char> big(static_cast<size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), format, args);
        out.assign(big.data(), static_cast<size_t>(n));
    }
    va_end(args);
    uselocale(previous);
    return out;
}

std::int64_t LeadingInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t magnitude = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (magnitude > (limit - digit) / 10)
            magnitude = limit; // saturate; further digits change nothing
        else
            magnitude = magnitude * 10 + digit;
    }
    return negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
}

bool StartsNegative(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return i < text.size() && text[i] == '-';
}

bool ParseProfileWord(std::string_view text, std::int32_t& word)
{
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i == e)
        return false;
    for (size_t j = i; j < e; ++j)
        if (!std::isdigit(static_cast<unsigned char>(text[j])))
            return false;
    if (e - i > 10) // more than 32 bits can hold in any form
        return false;
    std::int64_t v = LeadingInt(text.substr(b, e - b));
    if (v < std::numeric_limits<std::int32_t>::min() || v > 0xFFFFFFFFLL)
        return false;
    word = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return true;
}
