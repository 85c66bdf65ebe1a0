#include "tests/support/TestPaths.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <string>

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class StoreCommandsTest : public ::testing::Test {
protected:
    // Run in the test's folder, with settings of its own so that the name counters start at 0.
    testpaths::CommandRun Cli(const std::string& arguments) {
        return testpaths::RunCommand("cd '" + dir.Path().string() + "' && XDG_CONFIG_HOME='" +
                                         (dir / "config").string() + "' '" +
                                         std::string(ZRV_CLI_PATH) + "' " + arguments,
                                     dir.Path());
    }
    std::string Store() const { return "--file '" + (dir / "NaviStor.zrv").string() + "'"; }
    std::string Path(const std::string& name) const { return "'" + (dir / name).string() + "'"; }

    // Two waypoints on the equator 0.1 degrees apart and a route over them, as a GPS writes it.
    void ImportSample() {
        testpaths::WriteFileBytes(dir / "gps.txt", "$GPWPL,0000.0000,N,00000.0000,E,A*0A\n"
                                                   "$GPWPL,0000.0000,N,00006.0000,E,B*0F\n"
                                                   "$GPRTE,1,1,c,R1,A,B*57\n");
        ASSERT_EQ(Cli("store " + Store() + " import " + Path("gps.txt")).exit, 0);
    }

    testpaths::TempDir dir;
};

TEST_F(StoreCommandsTest, BadUsageExitsWith2AndChangesNothing) {
    const char* cases[] = {
        "store",
        "store --units furlong waypoints",
        "store frobnicate",
        "store --file x.zrv nearest 91 0",
        "store --file x.zrv nearest 1 2 0",
        "store --file x.zrv add-waypoint ONLYNAME",
        "guide --store x.zrv --at 1 2 --speed 1 --course 3",
        "guide --store x.zrv --to A --along R --at 1 2 --speed 1 --course 3",
        "guide --store x.zrv --to A --at 1 2 --speed 1 --course 360",
        "guide --store x.zrv --along R --active 0 --at 1 2 --speed 1 --course 3",
    };
    for (const char* arguments : cases) {
        const testpaths::CommandRun run = Cli(arguments);
        EXPECT_EQ(run.exit, 2) << arguments;
        EXPECT_THAT(run.err, HasSubstr("usage: ppcObrin3-cli")) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.zrv"));
}

TEST_F(StoreCommandsTest, AStoreThatCannotBeReadExitsWith1) {
    const testpaths::CommandRun run = Cli("store " + Store() + " waypoints");
    EXPECT_EQ(run.exit, 1);
    EXPECT_THAT(run.err, HasSubstr("cannot open"));
}

TEST_F(StoreCommandsTest, ImportedItemsAreListedAsTheListsShowThem) {
    ImportSample();
    EXPECT_EQ(Cli("store " + Store() + " waypoints").out,
              "Waypoint name\tLatitude\tLongitude\tPlace to store waypoints\n"
              "A\tN 00\xC2\xB0"
              "00.0000'\tE 000\xC2\xB0"
              "00.0000'\t" +
                  (dir / "NaviStor.zrv").string() +
                  "\nB\tN 00\xC2\xB0"
                  "00.0000'\tE 000\xC2\xB0" +
                  "06.0000'\t" + (dir / "NaviStor.zrv").string() + "\n");
    const testpaths::CommandRun nearest =
        Cli("store " + Store() + " --units km nearest 0 0.09 all");
    EXPECT_THAT(nearest.out, StartsWith("Waypoint name\tDST (km)\tBRG\nB\t1.1"));
    EXPECT_THAT(nearest.out, HasSubstr("\t90.0\xC2\xB0\nA\t10."));
    EXPECT_THAT(nearest.out, HasSubstr("\t270.0\xC2\xB0\n"));

    const testpaths::CommandRun legs = Cli("store " + Store() + " --json legs R1");
    EXPECT_THAT(legs.out, HasSubstr("\"number\":1,\"name\":\"A\",\"desired_track_deg\":null"));
    EXPECT_THAT(legs.out, HasSubstr("\"number\":2,\"name\":\"B\",\"desired_track_deg\":90,"));

    const testpaths::CommandRun exported =
        Cli("store " + Store() + " export-route R1 " + Path("r1.txt"));
    EXPECT_EQ(exported.exit, 0);
    EXPECT_THAT(testpaths::ReadFileBytes(dir / "r1.txt"),
                HasSubstr("$GPWPL,0000.0000,N,00006.0000,E,B*0F\r\n$GPRTE,1,1,C,R1,A,B*77\r\n"));
    EXPECT_EQ(Cli("store " + Store() + " export-route NONE " + Path("x.txt")).exit, 1);
}

TEST_F(StoreCommandsTest, NameConflictsAreSkippedUnlessReplacedOrRenamed) {
    ImportSample();
    EXPECT_EQ(Cli("store " + Store() + " add-waypoint A 1 1").exit, 1);
    const testpaths::CommandRun renamed = Cli("store " + Store() + " --rename add-waypoint A 1 1");
    EXPECT_EQ(renamed.exit, 0);
    EXPECT_EQ(renamed.out, "WPL_0000\n");
    EXPECT_EQ(Cli("store " + Store() + " --replace add-waypoint A 2 2").exit, 0);
    EXPECT_THAT(Cli("store " + Store() + " --json waypoints").out,
                HasSubstr("{\"name\":\"A\",\"latitude_deg\":2,\"longitude_deg\":2,"));
    EXPECT_EQ(Cli("store " + Store() + " add-waypoint 'A,B' 1 1").exit, 2);
}

TEST_F(StoreCommandsTest, GuidePrintsEveryValueOfTheGuidanceView) {
    ImportSample();
    const testpaths::CommandRun run =
        Cli("guide --store '" + (dir / "NaviStor.zrv").string() +
            "' --along R1 --active 2 --at 0 0.05 --speed 10 --course 90 --units km");
    EXPECT_EQ(run.exit, 0) << run.err;
    const char* lines[] = {"Dst: R1: A -> B\n", "BRG: 90.0\xC2\xB0\n", "TRK: 90.0\xC2\xB0\n",
                           "SPD: 18.5\n",       "IND: 135.0\n",        "ETE(all route): 0, 00:18\n",
                           "ERD: 5.5",          "CTS: 0.0\xC2\xB0\n",  "XTK: 0.000km\n",
                           "VMG: 18.5km/h\n",   "TRN: 0.0\xC2\xB0\n",  "ETA(all route): "};
    for (const char* line : lines) {
        EXPECT_THAT(run.out, HasSubstr(line));
    }
    const testpaths::CommandRun to = Cli("guide --store '" + (dir / "NaviStor.zrv").string() +
                                         "' --to A --at 0 0 --speed 0 --course 0 --kind walk");
    EXPECT_THAT(to.out, HasSubstr("BRG: Unknown\n"));
    EXPECT_THAT(to.out, HasSubstr("ETE: A\n"));
    EXPECT_EQ(Cli("guide --store '" + (dir / "NaviStor.zrv").string() +
                  "' --to NONE --at 0 0 --speed 0 --course 0")
                  .exit,
              1);
}

TEST_F(StoreCommandsTest, GuideNmeaPrintsTheAutopilotsSentencesWithTheViewsValues) {
    ImportSample();
    // North of the leg A -> B, heading east: 0.60 nm off it, steer right, as XTK says.
    const std::string guide = "guide --store '" + (dir / "NaviStor.zrv").string() +
                              "' --along R1 --active 2 --at 0.01 0.05 --speed 10 --course 90";
    EXPECT_THAT(Cli(guide).out, HasSubstr("XTK: 0.601nmi ->\n"));
    const testpaths::CommandRun run = Cli(guide + " --nmea");
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out, "$GPRMB,A,0.60,R,A,B,0000.0000,N,00006.0000,E,3.1,101.3,9.8,V,A*46\r\n"
                       "$GPAPB,A,A,0.60,R,N,V,V,90.0,T,B,101.3,T,101.3,T,A*2C\r\n"
                       "$GPXTE,A,A,0.60,R,N,A*1B\r\n");
}

TEST_F(StoreCommandsTest, DistancesFollowTheSettingsUnlessAnOptionSaysOtherwise) {
    ImportSample();
    const std::string guide = "guide --store '" + (dir / "NaviStor.zrv").string() +
                              "' --along R1 --at 0 0.05 --speed 10 --course 90";
    EXPECT_THAT(Cli("store " + Store() + " nearest 0 0.09").out, HasSubstr("DST (nmi)"));
    EXPECT_THAT(Cli(guide).out, HasSubstr("ERD: 9.017nmi")) << "to A, then on to B";
    ASSERT_EQ(Cli("settings set General DistanceUnits dword 1").exit, 0);
    ASSERT_EQ(Cli("settings set General AutomaticallyFollowTheRoute dword 0").exit, 0);

    EXPECT_THAT(Cli("store " + Store() + " nearest 0 0.09").out, HasSubstr("DST (km)"));
    EXPECT_THAT(Cli("store " + Store() + " legs R1").out, HasSubstr("Total Distance: 11.1"));
    EXPECT_THAT(Cli("store " + Store() + " --units mi legs R1").out,
                HasSubstr("Total Distance: 6.9"));
    const testpaths::CommandRun stored = Cli(guide);
    EXPECT_THAT(stored.out, HasSubstr("ERD: 5.566km")) << "to A only, in km";
    EXPECT_THAT(stored.out, HasSubstr("\nETE: ")) << stored.out;
    const testpaths::CommandRun options = Cli(guide + " --units nmi --follow yes");
    EXPECT_THAT(options.out, HasSubstr("ETE(all route): ")) << options.out;
    EXPECT_THAT(options.out, HasSubstr("ERD: 9.017nmi"));
    EXPECT_EQ(Cli(guide + " --follow maybe").exit, 2);
}

TEST_F(StoreCommandsTest, ImportSaysWhatTheFileHoldsAndWhatWasLeftOut) {
    // Read with short coordinates, a 48-character name fits a line; written back with four
    // decimals it would not.
    const std::string name(48, 'L');
    std::string body = "GPWPL,4916.45,N,12311.12,W," + name;
    unsigned sum = 0;
    for (const char c : body) {
        sum ^= static_cast<unsigned char>(c);
    }
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "*%02X\r\n", sum);
    testpaths::WriteFileBytes(dir / "long.txt",
                              "$" + body + checksum + "$GPWPL,0000.0000,N,00000.0000,E,A*0A\r\n");
    const testpaths::CommandRun run = Cli("store " + Store() + " import " + Path("long.txt"));
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.out, "The store file holds 1 waypoints and 0 routes.\n");
    EXPECT_THAT(run.err, HasSubstr("left out of the store file"));
    EXPECT_THAT(run.err, HasSubstr("waypoint '" + name + "'"));
    EXPECT_THAT(Cli("store " + Store() + " waypoints").out, Not(HasSubstr(name)));
}

} // namespace
