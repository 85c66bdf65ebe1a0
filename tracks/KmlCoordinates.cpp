#include "tracks/KmlCoordinates.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool IsWhitespace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && IsWhitespace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsWhitespace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A number at the start of `text`, which moves past it.
std::optional<double> TakeNumber(std::string_view& text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

bool TakeComma(std::string_view& text) {
    if (text.empty() || text.front() != ',') {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

} // namespace

std::optional<KmlPosition> ParseKmlPosition(std::u16string_view text) {
    const std::u16string_view trimmed = Trimmed(text);
    std::string ascii;
    ascii.reserve(trimmed.size());
    for (const char16_t c : trimmed) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        ascii.push_back(static_cast<char>(c));
    }
    std::string_view rest = ascii;
    const auto longitude = TakeNumber(rest);
    if (!longitude || !TakeComma(rest)) {
        return std::nullopt;
    }
    const auto latitude = TakeNumber(rest);
    if (!latitude || std::fabs(*latitude) > 90.0 || std::fabs(*longitude) > 180.0) {
        return std::nullopt;
    }
    KmlPosition position{*latitude, *longitude, std::nullopt};
    if (TakeComma(rest)) {
        position.altitude = TakeNumber(rest);
        if (!position.altitude) {
            return std::nullopt;
        }
    }
    if (!rest.empty()) {
        return std::nullopt;
    }
    return position;
}

bool KmlCoordinateReader::Feed(std::u16string_view text) {
    for (const char16_t c : text) {
        if (IsWhitespace(c)) {
            if (!EndPiece()) {
                return false;
            }
        } else if (m_piece.size() < kLongestKmlPosition) {
            m_piece.push_back(c);
        } else {
            m_overlong = true;
        }
    }
    return true;
}

bool KmlCoordinateReader::EndPiece() {
    const bool overlong = m_overlong;
    m_overlong = false;
    if (m_piece.empty() || overlong) {
        m_piece.clear();
        return true;
    }
    const auto position = ParseKmlPosition(m_piece);
    m_piece.clear();
    if (!position) {
        return true;
    }
    if (m_out.size() >= m_limit) {
        return false;
    }
    m_out.push_back(*position);
    return true;
}

std::vector<KmlPosition> ParseKmlCoordinateList(std::u16string_view text) {
    std::vector<KmlPosition> positions;
    KmlCoordinateReader(positions, positions.max_size()).Feed(text);
    return positions;
}
