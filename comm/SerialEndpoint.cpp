#include "comm/SerialEndpoint.h"

#include "comm/ApplicationCore.h"
#include "comm/BaudRateDetector.h"
#include "comm/BaudRateSettings.h"
#include "comm/DestinationSendLoop.h"
#include "comm/PortOpenFailure.h"
#include "comm/SentenceAssembler.h"
#include "comm/VirtualPortRegistration.h"
#include "nmea/ProprietarySentences.h"
#include "platform/Prompts.h"
#include "platform/SystemError.h"

#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr auto kKeepAlivePeriod = std::chrono::milliseconds(10000);
constexpr auto kOpenCleanUpPause = std::chrono::milliseconds(500);
constexpr auto kClosePause = std::chrono::milliseconds(100);
// Bytes taken from the port per read; each is assembled as it comes.
constexpr std::size_t kReadBlock = 4096;

constexpr std::string_view kDevicePrefix = "$device\\";

// Receives until the port fails or a stop is requested. Every complete sentence goes to
// `handOver`, which returns false to end the thread, and so does the sentence that was still
// being received when the port failed or the stop came. Exit codes: `failed` after a port
// failure, 11 when a stop was seen after a read, 12 when it ended a wait, 13 when handOver
// ended it.
template <typename HandOver>
int ReceiveLoop(SerialEndpoint& endpoint, int failed, HandOver&& handOver) {
    WorkerThreadSlot& slot = endpoint.ReceiveSlot();
    SentenceAssembler assembler;
    const auto handOverPending = [&] {
        if (const std::string_view pending = assembler.TakePending(); !pending.empty()) {
            handOver(pending);
        }
    };
    char buffer[kReadBlock];
    for (;;) {
        const SerialPort::ReadResult result =
            endpoint.Port().Read(buffer, sizeof buffer, slot.StopDescriptor());
        if (result.status == SerialPort::Status::Failed) {
            // Into the file before the failure box asks whether to keep it.
            handOverPending();
            endpoint.ReportDeviceFailure(result.failure, endpoint.RunningPortName());
            return failed;
        }
        if (result.status == SerialPort::Status::Stopped) {
            slot.KeepRunning();
            handOverPending();
            return 12;
        }
        for (std::size_t i = 0; i < result.size; ++i) {
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

// The same device file under two names: a device node by the device it stands for (the
// standard library compares only regular files).
bool SameDevice(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat first {};
    struct stat second {};
    if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0) {
        return false;
    }
    if (S_ISCHR(first.st_mode) && S_ISCHR(second.st_mode)) {
        return first.st_rdev == second.st_rdev;
    }
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// The device is the virtual serial port, under whatever name it was given.
bool IsVirtualPort(ApplicationCore& application, const ResolvedDevice& device) {
    const int index = application.VirtualSerialPortIndex();
    if (index == kNoVirtualPort || device.kind != ResolvedDevice::Kind::File) {
        return false;
    }
    const ResolvedDevice virtualPort = application.ResolvePort(VirtualPortName(index));
    return virtualPort.kind == ResolvedDevice::Kind::File &&
           SameDevice(device.path, virtualPort.path);
}

// The start-up checks shared by the threads of an endpoint: 0 when all is there.
int CheckStart(ApplicationCore* application, SerialEndpoint& endpoint, int noHandleCode) {
    if (application == nullptr) {
        return 1;
    }
    if (endpoint.RunningPortName().empty()) {
        return 3;
    }
    if (!endpoint.Port().IsOpen()) {
        return noHandleCode;
    }
    return 0;
}

} // namespace

SerialEndpoint::SerialEndpoint(ISystemCalls& calls) : CommEndpoint(calls), m_port(calls) {}

SerialEndpoint::~SerialEndpoint() {
    m_receiveSlot.Stop();
    m_sendSlot.Stop();
}

bool SerialEndpoint::SetPortName(const std::string& name) {
    constexpr std::size_t kShortestLongName = 6; // "COM10:"
    const std::string stored = name.starts_with("COM") && name.size() >= kShortestLongName
                                   ? std::string(kDevicePrefix) + name
                                   : name;
    // Compared in the stored form, so that choosing port 10 or above again is no change.
    if (stored == m_portName) {
        return false;
    }
    m_portName = stored;
    return true;
}

bool SerialEndpoint::IsComPort() const {
    return m_portName.starts_with("COM");
}

bool SerialEndpoint::OpensThroughGpsd() const {
    return m_application != nullptr && !m_portName.empty() &&
           ResolveForOpen(*m_application).kind == ResolvedDevice::Kind::Gpsd;
}

bool SerialEndpoint::IsRunning() const {
    return CommEndpoint::IsRunning() || m_port.IsOpen();
}

bool SerialEndpoint::Open(ThreadProcedure receive, ThreadProcedure send, bool record) {
    if (m_application == nullptr || m_portName.empty() || receive == nullptr || send == nullptr ||
        (record && IsRecordFileOpen())) {
        return false;
    }
    ApplicationCore& application = *m_application;
    BeginRun();
    const ResolvedDevice device = ResolveForOpen(application);
    const PortSharing sharing =
        IsVirtualPort(application, device) ? PortSharing::Shared : PortSharing::Exclusive;
    if (const std::optional<PortFailure> failure = m_port.Open(device, IsComPort(), sharing)) {
        if (const std::optional<std::string> text =
                PortOpenFailureText(m_portName, device, *failure, application.Paths().deviceDir)) {
            application.Prompts().ShowError(*text);
        }
        CleanUpFailedOpen();
        return false;
    }
    if (const std::optional<PortFailure> failure = ConfigureLineRate(application)) {
        ReportSystemError(application.Prompts(), failure->call, failure->error, m_portName);
        CleanUpFailedOpen();
        return false;
    }
    m_runningPortName = m_portName;
    m_runningOnComPort = IsComPort();
    m_recording = record;
    if (record && !CreateRecordFile()) {
        CleanUpFailedOpen();
        return false;
    }
    if (!StartThreads(receive, send, "RecvFromSerialPortReceiverProc()",
                      "SendToSerialPortReceiverProc()")) {
        CleanUpFailedOpen();
        return false;
    }
    m_connectedName = m_portName;
    return true;
}

std::optional<PortFailure> SerialEndpoint::ConfigureLineRate(ApplicationCore& application) {
    if (!IsComPort() || !m_port.RateMatters()) {
        return std::nullopt;
    }
    const bool source = this == &application.SerialSource();
    if (!source && !m_baudChoice) {
        return std::nullopt; // a consumer stays at the configuration's rate
    }
    const int chosen = m_baudChoice ? *m_baudChoice : SourceBaudRateSetting(application.Registry());
    if (chosen != 0) {
        return m_port.SetBaudRate(chosen);
    }
    if (source) {
        // Found on the receive thread; the settings are written on the user-interface thread.
        ApplicationCore* core = &application;
        m_port.DetectRateOnFirstRead(
            DetectionOrder(DetectedBaudRate(application.Registry(), m_portName)),
            [core, port = m_portName](int baud) {
                core->View().Post(
                    [core, port, baud] { StoreDetectedBaudRate(core->Registry(), port, baud); });
            });
    }
    return std::nullopt;
}

std::string SerialEndpoint::LineRateText() const {
    if (!m_port.IsOpen() || !m_runningOnComPort || !m_port.RateMatters()) {
        return {};
    }
    if (m_port.IsDetectingRate()) {
        return "detecting the baud rate";
    }
    return std::to_string(m_port.BaudRate()) + " baud";
}

ResolvedDevice SerialEndpoint::ResolveForOpen(ApplicationCore& application) const {
    // A playback or an autopilot output into the virtual port writes where its host takes the
    // application's bytes, not into the terminal that its readers share and set up for
    // themselves.
    const int virtualPort = application.VirtualSerialPortIndex();
    if (this != &application.SerialSource() && virtualPort != kNoVirtualPort &&
        m_portName == VirtualPortName(virtualPort)) {
        if (auto input = VirtualPortInput(application.Paths(), virtualPort)) {
            ResolvedDevice device;
            device.kind = ResolvedDevice::Kind::File;
            device.path = std::move(*input);
            return device;
        }
    }
    return application.ResolvePort(m_portName);
}

void SerialEndpoint::CleanUpFailedOpen() {
    m_sendSlot.Stop();
    std::this_thread::sleep_for(kOpenCleanUpPause);
    m_receiveSlot.Stop();
    std::this_thread::sleep_for(kOpenCleanUpPause);
    m_port.Close();
    // A record file created before a thread failed to start holds nothing: without this the
    // next start would find it open and refuse.
    if (IsRecordFileOpen()) {
        m_recordFile.Delete();
        m_recordFile.ForgetPath();
    }
    m_recording = false;
}

std::string SerialEndpoint::Close() {
    m_receiveSlot.Stop();
    std::this_thread::sleep_for(kClosePause);
    m_sendSlot.Stop();
    std::this_thread::sleep_for(kClosePause);
    m_port.Close();
    const std::string kept = CloseRecordFile();
    ApplicationCore& application = *m_application;
    if (!application.IsDestinationRunning()) {
        application.View().RedrawTrack(application.View().ShownEngine());
    }
    m_connectedName.clear();
    // Only a recording keeps the device awake with timer 6; a playback that ends must not
    // stop it while a recording goes on.
    if (m_recording) {
        application.Timers().KillTimer(kTimerKeepAwakeRecording);
    }
    m_recording = false;
    return kept;
}

int SourceSerialRecvProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    SerialEndpoint& endpoint = application->SerialSource();
    if (const int code = CheckStart(application, endpoint, 4); code != 0) {
        return code;
    }
    endpoint.WriteRecordHeaders(endpoint.RunningPortName());
    if (!endpoint.ReceiveSlot().KeepRunning()) {
        return 6;
    }
    return ReceiveLoop(endpoint, 9, [&](std::string_view sentence) {
        return endpoint.HandOverSentence(sentence);
    });
}

int SourceSerialSendProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    SerialEndpoint& endpoint = application->SerialSource();
    if (const int code = CheckStart(application, endpoint, 5); code != 0) {
        return code;
    }
    const std::string keepAlive = KeepAliveLine();
    WorkerThreadSlot& slot = endpoint.SendSlot();
    for (;;) {
        if (endpoint.RunningOnComPort()) {
            const SerialPort::WriteResult result =
                endpoint.Port().Write(keepAlive, slot.StopDescriptor());
            if (result.status == SerialPort::Status::Failed) {
                endpoint.ReportDeviceFailure(result.failure, endpoint.RunningPortName());
                return 6;
            }
        }
        // The pause waits on the stop event, so a stop is seen at once, not after 10 s.
        if (!slot.SleepUnlessStopped(kKeepAlivePeriod)) {
            return 7;
        }
    }
}

int ConsumerSerialReceive(ApplicationCore* application, SerialEndpoint& endpoint) {
    if (const int code = CheckStart(application, endpoint, 4); code != 0) {
        return code;
    }
    // The virtual port's buffer is shared by all its users: the application never reads it.
    if (application->VirtualSerialPortIndex() != -1) {
        return 6;
    }
    if (!endpoint.ReceiveSlot().KeepRunning()) {
        return 7;
    }
    return ReceiveLoop(endpoint, 10, [](std::string_view) { return true; });
}

CommEndpoint::WriteBytes ConsumerSerialWriter(SerialEndpoint& endpoint) {
    return [&endpoint](std::string_view bytes) {
        const SerialPort::WriteResult result =
            endpoint.Port().Write(bytes, endpoint.SendSlot().StopDescriptor());
        if (result.status == SerialPort::Status::Failed) {
            endpoint.ReportDeviceFailure(result.failure, endpoint.RunningPortName());
        }
        return result;
    };
}

int CheckConsumerSend(SerialEndpoint& endpoint) {
    if (endpoint.RunningPortName().empty()) {
        return 4;
    }
    if (!endpoint.Port().IsOpen()) {
        return 5;
    }
    return endpoint.SendSlot().KeepRunning() ? 0 : 7;
}

int DestinationSerialRecvProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 1;
    }
    return ConsumerSerialReceive(application, application->SerialDestination());
}

int DestinationSerialSendProc(ApplicationCore* application) {
    if (application == nullptr) {
        return 2;
    }
    SerialEndpoint& endpoint = application->SerialDestination();
    if (const int code = CheckConsumerSend(endpoint); code != 0) {
        return code;
    }
    // A failed write is reported by the writer; the upload's report of the same failure then
    // finds it reported already.
    return RunDestinationSendLoop(*application, endpoint, ConsumerSerialWriter(endpoint),
                                  endpoint.RunningPortName());
}
