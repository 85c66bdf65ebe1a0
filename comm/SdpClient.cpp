#include "comm/SdpClient.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr std::uint8_t kSearchAttributeRequest = 0x06;
constexpr std::uint8_t kSearchAttributeResponse = 0x07;

// PDU id, transaction id and parameter length.
constexpr std::size_t kHeaderSize = 5;
// The largest PDU a 16-bit parameter length can describe, and one byte more so that a longer
// datagram is seen as such and refused.
constexpr std::size_t kReceiveBufferSize = kHeaderSize + 0xFFFF + 1;

// Service search pattern: a sequence (8-bit length) of one 16-bit UUID, the serial port.
constexpr std::uint8_t kSearchPattern[] = {0x35, 0x03, 0x19, 0x11, 0x01};
// The server may send up to this many attribute bytes per response (it still keeps to the
// connection's MTU).
constexpr std::uint16_t kMaxAttributeByteCount = 0xFFFF;
// Attribute id list: a sequence of one 32-bit range, 0x0004 to 0x0004.
constexpr std::uint8_t kAttributeIds[] = {0x35, 0x05, 0x0A, 0x00, 0x04, 0x00, 0x04};

std::uint16_t ReadBigEndian16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

void AppendBigEndian16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

int SendAll(int socket, const std::vector<std::uint8_t>& pdu) {
    ssize_t sent;
    do {
        sent = ::send(socket, pdu.data(), pdu.size(), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        return errno;
    }
    // A packet socket takes the whole datagram or nothing.
    return static_cast<std::size_t>(sent) == pdu.size() ? 0 : EMSGSIZE;
}

// Waits for one datagram; its size, or -1 with the error in `error`.
ssize_t ReceivePdu(int socket, std::vector<std::uint8_t>& buffer, int timeoutMs, int& error) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd fd{socket, POLLIN, 0};
        const int ready = ::poll(&fd, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            error = errno;
            return -1;
        }
        if (ready == 0) {
            error = ETIMEDOUT;
            return -1;
        }
        const ssize_t size = ::recv(socket, buffer.data(), buffer.size(), 0);
        if (size < 0 && errno == EINTR) {
            continue;
        }
        if (size < 0) {
            error = errno;
            return -1;
        }
        if (size == 0) {
            error = ECONNRESET;
            return -1;
        }
        return size;
    }
}

SdpSearchResult RunExchange(int socket, int replyTimeoutMs) {
    SdpSearchResult result;
    std::vector<std::uint8_t> buffer(kReceiveBufferSize);
    std::vector<std::uint8_t> continuation;
    for (int round = 0; round < kSdpMaxRounds; ++round) {
        // Transaction ids count from 1, one per request.
        const auto transactionId = static_cast<std::uint16_t>(round + 1);
        result.error = SendAll(socket, SerialPortSearchRequest(transactionId, continuation));
        if (result.error != 0) {
            return result;
        }
        const ssize_t size = ReceivePdu(socket, buffer, replyTimeoutMs, result.error);
        if (size < 0) {
            return result;
        }
        SdpAttributeResponse response;
        result.error = ParseSerialPortSearchResponse(
            std::span(buffer.data(), static_cast<std::size_t>(size)), transactionId, response);
        if (result.error != 0) {
            return result;
        }
        if (result.attributeLists.size() + response.attributeBytes.size() > kSdpMaxAttributeBytes) {
            result.error = EMSGSIZE;
            return result;
        }
        result.attributeLists.insert(result.attributeLists.end(), response.attributeBytes.begin(),
                                     response.attributeBytes.end());
        if (response.continuation.empty()) {
            return result;
        }
        continuation.assign(response.continuation.begin(), response.continuation.end());
    }
    result.error = EMSGSIZE;
    return result;
}

} // namespace

std::vector<std::uint8_t> SerialPortSearchRequest(std::uint16_t transactionId,
                                                  std::span<const std::uint8_t> continuation) {
    const std::size_t parameterLength =
        sizeof kSearchPattern + 2 + sizeof kAttributeIds + 1 + continuation.size();
    std::vector<std::uint8_t> pdu;
    pdu.reserve(kHeaderSize + parameterLength);
    pdu.push_back(kSearchAttributeRequest);
    AppendBigEndian16(pdu, transactionId);
    AppendBigEndian16(pdu, static_cast<std::uint16_t>(parameterLength));
    pdu.insert(pdu.end(), std::begin(kSearchPattern), std::end(kSearchPattern));
    AppendBigEndian16(pdu, kMaxAttributeByteCount);
    pdu.insert(pdu.end(), std::begin(kAttributeIds), std::end(kAttributeIds));
    pdu.push_back(static_cast<std::uint8_t>(continuation.size()));
    pdu.insert(pdu.end(), continuation.begin(), continuation.end());
    return pdu;
}

int ParseSerialPortSearchResponse(std::span<const std::uint8_t> pdu, std::uint16_t transactionId,
                                  SdpAttributeResponse& response) {
    if (pdu.size() < kHeaderSize) {
        return EPROTO;
    }
    // Error responses and any other PDU end the search alike.
    if (pdu[0] != kSearchAttributeResponse || ReadBigEndian16(&pdu[1]) != transactionId) {
        return EPROTO;
    }
    const std::span<const std::uint8_t> parameters = pdu.subspan(kHeaderSize);
    if (ReadBigEndian16(&pdu[3]) != parameters.size() || parameters.size() < 2) {
        return EPROTO;
    }
    const std::size_t byteCount = ReadBigEndian16(parameters.data());
    // The attribute bytes, then at least the continuation state's length byte.
    if (byteCount + 1 > parameters.size() - 2) {
        return EPROTO;
    }
    const std::span<const std::uint8_t> attributes = parameters.subspan(2, byteCount);
    const std::span<const std::uint8_t> rest = parameters.subspan(2 + byteCount);
    const std::size_t continuationSize = rest[0];
    if (continuationSize > kSdpMaxContinuationState || continuationSize + 1 != rest.size()) {
        return EPROTO;
    }
    response.attributeBytes = attributes;
    response.continuation = rest.subspan(1);
    return 0;
}

SdpSearchResult SearchSerialPortRecords(int socket, int replyTimeoutMs) {
    SdpSearchResult result = RunExchange(socket, replyTimeoutMs);
    // Part of an answer is no answer.
    if (result.error != 0) {
        result.attributeLists.clear();
    }
    return result;
}
