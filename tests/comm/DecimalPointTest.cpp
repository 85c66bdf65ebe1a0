// Every number the program writes to a file or a peer, reads back, or shows, has a decimal
// point whatever locale the user runs it in: each output is made in the "C" locale and again
// in a locale with a decimal comma, and the two must be the same bytes.
#include "comm/PlaybackBurst.h"
#include "navigation/DistanceUnits.h"
#include "navigation/PositionClipboard.h"
#include "navigation/TextFormat.h"
#include "tests/navigation/StoreTestSupport.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/TestPaths.h"
#include "tests/tracks/KmlTestTracks.h"
#include "tracks/KmlExport.h"
#include "tracks/StatisticsPanelText.h"
#include "tracks/StatisticsText.h"
#include "tracks/Track.h"
#include "tracks/TrackPlotGeometry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

class DecimalPointTest : public ::testing::Test {
protected:
    void SetUp() override {
        const testpaths::CommaLocale comma;
        if (!comma.Unavailable().empty()) {
            GTEST_SKIP() << comma.Unavailable();
        }
        char text[8];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        ASSERT_STREQ(text, "1,5") << "the locale the outputs are made in";
    }

    // What make() gives in the comma locale.
    static std::string InCommaLocale(const std::function<std::string()>& make) {
        const testpaths::CommaLocale comma;
        return make();
    }
};

TEST_F(DecimalPointTest, KmlExport) {
    const auto track = kmltest::StraightTrack(12);
    KmlExportOptions options;
    options.altitudeMode = KmlAltitudeMode::Absolute;
    options.units = DistanceUnit::Kilometers;
    const auto exportTrack = [&] {
        const testpaths::TempDir dir;
        EXPECT_EQ(ExportTrackToFile(*track, dir / "track.kml", options, kNoDateTime), "");
        return testpaths::ReadFileBytes(dir / "track.kml");
    };
    const std::string plain = exportTrack();
    ASSERT_NE(plain.find("8.000000,47.000000,400 8.000000,47.010000,410 "), std::string::npos)
        << plain;
    ASSERT_NE(plain.find("<name>0.000km, 18.5kmh, 400.0m;</name>"), std::string::npos) << plain;
    EXPECT_EQ(InCommaLocale(exportTrack), plain);
}

TEST_F(DecimalPointTest, StoreFileAndWhatItReadsBack) {
    ScriptedPrompts prompts;
    MemorySettings settings;
    CNavigationDataBase store(prompts, settings);
    store.StoreWaypoint(CWaypoint("HOME", At(49.274167, -123.185333)), false, "/data/a.txt");
    store.StoreWaypoint(CWaypoint("WORK", At(-33.8568, 151.2153)), false, "/data/a.txt");
    store.StoreRoute(CRoute("R1", {"HOME", "WORK"}), false, "/data/a.txt");
    const std::string plain = store.StoreFileText();
    ASSERT_NE(plain.find("$GPWPL,4916.4500,N,12311.1200,W,HOME"), std::string::npos) << plain;
    const std::string readBack = InCommaLocale([&] {
        ScriptedPrompts otherPrompts;
        MemorySettings otherSettings;
        CNavigationDataBase other(otherPrompts, otherSettings);
        std::size_t start = 0;
        for (std::size_t end; (end = plain.find('\n', start)) != std::string::npos;
             start = end + 1) {
            other.FeedLine(plain.substr(start, end + 1 - start), "/data/a.txt");
        }
        return store.StoreFileText() + "|" + other.StoreFileText();
    });
    EXPECT_EQ(readBack, plain + "|" + plain);
}

TEST_F(DecimalPointTest, PlaybackSentences) {
    const auto burst = [] {
        CTrack track;
        for (const char* line :
             {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n",
              "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n",
              "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"}) {
            track.SetInput(line);
            track.Decode();
        }
        return ComposeBurst(track, true);
    };
    const std::string plain = burst();
    ASSERT_NE(plain.find("4807.0380,N,01131.0000,E"), std::string::npos) << plain;
    EXPECT_EQ(InCommaLocale(burst), plain);
}

TEST_F(DecimalPointTest, PastedPosition) {
    const auto paste = [] {
        const std::string copied = PositionClipboardText(At(49.274167, -123.185333));
        const auto pasted = ParsePositionClipboard(copied);
        if (!pasted) {
            return copied + " not read";
        }
        return copied + Format(" %d %d %d %.3f %d %d %d %.3f", pasted->latitude.hemisphere,
                               pasted->latitude.degrees, pasted->latitude.minutes,
                               pasted->latitude.seconds, pasted->longitude.hemisphere,
                               pasted->longitude.degrees, pasted->longitude.minutes,
                               pasted->longitude.seconds);
    };
    const std::string plain = paste();
    ASSERT_TRUE(plain.ends_with("; 1 49 16 27.000 2 123 11 7.200")) << plain;
    EXPECT_EQ(InCommaLocale(paste), plain);
}

TEST_F(DecimalPointTest, TextsTheWindowShows) {
    const auto texts = [] {
        return FormatDistance(1.2345, DistanceUnit::Kilometers) + "|" +
               FormatTripDistance(12.34, DistanceUnit::StatuteMiles) + "|" +
               FormatSpeed(5.55, DistanceUnit::NauticalMiles) + "|" +
               FormatAltitude(432.1, DistanceUnit::Kilometers) + "|" + FormatCourse(12.345) + "|" +
               AltitudeAxisLabel(432.1, DistanceUnit::StatuteMiles) + "|" +
               DistanceAxisLabel(1.5, DistanceUnit::NauticalMiles);
    };
    const std::string plain = texts();
    ASSERT_EQ(plain.find(','), std::string::npos) << plain;
    EXPECT_EQ(InCommaLocale(texts), plain);
}

} // namespace
