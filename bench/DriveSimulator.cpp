#include "bench/DriveSimulator.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMaxAccelerationKnots = 2.0; // per second
constexpr double kMaxTurnDegrees = 4.0;       // per second
constexpr double kParkJitterDegrees = 0.00003;

double Normalized(double course) {
    course = std::fmod(course, 360.0);
    return course < 0.0 ? course + 360.0 : course;
}

} // namespace

DriveSimulator::DriveSimulator(double latitude, double longitude, std::uint32_t seed)
    : m_random(seed), m_trueLatitude(latitude), m_trueLongitude(longitude) {
    m_state.latitude = latitude;
    m_state.longitude = longitude;
    m_state.altitudeMetres = 420.0;
    m_state.satellitesInUse = 8;
    m_state.satellitesInView = 11;
    m_phaseSeconds = 30;
}

double DriveSimulator::Uniform(double low, double high) {
    // The raw engine output is portable; the standard distributions are not.
    const double unit = static_cast<double>(m_random()) / 4294967296.0;
    return low + (high - low) * unit;
}

void DriveSimulator::StartNextPhase() {
    const double dice = Uniform(0.0, 1.0);
    if (m_phase != Phase::Drive) {
        m_phase = Phase::Drive;
        m_phaseSeconds = static_cast<int>(Uniform(120.0, 1200.0));
        m_targetSpeed = Uniform(15.0, 65.0);
    } else if (dice < 0.08) {
        m_phase = Phase::Park;
        m_phaseSeconds = static_cast<int>(Uniform(600.0, 3600.0));
    } else {
        m_phase = Phase::Stop;
        m_phaseSeconds = static_cast<int>(Uniform(10.0, 120.0));
    }
}

const DriveSimulator::State& DriveSimulator::Step() {
    if (--m_phaseSeconds <= 0) {
        StartNextPhase();
    }
    State& s = m_state;
    if (m_phase == Phase::Drive) {
        if (Uniform(0.0, 1.0) < 0.02) {
            m_targetSpeed = Uniform(15.0, 65.0);
        }
        if (Uniform(0.0, 1.0) < 0.01) {
            m_targetCourse = Normalized(m_targetCourse + Uniform(-100.0, 100.0));
        }
        if (Uniform(0.0, 1.0) < 0.005) {
            m_slope = Uniform(-60.0, 60.0);
        }
        const double delta = m_targetSpeed - s.speedKnots;
        s.speedKnots += std::clamp(delta, -kMaxAccelerationKnots, kMaxAccelerationKnots);
        double turn = m_targetCourse - s.courseDegrees;
        if (turn > 180.0) {
            turn -= 360.0;
        } else if (turn < -180.0) {
            turn += 360.0;
        }
        s.courseDegrees =
            Normalized(s.courseDegrees + std::clamp(turn, -kMaxTurnDegrees, kMaxTurnDegrees));
    } else {
        s.speedKnots = std::max(0.0, s.speedKnots - 3.0 * kMaxAccelerationKnots);
    }

    const double nmi = s.speedKnots / 3600.0;
    const double course = s.courseDegrees * kPi / 180.0;
    m_trueLatitude += nmi * std::cos(course) / 60.0;
    m_trueLatitude = std::clamp(m_trueLatitude, -80.0, 80.0);
    m_trueLongitude += nmi * std::sin(course) / (60.0 * std::cos(m_trueLatitude * kPi / 180.0));
    if (m_trueLongitude > 180.0) {
        m_trueLongitude -= 360.0;
    } else if (m_trueLongitude < -180.0) {
        m_trueLongitude += 360.0;
    }
    s.altitudeMetres = std::clamp(s.altitudeMetres + m_slope * nmi, 2.0, 2400.0);

    s.latitude = m_trueLatitude;
    s.longitude = m_trueLongitude;
    if (m_phase == Phase::Park) {
        s.latitude += Uniform(-kParkJitterDegrees, kParkJitterDegrees);
        s.longitude += Uniform(-kParkJitterDegrees, kParkJitterDegrees);
    }
    if (Uniform(0.0, 1.0) < 0.01) {
        s.satellitesInUse = static_cast<int>(Uniform(5.0, 12.999));
        s.satellitesInView = std::min(12, s.satellitesInUse + static_cast<int>(Uniform(0.0, 4.0)));
    }
    s.hdop = 0.6 + 6.0 / s.satellitesInUse;
    return s;
}
