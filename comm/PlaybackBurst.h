#pragma once

#include <string>

class CNmeaDecoder;

// One burst of a destination: GGA, GSA, GSV (only when asked: every fifth burst), RMC, VTG and
// GLL, each composed by the decoder, one after another. A sentence the decoder cannot compose
// is left out; the burst is empty when none could be composed.
std::string ComposeBurst(CNmeaDecoder& decoder, bool withSatellitesInView);

// The bursts between two GSV sentences.
inline constexpr int kBurstsPerSatelliteReport = 5;
