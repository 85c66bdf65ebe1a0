#include "comm/Event.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

Event::Event(Kind kind, bool initiallySet)
    : m_kind(kind), m_descriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (initiallySet) {
        Set();
    }
}

Event::~Event() {
    if (m_descriptor >= 0) {
        close(m_descriptor);
    }
}

void Event::Set() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_set && m_descriptor >= 0) {
            const std::uint64_t one = 1;
            // The counter only wakes pollers; a failed write leaves them to their time-outs.
            [[maybe_unused]] const ssize_t written = write(m_descriptor, &one, sizeof one);
        }
        m_set = true;
    }
    m_changed.notify_all();
}

void Event::Reset() {
    std::lock_guard lock(m_mutex);
    ClearLocked();
}

bool Event::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_for(lock, timeout, [this] { return m_set; })) {
        return false;
    }
    if (m_kind == Kind::AutoReset) {
        ClearLocked();
    }
    return true;
}

void Event::WaitForever() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_set; });
    if (m_kind == Kind::AutoReset) {
        ClearLocked();
    }
}

void Event::ClearLocked() {
    if (m_set && m_descriptor >= 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = read(m_descriptor, &count, sizeof count);
    }
    m_set = false;
}
