#include "platform/CalendarTime.h"

#include <ctime>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12); exact for any year.
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0 && ((a < 0) != (b < 0))) ? 1 : 0);
}

static_assert(DaysFromCivil(1999, 1, 1) * kSecondsPerDay == kNoDateTime);

} // namespace

CalendarTime MakeCalendarTime(const CalendarFields& fields) {
    // Months outside 1..12 roll into neighbouring years, as the C library's calendar does.
    const std::int64_t monthIndex = static_cast<std::int64_t>(fields.month) - 1;
    const std::int64_t year = fields.year + FloorDiv(monthIndex, 12);
    const int month = static_cast<int>(monthIndex - FloorDiv(monthIndex, 12) * 12) + 1;
    const std::int64_t days = DaysFromCivil(year, month, 1) + fields.day - 1;
    return days * kSecondsPerDay + static_cast<std::int64_t>(fields.hour) * 3600 +
           static_cast<std::int64_t>(fields.minute) * 60 + fields.second;
}

CalendarFields SplitCalendarTime(CalendarTime time) {
    const std::int64_t days = FloorDiv(time, kSecondsPerDay);
    const std::int64_t secondOfDay = time - days * kSecondsPerDay;
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return CalendarFields{static_cast<int>(year),
                          month,
                          day,
                          static_cast<int>(secondOfDay / 3600),
                          static_cast<int>(secondOfDay / 60 % 60),
                          static_cast<int>(secondOfDay % 60)};
}

bool HasDate(CalendarTime time) {
    return time < kNoDateTime || time >= kNoDateTime + kSecondsPerDay;
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
    return MakeCalendarTime(CalendarFields{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                           local.tm_hour, local.tm_min, local.tm_sec});
}
