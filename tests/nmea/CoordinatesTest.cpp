#include "nmea/Coordinates.h"
#include "nmea/Sentence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

CLatitude Latitude(double value, std::string_view hemisphere) {
    CLatitude latitude;
    latitude.Set(value, hemisphere);
    return latitude;
}

CLongitude Longitude(double value, std::string_view hemisphere) {
    CLongitude longitude;
    longitude.Set(value, hemisphere);
    return longitude;
}

TEST(Coordinates, SetDerivesSignedAndShiftedDegrees) {
    const CLatitude north = Latitude(4916.45, "N");
    EXPECT_NEAR(north.DecimalDegrees(), 49.2741666667, 1e-9);
    EXPECT_NEAR(north.ShiftedDegrees(), 40.7258333333, 1e-9);
    EXPECT_EQ(north.Hemisphere(), kHemisphereNorthOrEast);

    const CLongitude west = Longitude(12311.12, "W");
    EXPECT_NEAR(west.DecimalDegrees(), -123.1853333333, 1e-9);
    EXPECT_NEAR(west.ShiftedDegrees(), 56.8146666667, 1e-9);

    const CLatitude south = Latitude(3330.0, "S");
    EXPECT_DOUBLE_EQ(south.DecimalDegrees(), -33.5);
    EXPECT_DOUBLE_EQ(south.ShiftedDegrees(), 123.5);
    EXPECT_DOUBLE_EQ(Longitude(1800.0, "East").ShiftedDegrees(), 198.0); // first letter counts

    const CLatitude zeroSouth = Latitude(0.0, "S");
    EXPECT_EQ(zeroSouth.DecimalDegrees(), 0.0);
    EXPECT_TRUE(std::signbit(zeroSouth.DecimalDegrees()));
    EXPECT_EQ(zeroSouth.Hemisphere(), kHemisphereSouthOrWest);
    CSentence written;
    written.Assign("$GPXXX");
    zeroSouth.Write(written);
    EXPECT_EQ(written.Text(), "$GPXXX,0000.0000,S");
}

TEST(Coordinates, UnknownHemisphereInvalidatesButKeepsDegrees) {
    CLatitude latitude = Latitude(4916.45, "N");
    for (const std::string_view hemisphere : {"X", "", "n"}) {
        latitude.Set(4916.45, hemisphere);
        EXPECT_EQ(latitude.Hemisphere(), kHemisphereNone) << hemisphere;
        EXPECT_FALSE(latitude.IsValid());
        EXPECT_NEAR(latitude.DecimalDegrees(), 49.2741666667, 1e-9);
    }
    EXPECT_EQ(CLatitude().DecimalDegrees(), kAbsentReal);
    EXPECT_TRUE(CLatitude().IsUnset());
}

TEST(Coordinates, HugeValuesConvertWithoutOverflow) {
    const CLatitude huge = Latitude(1e300, "N");
    EXPECT_TRUE(std::isfinite(huge.DecimalDegrees()));
    const CLongitude negative = Longitude(-12311.12, "E");
    EXPECT_NEAR(negative.DecimalDegrees(), -123.1853333333, 1e-9);
}

TEST(Coordinates, EqualityAllowsATenThousandthOfAMinute) {
    struct Case {
        CLatitude a;
        CLatitude b;
        bool equal;
    } cases[] = {
        {Latitude(4916.45000, "N"), Latitude(4916.45009, "N"), true},
        {Latitude(4916.4500, "N"), Latitude(4916.4502, "N"), false},
        {Latitude(4916.45, "N"), Latitude(4916.45, "S"), false},
        {CLatitude(), CLatitude(), true},
        {CLatitude(), Latitude(4916.45, "N"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal) << c.a.NmeaValue() << " " << c.b.NmeaValue();
        EXPECT_EQ(c.a != c.b, !c.equal);
    }
    const CLatLong home(Latitude(4916.45, "N"), Longitude(12311.12, "W"));
    CLatLong moved = home;
    moved.Longitude().Set(12311.13, "W");
    EXPECT_EQ(home, CLatLong(home));
    EXPECT_NE(home, moved);
}

TEST(Coordinates, TextsForDisplayAndDescription) {
    EXPECT_EQ(Latitude(4916.45, "N").DisplayText(), "N 49\u00B016.4500'");
    EXPECT_EQ(Longitude(12311.12, "W").DisplayText(), "W 123\u00B011.1200'");
    EXPECT_EQ(Longitude(501.5, "E").DisplayText(), "E 005\u00B001.5000'");
    EXPECT_EQ(CLatitude().DisplayText(), "UNKNOWN\u00B0 Lat");
    EXPECT_EQ(CLongitude().DisplayText(), "UNKNOWN\u00B0 Lon");
    // A hair below a whole degree: the minutes round up into the degrees.
    EXPECT_EQ(Latitude(4859.999994, "N").DisplayText(), "N 49\u00B000.0000'");
    EXPECT_EQ(Longitude(17959.99999, "W").DisplayText(), "W 180\u00B000.0000'");
    EXPECT_EQ(Latitude(4859.99994, "S").DisplayText(), "S 48\u00B059.9999'");

    const CLatLong home(Latitude(4916.45, "N"), Longitude(12311.12, "W"));
    EXPECT_EQ(home.Describe(), "Latitude 49 16.45000 North, Longitude 123 11.12000 West");
    EXPECT_EQ(CLatLong().Describe(), "Latitude UNKNOWN, Longitude UNKNOWN");
    EXPECT_EQ(CLatLong(Latitude(4859.999999, "N"), Longitude(59.999999, "E")).Describe(),
              "Latitude 49  0.00000 North, Longitude 1  0.00000 East");
}

TEST(Coordinates, WriteAndParseRoundTrip) {
    CSentence sentence;
    sentence.Assign("$GPXXX");
    const CLatLong home(Latitude(4916.45, "N"), Longitude(12311.12, "W"));
    home.Write(sentence);
    CLatLong().Write(sentence);
    sentence.Finish();
    const std::string& text = sentence.Text();
    EXPECT_EQ(text.substr(0, text.find('*')), "$GPXXX,4916.4500,N,12311.1200,W,,,,");

    CLatLong parsed;
    EXPECT_TRUE(parsed.Parse(1, 2, 3, 4, sentence));
    EXPECT_EQ(parsed, home);
    EXPECT_FALSE(parsed.Parse(5, 6, 7, 8, sentence)); // empty fields: value 0, no hemisphere
    EXPECT_EQ(parsed.Latitude().NmeaValue(), 0.0);
}

TEST(Coordinates, DecimalDegreesToNmeaValue) {
    struct Case {
        double latitude, longitude;
        double nmeaLatitude, nmeaLongitude;
        int latitudeHemisphere, longitudeHemisphere;
    } cases[] = {
        {-33.5, 151.25, 3330.0, 15115.0, 2, 1},
        {49.2741666667, -123.1853333333, 4916.45, 12311.12, 1, 2},
        {0.0, -0.0, 0.0, 0.0, 1, 1},
        {-90.0, 180.0, 9000.0, 18000.0, 2, 1},
    };
    for (const auto& c : cases) {
        const CLatLong p = CLatLong::FromDecimalDegrees(c.latitude, c.longitude);
        EXPECT_NEAR(p.Latitude().NmeaValue(), c.nmeaLatitude, 1e-6) << c.latitude;
        EXPECT_NEAR(p.Longitude().NmeaValue(), c.nmeaLongitude, 1e-6) << c.longitude;
        EXPECT_EQ(p.Latitude().Hemisphere(), c.latitudeHemisphere);
        EXPECT_EQ(p.Longitude().Hemisphere(), c.longitudeHemisphere);
        EXPECT_NEAR(p.Latitude().DecimalDegrees(), c.latitude, 1e-9);
        EXPECT_NEAR(p.Longitude().DecimalDegrees(), c.longitude, 1e-9);
    }
}

TEST(CoordinateStyles, TraditionalSplitRoundsSecondsAndCarries) {
    struct Case {
        double value;
        TraditionalParts expected;
    } cases[] = {
        {-33.5, {-1, 33, 30, 0.0}},
        {49.2741666667, {1, 49, 16, 27.0}},
        {0.0, {1, 0, 0, 0.0}},
        {12.3456789, {1, 12, 20, 44.444}},
        {33.99999999, {1, 34, 0, 0.0}}, // 59.99996" rounds to a whole degree
        {-0.0166666666, {-1, 0, 1, 0.0}},
    };
    for (const auto& c : cases) {
        const TraditionalParts got = SplitTraditional(c.value);
        EXPECT_EQ(got.sign, c.expected.sign) << c.value;
        EXPECT_EQ(got.degrees, c.expected.degrees) << c.value;
        EXPECT_EQ(got.minutes, c.expected.minutes) << c.value;
        EXPECT_NEAR(got.seconds, c.expected.seconds, 1e-9) << c.value;
    }
}

TEST(CoordinateStyles, PartsFormattedByStyleAndPadding) {
    using enum CoordinateStyle;
    using enum CoordinateAxis;
    struct Case {
        double value;
        CoordinateAxis axis;
        CoordinateEditOptions options;
        std::vector<std::string> expected; // hemisphere, then the parts
    } cases[] = {
        {-33.5, Latitude, {}, {"S", "33", "30", "00.000"}},
        {5.0125, Longitude, {}, {"E", "005", "00", "45.000"}},
        {5.0125, Longitude, {Traditional, false, true, true}, {"E", "  5", " 0", "45.000"}},
        {5.0125, Longitude, {Traditional, true, false, false}, {"+", "005", "00", "45"}},
        {-5.99999, Longitude, {Traditional, true, false, true}, {"W", "006", "00", "00"}},
        {49.2741666667, Latitude, {DecimalMinutes, true, true, true}, {"N", "49", "16.4500"}},
        {-3.5, Latitude, {DecimalMinutes, false, true, false}, {"-", " 3", "30.0000"}},
        {1.9999999, Longitude, {DecimalMinutes, true, true, true}, {"E", "002", "00.0000"}},
        {-123.1853333333, Longitude, {DecimalDegrees, true, true, true}, {"W", "123.18533333"}},
        {7.25, Latitude, {DecimalDegrees, true, true, true}, {"N", "07.25000000"}},
        {7.25, Longitude, {DecimalDegrees, false, true, true}, {"E", "  7.25000000"}},
        {95.0, Latitude, {DecimalDegrees, true, true, true}, {"N", "90.00000000"}},
    };
    for (const auto& c : cases) {
        const CoordinateText text = FormatCoordinate(c.value, c.axis, c.options);
        std::vector<std::string> got{text.hemisphere};
        for (int i = 0; i < text.count; ++i) {
            got.push_back(text.parts[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(got, c.expected) << c.value;
    }
}

TEST(CoordinateStyles, PartsBackToDecimalDegrees) {
    using enum CoordinateStyle;
    struct Case {
        CoordinateAxis axis;
        CoordinateStyle style;
        int sign;
        std::vector<double> parts;
        double expected;
    } cases[] = {
        {CoordinateAxis::Latitude, Traditional, -1, {33, 30, 0}, -33.5},
        {CoordinateAxis::Longitude, Traditional, 1, {5, 0, 45}, 5.0125},
        {CoordinateAxis::Latitude, DecimalMinutes, 1, {49, 16.45}, 49.2741666667},
        {CoordinateAxis::Latitude, DecimalMinutes, 1, {42, 59.9998}, 42 + 59.9998 / 60}, // no cut
        {CoordinateAxis::Longitude, DecimalDegrees, -1, {123.18533333}, -123.18533333},
        {CoordinateAxis::Latitude, Traditional, 1, {90, 30, 0}, 90.0},     // total bounded
        {CoordinateAxis::Longitude, Traditional, 1, {200, 75, -3}, 180.0}, // each part bounded
        {CoordinateAxis::Latitude, DecimalDegrees, 1, {NAN}, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(CoordinateFromParts(c.axis, c.style, c.sign, c.parts), c.expected, 1e-9)
            << c.parts[0];
    }
    EXPECT_EQ(HemisphereText(CoordinateAxis::Longitude, -1, true), "W");
    EXPECT_EQ(HemisphereText(CoordinateAxis::Latitude, 1, false), "+");
}

} // namespace
