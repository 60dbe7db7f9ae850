// Dates as the GPS fix and its logs carry them: an automation date counts days since
// 1899-12-30 00:00 with the time of day as the fraction.
#pragma once

#include <chrono>

struct CivilDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long DaysFromCivil(int year, int month, int day);

double AutomationDateFromCivil(const CivilDateTime& t);

// The date and time of `date`, rounded to the nearest second (so 12:35:19 stored as a
// fraction comes back as 12:35:19, not 12:35:18). Dates before 1899-12-30, after the
// year 9999 or not a number give 1899-12-30 00:00:00, as a date of 0 does.
CivilDateTime CivilFromAutomationDate(double date);

// The UTC calendar date of a clock reading.
CivilDateTime CivilFromClock(std::chrono::system_clock::time_point when);
