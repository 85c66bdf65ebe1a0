#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The client side of the SDP service search for the serial port service (UUID 0x1101): one
// ServiceSearchAttributeRequest asking for attribute 4 (the protocol descriptor list), repeated
// with the server's continuation state until the answer is complete. Works on any connected
// SOCK_SEQPACKET descriptor (L2CAP PSM 1 in the program, a socket pair in the tests). Every
// length in a response comes from the air and is checked against what was received.

// How long a silent server is waited for, per response.
inline constexpr int kSdpReplyTimeoutMs = 5000;
// Bounds for a server that never ends its answer.
inline constexpr std::size_t kSdpMaxAttributeBytes = 64 * 1024;
inline constexpr int kSdpMaxRounds = 1024;
// The largest continuation state the protocol allows.
inline constexpr std::size_t kSdpMaxContinuationState = 16;

// The request PDU of one round: the transaction id and the continuation state (at most 16
// bytes) the server sent last (empty in the first round).
std::vector<std::uint8_t> SerialPortSearchRequest(std::uint16_t transactionId,
                                                  std::span<const std::uint8_t> continuation);

// One ServiceSearchAttributeResponse taken apart; both parts view the PDU.
struct SdpAttributeResponse {
    std::span<const std::uint8_t> attributeBytes;
    std::span<const std::uint8_t> continuation;
};

// Takes apart the response PDU to the request with `transactionId`: 0, or EPROTO for an SDP
// error response, another PDU, another transaction id or a malformed PDU (any length that
// does not match the bytes received, a continuation state over 16 bytes).
int ParseSerialPortSearchResponse(std::span<const std::uint8_t> pdu, std::uint16_t transactionId,
                                  SdpAttributeResponse& response);

struct SdpSearchResult {
    int error = 0; // 0, or the system's error number
    std::vector<std::uint8_t>
        attributeLists; // every round's attribute list bytes, joined; empty on failure
};

// Runs the whole exchange on `socket`. Failures: the errors of send and recv, ECONNRESET when
// the server closes, ETIMEDOUT when it stays silent for `replyTimeoutMs`, EPROTO as above,
// EMSGSIZE beyond kSdpMaxAttributeBytes or kSdpMaxRounds.
SdpSearchResult SearchSerialPortRecords(int socket, int replyTimeoutMs = kSdpReplyTimeoutMs);
