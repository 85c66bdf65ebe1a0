#pragma once

#include "nmea/Coordinates.h"
#include "nmea/Markers.h"
#include "nmea/Sentence.h"
#include "platform/CalendarTime.h"

#include <array>
#include <cstdint>

// Where a driving view drew a point (screen pixels).
struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

// The fix of one receiver epoch (one second of receiver output): what GGA, RMC, GSA and GSV of
// that second report. A track stores complete records as its points (copied by value).
class CFixRecord {
public:
    static constexpr int kSatelliteSlots = 12;
    // PRNs of the satellites used in the fix; kUnknownCount in every slot when none reported.
    using SatelliteList = std::array<std::int32_t, kSatelliteSlots>;

    // Back to the values of a new record: no flags, time 1999-01-01 00:00:00, position unset,
    // speed, course, variation, trip distance 0, satellite counts and PRNs -1, altitude and
    // geoidal separation absent (kAbsentReal), screen points 0.
    void Reset() { *this = CFixRecord(); }

    // Time, position, RMC data and GGA data all present (as of the last UpdateCompleteness).
    bool IsComplete() const { return m_complete; }
    bool HasTime() const { return m_timePresent; }
    bool HasPosition() const { return m_positionPresent; }
    bool HasRmcData() const { return m_rmcDataPresent; }
    bool HasGgaData() const { return m_ggaDataPresent; }
    void SetRmcDataPresent(bool present) { m_rmcDataPresent = present; }
    void SetGgaDataPresent(bool present) { m_ggaDataPresent = present; }

    // complete := time, position, RMC data and GGA data all present.
    void UpdateCompleteness();

    // The epoch rule: a sentence offers its time. Times of the same hour, minute and second
    // join one epoch when exactly one of them carries a date (the record keeps or gains the
    // date); any other time, the first one aside, starts a new epoch: the whole record is reset
    // and holds only this time. The rule always accepts the offered time.
    void ApplyEpochRule(CalendarTime offered);

    CalendarTime Time() const { return m_time; }
    // Sets the time value only; the epoch rule is what marks it present.
    void SetTime(CalendarTime time) { m_time = time; }

    const CLatLong& Position() const { return m_position; }
    // Stores the position only when none is present yet in this epoch, then marks it present.
    void SetPosition(const CLatLong& position);

    double SpeedOverGround() const { return m_speedOverGround; } // knots
    void SetSpeedOverGround(double knots) { m_speedOverGround = knots; }
    double CourseOverGround() const { return m_courseOverGround; } // degrees true
    void SetCourseOverGround(double degrees) { m_courseOverGround = degrees; }
    double MagneticVariation() const { return m_magneticVariation; } // degrees
    void SetMagneticVariation(double degrees) { m_magneticVariation = degrees; }
    EastWest VariationDirection() const { return m_variationDirection; }
    void SetVariationDirection(EastWest direction) { m_variationDirection = direction; }

    // -1 when not reported.
    int SatellitesInUse() const { return m_satellitesInUse; }
    void SetSatellitesInUse(int count) { m_satellitesInUse = count; }
    int SatellitesInView() const { return m_satellitesInView; }
    void SetSatellitesInView(int count) { m_satellitesInView = count; }

    // Metres above mean sea level; kAbsentReal when the fix has no altitude.
    double Altitude() const { return m_altitude; }
    void SetAltitude(double metres) { m_altitude = metres; }
    bool HasAltitude() const { return m_altitude != kAbsentReal; }
    // Metres; kAbsentReal when absent.
    double GeoidalSeparation() const { return m_geoidalSeparation; }
    void SetGeoidalSeparation(double metres) { m_geoidalSeparation = metres; }

    // Nautical miles from the start of the track to this point; written by the track.
    double TripDistance() const { return m_tripDistance; }
    void SetTripDistance(double nauticalMiles) { m_tripDistance = nauticalMiles; }

    const SatelliteList& SatellitesUsed() const { return m_satellitesUsed; }
    void SetSatellitesUsed(const SatelliteList& prns) { m_satellitesUsed = prns; }
    // The first PRN slot is not -1.
    bool HasSatellitesUsed() const { return m_satellitesUsed[0] != kUnknownCount; }

    // Cached by the driving views where they drew this point.
    ScreenPoint PlotPoint() const { return m_plotPoint; }
    void SetPlotPoint(ScreenPoint point) { m_plotPoint = point; }
    ScreenPoint ProfilePoint() const { return m_profilePoint; }
    void SetProfilePoint(ScreenPoint point) { m_profilePoint = point; }

private:
    static SatelliteList NoSatellites() {
        SatelliteList list{};
        list.fill(kUnknownCount);
        return list;
    }

    bool m_complete = false;
    bool m_timePresent = false;
    bool m_positionPresent = false;
    bool m_rmcDataPresent = false;
    bool m_ggaDataPresent = false;
    EastWest m_variationDirection = EastWest::None;
    ScreenPoint m_plotPoint;
    ScreenPoint m_profilePoint;
    CalendarTime m_time = kNoDateTime;
    CLatLong m_position;
    double m_speedOverGround = 0.0;
    double m_courseOverGround = 0.0;
    double m_magneticVariation = 0.0;
    double m_altitude = kAbsentReal;
    double m_geoidalSeparation = kAbsentReal;
    double m_tripDistance = 0.0;
    std::int32_t m_satellitesInUse = kUnknownCount;
    std::int32_t m_satellitesInView = kUnknownCount;
    SatelliteList m_satellitesUsed = NoSatellites();
};
