#pragma once

#include <limits>

// Markers shared by every record that holds receiver values.

// The largest finite double: a real value that is absent (no altitude, no geoidal separation,
// an unset coordinate).
inline constexpr double kAbsentReal = std::numeric_limits<double>::max();

// A count or index that is unknown or not reported (satellites in use or in view, a PRN slot).
inline constexpr int kUnknownCount = -1;
