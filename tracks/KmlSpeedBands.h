#pragma once

#include <cstdint>
#include <string>

// The speed bands of the speed-coloured KML line: 29 bands, each with its style name and
// colour. Band 0 holds speeds up to 5 km/h; band i (1..28) those above the upper bound of band
// i-1 up to its own; everything above 1000 km/h falls in band 28.
inline constexpr int kSpeedBandCount = 29;

struct SpeedBand {
    const char* styleName;
    double upperKmh;
    std::uint32_t colour; // 0xBBGGRR
};

const SpeedBand& SpeedBandAt(int band);

// The band of a speed in km/h.
int SpeedBandIndex(double kmh);

// KML colour text of a 0xBBGGRR colour, always opaque: "ff" followed by blue, green and red as
// two lower-case hex digits each ("ff8c0000" for 0x8C0000).
std::string KmlColourText(std::uint32_t colour);
