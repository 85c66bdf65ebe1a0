#include "navigation/Geodesy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>

namespace {

struct Leg {
    const char* label;
    double lat1, lon1, lat2, lon2;
};

std::string Describe(const Leg& leg) {
    char text[160];
    std::snprintf(text, sizeof text, "%s (%.9g, %.9g) -> (%.9g, %.9g)", leg.label, leg.lat1,
                  leg.lon1, leg.lat2, leg.lon2);
    return text;
}

// Reference distances. Where the formula reduces to a closed form the expectation is that form
// with the constants as written (2a = 6888.38795982 nmi, degrees to radians 0.01745329252);
// elsewhere it is the geodesic distance (Vincenty) scaled by the same equatorial radius, which
// Andoyer's formula matches to better than 1e-4 of the length.
TEST(GeodesyDistance, MatchesReferenceDistances) {
    constexpr double kTwiceA = 6888.38795982;
    constexpr double kDeg = 0.01745329252;
    // The constant's radius over the WGS-84 one (6378137 m).
    const double scale = kTwiceA * 1852.0 / 2.0 / 6378137.0;
    struct Case {
        Leg leg;
        double expected;
        double tolerance;
    };
    const Case cases[] = {
        {{"one degree along the equator", 0, 0, 0, 1}, kTwiceA * 0.5 * kDeg, 1e-9},
        {{"ten degrees along the equator, westward", 0, 5, 0, -5}, kTwiceA * 5 * kDeg, 1e-9},
        {{"one minute along a meridian at the equator", 0, 0, 1.0 / 60.0, 0},
         0.995089 * scale,
         1e-4},
        {{"equator to pole", 0, 0, 90, 0}, 5400.629443 * scale, 0.5},
        {{"New York to London", 40.6413, -73.7781, 51.4700, -0.4543}, 2999.410794 * scale, 0.3},
        {{"Sydney to Melbourne", -33.9461, 151.1772, -37.6690, 144.8410}, 381.113165 * scale, 0.04},
        {{"Tokyo to San Francisco across 180", 35.5494, 139.7798, 37.6213, -122.3790},
         4484.032699 * scale,
         0.45},
    };
    for (const Case& c : cases) {
        const Leg& l = c.leg;
        EXPECT_NEAR(GetDistance(l.lat1, l.lon1, l.lat2, l.lon2), c.expected, c.tolerance)
            << Describe(l);
        EXPECT_DOUBLE_EQ(GetDistance(l.lat1, l.lon1, l.lat2, l.lon2),
                         GetDistance(l.lat2, l.lon2, l.lat1, l.lon1))
            << "symmetric: " << Describe(l);
    }
}

TEST(GeodesyDistance, IdenticalPositionsAreZeroAndHaveNoCourse) {
    EXPECT_EQ(GetDistance(49.27, -123.18, 49.27, -123.18), 0.0);
    EXPECT_EQ(GetAzimuth(49.27, -123.18, 49.27, -123.18), -1.0);
    EXPECT_EQ(GetDistance(0, 0, 0, 0), 0.0);
    EXPECT_EQ(GetAzimuth(-90, 180, -90, 180), -1.0);
}

// A NaN or an infinity here would poison the odometer of a whole track, so every finite pair
// must give a finite distance >= 0 and a course in [0, 360).
TEST(GeodesyDistance, DegeneratePairsGiveFiniteResults) {
    const double hair = std::nextafter(10.0, 11.0);
    const double huge = std::numeric_limits<double>::max();
    const Leg legs[] = {
        {"antipodes on the equator", 0, 0, 0, 180},
        {"antipodes off the equator", 45, 10, -45, -170},
        {"antipodes near the poles", 89.99999, 0, -89.99999, 180},
        {"pole to pole", 90, 0, -90, 0},
        {"south pole to north pole", -90, 0, 90, 0},
        {"north pole under two longitudes", 90, 0, 90, 180},
        {"north pole to just below it", 90, 0, 89.9999, 180},
        {"a hair apart in longitude", 45, 10, 45, hair},
        {"a hair apart in latitude", 45, 10, std::nextafter(45.0, 46.0), 10},
        {"a subnormal step from the origin", 0, 0, 1e-300, 0},
        {"the same meridian written as +180 and -180", 10, 180, 10, -180},
        {"across 180 eastward", 10, 179, 11, -179},
        {"across 180 westward", 10, -179, 11, 179},
        {"the pole and the pole written past 360 degrees", 90, -180, 450, -179},
        {"unset markers against a position", huge, huge, 0, 0},
        {"unset markers on both sides", huge, huge, -huge, -huge},
    };
    for (const Leg& l : legs) {
        for (const bool reversed : {false, true}) {
            const double a1 = reversed ? l.lat2 : l.lat1;
            const double o1 = reversed ? l.lon2 : l.lon1;
            const double a2 = reversed ? l.lat1 : l.lat2;
            const double o2 = reversed ? l.lon1 : l.lon2;
            const double distance = GetDistance(a1, o1, a2, o2);
            const double course = GetAzimuth(a1, o1, a2, o2);
            EXPECT_TRUE(std::isfinite(distance)) << Describe(l) << " reversed " << reversed;
            EXPECT_GE(distance, 0.0) << Describe(l) << " reversed " << reversed;
            EXPECT_TRUE(course >= 0.0 && course < 360.0)
                << Describe(l) << " reversed " << reversed << ": " << course;
        }
    }
    EXPECT_NEAR(GetDistance(90, 0, -90, 0), 10802.1, 0.1) << "half a meridian";
    EXPECT_NEAR(GetDistance(0, 0, 0, 180), 10820.25, 0.1) << "the formula's equatorial limit";
    EXPECT_EQ(GetDistance(0, 0, 1e-300, 0), 0.0) << "below what the formula resolves";
    EXPECT_NEAR(GetDistance(10, 180, 10, -180), 0.0, 1e-6) << "one meridian, two names";
    EXPECT_NEAR(GetDistance(10, 179, 11, -179), GetDistance(10, -1, 11, 1), 1e-6)
        << "the short way across 180";
}

// Courses by quadrant, decided on the 0.01 arc-second grid, also for legs across 180.
TEST(GeodesyAzimuth, CoursesByQuadrantAndGrid) {
    const double subGrid = 1.0 / 360000.0 / 3.0; // a third of 0.01 arc-second
    const struct {
        Leg leg;
        double low, high; // expected course range; equal bounds for an exact course
    } cases[] = {
        {{"same latitude, east", 10, 20, 10, 21}, 90.0, 90.0},
        {{"same latitude, west", 10, 20, 10, 19}, 270.0, 270.0},
        {{"same longitude, south", 10, 20, 9, 20}, 180.0, 180.0},
        {{"same longitude, north", 10, 20, 11, 20}, 0.0, 0.0},
        {{"apart by less than the grid", 10, 20, 10 + subGrid, 20 + subGrid}, 0.0, 0.0},
        {{"from the north pole", 90, 0, 80, 45}, 135.0, 135.0},
        {{"north-east", 10, 20, 11, 21}, 0.0, 90.0},
        {{"north-west", 10, 20, 11, 19}, 270.0, 360.0},
        {{"south-west", 10, 20, 9, 19}, 180.0, 270.0},
        {{"south-east", 10, 20, 9, 21}, 90.0, 180.0},
        {{"north-east across 180", 10, 179, 11, -179}, 0.0, 90.0},
        {{"north-west across 180", 10, -179, 11, 179}, 270.0, 360.0},
        {{"south-east across 180", 10, 179, 9, -179}, 90.0, 180.0},
        {{"south-west across 180", 10, -179, 9, 179}, 180.0, 270.0},
        {{"same latitude, east across 180", 10, 179.99, 10, -179.99}, 90.0, 90.0},
        {{"same latitude, west across 180", 10, -179.99, 10, 179.99}, 270.0, 270.0},
        {{"180 east and 180 west are one meridian", 10, 180, 9, -180}, 180.0, 180.0},
        {{"half the globe apart stays as it was", 10, 90, 10, -90}, 270.0, 270.0},
    };
    for (const auto& c : cases) {
        const Leg& l = c.leg;
        const double course = GetAzimuth(l.lat1, l.lon1, l.lat2, l.lon2);
        if (c.low == c.high) {
            EXPECT_NEAR(course, c.low, 1e-6) << Describe(l);
        } else {
            EXPECT_GT(course, c.low) << Describe(l);
            EXPECT_LT(course, c.high) << Describe(l);
        }
    }
    // Across 180 the course is that of the same leg away from it.
    EXPECT_NEAR(GetAzimuth(10, 179, 11, -179), GetAzimuth(10, -1, 11, 1), 1e-6);
    EXPECT_NEAR(GetAzimuth(10, -179, 11, 179), GetAzimuth(10, 1, 11, -1), 1e-6);
}

TEST(GeodesyDestination, ArrivesWhereDistanceAndCourseLeadBack) {
    const struct {
        double lat, lon, distance, course;
    } cases[] = {
        {49.5, -123.25, 10.0, 45.0},   {49.5, -123.25, 250.0, 200.0}, {-33.0, 151.0, 60.0, 300.0},
        {0.0, 0.0, 60.0, 90.0},        {10.0, 179.5, 120.0, 80.0},    {-60.0, 20.0, 5.0, 135.0},
        {45.0, 10.0, 0.5, 359.999999},
    };
    for (const auto& c : cases) {
        double lat = 0.0;
        double lon = 0.0;
        GetDestinationPoint(c.lat, c.lon, c.distance, c.course, lat, lon);
        // Different earth models: close, not equal.
        EXPECT_NEAR(GetDistance(c.lat, c.lon, lat, lon), c.distance, c.distance * 0.005)
            << c.distance << " nmi at " << c.course;
        double course = GetAzimuth(c.lat, c.lon, lat, lon);
        if (c.course > 359.0 && course < 1.0) {
            course += 360.0;
        }
        EXPECT_NEAR(course, c.course, 0.5) << c.distance << " nmi at " << c.course;
    }
    double lat = 0.0;
    double lon = 0.0;
    GetDestinationPoint(0.0, 0.0, 60.0, 90.0, lat, lon);
    EXPECT_NEAR(lat, 0.0, 1e-9);
    EXPECT_NEAR(lon, 60.0 / 3440.34 * 57.2957795129, 1e-9) << "sphere of 3440.34 nmi";
    // No distance, or a course outside 0..359.999999: the start position.
    for (const auto& [distance, course] : {std::pair{0.0, 45.0}, {10.0, 360.0}, {10.0, -1.0}}) {
        GetDestinationPoint(49.5, -123.25, distance, course, lat, lon);
        EXPECT_EQ(lat, 49.5) << distance << " nmi at " << course;
        EXPECT_EQ(lon, -123.25) << distance << " nmi at " << course;
    }
}

TEST(GeodesyDestination, PolesAndAntipodesStayFinite) {
    const struct {
        double lat, lon, distance, course;
    } cases[] = {
        // A quarter meridian north from the equator ends exactly on the pole.
        {0.0, 0.0, 90 * 0.01745329252 / 0.0002906689455188034, 0.0},
        {89.0, 0.0, 60.0, 0.0},
        {90.0, 10.0, 60.0, 90.0}, // leaves the pole
        {0.0, 0.0, 3440.34 * 3.14159265358979, 0.0},
        {-90.0, 0.0, 10.0, 180.0},
    };
    for (const auto& c : cases) {
        double lat = 0.0;
        double lon = 0.0;
        GetDestinationPoint(c.lat, c.lon, c.distance, c.course, lat, lon);
        EXPECT_TRUE(std::isfinite(lat) && std::isfinite(lon))
            << c.lat << "," << c.lon << " " << c.distance << " nmi at " << c.course;
        EXPECT_LE(std::fabs(lat), 90.0001);
    }
}

} // namespace
