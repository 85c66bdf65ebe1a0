#include "tracks/StatisticsText.h"

#include <cstdio>
#include <initializer_list>

namespace {

constexpr double kKilometresPerNmi = 1.852;
constexpr double kStatuteMilesPerNmi = 1.15077945;
constexpr double kFeetPerMetre = 3.28083;
constexpr const char* kUnknown = "Unknown";

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

struct Augmentation {
    const char* name;
    std::initializer_list<int> prns;
};

const Augmentation kAugmentations[] = {
    {"(EGNOS)", {33, 37, 39}},
    {"(WAAS)", {35, 47, 48, 51}},
    {"(MTSAT-1)", {42}},
    {"(MTSAT-2)", {50}},
};

} // namespace

double DistanceInUnits(double nauticalMiles, DistanceUnits units) {
    switch (units) {
    case DistanceUnits::Kilometres:
        return nauticalMiles * kKilometresPerNmi;
    case DistanceUnits::StatuteMiles:
        return nauticalMiles * kStatuteMilesPerNmi;
    case DistanceUnits::NauticalMiles:
        break;
    }
    return nauticalMiles;
}

double AltitudeInUnits(double metres, DistanceUnits units) {
    return units == DistanceUnits::Kilometres ? metres : metres * kFeetPerMetre;
}

std::string FormatDistance(double nauticalMiles, DistanceUnits units) {
    const char* format = units == DistanceUnits::Kilometres     ? "%.1fkm"
                         : units == DistanceUnits::StatuteMiles ? "%.1fmi"
                                                                : "%.1fnmi";
    return Printf(format, DistanceInUnits(nauticalMiles, units));
}

std::string FormatSpeed(double knots, DistanceUnits units) {
    const char* format = units == DistanceUnits::Kilometres     ? "%.1fkm/h"
                         : units == DistanceUnits::StatuteMiles ? "%.1fmph"
                                                                : "%.1fkn";
    return Printf(format, DistanceInUnits(knots, units));
}

std::string FormatAltitude(double metres, DistanceUnits units) {
    return Printf(units == DistanceUnits::Kilometres ? "%.1fm" : "%.1fft",
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

std::vector<StatisticsLine> TrackStatisticsLines(const CTrack& track, DistanceUnits units) {
    return {
        {"TRIP: ", FormatDistance(track.TripDistance(), units)},
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
