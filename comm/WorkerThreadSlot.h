#pragma once

#include "comm/Event.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

class IPrompts;

// One worker thread with its stop event. The thread itself asks KeepRunning (or sleeps with
// SleepUnlessStopped) and ends when a stop was requested; Stop sets the event and waits for the
// thread without a time limit. Nothing is ever killed.
class WorkerThreadSlot {
public:
    // A thread procedure; its result is the thread's exit code.
    using Procedure = std::function<int()>;

    WorkerThreadSlot() = default;
    virtual ~WorkerThreadSlot();
    WorkerThreadSlot(const WorkerThreadSlot&) = delete;
    WorkerThreadSlot& operator=(const WorkerThreadSlot&) = delete;

    // Where an exception that reached the top of the thread is reported; may stay unset.
    void SetPrompts(IPrompts* prompts) { m_prompts = prompts; }

    // Starts the procedure on a new thread. A finished earlier thread is collected first; a
    // thread that is still alive is left alone and the start fails. False when the system
    // refused a thread.
    bool Start(Procedure procedure);

    // A thread exists and has not ended yet.
    bool IsAlive() const;

    // Asked by the thread: false once a stop was requested (the request is consumed).
    bool KeepRunning();
    // Asked by the thread instead of sleeping: waits up to `pause` on the stop event; false
    // when a stop was requested, true when the pause ran out.
    bool SleepUnlessStopped(std::chrono::milliseconds pause);
    // Readable while a stop is requested, for threads that wait in poll(2).
    int StopDescriptor() const { return m_stop.PollDescriptor(); }

    // Requests a stop without waiting for the thread.
    void RequestStop() { m_stop.Set(); }

    // If the thread is alive: sets the stop event and waits for the thread to end. Any ended
    // thread is collected, and a stop request it left unread is dropped so that it cannot end
    // the next thread at its start.
    virtual void Stop();

    // The exit code of the last thread that ended; -1 before any ended.
    int LastExitCode() const { return m_exitCode.load(); }

    // Asked on any thread: the calling thread is the worker of a slot whose Stop is waiting
    // for it to end. A worker that waits for another thread (an answer from the window) gives
    // up then, or the two would wait for each other.
    static bool IsCurrentThreadBeingStopped();

private:
    void Run(const Procedure& procedure);

    Event m_stop{Event::Kind::AutoReset};
    std::thread m_thread;
    std::atomic<bool> m_finished{true};
    std::atomic<bool> m_joining{false};
    std::atomic<int> m_exitCode{-1};
    IPrompts* m_prompts = nullptr;
};
