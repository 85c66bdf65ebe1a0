#pragma once

#include "comm/CommEndpoint.h"
#include "comm/NetworkAddress.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

// A source reached over the network: a TCP server that sends NMEA to whoever connects (a
// phone's NMEA server, a multiplexer, gpsd's raw port), or datagrams sent to an address this
// program listens at. A TCP connection that drops is made again every few seconds, the
// recording going on in the same file, until the source is stopped.
class NetworkSourceEndpoint final : public CommEndpoint {
public:
    static constexpr std::chrono::milliseconds kConnectLimit{5000};
    static constexpr std::chrono::milliseconds kReconnectPause{3000};

    explicit NetworkSourceEndpoint(ISystemCalls& calls = RealSystemCalls());
    ~NetworkSourceEndpoint() override;

    // The configured address; nothing for none. True when it differs from the stored one.
    bool SetAddress(const std::optional<NetworkAddress>& address);
    const std::optional<NetworkAddress>& Address() const { return m_address; }
    bool HasAddress() const { return m_address.has_value(); }
    // The configured address's URL; empty for none.
    std::string AddressText() const;

    // The address of the running thread, fixed when the endpoint opened.
    const NetworkAddress& RunningAddress() const { return m_runningAddress; }
    int Socket() const { return m_socket.load(); }

    // Refuses without a message when the application, the address or the receive procedure
    // is missing, or when `record` is set while a record file is open. A TCP server that
    // refuses or does not answer within kConnectLimit, an address that cannot be listened at,
    // a record file or a thread that cannot be made are reported. The source sends nothing:
    // only the receive thread runs, and `send` is not used.
    bool Open(ThreadProcedure receive, ThreadProcedure send, bool record) override;
    std::string Close() override;
    bool IsRunning() const override;

    // What became of the connection while it runs, told once for each change: `sequence`
    // grows with every notice ("... was lost ...; connecting again", "connected again").
    struct Notice {
        unsigned sequence = 0;
        std::string text;
    };
    Notice LatestNotice() const;
    // Between a drop of the connection and the next connection made.
    bool IsReconnecting() const { return m_reconnecting.load(); }

    // The receive thread's loops. Every complete sentence goes to HandOverSentence. Exit
    // codes: 9 after a failure (reported), 12 after a stop, 13 when storing ran out of memory.
    int ReceiveStream();
    int ReceiveDatagrams();

private:
    void Tell(const std::string& text);
    // After a drop: connects again every kReconnectPause; false when a stop came first.
    bool Reconnect();
    void CloseSocket();

    std::optional<NetworkAddress> m_address;
    NetworkAddress m_runningAddress;
    std::string m_runningText;
    std::atomic<int> m_socket{-1};
    std::atomic<bool> m_reconnecting{false};
    mutable std::mutex m_noticeLock;
    Notice m_notice;
    bool m_recording = false;
};

// The receive procedure of the network source.
int SourceNetworkRecvProc(ApplicationCore* application);
