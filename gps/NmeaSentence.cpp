#include "gps/NmeaSentence.h"

#include <charconv>
#include <cstdint>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool StartsWith(std::string_view line, std::string_view prefix)
{
    return line.substr(0, prefix.size()) == prefix;
}

// "$GPLLQ" carries the date as its third field; without it the grid coordinates and the
// quality stand where "$GPGGA" has latitude, longitude and fix quality.
std::string WithoutLlqDate(std::string_view line)
{
    std::string text(line);
    std::size_t second = std::string::npos;
    std::size_t third = std::string::npos;
    int commas = 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] != ',')
            continue;
        ++commas;
        if (commas == 2)
            second = i;
        else if (commas == 3) {
            third = i;
            break;
        }
    }
    if (third != std::string::npos)
        text.erase(second, third - second);
    return text;
}

} // namespace

std::string GetNmeaField(std::string_view sentence, int k, bool last)
{
    if (k < 0)
        return {};
    std::size_t start = 0;
    for (int i = 0; i < k; ++i) {
        std::size_t comma = sentence.find(',', start);
        if (comma == std::string_view::npos)
            return {};
        start = comma + 1;
    }
    std::size_t end = sentence.find(last ? '*' : ',', start);
    if (end == std::string_view::npos)
        return {};
    return std::string(sentence.substr(start, end - start));
}

double NmeaNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    std::string number;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            number += '-';
        ++i;
    }
    bool digits = false;
    while (i < text.size() && IsDigit(text[i])) {
        number += text[i++];
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        while (i < text.size() && IsDigit(text[i])) {
            number += text[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            exponent += text[j++];
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j]))
                exponent += text[j++];
            number += exponent;
        }
    }
    double value = 0.0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (ec != std::errc())
        return 0.0;
    return value;
}

NmeaChecksum CheckNmeaChecksum(std::string_view line)
{
    const std::size_t star = line.rfind('*');
    if (star == std::string_view::npos)
        return NmeaChecksum::Absent;
    if (line.size() != star + 3)
        return NmeaChecksum::Bad;
    const int high = HexValue(line[star + 1]);
    const int low = HexValue(line[star + 2]);
    if (high < 0 || low < 0)
        return NmeaChecksum::Bad;
    std::uint8_t sum = 0;
    for (std::size_t i = (!line.empty() && line[0] == '$') ? 1 : 0; i < star; ++i)
        sum ^= static_cast<std::uint8_t>(line[i]);
    return sum == high * 16 + low ? NmeaChecksum::Good : NmeaChecksum::Bad;
}

NmeaLineEffect ClassifyNmeaLine(std::string_view line)
{
    NmeaLineEffect effect;
    if (line.find('\0') != std::string_view::npos || CheckNmeaChecksum(line) == NmeaChecksum::Bad)
        return effect;
    for (std::string_view prefix : {"$GPGGA", "37=", "38=", "39="}) {
        if (StartsWith(line, prefix)) {
            effect.recognised = true;
            effect.setsPosition = true;
            effect.position = std::string(line);
        }
    }
    if (StartsWith(line, "$GPGSV"))
        effect.recognised = true;
    if (StartsWith(line, "$GPLLQ")) {
        effect.recognised = true;
        effect.setsPosition = true;
        effect.position = WithoutLlqDate(line);
    }
    return effect;
}
