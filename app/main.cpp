// ppcObrin3: the window of the recorder. "ppcObrin3 FILE" opens FILE as Open... would.
#include "app/CMainFrame.h"
#include "app/CObrin2App.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ppcObrin3"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationName));
    QApplication::setDesktopFileName(QStringLiteral("ppcObrin3"));
    CObrin2App app(PlatformPaths::FromEnvironment());
    if (!app.InitInstance()) {
        return 1;
    }
    CMainFrame& frame = app.Frame();
    frame.resize(480, 640);
    frame.show();
    // After the first activation, whose settings choose the initial view.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        QTimer::singleShot(0, &frame, [&frame, path = arguments.at(1)] { frame.OpenPath(path); });
    }
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
