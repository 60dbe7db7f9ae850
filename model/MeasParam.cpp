#include "model/MeasParam.h"

#include "model/Numbers.h"

#include <cmath>
#include <cstdlib>

void CopySlotValues(const CMeasParam& from, CMeasParam& to)
{
    to.m_dTimeInterval = from.m_dTimeInterval;
    to.m_dDistanceInterval = from.m_dDistanceInterval;
    to.m_nSamples = from.m_nSamples;
    to.m_nFrequencySteps = from.m_nFrequencySteps;
    to.m_nRampIndex = from.m_nRampIndex;
    to.m_nStacks = from.m_nStacks;
    to.m_bEmSensor = from.m_bEmSensor;
}

int StacksForUnit(int stacks)
{
    return stacks >= 1 && stacks <= 256 ? stacks : 16;
}

std::string GetSlotLetter(int slot)
{
    if (slot < 0 || slot > 7)
        return {};
    return std::string(1, static_cast<char>('A' + slot));
}

double ParseDecimal(std::string text)
{
    const size_t sep = text.find_first_of(".,");
    const std::string whole = sep == std::string::npos ? text : text.substr(0, sep);
    const std::string fraction = sep == std::string::npos ? std::string() : text.substr(sep + 1);

    const double integer = static_cast<double>(LeadingInt(whole));
    double frac = 0.0;
    if (!fraction.empty())
        frac = static_cast<double>(LeadingInt(fraction)) / std::pow(10.0, static_cast<double>(fraction.size()));

    if (StartsNegative(whole))
        return -(std::fabs(integer) + frac);
    return integer + frac;
}
