#include "comm/DestinationSendLoop.h"

#include "comm/ApplicationCore.h"
#include "comm/PlaybackBurst.h"
#include "comm/PlaybackCursor.h"
#include "comm/PlaybackPacer.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace {

constexpr auto kBurstPeriod = std::chrono::milliseconds(1000);

} // namespace

int RunDestinationSendLoop(ApplicationCore& application, CommEndpoint& endpoint,
                           const CommEndpoint::WriteBytes& write, const std::string& context) {
    WorkerThreadSlot& slot = endpoint.SendSlot();
    CObrin2Doc& document = application.Document();
    IViewHost& view = application.View();
    int cycle = 0;
    std::optional<PlaybackPacer> pacer;
    int pacedEngine = 0;
    for (;;) {
        const bool withSatellites = cycle == 0;
        std::chrono::milliseconds wait = kBurstPeriod;
        bool burstComposed = true;
        std::int32_t route = -1;
        if (endpoint.PollUploadRequest(route)) {
            if (const int code = endpoint.UploadRoute(route, slot, write, context); code != 0) {
                return code;
            }
        } else if (!endpoint.IsListPlayback()) {
            const int engine = view.ShownEngine();
            // Paced playback starts afresh whenever it is switched on or another track is shown.
            const bool paced = application.IsPacedPlayback();
            if (!paced || engine != pacedEngine) {
                pacer.reset();
            }
            if (paced && !pacer) {
                pacer.emplace();
                pacedEngine = engine;
            }
            TrackPoint point;
            std::string burst;
            {
                // Only composing holds the track's lock; the write may wait for a slow device
                // and must not hold up the live track's decoding meanwhile.
                std::lock_guard lock(application.TrackLock(engine));
                CTrack& track = document.Track(engine);
                if (pacer) {
                    pacer->SetMaxGap(application.MaxLogGap());
                    const auto now = PlaybackPacer::Clock::now();
                    const PlaybackPacer::Step step = pacer->Advance(track, now);
                    wait = std::max(std::chrono::ceil<std::chrono::milliseconds>(step.wakeAt - now),
                                    std::chrono::milliseconds(0));
                    burstComposed = step.send;
                    point = step.point;
                } else {
                    point = FetchAndAdvance(track);
                }
                if (burstComposed) {
                    burst = document.ComposeTrackBurst(engine, withSatellites);
                }
            }
            if (!burst.empty()) {
                const SerialPort::Status status = write(burst).status;
                if (status == SerialPort::Status::Failed) {
                    return 13;
                }
                if (status == SerialPort::Status::Data) {
                    view.MovePlaybackMarker(engine, point);
                }
            }
        } else {
            const std::string burst = document.ComposeNavigationBurst(withSatellites);
            if (!burst.empty() && write(burst).status == SerialPort::Status::Failed) {
                return 12;
            }
        }
        if (burstComposed) {
            cycle = (cycle + 1) % kBurstsPerSatelliteReport;
        }
        if (!slot.KeepRunning() || !slot.SleepUnlessStopped(wait)) {
            return 14;
        }
    }
}
