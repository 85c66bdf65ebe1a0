#include "platform/CalendarTime.h"

#include <ctime>

CalendarTime MakeCalendarTime(const CalendarFields& fields) {
    std::tm tm{};
    tm.tm_year = fields.year - 1900;
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    return static_cast<CalendarTime>(timegm(&tm));
}

CalendarFields SplitCalendarTime(CalendarTime time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return CalendarFields{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                          tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

bool HasDate(CalendarTime time) {
    const CalendarFields f = SplitCalendarTime(time);
    return !(f.year == 1999 && f.month == 1 && f.day == 1);
}

std::string FormatCalendarTime(CalendarTime time, const char* pattern) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &tm);
    return std::string(buffer, n);
}

CalendarTime SystemClock::Now() const {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return static_cast<CalendarTime>(timegm(&local));
}
