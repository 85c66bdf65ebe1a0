#pragma once

#include "comm/WorkerThreadSlot.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Runs work for a worker thread on the user-interface thread (the thread this object lives
// on). A waiting caller must hold none of the application's locks: the user-interface thread
// may be waiting for one of them. At shutdown Cancel() releases every waiting caller without a
// result, because the user-interface thread is about to wait for those threads to end, and
// drops work still queued. A worker whose own stop is being waited for (the user opened
// another file while its question was on its way) gives up the same way, and its work is
// dropped.
class UiThreadCall : public QObject {
public:
    bool OnUiThread() const { return QThread::currentThread() == thread(); }

    // Runs `work` and returns its result; at once on the user-interface thread. Nothing when
    // cancelled.
    template <typename T>
    std::optional<T> Call(std::function<T()> work) {
        if (OnUiThread()) {
            return work();
        }
        // The result lives in shared state: a cancelled caller may be gone when work ends.
        struct Pending {
            std::optional<T> result;
            bool finished = false;
            bool abandoned = false;
        };
        auto pending = std::make_shared<Pending>();
        {
            std::lock_guard lock(m_mutex);
            if (m_cancelled) {
                return std::nullopt;
            }
        }
        QMetaObject::invokeMethod(
            this,
            [this, pending, work = std::move(work)] {
                std::optional<T> result;
                if (!IsCancelled() && !IsAbandoned(pending->abandoned)) {
                    result = work();
                }
                std::lock_guard lock(m_mutex);
                pending->result = std::move(result);
                pending->finished = true;
                m_changed.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(m_mutex);
        // The stop of this thread is not signalled here: look again now and then.
        while (!m_changed.wait_for(lock, kStopCheckPeriod,
                                   [&] { return pending->finished || m_cancelled; })) {
            if (WorkerThreadSlot::IsCurrentThreadBeingStopped()) {
                pending->abandoned = true;
                return std::nullopt;
            }
        }
        return pending->result;
    }

    // Runs `work` on the user-interface thread later, without waiting for it.
    void Post(std::function<void()> work);

    void Cancel();
    bool IsCancelled() const;

private:
    static constexpr std::chrono::milliseconds kStopCheckPeriod{20};

    bool IsAbandoned(const bool& abandoned) const {
        std::lock_guard lock(m_mutex);
        return abandoned;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_cancelled = false;
};
