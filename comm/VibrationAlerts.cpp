#include "comm/VibrationAlerts.h"

#include "platform/Prompts.h"

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kLongPulse{500};
constexpr milliseconds kLongGap{250};
constexpr int kLongPulses = 3;
constexpr milliseconds kShortPulse{250};
constexpr milliseconds kStopLook{100};

// One pulse; false when a stop came during it (the vibrator is off again either way).
bool Pulse(IAlertOutput& output, const AlertPause& pause, milliseconds length) {
    output.SetVibrator(true);
    const bool goOn = pause(length);
    output.SetVibrator(false);
    return goOn;
}

} // namespace

int VibrateProc(AlertKind kind, IAlertOutput& output, const AlertPause& pause) {
    if (kind == AlertKind::Long) {
        output.SystemBeep();
        for (int i = 1; i <= kLongPulses; ++i) {
            if (!Pulse(output, pause, kLongPulse) || (i < kLongPulses && !pause(kLongGap))) {
                return 0;
            }
        }
        output.SystemBeep();
    } else if (!Pulse(output, pause, kShortPulse)) {
        return 0;
    }
    while (pause(kStopLook)) {
    }
    return 0;
}

VibrationAlerts::VibrationAlerts(IAlertOutput& output, IPrompts& prompts)
    : m_output(output), m_prompts(prompts) {
    m_long.SetPrompts(&prompts);
    m_short.SetPrompts(&prompts);
}

void VibrationAlerts::Start(AlertKind kind) {
    WorkerThreadSlot& slot = Slot(kind);
    slot.Stop();
    const bool started = slot.Start([this, kind, &slot] {
        return VibrateProc(kind, m_output,
                           [&slot](milliseconds pause) { return slot.SleepUnlessStopped(pause); });
    });
    if (!started) {
        m_prompts.ShowError("AfxBeginThread failed for VibrateProc");
    }
}

void VibrationAlerts::Stop() {
    m_long.Stop();
    m_short.Stop();
}
