#include "app/dialogs/RouteUploadWait.h"

#include "comm/CommEndpoint.h"

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTimer>

namespace {

// How often the box looks whether the connection has finished.
constexpr int kPollMilliseconds = 50;

} // namespace

UploadOutcome WaitForRouteUpload(CommEndpoint& endpoint, QWidget* parent,
                                 std::chrono::milliseconds limit,
                                 const std::function<void(QWidget&)>& shown) {
    QProgressDialog progress(QStringLiteral("Uploading the route..."), QStringLiteral("&Close"), 0,
                             0, parent);
    progress.setWindowTitle(QStringLiteral("Upload(NMEA)"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    // Closing stops the wait and reports nothing.
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, &QDialog::reject);

    UploadOutcome outcome = UploadOutcome::Closed;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &progress, [&] {
        std::int32_t value = 0;
        if (endpoint.WaitUploadDone(value, std::chrono::milliseconds(0))) {
            outcome = value != 0 ? UploadOutcome::Completed : UploadOutcome::Failed;
            progress.accept();
        } else if (elapsed.elapsed() >= limit.count()) {
            outcome = UploadOutcome::TimedOut;
            progress.accept();
        }
    });
    poll.start(kPollMilliseconds);
    if (shown) {
        QTimer::singleShot(0, &progress, [&] { shown(progress); });
    }
    progress.exec();
    return outcome;
}
