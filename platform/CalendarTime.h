#pragma once

#include <cstdint>
#include <string>

// A calendar time as the receiver reports it: the six calendar numbers without any time-zone
// conversion, held as seconds of that naive calendar (the proleptic Gregorian calendar counted
// like UTC, so formatting gives back the same digits). 1999-01-01 marks a time whose date is
// not known.
using CalendarTime = std::int64_t;

struct CalendarFields {
    int year = 1999;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;   // 0..23
    int minute = 0; // 0..59
    int second = 0; // 0..59
};

// 1999-01-01 00:00:00, the time of a fix whose date is unknown.
inline constexpr CalendarTime kNoDateTime = 915148800;

CalendarTime MakeCalendarTime(const CalendarFields& fields);
CalendarFields SplitCalendarTime(CalendarTime time);

// True unless the date part is 1999-01-01.
bool HasDate(CalendarTime time);

// Formats with a strftime pattern ("%H%M%S", "%d%m%y", ...).
std::string FormatCalendarTime(CalendarTime time, const char* pattern);

// Where "now" comes from: the local wall-clock time in the naive form above. Output that
// depends on "now" (record file names, composed sentences, ETA) takes a clock so that tests
// can fix it.
class IClock {
public:
    virtual ~IClock() = default;
    virtual CalendarTime Now() const = 0;
};

// The machine's local wall-clock time.
class SystemClock final : public IClock {
public:
    CalendarTime Now() const override;
};

// A clock that shows a set time, for tests and deterministic output.
class FixedClock final : public IClock {
public:
    explicit FixedClock(CalendarTime time) : m_time(time) {}
    CalendarTime Now() const override { return m_time; }
    void Set(CalendarTime time) { m_time = time; }

private:
    CalendarTime m_time;
};
