#include "navigation/DistanceUnits.h"

#include "navigation/TextFormat.h"

DistanceUnit DistanceUnitOfSetting(int value) {
    return value == 1 || value == 2 ? static_cast<DistanceUnit>(value)
                                    : DistanceUnit::NauticalMiles;
}

double ToDisplayUnit(double nauticalMiles, DistanceUnit unit) {
    switch (unit) {
    case DistanceUnit::Kilometers:
        return nauticalMiles * 1.852;
    case DistanceUnit::StatuteMiles:
        return nauticalMiles * 1.15077945;
    case DistanceUnit::NauticalMiles:
        break;
    }
    return nauticalMiles;
}

const char* DistanceSuffix(DistanceUnit unit) {
    switch (unit) {
    case DistanceUnit::Kilometers:
        return "km";
    case DistanceUnit::StatuteMiles:
        return "mi";
    case DistanceUnit::NauticalMiles:
        break;
    }
    return "nmi";
}

const char* SpeedSuffix(DistanceUnit unit) {
    switch (unit) {
    case DistanceUnit::Kilometers:
        return "km/h";
    case DistanceUnit::StatuteMiles:
        return "mph";
    case DistanceUnit::NauticalMiles:
        break;
    }
    return "kn";
}

std::string FormatDistance(double nauticalMiles, DistanceUnit unit) {
    return Format("%.3f", ToDisplayUnit(nauticalMiles, unit)) + DistanceSuffix(unit);
}
