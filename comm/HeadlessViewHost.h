#pragma once

#include "comm/ViewHost.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

// The view host of a program without a window (the command-line companion): it keeps which
// track "is shown", queues posted work for the program's own loop, and hands the playback
// marker and the loading progress to callbacks. Everything drawn is dropped.
class HeadlessViewHost final : public IViewHost {
public:
    using MarkerCallback = std::function<void(int engine, const TrackPoint& point)>;
    using ProgressCallback = std::function<void(int percent, const std::string& trackName)>;

    // Called on the thread that moves the marker or reads the file.
    void OnMarker(MarkerCallback callback) { m_onMarker = std::move(callback); }
    void OnProgress(ProgressCallback callback) { m_onProgress = std::move(callback); }

    int ShownEngine() const override;
    int ShownKind() const override;
    void SelectView(int commandId) override;
    void RefreshTitle() override {}
    void StartRefreshTimer() override {}
    void RedrawTrack(int) override {}
    void ClearStatistics() override {}
    void MovePlaybackMarker(int engine, const TrackPoint& point) override;
    void ShowLoadingProgress(int percent, const std::string& trackName) override;
    void StartAlert(AlertKind) override {}
    void PostCommand(int) override {}
    void Post(std::function<void()> task) override;
    std::optional<std::size_t>
    ChooseBluetoothChannel(const std::string& deviceName,
                           const std::vector<std::uint8_t>& channels) override;

    // Waits up to `limit` for posted work and runs what is queued; true when anything ran.
    bool RunPosted(std::chrono::milliseconds limit);
    // Drops queued work without running it (before the application it refers to goes).
    void DropPosted();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_tasks;
    int m_engine = 2;
    int m_kind = kViewKindRouteGuidance;
    MarkerCallback m_onMarker;
    ProgressCallback m_onProgress;
};

// Timers of a program without a window: always set; a headless machine has no screen to keep
// awake.
class HeadlessTimers final : public ITimers {
public:
    bool SetTimer(int, int) override { return true; }
    void KillTimer(int) override {}
};
