#include "comm/AutopilotOutput.h"

#include "comm/WorkerThreadSlot.h"
#include "navigation/AutopilotSentences.h"

#include <chrono>
#include <utility>

namespace {

// How soon the send thread sees new sentences: well within the second between two fixes.
constexpr auto kFeedPoll = std::chrono::milliseconds(50);

} // namespace

std::string AutopilotSteering::SentencesFor(const GuidanceUpdate& update, const LiveFix& live,
                                            const GuidanceRadii& radii) {
    if (!live.fix.hasPosition || live.points == 0 || m_lastSteered == live) {
        return {};
    }
    m_lastSteered = live;
    return ComposeAutopilotSentences(update.target, update.values, live.fix, radii);
}

void AutopilotFeed::Offer(std::string sentences) {
    std::lock_guard lock(m_mutex);
    m_waiting = std::move(sentences);
}

std::string AutopilotFeed::Take() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_waiting, {});
}

int RunAutopilotSendLoop(AutopilotFeed& feed, WorkerThreadSlot& slot,
                         const CommEndpoint::WriteBytes& write) {
    for (;;) {
        if (const std::string sentences = feed.Take(); !sentences.empty()) {
            if (write(sentences).status == SerialPort::Status::Failed) {
                return 13;
            }
        }
        if (!slot.KeepRunning() || !slot.SleepUnlessStopped(kFeedPoll)) {
            return 14;
        }
    }
}
