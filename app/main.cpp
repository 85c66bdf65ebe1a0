// ppcObrin3: the window of the recorder.
//   ppcObrin3 [--record] [--fullscreen] [FILE]
// FILE (a record file or a KML/KMZ/GPX file) is opened as Open... would; --record starts
// recording from the configured source as the Record from command would; --fullscreen opens
// the window full screen, as it opens anyway on a screen no larger than 1024x768.
#include "app/CMainFrame.h"
#include "app/CObrin2App.h"
#include "app/ShutdownSignals.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kExitUsage = 2;
constexpr const char* kUsage = "usage: ppcObrin3 [--record] [--fullscreen] [FILE]\n"
                               "       ppcObrin3 --help | --version\n";

struct CommandLine {
    bool record = false;
    bool fullScreen = false;
    QString file;
};

// Empty when the command line is right, else what is wrong with it.
QString ParseCommandLine(const QStringList& arguments, CommandLine& out) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--record")) {
            out.record = true;
        } else if (argument == QLatin1String("--fullscreen")) {
            out.fullScreen = true;
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return QStringLiteral("unknown option ") + argument;
        } else if (!out.file.isEmpty()) {
            return QStringLiteral("unexpected argument ") + argument;
        } else {
            out.file = argument;
        }
    }
    return {};
}

// --help and --version are answered before the application object exists, so that they work
// without a display. True when one of them was.
bool AnswerInformationOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("%s\n"
                        "  FILE          a record file, or a KML, KMZ or GPX file, opened "
                        "as Open... would\n"
                        "  --record      starts recording from the configured source, as "
                        "Record from would\n"
                        "  --fullscreen  opens the window full screen, as it opens anyway on a "
                        "screen\n"
                        "                no larger than 1024x768 (View / Full Screen, F11)\n\n"
                        "SIGTERM, SIGHUP, SIGINT and the end of the desktop session end the "
                        "program as Exit\n"
                        "does, without questions: a recording keeps its file, the navigation "
                        "store is saved.\n",
                        kUsage);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("ppcObrin3 " ZRV_VERSION "\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (AnswerInformationOptions(argc, argv)) {
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ppcObrin3"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationName));
    QApplication::setDesktopFileName(QStringLiteral("ppcObrin3"));
    CommandLine commandLine;
    if (const QString problem = ParseCommandLine(QApplication::arguments(), commandLine);
        !problem.isEmpty()) {
        std::fprintf(stderr, "ppcObrin3: %s\n%s", qPrintable(problem), kUsage);
        return kExitUsage;
    }
    CObrin2App app(PlatformPaths::FromEnvironment());
    if (!app.InitInstance()) {
        return 1;
    }
    const ShutdownSignals shutdownSignals([&app](int) { app.ExitWithoutQuestions(); });
    CMainFrame& frame = app.Frame();
    frame.ShowFitted(commandLine.fullScreen);
    // After the first activation, whose settings choose the initial view and the source.
    QTimer::singleShot(0, &frame, [&app, &frame, commandLine] {
        if (!commandLine.file.isEmpty()) {
            frame.OpenPath(commandLine.file);
        }
        if (commandLine.record) {
            app.RecordFromCommandLine();
        }
    });
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
