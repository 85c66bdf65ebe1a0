#pragma once

#include "comm/BluetoothDevice.h"
#include "comm/BluetoothTransport.h"
#include "comm/CommEndpoint.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

// A Bluetooth endpoint: a source or destination reached over an RFCOMM stream socket. Opening
// it searches the device's serial port service for its channel (asking the user when there
// are several), connects, and starts the threads, which read and write the socket.
class BluetoothEndpoint final : public CommEndpoint {
public:
    explicit BluetoothEndpoint(IBluetoothTransport& transport,
                               ISystemCalls& calls = RealSystemCalls());
    ~BluetoothEndpoint() override;

    // The configured device; an address of 0 means none. True when it differs from the
    // stored one.
    bool SetDevice(const BluetoothDevice& device);
    const BluetoothDevice& Device() const { return m_device; }
    bool HasDevice() const { return m_device.address != 0; }

    // The connection of the running threads, fixed when the endpoint opened: the configured
    // device may change while they run (a new device is chosen before the restart).
    const std::string& RunningDeviceName() const { return m_runningName; }
    std::uint8_t Channel() const { return m_channel; }
    int Socket() const { return m_socket; }

    // Refuses without a message when the application, the device or a procedure is missing,
    // or when `record` is set while a record file is open. Every other failure is reported.
    // Open may run on a worker thread while the window stops the endpoint after a device
    // failure: one waits for the other (see m_startStopLock).
    bool Open(ThreadProcedure receive, ThreadProcedure send, bool record) override;
    std::string Close() override;
    bool IsRunning() const override;
    // The last connection is still being closed (see CloseAfterPeer).
    bool IsClosing() const { return m_closer.IsAlive(); }

    // Any thread: an Open running on another thread gives up at its next look (after the
    // service search, between connect retries, before the record file), silently and with
    // nothing left open. The flag stays until AllowOpen, which the caller of a cancellable
    // Open calls before it.
    void CancelOpen() { m_openCancelled = true; }
    void AllowOpen() { m_openCancelled = false; }
    bool OpenCancelled() const { return m_openCancelled.load(); }

    // "NAME Channel:%d" while connected.
    static std::string ConnectedNameOf(const std::string& deviceName, std::uint8_t channel);

    // The outcome of writing to the connection; a full send buffer drops the data that does
    // not fit (the next burst follows within a second) and is no failure.
    SerialPort::WriteResult Send(std::string_view data);
    // A failed receive or send, reported once: "recvfrom failed (%d) at NAME" or "send ...".
    void ReportConnectionFailure(const char* call, int error);

private:
    // Finds the channel of the device's serial port service; 0 when none (reported) or when
    // the user cancelled.
    std::uint8_t FindChannel();
    // Creates the socket and connects it; false (reported) when that failed.
    bool Connect();
    void ShowSocketError(const char* call, int error, std::string_view after = {});
    void CleanUpFailedOpen();
    void CloseSocket();
    // Closes a socket whose sending side is shut once the device has closed its end, or after
    // a short while, on a thread of its own: the window never waits for a device.
    void CloseAfterPeer(int socket);
    // Waits for the last connection's close to end.
    void FinishClosing();
    void WaitForPeerClose(int socket);

    // Held for the whole of Open and of Close, so that a stop never runs against a half-made
    // connection (both write the connected name; one starts the threads the other joins).
    // Open waits for the window only while it chooses the channel, before any thread runs, and
    // a device-failure stop is asked only by a running thread: a Close waiting here never
    // holds up an Open that waits for the window.
    std::mutex m_startStopLock;
    IBluetoothTransport& m_transport;
    BluetoothDevice m_device;
    std::string m_runningName;
    std::uint8_t m_channel = 0;
    std::atomic<int> m_socket{-1}; // read by the window while a worker opens the connection
    bool m_recording = false;
    std::atomic<bool> m_openCancelled{false};
    // Closes the last connection's socket once its device let go of it.
    WorkerThreadSlot m_closer;
};

// The four Bluetooth thread procedures.
int SourceSocketRecvProc(ApplicationCore* application);
int SourceSocketSendProc(ApplicationCore* application);
int DestinationSocketRecvProc(ApplicationCore* application);
int DestinationSocketSendProc(ApplicationCore* application);

// The device inquiry: appends every device found to the application's device list, until the
// inquiry ends or the application's inquiry slot is asked to stop. A stop is seen at once: the
// stack's own inquiry, which cannot be interrupted, is left to end in the background.
int BDevicesSearchProc(ApplicationCore* application);
