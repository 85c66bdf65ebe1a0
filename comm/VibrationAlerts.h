#pragma once

#include "comm/ViewHost.h"
#include "comm/WorkerThreadSlot.h"

#include <chrono>
#include <functional>

class IPrompts;

// What an alert drives: the vibrator, and the system's stop-sign sound.
class IAlertOutput {
public:
    virtual ~IAlertOutput() = default;
    virtual void SetVibrator(bool on) = 0;
    virtual void SystemBeep() = 0;
};

// Waits `pause`; false when the alert was asked to stop meanwhile.
using AlertPause = std::function<bool(std::chrono::milliseconds pause)>;

// The alert's pattern: long = beep, three pulses of 500 ms with 250 ms between them, beep;
// short = one pulse of 250 ms. Then it waits, looking every 100 ms, until it is stopped. A
// stop in the middle switches the vibrator off and ends it at once. The exit code is 0.
int VibrateProc(AlertKind kind, IAlertOutput& output, const AlertPause& pause);

// The two alerts, each in a worker thread of its own: starting one stops the previous run of
// the same kind first. A thread that cannot start is reported ("AfxBeginThread failed for
// VibrateProc").
class VibrationAlerts {
public:
    VibrationAlerts(IAlertOutput& output, IPrompts& prompts);

    void Start(AlertKind kind);
    // Ends both alerts and waits for their threads.
    void Stop();

    WorkerThreadSlot& Slot(AlertKind kind) { return kind == AlertKind::Long ? m_long : m_short; }

private:
    IAlertOutput& m_output;
    IPrompts& m_prompts;
    WorkerThreadSlot m_long;
    WorkerThreadSlot m_short;
};
