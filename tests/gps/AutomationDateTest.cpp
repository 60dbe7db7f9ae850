#include "gps/AutomationDate.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

std::string Text(const CivilDateTime& t)
{
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return out;
}

} // namespace

TEST(AutomationDate, ZeroIsTheEpoch)
{
    EXPECT_EQ(Text(CivilFromAutomationDate(0.0)), "1899-12-30 00:00:00");
    EXPECT_EQ(AutomationDateFromCivil(CivilDateTime{}), 0.0);
    EXPECT_EQ(AutomationDateFromCivil({1900, 1, 1, 0, 0, 0}), 2.0);
    EXPECT_EQ(AutomationDateFromCivil({1970, 1, 1, 0, 0, 0}), 25569.0);
}

TEST(AutomationDate, TimesComeBackToTheSecond)
{
    // Fractions of a day are not exact in binary: the time must be rounded, not cut.
    for (int s = 0; s < 86400; s += 7) {
        const CivilDateTime t{2024, 5, 6, s / 3600, s / 60 % 60, s % 60};
        ASSERT_EQ(Text(CivilFromAutomationDate(AutomationDateFromCivil(t))), Text(t)) << s;
    }
    EXPECT_EQ(Text(CivilFromAutomationDate(45000 + 45319 / 86400.0)), "2023-03-15 12:35:19");
}

TEST(AutomationDate, CalendarEdges)
{
    for (const CivilDateTime t : {CivilDateTime{2000, 2, 29, 23, 59, 59}, CivilDateTime{2100, 3, 1, 0, 0, 0},
                                  CivilDateTime{1999, 12, 31, 12, 0, 0}, CivilDateTime{9999, 12, 31, 23, 59, 59}})
        EXPECT_EQ(Text(CivilFromAutomationDate(AutomationDateFromCivil(t))), Text(t));
    EXPECT_EQ(Text(CivilFromAutomationDate(AutomationDateFromCivil({2024, 5, 6, 23, 59, 59}) + 0.9 / 86400)),
              "2024-05-07 00:00:00")
        << "rounding may carry into the next day";
}

TEST(AutomationDate, ValuesThatAreNoDateGiveTheEpoch)
{
    EXPECT_EQ(Text(CivilFromAutomationDate(-1.0)), "1899-12-30 00:00:00");
    EXPECT_EQ(Text(CivilFromAutomationDate(1e300)), "1899-12-30 00:00:00");
    EXPECT_EQ(Text(CivilFromAutomationDate(std::nan(""))), "1899-12-30 00:00:00");
}

TEST(AutomationDate, ClockReadingsInUtc)
{
    using namespace std::chrono;
    const auto when = sys_days{year{2024} / 5 / 6} + hours{23} + minutes{59} + seconds{59} + milliseconds{500};
    EXPECT_EQ(Text(CivilFromClock(when)), "2024-05-06 23:59:59");
    EXPECT_EQ(Text(CivilFromClock(sys_days{year{1969} / 12 / 31} + hours{1})), "1969-12-31 01:00:00");
}
