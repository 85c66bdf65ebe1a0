#include "nmea/FixRecord.h"

namespace {

constexpr CalendarTime kSecondsPerDay = 86400;

// The no-date marker is the day 1999-01-01 of the naive calendar.
bool HasKnownDate(CalendarTime time) {
    return time < kNoDateTime || time >= kNoDateTime + kSecondsPerDay;
}

CalendarTime SecondOfDay(CalendarTime time) {
    return ((time % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
}

} // namespace

void CFixRecord::UpdateCompleteness() {
    m_complete = m_timePresent && m_positionPresent && m_rmcDataPresent && m_ggaDataPresent;
}

void CFixRecord::ApplyEpochRule(CalendarTime offered) {
    if (m_timePresent && SecondOfDay(m_time) == SecondOfDay(offered)) {
        const bool heldHasDate = HasKnownDate(m_time);
        const bool offeredHasDate = HasKnownDate(offered);
        if (!heldHasDate && offeredHasDate) {
            m_time = offered; // the epoch gains its date
            return;
        }
        if (heldHasDate && !offeredHasDate) {
            return;
        }
    }
    // The first time, a new second, or a second sentence of the same kind (both with or both
    // without a date): whatever an unfinished epoch gathered is dropped.
    Reset();
    m_time = offered;
    m_timePresent = true;
}

void CFixRecord::SetPosition(const CLatLong& position) {
    if (m_positionPresent) {
        return;
    }
    m_position = position;
    m_positionPresent = true;
}
