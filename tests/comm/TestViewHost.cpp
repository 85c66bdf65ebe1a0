#include "tests/comm/TestViewHost.h"

#include <algorithm>

void TestViewHost::Show(int engine, int kind) {
    std::lock_guard lock(m_mutex);
    m_engine = engine;
    m_kind = kind;
}

int TestViewHost::ShownEngine() const {
    std::lock_guard lock(m_mutex);
    return m_engine;
}

int TestViewHost::ShownKind() const {
    std::lock_guard lock(m_mutex);
    return m_kind;
}

void TestViewHost::SelectView(int commandId) {
    std::lock_guard lock(m_mutex);
    m_selected.push_back(commandId);
    switch (commandId) {
    case command_ids::kViewRecordedTrack:
        m_engine = 1, m_kind = 1;
        break;
    case command_ids::kViewRecordedAltitude:
        m_engine = 1, m_kind = 2;
        break;
    case command_ids::kViewRecordingTrack:
        m_engine = 2, m_kind = 1;
        break;
    case command_ids::kViewRecordingAltitude:
        m_engine = 2, m_kind = 2;
        break;
    default:
        m_engine = 2, m_kind = 3;
        break;
    }
}

void TestViewHost::MovePlaybackMarker(int engine, const TrackPoint& point) {
    {
        std::lock_guard lock(m_mutex);
        m_markers.push_back({engine, point});
    }
    m_changed.notify_all();
}

void TestViewHost::ShowLoadingProgress(int percent, const std::string&) {
    std::function<void(int)> callback;
    {
        std::lock_guard lock(m_mutex);
        m_progress.push_back(percent);
        callback = m_onProgress;
    }
    if (callback) {
        callback(percent);
    }
}

void TestViewHost::OnProgress(std::function<void(int percent)> callback) {
    std::lock_guard lock(m_mutex);
    m_onProgress = std::move(callback);
}

void TestViewHost::StartAlert(AlertKind kind) {
    std::lock_guard lock(m_mutex);
    m_alerts.push_back(kind);
}

void TestViewHost::PostCommand(int commandId) {
    std::lock_guard lock(m_mutex);
    m_commands.push_back(commandId);
}

void TestViewHost::Post(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(task));
    }
    m_changed.notify_all();
}

std::optional<std::size_t>
TestViewHost::ChooseBluetoothChannel(const std::string& deviceName,
                                     const std::vector<std::uint8_t>& channels) {
    std::lock_guard lock(m_mutex);
    m_channelChoices.push_back({deviceName, channels});
    if (m_channelAnswers.empty()) {
        return 0;
    }
    const std::optional<std::size_t> answer = m_channelAnswers.front();
    m_channelAnswers.pop_front();
    return answer;
}

void TestViewHost::AnswerChannelChoice(std::optional<std::size_t> index) {
    std::lock_guard lock(m_mutex);
    m_channelAnswers.push_back(index);
}

std::vector<TestViewHost::ChannelChoice> TestViewHost::ChannelChoices() const {
    std::lock_guard lock(m_mutex);
    return m_channelChoices;
}

bool TestViewHost::RunPosted(std::chrono::milliseconds limit) {
    std::deque<std::function<void()>> tasks;
    {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, limit, [this] { return !m_posted.empty(); })) {
            return false;
        }
        tasks.swap(m_posted);
    }
    for (auto& task : tasks) {
        task();
    }
    return true;
}

void TestViewHost::DropPosted() {
    std::lock_guard lock(m_mutex);
    m_posted.clear();
}

std::vector<TestViewHost::Marker> TestViewHost::WaitForMarkers(std::size_t count,
                                                               std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, limit, [&] { return m_markers.size() >= count; });
    return m_markers;
}

std::vector<int> TestViewHost::SelectedViews() const {
    std::lock_guard lock(m_mutex);
    return m_selected;
}

std::vector<int> TestViewHost::Progress() const {
    std::lock_guard lock(m_mutex);
    return m_progress;
}

std::vector<int> TestViewHost::PostedCommands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

std::vector<AlertKind> TestViewHost::Alerts() const {
    std::lock_guard lock(m_mutex);
    return m_alerts;
}

bool TestTimers::SetTimer(int id, int) {
    std::lock_guard lock(m_mutex);
    if (std::find(m_running.begin(), m_running.end(), id) == m_running.end()) {
        m_running.push_back(id);
    }
    return true;
}

void TestTimers::KillTimer(int id) {
    std::lock_guard lock(m_mutex);
    m_running.erase(std::remove(m_running.begin(), m_running.end(), id), m_running.end());
}

bool TestTimers::IsRunning(int id) const {
    std::lock_guard lock(m_mutex);
    return std::find(m_running.begin(), m_running.end(), id) != m_running.end();
}
