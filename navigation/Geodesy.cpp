#include "navigation/Geodesy.h"

#include <algorithm>
#include <cmath>

namespace {

// The truncated decimal values are used as written: stored files and peers were made with
// them, and a full-precision pi would move every result in its last digits.
constexpr double kDegToRad = 0.01745329252;
constexpr double kRadToDeg = 57.2957795129;
constexpr double kHalfPi = 1.570796326795;
constexpr double kGridPerDegree = 360000.0; // 0.01 arc-second
constexpr double kFlattening = 0.0033528106647474805;
constexpr double kTwiceEquatorialRadiusNmi = 6888.38795982;
constexpr double kRadiansPerNmi = 0.0002906689455188034;
constexpr double kLargestCourse = 359.999999;

double Square(double x) {
    return x * x;
}

// asin and acos of a value that rounding may have pushed just outside [-1, 1].
double SafeAsin(double x) {
    return std::asin(std::clamp(x, -1.0, 1.0));
}

double SafeAcos(double x) {
    return std::acos(std::clamp(x, -1.0, 1.0));
}

// A degree value on the 0.01 arc-second grid: truncation of value * 360000 + 0.5 toward zero.
// Kept as a double so that any finite input (even the unset marker) stays defined; for
// real coordinates it equals the 32-bit integer the grid is meant to be.
double OnGrid(double degrees) {
    return std::trunc(degrees * kGridPerDegree + 0.5);
}

// A longitude difference on the grid taken the shorter way round, so that a target just
// across the +-180 meridian lies east or west as it does on the globe. Differences of at most
// half the globe stay as they are.
double ShorterWay(double gridDifference) {
    constexpr double kHalf = 180.0 * kGridPerDegree;
    constexpr double kFull = 360.0 * kGridPerDegree;
    if (gridDifference >= -kHalf && gridDifference <= kHalf) {
        return gridDifference;
    }
    const double d = std::fmod(gridDifference, kFull);
    if (d > kHalf) {
        return d - kFull;
    }
    return d < -kHalf ? d + kFull : d;
}

} // namespace

double GetDistance(double lat1, double lon1, double lat2, double lon2) {
    if (lat1 == lat2 && lon1 == lon2) {
        return 0.0;
    }
    const double phi1 = lat1 * kDegToRad;
    const double phi2 = lat2 * kDegToRad;
    const double f = (phi1 + phi2) / 2.0;
    const double g = (phi1 - phi2) / 2.0;
    const double lambda1 = lon1 * -kDegToRad;
    const double lambda2 = lon2 * -kDegToRad;
    const double l = (lambda1 - lambda2) / 2.0;

    const double sin2L = Square(std::sin(l));
    const double cos2L = Square(std::cos(l));
    const double sin2F = Square(std::sin(f));
    const double cos2F = Square(std::cos(f));
    const double sin2G = Square(std::sin(g));
    const double cos2G = Square(std::cos(g));

    const double s = sin2L * cos2F + cos2L * sin2G;
    const double c = sin2F * sin2L + cos2G * cos2L;
    const double w = std::atan2(std::sqrt(s), std::sqrt(c));
    if (w == 0.0) {
        // Closer than the formula resolves in double precision.
        return 0.0;
    }
    // Neither denominator vanishes: s > 0 once w > 0, and c >= cos2G*cos2L, which is never 0
    // because the cosine of a double never is. The corrections stay small even next to
    // coincident or antipodal positions, as cos2G*sin2F/c and cos2F*sin2G/s never exceed 1.
    const double r3 = 3.0 * std::sqrt(c * s) / w;
    const double term1 = (r3 - 1.0) * cos2G * sin2F / (2.0 * c);
    const double term2 = (r3 + 1.0) * cos2F * sin2G / (2.0 * s);
    const double k = 1.0 + kFlattening * term1 - kFlattening * term2;
    return k * (w * kTwiceEquatorialRadiusNmi);
}

double GetAzimuth(double lat1, double lon1, double lat2, double lon2) {
    if (lat1 == lat2 && lon1 == lon2) {
        return -1.0;
    }
    const double a1 = OnGrid(lat1);
    const double a2 = OnGrid(lat2);
    const double eastward = ShorterWay(OnGrid(lon2) - OnGrid(lon1));

    if (a1 == a2) {
        if (eastward > 0.0) {
            return 90.0;
        }
        return eastward < 0.0 ? 270.0 : 0.0;
    }
    if (eastward == 0.0) {
        return a1 > a2 ? 180.0 : 0.0;
    }

    const double phi1 = lat1 * kDegToRad;
    const double phi2 = lat2 * kDegToRad;
    // Each longitude is converted before the difference, so that even the unset marker on both
    // sides cannot overflow it.
    const double deltaLambda = lon2 * kDegToRad - lon1 * kDegToRad;
    const double central = SafeAcos(std::cos(deltaLambda) * std::cos(phi1) * std::cos(phi2) +
                                    std::sin(phi1) * std::sin(phi2));
    const double sinCentral = std::sin(central);
    // Where the course is undetermined (a pole, antipodes) the sine ratio can be any size, even
    // infinite; the clamp in SafeAsin keeps it a course and the quadrant decides.
    const double a = SafeAsin(std::sin(deltaLambda) / sinCentral * std::cos(phi2)) * kRadToDeg;

    double course = 0.0;
    if (a2 > a1) {
        course = eastward > 0.0 ? a : a + 360.0;
    } else {
        course = 180.0 - a;
    }
    // Rounding at the edges of a quadrant can leave the value just outside [0, 360).
    if (course >= 360.0) {
        course -= 360.0;
    }
    if (course < 0.0) {
        course += 360.0;
    }
    return course >= 360.0 ? 0.0 : course;
}

void GetDestinationPoint(double lat, double lon, double distance, double course, double& lat2,
                         double& lon2) {
    if (distance == 0.0 || course < 0.0 || course > kLargestCourse) {
        lat2 = lat;
        lon2 = lon;
        return;
    }
    const double d = distance * kRadiansPerNmi;
    const double theta = (90.0 - lat) * kDegToRad;
    const double beta = course * kDegToRad;
    const double theta2 =
        SafeAcos(std::cos(beta) * std::sin(theta) * std::sin(d) + std::cos(theta) * std::cos(d));
    const double sinTheta2 = std::sin(theta2);
    // Arriving exactly at a pole, every longitude is the same place; keep the start's.
    const double deltaLambda =
        sinTheta2 > 0.0 ? SafeAsin(std::sin(beta) / sinTheta2 * std::sin(d)) : 0.0;
    lat2 = (kHalfPi - theta2) * kRadToDeg;
    lon2 = lon + deltaLambda * kRadToDeg;
}
