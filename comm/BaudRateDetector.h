#pragma once

#include "comm/SerialPort.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Finding the line rate of a receiver behind a USB serial bridge, which sends at a rate of
// its own (4800 for most pucks, 9600 or 38400 for many modules) and says nothing of it: at a
// wrong rate only garbage arrives. Each rate is tried for a bounded time until whole sentences
// with good checksums arrive.

// What the detection needs of a port.
class IRateProbePort {
public:
    virtual ~IRateProbePort() = default;
    // Sets the line rate (bits per second).
    virtual std::optional<PortFailure> SetRate(int baud) = 0;
    // Waits at most `limit` for bytes and reads what is there (possibly nothing).
    virtual SerialPort::ReadResult ReadSome(char* buffer, std::size_t size,
                                            std::chrono::milliseconds limit) = 0;
};

// Counts the whole sentences in a byte stream: "$", at least five and at most 79 printable
// characters, "*", the two hexadecimal digits of their XOR checksum, then CR or LF.
class GoodSentenceCounter {
public:
    void Push(char byte);
    int Count() const { return m_count; }
    // Where the first good sentence began, counted in bytes pushed; meaningful once Count() > 0.
    std::size_t FirstStart() const { return m_firstStart; }

private:
    enum class State { Idle, Body, Digits };
    State m_state = State::Idle;
    std::size_t m_position = 0;
    std::size_t m_start = 0;
    std::size_t m_length = 0;
    unsigned m_sum = 0;
    unsigned m_given = 0;
    int m_digits = 0;
    int m_count = 0;
    std::size_t m_firstStart = 0;
};

// The rates tried, in order.
inline constexpr int kUsualBaudRates[] = {4800, 9600, 19200, 38400, 57600, 115200};

// The usual rates, with `first` (the rate that worked last time; 0 for none) tried first.
std::vector<int> DetectionOrder(int first);

struct RateDetectionLimits {
    std::chrono::milliseconds perRate{1500};
    int sentencesNeeded = 2;
};

struct RateDetection {
    enum class Outcome { Found, NotFound, Stopped, Failed };
    Outcome outcome = Outcome::NotFound;
    int baud = 0;
    // What arrived at the rate found, from its first good sentence on: the bytes received at
    // the wrong rates and before that sentence are garbage and are dropped.
    std::string received;
    PortFailure failure;
};

using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;

// Tries `rates` in turn, each until `limits.sentencesNeeded` good sentences arrived or
// `limits.perRate` passed. A stop or a failure of the port ends it at once.
RateDetection DetectBaudRate(IRateProbePort& port, const std::vector<int>& rates,
                             const RateDetectionLimits& limits = {},
                             const SteadyNow& now = std::chrono::steady_clock::now);
