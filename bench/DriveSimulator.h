#pragma once

#include <cstdint>
#include <random>

// A deterministic car drive for benchmarks and the sample recording: stretches of driving
// with turns, hills and speed changes, short stops where the receiver reports one fixed
// position, and long parking spells where the position jitters by a few metres. The same seed
// always gives the same drive.
class DriveSimulator {
public:
    struct State {
        double latitude = 0.0;  // decimal degrees, north positive
        double longitude = 0.0; // decimal degrees, east positive
        double speedKnots = 0.0;
        double courseDegrees = 0.0; // true, [0, 360)
        double altitudeMetres = 0.0;
        double hdop = 1.0;
        int satellitesInUse = 0;  // 4..12
        int satellitesInView = 0; // satellitesInUse..12
    };

    DriveSimulator(double latitude, double longitude, std::uint32_t seed);

    // Advances the drive by one second and returns the new state.
    const State& Step();

private:
    enum class Phase { Drive, Stop, Park };

    void StartNextPhase();
    double Uniform(double low, double high);

    std::mt19937 m_random;
    State m_state;
    double m_trueLatitude;
    double m_trueLongitude;
    Phase m_phase = Phase::Park;
    int m_phaseSeconds = 0;
    double m_targetSpeed = 0.0;
    double m_targetCourse = 0.0;
    double m_slope = 0.0; // metres of climb per nautical mile
};
