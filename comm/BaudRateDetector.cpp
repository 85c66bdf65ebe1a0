#include "comm/BaudRateDetector.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::size_t kShortestBody = 5; // the address field alone, as "GPGGA"
constexpr std::size_t kLongestBody = 79; // "$", the body, "*" and two digits make 82 at most
constexpr std::size_t kReadBlock = 512;

int HexValue(unsigned char c) {
    return std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10;
}

} // namespace

void GoodSentenceCounter::Push(char byte) {
    const auto c = static_cast<unsigned char>(byte);
    const std::size_t position = m_position++;
    if (c == '$') {
        m_state = State::Body;
        m_start = position;
        m_length = 0;
        m_sum = 0;
        return;
    }
    switch (m_state) {
    case State::Idle:
        return;
    case State::Body:
        if (c == '*' && m_length >= kShortestBody) {
            m_state = State::Digits;
            m_digits = 0;
            m_given = 0;
        } else if (c < 0x20 || c > 0x7E || c == '*' || ++m_length > kLongestBody) {
            m_state = State::Idle;
        } else {
            m_sum ^= c;
        }
        return;
    case State::Digits:
        if (m_digits < 2 && std::isxdigit(c)) {
            m_given = m_given << 4 | static_cast<unsigned>(HexValue(c));
            ++m_digits;
            return;
        }
        if (m_digits == 2 && (c == '\r' || c == '\n') && m_given == m_sum) {
            if (m_count++ == 0) {
                m_firstStart = m_start;
            }
        }
        m_state = State::Idle;
        return;
    }
}

std::vector<int> DetectionOrder(int first) {
    std::vector<int> order;
    if (first > 0) {
        order.push_back(first);
    }
    for (const int rate : kUsualBaudRates) {
        if (rate != first) {
            order.push_back(rate);
        }
    }
    return order;
}

RateDetection DetectBaudRate(IRateProbePort& port, const std::vector<int>& rates,
                             const RateDetectionLimits& limits, const SteadyNow& now) {
    RateDetection detection;
    char buffer[kReadBlock];
    for (const int rate : rates) {
        if (std::optional<PortFailure> failure = port.SetRate(rate)) {
            detection.outcome = RateDetection::Outcome::Failed;
            detection.failure = std::move(*failure);
            return detection;
        }
        GoodSentenceCounter counter;
        std::string received;
        const auto deadline = now() + limits.perRate;
        for (auto left = limits.perRate; left.count() > 0;
             left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now())) {
            const SerialPort::ReadResult result = port.ReadSome(buffer, sizeof buffer, left);
            if (result.status == SerialPort::Status::Failed) {
                detection.outcome = RateDetection::Outcome::Failed;
                detection.failure = result.failure;
                return detection;
            }
            if (result.status == SerialPort::Status::Stopped) {
                detection.outcome = RateDetection::Outcome::Stopped;
                return detection;
            }
            received.append(buffer, result.size);
            std::for_each(buffer, buffer + result.size, [&](char c) { counter.Push(c); });
            if (counter.Count() >= limits.sentencesNeeded) {
                detection.outcome = RateDetection::Outcome::Found;
                detection.baud = rate;
                detection.received = received.substr(counter.FirstStart());
                return detection;
            }
        }
    }
    return detection;
}
