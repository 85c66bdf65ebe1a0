#include "comm/BluetoothEndpoint.h"

#include "comm/ApplicationCore.h"
#include "comm/DestinationSendLoop.h"
#include "comm/Event.h"
#include "comm/SdpChannels.h"
#include "comm/SentenceAssembler.h"
#include "nmea/ProprietarySentences.h"
#include "platform/Prompts.h"

#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

constexpr auto kKeepAlivePeriod = std::chrono::milliseconds(10000);
constexpr auto kConnectRetryPause = std::chrono::milliseconds(250);
constexpr int kConnectRetries = 60;
constexpr auto kOpenCleanUpPause = std::chrono::milliseconds(250);
constexpr auto kClosePause = std::chrono::milliseconds(250);
// How long a closed connection waits for the device to close its end: 11 turns of 250 ms.
constexpr auto kPeerCloseWait = std::chrono::milliseconds(11 * 250);
// How often an Open looks whether the last connection is closed.
constexpr auto kCloseLook = std::chrono::milliseconds(20);
// A receive thread's wait when the stop event has no descriptor to poll.
constexpr int kReceivePollMs = 250;
// Bytes taken from the socket per read; each is assembled as it comes.
constexpr std::size_t kReadBlock = 4096;

bool IsTransient(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// Receives until the connection fails or ends, or a stop is requested. Every complete
// sentence goes to `handOver`, which returns false to end the thread, and so does the sentence
// that was still being received when the connection ended or the stop came. Exit codes:
// `failed` after a failed or closed connection, 11 when a stop was seen after a read, 12 when
// it ended a wait, 13 when handOver ended it.
template <typename HandOver>
int ReceiveLoop(BluetoothEndpoint& endpoint, int failed, HandOver&& handOver) {
    WorkerThreadSlot& slot = endpoint.ReceiveSlot();
    SentenceAssembler assembler;
    const auto handOverPending = [&] {
        if (const std::string_view pending = assembler.TakePending(); !pending.empty()) {
            handOver(pending);
        }
    };
    char buffer[kReadBlock];
    for (;;) {
        pollfd fds[2] = {{endpoint.Socket(), POLLIN, 0}, {slot.StopDescriptor(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, kReceivePollMs);
        if (ready < 0 && errno != EINTR) {
            handOverPending();
            endpoint.ReportConnectionFailure("recvfrom", errno);
            return failed;
        }
        if (ready <= 0 || fds[0].revents == 0) {
            if (!slot.KeepRunning()) {
                handOverPending();
                return 12;
            }
            continue;
        }
        const ssize_t got = ::recv(endpoint.Socket(), buffer, sizeof buffer, 0);
        // A device that closed its end is noticed here at once, not by the next keep-alive.
        if (got == 0 || (got < 0 && !IsTransient(errno))) {
            handOverPending();
            endpoint.ReportConnectionFailure("recvfrom", got == 0 ? ECONNRESET : errno);
            return failed;
        }
        for (ssize_t i = 0; i < got; ++i) {
            if (assembler.Push(buffer[i]) && !handOver(assembler.Sentence())) {
                return 13;
            }
        }
        if (!slot.KeepRunning()) {
            handOverPending();
            return 11;
        }
    }
}

// The start-up checks shared by the threads of an endpoint: 0 when all is there.
int CheckStart(BluetoothEndpoint& endpoint, int noSocketCode) {
    if (endpoint.Channel() == 0) {
        return 3;
    }
    if (endpoint.Socket() < 0) {
        return noSocketCode;
    }
    return 0;
}

// What an inquiry found, shared by the inquiry procedure and the thread that asks the stack.
struct InquiryResults {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<BluetoothDevice> found; // not yet handed to the application
    bool finished = false;
    bool abandoned = false; // the procedure was stopped: nothing more is wanted
    // Set with `abandoned`: the stack sees it between its steps.
    Event abandon{Event::Kind::ManualReset};
    IBluetoothTransport::InquiryEnd end;
};

// How often a waiting inquiry looks whether it was asked to stop.
constexpr auto kInquiryStopLook = std::chrono::milliseconds(100);

std::string ErrorCode(int error) {
    return "(" + std::to_string(error) + ")";
}

} // namespace

BluetoothEndpoint::BluetoothEndpoint(IBluetoothTransport& transport, ISystemCalls& calls)
    : CommEndpoint(calls), m_transport(transport) {}

BluetoothEndpoint::~BluetoothEndpoint() {
    m_receiveSlot.Stop();
    m_sendSlot.Stop();
    m_closer.Stop();
    CloseSocket();
}

bool BluetoothEndpoint::SetDevice(const BluetoothDevice& device) {
    if (device == m_device) {
        return false;
    }
    m_device = device;
    return true;
}

bool BluetoothEndpoint::IsRunning() const {
    return CommEndpoint::IsRunning() || m_socket >= 0;
}

std::string BluetoothEndpoint::ConnectedNameOf(const std::string& deviceName,
                                               std::uint8_t channel) {
    return channel == 0 ? deviceName : deviceName + " Channel:" + std::to_string(channel);
}

bool BluetoothEndpoint::Open(ThreadProcedure receive, ThreadProcedure send, bool record) {
    std::lock_guard startStop(m_startStopLock);
    if (m_application == nullptr || !HasDevice() || receive == nullptr || send == nullptr ||
        (record && IsRecordFileOpen())) {
        return false;
    }
    BeginRun();
    FinishClosing();
    m_runningName = m_device.name;
    m_channel = FindChannel();
    if (m_channel == 0 || OpenCancelled()) {
        m_channel = 0;
        return false;
    }
    m_recording = record;
    if (!Connect() || OpenCancelled() || (record && !CreateRecordFile()) ||
        !StartThreads(receive, send, "RecvFromRouteRepresentationSocketProc()",
                      "SendToRouteRepresentationSocketProc()")) {
        CleanUpFailedOpen();
        return false;
    }
    m_connectedName = ConnectedNameOf(m_runningName, m_channel);
    return true;
}

std::uint8_t BluetoothEndpoint::FindChannel() {
    const IBluetoothTransport::ServiceSearch search =
        m_transport.SearchSerialPortService(m_device.address);
    switch (search.failedStep) {
    case IBluetoothTransport::LookupStep::Begin:
        ShowSocketError("WSALookupServiceBegin", search.error, " during the Search of Services");
        return 0;
    case IBluetoothTransport::LookupStep::Next:
        ShowSocketError("WSALookupServiceNext", search.error, " during the Search of Services");
        return 0;
    case IBluetoothTransport::LookupStep::None:
        break;
    }
    // Channel 0 does not exist in RFCOMM; a record that names it offers nothing to connect to.
    std::vector<std::uint8_t> channels = RfcommChannels(search.attributeLists);
    std::erase(channels, std::uint8_t{0});
    if (channels.empty()) {
        const std::string text = "An appropriate Service (COM port) at " + m_runningName +
                                 " was not found. Please, try with an another BT Device";
        m_application->Prompts().ShowInformation(text, "Error");
        return 0;
    }
    if (channels.size() == 1) {
        return channels.front();
    }
    const std::optional<std::size_t> chosen =
        m_application->View().ChooseBluetoothChannel(m_runningName, channels);
    return chosen && *chosen < channels.size() ? channels[*chosen] : 0;
}

bool BluetoothEndpoint::Connect() {
    int error = 0;
    m_socket = m_transport.CreateRfcommSocket(error);
    if (m_socket < 0) {
        ShowSocketError("socket", error);
        return false;
    }
    for (int retries = 0;; ++retries) {
        const int result = m_transport.Connect(m_socket, m_device.address, m_channel);
        if (result == 0) {
            break;
        }
        if (result != EISCONN || retries == kConnectRetries) {
            ShowSocketError("connect", result);
            return false;
        }
        std::this_thread::sleep_for(kConnectRetryPause);
        if (OpenCancelled()) {
            return false;
        }
    }
    // The threads wait in poll(2) and never block in a read or write: a stop or a device that
    // went away is seen at once.
    const int flags = ::fcntl(m_socket, F_GETFL);
    if (flags < 0 || ::fcntl(m_socket, F_SETFL, flags | O_NONBLOCK) < 0) {
        ShowSocketError("WSAEventSelect", errno);
        return false;
    }
    return true;
}

void BluetoothEndpoint::ShowSocketError(const char* call, int error, std::string_view after) {
    m_application->Prompts().ShowError(std::string(call) + " failed " + ErrorCode(error) + " at " +
                                       m_runningName + std::string(after));
}

void BluetoothEndpoint::CleanUpFailedOpen() {
    m_sendSlot.Stop();
    std::this_thread::sleep_for(kOpenCleanUpPause);
    m_receiveSlot.Stop();
    std::this_thread::sleep_for(kOpenCleanUpPause);
    CloseSocket();
    // A record file created before a thread failed to start holds nothing: without this the
    // next start would find it open and refuse.
    if (IsRecordFileOpen()) {
        m_recordFile.Delete();
        m_recordFile.ForgetPath();
    }
    m_channel = 0;
    m_recording = false;
}

void BluetoothEndpoint::CloseSocket() {
    if (m_socket < 0) {
        return;
    }
    ::shutdown(m_socket, SHUT_RDWR);
    ::close(m_socket);
    m_socket = -1;
}

std::string BluetoothEndpoint::Close() {
    std::lock_guard startStop(m_startStopLock);
    m_sendSlot.Stop();
    m_receiveSlot.Stop();
    if (m_socket >= 0) {
        // Only the sending side is shut first, so that the device's close can still be read.
        ::shutdown(m_socket, SHUT_WR);
        CloseAfterPeer(m_socket.exchange(-1));
    }
    const std::string kept = CloseRecordFile();
    m_channel = 0;
    ApplicationCore& application = *m_application;
    if (!application.IsDestinationRunning()) {
        application.View().RedrawTrack(application.View().ShownEngine());
    }
    m_connectedName.clear();
    // Only a recording keeps the device awake with timer 6.
    if (m_recording) {
        application.Timers().KillTimer(kTimerKeepAwakeRecording);
    }
    m_recording = false;
    return kept;
}

void BluetoothEndpoint::CloseAfterPeer(int socket) {
    // A close still waiting for the previous connection's device gives up now.
    m_closer.Stop();
    const auto wait = [this, socket] {
        WaitForPeerClose(socket);
        ::close(socket);
        std::this_thread::sleep_for(kClosePause);
        return 0;
    };
    if (!m_closer.Start(wait)) {
        wait();
    }
}

void BluetoothEndpoint::FinishClosing() {
    // The next connection to the device waits until the last one is closed (Open runs off the
    // window's thread), or until this Open is cancelled.
    while (m_closer.IsAlive() && !OpenCancelled()) {
        std::this_thread::sleep_for(kCloseLook);
    }
    m_closer.Stop();
}

void BluetoothEndpoint::WaitForPeerClose(int socket) {
    const auto deadline = std::chrono::steady_clock::now() + kPeerCloseWait;
    char scratch[kReadBlock];
    for (auto now = std::chrono::steady_clock::now(); now < deadline;
         now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        pollfd fds[2] = {{socket, POLLIN, 0}, {m_closer.StopDescriptor(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno != EINTR) {
            m_application->Prompts().ShowError("WSAEnumNetworkEvents failed " + ErrorCode(errno) +
                                               " in the BTDeviceCommunication Object");
            return;
        }
        if (ready <= 0) {
            continue;
        }
        if (fds[1].revents != 0) {
            return;
        }
        // What the device still sends is dropped; its close (or a failure) ends the wait.
        const ssize_t got = ::recv(socket, scratch, sizeof scratch, 0);
        if (got == 0 || (got < 0 && !IsTransient(errno))) {
            return;
        }
    }
}

SerialPort::WriteResult BluetoothEndpoint::Send(std::string_view data) {
    SerialPort::WriteResult result;
    while (!data.empty()) {
        // MSG_NOSIGNAL: a device that went away is a failed send, not the end of the program.
        const ssize_t sent = ::send(m_socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent >= 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        } else if (errno != EINTR) {
            result.status = SerialPort::Status::Failed;
            result.failure = {"send", errno};
            break;
        }
    }
    return result;
}

void BluetoothEndpoint::ReportConnectionFailure(const char* call, int error) {
    ReportDeviceFailure(std::string(call) + " failed " + ErrorCode(error) + " at " + m_runningName);
}

int SourceSocketRecvProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    BluetoothEndpoint& endpoint = application->BluetoothSource();
    if (const int code = CheckStart(endpoint, 4); code != 0) {
        return code;
    }
    // The channel is a field of its own after the device name.
    endpoint.WriteRecordHeaders(endpoint.RunningDeviceName() +
                                ",Channel:" + std::to_string(endpoint.Channel()));
    if (!endpoint.ReceiveSlot().KeepRunning()) {
        return 6;
    }
    return ReceiveLoop(endpoint, 9, [&](std::string_view sentence) {
        return endpoint.HandOverSentence(sentence);
    });
}

int SourceSocketSendProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    BluetoothEndpoint& endpoint = application->BluetoothSource();
    if (const int code = CheckStart(endpoint, 5); code != 0) {
        return code;
    }
    const std::string keepAlive = KeepAliveLine();
    WorkerThreadSlot& slot = endpoint.SendSlot();
    for (;;) {
        const SerialPort::WriteResult result = endpoint.Send(keepAlive);
        if (result.status == SerialPort::Status::Failed) {
            endpoint.ReportConnectionFailure("send", result.failure.error);
            return 6;
        }
        if (!slot.SleepUnlessStopped(kKeepAlivePeriod)) {
            return 7;
        }
    }
}

int DestinationSocketRecvProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    BluetoothEndpoint& endpoint = application->BluetoothDestination();
    if (const int code = CheckStart(endpoint, 4); code != 0) {
        return code;
    }
    if (!endpoint.ReceiveSlot().KeepRunning()) {
        return 7;
    }
    // What the device sends is read only to keep the link flowing, and dropped.
    return ReceiveLoop(endpoint, 10, [](std::string_view) { return true; });
}

int DestinationSocketSendProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 2;
    }
    BluetoothEndpoint& endpoint = application->BluetoothDestination();
    if (endpoint.Channel() == 0) {
        return 4;
    }
    if (endpoint.Socket() < 0) {
        return 5;
    }
    WorkerThreadSlot& slot = endpoint.SendSlot();
    if (!slot.KeepRunning()) {
        return 7;
    }
    // A failed write is reported here with the connection's own message; the upload's report
    // of the same failure then finds it reported already.
    const auto write = [&](std::string_view bytes) {
        const SerialPort::WriteResult result = endpoint.Send(bytes);
        if (result.status == SerialPort::Status::Failed) {
            endpoint.ReportConnectionFailure("send", result.failure.error);
        }
        return result;
    };
    return RunDestinationSendLoop(*application, endpoint, write, endpoint.RunningDeviceName());
}

int BDevicesSearchProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    WorkerThreadSlot& slot = application->InquirySlot();
    if (!slot.KeepRunning()) {
        return 2;
    }
    // The stack's inquiry cannot be interrupted (about 10 s): it runs on a thread of its own,
    // which a stopped inquiry leaves to finish in the background, so that closing the dialog
    // or the program never waits for it. That thread touches only the shared results.
    const auto results = std::make_shared<InquiryResults>();
    try {
        std::thread([results, &transport = application->Bluetooth()] {
            const IBluetoothTransport::InquiryEnd end = transport.Inquire(
                [&results](const BluetoothDevice& device) {
                    std::lock_guard lock(results->mutex);
                    if (results->abandoned) {
                        return false;
                    }
                    results->found.push_back(device);
                    results->changed.notify_all();
                    return true;
                },
                results->abandon.PollDescriptor());
            std::lock_guard lock(results->mutex);
            results->end = end;
            results->finished = true;
            results->changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        application->Prompts().ShowError(
            "AfxBeginThread failed at CGPSBTDevicesDlg::OnRefreshButton()");
        return 5;
    }
    std::unique_lock lock(results->mutex);
    for (;;) {
        results->changed.wait_for(lock, kInquiryStopLook,
                                  [&] { return results->finished || !results->found.empty(); });
        std::vector<BluetoothDevice> found;
        found.swap(results->found);
        const bool finished = results->finished;
        lock.unlock();
        for (BluetoothDevice& device : found) {
            if (device.name.empty()) {
                device.name = kUnknownDeviceName;
            }
            application->AppendBluetoothDevice(device);
        }
        if (finished) {
            break;
        }
        if (!slot.KeepRunning()) {
            lock.lock();
            results->abandoned = true;
            results->abandon.Set();
            return 6;
        }
        lock.lock();
    }
    const IBluetoothTransport::InquiryEnd end = results->end;
    switch (end.failedStep) {
    case IBluetoothTransport::LookupStep::Begin:
        application->Prompts().ShowError("WSALookupServiceBegin failed " + ErrorCode(end.error) +
                                         " at the Search of Devices");
        return 3;
    case IBluetoothTransport::LookupStep::Next:
        // Any other failure here is how the list of results ends.
        if (end.error == ENETDOWN) {
            application->Prompts().ShowError("The bluetooth network is down.");
        }
        return 4;
    case IBluetoothTransport::LookupStep::None:
        break;
    }
    return 0;
}
