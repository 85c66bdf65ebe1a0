#include "comm/NetworkSource.h"

#include "comm/ApplicationCore.h"
#include "comm/NetworkSockets.h"
#include "comm/SentenceAssembler.h"
#include "platform/Prompts.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The receive thread's wait when the stop event has no descriptor to poll.
constexpr int kStopLookMs = 250;
// Bytes taken from a stream per read; a datagram is taken whole.
constexpr std::size_t kReadBlock = 4096;
constexpr std::size_t kLargestDatagram = 65536;

enum class Wait { Readable, Stopped, Failed };

// Waits until the socket is readable or a stop is requested.
Wait WaitForData(int fd, WorkerThreadSlot& slot) {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {slot.StopDescriptor(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, slot.StopDescriptor() < 0 ? kStopLookMs : -1);
        if (ready < 0 && errno != EINTR) {
            return Wait::Failed;
        }
        if (fds[1].revents != 0 || (ready <= 0 && !slot.KeepRunning())) {
            return Wait::Stopped;
        }
        if (fds[0].revents != 0) {
            return Wait::Readable;
        }
    }
}

} // namespace

NetworkSourceEndpoint::NetworkSourceEndpoint(ISystemCalls& calls) : CommEndpoint(calls) {}

NetworkSourceEndpoint::~NetworkSourceEndpoint() {
    m_receiveSlot.Stop();
    CloseSocket();
}

bool NetworkSourceEndpoint::SetAddress(const std::optional<NetworkAddress>& address) {
    if (address == m_address) {
        return false;
    }
    m_address = address;
    return true;
}

std::string NetworkSourceEndpoint::AddressText() const {
    return m_address ? NetworkAddressText(*m_address) : std::string();
}

bool NetworkSourceEndpoint::IsRunning() const {
    return CommEndpoint::IsRunning() || m_socket >= 0;
}

bool NetworkSourceEndpoint::Open(ThreadProcedure receive, ThreadProcedure, bool record) {
    if (m_application == nullptr || !m_address || receive == nullptr ||
        (record && IsRecordFileOpen())) {
        return false;
    }
    ApplicationCore& application = *m_application;
    BeginRun();
    m_runningAddress = *m_address;
    m_runningText = NetworkAddressText(m_runningAddress);
    {
        std::lock_guard lock(m_noticeLock);
        m_notice = {};
    }
    m_reconnecting = false;
    std::string failure;
    m_socket =
        m_runningAddress.protocol == NetworkProtocol::Tcp
            ? ConnectTcpSocket(m_runningAddress.host, m_runningAddress.port, kConnectLimit, -1,
                               m_runningText, failure)
            : BindUdpSocket(m_runningAddress.host, m_runningAddress.port, m_runningText, failure);
    if (m_socket < 0) {
        application.Prompts().ShowError(failure);
        return false;
    }
    m_recording = record;
    if (record && !CreateRecordFile()) {
        CloseSocket();
        m_recording = false;
        return false;
    }
    ApplicationCore* core = m_application;
    if (!m_receiveSlot.Start([receive, core] { return receive(core); })) {
        application.Prompts().ShowError("AfxBeginThread failed for RecvFromNetworkSourceProc()");
        CloseSocket();
        if (IsRecordFileOpen()) {
            m_recordFile.Delete();
            m_recordFile.ForgetPath();
        }
        m_recording = false;
        return false;
    }
    m_connectedName = m_runningText;
    return true;
}

std::string NetworkSourceEndpoint::Close() {
    m_receiveSlot.Stop();
    CloseSocket();
    const std::string kept = CloseRecordFile();
    ApplicationCore& application = *m_application;
    if (!application.IsDestinationRunning()) {
        application.View().RedrawTrack(application.View().ShownEngine());
    }
    m_connectedName.clear();
    m_reconnecting = false;
    if (m_recording) {
        application.Timers().KillTimer(kTimerKeepAwakeRecording);
    }
    m_recording = false;
    return kept;
}

void NetworkSourceEndpoint::CloseSocket() {
    const int fd = m_socket.exchange(-1);
    if (fd >= 0) {
        ::close(fd);
    }
}

NetworkSourceEndpoint::Notice NetworkSourceEndpoint::LatestNotice() const {
    std::lock_guard lock(m_noticeLock);
    return m_notice;
}

void NetworkSourceEndpoint::Tell(const std::string& text) {
    std::lock_guard lock(m_noticeLock);
    ++m_notice.sequence;
    m_notice.text = text;
}

int NetworkSourceEndpoint::ReceiveStream() {
    WorkerThreadSlot& slot = m_receiveSlot;
    SentenceAssembler assembler;
    const auto handOverPending = [&] {
        if (const std::string_view pending = assembler.TakePending(); !pending.empty()) {
            HandOverSentence(pending);
        }
    };
    char buffer[kReadBlock];
    for (;;) {
        const Wait wait = WaitForData(m_socket, slot);
        if (wait == Wait::Stopped) {
            handOverPending();
            return 12;
        }
        const ssize_t got =
            wait == Wait::Readable ? ::recv(m_socket, buffer, sizeof buffer, 0) : -1;
        if (got < 0 && IsTransientSocketError(errno)) {
            continue;
        }
        if (got <= 0) {
            // The sentence cut off by the drop never ends: the next connection starts a new
            // stream, whose first sentence must not be glued to it.
            assembler.TakePending();
            const int error = got == 0 ? 0 : errno;
            CloseSocket();
            m_reconnecting = true;
            Tell("the connection to " + m_runningText + " was lost (" +
                 (error == 0 ? std::string("closed by the server") : SystemErrorText(error)) +
                 "); connecting again every " + std::to_string(kReconnectPause.count() / 1000) +
                 " s");
            if (!Reconnect()) {
                return 12;
            }
            continue;
        }
        for (ssize_t i = 0; i < got; ++i) {
            if (assembler.Push(buffer[i]) && !HandOverSentence(assembler.Sentence())) {
                return 13;
            }
        }
    }
}

bool NetworkSourceEndpoint::Reconnect() {
    WorkerThreadSlot& slot = m_receiveSlot;
    std::string failure;
    while (slot.SleepUnlessStopped(kReconnectPause)) {
        const int fd = ConnectTcpSocket(m_runningAddress.host, m_runningAddress.port, kConnectLimit,
                                        slot.StopDescriptor(), m_runningText, failure);
        if (fd >= 0) {
            m_socket = fd;
            m_reconnecting = false;
            Tell("connected again to " + m_runningText);
            return true;
        }
        if (failure.empty()) {
            return false; // the stop came while connecting
        }
    }
    return false;
}

int NetworkSourceEndpoint::ReceiveDatagrams() {
    WorkerThreadSlot& slot = m_receiveSlot;
    SentenceAssembler assembler;
    std::string datagram(kLargestDatagram, '\0');
    for (;;) {
        const Wait wait = WaitForData(m_socket, slot);
        if (wait == Wait::Stopped) {
            return 12;
        }
        const ssize_t got =
            wait == Wait::Readable ? ::recv(m_socket, datagram.data(), datagram.size(), 0) : -1;
        if (got < 0 && IsTransientSocketError(errno)) {
            continue;
        }
        if (got < 0) {
            ReportDeviceFailure(FormatSystemError("recvfrom", errno, m_runningText).value());
            return 9;
        }
        for (ssize_t i = 0; i < got; ++i) {
            if (assembler.Push(datagram[i]) && !HandOverSentence(assembler.Sentence())) {
                return 13;
            }
        }
        // A datagram is whole: a sentence at its end is complete without a line end, which it
        // is given so that the record file keeps one sentence a line.
        if (const std::string_view pending = assembler.TakePending(); !pending.empty()) {
            if (!HandOverSentence(std::string(pending) + "\r\n")) {
                return 13;
            }
        }
    }
}

int SourceNetworkRecvProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    NetworkSourceEndpoint& endpoint = application->NetworkSource();
    if (endpoint.Socket() < 0) {
        return 4;
    }
    endpoint.WriteRecordHeaders(NetworkAddressText(endpoint.RunningAddress()));
    if (!endpoint.ReceiveSlot().KeepRunning()) {
        return 6;
    }
    return endpoint.RunningAddress().protocol == NetworkProtocol::Tcp ? endpoint.ReceiveStream()
                                                                      : endpoint.ReceiveDatagrams();
}
