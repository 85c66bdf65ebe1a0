#include "tracks/StatisticsPanelText.h"

#include "navigation/TextFormat.h"

#include <cstdio>

namespace {

constexpr const char* kUnknown = "Unknown";

// Positions of the track lines of TrackStatisticsLines.
enum TrackLine { kTrip, kMaxSpeed, kAverageSpeed, kAltMax, kAltMin, kElapsed, kTripTime, kSats };

} // namespace

std::string FormatCourse(double degrees) {
    return Format("%.2f\u00b0 ", degrees);
}

void StatisticsPanelText::Configure(DistanceUnit units, bool fullStatistic, int selectedField) {
    m_units = units;
    m_full = fullStatistic;
    m_selectedField = selectedField;
    Layout();
}

void StatisticsPanelText::Read(const CTrack& track, bool everything) {
    m_trackLines = TrackStatisticsLines(track, m_units);
    if (track.PointCount() == 0) {
        // A track emptied since the last read (a recording that was not kept): nothing of its
        // last point may stay beside the empty track's lines.
        ClearNewestPoint();
    } else if (everything || track.SatellitesInUse() > 0) {
        const TrackPoint newest = track.PointAt(track.LastIndex());
        m_speed = FormatSpeed(newest.SpeedOverGround(), m_units);
        m_course = FormatCourse(newest.CourseOverGround());
        m_altitude = newest.HasAltitude() ? FormatAltitude(newest.Altitude(), m_units) : kUnknown;
        m_latitude = newest.Position().Latitude().DisplayText();
        m_longitude = newest.Position().Longitude().DisplayText();
    }
    Layout();
}

void StatisticsPanelText::SetProgress(int percent, const std::string& trackName) {
    m_progress.clear();
    if (!trackName.empty()) {
        char text[32];
        std::snprintf(text, sizeof text, "file reading:%d", percent);
        m_progress = std::string(text) + " " + trackName;
    }
    Layout();
}

void StatisticsPanelText::Clear() {
    m_trackLines.clear();
    ClearNewestPoint();
    m_progress.clear();
    Layout();
}

void StatisticsPanelText::ClearNewestPoint() {
    m_speed.clear();
    m_course.clear();
    m_altitude.clear();
    m_latitude.clear();
    m_longitude.clear();
}

void StatisticsPanelText::Layout() {
    m_texts = {};
    m_selectedSlot = -1;
    if (m_trackLines.empty()) {
        m_texts[kProgressSlot] = m_progress;
        return;
    }
    const auto value = [](const std::string& text) { return text.empty() ? kUnknown : text; };
    const auto& lines = m_trackLines;
    struct Line {
        std::string text;
        int field; // trip-data field number, 0 for none
    };
    std::vector<Line> shown = {
        {lines[kTrip].label + lines[kTrip].value, 1},
        {"SPD: " + std::string(value(m_speed)), 2},
        {"TRK: " + std::string(value(m_course)), 5},
        {"ALT: " + std::string(value(m_altitude)), 6},
        {lines[kMaxSpeed].label + lines[kMaxSpeed].value, 3},
        {lines[kAverageSpeed].label + lines[kAverageSpeed].value, 4},
    };
    if (m_full) {
        shown.push_back({lines[kAltMax].label + lines[kAltMax].value, 0});
        shown.push_back({lines[kAltMin].label + lines[kAltMin].value, 0});
    }
    shown.push_back({lines[kElapsed].label + lines[kElapsed].value, 7});
    shown.push_back({lines[kTripTime].label + lines[kTripTime].value, 8});
    shown.push_back({lines[kSats].label + lines[kSats].value, 0});
    if (m_full) {
        shown.push_back({value(m_latitude), 0});
        shown.push_back({value(m_longitude), 0});
    }
    for (std::size_t slot = 0; slot < shown.size(); ++slot) {
        m_texts[slot] = shown[slot].text;
        if (shown[slot].field == m_selectedField) {
            m_selectedSlot = static_cast<int>(slot);
        }
    }
    m_texts[kProgressSlot] = m_progress;
}
