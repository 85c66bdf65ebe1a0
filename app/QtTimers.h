#pragma once

#include "comm/ViewHost.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <memory>

class UiThreadCall;

// The main frame's timers: 5 (playback) and 6 (recording) keep the screen awake on every
// tick. Calls from another thread are carried out on the user-interface thread.
class QtTimers final : public ITimers {
public:
    explicit QtTimers(UiThreadCall& ui);
    ~QtTimers() override;

    bool SetTimer(int id, int periodMs) override;
    void KillTimer(int id) override;

    bool IsActive(int id) const;

private:
    void Start(int id, int periodMs);
    void Stop(int id);

    UiThreadCall& m_ui;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
};
