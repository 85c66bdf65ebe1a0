#pragma once

#include <string>

// The unit the user reads distances and speeds in ("DistanceUnits"). Values are kept in
// nautical miles and knots everywhere and converted only for display.
enum class DistanceUnit : int { Kilometers = 1, StatuteMiles = 2, NauticalMiles = 3 };

// The unit of the stored "DistanceUnits" value; anything but 1 or 2 is nautical miles.
DistanceUnit DistanceUnitOfSetting(int value);

// Nautical miles (or knots) to the display unit: x 1.852 for kilometres (km/h), x 1.15077945
// for statute miles (mph), unchanged for nautical miles (knots).
double ToDisplayUnit(double nauticalMiles, DistanceUnit unit);

// "km", "mi", "nmi".
const char* DistanceSuffix(DistanceUnit unit);
// "km/h", "mph", "kn".
const char* SpeedSuffix(DistanceUnit unit);

// A distance in nautical miles as "%.3fkm", "%.3fmi" or "%.3fnmi".
std::string FormatDistance(double nauticalMiles, DistanceUnit unit);
