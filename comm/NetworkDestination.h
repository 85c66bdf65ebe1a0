#pragma once

#include "comm/CommEndpoint.h"
#include "comm/NetworkAddress.h"
#include "comm/NetworkReaders.h"
#include "comm/NetworkSockets.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// A destination reached over the network: a TCP server that sends every burst to each reader
// connected to it (tcp-server://), or datagrams sent to an address (udp://). Nothing a reader
// sends is taken as a command: it is read and dropped.
class NetworkDestinationEndpoint final : public CommEndpoint {
public:
    // The largest datagram sent: whole sentences up to what fits an Ethernet frame unsplit.
    static constexpr std::size_t kLargestDatagram = 1472;

    explicit NetworkDestinationEndpoint(ISystemCalls& calls = RealSystemCalls());
    ~NetworkDestinationEndpoint() override;

    // The configured address; nothing for none. True when it differs from the stored one.
    bool SetAddress(const std::optional<NetworkAddress>& address);
    const std::optional<NetworkAddress>& Address() const { return m_address; }
    bool HasAddress() const { return m_address.has_value(); }
    std::string AddressText() const;

    const NetworkAddress& RunningAddress() const { return m_runningAddress; }
    // The readers of a running TCP server; null otherwise.
    NetworkReaders* Readers() { return m_readers.get(); }

    // Refuses without a message when the application, the address or a procedure is missing,
    // or when `record` is set (a destination records nothing). An address that cannot be
    // listened at or sent to, or a thread that cannot start, is reported. A TCP server runs
    // both threads (the receive thread serves the readers); datagrams need only the send
    // thread.
    bool Open(ThreadProcedure receive, ThreadProcedure send, bool record) override;
    std::string Close() override;
    bool IsRunning() const override;

    // Sends bytes to the readers or as datagrams; never waits for a reader. A datagram that
    // cannot be sent now (no buffer, no one listening) is lost as on any network; any other
    // failure is returned.
    SerialPort::WriteResult Send(std::string_view bytes);

private:
    void CloseSockets();

    std::optional<NetworkAddress> m_address;
    NetworkAddress m_runningAddress;
    std::unique_ptr<NetworkReaders> m_readers;
    int m_datagramFd = -1;
    SocketTarget m_datagramTarget;
    bool m_running = false;
};

// The threads of a network destination or autopilot port: the receive thread serves the
// readers of a TCP server; the writer sends bytes and reports a failure.
int ServeNetworkReaders(NetworkDestinationEndpoint& endpoint);
CommEndpoint::WriteBytes NetworkWriter(NetworkDestinationEndpoint& endpoint);

// The two thread procedures of the network destination.
int DestinationNetworkRecvProc(ApplicationCore* application);
int DestinationNetworkSendProc(ApplicationCore* application);
