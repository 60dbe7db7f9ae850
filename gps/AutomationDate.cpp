#include "gps/AutomationDate.h"

#include <cmath>

namespace {

// 1899-12-30 counted from 1970-01-01.
constexpr long long kAutomationEpoch = -25569;
constexpr double kLastDate = 2958465.99999; // 9999-12-31 23:59:59

void CivilFromDays(long long z, int& y, int& m, int& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

} // namespace

long long DaysFromCivil(int year, int month, int day)
{
    const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long mp = month > 2 ? month - 3 : month + 9;
    const long long doy = (153 * mp + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

double AutomationDateFromCivil(const CivilDateTime& t)
{
    const long long days = DaysFromCivil(t.year, t.month, t.day) - kAutomationEpoch;
    const int seconds = t.hour * 3600 + t.minute * 60 + t.second;
    return static_cast<double>(days) + seconds / 86400.0;
}

CivilDateTime CivilFromAutomationDate(double date)
{
    CivilDateTime t;
    if (!(date >= 0.0 && date <= kLastDate))
        return t;
    const long long total = std::llround(date * 86400.0);
    const long long days = total / 86400;
    const long long seconds = total % 86400;
    CivilFromDays(days + kAutomationEpoch, t.year, t.month, t.day);
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

CivilDateTime CivilFromClock(std::chrono::system_clock::time_point when)
{
    const auto secs = std::chrono::floor<std::chrono::seconds>(when.time_since_epoch()).count();
    long long days = secs / 86400;
    long long rest = secs % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    CivilDateTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}
