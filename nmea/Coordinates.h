#pragma once

#include "nmea/Markers.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

class CSentence;

enum class CoordinateAxis { Latitude, Longitude };

// Hemisphere of a coordinate: 1 = North (latitude) or East (longitude), 2 = South or West,
// 0 = none (the coordinate is not valid).
inline constexpr int kHemisphereNone = 0;
inline constexpr int kHemisphereNorthOrEast = 1;
inline constexpr int kHemisphereSouthOrWest = 2;

// One coordinate as an NMEA sentence carries it: the magnitude as whole degrees x 100 + minutes
// (latitude ddmm.mmmm, longitude dddmm.mmmm) with its hemisphere, and the values derived from
// it. A new coordinate is unset: all three reals hold kAbsentReal and the hemisphere is 0.
template <CoordinateAxis Axis>
class CCoordinate {
public:
    // ddmm.mmmm / dddmm.mmmm magnitude, kAbsentReal when unset.
    double NmeaValue() const { return m_nmeaValue; }
    // Signed decimal degrees, north and east positive.
    double DecimalDegrees() const { return m_decimalDegrees; }
    // Latitude: 90 - signed latitude (0 at the north pole, 180 at the south pole).
    // Longitude: 180 + signed longitude (0 to 360).
    double ShiftedDegrees() const { return m_shiftedDegrees; }
    int Hemisphere() const { return m_hemisphere; }

    // Back to unset.
    void Empty();
    bool IsUnset() const { return m_nmeaValue == kAbsentReal; }
    // The hemisphere is 1 or 2.
    bool IsValid() const { return m_hemisphere != kHemisphereNone; }

    // Reads the value with Double(valueField) and the hemisphere with Field(hemisphereField),
    // then Set.
    void Parse(int valueField, int hemisphereField, const CSentence& sentence);

    // Stores the NMEA value and derives decimal and shifted degrees from it with the first
    // character of the hemisphere text ("N"/"S" or "E"/"W"). Any other character (or an empty
    // text) sets the hemisphere to 0 and leaves decimal and shifted degrees as they were.
    void Set(double nmeaValue, std::string_view hemisphereText);

    // The inverse for positions that do not come from a sentence: signed decimal degrees to
    // the NMEA value, hemisphere "N"/"E" for a non-negative value, "S"/"W" otherwise.
    void SetDecimalDegrees(double decimalDegrees);

    // "N 49°16.4500'" / "W 123°11.1200'" (UTF-8); "UNKNOWN° Lat" / "UNKNOWN° Lon" when unset.
    std::string DisplayText() const;

    // Appends two fields: the value "%09.4f" (latitude) or "%010.4f" (longitude), empty when
    // unset; the hemisphere letter, empty when the hemisphere is 0.
    void Write(CSentence& sentence) const;

    // Same hemisphere and NMEA values differing by less than 0.0001 minutes (about 0.2 m).
    bool operator==(const CCoordinate& other) const;

    // Whole degrees and minutes of the magnitude, as the texts show them.
    int WholeDegrees() const;
    double Minutes() const;

private:
    double m_nmeaValue = kAbsentReal;
    double m_decimalDegrees = kAbsentReal;
    double m_shiftedDegrees = kAbsentReal;
    int m_hemisphere = kHemisphereNone;
};

extern template class CCoordinate<CoordinateAxis::Latitude>;
extern template class CCoordinate<CoordinateAxis::Longitude>;

class CLatitude final : public CCoordinate<CoordinateAxis::Latitude> {};
class CLongitude final : public CCoordinate<CoordinateAxis::Longitude> {};

// A position: latitude and longitude held by value.
class CLatLong {
public:
    CLatLong() = default;
    CLatLong(const CLatitude& latitude, const CLongitude& longitude)
        : m_latitude(latitude), m_longitude(longitude) {}

    // A position from signed decimal degrees (north and east positive).
    static CLatLong FromDecimalDegrees(double latitude, double longitude);

    const CLatitude& Latitude() const { return m_latitude; }
    const CLongitude& Longitude() const { return m_longitude; }
    CLatitude& Latitude() { return m_latitude; }
    CLongitude& Longitude() { return m_longitude; }

    // Both unset.
    void Empty();
    bool IsUnset() const { return m_latitude.IsUnset() && m_longitude.IsUnset(); }
    // Both hemispheres known.
    bool IsValid() const { return m_latitude.IsValid() && m_longitude.IsValid(); }

    // Parses both coordinates; true when both are valid afterwards.
    bool Parse(int latitudeField, int northSouthField, int longitudeField, int eastWestField,
               const CSentence& sentence);

    // "Latitude 49 16.45000 North, Longitude 123 11.12000 West".
    std::string Describe() const;

    // Four fields: latitude, N/S, longitude, E/W.
    void Write(CSentence& sentence) const;

    // Both coordinates equal (see CCoordinate::operator==).
    bool operator==(const CLatLong& other) const = default;

private:
    CLatitude m_latitude;
    CLongitude m_longitude;
};

// --- Coordinate styles of the position edit fields ---------------------------------------

// The stored setting: 0 Traditional (d° m' s"), 1 Decimal Minutes (d° m.mmmm'),
// 2 Decimal Degrees (d.dddddddd°).
enum class CoordinateStyle : int { Traditional = 0, DecimalMinutes = 1, DecimalDegrees = 2 };

// How an edit field shows a coordinate. A new field starts with these defaults.
struct CoordinateEditOptions {
    CoordinateStyle style = CoordinateStyle::Traditional;
    bool zeroPadding = true;
    bool secondsWithFraction = true; // Traditional only
    bool hemisphereLetters = true;   // "N"/"S", "E"/"W"; otherwise "+" / "-"
};

// One number part of an edit field: its field width with zero padding ("%02d", "%06.3f", ...)
// and without it (blank-padded, "%2d", "%6.3f", ...), the digits after the decimal point (0 for
// an integer part), the step of one increment and the largest value it takes.
struct CoordinatePartFormat {
    int paddedWidth;
    int plainWidth;
    int decimals;
    double step;
    double maximum;
};

// The number parts (1 to 3) of a style on an axis; the degrees part is bounded by 90 for a
// latitude and 180 for a longitude.
struct CoordinatePartLayout {
    std::array<CoordinatePartFormat, 3> parts;
    int count;
};
CoordinatePartLayout CoordinateParts(CoordinateAxis axis, const CoordinateEditOptions& options);

// Traditional split of signed decimal degrees: sign -1 for a negative value and +1 otherwise;
// whole degrees, whole minutes, seconds rounded to three decimals (a rounding up to 60 seconds
// carries into the minutes, and 60 minutes into the degrees).
struct TraditionalParts {
    int sign;
    int degrees;
    int minutes;
    double seconds;
};
TraditionalParts SplitTraditional(double decimalDegrees);

// What an edit field shows: the hemisphere part and the formatted number parts.
struct CoordinateText {
    std::string hemisphere;
    std::array<std::string, 3> parts;
    int count;
};
CoordinateText FormatCoordinate(double decimalDegrees, CoordinateAxis axis,
                                const CoordinateEditOptions& options);

// The inverse: signed decimal degrees from a sign (+1 / -1) and the number parts of the style
// (degrees; degrees, minutes; or degrees, minutes, seconds), each clamped to its bounds and the
// total to 90 or 180 degrees.
double CoordinateFromParts(CoordinateAxis axis, CoordinateStyle style, int sign,
                           std::span<const double> parts);

// The hemisphere part for a sign: "N"/"S" or "E"/"W" with letters on, "+"/"-" otherwise.
std::string HemisphereText(CoordinateAxis axis, int sign, bool letters);
