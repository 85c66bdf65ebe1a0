#pragma once

#include "navigation/DistanceUnits.h"
#include "tracks/StatisticsText.h"
#include "tracks/Track.h"

#include <array>
#include <string>
#include <vector>

// The texts of the statistics panel beside a track view, one per line slot. The lines follow
// each other from the top; the full statistic adds the altitude extremes and the position.
// The last slot is kept for the loading progress.
class StatisticsPanelText {
public:
    static constexpr int kSlotCount = 14;
    static constexpr int kProgressSlot = kSlotCount - 1;
    using Slots = std::array<std::string, kSlotCount>;

    // The panel of a track view: the unit, whether the full statistic is shown, and the
    // trip-data field the user selected (1 TRIP, 2 SPD, 3 MXSPD, 4 AVSPD, 5 TRK, 6 ALT,
    // 7 ELPSD, 8 TTIME).
    void Configure(DistanceUnit units, bool fullStatistic, int selectedField);
    // Reads the track (the caller holds its lock). The newest point's SPD, TRK, ALT and
    // position are taken only while the track has satellites in use, or with `everything`;
    // a track without points has none ("Unknown").
    void Read(const CTrack& track, bool everything);
    // "file reading:%d" with the name of the track being loaded; an empty name clears it.
    void SetProgress(int percent, const std::string& trackName);
    void Clear();

    const Slots& Texts() const { return m_texts; }
    // The slot of the selected trip-data field, -1 when it is not shown.
    int SelectedSlot() const { return m_selectedSlot; }

private:
    void Layout();
    void ClearNewestPoint();

    DistanceUnit m_units = DistanceUnit::NauticalMiles;
    bool m_full = true;
    int m_selectedField = 1;
    std::vector<StatisticsLine> m_trackLines;
    std::string m_speed;
    std::string m_course;
    std::string m_altitude;
    std::string m_latitude;
    std::string m_longitude;
    std::string m_progress;
    Slots m_texts;
    int m_selectedSlot = -1;
};

// "%.2f° " of a course in degrees.
std::string FormatCourse(double degrees);
