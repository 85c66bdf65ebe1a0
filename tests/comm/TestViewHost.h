#pragma once

#include "comm/ViewHost.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// The view host of the tests: a view that shows one chosen track, records what the core asked
// of it, and keeps posted work in a queue that the test runs on its own thread, the way the
// window's event loop would.
class TestViewHost final : public IViewHost {
public:
    struct Marker {
        int engine;
        TrackPoint point;
    };

    void Show(int engine, int kind);

    int ShownEngine() const override;
    int ShownKind() const override;
    void SelectView(int commandId) override;
    void RefreshTitle() override {}
    void StartRefreshTimer() override {}
    void RedrawTrack(int) override {}
    void ClearStatistics() override {}
    void MovePlaybackMarker(int engine, const TrackPoint& point) override;
    void ShowLoadingProgress(int percent, const std::string& trackName) override;
    void StartAlert(AlertKind kind) override;
    void PostCommand(int commandId) override;
    void Post(std::function<void()> task) override;
    std::optional<std::size_t>
    ChooseBluetoothChannel(const std::string& deviceName,
                           const std::vector<std::uint8_t>& channels) override;

    // The answer to the next channel choice (nothing: Cancel); without one the first channel
    // is chosen.
    void AnswerChannelChoice(std::optional<std::size_t> index);
    struct ChannelChoice {
        std::string deviceName;
        std::vector<std::uint8_t> channels;
    };
    std::vector<ChannelChoice> ChannelChoices() const;

    // Called on the reader's thread with every progress shown.
    void OnProgress(std::function<void(int percent)> callback);

    // Waits up to `limit` for posted work and runs all of it; true when something ran.
    bool RunPosted(std::chrono::milliseconds limit);
    // Drops posted work without running it.
    void DropPosted();
    // Waits until `count` markers were moved (or `limit` passed); returns them all.
    std::vector<Marker> WaitForMarkers(std::size_t count, std::chrono::milliseconds limit);

    std::vector<int> SelectedViews() const;
    std::vector<int> Progress() const;
    std::vector<int> PostedCommands() const;
    std::vector<AlertKind> Alerts() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_engine = 2;
    int m_kind = 1;
    std::deque<std::function<void()>> m_posted;
    std::vector<Marker> m_markers;
    std::vector<int> m_selected;
    std::vector<int> m_progress;
    std::function<void(int)> m_onProgress;
    std::vector<int> m_commands;
    std::vector<AlertKind> m_alerts;
    std::deque<std::optional<std::size_t>> m_channelAnswers;
    std::vector<ChannelChoice> m_channelChoices;
};

// Timers that are always set, and remember which run.
class TestTimers final : public ITimers {
public:
    bool SetTimer(int id, int) override;
    void KillTimer(int id) override;
    bool IsRunning(int id) const;

private:
    mutable std::mutex m_mutex;
    std::vector<int> m_running;
};
