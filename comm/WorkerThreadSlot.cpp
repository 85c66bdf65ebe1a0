#include "comm/WorkerThreadSlot.h"

#include "platform/Prompts.h"

#include <exception>
#include <new>
#include <string>
#include <system_error>

namespace {

// The exit code of a thread that an exception ended.
constexpr int kExitByException = -2;

// The slot whose procedure runs on this thread; null on every other thread.
thread_local const WorkerThreadSlot* t_currentSlot = nullptr;

} // namespace

WorkerThreadSlot::~WorkerThreadSlot() {
    WorkerThreadSlot::Stop();
}

bool WorkerThreadSlot::Start(Procedure procedure) {
    if (IsAlive()) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_stop.Reset();
    m_finished = false;
    try {
        m_thread = std::thread([this, procedure = std::move(procedure)] { Run(procedure); });
    } catch (const std::system_error&) {
        m_finished = true;
        return false;
    }
    return true;
}

bool WorkerThreadSlot::IsAlive() const {
    return m_thread.joinable() && !m_finished.load();
}

bool WorkerThreadSlot::KeepRunning() {
    return !m_stop.Wait(std::chrono::milliseconds(0));
}

bool WorkerThreadSlot::SleepUnlessStopped(std::chrono::milliseconds pause) {
    return !m_stop.Wait(pause);
}

void WorkerThreadSlot::Stop() {
    if (m_thread.joinable()) {
        if (IsAlive()) {
            m_stop.Set();
        }
        m_joining = true;
        m_thread.join();
        m_joining = false;
    }
    m_stop.Reset();
}

bool WorkerThreadSlot::IsCurrentThreadBeingStopped() {
    return t_currentSlot != nullptr && t_currentSlot->m_joining.load();
}

void WorkerThreadSlot::Run(const Procedure& procedure) {
    t_currentSlot = this;
    int code = kExitByException;
    std::string failure;
    try {
        code = procedure();
    } catch (const std::bad_alloc&) {
        failure = "Out of memory";
    } catch (const std::exception& e) {
        failure = e.what();
    } catch (...) {
        failure = "Unknown error";
    }
    if (!failure.empty() && m_prompts != nullptr) {
        try {
            m_prompts->ShowError(failure);
        } catch (...) {
            // Nothing may leave the thread; the exit code still tells what happened.
        }
    }
    m_exitCode = code;
    m_finished = true;
}
