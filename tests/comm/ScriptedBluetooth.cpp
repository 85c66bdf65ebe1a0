#include "tests/comm/ScriptedBluetooth.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

SdpBytes operator+(SdpBytes a, const SdpBytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

SdpBytes SdpSequence(const SdpBytes& body) {
    return SdpBytes{0x35, static_cast<std::uint8_t>(body.size())} + body;
}

SdpBytes SdpUint16(std::uint16_t value) {
    return {0x09, static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

SdpBytes SdpUuid16(std::uint16_t value) {
    return {0x19, static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

SdpBytes SerialPortAttributeLists(std::initializer_list<std::uint8_t> channels) {
    SdpBytes records;
    for (std::uint8_t channel : channels) {
        const SdpBytes l2cap = SdpSequence(SdpUuid16(0x0100) + SdpUint16(3));
        const SdpBytes rfcomm = SdpSequence(SdpUuid16(0x0003) + SdpBytes{0x08, channel});
        records = records + SdpSequence(SdpUint16(4) + SdpSequence(l2cap + rfcomm));
    }
    return SdpSequence(records);
}

Peer::Peer(int fd) : m_fd(fd), m_reader([this] { Read(); }) {}

Peer::~Peer() {
    ::shutdown(m_fd, SHUT_RDWR);
    m_reader.join();
    ::close(m_fd);
}

void Peer::Write(const std::string& bytes) {
    ASSERT_EQ(::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
}

void Peer::HangUp() {
    ::shutdown(m_fd, SHUT_RDWR);
}

std::string Peer::Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

void Peer::Read() {
    char buffer[1024];
    for (;;) {
        const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        std::lock_guard lock(m_mutex);
        m_received.append(buffer, static_cast<std::size_t>(got));
    }
    m_sawEnd = true;
    if (!m_stayAfterEnd) {
        ::shutdown(m_fd, SHUT_WR);
    }
}

bool Peer::OtherEndClosed() const {
    pollfd fd{m_fd, POLLIN, 0};
    return ::poll(&fd, 1, 0) == 1 && (fd.revents & POLLHUP) != 0;
}

ScriptedTransport::~ScriptedTransport() {
    std::unique_lock lock(m_mutex);
    m_holdInquiry = false;
    m_holdConnect = false;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_inquiries == 0; });
}

IBluetoothTransport::InquiryEnd
ScriptedTransport::Inquire(const std::function<bool(const BluetoothDevice&)>& found, int stopFd) {
    {
        std::lock_guard lock(m_mutex);
        ++m_inquiries;
        m_inquiryStopFd = stopFd;
    }
    for (const BluetoothDevice& device : inquiryDevices) {
        if (!found(device)) {
            break;
        }
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_holdInquiry; });
    --m_inquiries;
    m_changed.notify_all();
    return inquiryEnd;
}

IBluetoothTransport::ServiceSearch
ScriptedTransport::SearchSerialPortService(std::uint64_t address) {
    searchedAddress = address;
    return search;
}

int ScriptedTransport::CreateRfcommSocket(int& error) {
    if (socketError != 0) {
        error = socketError;
        return -1;
    }
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        error = errno;
        return -1;
    }
    peer = std::make_unique<Peer>(ends[1]);
    return ends[0];
}

int ScriptedTransport::Connect(int, std::uint64_t, std::uint8_t channel) {
    std::unique_lock lock(m_mutex);
    m_connectWaiting = m_holdConnect;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_holdConnect; });
    m_connectWaiting = false;
    connectedChannels.push_back(channel);
    if (connectResults.empty()) {
        return 0;
    }
    const int result = connectResults.front();
    connectResults.pop_front();
    return result;
}

void ScriptedTransport::HoldInquiry() {
    std::lock_guard lock(m_mutex);
    m_holdInquiry = true;
}

void ScriptedTransport::ReleaseInquiry() {
    std::lock_guard lock(m_mutex);
    m_holdInquiry = false;
    m_changed.notify_all();
}

bool ScriptedTransport::Inquiring() const {
    std::lock_guard lock(m_mutex);
    return m_inquiries > 0;
}

bool ScriptedTransport::InquiryStopSignalled() const {
    std::lock_guard lock(m_mutex);
    pollfd fd{m_inquiryStopFd, POLLIN, 0};
    return m_inquiryStopFd >= 0 && ::poll(&fd, 1, 0) == 1;
}

void ScriptedTransport::HoldConnect() {
    std::lock_guard lock(m_mutex);
    m_holdConnect = true;
}

void ScriptedTransport::ReleaseConnect() {
    std::lock_guard lock(m_mutex);
    m_holdConnect = false;
    m_changed.notify_all();
}

bool ScriptedTransport::ConnectWaiting() const {
    std::lock_guard lock(m_mutex);
    return m_connectWaiting;
}
