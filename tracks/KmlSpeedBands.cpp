#include "tracks/KmlSpeedBands.h"

#include <array>
#include <cstdio>

namespace {

constexpr std::array<SpeedBand, kSpeedBandCount> kBands = {{
    {"0-5_kmh", 5, 0x8C0000},
    {"6-10_kmh", 10, 0xB43C00},
    {"11-20_kmh", 20, 0xDC7800},
    {"21-30_kmh", 30, 0xB4B400},
    {"31-40_kmh", 40, 0x8CC800},
    {"41-50_kmh", 50, 0x78DC00},
    {"51-60_kmh", 60, 0x46DC00},
    {"61-70_kmh", 70, 0x28D200},
    {"71-80_kmh", 80, 0x00D250},
    {"81-90_kmh", 90, 0x00D282},
    {"91-100_kmh", 100, 0x00BEA0},
    {"101-110_kmh", 110, 0x00B4BE},
    {"111-120_kmh", 120, 0x006ED2},
    {"121-130_kmh", 130, 0x003CD2},
    {"131-140_kmh", 140, 0x0014BE},
    {"141-150_kmh", 150, 0x000AB4},
    {"151-160_kmh", 160, 0x0000AA},
    {"161-170_kmh", 170, 0x0000A0},
    {"171-180_kmh", 180, 0x000096},
    {"181-190_kmh", 190, 0x00008C},
    {"191-200_kmh", 200, 0x000082},
    {"201-300_kmh", 300, 0x000078},
    {"301-400_kmh", 400, 0x00006E},
    {"401-500_kmh", 500, 0x000064},
    {"501-600_kmh", 600, 0x00005A},
    {"601-700_kmh", 700, 0x000050},
    {"701-800_kmh", 800, 0x000046},
    {"801-900_kmh", 900, 0x00003C},
    {"901-1000_kmh_and_more", 1000, 0x000032},
}};

} // namespace

const SpeedBand& SpeedBandAt(int band) {
    return kBands.at(static_cast<std::size_t>(band));
}

int SpeedBandIndex(double kmh) {
    for (int band = 0; band < kSpeedBandCount - 1; ++band) {
        if (kmh <= kBands[static_cast<std::size_t>(band)].upperKmh) {
            return band;
        }
    }
    return kSpeedBandCount - 1;
}

std::string KmlColourText(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2x%.2x%.2x%.2x", 255u, (colour >> 16) & 0xFFu,
                  (colour >> 8) & 0xFFu, colour & 0xFFu);
    return text;
}
