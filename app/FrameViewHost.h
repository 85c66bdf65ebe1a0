#pragma once

#include "comm/VibrationAlerts.h"
#include "comm/ViewHost.h"

#include <QPointer>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

class CMainFrame;
class CObrin2View;
class IPrompts;
class UiThreadCall;

// The vibrator's stand-in on a desktop: every switching on, and the stop-sign sound, is one
// beep of the desktop, given on the user-interface thread.
class DesktopBeep final : public IAlertOutput {
public:
    explicit DesktopBeep(UiThreadCall& ui) : m_ui(ui) {}
    void SetVibrator(bool on) override;
    void SystemBeep() override;

private:
    UiThreadCall& m_ui;
};

// The core's view host in the window: which view is shown comes from the view's own atomics
// (any thread); everything else is carried out on the user-interface thread, calls from a
// worker thread being queued there. Before the frame exists the live track's route guidance
// counts as shown and nothing is drawn. The vibration alerts run in the host's two alert
// slots; the channel choice is asked with its dialog on the user-interface thread.
class FrameViewHost final : public IViewHost {
public:
    FrameViewHost(UiThreadCall& ui, IPrompts& prompts);

    // The frame and its view; both null again before they go. Worker threads must have
    // ended before the view is destroyed.
    void Attach(CMainFrame* frame, CObrin2View* view);

    int ShownEngine() const override;
    int ShownKind() const override;
    void SelectView(int commandId) override;
    void RefreshTitle() override;
    void StartRefreshTimer() override;
    void RedrawTrack(int engine) override;
    void ClearStatistics() override;
    void MovePlaybackMarker(int engine, const TrackPoint& point) override;
    void ShowLoadingProgress(int percent, const std::string& trackName) override;
    void StartAlert(AlertKind kind) override;
    void PostCommand(int commandId) override;
    void Post(std::function<void()> task) override;
    std::optional<std::size_t>
    ChooseBluetoothChannel(const std::string& deviceName,
                           const std::vector<std::uint8_t>& channels) override;

    VibrationAlerts& Alerts() { return m_alerts; }

private:
    // Runs `work` with the view now (user-interface thread) or later (any other thread).
    void WithView(std::function<void(CObrin2View&)> work);

    // The newest loading progress not yet shown. A reader reports faster than the view can
    // redraw a long track; reports that arrive while one waits replace it, so the window
    // redraws once per turn of its event loop, not once per report.
    struct Progress {
        int percent = 0;
        std::string trackName;
    };
    std::mutex m_progressLock;
    std::optional<Progress> m_pendingProgress;

    UiThreadCall& m_ui;
    QPointer<CMainFrame> m_frame;
    std::atomic<CObrin2View*> m_view{nullptr}; // read by worker threads
    DesktopBeep m_beep;
    VibrationAlerts m_alerts;
};
