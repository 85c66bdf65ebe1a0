#include "app/BusyBox.h"

#include "comm/WorkerThreadSlot.h"

#include <QDialog>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Escape and the close button do nothing: the work cannot be abandoned half done.
class BusyDialog final : public QDialog {
public:
    using QDialog::QDialog;
    void reject() override {}
};

// Closes the box when the work has ended, also when it ended with an exception.
class CloseWhenDone {
public:
    explicit CloseWhenDone(QDialog& box) : m_box(box) {}
    ~CloseWhenDone() {
        QMetaObject::invokeMethod(
            &m_box, [box = &m_box] { box->done(QDialog::Accepted); }, Qt::QueuedConnection);
    }
    CloseWhenDone(const CloseWhenDone&) = delete;
    CloseWhenDone& operator=(const CloseWhenDone&) = delete;

private:
    QDialog& m_box;
};

} // namespace

void RunWithBusyBox(QWidget* parent, const QString& title, const QString& text, IPrompts& prompts,
                    const std::function<void()>& work, const std::function<void(QDialog&)>& shown) {
    BusyDialog box(parent);
    box.setWindowTitle(title);
    box.setModal(true);
    auto* column = new QVBoxLayout(&box);
    auto* label = new QLabel(text, &box);
    label->setWordWrap(true);
    column->addWidget(label);
    auto* busy = new QProgressBar(&box);
    busy->setRange(0, 0); // no measure of how far: the bar only moves
    column->addWidget(busy);

    WorkerThreadSlot worker;
    worker.SetPrompts(&prompts);
    // The work starts from inside the box's own event loop, so that its end can never arrive
    // before the loop that closes the box runs.
    QTimer::singleShot(0, &box, [&] {
        if (shown) {
            shown(box);
        }
        const bool started = worker.Start([&] {
            const CloseWhenDone close(box);
            work();
            return 0;
        });
        if (!started) {
            work();
            box.done(QDialog::Accepted);
        }
    });
    box.exec();
    worker.Stop();
}
