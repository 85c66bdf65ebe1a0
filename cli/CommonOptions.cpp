#include "cli/CommonOptions.h"

std::optional<DistanceUnit> ParseUnitOption(std::string_view text) {
    if (text == "km") {
        return DistanceUnit::Kilometers;
    }
    if (text == "mi") {
        return DistanceUnit::StatuteMiles;
    }
    if (text == "nmi") {
        return DistanceUnit::NauticalMiles;
    }
    return std::nullopt;
}

std::optional<int> ParseKindOption(std::string_view text) {
    if (text == "walk") {
        return 1;
    }
    if (text == "drive") {
        return 2;
    }
    if (text == "flight") {
        return 3;
    }
    return std::nullopt;
}
