// ppcObrin3: the window of the recorder.
//   ppcObrin3 [--record] [FILE]
// FILE (a record file or a KML/KMZ file) is opened as Open... would; --record starts
// recording from the configured source as the Record from command would.
#include "app/CMainFrame.h"
#include "app/CObrin2App.h"
#include "app/CommandIds.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kExitUsage = 2;

struct CommandLine {
    bool record = false;
    QString file;
};

bool ParseCommandLine(const QStringList& arguments, CommandLine& out) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--record")) {
            out.record = true;
        } else if (argument.startsWith(QLatin1Char('-')) || !out.file.isEmpty()) {
            return false;
        } else {
            out.file = argument;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ppcObrin3"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationName));
    QApplication::setDesktopFileName(QStringLiteral("ppcObrin3"));
    CommandLine commandLine;
    if (!ParseCommandLine(QApplication::arguments(), commandLine)) {
        std::fprintf(stderr, "usage: ppcObrin3 [--record] [FILE]\n");
        return kExitUsage;
    }
    CObrin2App app(PlatformPaths::FromEnvironment());
    if (!app.InitInstance()) {
        return 1;
    }
    CMainFrame& frame = app.Frame();
    frame.resize(480, 640);
    frame.show();
    // After the first activation, whose settings choose the initial view and the source.
    QTimer::singleShot(0, &frame, [&frame, commandLine] {
        if (!commandLine.file.isEmpty()) {
            frame.OpenPath(commandLine.file);
        }
        if (commandLine.record) {
            frame.ExecuteCommand(command_ids::kRecordFrom);
        }
    });
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
