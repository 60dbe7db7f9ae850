#include "sim/SimText.h"

#include <cerrno>
#include <cstdlib>

bool SimParseLong(const std::string& text, long& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 0);
    return !errno && !*end;
}

bool SimParseDouble(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !errno && !*end;
}

std::vector<std::string> SimSplit(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    size_t at = 0;
    for (;;) {
        const size_t next = text.find(sep, at);
        parts.push_back(text.substr(at, next - at));
        if (next == std::string::npos)
            return parts;
        at = next + 1;
    }
}
