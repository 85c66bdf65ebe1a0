#include "comm/HeadlessViewHost.h"

int HeadlessViewHost::ShownEngine() const {
    std::lock_guard lock(m_mutex);
    return m_engine;
}

int HeadlessViewHost::ShownKind() const {
    std::lock_guard lock(m_mutex);
    return m_kind;
}

void HeadlessViewHost::SelectView(int commandId) {
    std::lock_guard lock(m_mutex);
    switch (commandId) {
    case command_ids::kViewRecordedTrack:
    case command_ids::kViewRecordedAltitude:
        m_engine = 1;
        m_kind = commandId == command_ids::kViewRecordedTrack ? kViewKindTrackPlot
                                                              : kViewKindAltitudeProfile;
        break;
    case command_ids::kViewRecordingTrack:
    case command_ids::kViewRecordingAltitude:
        m_engine = 2;
        m_kind = commandId == command_ids::kViewRecordingTrack ? kViewKindTrackPlot
                                                               : kViewKindAltitudeProfile;
        break;
    default:
        m_engine = 2;
        m_kind = kViewKindRouteGuidance;
        break;
    }
}

void HeadlessViewHost::MovePlaybackMarker(int engine, const TrackPoint& point) {
    if (m_onMarker) {
        m_onMarker(engine, point);
    }
}

void HeadlessViewHost::ShowLoadingProgress(int percent, const std::string& trackName) {
    if (m_onProgress) {
        m_onProgress(percent, trackName);
    }
}

void HeadlessViewHost::Post(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_posted.notify_all();
}

bool HeadlessViewHost::RunPosted(std::chrono::milliseconds limit) {
    std::deque<std::function<void()>> tasks;
    {
        std::unique_lock lock(m_mutex);
        if (!m_posted.wait_for(lock, limit, [this] { return !m_tasks.empty(); })) {
            return false;
        }
        tasks.swap(m_tasks);
    }
    for (auto& task : tasks) {
        task();
    }
    return true;
}

void HeadlessViewHost::DropPosted() {
    std::lock_guard lock(m_mutex);
    m_tasks.clear();
}

std::optional<std::size_t>
HeadlessViewHost::ChooseBluetoothChannel(const std::string&, const std::vector<std::uint8_t>&) {
    // Without a window there is nobody to ask; the device lists its primary serial port
    // service first, so the first channel is the one a user would normally take.
    return 0;
}
