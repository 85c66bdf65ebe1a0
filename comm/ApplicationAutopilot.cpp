#include "comm/ApplicationCore.h"
#include "comm/NetworkAddress.h"
#include "platform/Prompts.h"

#include <utility>

namespace {

// NMEA 0183's own line rate, the one autopilots listen at.
constexpr int kAutopilotBaudRate = 4800;

int AutopilotSerialRecvProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    return ConsumerSerialReceive(application, application->AutopilotSerial());
}

int AutopilotSerialSendProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 2;
    }
    SerialEndpoint& endpoint = application->AutopilotSerial();
    if (const int code = CheckConsumerSend(endpoint); code != 0) {
        return code;
    }
    return RunAutopilotSendLoop(application->Autopilot(), endpoint.SendSlot(),
                                ConsumerSerialWriter(endpoint));
}

int AutopilotNetworkRecvProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    return ServeNetworkReaders(application->AutopilotNetwork());
}

int AutopilotNetworkSendProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 2;
    }
    NetworkDestinationEndpoint& endpoint = application->AutopilotNetwork();
    return RunAutopilotSendLoop(application->Autopilot(), endpoint.SendSlot(),
                                NetworkWriter(endpoint));
}

} // namespace

void ApplicationCore::SetAutopilotPort(const std::string& port) {
    if (port == m_autopilotPort) {
        return;
    }
    // A port chosen during a recording steers from now on, as the recording's start would
    // have opened it.
    const bool wanted = IsAutopilotRunning() || RunningSource() != nullptr;
    StopAutopilot();
    m_autopilotPort = port;
    if (wanted && !port.empty()) {
        StartAutopilot();
    }
}

bool ApplicationCore::StartAutopilot() {
    if (IsAutopilotRunning()) {
        return true;
    }
    if (m_autopilotPort.empty()) {
        return false;
    }
    m_autopilotSteering.Restart();
    m_autopilotFeed.Take();
    if (LooksLikeNetworkUrl(m_autopilotPort)) {
        std::string problem;
        const std::optional<NetworkAddress> address =
            ParseNetworkAddress(m_autopilotPort, Direction::Playback, problem);
        if (!address) {
            m_services.prompts.ShowError("The autopilot port " + m_autopilotPort +
                                         " cannot be used: " + problem);
            return false;
        }
        m_autopilotNetwork.SetAddress(address);
        return m_autopilotNetwork.Open(AutopilotNetworkRecvProc, AutopilotNetworkSendProc, false);
    }
    m_autopilotSerial.SetPortName(m_autopilotPort);
    m_autopilotSerial.SetBaudRate(kAutopilotBaudRate);
    return m_autopilotSerial.Open(AutopilotSerialRecvProc, AutopilotSerialSendProc, false);
}

void ApplicationCore::StopAutopilot() {
    if (m_autopilotSerial.IsRunning()) {
        m_autopilotSerial.Close();
    }
    if (m_autopilotNetwork.IsRunning()) {
        m_autopilotNetwork.Close();
    }
}

std::string ApplicationCore::AutopilotText() const {
    return IsAutopilotRunning() ? "Autopilot: " + m_autopilotPort : std::string();
}

LiveFix ApplicationCore::NewestLiveFix() {
    LiveFix live;
    TrackPoint newest;
    {
        std::lock_guard lock(m_track2Lock);
        const CTrack& track = m_document.Track(kEngineTrack2);
        live.points = track.PointCount();
        live.time = track.LastTime();
        newest = track.PointAt(track.LastIndex());
    }
    live.fix.latitude = newest.Position().Latitude().DecimalDegrees();
    live.fix.longitude = newest.Position().Longitude().DecimalDegrees();
    live.fix.speed = newest.SpeedOverGround();
    live.fix.track = newest.CourseOverGround();
    live.fix.hasPosition = newest.Position().IsValid();
    return live;
}

GuidanceUpdate ApplicationCore::GuideLiveFix(CRouteGuidance& guidance) {
    const LiveFix live = NewestLiveFix();
    CNavigationDataBase& store = m_document.Store();
    GuidanceUpdate update;
    {
        std::lock_guard lock(store.Lock());
        update = guidance.Update(store, live.fix);
    }
    if (IsAutopilotRunning()) {
        std::string sentences =
            m_autopilotSteering.SentencesFor(update, live, RadiiForKind(guidance.Settings().kind));
        if (!sentences.empty()) {
            m_autopilotFeed.Offer(std::move(sentences));
        }
    }
    return update;
}
