#include "app/QtTimers.h"

#include "app/KeepAwake.h"
#include "app/UiThreadCall.h"

QtTimers::QtTimers(UiThreadCall& ui) : m_ui(ui) {}

QtTimers::~QtTimers() = default;

bool QtTimers::SetTimer(int id, int periodMs) {
    if (m_ui.OnUiThread()) {
        Start(id, periodMs);
    } else {
        m_ui.Post([this, id, periodMs] { Start(id, periodMs); });
    }
    return true;
}

void QtTimers::KillTimer(int id) {
    if (m_ui.OnUiThread()) {
        Stop(id);
    } else {
        m_ui.Post([this, id] { Stop(id); });
    }
}

bool QtTimers::IsActive(int id) const {
    const auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

void QtTimers::Start(int id, int periodMs) {
    std::unique_ptr<QTimer>& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, &KeepScreenAwake);
    }
    timer->start(periodMs);
}

void QtTimers::Stop(int id) {
    if (const auto it = m_timers.find(id); it != m_timers.end()) {
        it->second->stop();
    }
}
