#include "app/UiThreadCall.h"

void UiThreadCall::Post(std::function<void()> work) {
    QMetaObject::invokeMethod(
        this,
        [this, work = std::move(work)] {
            if (!IsCancelled()) {
                work();
            }
        },
        Qt::QueuedConnection);
}

void UiThreadCall::Cancel() {
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
    m_changed.notify_all();
}

bool UiThreadCall::IsCancelled() const {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}
