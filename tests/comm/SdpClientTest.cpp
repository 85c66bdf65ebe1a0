#include "comm/SdpClient.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The request of the first round, byte for byte: PDU 0x06, transaction 1, 15 parameter bytes;
// pattern = sequence of UUID16 0x1101; at most 0xFFFF attribute bytes; attribute ids = sequence
// of the 32-bit range 0x0004-0x0004; no continuation state.
const Bytes kFirstRequest = {0x06, 0x00, 0x01, 0x00, 0x0F, 0x35, 0x03, 0x19, 0x11, 0x01,
                             0xFF, 0xFF, 0x35, 0x05, 0x0A, 0x00, 0x04, 0x00, 0x04, 0x00};

// A record list as a server sends it: one record whose protocol descriptor list is L2CAP,
// then RFCOMM channel 3.
const Bytes kRecordList = {0x35, 0x13, 0x35, 0x11, 0x09, 0x00, 0x04, 0x35, 0x0C, 0x35, 0x03,
                           0x19, 0x01, 0x00, 0x35, 0x05, 0x19, 0x00, 0x03, 0x08, 0x03};

Bytes Response(std::uint16_t transactionId, const Bytes& attributes, const Bytes& continuation) {
    const std::size_t parameters = 2 + attributes.size() + 1 + continuation.size();
    Bytes pdu = {0x07,
                 static_cast<std::uint8_t>(transactionId >> 8),
                 static_cast<std::uint8_t>(transactionId & 0xFF),
                 static_cast<std::uint8_t>(parameters >> 8),
                 static_cast<std::uint8_t>(parameters & 0xFF),
                 static_cast<std::uint8_t>(attributes.size() >> 8),
                 static_cast<std::uint8_t>(attributes.size() & 0xFF)};
    pdu.insert(pdu.end(), attributes.begin(), attributes.end());
    pdu.push_back(static_cast<std::uint8_t>(continuation.size()));
    pdu.insert(pdu.end(), continuation.begin(), continuation.end());
    return pdu;
}

// What the fake server does with one request.
struct Reply {
    enum class Kind { Send, Silent, HangUp } kind = Kind::Send;
    Bytes pdu;
};

// An SDP server on the far end of a packet socket pair: it records every request and answers
// each through `answer` (given the request and its round, counting from 0).
class FakeSdpServer {
public:
    using Answer = std::function<Reply(const Bytes& request, std::size_t round)>;

    explicit FakeSdpServer(Answer answer) : m_answer(std::move(answer)) {
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
            ADD_FAILURE() << "socketpair: " << errno;
            return;
        }
        m_client = pair[0];
        m_server = pair[1];
        m_thread = std::thread([this] { Serve(); });
    }
    ~FakeSdpServer() { Finish(); }

    int Client() const { return m_client; }

    // Ends the connection from the client's side and waits for the server.
    const std::vector<Bytes>& Finish() {
        if (m_client >= 0) {
            ::shutdown(m_client, SHUT_RDWR);
        }
        if (m_thread.joinable()) {
            m_thread.join();
        }
        for (int* fd : {&m_client, &m_server}) {
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
        }
        return m_requests;
    }

private:
    void Serve() {
        Bytes buffer(0x10000 + 16);
        for (;;) {
            const ssize_t size = ::recv(m_server, buffer.data(), buffer.size(), 0);
            if (size <= 0) {
                return;
            }
            m_requests.emplace_back(buffer.begin(), buffer.begin() + size);
            const Reply reply = m_answer(m_requests.back(), m_requests.size() - 1);
            if (reply.kind == Reply::Kind::HangUp) {
                ::shutdown(m_server, SHUT_RDWR);
                return;
            }
            if (reply.kind == Reply::Kind::Send &&
                ::send(m_server, reply.pdu.data(), reply.pdu.size(), MSG_NOSIGNAL) < 0) {
                return;
            }
        }
    }

    Answer m_answer;
    int m_client = -1;
    int m_server = -1;
    std::thread m_thread;
    std::vector<Bytes> m_requests;
};

Reply Send(Bytes pdu) {
    return Reply{Reply::Kind::Send, std::move(pdu)};
}

// A server that sends one fixed reply to the first request.
FakeSdpServer::Answer Always(Bytes pdu) {
    return [pdu](const Bytes&, std::size_t) { return Send(pdu); };
}

TEST(SdpClient, AnAnswerInOneResponseIsTakenWhole) {
    FakeSdpServer server(Always(Response(1, kRecordList, {})));
    const SdpSearchResult result = SearchSerialPortRecords(server.Client());
    const auto& requests = server.Finish();

    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(result.attributeLists, kRecordList);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], kFirstRequest);
}

TEST(SdpClient, AnAnswerSplitOverContinuationRoundsIsJoinedInOrder) {
    const Bytes first(kRecordList.begin(), kRecordList.begin() + 7);
    const Bytes second(kRecordList.begin() + 7, kRecordList.begin() + 8);
    const Bytes third(kRecordList.begin() + 8, kRecordList.end());
    const Bytes state1 = {0xAA, 0xBB};
    const Bytes state2(16, 0x5C);
    FakeSdpServer server([&](const Bytes&, std::size_t round) {
        switch (round) {
        case 0:
            return Send(Response(1, first, state1));
        case 1:
            return Send(Response(2, second, state2));
        default:
            return Send(Response(3, third, {}));
        }
    });
    const SdpSearchResult result = SearchSerialPortRecords(server.Client());
    const auto& requests = server.Finish();

    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(result.attributeLists, kRecordList);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0], kFirstRequest);
    // Each later request: the next transaction id, two or sixteen more parameter bytes, and the
    // server's continuation state sent back as it came.
    Bytes expected = kFirstRequest;
    expected[2] = 0x02;
    expected[4] = 0x0F + 2;
    expected.back() = 2;
    expected.insert(expected.end(), state1.begin(), state1.end());
    EXPECT_EQ(requests[1], expected);
    expected = kFirstRequest;
    expected[2] = 0x03;
    expected[4] = 0x0F + 16;
    expected.back() = 16;
    expected.insert(expected.end(), state2.begin(), state2.end());
    EXPECT_EQ(requests[2], expected);
}

TEST(SdpClient, UnusableResponsesEndTheSearchWithEprotoAndNoData) {
    const Bytes good = Response(1, kRecordList, {});
    auto withParameterLength = [&](std::uint16_t length) {
        Bytes pdu = good;
        pdu[3] = static_cast<std::uint8_t>(length >> 8);
        pdu[4] = static_cast<std::uint8_t>(length & 0xFF);
        return pdu;
    };
    Bytes byteCountTooLarge = good;
    byteCountTooLarge[6] = static_cast<std::uint8_t>(kRecordList.size() + 1);
    Bytes byteCountTooSmall = good;
    byteCountTooSmall[6] = static_cast<std::uint8_t>(kRecordList.size() - 1);
    Bytes otherPdu = good;
    otherPdu[0] = 0x05;
    const struct {
        const char* label;
        Bytes pdu;
    } cases[] = {
        {"error response", {0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03}},
        {"another PDU", otherPdu},
        {"another transaction", Response(2, kRecordList, {})},
        {"shorter than a header", {0x07, 0x00, 0x01, 0x00}},
        {"no byte count", {0x07, 0x00, 0x01, 0x00, 0x01, 0x00}},
        {"parameter length beyond the data", withParameterLength(good.size() - 5 + 1)},
        {"parameter length short of the data", withParameterLength(good.size() - 5 - 1)},
        {"byte count beyond the parameters", byteCountTooLarge},
        {"byte count short of the attribute bytes", byteCountTooSmall},
        {"no continuation state", {0x07, 0x00, 0x01, 0x00, 0x04, 0x00, 0x02, 0x35, 0x00}},
        {"continuation state of 17 bytes", Response(1, kRecordList, Bytes(17, 1))},
    };
    for (const auto& c : cases) {
        FakeSdpServer server(Always(c.pdu));
        const SdpSearchResult result = SearchSerialPortRecords(server.Client());
        server.Finish();
        EXPECT_EQ(result.error, EPROTO) << c.label;
        EXPECT_TRUE(result.attributeLists.empty()) << c.label;
    }
}

TEST(SdpClient, AFailureInALaterRoundDropsWhatEarlierRoundsBrought) {
    FakeSdpServer server([](const Bytes&, std::size_t round) {
        return Send(round == 0 ? Response(1, kRecordList, {0x01}) : Response(7, {}, {}));
    });
    const SdpSearchResult result = SearchSerialPortRecords(server.Client());
    EXPECT_EQ(server.Finish().size(), 2u);
    EXPECT_EQ(result.error, EPROTO);
    EXPECT_TRUE(result.attributeLists.empty());
}

TEST(SdpClient, AServerThatNeverEndsItsAnswerIsCutOff) {
    // Continuation rounds without end, each bringing nothing.
    FakeSdpServer endless([](const Bytes& request, std::size_t) {
        return Send(
            Response(static_cast<std::uint16_t>((request[1] << 8) | request[2]), {}, {0x01}));
    });
    SdpSearchResult result = SearchSerialPortRecords(endless.Client());
    EXPECT_EQ(endless.Finish().size(), static_cast<std::size_t>(kSdpMaxRounds));
    EXPECT_EQ(result.error, EMSGSIZE);

    // Rounds that together bring more than the limit.
    const Bytes chunk(kSdpMaxAttributeBytes / 2 + 1, 0x08);
    FakeSdpServer large([&](const Bytes& request, std::size_t) {
        return Send(Response(request[2], chunk, {0x01}));
    });
    result = SearchSerialPortRecords(large.Client());
    EXPECT_EQ(large.Finish().size(), 2u);
    EXPECT_EQ(result.error, EMSGSIZE);
    EXPECT_TRUE(result.attributeLists.empty());
}

TEST(SdpClient, ASilentOrVanishedServerIsAFailure) {
    FakeSdpServer silent([](const Bytes&, std::size_t) { return Reply{Reply::Kind::Silent, {}}; });
    const auto start = std::chrono::steady_clock::now();
    SdpSearchResult result = SearchSerialPortRecords(silent.Client(), 100);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.error, ETIMEDOUT);
    EXPECT_GE(waited, std::chrono::milliseconds(90));
    EXPECT_LT(waited, std::chrono::seconds(3));
    silent.Finish();

    FakeSdpServer hangUp([](const Bytes&, std::size_t) { return Reply{Reply::Kind::HangUp, {}}; });
    result = SearchSerialPortRecords(hangUp.Client(), 2000);
    EXPECT_EQ(result.error, ECONNRESET);
    hangUp.Finish();

    // The request cannot even be sent.
    FakeSdpServer closed(Always({}));
    ::shutdown(closed.Client(), SHUT_WR);
    result = SearchSerialPortRecords(closed.Client(), 2000);
    EXPECT_EQ(result.error, EPIPE);
}

} // namespace
