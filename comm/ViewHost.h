#pragma once

#include "tracks/Track.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Command ids of the main frame that the core issues itself.
namespace command_ids {
inline constexpr int kViewRouteGuidance = 32780;
inline constexpr int kViewRecordedTrack = 32781;
inline constexpr int kViewRecordedAltitude = 32782;
inline constexpr int kViewRecordingTrack = 32783;
inline constexpr int kViewRecordingAltitude = 32784;
inline constexpr int kWaypointList = 32832;
inline constexpr int kRouteList = 32839;
} // namespace command_ids

// The driving view kinds.
inline constexpr int kViewKindTrackPlot = 1;
inline constexpr int kViewKindAltitudeProfile = 2;
inline constexpr int kViewKindRouteGuidance = 3;

enum class AlertKind { Long, Short };

// What the core asks of the window: which track the view shows, moving the playback marker,
// redraws, loading progress, the frame title, and running work on the user-interface thread.
// The window implements it with Qt, the command-line companion and the tests headless.
//
// Every call is made without any of the application's locks held; the view takes a track's
// lock itself when it reads that track. Calls marked "any thread" may come from worker threads
// and must hand their work to the user-interface thread.
class IViewHost {
public:
    virtual ~IViewHost() = default;

    // Any thread: the engine of the view shown (1 = track 1, 2 = track 2) and its kind
    // (1 track plot, 2 altitude profile, 3 route guidance, which counts as engine 2).
    virtual int ShownEngine() const = 0;
    virtual int ShownKind() const = 0;
    // Selects a driving view by its command id (32780 to 32784).
    virtual void SelectView(int commandId) = 0;
    // The frame title follows the name of the shown track.
    virtual void RefreshTitle() = 0;
    // Starts the view's one-second refresh of the live track.
    virtual void StartRefreshTimer() = 0;
    // Redraws the plot or profile of that track from scratch.
    virtual void RedrawTrack(int engine) = 0;
    // Clears the statistics panel.
    virtual void ClearStatistics() = 0;
    // Any thread: the point under the playback cursor of that track was sent or selected.
    virtual void MovePlaybackMarker(int engine, const TrackPoint& point) = 0;
    // Any thread: loading a file into track 1 reached `percent` ("file reading:%d").
    virtual void ShowLoadingProgress(int percent, const std::string& trackName) = 0;
    // Starts a vibration alert.
    virtual void StartAlert(AlertKind kind) = 0;
    // Issues a main-frame command later, as a posted message would.
    virtual void PostCommand(int commandId) = 0;
    // Any thread: runs `task` on the user-interface thread, after the current work.
    virtual void Post(std::function<void()> task) = 0;
    // The device offers its serial port on several channels: the user picks one ("BT Channel:
    // %d" rows under "BT Device: " + the name). The index of the chosen channel; nothing when
    // the user cancelled.
    virtual std::optional<std::size_t>
    ChooseBluetoothChannel(const std::string& deviceName,
                           const std::vector<std::uint8_t>& channels) = 0;
};

// The frame's timers: 5 and 6 keep the device awake during playback and recording.
class ITimers {
public:
    virtual ~ITimers() = default;
    // Starts or restarts timer `id`; false when it could not be set.
    virtual bool SetTimer(int id, int periodMs) = 0;
    virtual void KillTimer(int id) = 0;
};

inline constexpr int kTimerKeepAwakePlayback = 5;
inline constexpr int kTimerKeepAwakeRecording = 6;
inline constexpr int kKeepAwakePeriodMs = 30000;
