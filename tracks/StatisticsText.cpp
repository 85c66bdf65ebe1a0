#include "tracks/StatisticsText.h"

#include "platform/ClassicLocaleScope.h"

#include <cstdio>
#include <span>

namespace {

constexpr double kFeetPerMetre = 3.28083;
constexpr const char* kUnknown = "Unknown";

// Sized to the value: an absurd one from a broken receiver (1e308 kn, 309 digits) is shown
// whole, never cut off before its unit.
std::string Printf(const char* format, double value) {
    const ClassicLocaleScope classic;
    const int length = std::snprintf(nullptr, 0, format, value);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, format, value);
    return text;
}

constexpr int kEgnos[] = {33, 37, 39};
constexpr int kWaas[] = {35, 47, 48, 51};
constexpr int kMtsat1[] = {42};
constexpr int kMtsat2[] = {50};

// Satellite-based augmentation systems by the PRNs of their satellites, in the order shown.
struct Augmentation {
    const char* name;
    std::span<const int> prns;
};

constexpr Augmentation kAugmentations[] = {
    {"(EGNOS)", kEgnos},
    {"(WAAS)", kWaas},
    {"(MTSAT-1)", kMtsat1},
    {"(MTSAT-2)", kMtsat2},
};

} // namespace

double AltitudeInUnits(double metres, DistanceUnit units) {
    return units == DistanceUnit::Kilometers ? metres : metres * kFeetPerMetre;
}

std::string FormatTripDistance(double nauticalMiles, DistanceUnit units) {
    const char* format = units == DistanceUnit::Kilometers     ? "%.1fkm"
                         : units == DistanceUnit::StatuteMiles ? "%.1fmi"
                                                               : "%.1fnmi";
    return Printf(format, ToDisplayUnit(nauticalMiles, units));
}

std::string FormatSpeed(double knots, DistanceUnit units) {
    const char* format = units == DistanceUnit::Kilometers     ? "%.1fkm/h"
                         : units == DistanceUnit::StatuteMiles ? "%.1fmph"
                                                               : "%.1fkn";
    return Printf(format, ToDisplayUnit(knots, units));
}

std::string FormatAltitude(double metres, DistanceUnit units) {
    return Printf(units == DistanceUnit::Kilometers ? "%.1fm" : "%.1fft",
                  AltitudeInUnits(metres, units));
}

std::string FormatTimeSpan(std::int64_t seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%lld, %02d:%02d:%02d",
                  static_cast<long long>(seconds / 86400), static_cast<int>(seconds / 3600 % 24),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

std::string FormatSatellites(int inUse, int inView, const CTrack::SatelliteNumbers& used) {
    if (inView <= 0) {
        return "(0)(Searching)";
    }
    char counts[32];
    std::snprintf(counts, sizeof counts, "%d(%d) ", inUse, inView);
    std::string text = counts;
    if (inUse <= 0) {
        return text + "(Acquiring)";
    }
    for (const Augmentation& system : kAugmentations) {
        bool inList = false;
        for (const int prn : used) {
            for (const int candidate : system.prns) {
                inList = inList || prn == candidate;
            }
        }
        if (inList) {
            text += system.name;
        }
    }
    return text;
}

std::vector<StatisticsLine> TrackStatisticsLines(const CTrack& track, DistanceUnit units) {
    return {
        {"TRIP: ", FormatTripDistance(track.TripDistance(), units)},
        {"MXSPD: ", FormatSpeed(track.MaxSpeed(), units)},
        {"AVSPD: ", FormatSpeed(track.AverageSpeed(), units)},
        {"ALT(max): ",
         track.MaxAltitudeIndex() >= 0 ? FormatAltitude(track.MaxAltitude(), units) : kUnknown},
        {"ALT(min): ",
         track.MinAltitudeIndex() >= 0 ? FormatAltitude(track.MinAltitude(), units) : kUnknown},
        {"ELPSD: ", FormatTimeSpan(track.ElapsedSeconds())},
        {"TTIME: ", FormatTimeSpan(track.TripTimeSeconds())},
        {"Satellites: ", FormatSatellites(track.SatellitesInUse(), track.SatellitesInView(),
                                          track.SatellitesUsed())},
    };
}
