#pragma once

#include "comm/CommEndpoint.h"
#include "navigation/RouteGuidance.h"
#include "platform/CalendarTime.h"

#include <mutex>
#include <optional>
#include <string>

class WorkerThreadSlot;

// The newest fix of the live track, as the guidance takes it, and what tells one fix from the
// next: the time of the newest fix the track took (a fix at the same position moves no point
// but still counts) and the number of its points.
struct LiveFix {
    GuidanceFix fix;
    CalendarTime time = 0;
    int points = 0;
    bool operator==(const LiveFix& other) const {
        return time == other.time && points == other.points;
    }
};

// Decides, once a second, what the autopilot is sent: RMB, APB and XTE for the guidance of a
// new live fix. Nothing for a fix that was steered by already (the receiver has lost its fix
// or gone silent: an autopilot must notice the silence, not be fed old values), for no fix,
// and for no target with a destination.
class AutopilotSteering {
public:
    std::string SentencesFor(const GuidanceUpdate& update, const LiveFix& live,
                             const GuidanceRadii& radii);
    // A new run of the port: the next fix is new whatever it is.
    void Restart() { m_lastSteered.reset(); }

private:
    std::optional<LiveFix> m_lastSteered;
};

// The hand-over between the user-interface thread, which composes the sentences once a second,
// and the autopilot port's send thread, which writes them: only the newest sentences wait, so
// a slow port never falls behind the fix.
class AutopilotFeed {
public:
    void Offer(std::string sentences);
    // What waits, emptied; empty when nothing does.
    std::string Take();

private:
    std::mutex m_mutex;
    std::string m_waiting;
};

// The autopilot port's send thread: writes what the feed offers until a stop or a failed write.
// Returns the thread's exit code: 13 after a failed write, 14 after a stop.
int RunAutopilotSendLoop(AutopilotFeed& feed, WorkerThreadSlot& slot,
                         const CommEndpoint::WriteBytes& write);
