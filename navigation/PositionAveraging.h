#pragma once

#include "nmea/Coordinates.h"

#include <optional>
#include <span>

// The average of the positions sampled while marking: pairwise midpoints, pass after pass,
// until one position remains. In a pass the samples are taken in pairs (0 and 1, 2 and 3, ...);
// an odd last sample has no partner and is dropped from that pass. Each midpoint is kept in the
// coordinate form of a sentence (ddmm.mmmm with its hemisphere). Nothing without samples, or
// when the result is not a valid position.
std::optional<CLatLong> AveragePosition(std::span<const CLatLong> samples);
