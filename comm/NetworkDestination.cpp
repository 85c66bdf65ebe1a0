#include "comm/NetworkDestination.h"

#include "comm/ApplicationCore.h"
#include "comm/DestinationSendLoop.h"
#include "platform/Prompts.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <unistd.h>

namespace {

// The next datagram of `bytes`: the whole lines that fit the limit; a longer line alone.
std::string_view NextDatagram(std::string_view bytes, std::size_t limit) {
    std::size_t end = 0;
    while (end < limit && end < bytes.size()) {
        const std::size_t lineEnd = bytes.find('\n', end);
        const std::size_t next = lineEnd == std::string_view::npos ? bytes.size() : lineEnd + 1;
        if (next > limit && end > 0) {
            break;
        }
        end = next;
    }
    return bytes.substr(0, end);
}

} // namespace

NetworkDestinationEndpoint::NetworkDestinationEndpoint(ISystemCalls& calls) : CommEndpoint(calls) {}

NetworkDestinationEndpoint::~NetworkDestinationEndpoint() {
    m_sendSlot.Stop();
    m_receiveSlot.Stop();
    CloseSockets();
}

bool NetworkDestinationEndpoint::SetAddress(const std::optional<NetworkAddress>& address) {
    if (address == m_address) {
        return false;
    }
    m_address = address;
    return true;
}

std::string NetworkDestinationEndpoint::AddressText() const {
    return m_address ? NetworkAddressText(*m_address) : std::string();
}

bool NetworkDestinationEndpoint::IsRunning() const {
    return CommEndpoint::IsRunning() || m_running;
}

bool NetworkDestinationEndpoint::Open(ThreadProcedure receive, ThreadProcedure send, bool record) {
    if (m_application == nullptr || !m_address || receive == nullptr || send == nullptr || record) {
        return false;
    }
    IPrompts& prompts = m_application->Prompts();
    BeginRun();
    m_runningAddress = *m_address;
    const std::string url = NetworkAddressText(m_runningAddress);
    bool started = false;
    if (m_runningAddress.protocol == NetworkProtocol::TcpServer) {
        m_readers = std::make_unique<NetworkReaders>();
        if (const std::optional<std::string> failure =
                m_readers->Listen(m_runningAddress.host, m_runningAddress.port, url)) {
            prompts.ShowError(*failure);
            m_readers.reset();
            return false;
        }
        started =
            StartThreads(receive, send, "ServeNetworkReadersProc()", "SendToNetworkReadersProc()");
    } else {
        std::string failure;
        m_datagramFd = UdpSenderSocket(m_runningAddress.host, m_runningAddress.port,
                                       m_datagramTarget, url, failure);
        if (m_datagramFd < 0) {
            prompts.ShowError(failure);
            return false;
        }
        ApplicationCore* application = m_application;
        started = m_sendSlot.Start([send, application] { return send(application); });
        if (!started) {
            prompts.ShowError("AfxBeginThread failed for SendToNetworkReadersProc()");
        }
    }
    if (!started) {
        m_sendSlot.Stop();
        m_receiveSlot.Stop();
        CloseSockets();
        return false;
    }
    m_running = true;
    m_connectedName = url;
    return true;
}

std::string NetworkDestinationEndpoint::Close() {
    m_sendSlot.Stop();
    m_receiveSlot.Stop();
    CloseSockets();
    m_running = false;
    ApplicationCore& application = *m_application;
    if (!application.IsDestinationRunning()) {
        application.View().RedrawTrack(application.View().ShownEngine());
    }
    m_connectedName.clear();
    return {};
}

void NetworkDestinationEndpoint::CloseSockets() {
    m_readers.reset();
    if (m_datagramFd >= 0) {
        ::close(m_datagramFd);
        m_datagramFd = -1;
    }
}

SerialPort::WriteResult NetworkDestinationEndpoint::Send(std::string_view bytes) {
    if (m_readers) {
        m_readers->Broadcast(bytes);
        return {};
    }
    while (!bytes.empty()) {
        const std::string_view datagram = NextDatagram(bytes, kLargestDatagram);
        bytes.remove_prefix(datagram.size());
        const ssize_t sent = ::sendto(
            m_datagramFd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
            reinterpret_cast<const sockaddr*>(&m_datagramTarget.address), m_datagramTarget.length);
        if (sent < 0 && !IsTransientSocketError(errno) && errno != ECONNREFUSED) {
            return {SerialPort::Status::Failed, {"sendto", errno}};
        }
    }
    return {};
}

int ServeNetworkReaders(NetworkDestinationEndpoint& endpoint) {
    NetworkReaders* readers = endpoint.Readers();
    if (readers == nullptr) {
        return 4;
    }
    if (const int error = readers->Serve(endpoint.ReceiveSlot()); error != 0) {
        endpoint.ReportDeviceFailure(
            FormatSystemError("poll", error, NetworkAddressText(endpoint.RunningAddress()))
                .value());
        return 10;
    }
    return 12;
}

CommEndpoint::WriteBytes NetworkWriter(NetworkDestinationEndpoint& endpoint) {
    return
        [&endpoint, url = NetworkAddressText(endpoint.RunningAddress())](std::string_view bytes) {
            const SerialPort::WriteResult result = endpoint.Send(bytes);
            if (result.status == SerialPort::Status::Failed) {
                endpoint.ReportDeviceFailure(result.failure, url);
            }
            return result;
        };
}

int DestinationNetworkRecvProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    return ServeNetworkReaders(application->NetworkDestination());
}

int DestinationNetworkSendProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 2;
    }
    NetworkDestinationEndpoint& endpoint = application->NetworkDestination();
    if (!endpoint.SendSlot().KeepRunning()) {
        return 7;
    }
    return RunDestinationSendLoop(*application, endpoint, NetworkWriter(endpoint),
                                  NetworkAddressText(endpoint.RunningAddress()));
}
