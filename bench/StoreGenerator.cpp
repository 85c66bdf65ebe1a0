#include "bench/StoreGenerator.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// The finished line: text from "$" to "*", the XOR of what lies between, CR LF.
void AppendLine(std::string& out, const std::string& body) {
    unsigned checksum = 0;
    for (const char c : body) {
        checksum ^= static_cast<unsigned char>(c);
    }
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", checksum);
    out += "$" + body + tail;
}

std::string Coordinate(double degrees, bool latitude) {
    const double magnitude = std::fabs(degrees);
    const double whole = std::floor(magnitude);
    char text[32];
    std::snprintf(text, sizeof text, latitude ? "%09.4f,%c" : "%010.4f,%c",
                  whole * 100.0 + (magnitude - whole) * 60.0,
                  latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E'));
    return text;
}

std::string Numbered(const char* prefix, int number, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%0*d", prefix, digits, number);
    return text;
}

} // namespace

std::string GenerateStoreText(int waypoints, int routes, int routeLength, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> latitude(35.0, 60.0);
    std::uniform_real_distribution<double> longitude(-10.0, 30.0);
    std::uniform_int_distribution<int> pick(1, waypoints > 0 ? waypoints : 1);

    std::string out;
    out.reserve(static_cast<std::size_t>(waypoints) * 45 +
                static_cast<std::size_t>(routes) * static_cast<std::size_t>(routeLength) * 10);
    AppendLine(out, "PZRVPVD,Velmora Recorder 3,v3.9.91");
    for (int i = 1; i <= waypoints; ++i) {
        AppendLine(out, "GPWPL," + Coordinate(latitude(random), true) + "," +
                            Coordinate(longitude(random), false) + "," + Numbered("WP", i, 6));
    }
    for (int r = 1; r <= routes && waypoints > 0; ++r) {
        const std::string name = Numbered("RT", r, 4);
        std::vector<std::string> names;
        for (int i = 0; i < routeLength; ++i) {
            names.push_back(Numbered("WP", pick(random), 6));
        }
        // Names go into a sentence while they fit 42 characters less the route name and its
        // comma, each counted with its comma.
        const std::size_t budget = 42 - (name.size() + 1);
        std::vector<std::string> sentences;
        std::string fields;
        std::size_t used = 0;
        for (const std::string& waypoint : names) {
            if (used + waypoint.size() + 1 > budget && !fields.empty()) {
                sentences.push_back(fields);
                fields.clear();
                used = 0;
            }
            fields += "," + waypoint;
            used += waypoint.size() + 1;
        }
        if (!fields.empty()) {
            sentences.push_back(fields);
        }
        for (std::size_t s = 0; s < sentences.size(); ++s) {
            AppendLine(out, "GPRTE," + std::to_string(sentences.size()) + "," +
                                std::to_string(s + 1) + ",C," + name + sentences[s]);
        }
    }
    return out;
}
