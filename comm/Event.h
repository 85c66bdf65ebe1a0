#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A kernel-style event: set, reset, and waited for with a time limit. An auto-reset event lets
// exactly one successful wait through and clears itself; a manual-reset event stays set until
// it is reset.
//
// Beside the condition variable the event keeps a descriptor that polls readable while the
// event is set, so a thread blocked in poll(2) on a device also wakes at once when its stop
// event is set. A successful Wait is still what consumes an auto-reset event.
class Event {
public:
    enum class Kind { AutoReset, ManualReset };

    explicit Event(Kind kind, bool initiallySet = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();

    // Waits at most `timeout` (zero: only looks); true when the event was set. An auto-reset
    // event is cleared by the wait that saw it.
    bool Wait(std::chrono::milliseconds timeout);
    // Waits without a time limit.
    void WaitForever();

    // Readable while the event is set; -1 when the system could not give one (then pollers
    // fall back to their time-outs).
    int PollDescriptor() const { return m_descriptor; }

private:
    void ClearLocked();

    const Kind m_kind;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_set = false;
    int m_descriptor = -1;
};
