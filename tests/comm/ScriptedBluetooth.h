#pragma once

#include "comm/BluetoothTransport.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// --- SDP data elements of a service search attribute response ----------------------------

using SdpBytes = std::vector<std::uint8_t>;

SdpBytes operator+(SdpBytes a, const SdpBytes& b);
SdpBytes SdpSequence(const SdpBytes& body);
SdpBytes SdpUint16(std::uint16_t value);
SdpBytes SdpUuid16(std::uint16_t value);
// One serial port record per channel: attribute 4, the protocol descriptor list of L2CAP
// (PSM 3) and RFCOMM on that channel.
SdpBytes SerialPortAttributeLists(std::initializer_list<std::uint8_t> channels);

// --- The device at the other end of a connection -------------------------------------------

// Reads everything the endpoint sends, and hangs up when the endpoint shuts its side, as a
// device does when the link is closed.
class Peer {
public:
    explicit Peer(int fd);
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    void Write(const std::string& bytes);
    // The device goes away in the middle of the connection.
    void HangUp();
    // From now on the device keeps its end open after the endpoint shut its side, until
    // HangUp, as a device slow to close the link.
    void StayAfterEnd() { m_stayAfterEnd = true; }
    // The endpoint has closed its socket.
    bool OtherEndClosed() const;
    std::string Received() const;
    bool SawEnd() const { return m_sawEnd.load(); }

private:
    void Read();

    int m_fd;
    mutable std::mutex m_mutex;
    std::string m_received;
    std::atomic<bool> m_sawEnd{false};
    std::atomic<bool> m_stayAfterEnd{false};
    std::thread m_reader;
};

// A Bluetooth stack whose connections are socket pairs: the endpoint gets one end, the test
// keeps the other as the device. An inquiry can be held after its devices, as a stack that is
// still inquiring; the transport waits for a held inquiry to return before it goes.
class ScriptedTransport final : public IBluetoothTransport {
public:
    ~ScriptedTransport() override;

    InquiryEnd Inquire(const std::function<bool(const BluetoothDevice&)>& found,
                       int stopFd) override;
    ServiceSearch SearchSerialPortService(std::uint64_t address) override;
    int CreateRfcommSocket(int& error) override;
    int Connect(int, std::uint64_t, std::uint8_t channel) override;

    // Inquiries from now on wait after their devices until ReleaseInquiry.
    void HoldInquiry();
    void ReleaseInquiry();
    // An inquiry is in the stack (held or not yet returned).
    bool Inquiring() const;
    // Whether the stop descriptor the last inquiry was given polls readable now.
    bool InquiryStopSignalled() const;
    // Connects from now on wait until ReleaseConnect (a device slow to answer).
    void HoldConnect();
    void ReleaseConnect();
    // A held connect is waiting.
    bool ConnectWaiting() const;

    std::vector<BluetoothDevice> inquiryDevices;
    InquiryEnd inquiryEnd;
    ServiceSearch search{LookupStep::None, 0, SerialPortAttributeLists({5})};
    std::uint64_t searchedAddress = 0;
    int socketError = 0;
    std::deque<int> connectResults;
    std::vector<std::uint8_t> connectedChannels;
    std::unique_ptr<Peer> peer;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_holdInquiry = false;
    bool m_holdConnect = false;
    bool m_connectWaiting = false;
    int m_inquiries = 0;
    int m_inquiryStopFd = -1;
};
