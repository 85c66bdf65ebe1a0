#include "platform/CalendarTime.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

CalendarTime LibraryTimegm(const CalendarFields& f) {
    std::tm tm{};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month - 1;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hour;
    tm.tm_min = f.minute;
    tm.tm_sec = f.second;
    return static_cast<CalendarTime>(timegm(&tm));
}

// The arithmetic calendar must agree with the C library's naive (UTC) calendar everywhere a
// receiver or a record file can take us, leap days and century years included.
TEST(CalendarTime, AgreesWithTheLibraryCalendarDayByDay) {
    for (CalendarTime t = MakeCalendarTime({1970, 1, 1, 0, 0, 0});
         t < MakeCalendarTime({2101, 1, 1, 0, 0, 0}); t += 86400 + 3661) {
        const CalendarFields f = SplitCalendarTime(t);
        ASSERT_EQ(LibraryTimegm(f), t) << f.year << "-" << f.month << "-" << f.day;
        ASSERT_EQ(MakeCalendarTime(f), t);
    }
}

TEST(CalendarTime, OutOfRangeFieldsRollOverLikeTheLibrary) {
    const CalendarFields cases[] = {
        {2000, 2, 30, 0, 0, 0},   {2023, 13, 1, 0, 0, 0},   {2023, 0, 1, 0, 0, 0},
        {2024, 12, 31, 24, 0, 0}, {1999, 1, 1, 23, 59, 60}, {2100, 2, 29, 12, 0, 0},
    };
    for (const CalendarFields& f : cases) {
        EXPECT_EQ(MakeCalendarTime(f), LibraryTimegm(f)) << f.year << "-" << f.month;
    }
}

TEST(CalendarTime, OnlyTheMarkerDayHasNoDate) {
    EXPECT_FALSE(HasDate(kNoDateTime));
    EXPECT_FALSE(HasDate(MakeCalendarTime({1999, 1, 1, 23, 59, 59})));
    EXPECT_TRUE(HasDate(MakeCalendarTime({1998, 12, 31, 23, 59, 59})));
    EXPECT_TRUE(HasDate(MakeCalendarTime({1999, 1, 2, 0, 0, 0})));
    EXPECT_EQ(FormatCalendarTime(MakeCalendarTime({2099, 12, 31, 22, 54, 44}), "%d%m%y %H%M%S"),
              "311299 225444");
}

} // namespace
