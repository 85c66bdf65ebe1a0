#include "nmea/Coordinates.h"

#include "nmea/NumberText.h"
#include "nmea/Sentence.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr const char* kDegreeSign = "\u00B0";

template <CoordinateAxis Axis>
struct AxisTraits;

template <>
struct AxisTraits<CoordinateAxis::Latitude> {
    static constexpr char kPositive = 'N';
    static constexpr char kNegative = 'S';
    static constexpr int kDegreeDigits = 2;
    static constexpr int kValueWidth = 9; // ddmm.mmmm
    static constexpr double kShiftOrigin = 90.0;
    static constexpr double kShiftSign = -1.0; // shifted = 90 - signed latitude
    static constexpr const char* kUnknownText = "UNKNOWN\u00B0 Lat";
};

template <>
struct AxisTraits<CoordinateAxis::Longitude> {
    static constexpr char kPositive = 'E';
    static constexpr char kNegative = 'W';
    static constexpr int kDegreeDigits = 3;
    static constexpr int kValueWidth = 10; // dddmm.mmmm
    static constexpr double kShiftOrigin = 180.0;
    static constexpr double kShiftSign = 1.0; // shifted = 180 + signed longitude
    static constexpr const char* kUnknownText = "UNKNOWN\u00B0 Lon";
};

// Whole degrees of a ddmm.mmmm magnitude, computed in doubles so that any finite value is safe.
double WholeDegreesOf(double nmeaValue) {
    return std::trunc(std::trunc(nmeaValue) / 100.0);
}

double DecimalOf(double nmeaValue) {
    const double degrees = WholeDegreesOf(nmeaValue);
    return degrees + (nmeaValue - 100.0 * degrees) / 60.0;
}

double AxisBound(CoordinateAxis axis) {
    return axis == CoordinateAxis::Latitude ? 90.0 : 180.0;
}

int DegreeDigits(CoordinateAxis axis) {
    return axis == CoordinateAxis::Latitude ? AxisTraits<CoordinateAxis::Latitude>::kDegreeDigits
                                            : AxisTraits<CoordinateAxis::Longitude>::kDegreeDigits;
}

// Whole degrees and minutes as a text with that many decimals shows them: the minutes are
// rounded before the degrees are split off, so 48 degrees 59.99999 minutes show as 49 degrees
// 00.0000, never as 48 degrees 60.0000 (which no reader of coordinate texts takes back).
struct ShownDegreesAndMinutes {
    long long degrees;
    double minutes;
};

template <CoordinateAxis Axis>
ShownDegreesAndMinutes ShownParts(const CCoordinate<Axis>& coordinate, int decimals) {
    const double scale = std::pow(10.0, decimals);
    ShownDegreesAndMinutes parts{coordinate.WholeDegrees(),
                                 std::round(coordinate.Minutes() * scale) / scale};
    if (parts.minutes >= 60.0) {
        parts.minutes -= 60.0;
        ++parts.degrees;
    }
    return parts;
}

} // namespace

template <CoordinateAxis Axis>
void CCoordinate<Axis>::Empty() {
    *this = CCoordinate();
}

template <CoordinateAxis Axis>
void CCoordinate<Axis>::Parse(int valueField, int hemisphereField, const CSentence& sentence) {
    Set(sentence.Double(valueField), sentence.Field(hemisphereField));
}

template <CoordinateAxis Axis>
void CCoordinate<Axis>::Set(double nmeaValue, std::string_view hemisphereText) {
    using Traits = AxisTraits<Axis>;
    m_nmeaValue = nmeaValue;
    const char letter = hemisphereText.empty() ? '\0' : hemisphereText[0];
    if (letter != Traits::kPositive && letter != Traits::kNegative) {
        m_hemisphere = kHemisphereNone;
        return;
    }
    const double magnitude = DecimalOf(nmeaValue);
    const bool positive = letter == Traits::kPositive;
    m_hemisphere = positive ? kHemisphereNorthOrEast : kHemisphereSouthOrWest;
    m_decimalDegrees = positive ? magnitude : -magnitude;
    m_shiftedDegrees = Traits::kShiftOrigin + Traits::kShiftSign * m_decimalDegrees;
}

template <CoordinateAxis Axis>
void CCoordinate<Axis>::SetDecimalDegrees(double decimalDegrees) {
    using Traits = AxisTraits<Axis>;
    const double magnitude = std::fabs(decimalDegrees);
    const double degrees = std::trunc(magnitude);
    const char letter[2] = {decimalDegrees < 0.0 ? Traits::kNegative : Traits::kPositive, '\0'};
    Set(degrees * 100.0 + (magnitude - degrees) * 60.0, letter);
}

template <CoordinateAxis Axis>
int CCoordinate<Axis>::WholeDegrees() const {
    // Saturated: an unset or absurd value must not overflow the conversion.
    constexpr double kLargest = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(WholeDegreesOf(m_nmeaValue), -kLargest, kLargest));
}

template <CoordinateAxis Axis>
double CCoordinate<Axis>::Minutes() const {
    return m_nmeaValue - 100.0 * WholeDegreesOf(m_nmeaValue);
}

template <CoordinateAxis Axis>
std::string CCoordinate<Axis>::DisplayText() const {
    using Traits = AxisTraits<Axis>;
    if (IsUnset()) {
        return Traits::kUnknownText;
    }
    std::string text(1, m_hemisphere == kHemisphereNorthOrEast ? Traits::kPositive
                                                               : Traits::kNegative);
    text += ' ';
    const ShownDegreesAndMinutes parts = ShownParts(*this, 4);
    text += FormatInteger(parts.degrees, Traits::kDegreeDigits, true);
    text += kDegreeSign;
    text += FormatFixed(parts.minutes, 4, 7, true);
    text += '\'';
    return text;
}

template <CoordinateAxis Axis>
void CCoordinate<Axis>::Write(CSentence& sentence) const {
    using Traits = AxisTraits<Axis>;
    sentence.AppendText(IsUnset() ? std::string()
                                  : FormatFixed(m_nmeaValue, 4, Traits::kValueWidth, true));
    if (m_hemisphere == kHemisphereNone) {
        sentence.AppendText("");
    } else {
        const char letter =
            m_hemisphere == kHemisphereNorthOrEast ? Traits::kPositive : Traits::kNegative;
        sentence.AppendText(std::string_view(&letter, 1));
    }
}

template <CoordinateAxis Axis>
bool CCoordinate<Axis>::operator==(const CCoordinate& other) const {
    return m_hemisphere == other.m_hemisphere &&
           std::fabs(m_nmeaValue - other.m_nmeaValue) < 0.0001;
}

template class CCoordinate<CoordinateAxis::Latitude>;
template class CCoordinate<CoordinateAxis::Longitude>;

CLatLong CLatLong::FromDecimalDegrees(double latitude, double longitude) {
    CLatLong position;
    position.m_latitude.SetDecimalDegrees(latitude);
    position.m_longitude.SetDecimalDegrees(longitude);
    return position;
}

void CLatLong::Empty() {
    m_latitude.Empty();
    m_longitude.Empty();
}

bool CLatLong::Parse(int latitudeField, int northSouthField, int longitudeField, int eastWestField,
                     const CSentence& sentence) {
    m_latitude.Parse(latitudeField, northSouthField, sentence);
    m_longitude.Parse(longitudeField, eastWestField, sentence);
    return IsValid();
}

namespace {

// "49 16.45000 North", or "UNKNOWN" for an unset coordinate.
template <CoordinateAxis Axis>
std::string DescribeCoordinate(const CCoordinate<Axis>& coordinate, const char* positive,
                               const char* negative) {
    if (coordinate.IsUnset()) {
        return "UNKNOWN";
    }
    const ShownDegreesAndMinutes parts = ShownParts(coordinate, 5);
    return FormatInteger(parts.degrees) + ' ' + FormatFixed(parts.minutes, 5, 8) + ' ' +
           (coordinate.Hemisphere() == kHemisphereNorthOrEast ? positive : negative);
}

} // namespace

std::string CLatLong::Describe() const {
    return "Latitude " + DescribeCoordinate(m_latitude, "North", "South") + ", Longitude " +
           DescribeCoordinate(m_longitude, "East", "West");
}

void CLatLong::Write(CSentence& sentence) const {
    m_latitude.Write(sentence);
    m_longitude.Write(sentence);
}

// --- Coordinate styles ----------------------------------------------------------------------

CoordinatePartLayout CoordinateParts(CoordinateAxis axis, const CoordinateEditOptions& options) {
    const int digits = DegreeDigits(axis);
    const double bound = AxisBound(axis);
    switch (options.style) {
    case CoordinateStyle::DecimalMinutes:
        return {{{{digits, digits, 0, 1.0, bound}, {7, 6, 4, 0.0001, 59.9999}, {}}}, 2};
    case CoordinateStyle::DecimalDegrees:
        return {{{{digits + 9, digits + 9, 8, 0.00000001, bound}, {}, {}}}, 1};
    case CoordinateStyle::Traditional:
        break;
    }
    const CoordinatePartFormat seconds = options.secondsWithFraction
                                             ? CoordinatePartFormat{6, 6, 3, 0.001, 59.999}
                                             : CoordinatePartFormat{2, 2, 0, 1.0, 59.0};
    return {{{{digits, digits, 0, 1.0, bound}, {2, 2, 0, 1.0, 59.0}, seconds}}, 3};
}

TraditionalParts SplitTraditional(double decimalDegrees) {
    TraditionalParts parts{};
    parts.sign = decimalDegrees < 0.0 ? -1 : 1;
    const double x = std::fabs(decimalDegrees);
    parts.degrees = static_cast<int>(std::trunc(x));
    const double r = x - parts.degrees;
    parts.minutes = static_cast<int>(std::trunc(r * 60.0));
    const double seconds = (r - parts.minutes / 60.0) * 3600.0;
    parts.seconds = std::floor(1000.0 * seconds + 0.5) / 1000.0;
    // The rounding may reach a full minute; show 1' 0" rather than 0' 60".
    if (parts.seconds >= 60.0) {
        parts.seconds -= 60.0;
        ++parts.minutes;
    }
    if (parts.minutes >= 60) {
        parts.minutes -= 60;
        ++parts.degrees;
    }
    return parts;
}

std::string HemisphereText(CoordinateAxis axis, int sign, bool letters) {
    if (!letters) {
        return sign < 0 ? "-" : "+";
    }
    if (axis == CoordinateAxis::Latitude) {
        return sign < 0 ? "S" : "N";
    }
    return sign < 0 ? "W" : "E";
}

CoordinateText FormatCoordinate(double decimalDegrees, CoordinateAxis axis,
                                const CoordinateEditOptions& options) {
    const CoordinatePartLayout layout = CoordinateParts(axis, options);
    const double bound = AxisBound(axis);
    const double clamped = std::clamp(decimalDegrees, -bound, bound);
    const int sign = clamped < 0.0 ? -1 : 1;
    const double magnitude = std::fabs(clamped);

    double values[3] = {0.0, 0.0, 0.0};
    switch (options.style) {
    case CoordinateStyle::Traditional: {
        TraditionalParts parts = SplitTraditional(clamped);
        if (!options.secondsWithFraction) {
            // Whole seconds, with the same carry as the fraction.
            parts.seconds = std::floor(parts.seconds + 0.5);
            if (parts.seconds >= 60.0) {
                parts.seconds -= 60.0;
                ++parts.minutes;
            }
            if (parts.minutes >= 60) {
                parts.minutes -= 60;
                ++parts.degrees;
            }
        }
        values[0] = parts.degrees;
        values[1] = parts.minutes;
        values[2] = parts.seconds;
        break;
    }
    case CoordinateStyle::DecimalMinutes: {
        // Rounded to the shown four decimals first so that 59.99996' shows as a whole degree.
        const double totalMinutes = std::round(magnitude * 60.0 * 10000.0) / 10000.0;
        values[0] = std::trunc(totalMinutes / 60.0);
        values[1] = totalMinutes - values[0] * 60.0;
        break;
    }
    case CoordinateStyle::DecimalDegrees:
        values[0] = magnitude;
        break;
    }

    CoordinateText text;
    text.hemisphere = HemisphereText(axis, sign, options.hemisphereLetters);
    text.count = layout.count;
    for (int i = 0; i < layout.count; ++i) {
        const CoordinatePartFormat& part = layout.parts[static_cast<std::size_t>(i)];
        const int width = options.zeroPadding ? part.paddedWidth : part.plainWidth;
        text.parts[static_cast<std::size_t>(i)] =
            part.decimals == 0
                ? FormatInteger(static_cast<long long>(values[i]), width, options.zeroPadding)
                : FormatFixed(values[i], part.decimals, width, options.zeroPadding);
    }
    return text;
}

double CoordinateFromParts(CoordinateAxis axis, CoordinateStyle style, int sign,
                           std::span<const double> parts) {
    CoordinateEditOptions options;
    options.style = style;
    const CoordinatePartLayout layout = CoordinateParts(axis, options);
    double total = 0.0;
    double scale = 1.0;
    for (std::size_t i = 0; i < parts.size() && i < static_cast<std::size_t>(layout.count); ++i) {
        const double value =
            std::isfinite(parts[i]) ? std::clamp(parts[i], 0.0, layout.parts[i].maximum) : 0.0;
        total += value / scale;
        scale *= 60.0;
    }
    total = std::min(total, AxisBound(axis));
    return sign < 0 ? -total : total;
}
