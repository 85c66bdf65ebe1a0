#include "navigation/PositionClipboard.h"

#include "navigation/TextFormat.h"
#include "platform/ClassicLocaleScope.h"

#include <charconv>
#include <cstdlib>
#include <string>

namespace {

std::optional<PastedCoordinate> ParseCoordinate(std::string_view text, char positive, char negative,
                                                int maxDegrees) {
    if (text.empty() || (text.front() != positive && text.front() != negative)) {
        return std::nullopt;
    }
    PastedCoordinate coordinate;
    coordinate.hemisphere = text.front() == positive ? 1 : 2;
    text.remove_prefix(1);
    const std::size_t degreeSign = text.find(kDegreeSign);
    if (degreeSign == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view degrees = text.substr(0, degreeSign);
    // The minutes run to the last character, the minute sign.
    std::string_view minutes = text.substr(degreeSign + std::string_view(kDegreeSign).size());
    if (minutes.size() < 2) {
        return std::nullopt;
    }
    minutes.remove_suffix(1);
    const auto [degreesEnd, degreesError] =
        std::from_chars(degrees.data(), degrees.data() + degrees.size(), coordinate.degrees);
    if (degreesError != std::errc() || degreesEnd != degrees.data() + degrees.size()) {
        return std::nullopt;
    }
    const std::string minutesText(minutes);
    char* minutesEnd = nullptr;
    // The copied text has a decimal point (PositionClipboardText), whatever the locale.
    const ClassicLocaleScope classic;
    const float value = std::strtof(minutesText.c_str(), &minutesEnd);
    if (minutesEnd != minutesText.c_str() + minutesText.size() || !(value >= 0.0f) ||
        !(value < 60.0f)) {
        return std::nullopt;
    }
    coordinate.minutes = static_cast<int>(value);
    coordinate.seconds = (value - static_cast<float>(coordinate.minutes)) * 60.0f;
    if (coordinate.degrees < 0 || coordinate.degrees > maxDegrees ||
        (coordinate.degrees == maxDegrees && value > 0.0f)) {
        return std::nullopt;
    }
    return coordinate;
}

} // namespace

std::string PositionClipboardText(const CLatLong& position) {
    return position.Latitude().DisplayText() + "," + position.Longitude().DisplayText() + ";";
}

double PastedCoordinate::DecimalDegrees() const {
    const double magnitude = degrees + minutes / 60.0 + static_cast<double>(seconds) / 3600.0;
    return hemisphere == 2 ? -magnitude : magnitude;
}

CLatLong PastedPosition::Position() const {
    return CLatLong::FromDecimalDegrees(latitude.DecimalDegrees(), longitude.DecimalDegrees());
}

std::optional<PastedPosition> ParsePositionClipboard(std::string_view text) {
    std::string compact;
    for (const char c : text) {
        if (c != ' ') {
            compact.push_back(c);
        }
    }
    const std::size_t comma = compact.find(',');
    const std::size_t semicolon =
        comma == std::string::npos ? std::string::npos : compact.find(';', comma + 1);
    if (semicolon == std::string::npos) {
        return std::nullopt;
    }
    const std::string_view all(compact);
    const auto latitude = ParseCoordinate(all.substr(0, comma), 'N', 'S', 90);
    const auto longitude =
        ParseCoordinate(all.substr(comma + 1, semicolon - comma - 1), 'E', 'W', 180);
    if (!latitude || !longitude) {
        return std::nullopt;
    }
    return PastedPosition{*latitude, *longitude};
}
