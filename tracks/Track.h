#pragma once

#include "nmea/FixRecord.h"
#include "nmea/NmeaDecoder.h"
#include "nmea/SentenceTypes.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

// A stored point: a copy of the fix of one epoch, with the trip distance the track wrote
// into it.
using TrackPoint = CFixRecord;

// Playback settings of a track; their commands arrive with playback.
enum class PlaybackMode : std::int32_t { Pause = 1, Play = 2 };
enum class PlaybackDirection : std::int32_t { Forward = 1, Reverse = 2 };

// A track: the receiver decoder extended with the stored points and their running
// statistics (trip odometer, speed and altitude extremes, average speed, elapsed and moving
// time, satellites, bounds) and the playback cursor. The document holds two: track 1 (a
// record file loaded for playback) and track 2 (the live recording).
//
// No lock of its own: the owner guards each track with its track lock. Only the playback
// mode, direction and speed zoom may be changed without it (single words that the playback
// thread reads on its next burst).
class CTrack : public CNmeaDecoder {
public:
    static constexpr int kSatelliteSlots = CFixRecord::kSatelliteSlots;
    using SatelliteNumbers = std::array<std::int32_t, kSatelliteSlots>;

    // The odometer advances only in steps longer than this from its anchor (50 m), which
    // filters position jitter while standing.
    static constexpr double kOdometerStepNmi = 0.02699784;
    // A fix faster than this counts as moving for the trip time.
    static constexpr double kMovingSpeedKnots = 0.5;

    CTrack();

    // Decodes one line into the current fix and runs the point rule. True when the line was a
    // sentence of a known type that its type accepted. outOfMemory is raised when a point
    // could not be stored.
    bool DecodeLine(std::string_view text, bool& outOfMemory);

    // Decodes the input sentence (see DecodeLine).
    bool Decode() override;

    // Composes the sentence of that mnemonic from the point under the playback cursor. False,
    // with the output sentence empty, when the cursor is on no point or the mnemonic is not
    // one of the track's types.
    bool Compose(std::string_view mnemonic) override;

    // Stores a fix as a point when the statistics accept it (a new position). Returns its
    // index, or -1 when it was not stored: a fix without a position, the same position as the
    // last point (which then takes the fix's time, and the altitude and GGA data it lacked,
    // the altitude entering ALT(max)/ALT(min) unless it is the first point), or out of memory
    // (flag raised).
    int AddPoint(const TrackPoint& fix, bool& outOfMemory);

    // Empties the track: points, fixes, statistics, satellites and bounds back to their
    // initial values; display name back to the application name, file name empty. The
    // playback mode, direction and speed zoom stay.
    void Reset() override;

    // --- Points and cursor ---------------------------------------------------------------

    int PointCount() const { return static_cast<int>(m_points.size()); }
    // PointCount() - 1.
    int LastIndex() const { return PointCount() - 1; }
    // The point at an index; an empty point when out of range.
    TrackPoint PointAt(int index) const;
    // The stored point itself, for the driving views that note in it where they drew it; null
    // when out of range.
    TrackPoint* StoredPoint(int index);
    // -1 exactly when the track is empty.
    int CurrentIndex() const { return m_currentIndex; }
    // Moves the playback cursor; false (nothing changes) when the index is not
    // 0..PointCount()-1.
    bool SetCurrentIndex(int index);
    TrackPoint CurrentPoint() const { return PointAt(m_currentIndex); }
    const CFixRecord& CurrentFix() const { return m_fix; }
    // For a track read only to be written out point by point: hands every stored point but
    // the last to `take`, oldest first, and forgets it, so that the track holds a point or two
    // however long the file. The last stays, as a fix at its position may still complete it.
    // The statistics go on; their point indices then name points that are no longer held.
    void HandOnSettledPoints(const std::function<void(const TrackPoint&)>& take);

    PlaybackMode GetPlaybackMode() const { return m_playbackMode.load(); }
    void SetPlaybackMode(PlaybackMode mode) { m_playbackMode.store(mode); }
    PlaybackDirection GetPlaybackDirection() const { return m_playbackDirection.load(); }
    void SetPlaybackDirection(PlaybackDirection direction) { m_playbackDirection.store(direction); }
    int GetSpeedZoom() const { return m_speedZoom.load(); }
    void SetSpeedZoom(int zoom) { m_speedZoom.store(zoom); }

    // --- Statistics ----------------------------------------------------------------------

    // TRIP, nautical miles.
    double TripDistance() const { return m_tripDistance; }
    // MXSPD, knots, and its point (-1 until a point after the first is stored).
    double MaxSpeed() const { return m_maxSpeed; }
    int MaxSpeedIndex() const { return m_maxSpeedIndex; }
    // AVSPD over the stored points after the first, knots.
    double AverageSpeed() const { return m_averageSpeed; }
    // ALT(max), ALT(min), metres; -kAbsentReal / kAbsentReal and index -1 while no point
    // with an altitude has entered them.
    double MaxAltitude() const { return m_maxAltitude; }
    int MaxAltitudeIndex() const { return m_maxAltitudeIndex; }
    double MinAltitude() const { return m_minAltitude; }
    int MinAltitudeIndex() const { return m_minAltitudeIndex; }
    // Time of the first and the last point; kNoDateTime before the first point.
    CalendarTime StartTime() const { return m_startTime; }
    CalendarTime LastTime() const { return m_lastTime; }
    // ELPSD: seconds from the first to the last point.
    std::int64_t ElapsedSeconds() const { return m_elapsed; }
    // TTIME: one second for each point at a new second while moving.
    std::int32_t TripTimeSeconds() const { return m_tripTime; }

    int SatellitesInView() const { return m_satellitesInView; }
    int SatellitesInUse() const { return m_satellitesInUse; }
    // PRNs of the satellites in use; all 0 when none are in use.
    const SatelliteNumbers& SatellitesUsed() const { return m_satellitesUsed; }

    // The box of every stored point, signed decimal degrees; all 0 while the track is empty.
    // The longitudes run eastward from West to East, so a track across the 180 meridian has
    // West > East.
    double West() const { return m_west; }
    double East() const { return m_east; }
    double South() const { return m_south; }
    double North() const { return m_north; }

    // --- Names ---------------------------------------------------------------------------

    const std::string& DisplayName() const { return m_displayName; }
    void SetDisplayName(std::string name) { m_displayName = std::move(name); }
    const std::string& FileName() const { return m_fileName; }
    void SetFileName(std::string name) { m_fileName = std::move(name); }

private:
    struct StepResult {
        bool accepted = false;
        bool newMaxSpeed = false;
        bool newMaxAltitude = false;
        bool newMinAltitude = false;
        bool samePosition = false;
    };

    void ApplyPointRule(bool& outOfMemory);
    void UpdateSatellites();
    // A fix at the position of the last point: that point takes its time and what it lacks
    // of its altitude and GGA data.
    void CompleteLastPoint(const TrackPoint& fix);
    // ALT(max) and ALT(min) with the point index they come from.
    void EnterAltitude(double metres, int index);
    StepResult StatisticsStep(const TrackPoint& fix);
    void ExtendBounds(double latitude, double longitude);
    void ResetStatistics();

    CGgaSentence m_gga;
    CGllSentence m_gll;
    CGsaSentence m_gsa;
    CGsvSentence m_gsv;
    CRmcSentence m_rmc;
    CVtgSentence m_vtg;

    CFixRecord m_fix;
    TrackPoint m_pending;
    // A deque never moves its points when it grows: no reallocation peak over a long track.
    std::deque<TrackPoint> m_points;
    std::int32_t m_currentIndex = -1;
    bool m_outOfMemory = false; // raised by Decode, handed on by DecodeLine

    bool m_hasPreviousPoint = false;
    double m_previousLatitude = 0.0;
    double m_previousLongitude = 0.0;
    double m_anchorLatitude = 0.0;
    double m_anchorLongitude = 0.0;

    double m_tripDistance = 0.0;
    double m_maxAltitude = -kAbsentReal;
    std::int32_t m_maxAltitudeIndex = -1;
    double m_minAltitude = kAbsentReal;
    std::int32_t m_minAltitudeIndex = -1;
    double m_maxSpeed = 0.0;
    std::int32_t m_maxSpeedIndex = -1;
    std::uint32_t m_speedSamples = 0;
    // Wider than the speeds it adds, so that absurd values from a broken receiver (1e308 kn)
    // cannot overflow it into an infinite average.
    long double m_speedSum = 0.0L;
    double m_averageSpeed = 0.0;
    CalendarTime m_startTime = kNoDateTime;
    CalendarTime m_lastTime = kNoDateTime;
    std::int64_t m_elapsed = 0;
    std::int64_t m_previousElapsed = 0;
    std::int32_t m_tripTime = 0;
    std::int32_t m_satellitesInView = 0;
    std::int32_t m_satellitesInUse = 0;
    SatelliteNumbers m_satellitesUsed{};
    double m_west = 0.0;
    double m_east = 0.0;
    double m_south = 0.0;
    double m_north = 0.0;

    std::atomic<PlaybackMode> m_playbackMode{PlaybackMode::Pause};
    std::atomic<PlaybackDirection> m_playbackDirection{PlaybackDirection::Forward};
    std::atomic<std::int32_t> m_speedZoom{1};

    std::string m_displayName;
    std::string m_fileName;
};
