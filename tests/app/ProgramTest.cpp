// The real program under a virtual X server: opened with a receiver log on its command line,
// it shows the log's name as its title and ends cleanly when its window is closed.
#include "QtTestMain.h"

#include "support/TestPaths.h"

#include <QStandardPaths>

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    void OpensALogFromTheCommandLineAndExitsCleanly();
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

ZRV_QTEST_MAIN(ProgramTest)
#include "ProgramTest.moc"
