#pragma once

#include "comm/GpsdStreamFilter.h"
#include "comm/SystemCalls.h"
#include "platform/DeviceName.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A failed port operation: the name of the platform call that the messages use for it
// ("CreateFile", "SetCommState", "WaitCommEvent", "ReadFile", "WriteFile") and the system's
// error number.
struct PortFailure {
    std::string call;
    int error = 0;
};

// Whether other programs may open a tty while this program has it: a receiver or consumer
// port is ours alone (two readers would split its stream between them), the virtual port is
// read by other programs while this one writes to it.
enum class PortSharing { Exclusive, Shared };

// One open port: a tty or pseudo-terminal (in raw mode, as the handheld's ports had no line
// discipline), any other file that opens for reading and writing, or a connection to gpsd that
// delivers its raw NMEA stream. Reads and writes wait in poll(2) together with a stop
// descriptor, so a stop request ends a wait at once even on a silent port.
class SerialPort {
public:
    explicit SerialPort(ISystemCalls& calls = RealSystemCalls()) : m_calls(calls) {}
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the device. `serialSettings`: also set 57600 baud (until SetBaudRate), 8 data bits,
    // no parity, one stop bit (a tty is put in raw mode either way). An exclusive tty is locked
    // (flock) and marked exclusive (TIOCEXCL) before it is configured, so a port that another
    // program holds is refused with EBUSY and left as that program set it. gpsd must accept the
    // connection and answer within `kGpsdAnswerLimit`, else the open fails with ETIMEDOUT. On
    // failure nothing stays open.
    std::optional<PortFailure> Open(const ResolvedDevice& device, bool serialSettings,
                                    PortSharing sharing = PortSharing::Exclusive);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }

    enum class Status { Data, Stopped, Failed };
    struct ReadResult {
        Status status = Status::Data;
        std::size_t size = 0; // bytes stored; may be 0 with Status::Data
        PortFailure failure;
    };
    // Waits until bytes arrive or `stopFd` polls readable, and reads what is there. A device
    // that hung up or vanished is a failure (EIO for a tty, ECONNRESET for gpsd). While the
    // line rate is being detected, a read returns only what arrived at the rate found.
    ReadResult Read(char* buffer, std::size_t size, int stopFd);
    // The same, waiting at most `timeout` (then Status::Data with nothing read).
    ReadResult ReadWithin(char* buffer, std::size_t size, int stopFd,
                          std::chrono::milliseconds timeout);

    // The line rate matters: a tty behind a UART or a USB serial bridge. Not for CDC-ACM
    // devices and pseudo-terminals (the virtual port among them), which ignore it, nor for gpsd
    // or files.
    bool RateMatters() const { return m_rateMatters; }
    // Sets the line rate (bits per second, one of IsSupportedBaudRate's).
    std::optional<PortFailure> SetBaudRate(int baud);
    // The reads that follow first find the rate at which whole sentences arrive, trying
    // `rates` in turn for a bounded time each and starting over until one works or a stop
    // comes; `found` is then called with it on the reading thread.
    void DetectRateOnFirstRead(std::vector<int> rates, std::function<void(int)> found);
    bool IsDetectingRate() const { return m_detecting.load(); }
    // The rate the line was last set to; 0 when it was never set.
    int BaudRate() const { return m_baud.load(); }

    struct WriteResult {
        Status status = Status::Data;
        PortFailure failure;
    };
    // Writes all of `data`, waiting while the device's output buffer is full. A device that
    // does not take the data within 1000 ms + 10 ms per byte ends the write early without a
    // failure, as the port's write time-outs did.
    WriteResult Write(std::string_view data, int stopFd);

    static constexpr std::chrono::milliseconds kGpsdAnswerLimit{3000};

private:
    struct Detection {
        std::vector<int> rates;
        std::function<void(int)> found;
    };
    std::optional<ReadResult> DetectRate(int stopFd);

    std::optional<PortFailure> OpenGpsd(const GpsdAddress& address);
    std::optional<PortFailure> TakeExclusively();
    std::optional<PortFailure> Configure(bool serialSettings);
    int HangUpError() const;

    ISystemCalls& m_calls;
    int m_fd = -1;
    bool m_isGpsd = false;
    bool m_exclusive = false;
    bool m_rateMatters = false;
    std::atomic<int> m_baud{0};
    std::atomic<bool> m_detecting{false};
    std::optional<Detection> m_detection;
    // What the detection read at the rate it found, handed out by the next reads.
    std::string m_pending;
    GpsdStreamFilter m_filter;
};

// The line rates a port can be set to (bits per second): 1200 to 921600.
bool IsSupportedBaudRate(int baud);

// A device that ignores the line rate, by the device it ends at: a CDC-ACM device (ttyACM*)
// or a pseudo-terminal.
bool IgnoresLineRate(const std::filesystem::path& device);
