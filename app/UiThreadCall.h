#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Runs work for a worker thread on the user-interface thread (the thread this object lives
// on). A waiting caller must hold none of the application's locks: the user-interface thread
// may be waiting for one of them. At shutdown Cancel() releases every waiting caller without a
// result, because the user-interface thread is about to wait for those threads to end, and
// drops work still queued.
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
                if (!IsCancelled()) {
                    result = work();
                }
                std::lock_guard lock(m_mutex);
                pending->result = std::move(result);
                pending->finished = true;
                m_changed.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return pending->finished || m_cancelled; });
        return pending->result;
    }

    // Runs `work` on the user-interface thread later, without waiting for it.
    void Post(std::function<void()> work);

    void Cancel();
    bool IsCancelled() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_cancelled = false;
};
