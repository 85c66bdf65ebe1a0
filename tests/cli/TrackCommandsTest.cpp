#include "tests/support/TestPaths.h"
#include "tests/tracks/NmeaLines.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using nmealines::Gga;
using nmealines::Line;
using nmealines::Rmc;

class TrackCommandsTest : public ::testing::Test {
protected:
    testpaths::TempDir dir;

    testpaths::CommandRun Command(const std::string& program, const std::string& arguments) {
        return testpaths::RunCommand("'" + program + "' " + arguments, dir.Path());
    }
    testpaths::CommandRun Cli(const std::string& arguments) {
        return Command(ZRV_CLI_PATH, arguments);
    }

    // Writes a record file and returns its quoted path.
    std::string Record(const std::string& name, const std::string& bytes) {
        testpaths::WriteFileBytes(dir / name, bytes);
        return "'" + (dir / name).string() + "'";
    }

    // Three seconds of driving north from a header: GSV, then GGA and RMC each second; the first
    // epoch has no altitude.
    std::string Drive() {
        std::string text = Line("PZRVPVD,Velmora Recorder 3,v3.9.91") + Line("GPGSV,3,1,10");
        const char* altitudes[] = {"", "420.5", "380.0"};
        for (int i = 0; i < 3; ++i) {
            text += Gga(43200 + i, 46.9 + i * 0.01, 7.4, altitudes[i]);
            text += Rmc(43200 + i, 46.9 + i * 0.01, 7.4, 20.0 + i, 5.0 * i);
        }
        return text;
    }
};

TEST_F(TrackCommandsTest, BadUsageExitsWith2) {
    const std::string file = Record("drive.txt", Drive());
    const char* cases[] = {
        "stats",  "stats --units furlong ", "stats --units", "stats --verbose ",
        "points", "points --json ",         "check",         "check --units km ",
    };
    for (const char* arguments : cases) {
        const std::string line =
            std::string(arguments) + (std::string(arguments).back() == ' ' ? file : std::string());
        const testpaths::CommandRun run = Cli(line);
        EXPECT_EQ(run.exit, 2) << line;
        EXPECT_NE(run.err.find("usage: ppcObrin3-cli "), std::string::npos) << line;
        EXPECT_EQ(run.out, "") << line;
    }
    EXPECT_EQ(Cli("points " + file + " " + file).exit, 2);
    EXPECT_EQ(Cli("check " + file + " " + file).exit, 2);
}

TEST_F(TrackCommandsTest, UnreadableFilesExitWith1AndNameTheReason) {
    const std::string missing = (dir / "missing.txt").string();
    const struct {
        std::string arguments;
        std::string error;
    } cases[] = {
        {"stats '" + missing + "'", missing + ": No such file or directory"},
        {"points '" + missing + "'", missing + ": No such file or directory"},
        {"check '" + missing + "'", missing + ": No such file or directory"},
        {"stats '" + dir.Path().string() + "'", dir.Path().string() + ": Is a directory"},
    };
    for (const auto& c : cases) {
        const testpaths::CommandRun run = Cli(c.arguments);
        EXPECT_EQ(run.exit, 1) << c.arguments;
        EXPECT_EQ(run.err, "ppcObrin3-cli: " + c.error + "\n") << c.arguments;
    }
    // The readable files are still reported.
    const std::string good = Record("drive.txt", Drive());
    const testpaths::CommandRun run = Cli("stats " + good + " '" + missing + "' --json");
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.out.find("\"points\":3"), std::string::npos) << run.out;
}

TEST_F(TrackCommandsTest, StatsShowsThePanelInTheChosenUnits) {
    const std::string file = Record("drive.txt", Drive());
    const testpaths::CommandRun km = Cli("stats " + file + " --units km");
    ASSERT_EQ(km.exit, 0) << km.err;
    const std::string panel = "  Points: 3\n"
                              "  TRIP: 2.2km\n"
                              "  MXSPD: 40.7km/h\n"
                              "  AVSPD: 39.8km/h\n"
                              "  ALT(max): 420.5m\n"
                              "  ALT(min): 380.0m\n"
                              "  ELPSD: 0, 00:00:02\n"
                              "  TTIME: 0, 00:00:02\n"
                              "  Satellites: 8(10) \n"
                              "  First point: 2026-05-01 12:00:00\n"
                              "  Last point: 2026-05-01 12:00:02\n"
                              "  North: N 46°55.2000'\n"
                              "  South: N 46°54.0000'\n"
                              "  West: E 007°24.0000'\n"
                              "  East: E 007°24.0000'\n";
    EXPECT_EQ(km.out, (dir / "drive.txt").string() + "\n" + panel);
    const testpaths::CommandRun nmi = Cli("stats " + file);
    EXPECT_NE(nmi.out.find("  TRIP: 1.2nmi\n  MXSPD: 22.0kn\n"), std::string::npos) << nmi.out;
    EXPECT_NE(nmi.out.find("  ALT(max): 1379.6ft\n"), std::string::npos) << nmi.out;
    const testpaths::CommandRun mi = Cli("stats --units=mi " + file);
    EXPECT_NE(mi.out.find("  MXSPD: 25.3mph\n"), std::string::npos) << mi.out;
    // Without --units the settings choose, as in the window.
    const std::string config = "XDG_CONFIG_HOME='" + (dir / "config").string() + "' ";
    const std::string cli = std::string(" '") + ZRV_CLI_PATH + "' ";
    ASSERT_EQ(testpaths::RunCommand(config + cli + "settings set General DistanceUnits dword 1",
                                    dir.Path())
                  .exit,
              0);
    EXPECT_EQ(testpaths::RunCommand(config + cli + "stats " + file, dir.Path()).out, km.out);
    const testpaths::CommandRun empty = Cli("stats " + Record("empty.txt", ""));
    EXPECT_NE(empty.out.find("  Points: 0\n  TRIP: 0.0nmi\n"), std::string::npos) << empty.out;
    EXPECT_NE(empty.out.find("  ALT(max): Unknown\n  ALT(min): Unknown\n"), std::string::npos)
        << empty.out;
    EXPECT_NE(empty.out.find("  Satellites: (0)(Searching)\n  First point: Unknown\n"),
              std::string::npos)
        << empty.out;
}

TEST_F(TrackCommandsTest, StatsJsonHasFullPrecisionPerFile) {
    const std::string first = Record("a \"quoted\" name.txt", Drive());
    const std::string empty = Record("empty.txt", "");
    const testpaths::CommandRun run = Cli("stats --json " + first + " " + empty);
    ASSERT_EQ(run.exit, 0) << run.err;
    const std::size_t newline = run.out.find('\n');
    ASSERT_NE(newline, std::string::npos);
    const std::string a = run.out.substr(0, newline);
    const std::string b = run.out.substr(newline + 1);
    for (const char* expected :
         {"\"file\":\"", "a \\\"quoted\\\" name.txt\"", "\"points\":3,", "\"max_speed_kn\":22,",
          "\"max_speed_index\":2,", "\"average_speed_kn\":21.5,", "\"max_altitude_m\":420.5,",
          "\"min_altitude_m\":380,", "\"min_altitude_index\":2,", "\"elapsed_s\":2,",
          "\"satellites_in_view\":10,", "\"first_point_time\":\"2026-05-01T12:00:00\"",
          "\"bounds\":{\"west\":7.4,\"east\":7.4,\"south\":46.9,"}) {
        EXPECT_NE(a.find(expected), std::string::npos) << expected << " in " << a;
    }
    EXPECT_NE(a.find("\"trip_nmi\":1.2"), std::string::npos) << "unrounded: " << a;
    EXPECT_EQ(a.find("\"trip_nmi\":1.2,"), std::string::npos) << "unrounded: " << a;
    for (const char* expected : {"\"points\":0,", "\"max_altitude_m\":null,",
                                 "\"first_point_time\":null,", "\"bounds\":null}"}) {
        EXPECT_NE(b.find(expected), std::string::npos) << expected << " in " << b;
    }
}

TEST_F(TrackCommandsTest, PointsListsEveryStoredPoint) {
    const std::string file = Record("drive.txt", Drive());
    const testpaths::CommandRun run = Cli("points " + file);
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out, "index,time,latitude,longitude,speed_kn,course_deg,altitude_m,"
                       "satellites_in_use,satellites_in_view,trip_nmi\n"
                       "0,2026-05-01 12:00:00,46.900000000,7.400000000,20,0,,8,,0\n"
                       "1,2026-05-01 12:00:01,46.910000000,7.400000000,21,5,420.5,8,,"
                       "0.6003184056855623\n"
                       "2,2026-05-01 12:00:02,46.920000000,7.400000000,22,10,380,8,,"
                       "1.2006378643173412\n");
}

TEST_F(TrackCommandsTest, CheckCountsHowEachLineEnded) {
    const std::string gga = Gga(43200, 46.9, 7.4);
    std::string badChecksum = gga;
    badChecksum[badChecksum.size() - 3] = badChecksum[badChecksum.size() - 3] == '0' ? '1' : '0';
    const std::string text = "# comment\n" + gga + Rmc(43200, 46.9, 7.4, 3.0) +
                             "$GPGLL,4654.0000,N,00724.0000,E,120000,A,A\n" + badChecksum +
                             Line("GPZDA,120000,01,05,2026,,\t") +
                             Line("GPGGA,120001,4654.0000,N,00724.0000,E,1,08,0.9,1,M,1,M,") +
                             Line("GPGSV,3,4,10") + Line("GPGSV,3,1,10");
    const std::string file = Record("mixed.txt", text);
    const testpaths::CommandRun run = Cli("check " + file);
    ASSERT_EQ(run.exit, 0) << run.err;
    const std::string expected = "  lines: 9\n"
                                 "  accepted: 3 (GGA 1, GSV 1, RMC 1)\n"
                                 "  unknown type: 1\n"
                                 "  bad framing: 1\n"
                                 "  longer than 82 characters: 0\n"
                                 "  absent checksum: 1\n"
                                 "  bad checksum: 1\n"
                                 "  wrong field count: 1\n"
                                 "  rejected content: 1\n";
    EXPECT_EQ(run.out, (dir / "mixed.txt").string() + "\n" + expected);
    const testpaths::CommandRun verbose = Cli("check --verbose " + file);
    EXPECT_EQ(verbose.exit, 0);
    EXPECT_EQ(verbose.out.find("line 1: bad framing: # comment\n"), 0u) << verbose.out;
    EXPECT_NE(verbose.out.find("line 4: absent checksum: $GPGLL,4654.0000,N,00724.0000,E,"
                               "120000,A,A\n"),
              std::string::npos)
        << verbose.out;
    EXPECT_NE(verbose.out.find("line 8: rejected content: $GPGSV,3,4,10*"), std::string::npos)
        << verbose.out;
    EXPECT_NE(verbose.out.find("\\x09"), std::string::npos) << "control bytes are escaped";
    EXPECT_EQ(verbose.out.find("line 2:"), std::string::npos) << "accepted lines are not listed";
}

// Lines are numbered as an editor shows them, whatever their line ends and lengths, and a
// high-precision sentence longer than 82 characters counts as any other.
TEST_F(TrackCommandsTest, CheckNumbersLinesAsTheFileHasThemAndNamesOverlongOnes) {
    const std::string longGga = Line("GNGGA,120000.00,4654.0000000000,N,00724.0000000000,E,4,12,"
                                     "0.55,545.4321,M,46.9012,M,1.0,0000");
    std::string longBad = longGga;
    longBad[longBad.size() - 3] = longBad[longBad.size() - 3] == '0' ? '1' : '0';
    std::string crOnly = Rmc(43200, 46.9, 7.4, 3.0);
    crOnly.pop_back();
    const std::string text = "# comment\r" + longGga + "\r\n" + crOnly + longBad + "$GPTXT," +
                             std::string(600, 'x') + "\r\n" +
                             Line("GPGLL,4654.0000,N,00724.0000,E,120000,A,A").substr(0, 20);
    const std::string file = Record("long.txt", text);
    const testpaths::CommandRun run = Cli("check --verbose " + file);
    ASSERT_EQ(run.exit, 0) << run.err;
    const std::string expected = "line 1: bad framing: # comment\n"
                                 "line 3: bad framing: \n"
                                 "line 5: longer than 82 characters: " +
                                 longBad.substr(0, longBad.size() - 2) + "\n";
    EXPECT_EQ(run.out.rfind(expected, 0), 0u) << run.out;
    EXPECT_NE(run.out.find("line 6: longer than 82 characters: $GPTXT,xxx"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("line 7: bad framing: $GPGLL"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  lines: 7\n  accepted: 2 (GGA 1, RMC 1)\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("  bad framing: 3\n  longer than 82 characters: 2\n"), std::string::npos)
        << run.out;
}

#ifdef ZRV_GENDRIVE_PATH
// The generator's drive over midnight: every line is accepted, the date rolls over, and the
// same file with Unix line ends gives the same statistics.
TEST_F(TrackCommandsTest, GeneratedDriveLoadsWithEitherLineEnd) {
    const std::string crlf = (dir / "drive.txt").string();
    ASSERT_EQ(
        Command(ZRV_GENDRIVE_PATH, "--seconds 600 --start '2026-12-31 23:55:00' -o '" + crlf + "'")
            .exit,
        0);
    const testpaths::CommandRun check = Cli("check '" + crlf + "'");
    EXPECT_NE(check.out.find("  unknown type: 0\n  bad framing: 0\n"
                             "  longer than 82 characters: 0\n  absent checksum: 0\n"
                             "  bad checksum: 0\n  wrong field count: 0\n  rejected content: 0\n"),
              std::string::npos)
        << "every line accepted: " << check.out;
    EXPECT_NE(check.out.find("GGA 600, GLL 600, GSA 600, GSV "), std::string::npos) << check.out;

    const testpaths::CommandRun stats = Cli("stats --json '" + crlf + "'");
    EXPECT_NE(stats.out.find("\"first_point_time\":\"2026-12-31T23:55:00\""), std::string::npos)
        << stats.out;
    EXPECT_NE(stats.out.find("\"last_point_time\":\"2027-01-01T00:04:59\""), std::string::npos)
        << stats.out;

    std::string lf = testpaths::ReadFileBytes(crlf);
    std::erase(lf, '\r');
    const std::string lfFile = Record("drive-lf.txt", lf);
    const testpaths::CommandRun lfStats = Cli("stats --json " + lfFile);
    const auto withoutName = [](const std::string& json) {
        return json.substr(json.find("\"points\""));
    };
    EXPECT_EQ(withoutName(lfStats.out), withoutName(stats.out));

    EXPECT_EQ(Command(ZRV_GENDRIVE_PATH, "--hours 1 -o '" + crlf + "'").exit, 2);
    EXPECT_EQ(Command(ZRV_GENDRIVE_PATH, "--hours 1 --start '2026-13-01 00:00:00' -o x").exit, 2);
}
#endif

} // namespace
