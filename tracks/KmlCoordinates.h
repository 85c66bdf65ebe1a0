#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The longest "longitude,latitude,altitude " the export writes: any finite altitude in whole
// metres. Longer pieces of a coordinates list cannot be positions and are skipped unkept.
inline constexpr std::size_t kLongestKmlPosition = 400;

// A position read from a KML coordinates text: signed decimal degrees, north and east
// positive; the altitude in metres when the text gave one.
struct KmlPosition {
    double latitude = 0.0;
    double longitude = 0.0;
    std::optional<double> altitude;
};

// One position "longitude,latitude[,altitude]"; surrounding whitespace is ignored. Nothing
// when the text is not exactly that, or a coordinate is not finite or out of range.
std::optional<KmlPosition> ParseKmlPosition(std::u16string_view text);

// Reads a coordinates list that arrives in pieces: every piece of text that ends at a
// whitespace character (space, tab, line feed, carriage return) is one position; the text
// after the last whitespace is not used, so a list must end with a space, as the export writes
// it. Pieces that do not parse are skipped. At most `limit` positions are appended to `out`.
class KmlCoordinateReader {
public:
    KmlCoordinateReader(std::vector<KmlPosition>& out, std::size_t limit)
        : m_out(out), m_limit(limit) {}

    // False, from the position past the limit on, when the list holds more than it takes.
    bool Feed(std::u16string_view text);

private:
    bool EndPiece();

    std::vector<KmlPosition>& m_out;
    std::size_t m_limit;
    std::u16string m_piece;
    bool m_overlong = false; // the piece cannot be a position: it is skipped unread
};

// The positions of a whole list (see KmlCoordinateReader).
std::vector<KmlPosition> ParseKmlCoordinateList(std::u16string_view text);
