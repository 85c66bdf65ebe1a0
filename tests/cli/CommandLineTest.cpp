// The command-line conventions every command follows: what was wrong is said before the usage,
// --help and --version answer on stdout, values that cannot be right are refused, and a write
// that fails (a file-size limit) is a message and exit 1, never a killed process.
#include "tests/support/TestPaths.h"
#include "tests/tracks/NmeaLines.h"

#include <gmock/gmock.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    // Run in the test's folder with settings and documents of its own; `prefix` goes before
    // the program (a ulimit, a variable).
    testpaths::CommandRun Cli(const std::string& arguments, const std::string& prefix = {}) {
        return testpaths::RunCommand(
            "cd '" + dir.Path().string() + "' && export XDG_CONFIG_HOME='" +
                (dir / "config").string() + "' XDG_DOCUMENTS_DIR='" + (dir / "Documents").string() +
                "' HOME='" + dir.Path().string() + "'; " + prefix + " '" + ZRV_CLI_PATH + "' " +
                arguments,
            dir.Path());
    }
    std::string Path(const std::string& name) const { return "'" + (dir / name).string() + "'"; }

    // A drive of `seconds` fixes going north.
    std::string Drive(int seconds) {
        std::string text;
        for (int i = 0; i < seconds; ++i) {
            text += nmealines::Gga(43200 + i, 46.9 + i * 0.001, 7.4, "420.5");
            text += nmealines::Rmc(43200 + i, 46.9 + i * 0.001, 7.4, 20.0, 0.0);
        }
        return text;
    }

    // A store with `count` waypoints, over a kilobyte from about 20.
    void StoreWaypoints(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += nmealines::Line("GPWPL,4700.0000,N,00700.0000,E,WPT" + std::to_string(i));
        }
        testpaths::WriteFileBytes(dir / "waypoints.txt", text);
        ASSERT_EQ(
            Cli("store --file " + Path("NaviStor.zrv") + " import " + Path("waypoints.txt")).exit,
            0);
    }

    testpaths::TempDir dir;
};

TEST_F(CommandLineTest, BadUsageSaysWhatWasWrongThenShowsTheUsage) {
    testpaths::WriteFileBytes(dir / "drive.txt", Drive(2));
    const struct {
        const char* arguments;
        const char* problem;
    } cases[] = {
        {"", "ppcObrin3-cli: missing COMMAND\n"},
        {"frobnicate", "ppcObrin3-cli: unknown command frobnicate\n"},
        {"stats --bogus drive.txt", "ppcObrin3-cli stats: unknown option --bogus\n"},
        {"stats --units furlong drive.txt", "ppcObrin3-cli stats: --units takes km, mi or nmi\n"},
        {"stats", "ppcObrin3-cli stats: missing FILE\n"},
        {"points drive.txt drive.txt", "ppcObrin3-cli points: unexpected argument drive.txt\n"},
        {"check", "ppcObrin3-cli check: missing FILE\n"},
        {"record COM1: --loud", "ppcObrin3-cli record: unknown option --loud\n"},
        {"record COM1: COM2:", "ppcObrin3-cli record: unexpected argument COM2:\n"},
        {"play --to COM1:", "ppcObrin3-cli play: missing FILE\n"},
        {"play drive.txt --zoom 7", "ppcObrin3-cli play: --zoom takes 1, 3, 5, 10, 20, 30, 40, "
                                    "50, 60, 70, 80, 90 or 100\n"},
        {"play drive.txt --from middle", "ppcObrin3-cli play: --from takes begin, end, "
                                         "max-speed, max-alt or min-alt\n"},
        {"play drive.txt --max-gap 5", "ppcObrin3-cli play: --max-gap needs --paced\n"},
        {"play drive.txt --paced --max-gap 0",
         "ppcObrin3-cli play: --max-gap takes a number of seconds from 1\n"},
        {"source serial", "ppcObrin3-cli source: missing PORT\n"},
        {"destination builtin", "ppcObrin3-cli destination: unexpected argument builtin"},
        {"bluetooth", "ppcObrin3-cli bluetooth: missing scan\n"},
        {"store waypoints --units", "ppcObrin3-cli store: --units takes km, mi or nmi\n"},
        {"store --sort waypoints", "ppcObrin3-cli store: unknown option --sort\n"},
        {"store", "ppcObrin3-cli store: missing subcommand"},
        {"guide --store x.zrv --to A --at 1 2 --speed 1", "ppcObrin3-cli guide: missing --course"},
        {"guide --store x.zrv --to A --at 1 2 --speed 1 --course 3 --kind run",
         "ppcObrin3-cli guide: --kind takes walk, drive or flight\n"},
        {"settings frob", "ppcObrin3-cli settings: unexpected argument frob"},
        {"settings get General", "ppcObrin3-cli settings: missing VALUE\n"},
        {"devices extra", "ppcObrin3-cli devices: unexpected argument extra\n"},
        {"vport register 12", "ppcObrin3-cli vport: register takes N from 0 to 9\n"},
        {"kml drive.txt", "ppcObrin3-cli kml: missing OUT.kml|OUT.kmz\n"},
        {"import", "ppcObrin3-cli import: missing FILE\n"},
    };
    for (const auto& c : cases) {
        const testpaths::CommandRun run = Cli(c.arguments);
        EXPECT_EQ(run.exit, 2) << c.arguments;
        EXPECT_THAT(run.err, StartsWith(c.problem)) << c.arguments;
        EXPECT_THAT(run.err, HasSubstr("usage: ppcObrin3-cli ")) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.zrv"));
}

TEST_F(CommandLineTest, HelpAndVersionAnswerOnStdoutAndSucceed) {
    const testpaths::CommandRun help = Cli("--help");
    EXPECT_EQ(help.exit, 0);
    EXPECT_THAT(help.out, StartsWith("usage: ppcObrin3-cli COMMAND [ARGS...]\n"));
    EXPECT_THAT(help.out, HasSubstr("\n  record [PORT | URL]"));
    EXPECT_EQ(help.err, "");
    const testpaths::CommandRun version = Cli("--version");
    EXPECT_EQ(version.exit, 0);
    EXPECT_EQ(version.out, "ppcObrin3-cli " ZRV_VERSION "\n");
    // Each command's own help, with its options; it wins over any other argument.
    const struct {
        const char* arguments;
        const char* option;
    } commands[] = {
        {"record --help", "  --discard   delete the record file at the stop\n"},
        {"play x.txt --help", "  --once       stop at the end of the track\n"},
        {"stats --help", "  --units UNIT"},
        {"store --help", "latitude_deg"},
        {"guide --help", "  --speed KN"},
        {"settings set --help", "  TYPE      dword"},
        {"source --help", "  builtin "},
        {"kml --help", "  --plain "},
        {"import --help", "  --points "},
        {"vport --help", "  register N "},
    };
    for (const auto& c : commands) {
        const testpaths::CommandRun run = Cli(c.arguments);
        const std::string name =
            std::string(c.arguments).substr(0, std::string(c.arguments).find(' '));
        EXPECT_EQ(run.exit, 0) << c.arguments;
        EXPECT_THAT(run.out, StartsWith("usage: ppcObrin3-cli " + name + " ")) << c.arguments;
        EXPECT_THAT(run.out, HasSubstr(c.option)) << c.arguments;
        EXPECT_EQ(run.err, "") << c.arguments;
    }
}

TEST_F(CommandLineTest, ValuesThatCannotBeRightAreRefusedAndNotStored) {
    const testpaths::CommandRun port = Cli("source serial nonsense");
    EXPECT_EQ(port.exit, 2);
    EXPECT_THAT(port.err, StartsWith("ppcObrin3-cli source: nonsense is not a port name"));
    EXPECT_EQ(Cli("destination serial COM:").exit, 2);
    for (const char* name : {"COM7:", "GPD0:", "/dev/ttyUSB0"}) {
        EXPECT_EQ(Cli(std::string("source serial ") + name).exit, 0) << name;
    }
    EXPECT_EQ(Cli("source").out, "Record from /dev/ttyUSB0\n");
    // A Bluetooth address as the scan lists it, or in the colon form of other tools.
    for (const char* bad : {"00:11:22:33:44", "00-11-22-33-44-55", "0011223344556"}) {
        EXPECT_EQ(Cli(std::string("destination bluetooth ") + bad).exit, 2) << bad;
    }
    EXPECT_EQ(Cli("destination bluetooth 00:11:22:33:44:55").exit, 0);
    EXPECT_EQ(Cli("settings get 'Communication\\Destination' RemoteDeviceAddress").out,
              std::to_string(0x001122334455ULL) + "\n");

    const struct {
        const char* arguments;
        const char* problem;
    } settings[] = {
        {"General DistanceUnits dword 4", "DistanceUnits takes a dword 1, 2 or 3\n"},
        {"General DistanceUnits dword 0", "DistanceUnits takes a dword 1, 2 or 3\n"},
        {"general distanceunits string 2", "DistanceUnits takes a dword 1, 2 or 3\n"},
        {"General KindOfRouteGuidance dword 9", "KindOfRouteGuidance takes a dword 1, 2 or 3\n"},
        {"General VSerialPort dword 10", "VSerialPort takes a dword -1, 0, 1"},
        {"General DTUserSelectableField dword 9", "DTUserSelectableField takes a dword 1, 2,"},
        {"PlaybackControl\\\\FromFile SpeedZoom dword 7", "SpeedZoom takes a dword 1, 3, 5, 10"},
        {"Communication\\\\Source DeviceKind string XX", "DeviceKind takes a string SP or BT\n"},
        {"Communication UseGPSIntermediateDriver dword 2",
         "UseGPSIntermediateDriver takes a dword 0 or 1\n"},
    };
    for (const auto& c : settings) {
        const testpaths::CommandRun run = Cli(std::string("settings set ") + c.arguments);
        EXPECT_EQ(run.exit, 2) << c.arguments;
        EXPECT_THAT(run.err, StartsWith(std::string("ppcObrin3-cli settings: ") + c.problem))
            << c.arguments;
    }
    EXPECT_EQ(Cli("settings get General DistanceUnits").exit, 1);
    EXPECT_EQ(Cli("settings set General DistanceUnits dword 1").exit, 0);
    EXPECT_EQ(Cli("settings set General VSerialPort dword -1").exit, 0);
    EXPECT_EQ(Cli("settings set General SomethingElse dword 99").exit, 0);
    EXPECT_EQ(Cli("settings get General DistanceUnits").out, "1\n");

    testpaths::WriteFileBytes(dir / "drive.txt", Drive(3));
    const testpaths::CommandRun gpx = Cli("kml drive.txt out.gpx");
    EXPECT_EQ(gpx.exit, 2);
    EXPECT_THAT(gpx.err, StartsWith("ppcObrin3-cli kml: out.gpx is not a .kml or .kmz file name"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.gpx"));
    EXPECT_EQ(Cli("kml drive.txt OUT.KML").exit, 0);
}

TEST_F(CommandLineTest, UnderAFileSizeLimitAWriteFailsWithAMessageAndLeavesNoPartialFile) {
    // "ulimit -f 1": files of at most 1024 bytes.
    testpaths::WriteFileBytes(dir / "drive.txt", Drive(60));
    const testpaths::CommandRun kml = Cli("kml drive.txt out.kml", "ulimit -f 1;");
    EXPECT_EQ(kml.exit, 1);
    EXPECT_THAT(kml.err, HasSubstr("Unable to write file 'out.kml': File too large"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.kml"));
    const testpaths::CommandRun kmz = Cli("kml drive.txt out.kmz", "ulimit -f 1;");
    EXPECT_EQ(kmz.exit, 1);
    EXPECT_THAT(kmz.err, HasSubstr("Unable to write the KMZ archive"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.kmz"));

    StoreWaypoints(40);
    const std::string before = testpaths::ReadFileBytes(dir / "NaviStor.zrv");
    ASSERT_GT(before.size(), 1024u);
    const testpaths::CommandRun add =
        Cli("store --file " + Path("NaviStor.zrv") + " add-waypoint HOME 1 2", "ulimit -f 1;");
    EXPECT_EQ(add.exit, 1);
    EXPECT_THAT(add.err, HasSubstr("File too large"));
    testpaths::WriteFileBytes(
        dir / "points.kml",
        "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">"
        "<Document><Placemark><Point><coordinates>7,47,0</coordinates>"
        "</Point></Placemark></Document></kml>");
    const testpaths::CommandRun import =
        Cli("import points.kml --store " + Path("NaviStor.zrv"), "ulimit -f 1;");
    EXPECT_EQ(import.exit, 1);
    EXPECT_THAT(import.err, HasSubstr("File too large"));
    EXPECT_EQ(testpaths::ReadFileBytes(dir / "NaviStor.zrv"), before);

    // A route of 30 waypoints exports to more than a kilobyte.
    std::string placemarks;
    for (int i = 0; i < 30; ++i) {
        placemarks += "<Placemark><Point><coordinates>7." + std::to_string(i) +
                      ",47,0</coordinates></Point></Placemark>";
    }
    testpaths::WriteFileBytes(dir / "route.kml", "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://"
                                                 "www.opengis.net/kml/2.2\"><Document>" +
                                                     placemarks + "</Document></kml>");
    ASSERT_EQ(Cli("import route.kml --store " + Path("NaviStor.zrv")).exit, 0);
    const testpaths::CommandRun exported = Cli(
        "store --file " + Path("NaviStor.zrv") + " export-route route.kml out.txt", "ulimit -f 1;");
    EXPECT_EQ(exported.exit, 1);
    EXPECT_THAT(exported.err, HasSubstr("cannot write out.txt: File too large"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.txt"));
}

TEST_F(CommandLineTest, StoreJsonIsOneObjectALineAndEveryNumberNamesItsUnit) {
    testpaths::WriteFileBytes(dir / "gps.txt", "$GPWPL,0000.0000,N,00000.0000,E,A*0A\n"
                                               "$GPWPL,0000.0000,N,00006.0000,E,B*0F\n"
                                               "$GPRTE,1,1,c,R1,A,B*57\n");
    const std::string store = "store --json --file " + Path("NaviStor.zrv") + " ";
    ASSERT_EQ(Cli(store + "import " + Path("gps.txt")).exit, 0);
    const std::string place = (dir / "NaviStor.zrv").string();
    EXPECT_EQ(Cli(store + "waypoints").out,
              "{\"name\":\"A\",\"latitude_deg\":0,\"longitude_deg\":0,\"place_to_store\":\"" +
                  place + "\"}\n{\"name\":\"B\",\"latitude_deg\":0,\"longitude_deg\":0.1," +
                  "\"place_to_store\":\"" + place + "\"}\n");
    EXPECT_EQ(Cli(store + "routes").out, "{\"name\":\"R1\",\"place_to_store\":\"" + place +
                                             "\",\"waypoints\":[\"A\",\"B\"]}\n");
    const std::string legs = Cli(store + "legs R1").out;
    EXPECT_THAT(legs, StartsWith("{\"route\":\"R1\",\"number\":1,\"name\":\"A\","
                                 "\"desired_track_deg\":null,\"leg_distance_nmi\":null,"
                                 "\"from_begin_nmi\":0,\"to_end_nmi\":6.0"));
    EXPECT_THAT(legs, HasSubstr("}\n{\"route\":\"R1\",\"number\":2,\"name\":\"B\","
                                "\"desired_track_deg\":90,\"leg_distance_nmi\":6"));
    EXPECT_EQ(std::count(legs.begin(), legs.end(), '\n'), 2);
    const std::string nearest = Cli(store + "nearest 0 0.09 all").out;
    EXPECT_THAT(nearest, StartsWith("{\"name\":\"B\",\"distance_nmi\":0.6"));
    EXPECT_THAT(nearest, HasSubstr(",\"bearing_deg\":90}\n{\"name\":\"A\",\"distance_nmi\":5.4"));
    EXPECT_EQ(std::count(nearest.begin(), nearest.end(), '\n'), 2);
}

TEST_F(CommandLineTest, ABuiltInGpsWhoseGpsdIsSilentIsNamedWithItsAddress) {
    // A port bound but not listening: a connection to it is refused.
    const int silent = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string gpsd = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const std::string environment = "export ZRV_GPSD=" + gpsd + ";";
    ASSERT_EQ(Cli("settings set Communication UseGPSIntermediateDriver dword 1").exit, 0);
    const testpaths::CommandRun record = Cli("record", environment);
    EXPECT_EQ(record.exit, 1);
    EXPECT_EQ(record.err, "ppcObrin3-cli: the source is the built-in GPS, but gpsd does not "
                          "answer at " +
                              gpsd + "\n");
    const testpaths::CommandRun source = Cli("source", environment);
    EXPECT_EQ(source.exit, 0);
    EXPECT_EQ(source.out, "Record from built-in GPS\n");
    EXPECT_EQ(source.err, "ppcObrin3-cli: gpsd does not answer at " + gpsd + "\n");
    EXPECT_THAT(Cli("source builtin", environment).err, HasSubstr("answer at " + gpsd));
    close(silent);
}

TEST_F(CommandLineTest, PlayOfAFileThatDoesNotOpenGivesOnlyTheSystemsReason) {
    const testpaths::CommandRun run = Cli("play missing.txt --to /dev/null");
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.err, "ppcObrin3-cli: missing.txt: No such file or directory\n");
}

} // namespace
