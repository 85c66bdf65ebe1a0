// The real program under a virtual X server: opened with a receiver log on its command line,
// it shows the log's name as its title and ends cleanly when its window is closed.
#include "QtTestMain.h"

#include "comm/AppFixture.h"
#include "comm/ChildProcess.h"
#include "comm/PseudoTerminal.h"
#include "comm/TestLogs.h"
#include "platform/ScriptedPrompts.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "support/TestPaths.h"
#include "tracks/NmeaLines.h"

#include <QStandardPaths>

#include <csignal>

using namespace std::chrono_literals;

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void OpensALogFromTheCommandLineAndExitsCleanly();
    void HelpAndVersionAnswerWithoutADisplay();
    void ShutdownSignalsEndTheRecordingAsExitDoes();
    void WindowFillsASmallScreenAndOpensAtItsSizeElsewhere();
};

void ProgramTest::OpensALogFromTheCommandLineAndExitsCleanly() {
    for (const char* tool : {"xvfb-run", "xdotool"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            QSKIP(qPrintable(QStringLiteral("%1 not found: the program is not started").arg(tool)));
        }
    }
    const auto corpus = testpaths::CorpusDir();
    if (!corpus) {
        QSKIP("shared corpus not found (set ZRV_CORPUS_DIR)");
    }
    const std::filesystem::path log = *corpus / "nmea" / "telit-he910.log";
    testpaths::TempDir dir;
    const std::string script =
        "unset QT_QPA_PLATFORM; export LSAN_OPTIONS=suppressions=" ZRV_LSAN_SUPPRESSIONS "; "
        "\"" ZRV_PROGRAM "\" \"" +
        log.string() +
        "\" 2>program-err & pid=$!; "
        "for i in $(seq 150); do w=$(xdotool search --name 'telit-he910' | tail -1); "
        "[ -n \"$w\" ] && break; sleep 0.2; done; "
        "xdotool getwindowname \"$w\"; "
        "xdotool windowfocus --sync \"$w\"; xdotool key ctrl+q; "
        "wait $pid; echo \"exit=$?\"";
    testpaths::WriteFileBytes(dir / "run.sh", script);
    const testpaths::CommandRun run = testpaths::RunCommand(
        "cd '" + dir.Path().string() +
            "' && timeout 60 xvfb-run -a -s '-screen 0 800x600x24' bash run.sh",
        dir.Path());
    QCOMPARE(run.exit, 0);
    QVERIFY2(run.out.find("telit-he910.log") != std::string::npos, run.out.c_str());
    QVERIFY2(run.out.find("exit=0") != std::string::npos,
             (run.out + testpaths::ReadFileBytes(dir / "program-err")).c_str());
}

void ProgramTest::HelpAndVersionAnswerWithoutADisplay() {
    testpaths::TempDir dir;
    // The X platform without a display: the program could not make its application object.
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "
                                  "\"" ZRV_PROGRAM "\" ";
    const testpaths::CommandRun help = testpaths::RunCommand(noDisplay + "--help", dir.Path());
    QCOMPARE(help.exit, 0);
    QVERIFY2(help.out.rfind("usage: ppcObrin3 [--record] [--fullscreen] [FILE]\n", 0) == 0,
             help.out.c_str());
    QVERIFY2(help.out.find("  --record ") != std::string::npos, help.out.c_str());
    QVERIFY2(help.out.find("  --fullscreen ") != std::string::npos, help.out.c_str());
    const testpaths::CommandRun version =
        testpaths::RunCommand(noDisplay + "--version", dir.Path());
    QCOMPARE(version.exit, 0);
    QCOMPARE(version.out, std::string("ppcObrin3 " ZRV_VERSION "\n"));
    const testpaths::CommandRun bogus =
        testpaths::RunCommand("QT_QPA_PLATFORM=offscreen \"" ZRV_PROGRAM "\" --bogus", dir.Path());
    QCOMPARE(bogus.exit, 2);
    QVERIFY2(bogus.err.find("ppcObrin3: unknown option --bogus\nusage: ppcObrin3 ") !=
                 std::string::npos,
             bogus.err.c_str());
}

// A shutdown (SIGTERM) or a closed session (SIGHUP) while recording: the recording stops and
// keeps its file without a question, and the waypoint the receiver sent, which only the store
// holds, is saved with it.
void ProgramTest::ShutdownSignalsEndTheRecordingAsExitDoes() {
    for (const int signal : {SIGTERM, SIGHUP}) {
        testpaths::TempDir home;
        PseudoTerminal receiver;
        {
            ScriptedPrompts prompts;
            RegistryStore registry(PlatformPaths::Below(home.Path()), &prompts);
            QCOMPARE(SaveDeviceSelection(registry, settings_keys::kSource,
                                         {DeviceKind::SerialPort, receiver.SlavePath(), {}, 0}),
                     0);
        }
        const std::filesystem::path documents = home / "Documents";
        ChildProcess program(ZRV_PROGRAM,
                             {{"--record"},
                              {"QT_QPA_PLATFORM=offscreen", "HOME=" + home.Path().string(),
                               "XDG_CONFIG_HOME=" + (home / "config").string(),
                               "XDG_DOCUMENTS_DIR=" + documents.string(), "ZRV_GPSD=127.0.0.1:1",
                               "LSAN_OPTIONS=suppressions=" ZRV_LSAN_SUPPRESSIONS},
                              std::nullopt,
                              std::nullopt},
                             home.Path());
        const std::string drive = testlogs::SyntheticDrive(10) + "$";
        receiver.Write(nmealines::Line("GPWPL,4916.4500,N,12311.1200,W,SIGNALWPT") + drive);
        std::filesystem::path file;
        QVERIFY2(WaitUntil(
                     [&] {
                         std::error_code error;
                         for (const auto& entry :
                              std::filesystem::directory_iterator(documents, error)) {
                             if (entry.path().extension() == ".txt" &&
                                 testpaths::ReadFileBytes(entry.path()).find("$GPRMC,073009") !=
                                     std::string::npos) {
                                 file = entry.path();
                                 return true;
                             }
                         }
                         return false;
                     },
                     60s),
                 program.Stderr().c_str());
        program.Signal(signal);
        QCOMPARE(program.Wait(60s), std::optional<int>(0));
        QVERIFY2(std::filesystem::exists(file), program.Stderr().c_str());
        QVERIFY(testpaths::ReadFileBytes(file).find("$GPRMC,073009") != std::string::npos);
        QVERIFY2(testpaths::ReadFileBytes(documents / "NaviStor.zrv").find("SIGNALWPT") !=
                     std::string::npos,
                 program.Stderr().c_str());
    }
}

// On a bare X server (no window manager): filling a screen no larger than 1024x768, or any
// screen with --fullscreen; elsewhere 480x640 the first time.
void ProgramTest::WindowFillsASmallScreenAndOpensAtItsSizeElsewhere() {
    for (const char* tool : {"xvfb-run", "xdotool"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            QSKIP(qPrintable(QStringLiteral("%1 not found: the program is not started").arg(tool)));
        }
    }
    const struct {
        const char* screen;
        const char* options;
        const char* geometry;
    } cases[] = {
        {"320x240", "", "320x240"},
        {"800x480", "", "800x480"},
        {"1280x1024", "", "480x640"},
        {"1280x1024", "--fullscreen", "1280x1024"},
    };
    for (const auto& c : cases) {
        testpaths::TempDir dir;
        const std::string script =
            "unset QT_QPA_PLATFORM; export LSAN_OPTIONS=suppressions=" ZRV_LSAN_SUPPRESSIONS "; "
            "export HOME=\"$PWD\" XDG_CONFIG_HOME=\"$PWD/config\" "
            "XDG_DOCUMENTS_DIR=\"$PWD/Documents\" ZRV_GPSD=127.0.0.1:1; "
            "\"" ZRV_PROGRAM "\" " +
            std::string(c.options) +
            " 2>program-err & pid=$!; "
            "for i in $(seq 150); do w=$(xdotool search --onlyvisible --name Velmora | tail -1); "
            "[ -n \"$w\" ] && break; sleep 0.2; done; "
            "xdotool getwindowgeometry \"$w\"; "
            "xdotool windowfocus --sync \"$w\"; xdotool key ctrl+q; "
            "wait $pid; echo \"exit=$?\"";
        testpaths::WriteFileBytes(dir / "run.sh", script);
        const testpaths::CommandRun run = testpaths::RunCommand(
            "cd '" + dir.Path().string() + "' && timeout 60 xvfb-run -a -s '-screen 0 " + c.screen +
                "x24' bash run.sh",
            dir.Path());
        const std::string said = std::string(c.screen) + " " + c.options + ": " + run.out +
                                 testpaths::ReadFileBytes(dir / "program-err");
        QVERIFY2(run.out.find("Position: 0,0") != std::string::npos, said.c_str());
        QVERIFY2(run.out.find(std::string("Geometry: ") + c.geometry + "\n") != std::string::npos,
                 said.c_str());
        QVERIFY2(run.out.find("exit=0") != std::string::npos, said.c_str());
    }
}

ZRV_QTEST_MAIN(ProgramTest)
#include "ProgramTest.moc"
